#include "storage/parameter_file_win.h"

#include <windows.h>

#include <utility>
#include <vector>

#include "storage/parameter_codec.h"

const wchar_t kFileDoesNotOpenText[] =
    L"The file of parameters does not open.\nMaybe it does not exist yet? ---> Will be!";
const wchar_t kFileCannotBeOpenText[] =
    L"The file of parameters cannot be open.\nParameters will not be written.";
const wchar_t kFileDamagedText[] = L"The file of parameters is damaged.\nThe default parameters are used.";
// "Не должно быть!" ("This must not happen!"), the text of the internal checks.
const wchar_t kInternalErrorText[] =
    L"\u041D\u0435 \u0434\u043E\u043B\u0436\u043D\u043E \u0431\u044B\u0442\u044C!";
const wchar_t kReadCountErrorCaption[] = L"void Read.1.(...)";
const wchar_t kReadSelectorErrorCaption[] = L"void Read.2.(...)";
const wchar_t kWriteErrorCaption[] = L"void Write...(...)";

namespace {

void Tell(const wchar_t* text, const std::wstring& caption, UINT icon) {
    MessageBoxW(nullptr, text, caption.c_str(), MB_OK | icon);
}

void TellInternalError(const wchar_t* caption) {
    MessageBoxW(nullptr, kInternalErrorText, caption, MB_OK | MB_ICONERROR);
}

// Reads up to `limit` bytes; false on a read error.
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

// Whether the file now holds exactly these bytes.
bool FileHolds(const std::wstring& path, const std::vector<unsigned char>& expected) {
    UniqueHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    std::vector<unsigned char> bytes;
    return file && ReadUpTo(file.get(), expected.size() + 1, bytes) && bytes == expected;
}

void UseDefaults(MaterialTable& table) {
    table.materialCount = kMaxMaterials;
    table.FillDefaults();
}

}  // namespace

UniqueHandle OpenParameterFileForReading(const std::wstring& caption, const std::wstring& path) {
    UniqueHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!file) Tell(kFileDoesNotOpenText, caption, MB_ICONINFORMATION);
    return file;
}

ParameterFileLoad LoadParameterFile(const std::wstring& caption, const std::wstring& path,
                                    MaterialTable& table, std::vector<unsigned char>* fileBytes) {
    if (fileBytes) fileBytes->clear();
    std::vector<unsigned char> bytes;
    {
        UniqueHandle file = OpenParameterFileForReading(caption, path);
        if (!file) {
            UseDefaults(table);
            return IsMissing(path) ? ParameterFileLoad::missing : ParameterFileLoad::unusable;
        }
        // Anything beyond the largest valid file is never needed, but one byte
        // more shows that there was more: such a file is not what the table
        // encodes to, and the next save makes it so.
        if (!ReadUpTo(file.get(), kMaxParameterFileSize + 1, bytes)) {
            Tell(kFileDamagedText, caption, MB_ICONINFORMATION);
            UseDefaults(table);
            return ParameterFileLoad::unusable;
        }
    }

    DecodeResult result = DecodeParameterFile(bytes.data(), bytes.size(), table);
    switch (result.status) {
    case ColumnStatus::ok:
        // A table of no materials would leave the panel with no number it can
        // take, and the only way back to the defaults would be deleting the file.
        if (table.materialCount > 0) {
            if (fileBytes) *fileBytes = std::move(bytes);
            return ParameterFileLoad::loaded;
        }
        [[fallthrough]];
    case ColumnStatus::damaged:
        Tell(kFileDamagedText, caption, MB_ICONINFORMATION);
        UseDefaults(table);
        return ParameterFileLoad::unusable;
    case ColumnStatus::noCount:
        TellInternalError(kReadCountErrorCaption);
        return ParameterFileLoad::loaded;
    case ColumnStatus::badSelector:
        TellInternalError(kReadSelectorErrorCaption);
        return ParameterFileLoad::loaded;
    }
    return ParameterFileLoad::loaded;
}

