#pragma once

#include <windows.h>

// Keeps a top-level window's controls in the system's colours while it is
// open. Only top-level windows hear that the colours changed (as they all do
// when a high-contrast theme is turned on or off): from then on `window`
// tells its children, gives its list-views the new window colour as their
// background, and has itself and its children painted again, also when the
// high-contrast theme is switched without a change of colours. Ends with the
// window (a subclass of it, removed at WM_NCDESTROY).
void FollowSystemColours(HWND window) noexcept;
