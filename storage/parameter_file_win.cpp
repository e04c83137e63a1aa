#include "storage/parameter_file_win.h"

#include <windows.h>

#include <utility>
#include <vector>

#include "storage/file_replace_win.h"
#include "storage/parameter_codec.h"

namespace {

// Whether the file now holds exactly these bytes.
bool FileHolds(const std::wstring& path, const std::vector<unsigned char>& expected) {
    UniqueHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    std::vector<unsigned char> bytes;
    return file && ReadUpTo(file.get(), expected.size() + 1, bytes) && bytes == expected;
}

}  // namespace

UniqueHandle OpenParameterFileForReading(const std::wstring& path) {
    return UniqueHandle(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
}

ParameterFileRead ReadParameterFile(const std::wstring& path, MaterialTable& table,
                                    std::vector<unsigned char>* fileBytes) {
    if (fileBytes) fileBytes->clear();
    std::vector<unsigned char> bytes;
    {
        UniqueHandle file = OpenParameterFileForReading(path);
        if (!file) {
            table.UseDefaults();
            return {IsMissing(path) ? ParameterFileLoad::missing : ParameterFileLoad::unusable,
                    ParameterFileNotice::doesNotOpen};
        }
        // Anything beyond the largest valid file is never needed, but one byte
        // more shows that there was more: such a file is not what the table
        // encodes to, and the next save makes it so.
        if (!ReadUpTo(file.get(), kMaxParameterFileSize + 1, bytes)) {
            table.UseDefaults();
            return {ParameterFileLoad::unusable, ParameterFileNotice::damaged};
        }
    }

    DecodeResult result = DecodeParameterFile(bytes.data(), bytes.size(), table);
    switch (result.status) {
    case ColumnStatus::ok:
        // A table of no materials would leave the panel with no number it can
        // take, and the only way back to the defaults would be deleting the file.
        if (table.materialCount > 0) {
            if (fileBytes) *fileBytes = std::move(bytes);
            return {ParameterFileLoad::loaded, ParameterFileNotice::none};
        }
        [[fallthrough]];
    case ColumnStatus::damaged:
        table.UseDefaults();
        return {ParameterFileLoad::unusable, ParameterFileNotice::damaged};
    case ColumnStatus::noCount:
        return {ParameterFileLoad::loaded, ParameterFileNotice::countUnreadable};
    case ColumnStatus::badSelector:
        return {ParameterFileLoad::loaded, ParameterFileNotice::selectorUnknown};
    }
    return {ParameterFileLoad::loaded, ParameterFileNotice::none};
}

ParameterFileWrite WriteChangedParameterFile(const std::wstring& path, const MaterialTable& table,
                                             std::vector<unsigned char>& fileBytes, bool backUpOldFile) {
    EncodeResult encoded = EncodeParameterFile(table);
    if (encoded.status == ColumnStatus::ok && !fileBytes.empty() && encoded.bytes == fileBytes) {
        return {false, true};
    }
    SaveFileCalls system;
    const ParameterFileWrite write = WriteParameterFile(path, table, system, backUpOldFile);
    if (write.written) fileBytes = std::move(encoded.bytes);
    return write;
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

ParameterFileWrite WriteParameterFile(const std::wstring& linkedPath, const MaterialTable& table,
                                      SaveFileCalls& calls, bool backUpOldFile) {
    ParameterFileWrite result;
    EncodeResult encoded = EncodeParameterFile(table);
    if (encoded.status != ColumnStatus::ok) {
        // A column with a bad selector is left out, as it always was; a count
        // outside 0..100 cannot be written at all.
        result.internalError = true;
        if (encoded.status != ColumnStatus::badSelector) return result;
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
    const bool backedUp = !readOnly && (!backUpOldFile || IsMissing(path) ||
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
    result.written = written;
    return result;
}
