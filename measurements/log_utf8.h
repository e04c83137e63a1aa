#pragma once

#include <algorithm>
#include <cstddef>
#include <string>
#include <string_view>

// UTF-8 as the log's file holds it: text written into it, and bytes checked and
// read back as text. Shared by the file's writer and its reader.

namespace log_csv {
// Local to each file that uses them, so that the compiler may inline what a
// file calls once.
namespace {

constexpr unsigned char kByteOrderMark[] = {0xEF, 0xBB, 0xBF};
constexpr char32_t kReplacement = 0xFFFD;

template <typename Out>
void AppendCodePoint(Out& out, char32_t c) {
    if (c < 0x80) {
        out.push_back(static_cast<unsigned char>(c));
    } else if (c < 0x800) {
        out.push_back(static_cast<unsigned char>(0xC0 | (c >> 6)));
        out.push_back(static_cast<unsigned char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
        out.push_back(static_cast<unsigned char>(0xE0 | (c >> 12)));
        out.push_back(static_cast<unsigned char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<unsigned char>(0x80 | (c & 0x3F)));
    } else {
        out.push_back(static_cast<unsigned char>(0xF0 | (c >> 18)));
        out.push_back(static_cast<unsigned char>(0x80 | ((c >> 12) & 0x3F)));
        out.push_back(static_cast<unsigned char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<unsigned char>(0x80 | (c & 0x3F)));
    }
}

inline bool IsSurrogate(char32_t c) {
    return c >= 0xD800 && c <= 0xDFFF;
}

// Appends the text as UTF-8, each quote doubled when asked. wchar_t holds
// UTF-16 on Windows and whole code points elsewhere; what is no character in
// either (a lone surrogate, a value above U+10FFFF) is written as U+FFFD, so
// the file is always valid UTF-8.
template <typename Out>
void AppendUtf8(Out& out, const std::wstring& text, bool doubleQuotes = false) {
    const size_t n = text.size();
    for (size_t i = 0; i < n; ++i) {
        char32_t c = static_cast<char32_t>(text[i]);
        if constexpr (sizeof(wchar_t) == 2) {
            c &= 0xFFFF;
            if (c >= 0xD800 && c <= 0xDBFF && i + 1 < n) {
                const char32_t low = static_cast<char32_t>(text[i + 1]) & 0xFFFF;
                if (low >= 0xDC00 && low <= 0xDFFF) {
                    c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
                    ++i;
                }
            }
        }
        if (IsSurrogate(c) || c > 0x10FFFF) c = kReplacement;
        AppendCodePoint(out, c);
        if (doubleQuotes && c == '"') out.push_back('"');
    }
}

inline void AppendWide(std::wstring& out, char32_t c) {
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
// The length of the UTF-8 sequence at `p`, or 0 when it is not one: overlong
// forms, surrogates and values above U+10FFFF are refused (RFC 3629). A
// sequence cut by `end` is not one either; `cut` tells whether that is all
// that is wrong with it.

inline size_t Utf8SequenceLength(const unsigned char* p, const unsigned char* end, bool* cut = nullptr) {
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
// Where the bytes stop being UTF-8 (`end` when they never do); `cut` tells
// whether all that is wrong is a sequence cut short by `end`.

inline const unsigned char* FirstInvalidUtf8(const unsigned char* p, const unsigned char* end, bool& cut) {
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
// Text from bytes already known to be valid UTF-8.

inline std::wstring WideFromUtf8(std::string_view bytes) {
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

}  // namespace
}  // namespace log_csv
