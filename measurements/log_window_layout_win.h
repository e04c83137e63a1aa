#pragma once

#include <windows.h>

// The layout of the measurement log's window: the buttons in rows along the
// top, the list above the axes' choices, the plot below them and the status
// line at the bottom, all in the dialog's own units so that they follow the
// font and the DPI.

// Dialog units across and down, in the window's pixels.
int DialogUnitsX(HWND dialog, int units);
int DialogUnitsY(HWND dialog, int units);

// A child's rectangle in its parent's client coordinates.
RECT ChildRect(HWND child);

// Widens the new window, as far as its screen allows, until the list shows
// columns `columnsWidth` pixels wide without scrolling sideways. Returns the
// width of the template's client area, before any widening.
int WidenLogWindowToColumns(HWND dialog, HWND list, int columnsWidth);

// Moves every child of the window to its place at the window's present size.
void LayOutLogWindow(HWND dialog, HWND list, HWND plot);

// The smallest window in which every control is whole, for a template whose
// client area is `templateWidth` pixels wide.
SIZE LogWindowMinimumSize(HWND dialog, int templateWidth);
