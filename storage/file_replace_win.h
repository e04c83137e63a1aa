#pragma once

#include <windows.h>

#include <string>
#include <vector>

// Files written whole and put in the place of the old one in one step: the
// parameters file, the measurement log and its mark, an exported picture.
// Whatever fails, the old file stays as it was and nothing is left beside it.

// The file-system calls of a save. The program uses the system's own; tests
// put others in their place to make any one of them fail.
class SaveFileCalls {
public:
    virtual ~SaveFileCalls() = default;
    // A new file for writing, created or truncated; INVALID_HANDLE_VALUE on failure.
    virtual HANDLE Create(const std::wstring& path);
    // An existing file opened for writing over its bytes; INVALID_HANDLE_VALUE on failure.
    virtual HANDLE OpenExisting(const std::wstring& path);
    // Writes some of the bytes, at least one on success.
    virtual bool Write(HANDLE file, const unsigned char* bytes, DWORD size, DWORD& written);
    // Ends the file where the last write ended.
    virtual bool Truncate(HANDLE file);
    virtual bool Flush(HANDLE file);
    virtual bool Close(HANDLE file);
    // Copies `from` to `to`, replacing `to`.
    virtual bool Copy(const std::wstring& from, const std::wstring& to);
    // Puts `from` in the place of `to` in one step, replacing it.
    virtual bool Replace(const std::wstring& from, const std::wstring& to);
    virtual bool Remove(const std::wstring& path);
};

// Whether a handle that SaveFileCalls gave back is open.
bool IsOpenFile(HANDLE file);

// Writes all the bytes through `calls`, however many calls it takes; false on
// a failure or a write that reports no progress.
bool WriteAll(SaveFileCalls& calls, HANDLE file, const std::vector<unsigned char>& bytes);

// Reads up to `limit` bytes from the file's position; false on a read error.
bool ReadUpTo(HANDLE file, size_t limit, std::vector<unsigned char>& bytes);

// True only when nothing is there: a file that is there but cannot be opened
// is not missing.
bool IsMissing(const std::wstring& path);

// A file being written through `calls`, closed on every way out of a save.
class PendingFile {
public:
    PendingFile(SaveFileCalls& calls, HANDLE file) : calls_(calls), file_(file) {}
    ~PendingFile() { Close(); }
    PendingFile(const PendingFile&) = delete;
    PendingFile& operator=(const PendingFile&) = delete;

    bool valid() const { return IsOpenFile(file_); }
    HANDLE get() const { return file_; }

    // False when the system reports an error on closing, which for a file being
    // written can mean that data did not reach it.
    bool Close();

private:
    SaveFileCalls& calls_;
    HANDLE file_;
};

// The new content of `path`, written to the temporary file `pending` beside
// it (made new, shared with nobody) and put in its place only when every byte
// has been written, flushed as asked and the file closed without an error:
// Create, Write..., Flush, Close, then Replace, through `calls`. A failure at
// any point removes the temporary file; the old one stays whole.
class FileReplacement {
public:
    FileReplacement(SaveFileCalls& calls, std::wstring path, std::wstring pending);
    ~FileReplacement();
    FileReplacement(const FileReplacement&) = delete;
    FileReplacement& operator=(const FileReplacement&) = delete;

    // Whether the temporary file could be made.
    bool opened() const { return file_.valid(); }
    HANDLE file() const { return file_.get(); }

    // Writes the bytes, and flushes them through to the disk when `flush`.
    bool Write(const std::vector<unsigned char>& bytes, bool flush);
    // Closes the temporary file and, when `written` (the writes went well),
    // puts it in the place of the path. False, with the temporary file removed,
    // when anything failed.
    bool Commit(bool written);

    // The system's error code for the first failure; 0 while none failed.
    DWORD error() const { return error_; }

private:
    void Failed(DWORD fallback);

    SaveFileCalls& calls_;
    std::wstring path_;
    std::wstring pending_;
    PendingFile file_;
    bool made_ = false;
    bool done_ = false;
    DWORD error_ = 0;
};

// `bytes` as the whole new content of `path`, through `pending` as
// FileReplacement writes it, flushed to the disk. 0 when the file holds them,
// else the system's error code of the failure.
DWORD ReplaceFileWith(const std::wstring& path, const std::wstring& pending, const std::vector<unsigned char>& bytes);
