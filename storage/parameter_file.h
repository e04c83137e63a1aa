#pragma once

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

// Opens `path` for writing, created or truncated; tells the user and returns an
// invalid handle when that fails.
UniqueHandle OpenParameterFileForWriting(const std::wstring& caption, const std::wstring& path);

// Fills the table from the file. Without a file the defaults of every column
// are used. A damaged file (a count outside 0..100, or fewer bytes than the
// count needs) is not taken at all: the defaults of 100 materials are used and
// the user is told. Returns whether the table came from the file.
bool LoadParameterFile(const std::wstring& caption, const std::wstring& path, MaterialTable& table);

// Writes the table. The new content goes to a temporary file beside the old one
// first and replaces it in one step only when every byte has been written and
// flushed, so that a failure at any point keeps the previous file as it was.
// Returns whether the file was written.
bool SaveParameterFile(const std::wstring& caption, const std::wstring& path, const MaterialTable& table);

// The temporary file a save writes before it replaces `path`.
std::wstring PendingParameterFilePath(const std::wstring& path);
