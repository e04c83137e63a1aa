#include "plot/plot_view.h"

#include <utility>

#include "base/gdi.h"
#include "plot/draw_plot.h"
#include "ui/window_class.h"

const wchar_t* PlotView::RegisterClassOnce() {
    // No CS_HREDRAW | CS_VREDRAW: WM_SIZE invalidates, without erasing.
    return RegisterWindowClassOnce(L"TesmorPlotView", WindowProc, {0, LoadCursorW(nullptr, IDC_ARROW), nullptr});
}

bool PlotView::Create(HWND parent, const RECT& rect, int id, DWORD style) {
    const wchar_t* className = RegisterClassOnce();
    if (!className || window()) return false;
    return CreateOwnWindow(0, className, WS_CHILD | WS_VISIBLE | style, rect, parent, id) != nullptr;
}

void PlotView::SetData(PlotData data) {
    data_ = std::move(data);
    if (window()) InvalidateRect(window(), nullptr, FALSE);
}

SIZE PlotView::ClientSize() const {
    RECT client = {};
    if (window()) GetClientRect(window(), &client);
    return {client.right - client.left, client.bottom - client.top};
}

bool PlotView::CopyToClipboard() const {
    const SIZE size = ClientSize();
    return CopyPlotToClipboard(window(), size.cx, size.cy, data_);
}

PngSaveResult PlotView::SavePng(const std::wstring& path) const {
    const SIZE size = ClientSize();
    const int scale = PrintScale(size.cx, size.cy);
    return SavePlotPng(path, size.cx * scale, size.cy * scale, data_, scale);
}

LRESULT PlotView::HandleMessage(const Message& message, bool& handled) {
    static const MessageMapEntry<PlotView> kMessageMap[] = {
        {WM_PAINT, kAnyId, kAnyCode, Handler<&PlotView::OnPaint>},
        {WM_PRINTCLIENT, kAnyId, kAnyCode, Handler<&PlotView::OnPrintClient>},
        {WM_ERASEBKGND, kAnyId, kAnyCode, Handler<&PlotView::OnEraseBackground>},
        {WM_SIZE, kAnyId, kAnyCode, Handler<&PlotView::OnSize>},
        {WM_SETFOCUS, kAnyId, kAnyCode, Handler<&PlotView::OnFocusChange>},
        {WM_KILLFOCUS, kAnyId, kAnyCode, Handler<&PlotView::OnFocusChange>},
    };
    return DispatchMessageMap(*this, kMessageMap, message, handled);
}

// Drawn whole into a bitmap first and copied in one blit, so the screen never
// shows a half-drawn plot; should the bitmap fail, straight into the DC. The
// theme is asked at every paint: the window is repainted when it changes.
void PlotView::PaintInto(HDC dc, const RECT& client) const {
    const int width = client.right - client.left;
    const int height = client.bottom - client.top;
    if (width <= 0 || height <= 0) return;
    const PlotColours colours = ScreenPlotColours();
    MemoryDc memory(CreateCompatibleDC(dc));
    GdiObject<HBITMAP> bitmap(CreateCompatibleBitmap(dc, width, height));
    if (!memory || !bitmap) {
        DrawPlot(dc, client, data_, 1, colours);
        return;
    }
    Selection use(memory.get(), bitmap.get());
    DrawPlot(memory.get(), {0, 0, width, height}, data_, 1, colours);
    BitBlt(dc, client.left, client.top, width, height, memory.get(), 0, 0, SRCCOPY);
}

void PlotView::OnPaint() {
    PaintDc dc(window());
    if (dc) {
        RECT client;
        GetClientRect(window(), &client);
        PaintInto(dc.get(), client);
        // The keyboard's place, as every control shows it: only on the screen,
        // never in a copy or a saved picture.
        if (GetFocus() == window()) {
            InflateRect(&client, -kFocusInset, -kFocusInset);
            DrawFocusRect(dc.get(), &client);
        }
    }
}

void PlotView::OnPrintClient(HDC dc) {
    RECT client;
    GetClientRect(window(), &client);
    PaintInto(dc, client);
}

// The plot covers every pixel of the window: erasing first would only flash.
LRESULT PlotView::OnEraseBackground() {
    return 1;
}

// The layout depends on the size: every pixel may change.
void PlotView::OnSize() {
    InvalidateRect(window(), nullptr, FALSE);
}

// The focus mark comes and goes with the focus.
void PlotView::OnFocusChange() {
    InvalidateRect(window(), nullptr, FALSE);
}
