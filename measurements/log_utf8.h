#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// UTF-8 as the log's file holds it: text written into it, and bytes checked and
// read back as text. Shared by the file's writer and its reader.

namespace log_csv {

inline constexpr unsigned char kByteOrderMark[] = {0xEF, 0xBB, 0xBF};

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

// The character of the text at `i`, `i` moved past it. wchar_t holds UTF-16
// on Windows and whole code points elsewhere; what is no character in either
// (a lone surrogate, a value above U+10FFFF) reads as U+FFFD, so that what is
// written of it is always valid UTF-8.
char32_t NextCodePoint(const std::wstring& text, size_t& i);

// Appends the text as UTF-8, each quote doubled when asked.
template <typename Out>
void AppendUtf8(Out& out, const std::wstring& text, bool doubleQuotes = false) {
    for (size_t i = 0; i < text.size();) {
        const char32_t c = NextCodePoint(text, i);
        AppendCodePoint(out, c);
        if (doubleQuotes && c == '"') out.push_back('"');
    }
}

// Where the bytes stop being UTF-8 (`end` when they never do); `cut` tells
// whether all that is wrong is a sequence cut short by `end`. Overlong forms,
// surrogates and values above U+10FFFF are refused (RFC 3629).
const unsigned char* FirstInvalidUtf8(const unsigned char* p, const unsigned char* end, bool& cut);

// Text from bytes already known to be valid UTF-8.
std::wstring WideFromUtf8(std::string_view bytes);

}  // namespace log_csv
