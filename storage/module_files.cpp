#include "storage/module_files.h"

#include "storage/module_file_names.h"

std::wstring ModulePath() {
    // MAX_PATH is enough almost always; a longer path (a deep folder with long
    // path support) gets a larger buffer instead of a cut-off name.
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        DWORD size = static_cast<DWORD>(path.size());
        DWORD length = GetModuleFileNameW(nullptr, &path[0], size);
        if (length == 0) return std::wstring();
        if (length < size) {
            path.resize(length);
            return path;
        }
        if (path.size() >= 32768) return std::wstring();
        path.resize(path.size() * 2);
    }
}

ModuleFiles ResolveModuleFiles(HWND window, const wchar_t* parameterExtension) {
    ModuleFiles files;
    std::wstring base = ModuleFileBase(ModulePath());
    if (!base.empty()) {
        files.parameterFilePath = base + parameterExtension;
        files.helpFilePath = base + kHelpFileExtension;
    }
    wchar_t title[127] = {};
    int length = GetWindowTextW(window, title, 127);
    files.caption.assign(title, length > 0 ? static_cast<size_t>(length) : 0);
    return files;
}
