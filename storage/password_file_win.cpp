#include "storage/password_file_win.h"

#include <windows.h>

#include <vector>

#include "base/unique_handle.h"
#include "storage/file_replace_win.h"

std::wstring PasswordFilePath(const std::wstring& tablePath) {
    if (tablePath.size() < 3) return std::wstring();
    return tablePath.substr(0, tablePath.size() - 3) + kPasswordFileExtension;
}

PasswordFile ReadPasswordFile(const std::wstring& path) {
    PasswordFile result;
    if (path.empty()) {
        result.state = PasswordFileState::unreadable;
        return result;
    }
    // Shared for reading only: a file that is being written is not taken.
    UniqueHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        const DWORD error = GetLastError();
        const bool missing = (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) && IsMissing(path);
        result.state = missing ? PasswordFileState::missing : PasswordFileState::unreadable;
        return result;
    }
    std::vector<unsigned char> bytes;
    if (!ReadUpTo(file.get(), kMaxPasswordFileSize + 1, bytes)) {
        result.state = PasswordFileState::unreadable;
        return result;
    }
    const auto digest = ParsePasswordDigest(bytes);
    result.state = digest ? PasswordFileState::valid : PasswordFileState::damaged;
    if (digest) result.digest = *digest;
    return result;
}

unsigned long WritePasswordFile(const std::wstring& path, const PasswordDigest& digest) {
    return ReplaceFileWith(path, path + L".new", FormatPasswordDigest(digest));
}
