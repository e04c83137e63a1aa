#pragma once

#include <windows.h>

// Centres `window` over `reference` without changing its size, z-order or
// activation, keeping it inside the area it may use. Without a reference a
// child window takes its parent and any other window its owner. A child is
// centred in its parent's client area; any other window within the desktop's
// work area, over the reference's window rectangle (the work area itself when
// the reference is missing, hidden or minimised).
void CentreWindow(HWND window, HWND reference = nullptr);
