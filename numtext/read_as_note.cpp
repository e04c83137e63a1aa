#include "numtext/read_as_note.h"

#include <cmath>

#include "numtext/number_format.h"
#include "numtext/number_parse.h"

namespace {

// The longest piece of the unread rest that a note quotes.
constexpr size_t kQuotedLength = 12;

bool IsAsciiDigit(wchar_t c) {
    return c >= L'0' && c <= L'9';
}

bool IsHexDigit(wchar_t c) {
    return IsAsciiDigit(c) || (c >= L'a' && c <= L'f') || (c >= L'A' && c <= L'F');
}

bool IsExponentLetter(wchar_t c) {
    return c == L'e' || c == L'E' || c == L'd' || c == L'D';
}

// Characters that show nothing, or nothing that looks like a character: control
// characters, joiners, direction marks, the byte-order mark. Pasted text brings
// them along unseen.
bool IsInvisible(wchar_t c) {
    if (c < 0x20 || (c >= 0x7F && c <= 0x9F)) return true;
    switch (c) {
    case 0x00AD:  // soft hyphen
    case 0x034F:  // combining grapheme joiner
    case 0x061C:  // Arabic letter mark
    case 0x180E:  // Mongolian vowel separator
    case 0xFEFF:  // zero width no-break space, the byte-order mark
        return true;
    default:
        return (c >= 0x200B && c <= 0x200F) ||  // zero width space .. right-to-left mark
               (c >= 0x202A && c <= 0x202E) ||  // embeddings and overrides
               (c >= 0x2060 && c <= 0x206F) ||  // word joiner, invisible operators, isolates
               (c >= 0xFE00 && c <= 0xFE0F) ||  // variation selectors
               (c >= 0xFFF9 && c <= 0xFFFB);    // interlinear annotation marks
    }
}

// Dashes that word processors and other keyboards put where "-" was meant.
bool IsMinusLike(wchar_t c) {
    return c == 0x2212 ||                  // minus sign
           (c >= 0x2010 && c <= 0x2015) ||  // hyphen .. horizontal bar
           c == 0xFE58 || c == 0xFE63 ||    // small em dash, small hyphen-minus
           c == 0xFF0D;                     // fullwidth hyphen-minus
}

bool IsFullwidthForm(wchar_t c) {
    return c >= 0xFF01 && c <= 0xFF5E;
}

// The piece of the rest that starts at `at`, up to the next white space or
// invisible character, cut short when it is long.
std::wstring QuotedPiece(const std::wstring& text, size_t at) {
    size_t end = at;
    while (end < text.size() && !IsNumberSpace(text[end]) && !IsInvisible(text[end])) ++end;
    if (end - at <= kQuotedLength) return L"\"" + text.substr(at, end - at) + L"\"";
    size_t cut = at + kQuotedLength;
    // A surrogate pair stays whole.
    if (text[cut - 1] >= 0xD800 && text[cut - 1] <= 0xDBFF) --cut;
    return L"\"" + text.substr(at, cut - at) + L"...\"";
}

// Why the reader stopped where it did: the first character it did not read
// after the number (or where a number would start), after any white space.
std::wstring WhyNotRead(const std::wstring& text, const NumberSpan& span, bool integer) {
    const size_t n = text.size();
    size_t i = span.end;
    bool afterSpace = false;
    while (i < n && IsNumberSpace(text[i])) {
        ++i;
        afterSpace = true;
    }
    if (i >= n) return span.found() ? std::wstring() : L"the box is empty";

    const wchar_t c = text[i];
    const wchar_t next = i + 1 < n ? text[i + 1] : L'\0';
    if (IsInvisible(c)) return L"the box holds an invisible character";
    if (IsMinusLike(c) || (!integer && span.found() && IsExponentLetter(c) && IsMinusLike(next))) {
        return L"the minus sign is \"-\"";
    }
    if (!afterSpace) {
        if (integer && span.found() && (c == L'.' || c == L',' || IsExponentLetter(c)) && IsAsciiDigit(next)) {
            return L"only whole numbers are read";
        }
        if ((c == L',' || c == 0x066B) && IsAsciiDigit(next)) return L"the decimal separator is \".\"";
        const std::wstring read = text.substr(span.begin, span.end - span.begin);
        if ((c == L'x' || c == L'X') && IsHexDigit(next) && (read == L"0" || read == L"-0" || read == L"+0")) {
            return L"hexadecimal numbers are not read";
        }
    }
    if (IsAsciiDigit(c) || c == L'.' || c == L'+' || c == L'-') {
        if (afterSpace && span.found()) return L"a space ends the number";
    } else if (DigitValue(c) >= 0) {
        return L"only the digits 0 to 9 are read";
    } else if (IsFullwidthForm(c)) {
        return L"fullwidth characters are not read";
    }
    return QuotedPiece(text, i) + L" is not part of the number";
}

// The number as short as it reads back: "2", "0.1", "1e+020"; a zero of either
// sign as "0".
std::wstring ShortRealText(double value) {
    if (value == 0) return L"0";
    if (!std::isfinite(value)) return FormatReal(value);
    for (const wchar_t* format : {L"%.15g", L"%.16g"}) {
        std::wstring text = FormatReal(value, format, false);
        if (ParseReal(text) == value) return text;
    }
    return FormatReal(value, L"%.17g", false);
}

std::wstring Note(const std::wstring& number, const std::wstring& why) {
    if (why.empty()) return std::wstring();
    return L"Read as " + number + L": " + why;
}

}  // namespace

std::wstring RealReadAsNote(const std::wstring& text) {
    const NumberSpan span = FindReal(text);
    if (ReadsWhole(text, span)) return std::wstring();
    return Note(ShortRealText(ParseReal(text)), WhyNotRead(text, span, false));
}

std::wstring IntegerReadAsNote(const std::wstring& text) {
    const NumberSpan span = FindInteger(text);
    if (ReadsWhole(text, span)) return std::wstring();
    return Note(FormatInteger(ParseInteger(text)), WhyNotRead(text, span, true));
}
