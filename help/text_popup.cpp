#include "help/text_popup.h"

#include "base/gdi.h"
#include "ui/window.h"
#include "ui/window_class.h"

namespace {

constexpr int kMargin = 6;
constexpr int kMaxWidth = 320;

HFONT PopupFont() {
    static HFONT font = [] {
        NONCLIENTMETRICSW metrics = {};
        metrics.cbSize = sizeof metrics;
        SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0);
        return CreateFontIndirectW(&metrics.lfStatusFont);
    }();
    return font;
}

class TextPopup : public Window {
public:
    bool Show(const std::wstring& text, POINT point);
    const std::wstring& text() const { return text_; }

protected:
    LRESULT HandleMessage(const Message& message, bool& handled) override;

private:
    static const wchar_t* RegisterClassOnce();
    void Close();

    std::wstring text_;
    bool closing_ = false;
};

TextPopup popup;

const wchar_t* TextPopup::RegisterClassOnce() {
    return RegisterWindowClassOnce(L"TesmorHelpPopup", WindowProc,
                                   {CS_SAVEBITS, LoadCursorW(nullptr, IDC_ARROW), GetSysColorBrush(COLOR_INFOBK)});
}

bool TextPopup::Show(const std::wstring& text, POINT point) {
    Close();
    const wchar_t* className = RegisterClassOnce();
    if (!className) return false;
    text_ = text;
    closing_ = false;

    // The size the text needs, wrapped at kMaxWidth.
    RECT textRect = {0, 0, kMaxWidth, 0};
    {
        WindowDc screen(nullptr);
        Selection font(screen.get(), PopupFont());
        DrawTextW(screen.get(), text_.c_str(), -1, &textRect, DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX);
    }

    RECT rect = {point.x, point.y, point.x + textRect.right + 2 * kMargin + 2,
                 point.y + textRect.bottom + 2 * kMargin + 2};
    // Kept inside the work area.
    RECT area;
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
    if (rect.right > area.right) OffsetRect(&rect, area.right - rect.right, 0);
    if (rect.bottom > area.bottom) OffsetRect(&rect, 0, area.bottom - rect.bottom);

    HWND created =
        CreateOwnWindow(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, className, WS_POPUP | WS_BORDER, rect, nullptr, 0);
    if (!created) return false;
    ShowWindow(created, SW_SHOW);
    SetFocus(created);
    // Every click, in the pop-up or anywhere else, comes here and closes it.
    SetCapture(created);
    return true;
}

void TextPopup::Close() {
    // Destroying the window takes its focus and capture, which would close it
    // again from inside the destruction.
    if (!window() || closing_) return;
    closing_ = true;
    if (GetCapture() == window()) ReleaseCapture();
    DestroyWindow(window());
}

LRESULT TextPopup::HandleMessage(const Message& m, bool& handled) {
    switch (m.message) {
    case WM_PAINT: {
        PaintDc dc(m.window);
        RECT client;
        GetClientRect(m.window, &client);
        InflateRect(&client, -kMargin, -kMargin);
        Selection font(dc.get(), PopupFont());
        SetBkMode(dc.get(), TRANSPARENT);
        SetTextColor(dc.get(), GetSysColor(COLOR_INFOTEXT));
        DrawTextW(dc.get(), text_.c_str(), -1, &client, DT_WORDBREAK | DT_NOPREFIX);
        return 0;
    }
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
    case WM_CAPTURECHANGED:
    case WM_KILLFOCUS:
        Close();
        return 0;
    }
    handled = false;
    return 0;
}

}  // namespace

void ShowTextPopup(const std::wstring& text, POINT point) {
    popup.Show(text, point);
}

HWND TextPopupWindow() {
    return popup.window();
}

std::wstring TextPopupText() {
    return popup.window() ? popup.text() : std::wstring();
}
