#include "numtext/number_parse.h"

#include <algorithm>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string>
#include <system_error>

#include "numtext/number_format.h"

namespace {

// The first code unit of each run of ten decimal digits outside ASCII.
constexpr wchar_t kDigitZeros[] = {
    0x0660,  // Arabic-Indic
    0x06F0,  // Extended Arabic-Indic
    0x0966,  // Devanagari
    0x09E6,  // Bengali
    0x0A66,  // Gurmukhi
    0x0AE6,  // Gujarati
    0x0B66,  // Oriya
    0x0C66,  // Telugu
    0x0CE6,  // Kannada
    0x0D66,  // Malayalam
    0x0E50,  // Thai
    0x0ED0,  // Lao
    0x0F20,  // Tibetan
    0x1040,  // Myanmar
    0x17E0,  // Khmer
    0x1810,  // Mongolian
    0xFF10,  // fullwidth
};

bool IsAsciiDigit(wchar_t c) {
    return c >= L'0' && c <= L'9';
}

size_t SkipSpace(const std::wstring& text) {
    size_t i = 0;
    while (i < text.size() && IsNumberSpace(text[i])) ++i;
    return i;
}

// An exponent too long to matter stops growing here; the mantissa of any text
// that fits in memory cannot bring such a power back into the double range.
constexpr int64_t kExponentCeiling = 1000000000;

}  // namespace

int DigitValue(wchar_t c) {
    if (c >= L'0' && c <= L'9') return c - L'0';
    for (wchar_t zero : kDigitZeros) {
        if (c >= zero && c < zero + 10) return c - zero;
    }
    return -1;
}

bool IsNumberSpace(wchar_t c) {
    switch (c) {
    case L'\t':
    case L'\n':
    case L'\v':
    case L'\f':
    case L'\r':
    case L' ':
    case 0x00A0:  // no-break space
    case 0x1680:  // Ogham space mark
    case 0x2028:  // line separator
    case 0x2029:  // paragraph separator
    case 0x202F:  // narrow no-break space
    case 0x205F:  // medium mathematical space
    case 0x3000:  // ideographic space
        return true;
    default:
        return c >= 0x2000 && c <= 0x200A;  // en quad .. hair space
    }
}

namespace {

// What ParseReal finds in a text: where its number stands, and the number as
// an ASCII mantissa (digits with an optional point, no sign) and a power of ten.
struct RealScan {
    NumberSpan span;
    bool negative = false;
    std::string mantissa;  // empty when there is no number
    int64_t exponent = 0;
};

RealScan ScanReal(const std::wstring& text) {
    RealScan scan;
    size_t i = SkipSpace(text);
    const size_t n = text.size();
    scan.span.begin = i;
    scan.span.end = i;

    if (i < n && (text[i] == L'+' || text[i] == L'-')) scan.negative = text[i++] == L'-';

    size_t digits = 0;
    while (i < n && IsAsciiDigit(text[i])) {
        scan.mantissa += static_cast<char>(text[i++]);
        ++digits;
    }
    if (i < n && text[i] == L'.') {
        size_t afterPoint = i + 1;
        size_t fractionDigits = 0;
        while (afterPoint + fractionDigits < n && IsAsciiDigit(text[afterPoint + fractionDigits])) {
            ++fractionDigits;
        }
        if (digits + fractionDigits > 0) {
            scan.mantissa += '.';
            for (size_t k = 0; k < fractionDigits; ++k) {
                scan.mantissa += static_cast<char>(text[afterPoint + k]);
            }
            digits += fractionDigits;
            i = afterPoint + fractionDigits;
        }
    }
    if (digits == 0) {
        scan.negative = false;
        scan.mantissa.clear();
        return scan;
    }

    if (i < n && (text[i] == L'e' || text[i] == L'E' || text[i] == L'd' || text[i] == L'D')) {
        size_t j = i + 1;
        bool exponentNegative = false;
        if (j < n && (text[j] == L'+' || text[j] == L'-')) exponentNegative = text[j++] == L'-';
        if (j < n && IsAsciiDigit(text[j])) {
            for (; j < n && IsAsciiDigit(text[j]); ++j) {
                if (scan.exponent < kExponentCeiling) scan.exponent = scan.exponent * 10 + (text[j] - L'0');
            }
            if (exponentNegative) scan.exponent = -scan.exponent;
            i = j;
        }
        // A letter without digits behind it is not part of the number.
    }
    scan.span.end = i;
    return scan;
}

// What ParseInteger finds: where its digits stand, and their value both as the
// signed 32-bit accumulator that wraps and as a magnitude that stops growing
// just past the int range.
struct IntegerScan {
    NumberSpan span;
    bool negative = false;
    uint32_t wrapped = 0;
    uint64_t magnitude = 0;  // at most kMagnitudeCeiling
};

constexpr uint64_t kMagnitudeCeiling = 0x100000000ull;

IntegerScan ScanInteger(const std::wstring& text) {
    IntegerScan scan;
    size_t i = SkipSpace(text);
    const size_t n = text.size();
    scan.span.begin = i;
    scan.span.end = i;

    bool negative = false;
    if (i < n && (text[i] == L'+' || text[i] == L'-')) negative = text[i++] == L'-';

    bool any = false;
    for (; i < n; ++i) {
        int digit = DigitValue(text[i]);
        if (digit < 0) break;
        any = true;
        // Unsigned arithmetic wraps like the signed 32-bit accumulator it stands for.
        scan.wrapped = scan.wrapped * 10u + static_cast<uint32_t>(digit);
        if (scan.magnitude < kMagnitudeCeiling) {
            scan.magnitude = std::min(scan.magnitude * 10 + static_cast<uint64_t>(digit), kMagnitudeCeiling);
        }
    }
    if (any) {
        scan.negative = negative;
        scan.span.end = i;
    }
    return scan;
}

}  // namespace

