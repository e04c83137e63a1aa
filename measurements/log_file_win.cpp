#include "measurements/log_file_win.h"

#include <algorithm>
#include <new>
#include <utility>
#include <vector>

#include "base/unique_handle.h"
#include "measurements/log_codec.h"

namespace {

// True only when nothing is there: a file that is there but cannot be opened
// is not missing.
bool IsMissing(const std::wstring& path) {
    if (GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES) return false;
    const DWORD error = GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
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

ReadResult ReadWhole(HANDLE file, std::vector<unsigned char>& bytes) {
    LARGE_INTEGER size;
    if (!GetFileSizeEx(file, &size)) return ReadResult::failed;
    if (static_cast<unsigned long long>(size.QuadPart) > kMaxLogFileSize) return ReadResult::tooLarge;
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

// Whether two files hold the same bytes; false when either cannot be read.
bool SameContents(const std::wstring& a, const std::wstring& b) {
    UniqueHandle fa = OpenForReading(a);
    UniqueHandle fb = OpenForReading(b);
    if (!fa || !fb) return false;
    std::vector<unsigned char> ba(1 << 16), bb(1 << 16);
    for (;;) {
        // Reads from a disk file give all that was asked for until the end.
        DWORD ga = 0, gb = 0;
        if (!ReadFile(fa.get(), ba.data(), static_cast<DWORD>(ba.size()), &ga, nullptr)) return false;
        if (!ReadFile(fb.get(), bb.data(), static_cast<DWORD>(bb.size()), &gb, nullptr)) return false;
        if (ga != gb || !std::equal(ba.begin(), ba.begin() + ga, bb.begin())) return false;
        if (ga == 0) return true;
    }
}


std::wstring FileName(const std::wstring& path) {
    const size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

// The first backup name not taken, where a copy made later would most likely go.
std::wstring FirstFreeBackupPath(const std::wstring& path) {
    for (int serial = 1; serial <= kMaxLogBackups; ++serial) {
        std::wstring candidate = BackupLogFilePath(path, serial);
        if (IsMissing(candidate)) return candidate;
    }
    return BackupLogFilePath(path, 1);
}

}  // namespace

bool LogFileCalls::CopyNew(const std::wstring& from, const std::wstring& to) {
    return CopyFileW(from.c_str(), to.c_str(), TRUE) != FALSE;
}

LogFile::LogFile(std::wstring path) : path_(std::move(path)), calls_(ownCalls_) {}

LogFile::LogFile(std::wstring path, LogFileCalls& calls) : path_(std::move(path)), calls_(calls) {}

LogLoadResult LogFile::Load(MeasurementLog& log) {
    log.Clear();
    backupPending_ = false;
    failing_ = false;
    LogLoadResult result;

    bool usable = false;
    {
        UniqueHandle file = OpenForReading(path_);
        if (!file && IsMissing(path_)) {
            result.status = LogLoad::missing;
            return result;
        }
        std::vector<unsigned char> bytes;
        if (file && ReadWhole(file.get(), bytes) == ReadResult::read) {
            usable = DecodeLogCsv(bytes.data(), bytes.size(), log).status == CsvStatus::ok;
        }
    }
    if (usable) {
        result.status = LogLoad::loaded;
        return result;
    }

    log.Clear();
    result.status = LogLoad::unusable;
    backupPending_ = true;
    result.backedUp = KeepUnusableFile(result.backupPath);
    if (!result.backedUp) result.backupPath = FirstFreeBackupPath(path_);
    return result;
}

// Copies the file to the first backup name that is free, or finds it kept
// already under one that is taken. False while the file cannot be copied.
bool LogFile::KeepUnusableFile(std::wstring& backupPath) {
    if (IsMissing(path_)) {
        // Gone meanwhile: nothing is left to keep.
        backupPending_ = false;
        return false;
    }
    for (int serial = 1; serial <= kMaxLogBackups; ++serial) {
        const std::wstring candidate = BackupLogFilePath(path_, serial);
        if (calls_.CopyNew(path_, candidate)) {
            backupPath = candidate;
            backupPending_ = false;
            return true;
        }
        const DWORD error = GetLastError();
        if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) return false;
        if (SameContents(path_, candidate)) {
            backupPath = candidate;
            backupPending_ = false;
            return true;
        }
    }
    return false;
}

bool LogFile::Write(const MeasurementLog& log, bool flushToDisk) {
    if (backupPending_) {
        std::wstring backupPath;
        KeepUnusableFile(backupPath);
        if (backupPending_) return false;
    }
    std::vector<unsigned char> bytes;
    try {
        bytes = EncodeLogCsv(log);
    } catch (const std::bad_alloc&) {
        return false;
    }

    const std::wstring pending = PendingLogFilePath(path_);
    PendingFile file(calls_, calls_.Create(pending));
    if (!file.valid()) return false;
    bool written = WriteAll(calls_, file.get(), bytes) && (!flushToDisk || calls_.Flush(file.get()));
    written = file.Close() && written;
    if (written) written = calls_.Replace(pending, path_);
    if (!written) calls_.Remove(pending);
    return written;
}

LogSave LogFile::Save(const MeasurementLog& log, bool flushToDisk) {
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

std::wstring PendingLogFilePath(const std::wstring& path) {
    return path + L".new";
}

std::wstring BackupLogFilePath(const std::wstring& path, int serial) {
    return serial <= 1 ? path + L".bak" : path + L"." + std::to_wstring(serial) + L".bak";
}

std::wstring UnusableLogText(const LogLoadResult& result, const std::wstring& path) {
    const std::wstring kept = FileName(result.backupPath);
    std::wstring text = L"The file of measurements " + FileName(path) + L" cannot be read.\n";
    if (result.backedUp) return text + L"It is kept as " + kept + L", and the log starts empty.";
    return text + L"The log starts empty. The file stays as it is until it can be kept as " + kept +
           L"; only then is it written again.";
}

std::wstring LogNotWrittenText(const std::wstring& path) {
    return L"The file of measurements " + FileName(path) +
           L" cannot be written.\nThe measurements are kept here and written at the next change.";
}

std::wstring LocalRecordTime() {
    SYSTEMTIME now;
    GetLocalTime(&now);
    return RecordTimeText(now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond);
}
