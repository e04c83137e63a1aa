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

bool WriteAll(SaveFileCalls& calls, HANDLE file, const std::vector<unsigned char>& bytes) {
    size_t total = 0;
    while (total < bytes.size()) {
        DWORD written = 0;
        const DWORD wanted = static_cast<DWORD>(bytes.size() - total);
        // A write that reports no progress would otherwise be repeated forever.
        if (!calls.Write(file, bytes.data() + total, wanted, written) || written == 0 || written > wanted) {
            return false;
        }
        total += written;
    }
    return true;
}

// The file being written, closed on every way out of a save.
class PendingFile {
public:
    PendingFile(SaveFileCalls& calls, HANDLE file) : calls_(calls), file_(file) {}
    ~PendingFile() { Close(); }
    PendingFile(const PendingFile&) = delete;
    PendingFile& operator=(const PendingFile&) = delete;

    bool valid() const { return file_ != INVALID_HANDLE_VALUE && file_ != nullptr; }
    HANDLE get() const { return file_; }

    // False when the system reports an error on closing, which for a file being
    // written can mean that data did not reach it.
    bool Close() {
        if (!valid()) return true;
        HANDLE file = file_;
        file_ = INVALID_HANDLE_VALUE;
        return calls_.Close(file);
    }

private:
    SaveFileCalls& calls_;
    HANDLE file_;
};

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

HANDLE SaveFileCalls::Create(const std::wstring& path) {
    // No sharing: another copy of the program saving at the same moment must not
    // interleave its bytes with ours.
    return CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                       FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
}

bool SaveFileCalls::Write(HANDLE file, const unsigned char* bytes, DWORD size, DWORD& written) {
    return WriteFile(file, bytes, size, &written, nullptr) != FALSE;
}

bool SaveFileCalls::Flush(HANDLE file) {
    return FlushFileBuffers(file) != FALSE;
}

bool SaveFileCalls::Close(HANDLE file) {
    return CloseHandle(file) != FALSE;
}

bool SaveFileCalls::Replace(const std::wstring& from, const std::wstring& to) {
    return MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != FALSE;
}

bool SaveFileCalls::Remove(const std::wstring& path) {
    return DeleteFileW(path.c_str()) != FALSE;
}

HANDLE OpenParameterFileForWriting(const std::wstring& caption, const std::wstring& path,
                                   SaveFileCalls& calls) {
    HANDLE file = calls.Create(path);
    if (file == INVALID_HANDLE_VALUE || file == nullptr) {
        Tell(kFileCannotBeOpenText, caption, MB_ICONINFORMATION);
        return INVALID_HANDLE_VALUE;
    }
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
    SaveFileCalls system;
    return SaveParameterFile(caption, path, table, system);
}

bool SaveParameterFile(const std::wstring& caption, const std::wstring& path, const MaterialTable& table,
                       SaveFileCalls& calls) {
    EncodeResult encoded = EncodeParameterFile(table);
    if (encoded.status != ColumnStatus::ok) {
        // A column with a bad selector is left out, as it always was; a count
        // outside 0..100 cannot be written at all.
        TellInternalError(kWriteErrorCaption);
        if (encoded.status != ColumnStatus::badSelector) return false;
    }

    const std::wstring pending = PendingParameterFilePath(path);
    PendingFile file(calls, OpenParameterFileForWriting(caption, pending, calls));
    if (!file.valid()) return false;

    bool written = WriteAll(calls, file.get(), encoded.bytes) && calls.Flush(file.get());
    written = file.Close() && written;
    if (written) written = calls.Replace(pending, path);
    if (!written) {
        calls.Remove(pending);
        Tell(kFileCannotBeOpenText, caption, MB_ICONINFORMATION);
    }
    return written;
}
