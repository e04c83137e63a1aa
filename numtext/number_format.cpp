#include "numtext/number_format.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>

#include "numtext/number_parse.h"

namespace {

// One printf conversion and the literal text around it.
struct Conversion {
    std::wstring prefix;
    std::wstring suffix;
    bool leftAlign = false;
    bool plusSign = false;
    bool spaceSign = false;
    bool alternate = false;
    bool zeroPad = false;
    int width = 0;
    int precision = -1;  // -1: not given
    wchar_t kind = 0;    // the conversion letter; 0 when the format has none
};

// Appends a literal part of a format, turning "%%" into "%".
void AppendLiteral(std::wstring& out, const wchar_t* begin, const wchar_t* end) {
    for (const wchar_t* p = begin; p < end; ++p) {
        out += *p;
        if (*p == L'%' && p + 1 < end && p[1] == L'%') ++p;
    }
}

int ReadCount(const wchar_t*& p) {
    int n = 0;
    while (*p >= L'0' && *p <= L'9') {
        if (n < 100000) n = n * 10 + (*p - L'0');  // absurd widths stop growing
        ++p;
    }
    return n;
}

Conversion ParseFormat(const wchar_t* format) {
    Conversion c;
    const wchar_t* p = format;
    while (*p && !(p[0] == L'%' && p[1] != L'%')) p += (p[0] == L'%') ? 2 : 1;
    AppendLiteral(c.prefix, format, p);
    if (!*p) return c;

    const wchar_t* start = p++;
    for (;; ++p) {
        if (*p == L'-') c.leftAlign = true;
        else if (*p == L'+') c.plusSign = true;
        else if (*p == L' ') c.spaceSign = true;
        else if (*p == L'#') c.alternate = true;
        else if (*p == L'0') c.zeroPad = true;
        else break;
    }
    c.width = ReadCount(p);
    if (*p == L'.') {
        ++p;
        c.precision = ReadCount(p);
    }
    while (*p == L'l' || *p == L'h' || *p == L'L') ++p;  // size prefixes change nothing here
    if (!*p) {
        // A conversion cut short is shown as it stands.
        AppendLiteral(c.prefix, start, p);
        return c;
    }
    c.kind = *p++;
    const wchar_t* end = p + std::wcslen(p);
    AppendLiteral(c.suffix, p, end);
    return c;
}

// Pads the converted text (sign included) to the conversion's width.
std::wstring Pad(const Conversion& c, const std::wstring& sign, const std::wstring& body, bool numeric) {
    std::wstring out;
    size_t length = sign.size() + body.size();
    size_t width = static_cast<size_t>(c.width);
    if (length >= width) {
        out = sign + body;
    } else if (c.leftAlign) {
        out = sign + body + std::wstring(width - length, L' ');
    } else if (c.zeroPad && numeric) {
        out = sign + std::wstring(width - length, L'0') + body;
    } else {
        out = std::wstring(width - length, L' ') + sign + body;
    }
    return c.prefix + out + c.suffix;
}

std::wstring SignOf(const Conversion& c, bool negative) {
    if (negative) return L"-";
    if (c.plusSign) return L"+";
    if (c.spaceSign) return L" ";
    return L"";
}

// Decimal digits standing for the positions exponent, exponent-1, ... of a value.
struct Decimal {
    std::string digits;  // never empty
    int exponent = 0;    // power of ten of digits[0]
};

// The magnitude of a finite double as 17 significant digits, correctly rounded.
Decimal Expand17(double magnitude) {
    char buffer[40];
    auto result = std::to_chars(buffer, buffer + sizeof buffer, magnitude, std::chars_format::scientific, 16);
    // "d.dddddddddddddddde[+-]xx"
    Decimal d;
    d.digits.reserve(17);
    const char* p = buffer;
    for (; p < result.ptr && *p != 'e'; ++p) {
        if (*p != '.') d.digits += *p;
    }
    int exponent = 0;
    bool negative = false;
    for (++p; p < result.ptr; ++p) {
        if (*p == '-') negative = true;
        else if (*p >= '0' && *p <= '9') exponent = exponent * 10 + (*p - '0');
    }
    d.exponent = negative ? -exponent : exponent;
    return d;
}

// Keeps the digits down to the power of ten `lowest`, rounding the last kept
// digit up when the first dropped one is 5 or more. Positions beyond the 17
// known digits are zeros. The result covers exactly exponent..lowest.
Decimal RoundAt(const Decimal& d, int lowest) {
    int keep = d.exponent - lowest + 1;
    Decimal r;
    if (keep <= 0) {
        bool up = keep == 0 && d.digits[0] >= '5';
        r.digits = up ? "1" : "0";
        r.exponent = lowest;
        return r;
    }
    r.exponent = d.exponent;
    if (static_cast<size_t>(keep) >= d.digits.size()) {
        r.digits = d.digits;
        r.digits.append(keep - d.digits.size(), '0');
        return r;
    }
    r.digits = d.digits.substr(0, keep);
    if (d.digits[keep] >= '5') {
        int i = keep - 1;
        while (i >= 0 && r.digits[i] == '9') r.digits[i--] = '0';
        if (i >= 0) {
            ++r.digits[i];
        } else {
            r.digits.insert(r.digits.begin(), '1');  // 999.9 -> 1000
            r.digits.pop_back();
            ++r.exponent;
        }
    }
    return r;
}

// The digit of r at the power of ten `position`, zero outside r.
char DigitAt(const Decimal& r, int position) {
    int index = r.exponent - position;
    if (index < 0 || index >= static_cast<int>(r.digits.size())) return '0';
    return r.digits[index];
}

std::wstring FixedText(const Decimal& r, int precision, bool point) {
    std::wstring out;
    for (int position = r.exponent > 0 ? r.exponent : 0; position >= 0; --position) {
        out += static_cast<wchar_t>(DigitAt(r, position));
    }
    if (precision > 0 || point) out += L'.';
    for (int position = -1; position >= -precision; --position) {
        out += static_cast<wchar_t>(DigitAt(r, position));
    }
    return out;
}

// r holds precision + 1 significant digits (or is a zero).
std::wstring ExponentText(const Decimal& r, int precision, bool point, bool upper, bool zero) {
    int exponent = zero ? 0 : r.exponent;
    std::wstring out;
    out += static_cast<wchar_t>(DigitAt(r, r.exponent));
    if (precision > 0 || point) out += L'.';
    for (int i = 1; i <= precision; ++i) out += static_cast<wchar_t>(DigitAt(r, r.exponent - i));
    out += upper ? L'E' : L'e';
    out += exponent < 0 ? L'-' : L'+';
    std::wstring digits = std::to_wstring(exponent < 0 ? -exponent : exponent);
    if (digits.size() < 3) digits.insert(0, 3 - digits.size(), L'0');
    return out + digits;
}

// Drops the zeros at the end of a fraction, and the point when nothing follows it
// (printf's %g without the # flag).
void DropFractionZeros(std::wstring& mantissa) {
    if (mantissa.find(L'.') == std::wstring::npos) return;
    while (!mantissa.empty() && mantissa.back() == L'0') mantissa.pop_back();
    if (!mantissa.empty() && mantissa.back() == L'.') mantissa.pop_back();
}

bool IsInvalidOperationNaN(double value) {
    uint64_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits == 0xFFF8000000000000ull;
}

std::wstring FormatFinite(const Conversion& c, double magnitude) {
    bool upper = c.kind == L'E' || c.kind == L'G';
    int precision = c.precision < 0 ? 6 : c.precision;
    bool zero = magnitude == 0.0;
    Decimal d = Expand17(magnitude);

    switch (c.kind) {
    case L'f':
    case L'F':
        return FixedText(RoundAt(d, -precision), precision, c.alternate);
    case L'e':
    case L'E':
        return ExponentText(RoundAt(d, d.exponent - precision), precision, c.alternate, upper, zero);
    default: {  // g, G
        int significant = precision == 0 ? 1 : precision;
        Decimal r = RoundAt(d, d.exponent - (significant - 1));
        int x = zero ? 0 : r.exponent;
        std::wstring text;
        if (x < -4 || x >= significant) {
            text = ExponentText(r, significant - 1, c.alternate, upper, zero);
            if (!c.alternate) {
                size_t e = text.find(upper ? L'E' : L'e');
                std::wstring mantissa = text.substr(0, e);
                DropFractionZeros(mantissa);
                text = mantissa + text.substr(e);
            }
        } else {
            text = FixedText(r, significant - 1 - x, c.alternate);
            if (!c.alternate) DropFractionZeros(text);
        }
        return text;
    }
    }
}

}  // namespace

