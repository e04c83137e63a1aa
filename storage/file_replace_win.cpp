#include "storage/file_replace_win.h"

#include <utility>

bool IsOpenFile(HANDLE file) {
    return file != INVALID_HANDLE_VALUE && file != nullptr;
}

bool IsMissing(const std::wstring& path) {
    if (GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES) return false;
    const DWORD error = GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

bool ReadUpTo(HANDLE file, size_t limit, std::vector<unsigned char>& bytes) {
    bytes.resize(limit);
    size_t total = 0;
    while (total < limit) {
        DWORD got = 0;
        if (!ReadFile(file, bytes.data() + total, static_cast<DWORD>(limit - total), &got, nullptr)) {
            return false;
        }
        if (got == 0) break;
        total += got;
    }
    bytes.resize(total);
    return true;
}

bool WriteAll(SaveFileCalls& calls, HANDLE file, const std::vector<unsigned char>& bytes) {
    size_t total = 0;
    while (total < bytes.size()) {
        DWORD written = 0;
        const DWORD wanted = static_cast<DWORD>(bytes.size() - total);
        // A write that reports no progress would otherwise be repeated forever.
        if (!calls.Write(file, bytes.data() + total, wanted, written) || written == 0 || written > wanted) {
            return false;
        }
        total += written;
    }
    return true;
}

bool PendingFile::Close() {
    if (!valid()) return true;
    HANDLE file = file_;
    file_ = INVALID_HANDLE_VALUE;
    return calls_.Close(file);
}

HANDLE SaveFileCalls::Create(const std::wstring& path) {
    // No sharing: another copy of the program saving at the same moment must not
    // interleave its bytes with ours.
    return CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                       FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
}

HANDLE SaveFileCalls::OpenExisting(const std::wstring& path) {
    return CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                       FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
}

bool SaveFileCalls::Write(HANDLE file, const unsigned char* bytes, DWORD size, DWORD& written) {
    return WriteFile(file, bytes, size, &written, nullptr) != FALSE;
}

bool SaveFileCalls::Truncate(HANDLE file) {
    return SetEndOfFile(file) != FALSE;
}

bool SaveFileCalls::Flush(HANDLE file) {
    return FlushFileBuffers(file) != FALSE;
}

bool SaveFileCalls::Close(HANDLE file) {
    return CloseHandle(file) != FALSE;
}

bool SaveFileCalls::Copy(const std::wstring& from, const std::wstring& to) {
    return CopyFileW(from.c_str(), to.c_str(), FALSE) != FALSE;
}

bool SaveFileCalls::Replace(const std::wstring& from, const std::wstring& to) {
    return MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != FALSE;
}

bool SaveFileCalls::Remove(const std::wstring& path) {
    return DeleteFileW(path.c_str()) != FALSE;
}

FileReplacement::FileReplacement(SaveFileCalls& calls, std::wstring path, std::wstring pending)
    : calls_(calls), path_(std::move(path)), pending_(std::move(pending)), file_(calls, calls.Create(pending_)) {
    made_ = file_.valid();
    if (!made_) Failed(ERROR_OPEN_FAILED);
}

FileReplacement::~FileReplacement() {
    if (!done_) Commit(false);
}

void FileReplacement::Failed(DWORD fallback) {
    if (error_ != 0) return;
    error_ = GetLastError();
    if (error_ == 0) error_ = fallback;
}

bool FileReplacement::Write(const std::vector<unsigned char>& bytes, bool flush) {
    if (!opened()) return false;
    if (!WriteAll(calls_, file_.get(), bytes) || (flush && !calls_.Flush(file_.get()))) {
        Failed(ERROR_WRITE_FAULT);
        return false;
    }
    return true;
}

bool FileReplacement::Commit(bool written) {
    done_ = true;
    if (!made_) return false;
    if (!file_.Close() && written) {
        Failed(ERROR_WRITE_FAULT);
        written = false;
    }
    if (written && !calls_.Replace(pending_, path_)) {
        Failed(ERROR_WRITE_FAULT);
        written = false;
    }
    if (!written) calls_.Remove(pending_);
    return written;
}

DWORD ReplaceFileWith(const std::wstring& path, const std::wstring& pending, const std::vector<unsigned char>& bytes) {
    SaveFileCalls system;
    FileReplacement replacement(system, path, pending);
    if (replacement.Commit(replacement.Write(bytes, true))) return 0;
    return replacement.error() != 0 ? replacement.error() : static_cast<DWORD>(ERROR_WRITE_FAULT);
}
