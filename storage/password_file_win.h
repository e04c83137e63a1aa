#pragma once

#include <string>

#include "storage/password_digest.h"

// The school's password file beside the table (storage/password_digest.h has
// its line). Whoever reads it decides what each state lets through; nothing
// here shows a message.
enum class PasswordFileState {
    missing,     // nothing there: the built-in password holds
    valid,       // a digest was read
    damaged,     // read, but it is no digest line
    unreadable,  // something is there that cannot be read: held open, a folder, no right to it
};

struct PasswordFile {
    PasswordFileState state = PasswordFileState::missing;
    PasswordDigest digest;  // when valid
};

// The password file of the table at `tablePath`: the same name, ending "pwd".
std::wstring PasswordFilePath(const std::wstring& tablePath);

PasswordFile ReadPasswordFile(const std::wstring& path);

// Puts the digest in the file in one step, through a temporary file beside
// it; 0 when done, else the system's error code. The old file stays whole on
// any failure.
unsigned long WritePasswordFile(const std::wstring& path, const PasswordDigest& digest);
