#pragma once

#include <windows.h>

#include "base/owned.h"

// Owners of GDI objects and device contexts, each released once, on every
// way out of the scope that made it.

// A GDI object the program made (a brush, a bitmap, a font).
template <class Handle>
using GdiObject = Owned<Handle, &DeleteObject>;

// A memory device context: Owned<HDC, &DeleteDC>(CreateCompatibleDC(...)).
using MemoryDc = Owned<HDC, &DeleteDC>;

// A window's device context, its frame included when `wholeWindow`, or the
// screen's for a null window: ReleaseDC.
class WindowDc {
public:
    explicit WindowDc(HWND window, bool wholeWindow = false)
        : window_(window), dc_(wholeWindow ? GetWindowDC(window) : GetDC(window)) {}
    ~WindowDc() {
        if (dc_) ReleaseDC(window_, dc_);
    }
    WindowDc(const WindowDc&) = delete;
    WindowDc& operator=(const WindowDc&) = delete;

    HDC get() const { return dc_; }
    explicit operator bool() const { return dc_ != nullptr; }

private:
    HWND window_;
    HDC dc_;
};

// An object selected into a device context for a scope; the one it replaced
// is selected back at the end, before either is released.
class Selection {
public:
    Selection(HDC dc, HGDIOBJ object) : dc_(dc), previous_(dc && object ? SelectObject(dc, object) : nullptr) {}
    ~Selection() {
        if (previous_) SelectObject(dc_, previous_);
    }
    Selection(const Selection&) = delete;
    Selection& operator=(const Selection&) = delete;

private:
    HDC dc_;
    HGDIOBJ previous_;
};
