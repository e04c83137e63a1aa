// The log file's load: reading it, keeping what can be read of a damaged one,
// and setting aside a file that cannot be used; the names beside the log and
// the texts that tell the user about it.
#include "measurements/log_file_win.h"

#include <algorithm>

#include "measurements/log_file_io_win.h"

using namespace log_file_io;

namespace {

// The first backup name not taken, where a backup made later would most likely go.
std::wstring FirstFreeBackupPath(const std::wstring& path) {
    for (int serial = 1; serial <= kMaxLogBackups; ++serial) {
        std::wstring candidate = BackupLogFilePath(path, serial);
        if (IsMissing(candidate)) return candidate;
    }
    return BackupLogFilePath(path, 1);
}

}  // namespace

LogLoadResult LogFile::Load(MeasurementLog& log) {
    markOnDisk_ = 0;
    knownHighest_ = 0;
    LogLoadResult result = LoadRows(log);
    // The numbers given before the last rows were removed or the log cleared.
    markOnDisk_ = std::max(ReadMark(), 0);
    log.RaiseHighestNumber(markOnDisk_);
    knownHighest_ = std::max(knownHighest_, log.HighestNumber());
    return result;
}

LogLoadResult LogFile::LoadRows(MeasurementLog& log) {
    log = MeasurementLog();
    backupPending_ = false;
    failing_ = false;
    known_ = false;
    stamp_.reset();
    synced_.Clear();
    syncedCount_ = 0;
    rewrite_ = false;
    lastMerge_ = LogMerge{};
    lastRepair_ = LogLoadResult{};
    LogLoadResult result;

    bool usable = false;
    bool repaired = false;
    {
        // Read in this file's turn: another copy's append in the middle of
        // the read would look like a file being written by someone else.
        if (!saveMutex_) saveMutex_ = UniqueHandle(CreateMutexW(nullptr, FALSE, SaveMutexName(path_).c_str()));
        SaveTurn turn(saveMutex_.get());
        UniqueHandle file;
        DWORD error = ERROR_SUCCESS;
        for (int attempt = 0; attempt < kLoadTries; ++attempt) {
            if (attempt > 0) Sleep(kLoadTryPause);
            file = OpenForReading(path_);
            if (file) break;
            error = GetLastError();
            if (!IsHeldElsewhere(error)) break;
        }
        if (!file) {
            if (IsMissing(path_)) {
                result.status = LogLoad::missing;
                Synced(log, std::nullopt);
                return result;
            }
            if (IsHeldElsewhere(error)) {
                // Another program shows the file and lets nobody read it. It is
                // a log, most likely: left where it is, and merged with the new
                // readings as soon as it can be read.
                result.status = LogLoad::locked;
                return result;
            }
            if (IsFolder(path_)) {
                result.status = LogLoad::unusable;
                result.folder = true;
                return result;
            }
        }
        std::vector<unsigned char> bytes;
        // A file that grows while it is read is being written by another
        // program: read again once it has finished, before calling it unusable.
        ReadResult read = file ? ReadWhole(file.get(), bytes) : ReadResult::failed;
        for (int attempt = 1; file && read == ReadResult::failed && attempt < kLoadTries; ++attempt) {
            Sleep(kSaveTryPause);
            read = ReadWhole(file.get(), bytes);
        }
        if (read == ReadResult::read) {
            const CsvDecodeResult decoded = DecodeLogCsv(bytes.data(), bytes.size(), log);
            if (decoded.status == CsvStatus::ok && decoded.leftOut != 0) {
                // The rows that can be read are the log; the file as it is
                // holds the lines that cannot, and is kept as a bad one is.
                repaired = true;
                result.leftOut = LeftOutOf(decoded, log.size());
            } else if (decoded.status == CsvStatus::ok) {
                usable = true;
                Synced(log, StampOf(file.get()));
                // A line cut off by a crash, blank lines or a last line
                // without its end: new lines cannot simply follow; the first
                // save writes the file anew.
                if (!decoded.appendable) rewrite_ = true;
            }
        }
    }
    if (usable) {
        result.status = LogLoad::loaded;
        return result;
    }

    if (!repaired) log = MeasurementLog();
    result.status = repaired ? LogLoad::repaired : LogLoad::unusable;
    backupPending_ = true;
    result.backedUp = KeepUnusableFile(result.backupPath);
    if (!result.backedUp) result.backupPath = FirstFreeBackupPath(path_);
    // Set aside, the file's name is free: the first save makes a new file,
    // with every row read (which this copy does not count as in the file).
    if (result.backedUp && !repaired) Synced(log, std::nullopt);
    return result;
}

