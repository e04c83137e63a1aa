#pragma once

#include <windows.h>

#include <string>

// The module whose resources (templates, bitmaps, icons, menus, strings) the
// program uses: the executable itself unless the application says otherwise.
HINSTANCE ResourceModule();
void SetResourceModule(HINSTANCE module);

// The running executable's full path as the system reports it; empty when
// the system cannot give it.
std::wstring ModulePath();
