#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// UTF-8 as the log's file holds it: text written into it, and bytes checked and
// read back as text. Shared by the file's writer and its reader.

namespace log_csv {

inline constexpr unsigned char kByteOrderMark[] = {0xEF, 0xBB, 0xBF};
inline constexpr char32_t kReplacement = 0xFFFD;

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

// The length of the UTF-8 sequence at `p`, or 0 when it is not one: overlong
// forms, surrogates and values above U+10FFFF are refused (RFC 3629). A
// sequence cut by `end` is not one either; `cut` tells whether that is all
// that is wrong with it.
size_t Utf8SequenceLength(const unsigned char* p, const unsigned char* end, bool* cut = nullptr);

// Where the bytes stop being UTF-8 (`end` when they never do); `cut` tells
// whether all that is wrong is a sequence cut short by `end`.
const unsigned char* FirstInvalidUtf8(const unsigned char* p, const unsigned char* end, bool& cut);

// Text from bytes already known to be valid UTF-8.
std::wstring WideFromUtf8(std::string_view bytes);

}  // namespace log_csv
