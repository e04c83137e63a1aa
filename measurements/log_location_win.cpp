#include "measurements/log_location_win.h"

#include <shlobj.h>

#include "base/module.h"
#include "base/unique_handle.h"

namespace {

// FOLDERID_Documents, here rather than from the uuid library.
constexpr GUID kDocumentsFolder = {0xFDD39AD0, 0x238F, 0x46AF, {0xAD, 0xB4, 0x6C, 0x85, 0x48, 0x03, 0x69, 0xC7}};

bool Refused(DWORD error) {
    return error == ERROR_ACCESS_DENIED || error == ERROR_WRITE_PROTECT || error == ERROR_NETWORK_ACCESS_DENIED;
}

std::wstring FolderOf(const std::wstring& path) {
    const size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash);
}

std::wstring FileName(const std::wstring& path) {
    const size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

// Whether this user may write the log at `path`: the file, when it is there;
// otherwise a new file in its folder, made and deleted again.
bool MayWriteLog(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES) {
        if (attributes & FILE_ATTRIBUTE_DIRECTORY) return false;
        UniqueHandle file(CreateFileW(path.c_str(), FILE_APPEND_DATA,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
        // Held by another program is not refused: it is let go of sooner or later.
        return file.valid() || !Refused(GetLastError());
    }
    // A file of its own, gone again when closed. (GetTempFileNameW is no
    // help: Wine's reports success in a folder that refuses the file.)
    const std::wstring folder = FolderOf(path);
    if (folder.empty()) return true;
    const std::wstring probe = folder + L"\\~tesmor-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                               std::to_wstring(GetTickCount()) + L".tmp";
    UniqueHandle file(CreateFileW(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                  FILE_ATTRIBUTE_TEMPORARY | FILE_ATTRIBUTE_HIDDEN | FILE_FLAG_DELETE_ON_CLOSE,
                                  nullptr));
    return file.valid() || !Refused(GetLastError());
}

}  // namespace

std::wstring DocumentsTesmorFolder() {
    // shell32 is loaded only here, on the rare start that needs it: it is a
    // large library, and the program starts without it.
    using GetKnownFolderPath = HRESULT(WINAPI*)(const GUID&, DWORD, HANDLE, PWSTR*);
    HMODULE shell = LoadSystemLibrary(L"shell32.dll");
    HMODULE ole = LoadSystemLibrary(L"ole32.dll");
    if (!shell || !ole) return std::wstring();
    auto getPath = reinterpret_cast<GetKnownFolderPath>(reinterpret_cast<void*>(GetProcAddress(shell, "SHGetKnownFolderPath")));
    auto freeMemory = reinterpret_cast<void(WINAPI*)(void*)>(reinterpret_cast<void*>(GetProcAddress(ole, "CoTaskMemFree")));
    if (!getPath || !freeMemory) return std::wstring();
    PWSTR documents = nullptr;
    std::wstring folder;
    if (SUCCEEDED(getPath(kDocumentsFolder, KF_FLAG_CREATE, nullptr, &documents)) && documents) {
        folder = std::wstring(documents) + L"\\Tesmor";
    }
    if (documents) freeMemory(documents);
    return folder;
}

LogLocation ChooseLogLocation(const std::wstring& besideProgram) {
    LogLocation location{besideProgram, true};
    if (MayWriteLog(besideProgram)) return location;
    const std::wstring folder = DocumentsTesmorFolder();
    if (folder.empty()) return location;
    location.path = folder + L"\\" + FileName(besideProgram);
    location.besideProgram = false;
    return location;
}

std::wstring RescueLogFilePath(const std::wstring& logPath, const SYSTEMTIME& now) {
    std::wstring folder = DocumentsTesmorFolder();
    if (folder.empty()) folder = FolderOf(logPath);
    std::wstring name = FileName(logPath);
    const size_t dot = name.find_last_of(L'.');
    const std::wstring extension = dot == std::wstring::npos ? L".csv" : name.substr(dot);
    if (dot != std::wstring::npos) name.erase(dot);
    wchar_t stamp[32];
    swprintf(stamp, 32, L" unsaved %04u-%02u-%02u %02u-%02u-%02u", now.wYear, now.wMonth, now.wDay, now.wHour,
             now.wMinute, now.wSecond);
    return folder + L"\\" + name + stamp + extension;
}
