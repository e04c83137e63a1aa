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

// What UpdateFromEdit found in the box.
enum class EditUpdate {
    outOfRange = -1,  // below `min` or above `max` (inclusive bounds); the value unchanged
    unchanged = 0,    // the stored value (checked first, so it holds even out of bounds)
    changed = 1,      // a new value within the bounds, now stored in `value`
};

// Reads the window with ReadEditReal and compares the number with `value`.
EditUpdate UpdateFromEdit(HWND window, double& value, std::optional<double> min = std::nullopt,
                   std::optional<double> max = std::nullopt);