double ParseReal(const std::wstring& text) {
    RealScan scan = ScanReal(text);
    if (scan.mantissa.empty()) return 0.0;

    // The sign and the exponent are applied here, so the copy never holds a sign.
    std::string number = scan.mantissa;
    const int64_t exponent = scan.exponent;
    number += 'e';
    number += std::to_string(exponent);

    double magnitude = 0.0;
    auto result = std::from_chars(number.data(), number.data() + number.size(), magnitude);
    if (result.ec == std::errc::result_out_of_range) {
        // Overflow or underflow: the power of ten of the first significant digit
        // tells which.
        size_t mantissaEnd = number.find('e');
        size_t point = number.find('.');
        size_t integerEnd = point == std::string::npos ? mantissaEnd : point;
        int64_t leading = 0;
        for (size_t k = 0; k < mantissaEnd; ++k) {
            if (number[k] == '.' || number[k] == '0') continue;
            leading = k < integerEnd ? static_cast<int64_t>(integerEnd - k - 1)
                                     : -static_cast<int64_t>(k - integerEnd);
            break;
        }
        bool overflow = leading + exponent > 0;
        magnitude = overflow ? std::numeric_limits<double>::infinity() : 0.0;
    }
    return scan.negative ? -magnitude : magnitude;
}

bool HoldsNumber(const std::wstring& text) {
    return FindReal(text).found();
}

NumberSpan FindReal(const std::wstring& text) {
    return ScanReal(text).span;
}

NumberSpan FindInteger(const std::wstring& text) {
    return ScanInteger(text).span;
}

bool ReadsWhole(const std::wstring& text, const NumberSpan& span) {
    if (!span.found()) return false;
    for (size_t i = span.end; i < text.size(); ++i) {
        if (!IsNumberSpace(text[i])) return false;
    }
    return true;
}

int ParseInteger(const std::wstring& text) {
    const IntegerScan scan = ScanInteger(text);
    const uint32_t value = scan.negative ? 0u - scan.wrapped : scan.wrapped;
    return value <= 0x7FFFFFFFu ? static_cast<int>(value) : -static_cast<int>(~value) - 1;
}

int ParseIntegerSaturated(const std::wstring& text) {
    const IntegerScan scan = ScanInteger(text);
    if (scan.negative) {
        return scan.magnitude >= 0x80000000ull ? INT_MIN : -static_cast<int>(scan.magnitude);
    }
    return scan.magnitude > 0x7FFFFFFFull ? INT_MAX : static_cast<int>(scan.magnitude);
}

double ParseShownReal(const std::wstring& text) {
    // The values whose shown texts ParseReal cannot read: FormatReal's own
    // texts for them are compared, so the two can never disagree. A non-finite
    // value is shown alike in every format.
    static const uint64_t kNonFinite[] = {
        0x7FF0000000000000ull, 0xFFF0000000000000ull,  // the infinities
        0xFFF8000000000000ull,                         // the NaN of an invalid operation
        0x7FF8000000000000ull, 0xFFF8000000000001ull,  // any other NaN, either sign
    };
    if (text.find(L'#') == std::wstring::npos) return ParseReal(text);
    for (uint64_t bits : kNonFinite) {
        double value;
        std::memcpy(&value, &bits, sizeof value);
        if (text == FormatReal(value, kTableFormat, true)) return value;
    }
    return ParseReal(text);
}

int RoundToInt(double x) {
    if (std::isnan(x)) return 0;
    double r = x < 0 ? x - 0.5 : x + 0.5;
    if (r < -2147483648.0 || r > 2147483647.0) return 0;
    return static_cast<int>(r);
}
