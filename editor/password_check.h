#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "storage/password_digest.h"

// Whether `text` is the editor's password: exact and case-sensitive, code unit
// by code unit, with no trimming. The program keeps only the SHA-256 digest of
// the password's UTF-16 code units, so the password itself cannot be read
// from the executable.
bool IsEditorPassword(const std::wstring& text);

// SHA-256 of the text's UTF-16LE code units, through the platform's
// cryptography API; false when the platform cannot compute it.
bool Utf16Sha256(const std::wstring& text, unsigned char digest[32]);

// PBKDF2-HMAC-SHA256 of `password`'s bytes through the platform's
// cryptography API; false when the platform cannot compute it.
bool Pbkdf2Sha256(const std::string& password, const unsigned char* salt, size_t saltSize, uint32_t iterations,
                  unsigned char* key, size_t keySize);

// A new digest of `password` (its UTF-8 bytes) with a fresh random salt and
// the iterations written; nothing when the platform cannot make one.
std::optional<PasswordDigest> MakePasswordDigest(const std::wstring& password);

// What the password dialog does with a typed password, given the school's
// password file beside the table.
enum class PasswordVerdict {
    accepted,
    refused,
    locked,  // the school's file is damaged or unreadable: no password opens the table
};

// Without a school's file the built-in password is the one; with a valid one
// only the school's password; with a damaged or unreadable one none at all,
// so that spoiling the file never brings the published password back.
PasswordVerdict CheckEditorPassword(const std::wstring& typed, const std::wstring& passwordFilePath);
