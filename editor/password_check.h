#pragma once

#include <string>

// Whether `text` is the editor's password: exact and case-sensitive, code unit
// by code unit, with no trimming. The program keeps only the SHA-256 digest of
// the password's UTF-16 code units, so the password itself cannot be read
// from the executable.
bool IsEditorPassword(const std::wstring& text);

// SHA-256 of the text's UTF-16LE code units, through the platform's
// cryptography API; false when the platform cannot compute it.
bool Utf16Sha256(const std::wstring& text, unsigned char digest[32]);
