#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "measurements/log_store_win.h"

// What the log's window does to the log's rows at the student's command: copy
// them, delete the selected ones, clear the log, and undo a Delete or Clear
// while the window that made it is open. Each tells the log's status line
// what came of it.
class LogRowCommands {
public:
    // `caption` titles the message boxes.
    LogRowCommands(LogStore& store, const std::wstring& caption) : store_(store), caption_(caption) {}
    // Out of line: the rows kept for Undo are let go in one place.
    ~LogRowCommands();

    // Each on the log's window `window` and its list. The selected rows, or
    // all when none is selected, to the clipboard as tab-separated text.
    bool CopyRows(HWND window);
    void DeleteSelectedRows(HWND window);
    // Asks first.
    void ClearLog(HWND window);
    // Puts back what the last Delete or Clear not undone yet removed.
    void Undo(HWND window);

    // What was deleted can be brought back only while the window that
    // deleted it is open: it forgets when the window closes.
    void Forget() { undo_.clear(); }

private:
    void Deleted(HWND window, std::vector<MeasurementRow> rows);

    LogStore& store_;
    const std::wstring& caption_;
    // The rows each Delete and Clear removed, the last one last.
    std::vector<std::vector<MeasurementRow>> undo_;
};
