#include "editor/password_check.h"

#include <windows.h>
#include <bcrypt.h>

#include <string>
#include <vector>

#include "base/module.h"
#include "base/owned.h"
#include "storage/password_file_win.h"

namespace {

// SHA-256 of the password's UTF-16LE code units.
constexpr unsigned char kPasswordDigest[32] = {
    0x11, 0xF0, 0xF2, 0x66, 0x9E, 0x92, 0x01, 0x24, 0x45, 0xEA, 0x81, 0xA8, 0x5C, 0x9A, 0xE0, 0x53,
    0xFB, 0xD4, 0x6D, 0xC0, 0x9C, 0x37, 0xC3, 0x90, 0x52, 0x57, 0xCF, 0xD3, 0x5A, 0x96, 0xC4, 0x83,
};

// CNG, loaded when a password is first checked rather than imported: most runs
// never open the editor, and every start would pay for the library.
struct CngApi {
    decltype(&BCryptOpenAlgorithmProvider) openAlgorithmProvider = nullptr;
    decltype(&BCryptCloseAlgorithmProvider) closeAlgorithmProvider = nullptr;
    decltype(&BCryptCreateHash) createHash = nullptr;
    decltype(&BCryptHashData) hashData = nullptr;
    decltype(&BCryptFinishHash) finishHash = nullptr;
    decltype(&BCryptDestroyHash) destroyHash = nullptr;
    decltype(&BCryptDeriveKeyPBKDF2) deriveKeyPbkdf2 = nullptr;
    decltype(&BCryptGenRandom) genRandom = nullptr;
};

template <typename Function>
void Find(HMODULE library, const char* name, Function& function) {
    function = reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(library, name)));
}

// Null when the library or one of its functions is missing.
const CngApi* Cng() {
    static const CngApi api = [] {
        CngApi found;
        HMODULE library = LoadSystemLibrary(L"bcrypt.dll");
        if (!library) return found;
        Find(library, "BCryptOpenAlgorithmProvider", found.openAlgorithmProvider);
        Find(library, "BCryptCloseAlgorithmProvider", found.closeAlgorithmProvider);
        Find(library, "BCryptCreateHash", found.createHash);
        Find(library, "BCryptHashData", found.hashData);
        Find(library, "BCryptFinishHash", found.finishHash);
        Find(library, "BCryptDestroyHash", found.destroyHash);
        Find(library, "BCryptDeriveKeyPBKDF2", found.deriveKeyPbkdf2);
        Find(library, "BCryptGenRandom", found.genRandom);
        return found;
    }();
    const bool complete = api.openAlgorithmProvider && api.closeAlgorithmProvider && api.createHash &&
                          api.hashData && api.finishHash && api.destroyHash && api.deriveKeyPbkdf2 &&
                          api.genRandom;
    return complete ? &api : nullptr;
}

// Handles exist only once Cng() has been found complete.
NTSTATUS WINAPI CloseProvider(BCRYPT_ALG_HANDLE provider) {
    return Cng()->closeAlgorithmProvider(provider, 0);
}

NTSTATUS WINAPI DestroyHash(BCRYPT_HASH_HANDLE hash) {
    return Cng()->destroyHash(hash);
}

// A CNG algorithm provider and one hash computation of it.
using Provider = Owned<BCRYPT_ALG_HANDLE, &CloseProvider>;
using Hash = Owned<BCRYPT_HASH_HANDLE, &DestroyHash>;

}  // namespace

bool Utf16Sha256(const std::wstring& text, unsigned char digest[32]) {
    // Little-endian code units whatever the host's wchar_t.
    std::vector<UCHAR> bytes;
    bytes.reserve(text.size() * 2);
    for (wchar_t c : text) {
        bytes.push_back(static_cast<UCHAR>(c & 0xFF));
        bytes.push_back(static_cast<UCHAR>((c >> 8) & 0xFF));
    }

    const CngApi* cng = Cng();
    if (!cng) return false;
    Provider algorithm;
    if (!BCRYPT_SUCCESS(cng->openAlgorithmProvider(algorithm.receive(), BCRYPT_SHA256_ALGORITHM, nullptr, 0))) {
        return false;
    }
    Hash hash;
    return BCRYPT_SUCCESS(cng->createHash(algorithm.get(), hash.receive(), nullptr, 0, nullptr, 0, 0)) &&
           BCRYPT_SUCCESS(cng->hashData(hash.get(), bytes.data(), static_cast<ULONG>(bytes.size()), 0)) &&
           BCRYPT_SUCCESS(cng->finishHash(hash.get(), digest, 32, 0));
}

bool IsEditorPassword(const std::wstring& text) {
    unsigned char digest[32];
    return Utf16Sha256(text, digest) && SameKey(digest, kPasswordDigest);
}

bool Pbkdf2Sha256(const std::string& password, const unsigned char* salt, size_t saltSize, uint32_t iterations,
                  unsigned char* key, size_t keySize) {
    const CngApi* cng = Cng();
    if (!cng) return false;
    Provider hmac;
    if (!BCRYPT_SUCCESS(cng->openAlgorithmProvider(hmac.receive(), BCRYPT_SHA256_ALGORITHM, nullptr,
                                                   BCRYPT_ALG_HANDLE_HMAC_FLAG))) {
        return false;
    }
    // CNG takes the buffers as writable though it only reads them.
    std::vector<UCHAR> passwordBytes(password.begin(), password.end());
    std::vector<UCHAR> saltBytes(salt, salt + saltSize);
    return BCRYPT_SUCCESS(cng->deriveKeyPbkdf2(hmac.get(), passwordBytes.data(),
                                               static_cast<ULONG>(passwordBytes.size()), saltBytes.data(),
                                               static_cast<ULONG>(saltBytes.size()), iterations, key,
                                               static_cast<ULONG>(keySize), 0));
}

std::optional<PasswordDigest> MakePasswordDigest(const std::wstring& password) {
    const CngApi* cng = Cng();
    if (!cng) return std::nullopt;
    PasswordDigest digest;
    digest.iterations = kPasswordIterations;
    if (!BCRYPT_SUCCESS(cng->genRandom(nullptr, digest.salt, static_cast<ULONG>(kPasswordSaltSize),
                                       BCRYPT_USE_SYSTEM_PREFERRED_RNG)) ||
        !Pbkdf2Sha256(PasswordUtf8(password), digest.salt, kPasswordSaltSize, digest.iterations, digest.key,
                      kPasswordKeySize)) {
        return std::nullopt;
    }
    return digest;
}

PasswordVerdict CheckEditorPassword(const std::wstring& typed, const std::wstring& passwordFilePath) {
    const PasswordFile file = ReadPasswordFile(passwordFilePath);
    switch (file.state) {
    case PasswordFileState::missing:
        return IsEditorPassword(typed) ? PasswordVerdict::accepted : PasswordVerdict::refused;
    case PasswordFileState::valid: {
        unsigned char key[kPasswordKeySize];
        const bool derived = Pbkdf2Sha256(PasswordUtf8(typed), file.digest.salt, kPasswordSaltSize,
                                          file.digest.iterations, key, kPasswordKeySize);
        return derived && SameKey(key, file.digest.key) ? PasswordVerdict::accepted : PasswordVerdict::refused;
    }
    default:
        return PasswordVerdict::locked;
    }
}
