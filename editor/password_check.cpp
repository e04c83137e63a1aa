#include "editor/password_check.h"

#include <windows.h>
#include <bcrypt.h>

#include <vector>

#include "base/owned.h"

namespace {

// SHA-256 of the password's UTF-16LE code units.
constexpr unsigned char kPasswordDigest[32] = {
    0x11, 0xF0, 0xF2, 0x66, 0x9E, 0x92, 0x01, 0x24, 0x45, 0xEA, 0x81, 0xA8, 0x5C, 0x9A, 0xE0, 0x53,
    0xFB, 0xD4, 0x6D, 0xC0, 0x9C, 0x37, 0xC3, 0x90, 0x52, 0x57, 0xCF, 0xD3, 0x5A, 0x96, 0xC4, 0x83,
};

NTSTATUS WINAPI CloseProvider(BCRYPT_ALG_HANDLE provider) {
    return BCryptCloseAlgorithmProvider(provider, 0);
}

// A CNG algorithm provider and one hash computation of it.
using Provider = Owned<BCRYPT_ALG_HANDLE, &CloseProvider>;
using Hash = Owned<BCRYPT_HASH_HANDLE, &BCryptDestroyHash>;

}  // namespace

bool Utf16Sha256(const std::wstring& text, unsigned char digest[32]) {
    // Little-endian code units whatever the host's wchar_t.
    std::vector<UCHAR> bytes;
    bytes.reserve(text.size() * 2);
    for (wchar_t c : text) {
        bytes.push_back(static_cast<UCHAR>(c & 0xFF));
        bytes.push_back(static_cast<UCHAR>((c >> 8) & 0xFF));
    }

    Provider algorithm;
    if (!BCRYPT_SUCCESS(BCryptOpenAlgorithmProvider(algorithm.receive(), BCRYPT_SHA256_ALGORITHM, nullptr, 0))) {
        return false;
    }
    Hash hash;
    return BCRYPT_SUCCESS(BCryptCreateHash(algorithm.get(), hash.receive(), nullptr, 0, nullptr, 0, 0)) &&
           BCRYPT_SUCCESS(BCryptHashData(hash.get(), bytes.data(), static_cast<ULONG>(bytes.size()), 0)) &&
           BCRYPT_SUCCESS(BCryptFinishHash(hash.get(), digest, 32, 0));
}

bool IsEditorPassword(const std::wstring& text) {
    unsigned char digest[32];
    if (!Utf16Sha256(text, digest)) return false;
    unsigned char difference = 0;
    for (int i = 0; i < 32; ++i) difference |= static_cast<unsigned char>(digest[i] ^ kPasswordDigest[i]);
    return difference == 0;
}
