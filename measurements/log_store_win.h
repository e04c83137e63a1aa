#pragma once

#include <functional>
#include <string>
#include <vector>

#include "measurements/log_file_win.h"
#include "measurements/measurement_log.h"

// What a view of the log is told when the log changes.
class LogListener {
public:
    virtual ~LogListener() = default;
    // One row was appended at the end.
    virtual void OnRowAppended() = 0;
    // Rows went, or the whole log was replaced.
    virtual void OnRowsReplaced() = 0;
    // The status line changed.
    virtual void OnStatusChanged() = 0;
};

// The measurement log of a session and its file, kept together: the file is
// rewritten after every change, so that neither a crash nor the end of the
// session loses a row. A save that fails is told once (through `tell`) and
// tried again at the next change; nothing recorded leaves the memory for it.
class LogStore {
public:
    // `tell` shows an information text to the user (an unusable file at the
    // load, the first of a run of failed saves).
    LogStore(std::wstring path, std::function<void(const std::wstring&)> tell);
    LogStore(std::wstring path, LogFileCalls& calls, std::function<void(const std::wstring&)> tell);

    // Reads the file once; later calls do nothing.
    void Load();
    bool loaded() const { return loaded_; }

    // Appends a row, numbered by the log, and saves the log unless the save is
    // deferred (a series saves when it ends, or every half second while it
    // runs). Returns the row's number, 0 when the log is full.
    int Append(MeasurementRow row, bool deferSave = false);
    // Removes the rows at these indices, and saves.
    size_t Remove(const std::vector<size_t>& indices);
    // Empties the log, and saves.
    void Clear();
    // Saves a deferred change now; nothing when there is none.
    void SaveIfChanged();
    bool unsaved() const { return unsaved_; }
    // Has the system put the last save on the disk, which a save itself does
    // not wait for; the owner calls it when the student pauses and at the end.
    void FlushToDisk();
    bool unflushed() const { return unflushed_; }

    const MeasurementLog& log() const { return log_; }
    const LogFile& file() const { return file_; }

    // The status line of the log window: what the last action did.
    const std::wstring& status() const { return status_; }
    void SetStatus(std::wstring status);

    // The one view told about changes, or null.
    void SetListener(LogListener* listener) { listener_ = listener; }

private:
    void Save();

    LogFile file_;
    std::function<void(const std::wstring&)> tell_;
    MeasurementLog log_;
    bool loaded_ = false;
    bool unsaved_ = false;
    bool unflushed_ = false;
    unsigned long lastSave_ = 0;  // GetTickCount of the last save
    std::wstring status_;
    LogListener* listener_ = nullptr;
};