bool SaveChangedParameterFile(const std::wstring& caption, const std::wstring& path,
                              const MaterialTable& table, std::vector<unsigned char>& fileBytes,
                              SaveOptions options) {
    EncodeResult encoded = EncodeParameterFile(table);
    if (encoded.status == ColumnStatus::ok && !fileBytes.empty() && encoded.bytes == fileBytes) return true;
    if (!SaveParameterFile(caption, path, table, options)) return false;
    fileBytes = std::move(encoded.bytes);
    return true;
}

std::wstring FinalFilePath(const std::wstring& path) {
    // Opened for no access at all: that is allowed while another program
    // holds the file open sharing nothing.
    UniqueHandle file(CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return path;
    std::wstring resolved(MAX_PATH, L'\0');
    for (;;) {
        const DWORD size = static_cast<DWORD>(resolved.size());
        const DWORD length = GetFinalPathNameByHandleW(file.get(), &resolved[0], size, VOLUME_NAME_DOS);
        if (length == 0) return path;
        if (length < size) {
            resolved.resize(length);
            break;
        }
        resolved.resize(length);
    }
    // The system answers in the form that takes long paths ("\\?\C:\...",
    // "\\?\UNC\server\..."); the usual form serves where it is short enough.
    const std::wstring kLong = L"\\\\?\\";
    const std::wstring kLongUnc = L"\\\\?\\UNC\\";
    std::wstring plain;
    if (resolved.compare(0, kLongUnc.size(), kLongUnc) == 0) {
        plain = L"\\\\" + resolved.substr(kLongUnc.size());
    } else if (resolved.compare(0, kLong.size(), kLong) == 0) {
        plain = resolved.substr(kLong.size());
    } else {
        return resolved;
    }
    return plain.size() < MAX_PATH ? plain : resolved;
}

std::wstring PendingParameterFilePath(const std::wstring& path) {
    return path + L".new";
}

std::wstring BackupParameterFilePath(const std::wstring& path) {
    return path + L".bak";
}

bool SaveParameterFile(const std::wstring& caption, const std::wstring& path, const MaterialTable& table,
                       SaveOptions options) {
    SaveFileCalls system;
    return SaveParameterFile(caption, path, table, system, options);
}

bool SaveParameterFile(const std::wstring& caption, const std::wstring& linkedPath,
                       const MaterialTable& table, SaveFileCalls& calls, SaveOptions options) {
    EncodeResult encoded = EncodeParameterFile(table);
    if (encoded.status != ColumnStatus::ok) {
        // A column with a bad selector is left out, as it always was; a count
        // outside 0..100 cannot be written at all.
        TellInternalError(kWriteErrorCaption);
        if (encoded.status != ColumnStatus::badSelector) return false;
    }

    // Replacing a symbolic link by the new file would cut it off from the
    // file it leads to, which other copies and folders go on reading: the
    // new file is made beside that file, and replaces it.
    const std::wstring path = FinalFilePath(linkedPath);
    // Someone marked the file so that it is not changed. Windows refuses to
    // replace it, but not every file system does (Wine renames over it).
    const DWORD attributes = GetFileAttributesW(path.c_str());
    const bool readOnly = attributes != INVALID_FILE_ATTRIBUTES &&
                          (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0 &&
                          (attributes & FILE_ATTRIBUTE_READONLY) != 0;

    // The old file is copied before anything can touch it, and a copy that
    // fails stops the save: the file stays as the user last had it.
    const bool backedUp = !readOnly && (!options.backUpOldFile || IsMissing(path) ||
                                        calls.Copy(path, BackupParameterFilePath(path)));
    bool written = false;
    if (backedUp) {
        FileReplacement replacement(calls, path, PendingParameterFilePath(path));
        if (replacement.opened()) {
            written = replacement.Commit(replacement.Write(encoded.bytes, true));
        } else {
            // A program folder often lets its own files be written but no file
            // be made: then the file itself is written over, and checked.
            PendingFile file(calls, calls.OpenExisting(path));
            if (file.valid()) {
                written = WriteAll(calls, file.get(), encoded.bytes) && calls.Truncate(file.get()) &&
                          calls.Flush(file.get());
                written = file.Close() && written && FileHolds(path, encoded.bytes);
            }
        }
    }
    if (!written && !options.quiet) Tell(kFileCannotBeOpenText, caption, MB_ICONINFORMATION);
    return written;
}
