#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "base/unique_handle.h"
#include "model/material_table.h"
#include "storage/file_replace_win.h"

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
