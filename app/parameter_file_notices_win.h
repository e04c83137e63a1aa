#pragma once

#include <string>
#include <vector>

#include "model/material_table.h"
#include "storage/parameter_file_win.h"

// The parameters file as the program uses it: storage reads and writes it and
// says what happened; these tell the user, in message boxes without an owner
// window (the panel may be gone by the time a save fails), captioned with the
// panel's title, and the program goes on either way.

extern const wchar_t kFileDoesNotOpenText[];
extern const wchar_t kFileCannotBeOpenText[];
extern const wchar_t kFileDamagedText[];
extern const wchar_t kInternalErrorText[];
extern const wchar_t kReadCountErrorCaption[];
extern const wchar_t kReadSelectorErrorCaption[];
extern const wchar_t kWriteErrorCaption[];

struct SaveOptions {
    // Keep the file being replaced as its backup (BackupParameterFilePath),
    // replacing an older backup; without that copy nothing is replaced.
    bool backUpOldFile = false;
    // Say nothing of a file that could not be written, for a save at the end
    // of the session.
    bool quiet = false;
};

// ReadParameterFile, and the one box it calls for.
ParameterFileLoad LoadParameterFile(const std::wstring& caption, const std::wstring& path,
                                    MaterialTable& table, std::vector<unsigned char>* fileBytes = nullptr);

// WriteParameterFile, and its boxes: an internal error first, then a file that
// could not be written (unless quiet). Returns whether the file was written.
bool SaveParameterFile(const std::wstring& caption, const std::wstring& path, const MaterialTable& table,
                       SaveOptions options = {});
bool SaveParameterFile(const std::wstring& caption, const std::wstring& path, const MaterialTable& table,
                       SaveFileCalls& calls, SaveOptions options = {});

// WriteChangedParameterFile, told as SaveParameterFile tells a save. Returns
// true when the file holds the table: unchanged, or written now.
bool SaveChangedParameterFile(const std::wstring& caption, const std::wstring& path,
                              const MaterialTable& table, std::vector<unsigned char>& fileBytes,
                              SaveOptions options = {});
