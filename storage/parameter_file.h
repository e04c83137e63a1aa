#pragma once

#include <windows.h>

#include <string>

#include "model/material_table.h"
#include "ui/unique_handle.h"

// The parameters file beside the executable: read once at start-up, rewritten
// whole at every close. Failures are told in message boxes without an owner
// window, captioned with the panel's title; the program goes on either way.

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

// Fills the table from the file. Without a file the defaults of every column
// are used. A damaged file (a count outside 0..100, or fewer bytes than the
// count needs) is not taken at all: the defaults of 100 materials are used and
// the user is told. Returns whether the table came from the file.
bool LoadParameterFile(const std::wstring& caption, const std::wstring& path, MaterialTable& table);

// The file-system calls a save makes. The program uses the system's own; tests
// put others in their place to make any one of them fail.
class SaveFileCalls {
public:
    virtual ~SaveFileCalls() = default;
    // A new file for writing, created or truncated; INVALID_HANDLE_VALUE on failure.
    virtual HANDLE Create(const std::wstring& path);
    // Writes some of the bytes, at least one on success.
    virtual bool Write(HANDLE file, const unsigned char* bytes, DWORD size, DWORD& written);
    virtual bool Flush(HANDLE file);
    virtual bool Close(HANDLE file);
    // Puts `from` in the place of `to` in one step, replacing it.
    virtual bool Replace(const std::wstring& from, const std::wstring& to);
    virtual bool Remove(const std::wstring& path);
};

// Opens `path` for writing, created or truncated, through `calls`; tells the
// user and returns INVALID_HANDLE_VALUE when that fails. The caller closes the
// file through `calls` too.
HANDLE OpenParameterFileForWriting(const std::wstring& caption, const std::wstring& path,
                                   SaveFileCalls& calls);

// Writes the table. The new content goes to a temporary file beside the old one
// first and replaces it in one step only when every byte has been written and
// flushed, so that a failure at any point keeps the previous file as it was.
// Returns whether the file was written.
bool SaveParameterFile(const std::wstring& caption, const std::wstring& path, const MaterialTable& table);
bool SaveParameterFile(const std::wstring& caption, const std::wstring& path, const MaterialTable& table,
                       SaveFileCalls& calls);

// The temporary file a save writes before it replaces `path`.
std::wstring PendingParameterFilePath(const std::wstring& path);
