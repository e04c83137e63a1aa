#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "panel/panel_files.h"
#include "storage/module_files_win.h"

// The files of the running program: the table of parameters, the help and the
// measurement log beside the executable, the log's store, and the bytes the
// table's file held, so that a close writes only a table that changed.
class ProgramFiles : public PanelFiles {
public:
    ProgramFiles() = default;
    ProgramFiles(const ProgramFiles&) = delete;
    ProgramFiles& operator=(const ProgramFiles&) = delete;

    void Open(HWND panel) override;
    const std::wstring& caption() const override { return files_.caption; }
    const std::wstring& helpFilePath() const override { return files_.helpFilePath; }
    const std::wstring& passwordFilePath() const override { return files_.passwordFilePath; }
    const std::wstring& parameterFilePath() const { return files_.parameterFilePath; }
    LogStore& logStore() override { return *logStore_; }
    void LoadTable(MaterialTable& table) override;
    void SaveTable(const MaterialTable& table, bool quiet) override;

private:
    HWND panel_ = nullptr;
    ModuleFiles files_;
    // The file was there at start but could not be used: the save that first
    // replaces it keeps it as a backup.
    bool backUpParameterFile_ = false;
    // What the file held when it was read, or last written: a close writes
    // the table only when it no longer encodes to these bytes.
    std::vector<unsigned char> parameterFileBytes_;
    std::unique_ptr<LogStore> logStore_;
};
