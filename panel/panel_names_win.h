#pragma once

#include <windows.h>

#include "panel/field_records.h"

// What assistive technology calls the panel's controls. Their labels are part
// of the picture, so the platform finds no text to name them by: each box is
// named after its label in the picture with its unit ("Temperature T, K"),
// the parts of a slider field and the up-down after the quantity they set.
inline constexpr int kControlNameSize = 64;
void FieldControlName(int id, wchar_t (&name)[kControlNameSize]);
// Gives every control of the fields, and the picture, its name.
void NamePanelControls(const FieldRecords& fields, HWND picture) noexcept;
