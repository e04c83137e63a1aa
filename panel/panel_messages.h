#pragma once

#include <windows.h>

#include "help/caption_button.h"

// The panel's own window messages, which it posts to itself.

// Posted by the panel to itself as it starts: the measurement log is read
// once the panel is on the screen, so that a long log does not delay it.
inline constexpr UINT kLoadMeasurementLog = 953;

// Posted by the panel to itself when one of its boxes has lost the focus
// (wParam the box's id): the box's balloon says how its text was read, once
// the focus has moved on.
inline constexpr UINT kShowReadAsNote = 954;

// The panel's window receives the caption button's message as well: the
// numbers must stay apart.
static_assert(kLoadMeasurementLog != kCaptionButtonNotify && kShowReadAsNote != kCaptionButtonNotify &&
                  kLoadMeasurementLog != kShowReadAsNote,
              "the panel's private messages share a number");
