#pragma once

#include <windows.h>

// The module whose resources (templates, bitmaps, icons, menus, strings) the
// program uses: the executable itself unless the application says otherwise.
HINSTANCE ResourceModule();
void SetResourceModule(HINSTANCE module);
