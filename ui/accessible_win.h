#pragma once

#include <windows.h>

#include <string>

// A control's accessible name (and description) of ours on top of the
// standard object of its class (CreateStdAccessibleObject): the role,
// state, value and children stay the standard ones.
void SetAccessibleName(HWND control, const wchar_t* name, const wchar_t* description = nullptr) noexcept;
// For a window whose description changes (the log's plot): asked each time.
using AccessibleDescriber = std::wstring (*)(HWND window, void* context);
void SetAccessibleDescriber(HWND control, AccessibleDescriber describe, void* context) noexcept;
// Tells assistive technology that a control's value changed.
void NotifyValueChanged(HWND control) noexcept;
