#include "measurements/log_file_win.h"

#include <algorithm>
#include <new>
#include <utility>
#include <vector>

#include "base/unique_handle.h"
#include "measurements/log_codec.h"

namespace {

// A file another program holds is tried this often, this far apart, at the
// load: a spreadsheet that saves the file holds it for a moment only.
constexpr int kLoadTries = 10;
constexpr DWORD kLoadTryPause = 100;  // ms
// An append or a merge that finds the file held by another copy of the
// program, which holds it for a millisecond or two, waits as long at most.
constexpr int kSaveTries = 5;
constexpr DWORD kSaveTryPause = 10;  // ms

bool IsHeldElsewhere(DWORD error) {
    return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION;
}

// True only when nothing is there: a file that is there but cannot be opened
// is not missing.
bool IsMissing(const std::wstring& path) {
    if (GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES) return false;
    const DWORD error = GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

bool IsFolder(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// Opened for reading even while another program has it open for writing, as
// a spreadsheet keeps a file it shows: what matters is whether its bytes make
// a log. A program that shares nothing keeps it from us.
UniqueHandle OpenForReading(const std::wstring& path) {
    return UniqueHandle(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN,
                                    nullptr));
}

enum class ReadResult { read, failed, tooLarge };

// The whole file from its start, whatever its file pointer.
ReadResult ReadWhole(HANDLE file, std::vector<unsigned char>& bytes) {
    LARGE_INTEGER size;
    if (!GetFileSizeEx(file, &size)) return ReadResult::failed;
    if (static_cast<unsigned long long>(size.QuadPart) > MeasurementLog::kMaxFileSize) return ReadResult::tooLarge;
    LARGE_INTEGER start{};
    if (!SetFilePointerEx(file, start, nullptr, FILE_BEGIN)) return ReadResult::failed;
    try {
        bytes.resize(static_cast<size_t>(size.QuadPart));
    } catch (const std::bad_alloc&) {
        return ReadResult::tooLarge;
    }
    size_t total = 0;
    while (total < bytes.size()) {
        DWORD got = 0;
        if (!ReadFile(file, bytes.data() + total, static_cast<DWORD>(bytes.size() - total), &got, nullptr)) {
            return ReadResult::failed;
        }
        if (got == 0) break;  // shortened meanwhile
        total += got;
    }
    // Grown meanwhile: the file is being written, and what was read is no log.
    unsigned char extra;
    DWORD got = 0;
    if (total < bytes.size() || (ReadFile(file, &extra, 1, &got, nullptr) && got != 0))
        return ReadResult::failed;
    return ReadResult::read;
}

std::wstring FileName(const std::wstring& path) {
    const size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

std::wstring FolderOf(const std::wstring& path) {
    const size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash);
}

// The first backup name not taken, where a backup made later would most likely go.
std::wstring FirstFreeBackupPath(const std::wstring& path) {
    for (int serial = 1; serial <= kMaxLogBackups; ++serial) {
        std::wstring candidate = BackupLogFilePath(path, serial);
        if (IsMissing(candidate)) return candidate;
    }
    return BackupLogFilePath(path, 1);
}

// The mark beside the log: a few bytes. Anything larger is no mark.
int ReadNumberMark(const std::wstring& path) {
    UniqueHandle file = OpenForReading(path);
    if (!file) return -1;
    unsigned char bytes[64];
    DWORD got = 0;
    if (!ReadFile(file.get(), bytes, sizeof bytes, &got, nullptr) || got == sizeof bytes) return -1;
    return DecodeNumberMark(bytes, got);
}

LogLeftOut LeftOutOf(const CsvDecodeResult& decoded, size_t rows) {
    LogLeftOut leftOut;
    leftOut.count = decoded.leftOut;
    leftOut.lines.assign(decoded.leftOutLines, decoded.leftOutLines + decoded.listedLines());
    leftOut.rows = rows;
    return leftOut;
}

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
    const std::wstring pending = PendingLogFilePath(path);
    PendingFile file(calls, calls.Create(pending));
    if (!file.valid()) return false;
    bool written = WriteAll(calls, file.get(), bytes) && (!flushToDisk || calls.Flush(file.get()));
    if (written && stamp) *stamp = StampOf(file.get());
    written = file.Close() && written;
    if (old && IsOpenFile(*old)) {
        // Only read: whatever its closing reports, nothing of it is lost.
        CloseHandle(*old);
        *old = INVALID_HANDLE_VALUE;
    }
    if (written) written = calls.Replace(pending, path);
    if (!written) calls.Remove(pending);
    return written;
}

// Copies of the program saving to one file take turns: from the check of the
// file's stamp to the end of the append or the rewrite, one at a time. (The
// sharing mode alone cannot hold the file through a rewrite, which must close
// it before the new file takes its place.) The name comes from the path as
// the system completes it, case folded; a file reached by two spellings is
// kept from two copies by the program's start instead.
std::wstring SaveMutexName(const std::wstring& path) {
    wchar_t full[MAX_PATH * 2];
    const DWORD length = GetFullPathNameW(path.c_str(), MAX_PATH * 2, full, nullptr);
    std::wstring name = length > 0 && length < MAX_PATH * 2 ? std::wstring(full, length) : path;
    CharUpperBuffW(&name[0], static_cast<DWORD>(name.size()));
    std::uint64_t hash = 0xCBF29CE484222325ull;
    for (wchar_t c : name) {
        hash ^= static_cast<std::uint64_t>(c);
        hash *= 0x100000001B3ull;
    }
    wchar_t text[64];
    swprintf(text, 64, L"Local\\Tesmor log %016llx", static_cast<unsigned long long>(hash));
    return text;
}

class SaveTurn {
public:
    explicit SaveTurn(HANDLE mutex) : mutex_(mutex) {
        // A copy that died in its turn leaves the mutex abandoned: the file is
        // then as a killed save leaves it, which the save reads like any other.
        held_ = mutex_ && WaitForSingleObject(mutex_, kTurnWait) != WAIT_TIMEOUT;
    }
    ~SaveTurn() {
        if (held_) ReleaseMutex(mutex_);
    }
    SaveTurn(const SaveTurn&) = delete;
    SaveTurn& operator=(const SaveTurn&) = delete;

private:
    static constexpr DWORD kTurnWait = 2000;  // ms
    HANDLE mutex_;
    bool held_ = false;
};

}  // namespace

