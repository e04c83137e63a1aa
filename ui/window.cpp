#include "ui/window.h"

#include "base/module.h"

Window::~Window() {
    if (window_) {
        SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
        DestroyWindow(window_);
    }
}

LRESULT Window::DefaultProc(const Message& m) {
    return DefWindowProcW(m.window, m.message, m.wParam, m.lParam);
}

HWND Window::CreateOwnWindow(DWORD exStyle, const wchar_t* className, DWORD style, const RECT& rect,
                             HWND parent, int id) {
    return CreateWindowExW(exStyle, className, L"", style, rect.left, rect.top, rect.right - rect.left,
                           rect.bottom - rect.top, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                           ResourceModule(), this);
}

LRESULT CALLBACK Window::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
    Window* self;
    if (message == WM_NCCREATE) {
        self = static_cast<Window*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
        if (self) self->window_ = window;
    } else {
        self = reinterpret_cast<Window*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    }
    if (!self) return DefWindowProcW(window, message, wParam, lParam);

    const Message m{window, message, wParam, lParam};
    bool handled = false;
    LRESULT result = self->HandleMessage(m, handled);
    if (!handled) result = self->DefaultProc(m);
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        self->window_ = nullptr;
    }
    return result;
}
