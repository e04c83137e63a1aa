#include "storage/parameter_file.h"

#include <windows.h>

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

bool WriteAll(HANDLE file, const std::vector<unsigned char>& bytes) {
    size_t total = 0;
    while (total < bytes.size()) {
        DWORD written = 0;
        if (!WriteFile(file, bytes.data() + total, static_cast<DWORD>(bytes.size() - total), &written,
                       nullptr) ||
            written == 0) {
            return false;
        }
        total += written;
    }
    return true;
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

UniqueHandle OpenParameterFileForWriting(const std::wstring& caption, const std::wstring& path) {
    // No sharing: another copy of the program saving at the same moment must not
    // interleave its bytes with ours.
    UniqueHandle file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!file) Tell(kFileCannotBeOpenText, caption, MB_ICONINFORMATION);
    return file;
}

bool LoadParameterFile(const std::wstring& caption, const std::wstring& path, MaterialTable& table) {
    std::vector<unsigned char> bytes;
    {
        UniqueHandle file = OpenParameterFileForReading(caption, path);
        if (!file) {
            UseDefaults(table);
            return false;
        }
        // Anything beyond the largest valid file is never needed.
        if (!ReadUpTo(file.get(), kMaxParameterFileSize, bytes)) {
            Tell(kFileDamagedText, caption, MB_ICONINFORMATION);
            UseDefaults(table);
            return false;
        }
    }

    DecodeResult result = DecodeParameterFile(bytes.data(), bytes.size(), table);
    switch (result.status) {
    case ColumnStatus::ok:
        return true;
    case ColumnStatus::damaged:
        Tell(kFileDamagedText, caption, MB_ICONINFORMATION);
        UseDefaults(table);
        return false;
    case ColumnStatus::noCount:
        TellInternalError(kReadCountErrorCaption);
        return true;
    case ColumnStatus::badSelector:
        TellInternalError(kReadSelectorErrorCaption);
        return true;
    }
    return true;
}

std::wstring PendingParameterFilePath(const std::wstring& path) {
    return path + L".new";
}

bool SaveParameterFile(const std::wstring& caption, const std::wstring& path, const MaterialTable& table) {
    EncodeResult encoded = EncodeParameterFile(table);
    if (encoded.status != ColumnStatus::ok) {
        // A column with a bad selector is left out, as it always was; a count
        // outside 0..100 cannot be written at all.
        TellInternalError(kWriteErrorCaption);
        if (encoded.status != ColumnStatus::badSelector) return false;
    }

    const std::wstring pending = PendingParameterFilePath(path);
    UniqueHandle file = OpenParameterFileForWriting(caption, pending);
    if (!file) return false;

    bool written = WriteAll(file.get(), encoded.bytes) && FlushFileBuffers(file.get());
    written = file.Reset() && written;
    if (written) {
        written = MoveFileExW(pending.c_str(), path.c_str(),
                              MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != FALSE;
    }
    if (!written) {
        DeleteFileW(pending.c_str());
        Tell(kFileCannotBeOpenText, caption, MB_ICONINFORMATION);
    }
    return written;
}
