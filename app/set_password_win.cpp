#include "app/set_password_win.h"

#include <string>

#include "base/module.h"
#include "editor/password_check.h"
#include "storage/module_file_names.h"
#include "storage/password_file_win.h"

namespace {

// The dialog reads at most this many characters: a longer password could
// never be typed into it whole.
constexpr size_t kLongestPassword = 126;

}  // namespace

bool IsSetPasswordCommand(const wchar_t* commandLine) {
    if (!commandLine) return false;
    std::wstring text(commandLine);
    const size_t first = text.find_first_not_of(L" \t");
    if (first == std::wstring::npos) return false;
    text = text.substr(first, text.find_last_not_of(L" \t") + 1 - first);
    return CompareStringOrdinal(text.c_str(), static_cast<int>(text.size()), kSetPasswordSwitch, -1, TRUE) ==
           CSTR_EQUAL;
}

int SetSchoolPassword() {
    // The variable's length with its terminator, or 0 when it is not set.
    const DWORD size = GetEnvironmentVariableW(kNewPasswordVariable, nullptr, 0);
    if (size <= 1 || size - 1 > kLongestPassword) return kNoNewPassword;
    std::wstring password(size, L'\0');
    const DWORD length = GetEnvironmentVariableW(kNewPasswordVariable, &password[0], size);
    if (length == 0 || length >= size) return kNoNewPassword;
    password.resize(length);

    const auto digest = MakePasswordDigest(password);
    SecureZeroMemory(&password[0], password.size() * sizeof(wchar_t));
    if (!digest) return kPasswordNotWritten;

    const std::wstring base = ModuleFileBase(ModulePath());
    if (base.empty()) return kPasswordNotWritten;
    return WritePasswordFile(base + kPasswordFileExtension, *digest) == 0 ? kPasswordSet : kPasswordNotWritten;
}
