#pragma once

#include <windows.h>

// The DPI a window is shown at: its monitor's where the system tells it per
// window (Windows 10 1607 and later), else the system's, which is what Wine
// reports from its LogPixels setting. 96 is a display at 100 per cent.
int WindowDpi(HWND window);

// A function of user32 that older Windows versions lack (the DPI calls of
// Windows 10), or null where it is missing.
template <class Call>
Call User32Call(const char* name) {
    HMODULE user32 = GetModuleHandleW(L"user32.dll");
    return user32 ? reinterpret_cast<Call>(reinterpret_cast<void*>(GetProcAddress(user32, name))) : nullptr;
}

// Pixels given for 96 DPI, at dpi (rounded as MulDiv rounds).
inline int PixelsAtDpi(int pixels, int dpi) {
    return MulDiv(pixels, dpi, 96);
}
