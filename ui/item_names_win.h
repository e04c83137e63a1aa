#pragma once

#include <windows.h>

#include <cstddef>

#include "ui/accessible_win.h"

// A dialog item's accessible name: what a screen reader says for it, after
// the label a sighted user reads beside it (without "&" or a closing colon).
struct ItemName {
    int id;
    const wchar_t* name;
};

// Gives each listed item of `dialog` its name.
inline void NameItems(HWND dialog, const ItemName* names, size_t count) noexcept {
    for (size_t k = 0; k < count; ++k) SetAccessibleName(GetDlgItem(dialog, names[k].id), names[k].name);
}
