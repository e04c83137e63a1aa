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

// The measurement log of a session and its file, kept together: every change
// reaches the file at once (a new reading as one appended line), so that
// neither a crash nor the end of the session loses a row. A save that fails
// is told once (through `tell`) and tried again at the next change and
// whenever the owner calls Retry; nothing recorded leaves the memory for it,
// and UnsavedRows says what the file still lacks.
class LogStore {
public:
    // `path` is the log's place beside the program; the first Load moves it to
    // the user's Documents when that folder refuses it (ChooseLogLocation).
    // `tell` shows an information text to the user (an unusable or held file
    // at the load, lines of the file left out of the log, the first of a run
    // of failed saves).
    LogStore(std::wstring path, std::function<void(const std::wstring&)> tell);
    // At exactly `path`, through other file calls.
    LogStore(std::wstring path, LogFileCalls& calls, std::function<void(const std::wstring&)> tell);

    // Reads the file once; later calls do nothing. A file with lines that
    // cannot be read is saved at once without them, before the user is told.
    void Load();
    bool loaded() const { return loaded_; }

    // Appends a row, numbered by the log, and saves the log unless the save is
    // deferred (a series saves when it ends, or every half second while it
    // runs). Returns the row's number, 0 when the log is full. The number is
    // the one the row has in the file: when another copy of the program had
    // given the same number to a reading of its own, the next free one.
    int Append(MeasurementRow row, bool deferSave = false);
    // Removes the rows at these indices, and saves.
    size_t Remove(const std::vector<size_t>& indices);
    // Empties the log, and saves.
    void Clear();
    // Puts removed rows back in their places with their numbers
    // (MeasurementLog::PutBack), and saves; false, with nothing changed, when
    // the log refuses them.
    bool PutBack(std::vector<MeasurementRow> rows);
    // Saves a deferred change now; nothing when there is none.
    void SaveIfChanged();
    // Tries a failed save again, quietly: a file another program held may be
    // free now. Nothing when all is saved.
    void Retry();
    bool unsaved() const { return unsaved_; }
    // The rows the file does not hold yet, and whether rows removed from the
    // log are still in it; both nothing once a save has gone through.
    size_t UnsavedRows() const;
    bool RemovalsUnsaved() const { return unsaved_ && file_.removalsUnsaved(); }
    // Writes the whole log to RescueLogFilePath, for a session that ends with
    // rows unsaved; the file's path, or empty when that failed too.
    std::wstring SaveRescueCopy();
    // Has the system put the last save on the disk, which a save itself does
    // not wait for; the owner calls it when the student pauses and at the end.
    void FlushToDisk();
    bool unflushed() const { return unflushed_; }

    const MeasurementLog& log() const { return log_; }
    const LogFile& file() const { return file_; }
    // Whether the log lives beside the program (false: in the user's Documents).
    bool besideProgram() const { return besideProgram_; }

    // The status line of the log window: what the last action did.
    const std::wstring& status() const { return status_; }
    void SetStatus(std::wstring status);
    // What the last save found another writer had done to the file (rows it
    // added, numbers it had taken), for the status line; empty when nothing.
    const std::wstring& mergeNote() const { return mergeNote_; }

    // The one view told about changes, or null.
    void SetListener(LogListener* listener) { listener_ = listener; }

private:
    void Save(bool retry = false);

    LogFile file_;
    bool locate_ = true;
    bool besideProgram_ = true;
    std::function<void(const std::wstring&)> tell_;
    MeasurementLog log_;
    bool loaded_ = false;
    bool unsaved_ = false;
    bool unflushed_ = false;
    unsigned long lastSave_ = 0;  // GetTickCount of the last save
    std::wstring status_;
    std::wstring mergeNote_;
    LogListener* listener_ = nullptr;
};
