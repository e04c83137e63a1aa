#include "help/caption_button.h"

#include <vector>

#include "base/gdi.h"
#include "base/module.h"

namespace {

// One caption-button window per process.
HWND buttonWindow = nullptr;
WNDPROC previousProc = nullptr;
std::vector<CaptionHelpButton*> buttons;
bool captionActive = false;  // the active state last drawn

void PaintAll() {
    for (size_t i = 0; i < buttons.size(); ++i) PaintCaptionButton(*buttons[i], static_cast<int>(i) + 1);
}

// A 3-D rectangle: the top row and left column in `topLeft`, the right column
// and bottom row in `bottomRight`.
void Draw3dRect(HDC dc, int x, int y, int width, int height, COLORREF topLeft, COLORREF bottomRight) {
    auto fill = [dc](int left, int top, int w, int h, COLORREF colour) {
        RECT r = {left, top, left + w, top + h};
        GdiObject<HBRUSH> brush(CreateSolidBrush(colour));
        if (brush) FillRect(dc, &r, brush.get());
    };
    fill(x, y, width - 1, 1, topLeft);
    fill(x, y, 1, height - 1, topLeft);
    fill(x + width - 1, y, 1, height, bottomRight);
    fill(x, y + height - 1, width, 1, bottomRight);
}

}  // namespace

bool AttachCaptionButtons(HWND window) {
    // One window per process: a new window starts a new list.
    if (window != buttonWindow) buttons.clear();
    buttonWindow = window;
    // The state the frame is drawn in now: a window not yet active has an
    // inactive caption, and its first activation must reach the system to be
    // drawn active.
    captionActive = GetActiveWindow() == window;
    previousProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(CaptionFrameProc)));
    return previousProc != nullptr;
}

void DetachCaptionButtons(HWND window) {
    if (window != buttonWindow) return;
    if (IsWindow(window) && previousProc) {
        SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previousProc));
    }
    buttons.clear();
    buttonWindow = nullptr;
    previousProc = nullptr;
}

void AddCaptionButton(CaptionHelpButton& button, int normalBitmap, int pressedBitmap) {
    button.normalBitmap = normalBitmap;
    button.pressedBitmap = pressedBitmap ? pressedBitmap : normalBitmap;
    buttons.push_back(&button);
}

RECT CaptionButtonRect(int position, const CaptionMetrics& m, int windowWidth, LONG style) {
    RECT r;
    r.top = m.frameHeight + m.captionHeight - m.buttonHeight;
    r.bottom = m.captionHeight;
    if (style & (WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX)) {
        r.right = windowWidth - (position + 2) * m.buttonWidth - 3;
    } else if (style & WS_SYSMENU) {
        r.right = windowWidth - (position + 1) * m.buttonWidth - 2;
    } else {
        r.right = windowWidth - position * m.buttonWidth - 2;
    }
    r.left = r.right - m.buttonWidth + 2;
    return r;
}

RECT PlaceCaptionButton(CaptionHelpButton& button, int position) {
    HWND window = buttonWindow;
    const bool tool = (GetWindowLongPtrW(window, GWL_EXSTYLE) & WS_EX_TOOLWINDOW) != 0;
    CaptionMetrics metrics;
    metrics.buttonWidth = GetSystemMetrics(tool ? SM_CXSMSIZE : SM_CXSIZE);
    metrics.buttonHeight = GetSystemMetrics(tool ? SM_CYSMSIZE : SM_CYSIZE);
    metrics.captionHeight = GetSystemMetrics(tool ? SM_CYSMCAPTION : SM_CYCAPTION);
    metrics.frameHeight = GetSystemMetrics(SM_CYFRAME);
    RECT windowRect;
    GetWindowRect(window, &windowRect);
    button.position = position;
    button.rect = CaptionButtonRect(position, metrics, windowRect.right - windowRect.left,
                                    static_cast<LONG>(GetWindowLongPtrW(window, GWL_STYLE)));
    return button.rect;
}

