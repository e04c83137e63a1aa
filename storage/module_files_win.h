#pragma once

#include <windows.h>

#include <string>

struct ModuleFiles {
    std::wstring caption;            // the window's title, at most 126 characters
    std::wstring parameterFilePath;  // beside the executable, extension `parameterExtension`
    std::wstring helpFilePath;       // beside the executable, extension "chm"
    std::wstring logFilePath;        // beside the executable, extension "csv"
    std::wstring passwordFilePath;   // the school's password, beside the table, extension "pwd"
};

// The title of `window` and the paths of the program's own files.
ModuleFiles ResolveModuleFiles(HWND window, const wchar_t* parameterExtension);
