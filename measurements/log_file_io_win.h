#pragma once

// What the log file's reading and saving share: the opening and reading of a
// file another program may hold, the mark beside it, the turn copies of the
// program take, and the lines a decoding left out. Used by log_file_win.cpp
// and log_file_load_win.cpp only.

#include <windows.h>

#include <string>
#include <vector>

#include "base/unique_handle.h"
#include "measurements/log_codec.h"
#include "measurements/log_file_win.h"

namespace log_file_io {

// A file another program holds is tried this often, this far apart, at the
// load: a spreadsheet that saves the file holds it for a moment only.
inline constexpr int kLoadTries = 10;
inline constexpr DWORD kLoadTryPause = 100;  // ms
// An append or a merge that finds the file held by another copy of the
// program, which holds it for a millisecond or two, waits as long at most.
inline constexpr int kSaveTries = 5;
inline constexpr DWORD kSaveTryPause = 10;  // ms

bool IsHeldElsewhere(DWORD error);
bool IsFolder(const std::wstring& path);

// Opened for reading even while another program has it open for writing, as
// a spreadsheet keeps a file it shows: what matters is whether its bytes make
// a log. A program that shares nothing keeps it from us.
UniqueHandle OpenForReading(const std::wstring& path);

enum class ReadResult { read, failed, tooLarge };

// The whole file from its start, whatever its file pointer.
ReadResult ReadWhole(HANDLE file, std::vector<unsigned char>& bytes);

std::wstring FileName(const std::wstring& path);
std::wstring FolderOf(const std::wstring& path);

// The mark beside the log: a few bytes. Anything larger is no mark.
int ReadNumberMark(const std::wstring& path);

LogLeftOut LeftOutOf(const CsvDecodeResult& decoded, size_t rows);

// Copies of the program saving to one file take turns: from the check of the
// file's stamp to the end of the append or the rewrite, one at a time. (The
// sharing mode alone cannot hold the file through a rewrite, which must close
// it before the new file takes its place.) The name comes from the path as
// the system completes it, case folded; a file reached by two spellings is
// kept from two copies by the program's start instead.
std::wstring SaveMutexName(const std::wstring& path);

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

}  // namespace log_file_io
