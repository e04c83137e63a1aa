#include "app/program_files_win.h"

#include "app/parameter_file_notices_win.h"
#include "storage/module_file_names.h"

void ProgramFiles::Open(HWND panel) {
    panel_ = panel;
    files_ = ResolveModuleFiles(panel, kParameterFileExtension);
    // The log's messages go to the window the student is at, once the panel
    // is on the screen.
    logStore_ = std::make_unique<LogStore>(files_.logFilePath, [this](const std::wstring& text) {
        HWND owner = panel_ && IsWindowVisible(panel_) ? GetActiveWindow() : nullptr;
        MessageBoxW(owner, text.c_str(), files_.caption.c_str(), MB_OK | MB_ICONINFORMATION);
    });
}

void ProgramFiles::LoadTable(MaterialTable& table) {
    backUpParameterFile_ = LoadParameterFile(files_.caption, files_.parameterFilePath, table,
                                             &parameterFileBytes_) == ParameterFileLoad::unusable;
}

// Only a table that changed in this run is written: another copy may have
// saved its edits since this one started, and a file kept read-only stays
// untouched and silent as long as nobody tries to change it.
void ProgramFiles::SaveTable(const MaterialTable& table, bool quiet) {
    SaveOptions options;
    options.backUpOldFile = backUpParameterFile_;
    options.quiet = quiet;
    if (SaveChangedParameterFile(files_.caption, files_.parameterFilePath, table, parameterFileBytes_,
                                 options)) {
        backUpParameterFile_ = false;
    }
}
