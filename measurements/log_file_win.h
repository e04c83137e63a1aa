#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "base/unique_handle.h"
#include "measurements/log_merge.h"
#include "measurements/measurement_log.h"
#include "storage/file_replace_win.h"

// The measurement log's file (Tesmor.csv beside the executable, or in the
// user's Documents when that folder refuses it), in the form of EncodeLogCsv.
// It is read once at start-up. A new reading is appended to it as one line;
// the file is rewritten whole only after rows were removed, or when another
// writer changed it since this copy last read or wrote it, and then only
// after the two have been merged (MergeLogs): no save ever drops a row that
// another writer put in the file. Nothing here shows anything: the results
// say what happened, and the texts below say it to the user.

// The file-system calls of a save (SaveFileCalls), the opening of the file
// for a merge or an append, and the renaming that sets aside a file that
// could not be used. Tests put others in their place.
class LogFileCalls : public SaveFileCalls {
public:
    // The existing file, for reading and for appending at its end. Other
    // programs may read it meanwhile and may delete or replace it (so that a
    // rewrite can put a new file in its place while this is open), but not
    // write: two writers never interleave their lines.
    virtual HANDLE OpenShared(const std::wstring& path);
    // Renames `from` to `to`; fails, with ERROR_FILE_EXISTS or
    // ERROR_ALREADY_EXISTS, when `to` is there already.
    virtual bool MoveNew(const std::wstring& from, const std::wstring& to);
};

enum class LogLoad {
    loaded,    // the log is the file's
    repaired,  // the log is the file's rows that could be read: lines that
               // could not were left out, and the file as it was is set aside
               // under a backup name, as an unusable one is; the first save
               // writes the rows read
    missing,   // no file: the log is empty, and the first save makes the file
    locked,    // another program holds the file and lets nobody read it: the
               // log starts empty, the file stays as it is, and the first save
               // that can open it merges its rows with the new ones
    unusable,  // not a log (DecodeLogCsv), too large, or a folder: the log is
               // empty, and a file is set aside under a backup name
};

// The lines a file held that were left out of the log (see DecodeLogCsv):
// how many, the first few of them, and how many rows were read.
struct LogLeftOut {
    size_t count = 0;
    std::vector<size_t> lines;
    size_t rows = 0;
};

struct LogLoadResult {
    LogLoad status = LogLoad::missing;
    // For a repaired file: what was left out.
    LogLeftOut leftOut;
    // For an unusable or a repaired file: where it is kept. backedUp tells whether it is
    // there already; when it could not be renamed yet it is renamed before
    // the first save, and until then it is where it was, untouched.
    std::wstring backupPath;
    bool backedUp = false;
    // The name of the log is taken by a folder: nothing can be kept or written.
    bool folder = false;
};

enum class LogSave {
    saved,        // the file holds the log, completely, when Save returns
    failed,       // the first failure since the last save that worked (or since
                  // the file was loaded): the user should be told, once
    failedAgain,  // failing still: the user has been told already
};

// The size, identity and last change of a file: when the file still has the
// ones this copy left it with, nobody else has written it since.
struct FileStamp {
    DWORD volume = 0;
    DWORD indexHigh = 0;
    DWORD indexLow = 0;
    ULONGLONG size = 0;
    FILETIME lastWrite{};
};
bool operator==(const FileStamp& a, const FileStamp& b);
std::optional<FileStamp> StampOf(HANDLE file);
// The same, for a file on the volume `volume` (as an earlier stamp of the
// same path gave it): the volume is not asked for again, which under Wine
// is most of what a stamp costs.
std::optional<FileStamp> StampOf(HANDLE file, DWORD volume);

// The highest number the log has given is kept beside it, in a file of its
// own (NumberMarkFilePath), which other programs that read the log never see:
// the log's columns and header stay as they are. The mark is written only
// when the file's rows cannot tell that number, after the row that had it
// was removed or the log cleared: before the rows are written without it, so
// that no moment leaves the number to be given again. A load and a merge
// read it; a mark that is missing or damaged is no mark, and the numbers go
// on from the rows. A mark that cannot be written stops no save of rows: the
// log knows its numbers while the program runs, and each save tries again.
//
// The file of one log, and what a save must know of it: the rows the file held
// when this copy last read or wrote it, whether it has changed since, whether
// rows were removed (which an append cannot say), whether an unusable file
// still has to be set aside, and whether the last save failed.
class LogFile {
public:
    explicit LogFile(std::wstring path);
    // With other file calls, which must outlive the object.
    LogFile(std::wstring path, LogFileCalls& calls);
    LogFile(const LogFile&) = delete;
    LogFile& operator=(const LogFile&) = delete;

    const std::wstring& path() const { return path_; }
    // Another place for the file, before it is first loaded.
    void SetPath(std::wstring path) {
        path_ = std::move(path);
        saveMutex_.Reset();
    }
    // Makes the file's folder when a save finds it missing (a folder of the
    // program's own in the user's Documents).
    void SetMakeFolder(bool make) { makeFolder_ = make; }

    // Replaces the log with the file's rows, and its highest number given
    // with the higher of theirs and the mark's. A missing file gives an empty
    // log. A file another program holds is tried again for a moment; still
    // held, the log starts empty and the file stays untouched (locked). An
    // unusable one gives an empty log too, and is renamed to the first free
    // backup name (BackupLogFilePath 1, 2, ...); an existing backup is never
    // written over. A log with lines that cannot be read gives the rows that
    // can, and the file is kept under a backup name in the same way
    // (repaired): the first save writes the rows read.
    LogLoadResult Load(MeasurementLog& log);

