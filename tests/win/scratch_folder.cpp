#include "scratch_folder.h"

#include <windows.h>

#include "base/unique_handle.h"

namespace {

void RemoveTree(const std::wstring& folder) {
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            std::wstring name = found.cFileName;
            if (name == L"." || name == L"..") continue;
            std::wstring path = folder + L"\\" + name;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                RemoveTree(path);
            } else {
                SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileW(path.c_str());
            }
        } while (FindNextFileW(search, &found));
        FindClose(search);
    }
    RemoveDirectoryW(folder.c_str());
}

}  // namespace

ScratchFolder::ScratchFolder() {
    wchar_t temp[MAX_PATH + 1] = {};
    GetTempPathW(MAX_PATH + 1, temp);
    static unsigned serial = 0;
    for (;;) {
        std::wstring candidate = std::wstring(temp) + L"tesmor-test-" +
                                 std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(++serial);
        if (CreateDirectoryW(candidate.c_str(), nullptr)) {
            path_ = candidate;
            return;
        }
        if (GetLastError() != ERROR_ALREADY_EXISTS) return;
    }
}

ScratchFolder::~ScratchFolder() {
    if (!path_.empty()) RemoveTree(path_);
}

bool FileExists(const std::wstring& path) {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::vector<unsigned char> ReadFileBytes(const std::wstring& path) {
    std::vector<unsigned char> bytes;
    UniqueHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return bytes;
    unsigned char buffer[4096];
    DWORD got = 0;
    while (ReadFile(file.get(), buffer, sizeof buffer, &got, nullptr) && got > 0) {
        bytes.insert(bytes.end(), buffer, buffer + got);
    }
    return bytes;
}

bool WriteFileBytes(const std::wstring& path, const std::vector<unsigned char>& bytes) {
    UniqueHandle file(
        CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    DWORD written = 0;
    return bytes.empty() ||
           (WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
            written == bytes.size());
}

FolderContents ContentsOf(const std::wstring& folder) {
    FolderContents contents;
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return contents;
    do {
        std::wstring name = found.cFileName;
        if (name == L"." || name == L"..") continue;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            contents[name + L"\\"];
        } else {
            contents[name] = ReadFileBytes(folder + L"\\" + name);
        }
    } while (FindNextFileW(search, &found));
    FindClose(search);
    return contents;
}

std::string UnixPathOf(const std::wstring& path) {
    using UnixFileName = char*(CDECL*)(const wchar_t*);
    HMODULE kernel32 = GetModuleHandleW(L"kernel32.dll");
    const auto unixFileName = reinterpret_cast<UnixFileName>(
        reinterpret_cast<void*>(GetProcAddress(kernel32, "wine_get_unix_file_name")));
    if (!unixFileName) return std::string();
    char* name = unixFileName(path.c_str());
    if (!name) return std::string();
    std::string unixPath = name;
    HeapFree(GetProcessHeap(), 0, name);
    return unixPath;
}

bool RunHostProgram(const std::wstring& program, const std::vector<std::string>& arguments,
                    const std::function<bool()>& done) {
    if (UnixPathOf(L"C:\\").empty()) return false;
    std::wstring commandLine = L"\"" + program + L"\"";
    for (const std::string& argument : arguments) {
        commandLine += L" \"" + std::wstring(argument.begin(), argument.end()) + L"\"";
    }
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info = {};
    if (!CreateProcessW(program.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &info)) {
        return false;
    }
    // Wine 8 starts a Linux program apart from its own processes and hands
    // back no handle for it (both are null), so what it does is waited for.
    UniqueHandle process(info.hProcess);
    UniqueHandle thread(info.hThread);
    constexpr DWORD kPatience = 20000;  // ms
    const DWORD start = GetTickCount();
    if (process) {
        DWORD code = 1;
        if (WaitForSingleObject(process.get(), kPatience) != WAIT_OBJECT_0 ||
            !GetExitCodeProcess(process.get(), &code) || code != 0) {
            return false;
        }
    }
    for (;;) {
        if (done()) return true;
        if (GetTickCount() - start >= kPatience) return false;
        Sleep(20);
    }
}

bool MakeSymbolicLink(const std::wstring& link, const std::wstring& target) {
    const std::string unixTarget = UnixPathOf(target);
    const std::string unixLink = UnixPathOf(link);
    if (!unixTarget.empty() && !unixLink.empty()) {
        return RunHostProgram(L"Z:\\usr\\bin\\ln", {"-s", unixTarget, unixLink},
                              [&link] { return FileExists(link); });
    }
    // Windows 10 lets an ordinary user make links in developer mode.
    const DWORD kAllowUnprivileged = 0x2;  // SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE
    return CreateSymbolicLinkW(link.c_str(), target.c_str(), kAllowUnprivileged) != FALSE ||
           CreateSymbolicLinkW(link.c_str(), target.c_str(), 0) != FALSE;
}
