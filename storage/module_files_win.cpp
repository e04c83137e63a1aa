#include "storage/module_files_win.h"

#include "base/module.h"
#include "storage/module_file_names.h"
#include "storage/password_digest.h"

ModuleFiles ResolveModuleFiles(HWND window, const wchar_t* parameterExtension) {
    ModuleFiles files;
    std::wstring base = ModuleFileBase(ModulePath());
    if (!base.empty()) {
        files.parameterFilePath = base + parameterExtension;
        files.helpFilePath = base + kHelpFileExtension;
        files.logFilePath = base + kLogFileExtension;
        files.passwordFilePath = base + kPasswordFileExtension;
    }
    wchar_t title[127] = {};
    int length = GetWindowTextW(window, title, 127);
    files.caption.assign(title, length > 0 ? static_cast<size_t>(length) : 0);
    return files;
}
