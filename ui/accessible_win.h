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

// A push button drawn in a window's frame rather than a window of its own (the
// title bar's "?"): the window's client object gets it as one more child,
// after the standard ones, which a reader can read and press.
class AccessibleButton {
public:
    virtual bool AccessiblePressed() const = 0;
    virtual RECT AccessibleScreenRect() const = 0;
    virtual void AccessiblePress() = 0;

protected:
    ~AccessibleButton() = default;
};
// The button is the window's until the window is destroyed. A subclass that
// another procedure replaces with SetWindowLongPtr and restores before
// WM_NCDESTROY must be set before it: call this first.
void AddAccessibleButton(HWND window, const wchar_t* name, AccessibleButton* button) noexcept;