    // Brings the file up to the log. When the file is as this copy left it
    // and no row was removed, the new rows are appended, in one write.
    // Otherwise the file is read and merged with the log (MergeLogs, which may
    // add rows to `log` and renumber this copy's new ones; lastMerge says
    // what it did), and the whole log written to PendingLogFilePath, then put
    // in the file's place in one step (MoveFileExW with
    // MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH). Copies of the
    // program saving to the same file take turns. When Save returns saved the file
    // holds the log; whatever fails, and wherever the process dies, the file
    // holds every row it held before, whole (a line cut off by a crash in
    // the middle of an append is no row, and the next save writes the file
    // anew). An unusable file not yet set aside is set aside first; while it
    // cannot be, nothing is saved.
    //
    // Without flushToDisk nothing is flushed before Save returns: the save
    // takes a millisecond instead of the tens a flush costs, and still
    // survives the process dying (the system holds the bytes), but a power
    // cut soon after may lose the last rows until FlushToDisk has run.
    LogSave Save(MeasurementLog& log, bool flushToDisk = true);

    // Rows were removed from the log: the next save rewrites the file. (A save
    // also sees it by itself, from the last row the file has, which a removal
    // moves or takes away.)
    void RowsRemoved() { rewrite_ = true; }

    // What the last save's merge did; empty when it had nothing to merge.
    const LogMerge& lastMerge() const { return lastMerge_; }
    // Lines the last save found in a file another writer had changed and
    // could not read: left out of the log, the file as it was set aside
    // (backupPath). Nothing when there were none.
    const LogLoadResult& lastRepair() const { return lastRepair_; }

    // Whether the highest number given still has to reach the mark beside the file.
    bool markUnsaved(const MeasurementLog& log) const;

    // How many rows of `log` the file does not hold yet, and whether it still
    // holds rows that were removed from the log.
    size_t UnsavedRows(const MeasurementLog& log) const;
    bool removalsUnsaved() const { return rewrite_; }

    // Asks the system to put the file's bytes on the disk now (after saves
    // made without flushToDisk); false when the file cannot be opened for it.
    bool FlushToDisk();

    // Whether the last save failed (false before any save).
    bool lastSaveFailed() const { return failing_; }
    // Whether an unusable file is still waiting to be set aside.
    bool backupPending() const { return backupPending_; }

private:
    bool Write(MeasurementLog& log, bool flushToDisk);
    bool Append(HANDLE file, const MeasurementLog& log, bool flushToDisk);
    bool Rewrite(HANDLE old, const MeasurementLog& log, bool flushToDisk);
    bool KeepUnusableFile(std::wstring& backupPath);
    void Synced(const MeasurementLog& log, const std::optional<FileStamp>& stamp);
    LogLoadResult LoadRows(MeasurementLog& log);
    int ReadMark() const;
    void WriteMarkIfNeeded(const MeasurementLog& log, bool flushToDisk);

    std::wstring path_;
    LogFileCalls ownCalls_;
    LogFileCalls& calls_;
    bool makeFolder_ = false;
    bool backupPending_ = false;
    bool failing_ = false;
    // What this copy knows of the file: nothing (a fresh object, or a file
    // held by another program at the load), or the keys of the rows it held
    // and its stamp (none for a missing file) when they were last read or
    // written; the log's first syncedCount_ rows are those rows unless rows
    // were removed since (rewrite_).
    bool known_ = false;
    std::optional<FileStamp> stamp_;
    RowKeys synced_;
    size_t syncedCount_ = 0;
    std::uint64_t lastSyncedKey_ = 0;  // the key of row syncedCount_ - 1
    bool rewrite_ = false;
    LogMerge lastMerge_;
    LogLoadResult lastRepair_;
    // The number the mark beside the file held when this copy last read or
    // wrote it (0: none), and the highest number given that this copy knows
    // the file and its mark to hold: a merge moves this copy's new rows whose
    // numbers another writer gave meanwhile (MergeLogs).
    int markOnDisk_ = 0;
    int knownHighest_ = 0;
    UniqueHandle saveMutex_;  // the turn copies saving this file take (SaveMutexName)
};

// Writes the whole log to a file of its own (an export, or the rescue of rows
// that could not be saved), through a temporary file that replaces it in one
// step; nothing is merged. True when the file holds the log.
bool WriteLogFile(const std::wstring& path, const MeasurementLog& log);
bool WriteLogFile(const std::wstring& path, const MeasurementLog& log, LogFileCalls& calls);

// The temporary file a save writes before it replaces `path` ("...csv.new").
std::wstring PendingLogFilePath(const std::wstring& path);
// The mark of the highest number given, beside the log ("...csv.last"): the
// number in decimal and a line end (EncodeNumberMark).
std::wstring NumberMarkFilePath(const std::wstring& path);
// The backup names for an unusable file: "...csv.bak" for 1, then
// "...csv.2.bak", "...csv.3.bak" and so on; at most kMaxLogBackups are tried.
std::wstring BackupLogFilePath(const std::wstring& path, int serial = 1);
inline constexpr int kMaxLogBackups = 99;

// The information boxes' texts, naming the files without their folder: after
// a load that found the file unusable or held by another program, and after a
// save that failed.
std::wstring UnusableLogText(const LogLoadResult& result, const std::wstring& path);
// The same after a load (or a save) that left damaged lines out: which lines,
// how many rows were read, and where the file as it was is kept.
std::wstring RepairedLogText(const LogLoadResult& result, const std::wstring& path);
std::wstring LockedLogText(const std::wstring& path);
std::wstring LogNotWrittenText(const std::wstring& path);
// The warning when the whole log could not be saved to a file the user chose
// (Save as CSV..., or the rescue of unsaved readings at a close).
std::wstring LogNotSavedToText(const std::wstring& path);

// The local time now, as MeasurementRow::time holds it.
std::wstring LocalRecordTime();