std::wstring TrimTrailingZeros(const std::wstring& s) {
    size_t k = s.find_first_of(L"eE");
    size_t mantissaEnd = (k != std::wstring::npos && k > 0) ? k : s.size();
    size_t i = mantissaEnd;
    while (i > 0 && s[i - 1] == L'0') --i;
    // A mantissa of nothing but zeros (or no mantissa at all) stays as it is.
    if (i == 0) return s;
    // s[0..i) ends in a character other than '0'; after a bare point one zero stays.
    size_t keep = i;
    if (s[i - 1] == L'.' && i < mantissaEnd) ++keep;
    return s.substr(0, keep) + s.substr(mantissaEnd);
}

std::wstring FormatReal(double value, const wchar_t* format, bool trim) {
    Conversion c = ParseFormat(format ? format : kPanelFormat);
    std::wstring text;
    switch (c.kind) {
    case L'e':
    case L'E':
    case L'f':
    case L'F':
    case L'g':
    case L'G': {
        bool negative = std::signbit(value);
        std::wstring body;
        if (std::isnan(value)) {
            body = IsInvalidOperationNaN(value) ? L"1.#IND" : L"1.#QNAN";
        } else if (std::isinf(value)) {
            body = L"1.#INF";
        } else {
            body = FormatFinite(c, std::fabs(value));
        }
        text = Pad(c, SignOf(c, negative), body, std::isfinite(value));
        break;
    }
    default:
        // No conversion for a double: the format's text is all there is.
        text = c.prefix + c.suffix;
        break;
    }
    return trim ? TrimTrailingZeros(text) : text;
}