// Renames the file to the first backup name that is free. A rename is one
// step however large the file, and leaves its bytes as they were. False while
// the file cannot be renamed (another program holds it, the folder refuses).
bool LogFile::KeepUnusableFile(std::wstring& backupPath) {
    if (IsMissing(path_)) {
        // Gone meanwhile: nothing is left to keep.
        backupPending_ = false;
        return false;
    }
    for (int serial = 1; serial <= kMaxLogBackups; ++serial) {
        const std::wstring candidate = BackupLogFilePath(path_, serial);
        if (calls_.MoveNew(path_, candidate)) {
            backupPath = candidate;
            backupPending_ = false;
            return true;
        }
        const DWORD error = GetLastError();
        if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) return false;
    }
    return false;
}

std::wstring PendingLogFilePath(const std::wstring& path) {
    return path + L".new";
}

std::wstring NumberMarkFilePath(const std::wstring& path) {
    return path + L".last";
}

std::wstring BackupLogFilePath(const std::wstring& path, int serial) {
    return serial <= 1 ? path + L".bak" : path + L"." + std::to_wstring(serial) + L".bak";
}

std::wstring UnusableLogText(const LogLoadResult& result, const std::wstring& path) {
    if (result.folder) {
        return L"The file of measurements " + FileName(path) +
               L" cannot be made: a folder of that name is in its place.\n"
               L"The measurements are kept here while Tesmor runs.";
    }
    const std::wstring kept = FileName(result.backupPath);
    std::wstring text = L"The file of measurements " + FileName(path) + L" cannot be read.\n";
    if (result.backedUp) return text + L"It is kept as " + kept + L", and the log starts empty.";
    return text + L"The log starts empty. The file stays as it is until it can be kept as " + kept +
           L"; only then is it written again.";
}

std::wstring RepairedLogText(const LogLoadResult& result, const std::wstring& path) {
    const LogLeftOut& leftOut = result.leftOut;
    const size_t listed = leftOut.lines.size();
    const size_t more = leftOut.count - listed;
    // "Line 5", "Lines 2 and 7", "Lines 2, 3, 4, 5, 6 and 4 more".
    std::wstring lines = leftOut.count == 1 ? L"Line " : L"Lines ";
    for (size_t i = 0; i < listed; ++i) {
        if (i > 0) lines += i + 1 == listed && more == 0 ? L" and " : L", ";
        lines += std::to_wstring(leftOut.lines[i]);
    }
    if (more > 0) lines += L" and " + std::to_wstring(more) + L" more";
    const std::wstring text = lines + L" of the file of measurements " + FileName(path) +
                              (leftOut.count == 1 ? L" cannot be read and is" : L" cannot be read and are") +
                              L" left out of the log.\n";
    std::wstring readings = L"The log starts empty";
    if (leftOut.rows == 1) readings = L"The log holds the 1 reading that could be read";
    if (leftOut.rows > 1) {
        readings = L"The log holds the " + std::to_wstring(leftOut.rows) + L" readings that could be read";
    }
    const std::wstring kept = FileName(result.backupPath);
    if (result.backedUp) return text + readings + L"; the file as it was is kept as " + kept + L".";
    return text + readings + L". The file stays as it is until it can be kept as " + kept +
           L"; only then is it written again.";
}

std::wstring LockedLogText(const std::wstring& path) {
    return L"The file of measurements " + FileName(path) +
           L" is open in another program, which lets nobody read it.\n"
           L"New readings are kept here and added to it as soon as that program lets go of it.";
}

std::wstring LogNotWrittenText(const std::wstring& path) {
    return L"The file of measurements " + FileName(path) +
           L" cannot be written.\nThe measurements are kept here and written at the next change.";
}

std::wstring LogNotSavedToText(const std::wstring& path) {
    return L"The log could not be saved to\n" + path +
           L".\n\nThe file may be open in another program, or the folder may not allow writing.";
}

std::wstring LocalRecordTime() {
    SYSTEMTIME now;
    GetLocalTime(&now);
    return RecordTimeText(now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond);
}
