// The log file's shared pieces (log_file_io_win.h), the file's stamp and the
// system's own calls of LogFileCalls.
#include "measurements/log_file_io_win.h"

#include <cstdint>
#include <new>

namespace log_file_io {

bool IsHeldElsewhere(DWORD error) {
    return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION;
}

bool IsFolder(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

UniqueHandle OpenForReading(const std::wstring& path) {
    return UniqueHandle(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN,
                                    nullptr));
}

ReadResult ReadWhole(HANDLE file, std::vector<unsigned char>& bytes) {
    LARGE_INTEGER size;
    if (!GetFileSizeEx(file, &size)) return ReadResult::failed;
    if (static_cast<unsigned long long>(size.QuadPart) > MeasurementLog::kMaxFileSize) return ReadResult::tooLarge;
    LARGE_INTEGER start{};
    if (!SetFilePointerEx(file, start, nullptr, FILE_BEGIN)) return ReadResult::failed;
    try {
        bytes.resize(static_cast<size_t>(size.QuadPart));
    } catch (const std::bad_alloc&) {
        return ReadResult::tooLarge;
    }
    size_t total = 0;
    while (total < bytes.size()) {
        DWORD got = 0;
        if (!ReadFile(file, bytes.data() + total, static_cast<DWORD>(bytes.size() - total), &got, nullptr)) {
            return ReadResult::failed;
        }
        if (got == 0) break;  // shortened meanwhile
        total += got;
    }
    // Grown meanwhile: the file is being written, and what was read is no log.
    unsigned char extra;
    DWORD got = 0;
    if (total < bytes.size() || (ReadFile(file, &extra, 1, &got, nullptr) && got != 0))
        return ReadResult::failed;
    return ReadResult::read;
}

std::wstring FileName(const std::wstring& path) {
    const size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

std::wstring FolderOf(const std::wstring& path) {
    const size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash);
}

int ReadNumberMark(const std::wstring& path) {
    UniqueHandle file = OpenForReading(path);
    if (!file) return -1;
    unsigned char bytes[64];
    DWORD got = 0;
    if (!ReadFile(file.get(), bytes, sizeof bytes, &got, nullptr) || got == sizeof bytes) return -1;
    return DecodeNumberMark(bytes, got);
}

LogLeftOut LeftOutOf(const CsvDecodeResult& decoded, size_t rows) {
    LogLeftOut leftOut;
    leftOut.count = decoded.leftOut;
    leftOut.lines.assign(decoded.leftOutLines, decoded.leftOutLines + decoded.listedLines());
    leftOut.rows = rows;
    return leftOut;
}

std::wstring SaveMutexName(const std::wstring& path) {
    wchar_t full[MAX_PATH * 2];
    const DWORD length = GetFullPathNameW(path.c_str(), MAX_PATH * 2, full, nullptr);
    std::wstring name = length > 0 && length < MAX_PATH * 2 ? std::wstring(full, length) : path;
    CharUpperBuffW(&name[0], static_cast<DWORD>(name.size()));
    std::uint64_t hash = 0xCBF29CE484222325ull;
    for (wchar_t c : name) {
        hash ^= static_cast<std::uint64_t>(c);
        hash *= 0x100000001B3ull;
    }
    wchar_t text[64];
    swprintf(text, 64, L"Local\\Tesmor log %016llx", static_cast<unsigned long long>(hash));
    return text;
}

}  // namespace log_file_io

bool operator==(const FileStamp& a, const FileStamp& b) {
    return a.volume == b.volume && a.indexHigh == b.indexHigh && a.indexLow == b.indexLow && a.size == b.size &&
           a.lastWrite.dwLowDateTime == b.lastWrite.dwLowDateTime &&
           a.lastWrite.dwHighDateTime == b.lastWrite.dwHighDateTime;
}

std::optional<FileStamp> StampOf(HANDLE file) {
    BY_HANDLE_FILE_INFORMATION info;
    if (!GetFileInformationByHandle(file, &info)) return std::nullopt;
    FileStamp stamp;
    stamp.volume = info.dwVolumeSerialNumber;
    stamp.indexHigh = info.nFileIndexHigh;
    stamp.indexLow = info.nFileIndexLow;
    stamp.size = (static_cast<ULONGLONG>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
    stamp.lastWrite = info.ftLastWriteTime;
    return stamp;
}

std::optional<FileStamp> StampOf(HANDLE file, DWORD volume) {
    // GetFileInformationByHandle asks for the volume's serial number as well,
    // and Wine answers that slowly: more than half a millisecond, twice at
    // every reading recorded. The file's index is asked for alone here.
    struct IoStatus {
        ULONG_PTR status;
        ULONG_PTR information;
    };
    using QueryFile = LONG(WINAPI*)(HANDLE, IoStatus*, void*, ULONG, int);
    constexpr int kFileInternalInformation = 6;
    static const QueryFile query = [] {
        HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
        return ntdll ? reinterpret_cast<QueryFile>(
                           reinterpret_cast<void*>(GetProcAddress(ntdll, "NtQueryInformationFile")))
                     : nullptr;
    }();
    IoStatus io{};
    LARGE_INTEGER index{};
    FILE_STANDARD_INFO standard{};
    FILE_BASIC_INFO basic{};
    if (!query || query(file, &io, &index, sizeof index, kFileInternalInformation) < 0 ||
        !GetFileInformationByHandleEx(file, FileStandardInfo, &standard, sizeof standard) ||
        !GetFileInformationByHandleEx(file, FileBasicInfo, &basic, sizeof basic)) {
        return StampOf(file);
    }
    FileStamp stamp;
    stamp.volume = volume;
    stamp.indexHigh = static_cast<DWORD>(static_cast<ULONGLONG>(index.QuadPart) >> 32);
    stamp.indexLow = static_cast<DWORD>(index.QuadPart);
    stamp.size = static_cast<ULONGLONG>(standard.EndOfFile.QuadPart);
    stamp.lastWrite.dwLowDateTime = static_cast<DWORD>(basic.LastWriteTime.QuadPart);
    stamp.lastWrite.dwHighDateTime = static_cast<DWORD>(static_cast<ULONGLONG>(basic.LastWriteTime.QuadPart) >> 32);
    return stamp;
}

HANDLE LogFileCalls::OpenShared(const std::wstring& path) {
    return CreateFileW(path.c_str(), GENERIC_READ | FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                       OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
}

bool LogFileCalls::MoveNew(const std::wstring& from, const std::wstring& to) {
    return MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_WRITE_THROUGH) != FALSE;
}