void PaintCaptionButton(CaptionHelpButton& button, int position) {
    RECT r = PlaceCaptionButton(button, position);
    const int width = r.right - r.left;
    const int height = r.bottom - r.top;
    WindowDc windowDc(buttonWindow, true);
    if (!windowDc) return;
    {
        MemoryDc memoryDc(CreateCompatibleDC(windowDc.get()));
        // Loaded for every paint and freed right after: the grey of the image
        // becomes the current button-face colour.
        GdiObject<HBITMAP> bitmap(static_cast<HBITMAP>(
            LoadImageW(ResourceModule(), MAKEINTRESOURCEW(button.on ? button.pressedBitmap : button.normalBitmap),
                       IMAGE_BITMAP, width, height, LR_LOADMAP3DCOLORS)));
        if (memoryDc && bitmap) {
            BITMAP info = {};
            GetObjectW(bitmap.get(), sizeof info, &info);
            Selection selected(memoryDc.get(), bitmap.get());
            StretchBlt(windowDc.get(), r.left, r.top, width, height, memoryDc.get(), 0, 0, info.bmWidth,
                       info.bmHeight, SRCCOPY);
        }
    }
    DrawCaptionButtonFrame(button, windowDc.get());
}

void DrawCaptionButtonFrame(const CaptionHelpButton& button, HDC dc) {
    const RECT& r = button.rect;
    const int width = r.right - r.left;
    const int height = r.bottom - r.top;
    if (!button.on) {
        Draw3dRect(dc, r.left, r.top, width, height, RGB(235, 235, 235), RGB(0, 0, 0));
        Draw3dRect(dc, r.left + 1, r.top + 1, width - 2, height - 2, RGB(235, 235, 235), RGB(150, 150, 150));
    } else {
        Draw3dRect(dc, r.left, r.top, width, height, RGB(0, 0, 0), RGB(255, 255, 255));
        Draw3dRect(dc, r.left + 1, r.top + 1, width - 1, height - 1, RGB(150, 150, 150), RGB(255, 255, 255));
    }
}

bool HitCaptionButton(const CaptionHelpButton& button, POINT point) {
    RECT windowRect;
    GetWindowRect(buttonWindow, &windowRect);
    POINT p = {point.x - windowRect.left, point.y - windowRect.top};
    return p.x >= button.rect.left && p.x < button.rect.right && p.y >= button.rect.top &&
           p.y < button.rect.bottom;
}

void ToggleCaptionButton(CaptionHelpButton& button) {
    button.on = !button.on;
    RECT r = button.rect;
    RedrawWindow(buttonWindow, &r, nullptr, RDW_INVALIDATE | RDW_FRAME);
    SendMessageW(buttonWindow, kCaptionButtonNotify, button.position, button.on ? 1 : 0);
}

LRESULT CALLBACK CaptionFrameProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
    switch (message) {
    case WM_NCPAINT:
        DefWindowProcW(window, message, wParam, lParam);
        PaintAll();
        return 0;
    case WM_NCACTIVATE: {
        // A disabled window (its modal dialog open) draws its caption inactive.
        BOOL active = IsWindowEnabled(window) ? static_cast<BOOL>(wParam) : FALSE;
        LRESULT result = TRUE;
        if ((active != FALSE) != captionActive) {
            captionActive = active != FALSE;
            result = DefWindowProcW(window, WM_NCACTIVATE, active, 0);
        }
        // A window not yet shown (the panel takes the focus while it is made)
        // shows no button: its first WM_NCPAINT draws it.
        if (IsWindowVisible(window)) PaintAll();
        return result;
    }
    // A second press soon after the first arrives in the frame as a double
    // click, whatever the class style: on the button it is a press like any other.
    case WM_NCLBUTTONDOWN:
    case WM_NCLBUTTONDBLCLK: {
        POINT point = {static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
        for (CaptionHelpButton* button : buttons) {
            if (HitCaptionButton(*button, point)) {
                ToggleCaptionButton(*button);
                return 0;  // no caption drag, no system command
            }
            if (button->on) ToggleCaptionButton(*button);
        }
        break;
    }
    }
    return CallWindowProcW(previousProc, window, message, wParam, lParam);
}
