#pragma once

#include <windows.h>

// From a caption button to its window: wParam the button's position, lParam
// 1 when the button has just been switched on, 0 when off.
inline constexpr UINT kCaptionButtonNotify = 951;

// A button drawn into a window's title bar, left of the system's own caption
// buttons. It is not a window: a replacement window procedure on the window
// paints the buttons whenever the frame is painted or changes its active
// state, and catches left-button presses in the frame. Each press toggles a
// button and sends kCaptionButtonNotify (wParam the button's position, lParam
// 1 when on, 0 when off) to the window.
struct CaptionHelpButton {
    RECT rect = {};         // window coordinates, set at each paint
    int normalBitmap = 0;   // shown while off
    int pressedBitmap = 0;  // shown while on
    int position = 0;       // 1 next to the system's buttons, higher further left
    bool on = false;
};

// The frame metrics a button's place is computed from.
struct CaptionMetrics {
    int buttonWidth;    // SM_CXSIZE (SM_CXSMSIZE for a tool window)
    int buttonHeight;   // SM_CYSIZE (SM_CYSMSIZE)
    int captionHeight;  // SM_CYCAPTION (SM_CYSMCAPTION)
    int frameHeight;    // SM_CYFRAME
};

// Takes over the window procedure of `window` (one window per process); true
// when there was a previous procedure.
bool AttachCaptionButtons(HWND window);
// Forgets the window and its buttons (when the window goes, its buttons go with
// it; the list must not keep pointers to them).
void DetachCaptionButtons(HWND window);
// Sets the button's images and appends it to the list (the list does not own it).
void AddCaptionButton(CaptionHelpButton& button, int normalBitmap, int pressedBitmap);
// Flips the button, repaints it and tells the window.
void ToggleCaptionButton(CaptionHelpButton& button);

// The button's place for the given position, window width and styles.
RECT CaptionButtonRect(int position, const CaptionMetrics& metrics, int windowWidth, LONG style);
RECT PlaceCaptionButton(CaptionHelpButton& button, int position);
void PaintCaptionButton(CaptionHelpButton& button, int position);
// Two nested 3-D rectangles: raised while off, sunken while on.
void DrawCaptionButtonFrame(const CaptionHelpButton& button, HDC dc);
bool HitCaptionButton(const CaptionHelpButton& button, POINT screenPoint);

LRESULT CALLBACK CaptionFrameProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept;
