// The log file's save: appending new rows, or merging with what another
// writer left and rewriting the file whole, in the turn copies take.
#include "measurements/log_file_win.h"

#include <algorithm>
#include <new>
#include <utility>
#include <vector>

#include "measurements/log_file_io_win.h"
#include "storage/file_replace_win.h"

using namespace log_file_io;

namespace {

// The whole log into a temporary file beside `path`, put in its place.
// The temporary file's stamp, which the file has from then on, goes to `stamp`.
// `old`, the file being replaced, is closed first: Wine refuses to replace a
// file that is open, however it was opened.
bool WriteWhole(LogFileCalls& calls, const std::wstring& path, const MeasurementLog& log, bool flushToDisk,
                std::optional<FileStamp>* stamp, HANDLE* old) {
    std::vector<unsigned char> bytes;
    try {
        bytes = EncodeLogCsv(log);
    } catch (const std::bad_alloc&) {
        return false;
    }
    FileReplacement replacement(calls, path, PendingLogFilePath(path));
    if (!replacement.opened()) return false;
    const bool written = replacement.Write(bytes, flushToDisk);
    if (written && stamp) *stamp = StampOf(replacement.file());
    if (old && IsOpenFile(*old)) {
        // Only read: whatever its closing reports, nothing of it is lost.
        CloseHandle(*old);
        *old = INVALID_HANDLE_VALUE;
    }
    return replacement.Commit(written);
}

}  // namespace

LogFile::LogFile(std::wstring path) : path_(std::move(path)), calls_(ownCalls_) {}

LogFile::LogFile(std::wstring path, LogFileCalls& calls) : path_(std::move(path)), calls_(calls) {}

void LogFile::Synced(const MeasurementLog& log, const std::optional<FileStamp>& stamp) {
    known_ = true;
    stamp_ = stamp;
    synced_ = KeysOf(log);
    syncedCount_ = log.size();
    lastSyncedKey_ = log.empty() ? 0 : RowKey(log.rows().back());
    rewrite_ = false;
    knownHighest_ = std::max(markOnDisk_, log.empty() ? 0 : log.rows().back().number);
}

int LogFile::ReadMark() const {
    return ReadNumberMark(NumberMarkFilePath(path_));
}

bool LogFile::markUnsaved(const MeasurementLog& log) const {
    const int lastRow = log.empty() ? 0 : log.rows().back().number;
    return log.HighestNumber() > lastRow && log.HighestNumber() > markOnDisk_;
}

// Before rows are written that no longer tell the highest number given. The
// mark goes through a temporary file put in its place in one step, so that a
// mark cut short never tells a lower number.
void LogFile::WriteMarkIfNeeded(const MeasurementLog& log, bool flushToDisk) {
    if (!markUnsaved(log)) return;
    if (makeFolder_) {
        const std::wstring folder = FolderOf(path_);
        if (!folder.empty() && IsMissing(folder)) CreateDirectoryW(folder.c_str(), nullptr);
    }
    const std::wstring mark = NumberMarkFilePath(path_);
    FileReplacement replacement(calls_, mark, PendingLogFilePath(mark));
    if (!replacement.Commit(replacement.Write(EncodeNumberMark(log.HighestNumber()), flushToDisk))) return;
    markOnDisk_ = log.HighestNumber();
    knownHighest_ = std::max(knownHighest_, markOnDisk_);
}

size_t LogFile::UnsavedRows(const MeasurementLog& log) const {
    if (!known_ || rewrite_) {
        size_t unsaved = 0;
        for (const MeasurementRow& row : log.rows()) unsaved += !synced_.Contains(RowKey(row));
        return unsaved;
    }
    return log.size() > syncedCount_ ? log.size() - syncedCount_ : 0;
}

bool LogFile::Append(HANDLE file, const MeasurementLog& log, bool flushToDisk) {
    WriteMarkIfNeeded(log, flushToDisk);
    std::vector<unsigned char> bytes;
    try {
        bytes = EncodeLogLines(log, syncedCount_);
    } catch (const std::bad_alloc&) {
        return false;
    }
    // The handle writes at the end only (FILE_APPEND_DATA without
    // FILE_WRITE_DATA); one call puts a row's line there whole.
    if (!WriteAll(calls_, file, bytes) || (flushToDisk && !calls_.Flush(file))) {
        // Part of a line may have reached the file. Its stamp has changed, so
        // the next save reads it, leaves the cut line out and writes it anew.
        return false;
    }
    const std::optional<FileStamp> stamp = StampOf(file, stamp_->volume);
    for (size_t i = syncedCount_; i < log.size(); ++i) synced_.Add(RowKey(log[i]));
    syncedCount_ = log.size();
    lastSyncedKey_ = RowKey(log.rows().back());
    stamp_ = stamp;
    knownHighest_ = std::max(knownHighest_, log.rows().back().number);
    return true;
}

bool LogFile::Rewrite(HANDLE old, const MeasurementLog& log, bool flushToDisk) {
    if (makeFolder_) {
        const std::wstring folder = FolderOf(path_);
        if (!folder.empty() && IsMissing(folder)) CreateDirectoryW(folder.c_str(), nullptr);
    }
    WriteMarkIfNeeded(log, flushToDisk);
    HANDLE held = old;
    std::optional<FileStamp> stamp;
    const bool written = WriteWhole(calls_, path_, log, flushToDisk, &stamp, &held);
    if (IsOpenFile(held)) CloseHandle(held);
    if (written) Synced(log, stamp);
    return written;
}

