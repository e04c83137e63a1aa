#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "base/unique_handle.h"
#include "model/material_table.h"

// The parameters file beside the executable: read once at start-up, rewritten
// whole at a close that finds the table changed. Nothing here shows anything:
// a load or a save returns what it found, and the caller tells the user
// (app/parameter_file_notices_win.h); the program goes on either way.

// Opens an existing file for reading; an invalid handle when it does not open.
UniqueHandle OpenParameterFileForReading(const std::wstring& path);

// What a load found, and so what the next save must look after.
enum class ParameterFileLoad {
    loaded,    // the table is the file's
    missing,   // no file yet: the defaults, and the save makes the file
    unusable,  // a file that could not be read or is damaged: the defaults,
               // and the save that first replaces it keeps it as a backup
};

// What the user is to hear of a load: at most one thing.
enum class ParameterFileNotice {
    none,
    doesNotOpen,        // no file, or one held by another program
    damaged,            // the defaults are used instead
    countUnreadable,    // an internal check of the codec failed on the count
    selectorUnknown,    // an internal check of the codec failed on a column
};

struct ParameterFileRead {
    ParameterFileLoad load = ParameterFileLoad::loaded;
    ParameterFileNotice notice = ParameterFileNotice::none;
};

// Fills the table from the file. Without a file the defaults of every column
// are used. A file that does not open (held by another program, not a file)
// or is damaged (a count outside 1..100, or fewer bytes than the count needs)
// is not taken at all: the defaults of 100 materials are used, and the notice
// says why. `fileBytes`, when given, receives the bytes of a file that was
// taken (WriteChangedParameterFile compares the table with them), and is
// emptied otherwise.
ParameterFileRead ReadParameterFile(const std::wstring& path, MaterialTable& table,
                                    std::vector<unsigned char>* fileBytes = nullptr);

// The file-system calls a save makes. The program uses the system's own; tests
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

// The file a save writes into: a new temporary file beside `path` (inPlace
// false), or `path` itself opened for writing when the folder refuses new files
// (inPlace true); `file` is INVALID_HANDLE_VALUE when neither opens. The caller
// closes it through `calls`.
struct ParameterFileTarget {
    HANDLE file = INVALID_HANDLE_VALUE;
    bool inPlace = false;
};
ParameterFileTarget OpenParameterFileForWriting(const std::wstring& path, SaveFileCalls& calls);

// What a save did, and what the user is to hear of it, in this order.
struct ParameterFileWrite {
    // A table the codec could not encode whole (a column with a bad selector
    // is left out, a count outside 0..100 stops the save).
    bool internalError = false;
    bool written = false;
};

// Writes the table. The new content goes to a temporary file beside the old
// one first and replaces it in one step only when every byte has been written
// and flushed, so that a failure at any point keeps the previous file as it
// was. In a folder that refuses new files the file itself is written over,
// when it can be opened for writing, and read back to check it. A path that is
// a symbolic link (or a junction's) is saved where it leads, so the link stays
// a link. A file marked read-only is not written. With backUpOldFile the file
// being replaced is first copied to its backup (BackupParameterFilePath),
// replacing an older backup; without that copy nothing is replaced.
ParameterFileWrite WriteParameterFile(const std::wstring& path, const MaterialTable& table, SaveFileCalls& calls,
                                      bool backUpOldFile);

// The save at a close: writes the table only when it no longer encodes to
// `fileBytes`, the bytes the file held when it was read (ReadParameterFile) or
// last written here, and then makes them the table's. A table nobody changed
// is left alone: another copy's edit, a read-only file and a file that may
// not be written stay as they are, and nothing is to be told. With no bytes (no
// file at start, or one that could not be used) the table is always written.
// `written` is true when the file holds the table: unchanged, or written now.
ParameterFileWrite WriteChangedParameterFile(const std::wstring& path, const MaterialTable& table,
                                             std::vector<unsigned char>& fileBytes, bool backUpOldFile);

// The path of the file that `path` names, with every symbolic link and
// junction on the way followed, as the system reports it; `path` itself when
// it names no file that can be opened.
std::wstring FinalFilePath(const std::wstring& path);

// The temporary file a save writes before it replaces `path`.
std::wstring PendingParameterFilePath(const std::wstring& path);
// Where a file that could not be used at start is kept when a save replaces it.
std::wstring BackupParameterFilePath(const std::wstring& path);
