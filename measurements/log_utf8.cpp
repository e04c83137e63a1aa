// UTF-8 checked, and read from and written as the platform's wide text.
#include "measurements/log_utf8.h"

#include <algorithm>

namespace log_csv {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

bool IsSurrogate(char32_t c) {
    return c >= 0xD800 && c <= 0xDFFF;
}

void AppendWide(std::wstring& out, char32_t c) {
    if constexpr (sizeof(wchar_t) == 2) {
        if (c >= 0x10000) {
            c -= 0x10000;
            out += static_cast<wchar_t>(0xD800 + (c >> 10));
            out += static_cast<wchar_t>(0xDC00 + (c & 0x3FF));
            return;
        }
    }
    out += static_cast<wchar_t>(c);
}

// The length of the UTF-8 sequence at `p`, or 0 when it is not one. A
// sequence cut by `end` is not one either; `cut` tells whether that is all
// that is wrong with it.
size_t Utf8SequenceLength(const unsigned char* p, const unsigned char* end, bool* cut = nullptr) {
    const unsigned char b = p[0];
    if (b < 0x80) return 1;
    size_t length;
    unsigned char low = 0x80, high = 0xBF;  // the range of the second byte
    if (b >= 0xC2 && b <= 0xDF) {
        length = 2;
    } else if (b >= 0xE0 && b <= 0xEF) {
        length = 3;
        if (b == 0xE0) low = 0xA0;   // overlong below U+0800
        if (b == 0xED) high = 0x9F;  // surrogates
    } else if (b >= 0xF0 && b <= 0xF4) {
        length = 4;
        if (b == 0xF0) low = 0x90;   // overlong below U+10000
        if (b == 0xF4) high = 0x8F;  // above U+10FFFF
    } else {
        return 0;
    }
    const size_t present = std::min(length, static_cast<size_t>(end - p));
    if (present >= 2 && (p[1] < low || p[1] > high)) return 0;
    for (size_t k = 2; k < present; ++k) {
        if (p[k] < 0x80 || p[k] > 0xBF) return 0;
    }
    if (present < length) {
        if (cut) *cut = true;
        return 0;
    }
    return length;
}

}  // namespace

char32_t NextCodePoint(const std::wstring& text, size_t& i) {
    char32_t c = static_cast<char32_t>(text[i++]);
    if constexpr (sizeof(wchar_t) == 2) {
        c &= 0xFFFF;
        if (c >= 0xD800 && c <= 0xDBFF && i < text.size()) {
            const char32_t low = static_cast<char32_t>(text[i]) & 0xFFFF;
            if (low >= 0xDC00 && low <= 0xDFFF) {
                c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
                ++i;
            }
        }
    }
    return IsSurrogate(c) || c > 0x10FFFF ? kReplacement : c;
}

const unsigned char* FirstInvalidUtf8(const unsigned char* p, const unsigned char* end, bool& cut) {
    cut = false;
    while (p < end) {
        // ASCII goes eight bytes at a time while it lasts.
        while (end - p >= 8 && ((p[0] | p[1] | p[2] | p[3] | p[4] | p[5] | p[6] | p[7]) & 0x80) == 0) p += 8;
        if (p == end) break;
        const size_t length = Utf8SequenceLength(p, end, &cut);
        if (length == 0) return p;
        p += length;
    }
    return end;
}

std::wstring WideFromUtf8(std::string_view bytes) {
    const size_t n = bytes.size();
    size_t ascii = 0;
    while (ascii < n && static_cast<unsigned char>(bytes[ascii]) < 0x80) ++ascii;
    if (ascii == n) return std::wstring(bytes.begin(), bytes.end());
    std::wstring text(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(ascii));
    for (size_t i = ascii; i < n;) {
        const unsigned char b = static_cast<unsigned char>(bytes[i]);
        char32_t c;
        size_t length;
        if (b < 0x80) {
            c = b;
            length = 1;
        } else if (b < 0xE0) {
            c = b & 0x1F;
            length = 2;
        } else if (b < 0xF0) {
            c = b & 0x0F;
            length = 3;
        } else {
            c = b & 0x07;
            length = 4;
        }
        for (size_t k = 1; k < length; ++k) c = (c << 6) | (static_cast<unsigned char>(bytes[i + k]) & 0x3F);
        AppendWide(text, c);
        i += length;
    }
    return text;
}

}  // namespace log_csv