bool LogFile::Write(MeasurementLog& log, bool flushToDisk) {
    lastMerge_ = LogMerge{};
    lastRepair_ = LogLoadResult{};
    if (!saveMutex_) saveMutex_ = UniqueHandle(CreateMutexW(nullptr, FALSE, SaveMutexName(path_).c_str()));
    SaveTurn turn(saveMutex_.get());
    if (backupPending_) {
        std::wstring backupPath;
        KeepUnusableFile(backupPath);
        if (backupPending_) return false;
        // What is left at the name now is nobody's file this copy has seen.
        known_ = false;
    }

    // Held against other programs' writing from the check of its stamp to
    // the end of the append, or of the read before a rewrite.
    HANDLE file = INVALID_HANDLE_VALUE;
    for (int attempt = 0; attempt < kSaveTries; ++attempt) {
        if (attempt > 0) Sleep(kSaveTryPause);
        file = calls_.OpenShared(path_);
        if (IsOpenFile(file) || !IsHeldElsewhere(GetLastError())) break;
    }
    if (!IsOpenFile(file)) {
        // Held by another program, or not writable: nothing can be done now.
        // Missing (never made, or deleted by someone): written anew, with every
        // row this copy has.
        if (!IsMissing(path_)) return false;
        return Rewrite(INVALID_HANDLE_VALUE, log, flushToDisk);
    }

    // Rows removed since the last save leave the file's last row elsewhere
    // in the log, or nowhere.
    if (syncedCount_ > log.size() ||
        (syncedCount_ > 0 && RowKey(log[syncedCount_ - 1]) != lastSyncedKey_)) {
        rewrite_ = true;
    }
    // The path's volume is taken from the last stamp: a file on another volume
    // with the same index, size and time of writing is not to be expected.
    const std::optional<FileStamp> stamp = stamp_ ? StampOf(file, stamp_->volume) : StampOf(file);
    const bool unchanged = known_ && stamp_ && stamp && *stamp == *stamp_;
    if (unchanged && !rewrite_) {
        // A mark a save could not write is tried again even when no row is new.
        if (syncedCount_ == log.size()) WriteMarkIfNeeded(log, flushToDisk);
        const bool appended = syncedCount_ == log.size() || Append(file, log, flushToDisk);
        return calls_.Close(file) && appended;
    }
    if (!unchanged) {
        // Someone else wrote the file (or this copy never could read it): its
        // rows are merged with the log's before anything is written.
        std::vector<unsigned char> bytes;
        MeasurementLog inFile;
        if (ReadWhole(file, bytes) != ReadResult::read) {
            calls_.Close(file);
            return false;
        }
        const CsvDecodeResult decoded = DecodeLogCsv(bytes.data(), bytes.size(), inFile);
        if (decoded.status != CsvStatus::ok) {
            // Not a log any more: set aside as at the load, and replaced.
            calls_.Close(file);
            backupPending_ = true;
            std::wstring backupPath;
            if (!KeepUnusableFile(backupPath)) return false;
            return Rewrite(INVALID_HANDLE_VALUE, log, flushToDisk);
        }
        // The numbers another writer gave before it removed its last rows.
        const int mark = ReadMark();
        markOnDisk_ = std::max(mark, 0);
        inFile.RaiseHighestNumber(markOnDisk_);
        LogMerge merge = MergeLogs(log, inFile, known_ ? synced_ : RowKeys{}, knownHighest_);
        if (!merge.fits) {
            calls_.Close(file);
            return false;
        }
        if (merge.added != 0 || merge.removed != 0 || !merge.renumbered.empty() ||
            merge.merged.HighestNumber() > log.HighestNumber()) {
            log = merge.merged;
        }
        merge.merged.Clear();
        lastMerge_ = std::move(merge);
        if (decoded.leftOut != 0) {
            // Lines another writer left that cannot be read: its rows that can
            // are in the log now, and the file as it was is kept before the
            // log takes its place.
            calls_.Close(file);
            file = INVALID_HANDLE_VALUE;
            backupPending_ = true;
            std::wstring backupPath;
            if (!KeepUnusableFile(backupPath)) return false;
            lastRepair_.status = LogLoad::repaired;
            lastRepair_.leftOut = LeftOutOf(decoded, inFile.size());
            lastRepair_.backupPath = backupPath;
            lastRepair_.backedUp = true;
        }
    }
    return Rewrite(file, log, flushToDisk);
}

LogSave LogFile::Save(MeasurementLog& log, bool flushToDisk) {
    if (Write(log, flushToDisk)) {
        failing_ = false;
        return LogSave::saved;
    }
    const bool told = failing_;
    failing_ = true;
    return told ? LogSave::failedAgain : LogSave::failed;
}

bool LogFile::FlushToDisk() {
    UniqueHandle file(CreateFileW(path_.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    return file.valid() && FlushFileBuffers(file.get()) != FALSE;
}

bool WriteLogFile(const std::wstring& path, const MeasurementLog& log) {
    LogFileCalls calls;
    return WriteLogFile(path, log, calls);
}

bool WriteLogFile(const std::wstring& path, const MeasurementLog& log, LogFileCalls& calls) {
    return WriteWhole(calls, path, log, true, nullptr, nullptr);
}
