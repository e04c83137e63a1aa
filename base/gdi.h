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

// The device context of a window being painted, from BeginPaint to EndPaint:
// the update region is validated and the caret shown again however the
// painting ends. `get` is null when the system gave no context.
class PaintDc {
public:
    explicit PaintDc(HWND window) : window_(window), dc_(BeginPaint(window, &paint_)) {}
    ~PaintDc() { EndPaint(window_, &paint_); }
    PaintDc(const PaintDc&) = delete;
    PaintDc& operator=(const PaintDc&) = delete;

    HDC get() const { return dc_; }
    explicit operator bool() const { return dc_ != nullptr; }

private:
    HWND window_;
    PAINTSTRUCT paint_{};
    HDC dc_;
};

// Everything a drawing changes in a device context it was lent (selected
// objects, colours, modes, alignment, clipping), restored at the end.
class SavedDcState {
public:
    explicit SavedDcState(HDC dc) : dc_(dc), saved_(SaveDC(dc)) {}
    ~SavedDcState() {
        if (saved_) RestoreDC(dc_, saved_);
    }
    SavedDcState(const SavedDcState&) = delete;
    SavedDcState& operator=(const SavedDcState&) = delete;

private:
    HDC dc_;
    int saved_;
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
