#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// The school's password, kept beside the table as a salted, slow digest so
// that neither the password nor anything quick to try guesses against can be
// read from the file. The file holds one ASCII line:
//
//   pbkdf2-sha256$<iterations>$<salt: 32 lowercase hex digits>$<key: 64 lowercase hex digits>
//
// ended by LF or CR LF (or by nothing): PBKDF2-HMAC-SHA256 of the password's
// UTF-8 bytes. The Linux launcher writes the same line with Python's hashlib.

inline constexpr const wchar_t* kPasswordFileExtension = L"pwd";

inline constexpr size_t kPasswordSaltSize = 16;
inline constexpr size_t kPasswordKeySize = 32;
// Written with this many; read with any from the least to the most: fewer
// would be quick to attack, more would keep the dialog busy for minutes.
inline constexpr uint32_t kPasswordIterations = 200000;
inline constexpr uint32_t kLeastPasswordIterations = 100000;
inline constexpr uint32_t kMostPasswordIterations = 10000000;
// A file longer than this is no digest line at all.
inline constexpr size_t kMaxPasswordFileSize = 256;

struct PasswordDigest {
    uint32_t iterations = kPasswordIterations;
    unsigned char salt[kPasswordSaltSize] = {};
    unsigned char key[kPasswordKeySize] = {};
};

// The digest a file's bytes hold; nothing when they are damaged in any way:
// another scheme, a field missing, too long or too short, a hex digit in
// capitals or not hex, iterations out of range or with a sign, a leading zero
// or a blank, anything after the line end.
std::optional<PasswordDigest> ParsePasswordDigest(const std::vector<unsigned char>& bytes);

// The file's bytes for a digest: the line and an LF.
std::vector<unsigned char> FormatPasswordDigest(const PasswordDigest& digest);

// Whether two keys are equal, taking the same time whichever bytes differ, so
// that the time a refusal takes tells nothing about the stored key.
bool SameKey(const unsigned char a[kPasswordKeySize], const unsigned char b[kPasswordKeySize]);

// The password's UTF-8 bytes, from the UTF-16 text the dialog reads; a lone
// surrogate becomes U+FFFD, as the system's own conversion makes it.
std::string PasswordUtf8(const std::wstring& text);