bool operator==(const FileStamp& a, const FileStamp& b) {
    return a.volume == b.volume && a.indexHigh == b.indexHigh && a.indexLow == b.indexLow && a.size == b.size &&
           a.lastWrite.dwLowDateTime == b.lastWrite.dwLowDateTime &&
           a.lastWrite.dwHighDateTime == b.lastWrite.dwHighDateTime;
}

std::optional<FileStamp> StampOf(HANDLE file) {
    BY_HANDLE_FILE_INFORMATION info;
    if (!GetFileInformationByHandle(file, &info)) return std::nullopt;
    FileStamp stamp;
    stamp.volume = info.dwVolumeSerialNumber;
    stamp.indexHigh = info.nFileIndexHigh;
    stamp.indexLow = info.nFileIndexLow;
    stamp.size = (static_cast<ULONGLONG>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
    stamp.lastWrite = info.ftLastWriteTime;
    return stamp;
}

std::optional<FileStamp> StampOf(HANDLE file, DWORD volume) {
    // GetFileInformationByHandle asks for the volume's serial number as well,
    // and Wine answers that slowly: more than half a millisecond, twice at
    // every reading recorded. The file's index is asked for alone here.
    struct IoStatus {
        ULONG_PTR status;
        ULONG_PTR information;
    };
    using QueryFile = LONG(WINAPI*)(HANDLE, IoStatus*, void*, ULONG, int);
    constexpr int kFileInternalInformation = 6;
    static const QueryFile query = [] {
        HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
        return ntdll ? reinterpret_cast<QueryFile>(
                           reinterpret_cast<void*>(GetProcAddress(ntdll, "NtQueryInformationFile")))
                     : nullptr;
    }();
    IoStatus io{};
    LARGE_INTEGER index{};
    FILE_STANDARD_INFO standard{};
    FILE_BASIC_INFO basic{};
    if (!query || query(file, &io, &index, sizeof index, kFileInternalInformation) < 0 ||
        !GetFileInformationByHandleEx(file, FileStandardInfo, &standard, sizeof standard) ||
        !GetFileInformationByHandleEx(file, FileBasicInfo, &basic, sizeof basic)) {
        return StampOf(file);
    }
    FileStamp stamp;
    stamp.volume = volume;
    stamp.indexHigh = static_cast<DWORD>(static_cast<ULONGLONG>(index.QuadPart) >> 32);
    stamp.indexLow = static_cast<DWORD>(index.QuadPart);
    stamp.size = static_cast<ULONGLONG>(standard.EndOfFile.QuadPart);
    stamp.lastWrite.dwLowDateTime = static_cast<DWORD>(basic.LastWriteTime.QuadPart);
    stamp.lastWrite.dwHighDateTime = static_cast<DWORD>(static_cast<ULONGLONG>(basic.LastWriteTime.QuadPart) >> 32);
    return stamp;
}

HANDLE LogFileCalls::OpenShared(const std::wstring& path) {
    return CreateFileW(path.c_str(), GENERIC_READ | FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                       OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
}

bool LogFileCalls::MoveNew(const std::wstring& from, const std::wstring& to) {
    return MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_WRITE_THROUGH) != FALSE;
}

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
    const std::wstring pending = PendingLogFilePath(mark);
    bool written;
    {
        PendingFile file(calls_, calls_.Create(pending));
        written = file.valid() && WriteAll(calls_, file.get(), EncodeNumberMark(log.HighestNumber())) &&
                  (!flushToDisk || calls_.Flush(file.get()));
        written = file.Close() && written;
    }
    if (written) written = calls_.Replace(pending, mark);
    if (!written) {
        calls_.Remove(pending);
        return;
    }
    markOnDisk_ = log.HighestNumber();
    knownHighest_ = std::max(knownHighest_, markOnDisk_);
}

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
