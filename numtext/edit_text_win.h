#pragma once

#include <windows.h>

#include <optional>
#include <string>

// Numbers in and out of edit boxes and other windows with a text.

// Sets the window's text to FormatReal(value, format), trimmed.
void SetEditReal(HWND window, double value, const wchar_t* format = nullptr);
// Sets the window's text to FormatInteger(value, format).
void SetEditInteger(HWND window, int value, const wchar_t* format = nullptr);

// The window's whole text.
std::wstring ReadWindowText(HWND window);
// The window's text read by ParseReal / ParseInteger.
double ReadEditReal(HWND window);
int ReadEditInteger(HWND window);

// Reads the window with ReadEditReal and compares the number with `value`:
//   0  it equals the stored value (checked first, so it holds even out of bounds);
//  -1  it lies below `min` or above `max` (inclusive bounds); value unchanged;
//   1  it is a new value within the bounds, now stored in `value`.
int UpdateFromEdit(HWND window, double& value, std::optional<double> min = std::nullopt,
                   std::optional<double> max = std::nullopt);
