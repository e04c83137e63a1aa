#include "editor/password_check.h"

#include <windows.h>
#include <bcrypt.h>

#include <vector>

namespace {

// SHA-256 of the password's UTF-16LE code units.
constexpr unsigned char kPasswordDigest[32] = {
    0x11, 0xF0, 0xF2, 0x66, 0x9E, 0x92, 0x01, 0x24, 0x45, 0xEA, 0x81, 0xA8, 0x5C, 0x9A, 0xE0, 0x53,
    0xFB, 0xD4, 0x6D, 0xC0, 0x9C, 0x37, 0xC3, 0x90, 0x52, 0x57, 0xCF, 0xD3, 0x5A, 0x96, 0xC4, 0x83,
};

// The SHA-256 algorithm provider of CNG, closed once.
class Sha256Provider {
public:
    Sha256Provider() {
        if (!BCRYPT_SUCCESS(BCryptOpenAlgorithmProvider(&handle_, BCRYPT_SHA256_ALGORITHM, nullptr, 0))) {
            handle_ = nullptr;
        }
    }
    ~Sha256Provider() {
        if (handle_) BCryptCloseAlgorithmProvider(handle_, 0);
    }
    Sha256Provider(const Sha256Provider&) = delete;
    Sha256Provider& operator=(const Sha256Provider&) = delete;

    BCRYPT_ALG_HANDLE get() const { return handle_; }
    explicit operator bool() const { return handle_ != nullptr; }

private:
    BCRYPT_ALG_HANDLE handle_ = nullptr;
};

// One hash computation of a provider, destroyed once.
class HashObject {
public:
    explicit HashObject(BCRYPT_ALG_HANDLE algorithm) {
        if (!BCRYPT_SUCCESS(BCryptCreateHash(algorithm, &handle_, nullptr, 0, nullptr, 0, 0))) handle_ = nullptr;
    }
    ~HashObject() {
        if (handle_) BCryptDestroyHash(handle_);
    }
    HashObject(const HashObject&) = delete;
    HashObject& operator=(const HashObject&) = delete;

    BCRYPT_HASH_HANDLE get() const { return handle_; }
    explicit operator bool() const { return handle_ != nullptr; }

private:
    BCRYPT_HASH_HANDLE handle_ = nullptr;
};

}  // namespace

bool Utf16Sha256(const std::wstring& text, unsigned char digest[32]) {
    // Little-endian code units whatever the host's wchar_t.
    std::vector<UCHAR> bytes;
    bytes.reserve(text.size() * 2);
    for (wchar_t c : text) {
        bytes.push_back(static_cast<UCHAR>(c & 0xFF));
        bytes.push_back(static_cast<UCHAR>((c >> 8) & 0xFF));
    }

    Sha256Provider algorithm;
    if (!algorithm) return false;
    HashObject hash(algorithm.get());
    return hash && BCRYPT_SUCCESS(BCryptHashData(hash.get(), bytes.data(), static_cast<ULONG>(bytes.size()), 0)) &&
           BCRYPT_SUCCESS(BCryptFinishHash(hash.get(), digest, 32, 0));
}

bool IsEditorPassword(const std::wstring& text) {
    unsigned char digest[32];
    if (!Utf16Sha256(text, digest)) return false;
    unsigned char difference = 0;
    for (int i = 0; i < 32; ++i) difference |= static_cast<unsigned char>(digest[i] ^ kPasswordDigest[i]);
    return difference == 0;
}
