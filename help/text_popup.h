#pragma once

#include <windows.h>

#include <string>

// A small pop-up with a help text at a screen point, in the tooltip colours,
// closed by the next click or key. Stands in where the help viewer cannot show
// text pop-ups.
void ShowTextPopup(const std::wstring& text, POINT point);

// The pop-up being shown, if any, and its text (for the tests).
HWND TextPopupWindow();
std::wstring TextPopupText();
