#pragma once

#include <windows.h>

// The program's own window messages.

// From the caption help button to its window: wParam the button's position,
// lParam 1 when the button has just been switched on, 0 when off.
inline constexpr UINT kCaptionButtonNotify = 951;

// From the in-place cell editor to the parameter table dialog: wParam
// kCellEditKept when the edit ends with its text taken, kCellEditAbandoned
// when Escape drops it and the cell keeps what it showed.
inline constexpr UINT WM_ENDCELLEDIT = 952;
inline constexpr WPARAM kCellEditKept = 0;
inline constexpr WPARAM kCellEditAbandoned = 1;

// Posted by the panel to itself as it starts: the measurement log is read
// once the panel is on the screen, so that a long log does not delay it.
inline constexpr UINT kLoadMeasurementLog = 953;

// Posted by the panel to itself when one of its boxes has lost the focus
// (wParam the box's id): the box's balloon says how its text was read, once
// the focus has moved on.
inline constexpr UINT kShowReadAsNote = 954;
