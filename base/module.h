#pragma once

#include <windows.h>

#include <string>

// The module whose resources (templates, bitmaps, icons, menus, strings) the
// program uses: the executable itself unless the application says otherwise.
HINSTANCE ResourceModule();
void SetResourceModule(HINSTANCE module);

// The bytes of resource `id` of `type` in the resource module, as the module
// holds them for as long as it is loaded; null and 0 when there is none.
struct ResourceBytes {
    const BYTE* data = nullptr;
    size_t size = 0;
};
ResourceBytes FindResourceBytes(int id, const wchar_t* type);

// The running executable's full path as the system reports it; empty when
// the system cannot give it.
std::wstring ModulePath();

// A library of the system, loaded from the system folder by its full path (a
// file of the same name beside the program is never taken) when the program
// first needs it, and kept loaded as an import would be. Null when it cannot
// be loaded.
HMODULE LoadSystemLibrary(const wchar_t* name);
