#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "base/unique_handle.h"
#include "storage/file_replace_win.h"
#include "model/material_table.h"

// The parameters file beside the executable: read once at start-up, rewritten
// whole at a close that finds the table changed. Failures are told in message
// boxes without an owner window, captioned with the panel's title; the program
// goes on either way.

extern const wchar_t kFileDoesNotOpenText[];
extern const wchar_t kFileCannotBeOpenText[];
extern const wchar_t kFileDamagedText[];
extern const wchar_t kInternalErrorText[];
extern const wchar_t kReadCountErrorCaption[];
extern const wchar_t kReadSelectorErrorCaption[];
extern const wchar_t kWriteErrorCaption[];

// Opens an existing file for reading; tells the user and returns an invalid
// handle when it does not open.
UniqueHandle OpenParameterFileForReading(const std::wstring& caption, const std::wstring& path);

// What a load found, and so what the next save must look after.
enum class ParameterFileLoad {
    loaded,    // the table is the file's
    missing,   // no file yet: the defaults, and the save makes the file
    unusable,  // a file that could not be read or is damaged: the defaults,
               // and the save that first replaces it keeps it as a backup
};

// Fills the table from the file. Without a file the defaults of every column
// are used. A file that does not open (held by another program, not a file)
// or is damaged (a count outside 1..100, or fewer bytes than the count needs)
// is not taken at all: the defaults of 100 materials are used and the user is
// told. `fileBytes`, when given, receives the bytes of a file that was taken
// (SaveChangedParameterFile compares the table with them), and is emptied
// otherwise.
ParameterFileLoad LoadParameterFile(const std::wstring& caption, const std::wstring& path,
                                    MaterialTable& table, std::vector<unsigned char>* fileBytes = nullptr);

struct SaveOptions {
    // Keep the file being replaced as its backup (BackupParameterFilePath),
    // replacing an older backup; without that copy nothing is replaced.
    bool backUpOldFile = false;
    // Tell the user nothing, for a save at the end of the session.
    bool quiet = false;
};

// Writes the table. The new content goes to a temporary file beside the old one
// first and replaces it in one step only when every byte has been written and
// flushed, so that a failure at any point keeps the previous file as it was.
// In a folder that refuses new files the file itself is written over, when it
// can be opened for writing, and read back to check it. A path that is a
// symbolic link (or a junction's) is saved where it leads, so the link stays a
// link. A file marked read-only is not written. A save that fails tells the
// user (unless quiet). Returns whether the file was written.
bool SaveParameterFile(const std::wstring& caption, const std::wstring& path, const MaterialTable& table,
                       SaveOptions options = {});
bool SaveParameterFile(const std::wstring& caption, const std::wstring& path, const MaterialTable& table,
                       SaveFileCalls& calls, SaveOptions options = {});

// The save at a close: writes the table only when it no longer encodes to
// `fileBytes`, the bytes the file held when it was read (LoadParameterFile) or
// last written here, and then makes them the table's. A table nobody changed
// is left alone: another copy's edit, a read-only file and a file that may
// not be written stay as they are, and nothing is told. With no bytes (no
// file at start, or one that could not be used) the table is always written.
// Returns true when the file holds the table: unchanged, or written now.
bool SaveChangedParameterFile(const std::wstring& caption, const std::wstring& path,
                              const MaterialTable& table, std::vector<unsigned char>& fileBytes,
                              SaveOptions options = {});

// The path of the file that `path` names, with every symbolic link and
// junction on the way followed, as the system reports it; `path` itself when
// it names no file that can be opened.
std::wstring FinalFilePath(const std::wstring& path);

// The temporary file a save writes before it replaces `path`.
std::wstring PendingParameterFilePath(const std::wstring& path);
// Where a file that could not be used at start is kept when a save replaces it.
std::wstring BackupParameterFilePath(const std::wstring& path);