std::wstring ExactRealText(double value) {
    if (!std::isfinite(value)) return FormatReal(value);
    static const wchar_t* const kFormats[] = {L"%#.15g", L"%#.16g"};
    for (const wchar_t* format : kFormats) {
        std::wstring text = FormatReal(value, format, true);
        if (ParseReal(text) == value) return text;
    }
    // Seventeen significant digits always read back as the value they came from.
    return FormatReal(value, L"%#.17g", true);
}

std::wstring FormatInteger(int value, const wchar_t* format) {
    Conversion c = ParseFormat(format ? format : kIntegerFormat);
    if (c.kind != L'd' && c.kind != L'i') return c.prefix + c.suffix;

    uint32_t magnitude = value < 0 ? 0u - static_cast<uint32_t>(value) : static_cast<uint32_t>(value);
    std::wstring digits = std::to_wstring(magnitude);
    if (c.precision >= 0) {
        if (c.precision == 0 && magnitude == 0) digits.clear();
        if (digits.size() < static_cast<size_t>(c.precision)) {
            digits.insert(0, c.precision - digits.size(), L'0');
        }
    }
    // As in printf, a precision switches zero padding off.
    Conversion padding = c;
    if (c.precision >= 0) padding.zeroPad = false;
    return Pad(padding, SignOf(c, value < 0), digits, true);
}
