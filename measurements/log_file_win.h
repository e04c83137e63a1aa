#pragma once

#include <windows.h>

#include <string>

#include "measurements/measurement_log.h"
#include "storage/parameter_file_win.h"

// The measurement log's file beside the executable (ModuleFiles::logFilePath,
// Tesmor.csv), in the form of EncodeLogCsv. It is read once at start-up and
// rewritten whole after every change to the log. Nothing here shows anything:
// the results say what happened, and the texts below say it to the user.

// The file-system calls of a save (SaveFileCalls), and the copy that keeps a
// file that could not be used. Tests put others in their place.
class LogFileCalls : public SaveFileCalls {
public:
    // Copies `from` to a new file `to`; fails, with ERROR_FILE_EXISTS or
    // ERROR_ALREADY_EXISTS, when `to` is there already.
    virtual bool CopyNew(const std::wstring& from, const std::wstring& to);
};

// A file larger than this is not read; it is unusable (and kept).
inline constexpr unsigned long long kMaxLogFileSize = 64ull << 20;

enum class LogLoad {
    loaded,    // the log is the file's
    missing,   // no file: the log is empty, and the first save makes the file
    unusable,  // a file that cannot be read, or is not wholly understood
               // (DecodeLogCsv), or is too large: the log is empty, and the
               // file is kept as a backup
};

struct LogLoadResult {
    LogLoad status = LogLoad::missing;
    // For an unusable file: where it is kept. backedUp tells whether the copy
    // is there already; when the file could not even be read (another program
    // holds it open and shares nothing), it is copied there as soon as it can
    // be, and in any case before a save replaces it. Until then it is where it
    // was, untouched.
    std::wstring backupPath;
    bool backedUp = false;
};

enum class LogSave {
    saved,        // the file holds the log, completely, when Save returns
    failed,       // the first failure since the last save that worked (or since
                  // the file was loaded): the user should be told, once
    failedAgain,  // failing still: the user has been told already
};

// The file of one log. Holds what a save must know from the load and from the
// saves before it: whether an unusable file still has to be kept, and whether
// the last save failed.
class LogFile {
public:
    explicit LogFile(std::wstring path);
    // With other file calls, which must outlive the object.
    LogFile(std::wstring path, LogFileCalls& calls);
    LogFile(const LogFile&) = delete;
    LogFile& operator=(const LogFile&) = delete;

    const std::wstring& path() const { return path_; }

    // Replaces the log with the file's rows. A missing file gives an empty log.
    // An unusable one gives an empty log too, and is copied to the first free
    // backup name (BackupLogFilePath 1, 2, ...; a backup already holding the
    // same bytes is used instead of a new copy); an existing backup is never
    // written over. Nothing else in the folder changes.
    LogLoadResult Load(MeasurementLog& log);

    // Writes the whole log to the file: to PendingLogFilePath first, flushed,
    // then put in the file's place in one step (MoveFileExW with
    // MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH). When Save returns
    // saved, the file holds the log even if the process dies right after;
    // whatever fails, and wherever the process dies, the file is either the
    // previous one or the new one, complete. A failed save removes its
    // temporary file; one left by a process that died is written over by the
    // next save and never read. An unusable file that could not be kept at
    // the load is kept first; while it cannot be, nothing is saved. A folder
    // that refuses new files refuses every save: the file is never written
    // over in place, which could not be undone half-way.
    //
    // Call it after every change. The window layer tells the user when it
    // returns failed and stays quiet on failedAgain; the next change simply
    // saves again.
    //
    // Without flushToDisk the temporary file is not flushed before it takes
    // the file's place: the save takes a millisecond instead of the tens a
    // flush costs, and still survives the process dying (the system holds
    // the bytes), but a power cut soon after may leave the file short until
    // FlushToDisk has run.
    LogSave Save(const MeasurementLog& log, bool flushToDisk = true);

    // Asks the system to put the file's bytes on the disk now (after saves
    // made without flushToDisk); false when the file cannot be opened for it.
    bool FlushToDisk();

    // Whether the last save failed (false before any save).
    bool lastSaveFailed() const { return failing_; }
    // Whether an unusable file is still waiting to be kept.
    bool backupPending() const { return backupPending_; }

private:
    bool Write(const MeasurementLog& log, bool flushToDisk);
    bool KeepUnusableFile(std::wstring& backupPath);

    std::wstring path_;
    LogFileCalls ownCalls_;
    LogFileCalls& calls_;
    bool backupPending_ = false;
    bool failing_ = false;
};

// The temporary file a save writes before it replaces `path` ("...csv.new").
std::wstring PendingLogFilePath(const std::wstring& path);
// The backup names for an unusable file: "...csv.bak" for 1, then
// "...csv.2.bak", "...csv.3.bak" and so on; at most kMaxLogBackups are tried.
std::wstring BackupLogFilePath(const std::wstring& path, int serial = 1);
inline constexpr int kMaxLogBackups = 99;

// The information boxes' texts, naming the files without their folder:
// after a load that found the file unusable, and after a save that failed.
std::wstring UnusableLogText(const LogLoadResult& result, const std::wstring& path);
std::wstring LogNotWrittenText(const std::wstring& path);

// The local time now, as MeasurementRow::time holds it.
std::wstring LocalRecordTime();
