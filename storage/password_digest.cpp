#include "storage/password_digest.h"

#include <cstring>

namespace {

constexpr char kScheme[] = "pbkdf2-sha256$";
constexpr char kHexDigits[] = "0123456789abcdef";

int HexValue(unsigned char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;  // capitals too: the writers never make them
}

// Exactly 2 * size lowercase hex digits.
bool ParseHex(const std::string& field, unsigned char* out, size_t size) {
    if (field.size() != 2 * size) return false;
    for (size_t i = 0; i < size; ++i) {
        const int high = HexValue(static_cast<unsigned char>(field[2 * i]));
        const int low = HexValue(static_cast<unsigned char>(field[2 * i + 1]));
        if (high < 0 || low < 0) return false;
        out[i] = static_cast<unsigned char>(high * 16 + low);
    }
    return true;
}

// Decimal digits only, no leading zero, within the range read.
bool ParseIterations(const std::string& field, uint32_t& iterations) {
    if (field.empty() || field.size() > 8 || field[0] == '0') return false;
    uint32_t value = 0;
    for (char c : field) {
        if (c < '0' || c > '9') return false;
        value = value * 10 + static_cast<uint32_t>(c - '0');
    }
    if (value < kLeastPasswordIterations || value > kMostPasswordIterations) return false;
    iterations = value;
    return true;
}

void AppendHex(std::vector<unsigned char>& out, const unsigned char* bytes, size_t size) {
    for (size_t i = 0; i < size; ++i) {
        out.push_back(static_cast<unsigned char>(kHexDigits[bytes[i] >> 4]));
        out.push_back(static_cast<unsigned char>(kHexDigits[bytes[i] & 0x0F]));
    }
}

void AppendUtf8(std::string& out, uint32_t code) {
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (code >> 18));
        out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

}  // namespace

std::optional<PasswordDigest> ParsePasswordDigest(const std::vector<unsigned char>& bytes) {
    if (bytes.size() > kMaxPasswordFileSize) return std::nullopt;
    std::string line(bytes.begin(), bytes.end());
    // One line end, LF or CR LF, or none at all (an editor may drop it).
    if (!line.empty() && line.back() == '\n') {
        line.pop_back();
        if (!line.empty() && line.back() == '\r') line.pop_back();
    }
    const size_t schemeLength = sizeof kScheme - 1;
    if (line.compare(0, schemeLength, kScheme) != 0) return std::nullopt;

    std::string fields[3];
    size_t start = schemeLength;
    for (int i = 0; i < 3; ++i) {
        const size_t end = i < 2 ? line.find('$', start) : line.size();
        if (end == std::string::npos) return std::nullopt;
        fields[i] = line.substr(start, end - start);
        start = end + 1;
    }
    PasswordDigest digest;
    if (!ParseIterations(fields[0], digest.iterations) || !ParseHex(fields[1], digest.salt, kPasswordSaltSize) ||
        !ParseHex(fields[2], digest.key, kPasswordKeySize)) {
        return std::nullopt;
    }
    return digest;
}

std::vector<unsigned char> FormatPasswordDigest(const PasswordDigest& digest) {
    std::string head = kScheme + std::to_string(digest.iterations) + "$";
    std::vector<unsigned char> out(head.begin(), head.end());
    AppendHex(out, digest.salt, kPasswordSaltSize);
    out.push_back('$');
    AppendHex(out, digest.key, kPasswordKeySize);
    out.push_back('\n');
    return out;
}

bool SameKey(const unsigned char a[kPasswordKeySize], const unsigned char b[kPasswordKeySize]) {
    volatile unsigned char difference = 0;
    for (size_t i = 0; i < kPasswordKeySize; ++i) difference |= static_cast<unsigned char>(a[i] ^ b[i]);
    return difference == 0;
}

std::string PasswordUtf8(const std::wstring& text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        // A wchar_t of 32 bits (not Windows) holds whole code points.
        uint32_t code = static_cast<uint32_t>(text[i]);
        if (code > 0x10FFFF) code = 0xFFFD;
        if (code >= 0xD800 && code <= 0xDBFF && i + 1 < text.size()) {
            const uint32_t low = static_cast<uint32_t>(text[i + 1]);
            if (low >= 0xDC00 && low <= 0xDFFF) {
                AppendUtf8(out, 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00));
                ++i;
                continue;
            }
        }
        if (code >= 0xD800 && code <= 0xDFFF) code = 0xFFFD;
        AppendUtf8(out, code);
    }
    return out;
}
