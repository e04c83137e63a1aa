#pragma once

#include <windows.h>

#include "ui/message_map.h"

// A window of a class of the program's own, bound to its C++ object in
// WM_NCCREATE from the creation parameter. Messages the map does not handle go
// to DefaultProc: DefWindowProc, or the base class's procedure for a superclass.
class Window : public MessageTarget {
public:
    Window() = default;
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;
    virtual ~Window();

    HWND window() const { return window_; }

protected:
    virtual LRESULT HandleMessage(const Message& message, bool& handled) = 0;
    virtual LRESULT DefaultProc(const Message& message);

    // Creates the window of a registered class whose procedure is WindowProc.
    HWND CreateOwnWindow(DWORD exStyle, const wchar_t* className, DWORD style, const RECT& rect, HWND parent,
                         int id);

    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept;

private:
    HWND window_ = nullptr;
};
