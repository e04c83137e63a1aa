// Tests of the lenient readers ParseReal and ParseInteger, of the white space
// they skip, and of RoundToInt.

#include "numtext/number_parse.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>
#include <string>

#include "numtext/number_format.h"

namespace {

// ASCII rendering of a wide text for trace messages; other characters as \uXXXX.
std::string Show(const std::wstring& text) {
    std::string s = "text \"";
    char buf[16];
    for (wchar_t c : text) {
        unsigned u = static_cast<unsigned>(c) & 0xFFFFu;
        if (u >= 0x20 && u < 0x7F) {
            s += static_cast<char>(u);
        } else {
            std::snprintf(buf, sizeof buf, "\\u%04X", u);
            s += buf;
        }
    }
    s += "\"";
    if (s.size() > 80) s = s.substr(0, 77) + "...";
    return s;
}

const double kInf = std::numeric_limits<double>::infinity();

struct ParseRow {
    const wchar_t* text;
    double real;
    int integer;
};

// The starts of the decimal digit runs that ParseInteger reads besides ASCII.
const wchar_t kDigitRunStarts[] = {
    L'\u0660', L'\u06F0', L'\u0966', L'\u09E6', L'\u0A66', L'\u0AE6', L'\u0B66', L'\u0C66', L'\u0CE6',
    L'\u0D66', L'\u0E50', L'\u0ED0', L'\u0F20', L'\u1040', L'\u17E0', L'\u1810', L'\uFF10',
};

}  // namespace

TEST(ParseTest, TextsOfTheTable) {
    const ParseRow rows[] = {
        {L"", 0.0, 0},          {L"abc", 0.0, 0},      {L"  12.5", 12.5, 12}, {L"1,5", 1.0, 1},
        {L"1.5e3", 1500.0, 1},  {L"1.5d3", 1500.0, 1}, {L"2E-3", 0.002, 2},   {L".5", 0.5, 0},
        {L"5.", 5.0, 5},        {L"-.5e1", -5.0, 0},   {L"+0012", 12.0, 12},  {L"1e", 1.0, 1},
        {L"12abc", 12.0, 12},   {L"0x1A", 0.0, 0},     {L"1e999", kInf, 1},   {L"1.#INF", 1.0, 1},
        {L"-1.#IND", -1.0, -1},
    };
    for (const ParseRow& r : rows) {
        SCOPED_TRACE(Show(r.text));
        EXPECT_EQ(r.real, ParseReal(r.text));
        EXPECT_EQ(r.integer, ParseInteger(r.text));
    }
}

TEST(ParseTest, FurtherPrefixes) {
    const ParseRow rows[] = {
        {L"0", 0.0, 0},
        {L"42", 42.0, 42},
        {L"-42", -42.0, -42},
        {L"+42", 42.0, 42},
        {L"1.5D3", 1500.0, 1},
        {L"1E3", 1000.0, 1},
        {L"1d-2", 0.01, 1},
        {L"1e+2", 100.0, 1},
        {L"1e+", 1.0, 1},
        {L"1e-", 1.0, 1},
        {L"1e-x", 1.0, 1},
        {L"1ex", 1.0, 1},
        {L"5.e2", 500.0, 5},
        {L"+.5", 0.5, 0},
        {L".", 0.0, 0},
        {L"-.", 0.0, 0},
        {L".e5", 0.0, 0},
        {L"e5", 0.0, 0},
        {L"-", 0.0, 0},
        {L"+", 0.0, 0},
        {L"--5", 0.0, 0},
        {L"+-5", 0.0, 0},
        {L"- 5", 0.0, 0},
        {L"1.5.3", 1.5, 1},
        {L"1e2.5", 100.0, 1},
        {L"1e2e3", 100.0, 1},
        {L"1 2", 1.0, 1},
        {L"12 ", 12.0, 12},
        {L"3.9", 3.9, 3},
        {L"-3.9", -3.9, -3},
        {L"1e3", 1000.0, 1},
        {L"0.1", 0.1, 0},
        {L"inf", 0.0, 0},
        {L"infinity", 0.0, 0},
        {L"nan", 0.0, 0},
        {L"0x1p3", 0.0, 0},
        {L"00000000000000000000000000007", 7.0, 7},
    };
    for (const ParseRow& r : rows) {
        SCOPED_TRACE(Show(r.text));
        EXPECT_EQ(r.real, ParseReal(r.text));
        EXPECT_EQ(r.integer, ParseInteger(r.text));
    }
}

// ParseReal reads 0 both for "0" and for a text with no number in it; HoldsNumber
// tells the two apart, and where it says there is none ParseReal indeed reads 0.
TEST(HoldsNumberTest, TellsANumberFromNone) {
    const wchar_t* numbers[] = {L"0",     L"-0",     L"7",      L"5.",       L".5",    L"+.5",
                                L"-.5e1", L"  12.5", L"\u300012", L"1.#INF",  L"-1.#IND", L"12abc",
                                L"1e",    L"0x1A",   L"1,5",    L"00007",    L"9 9"};
    for (const wchar_t* text : numbers) {
        SCOPED_TRACE(Show(text));
        EXPECT_TRUE(HoldsNumber(text));
    }
    const wchar_t* none[] = {L"",  L"*****", L"abc", L".",  L"-.",   L".e5", L"e5",  L"-",   L"+",
                             L"--5", L"+-5",  L"- 5", L"inf", L"nan", L"   ",  L"\uFF15", L"\u0665", L"_1"};
    for (const wchar_t* text : none) {
        SCOPED_TRACE(Show(text));
        EXPECT_FALSE(HoldsNumber(text));
        EXPECT_EQ(0.0, ParseReal(text));
    }
}

TEST(ParseTest, WhiteSpaceSkipped) {
    const wchar_t spaces[] = {L'\t',     L'\n',     L'\v',     L'\f',     L'\r',    L' ',
                              L'\u00A0', L'\u3000', L'\u2003', L'\u2002', L'\u2009'};
    for (wchar_t c : spaces) {
        std::wstring text(1, c);
        SCOPED_TRACE(Show(text));
        EXPECT_TRUE(IsNumberSpace(c));
        EXPECT_EQ(-12.5, ParseReal(text + L"-12.5"));
        EXPECT_EQ(-12, ParseInteger(text + L"-12"));
        EXPECT_EQ(7.0, ParseReal(text + text + L"7"));
        EXPECT_EQ(7, ParseInteger(text + text + L"7"));
    }
    EXPECT_EQ(3.25, ParseReal(L" \t\n\v\f\r\u00A0\u3000\u20033.25"));
    EXPECT_EQ(3, ParseInteger(L" \t\n\v\f\r\u00A0\u3000\u20033"));
    // White space alone reads as nothing.
    EXPECT_EQ(0.0, ParseReal(L" \t "));
    EXPECT_EQ(0, ParseInteger(L" \t "));
}

TEST(ParseTest, OtherCharactersAreNotWhiteSpace) {
    // NEL (U+0085) is below U+0100 and not one of the listed characters.
    const wchar_t others[] = {L'\u0085', L'\u0416', L'a',      L'0',      L'+',    L'.',
                              L'_',      L'\u00B7', L'\u0660', L'\uFF10', L'\x1F', L'\x7F'};
    for (wchar_t c : others) {
        SCOPED_TRACE(Show(std::wstring(1, c)));
        EXPECT_FALSE(IsNumberSpace(c));
    }
    EXPECT_FALSE(IsNumberSpace(L'\0'));

    const wchar_t* texts[] = {L"\u008512", L"\u041612", L"_12", L"\u00B712",
                              L"\x1F"
                              L"12"};
    for (const wchar_t* t : texts) {
        SCOPED_TRACE(Show(t));
        EXPECT_EQ(0.0, ParseReal(t));
        EXPECT_EQ(0, ParseInteger(t));
    }
}

TEST(ParseTest, CharacterAboveLatin1AfterNumber) {
    EXPECT_EQ(12.0, ParseReal(L"12\u0416"));
    EXPECT_EQ(12, ParseInteger(L"12\u0416"));
    EXPECT_EQ(12.5, ParseReal(L"12.5\u0416\u0436"));
    EXPECT_EQ(1.0, ParseReal(L"1e\u0416"));
    EXPECT_EQ(-3.0, ParseReal(L"-3\uFFFF"));
    EXPECT_EQ(-3, ParseInteger(L"-3\uFFFF"));
    // A Cyrillic "e" is not an exponent letter.
    EXPECT_EQ(2.0, ParseReal(L"2\u04353"));
    // The readers stop at the end of the string object, even with a NUL inside.
    EXPECT_EQ(12.0, ParseReal(std::wstring(L"12\0"
                                           L"34",
                                           5)));
    EXPECT_EQ(12, ParseInteger(std::wstring(L"12\0"
                                            L"34",
                                            5)));
}

TEST(ParseTest, SignedZero) {
    const double neg = ParseReal(L"-0");
    EXPECT_EQ(0.0, neg);
    EXPECT_TRUE(std::signbit(neg));
    EXPECT_TRUE(std::signbit(ParseReal(L"-0.000e5")));
    EXPECT_FALSE(std::signbit(ParseReal(L"0")));
    EXPECT_FALSE(std::signbit(ParseReal(L"+0.0")));
    EXPECT_FALSE(std::signbit(ParseReal(L"")));
    EXPECT_FALSE(std::signbit(ParseReal(L"abc")));
    EXPECT_EQ(0, ParseInteger(L"-0"));
}

TEST(ParseTest, MagnitudeLimits) {
    EXPECT_EQ(kInf, ParseReal(L"1e999"));
    EXPECT_EQ(-kInf, ParseReal(L"-1e999"));
    EXPECT_EQ(kInf, ParseReal(L"1e309"));
    EXPECT_EQ(kInf, ParseReal(L"2e308"));
    EXPECT_EQ(1e308, ParseReal(L"1e308"));
    EXPECT_EQ(std::numeric_limits<double>::max(), ParseReal(L"1.7976931348623157e308"));
    EXPECT_EQ(0.0, ParseReal(L"1e-999"));
    EXPECT_EQ(0.0, ParseReal(L"-1e-999"));
    EXPECT_EQ(1e-300, ParseReal(L"1e-300"));
    EXPECT_EQ(std::numeric_limits<double>::min(), ParseReal(L"2.2250738585072014e-308"));
    EXPECT_EQ(std::numeric_limits<double>::denorm_min(), ParseReal(L"4.9406564584124654e-324"));
    // Exponents with more digits than any integer type holds.
    EXPECT_EQ(kInf, ParseReal(L"1e99999999999999"));
    EXPECT_EQ(-kInf, ParseReal(L"-1e99999999999999"));
    EXPECT_EQ(0.0, ParseReal(L"1e-99999999999999"));
    EXPECT_EQ(kInf, ParseReal(L"1e" + std::wstring(400, L'9')));
    EXPECT_EQ(0.0, ParseReal(L"1e-" + std::wstring(400, L'9')));
    // Zero stays zero whatever the exponent.
    const double zeroBig = ParseReal(L"0e99999999999999");
    EXPECT_EQ(0.0, zeroBig);
    EXPECT_FALSE(std::isnan(zeroBig));
    EXPECT_EQ(0.0, ParseReal(L"0.000e999"));
    // The integer reader stops at the exponent letter.
    EXPECT_EQ(1, ParseInteger(L"1e99999999999999"));
}

TEST(ParseTest, LongDigitStrings) {
    // More digits than a double holds: the result is the nearest double.
    EXPECT_EQ(3.141592653589793, ParseReal(L"3.14159265358979323846264338327950288419716939937510"));
    EXPECT_EQ(123456789012345678901234567890.0, ParseReal(L"123456789012345678901234567890"));
    EXPECT_EQ(1e300, ParseReal(L"1" + std::wstring(300, L'0')));
    // A mantissa beyond the double range brought back by the exponent, and one
    // below it brought up.
    EXPECT_EQ(1.0, ParseReal(L"1" + std::wstring(399, L'0') + L"e-399"));
    EXPECT_EQ(1.0, ParseReal(L"0." + std::wstring(399, L'0') + L"1e400"));
    EXPECT_EQ(2.5, ParseReal(L"25" + std::wstring(1000, L'0') + L"e-1001"));
    // A long run of fraction digits.
    EXPECT_EQ(1.0 / 3.0, ParseReal(L"0." + std::wstring(2000, L'3')));
    // Leading zeros do not count.
    EXPECT_EQ(0.5, ParseReal(std::wstring(1000, L'0') + L".5"));
    EXPECT_EQ(5, ParseInteger(std::wstring(1000, L'0') + L"5"));
    // Longer than any buffer a reader might use, then text.
    EXPECT_EQ(kInf, ParseReal(std::wstring(5000, L'9') + L"x"));
}

// A number shown in a box or a cell and read back from what is shown is the
// number shown: infinities and NaNs included, which ParseReal reads as 1 or -1.
TEST(ParseShownRealTest, ReadsBackEveryTextFormatRealMakes) {
    const uint64_t kNonFinite[] = {0x7FF0000000000000ull, 0xFFF0000000000000ull, 0xFFF8000000000000ull,
                                   0x7FF8000000000000ull, 0xFFF8000000000001ull, 0x7FF0000000000001ull,
                                   0xFFFFFFFFFFFFFFFFull};
    for (const wchar_t* format : {L"%#.8g", L"%#.5g"}) {
        for (uint64_t bits : kNonFinite) {
            double value;
            std::memcpy(&value, &bits, sizeof value);
            const std::wstring shown = FormatReal(value, format, true);
            SCOPED_TRACE(testing::Message() << std::hex << bits);
            const double read = ParseShownReal(shown);
            EXPECT_EQ(std::isnan(read), std::isnan(value));
            EXPECT_EQ(std::signbit(read), std::signbit(value));
            EXPECT_EQ(FormatReal(read, format, true), shown);
        }
        for (double value : {0.0, -0.0, 1.0, -1.0, 2.5, 1e16, 1.49e10, -1.5, 4.9e-324, 1.7976931348623157e308,
                             1.23456789e-300}) {
            const std::wstring shown = FormatReal(value, format, true);
            EXPECT_EQ(ParseShownReal(shown), ParseReal(shown)) << std::string(shown.begin(), shown.end());
        }
    }
    // Only the whole text stands for a non-finite value.
    EXPECT_EQ(ParseShownReal(L"1.#INFx"), 1.0);
    EXPECT_EQ(ParseShownReal(L" 1.#INF"), 1.0);
    EXPECT_EQ(ParseShownReal(L"1.#IND"), 1.0);
    EXPECT_EQ(ParseShownReal(L""), 0.0);
}

TEST(ParseTest, IntegerOverflowWraps) {
    // The accumulation wraps modulo 2^32 and the sign is applied at the end.
    struct Row {
        const wchar_t* text;
        int expected;
    };
    const Row rows[] = {
        {L"2147483647", INT_MAX},
        {L"-2147483647", -INT_MAX},
        {L"2147483648", INT_MIN},
        {L"-2147483648", INT_MIN},
        {L"4294967295", -1},
        {L"4294967296", 0},
        {L"4294967297", 1},
        {L"99999999999", 1215752191},
        {L"-99999999999", -1215752191},
        {L"100000000000000000000", 1661992960},
        {L"12345678901234567890", -350287150},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(Show(r.text));
        EXPECT_EQ(r.expected, ParseInteger(r.text));
    }
    // A very long run of digits does not crash and reads the same every time.
    const std::wstring many(10000, L'9');
    const int first = ParseInteger(many);
    EXPECT_EQ(first, ParseInteger(many));
    // 10^10000 - 1 modulo 2^32: 10^k is 0 modulo 2^32 from k = 32 on, so the
    // value is 2^32 - 1, which reads as -1.
    EXPECT_EQ(-1, first);
}

TEST(ParseIntegerTest, DigitsOfOtherScripts) {
    EXPECT_EQ(42, ParseInteger(L"\uFF14\uFF12"));
    EXPECT_EQ(-42, ParseInteger(L"-\uFF14\uFF12"));
    EXPECT_EQ(42, ParseInteger(L"\u3000\uFF14\uFF12"));
    EXPECT_EQ(42, ParseInteger(L"\uFF14\uFF12\uFF0E\uFF15"));  // fullwidth point ends it
    // Scripts may be mixed; each digit is worth its place in its run.
    EXPECT_EQ(1234, ParseInteger(L"\u0661\u06F2\u09694"));

    for (wchar_t start : kDigitRunStarts) {
        SCOPED_TRACE(Show(std::wstring(1, start)));
        std::wstring all;
        for (int d = 0; d < 10; ++d) {
            all += static_cast<wchar_t>(start + d);
            EXPECT_EQ(d, ParseInteger(std::wstring(1, static_cast<wchar_t>(start + d))));
        }
        // "0123456789" in that script.
        EXPECT_EQ(123456789, ParseInteger(all));
        EXPECT_EQ(-905, ParseInteger(std::wstring(L"-") + static_cast<wchar_t>(start + 9) +
                                     static_cast<wchar_t>(start + 0) + static_cast<wchar_t>(start + 5)));
        // The characters just outside the run are not digits.
        const wchar_t before = static_cast<wchar_t>(start - 1);
        const wchar_t after = static_cast<wchar_t>(start + 10);
        EXPECT_EQ(0, ParseInteger(std::wstring(1, before) + L"5"));
        EXPECT_EQ(1, ParseInteger(std::wstring(L"1") + after + L"5"));
        // The real reader takes only ASCII digits.
        EXPECT_EQ(0.0, ParseReal(std::wstring(1, static_cast<wchar_t>(start + 4))));
        EXPECT_EQ(7.0, ParseReal(std::wstring(L"7") + static_cast<wchar_t>(start + 4)));
    }

    // Digit-like characters that are not in any of the runs.
    EXPECT_EQ(1, ParseInteger(L"1\u00B2"));  // superscript two
    EXPECT_EQ(0, ParseInteger(L"\u00B2"));
    EXPECT_EQ(1, ParseInteger(L"1\u2082"));  // subscript two
    EXPECT_EQ(1, ParseInteger(L"1\u0BE7"));  // Tamil digit one
    EXPECT_EQ(1, ParseInteger(L"1\u2460"));  // circled digit one
    EXPECT_EQ(0.0, ParseReal(L"\uFF14\uFF12"));
}

TEST(RoundToIntTest, Values) {
    struct Row {
        double x;
        int expected;
    };
    const Row rows[] = {
        {0.0, 0},
        {-0.0, 0},
        {2.5, 3},
        {-2.5, -3},
        {2.4999, 2},
        {-2.4999, -2},
        {0.5, 1},
        {-0.5, -1},
        {-0.4, 0},
        {0.4, 0},
        {7.0, 7},
        {-7.0, -7},
        {1e9 + 0.5, 1000000001},
        {2147483646.4, 2147483646},
        {2147483646.5, 2147483647},
        {2147483647.0, 0},
        {2147483647.4, 0},
        {-2147483647.4, -2147483647},
        {-2147483647.5, INT_MIN},
        {-2147483647.6, 0},
        {-2147483648.0, 0},
        {1e10, 0},
        {-1e10, 0},
        {1e300, 0},
        {-1e300, 0},
        {kInf, 0},
        {-kInf, 0},
        {std::numeric_limits<double>::quiet_NaN(), 0},
        {std::copysign(std::numeric_limits<double>::quiet_NaN(), -1.0), 0},
    };
    for (const Row& r : rows) {
        char buf[64];
        std::snprintf(buf, sizeof buf, "x = %.17g", r.x);
        SCOPED_TRACE(buf);
        EXPECT_EQ(r.expected, RoundToInt(r.x));
    }
}

// Where the readers find their numbers: the span covers exactly what they
// read, so that the rest of a text is what they ignored. A text is read whole
// when a number is found and only white space follows it.
TEST(FindNumberTest, TheSpanIsWhatTheReaderReadsAndWholeMeansNothingElse) {
    struct Row {
        const wchar_t* text;
        size_t begin, end;
        bool whole;
    };
    const Row reals[] = {
        {L"2.5", 0, 3, true},      {L"  -2.5e3 \t", 2, 8, true}, {L"2,5", 0, 1, false},
        {L"5 mA", 0, 1, false},    {L"1e", 0, 1, false},         {L"1e+", 0, 1, false},
        {L"1e5", 0, 3, true},      {L"5.", 0, 2, true},          {L".5", 0, 2, true},
        {L"0x10", 0, 1, false},    {L"", 0, 0, false},           {L"   ", 3, 3, false},
        {L"abc", 0, 0, false},     {L"-", 0, 0, false},          {L" .", 1, 1, false},
        {L"\u22127", 0, 0, false}, {L"\u200B5", 0, 0, false},    {L"\uFF11\uFF12", 0, 0, false},
        {L"1.#INF", 0, 2, false},  {L"7\x01", 0, 1, false},      {L"\u30001.5\u3000", 1, 4, true},
    };
    for (const Row& r : reals) {
        SCOPED_TRACE(Show(r.text));
        const NumberSpan span = FindReal(r.text);
        EXPECT_EQ(span.begin, r.begin);
        EXPECT_EQ(span.end, r.end);
        EXPECT_EQ(ReadsWhole(r.text, span), r.whole);
        // The reader reads the same from the span alone as from the whole text.
        const std::wstring text = r.text;
        EXPECT_EQ(ParseReal(text.substr(span.begin, span.end - span.begin)), ParseReal(text));
    }

    const Row integers[] = {
        {L"12", 0, 2, true},   {L" -12 ", 1, 4, true},   {L"3.9", 0, 1, false}, {L"1e3", 0, 1, false},
        {L"\uFF14\uFF12", 0, 2, true}, {L"-", 0, 0, false}, {L"- 5", 0, 0, false}, {L"", 0, 0, false},
        {L"4294967297", 0, 10, true},
    };
    for (const Row& r : integers) {
        SCOPED_TRACE(Show(r.text));
        const NumberSpan span = FindInteger(r.text);
        EXPECT_EQ(span.begin, r.begin);
        EXPECT_EQ(span.end, r.end);
        EXPECT_EQ(ReadsWhole(r.text, span), r.whole);
        const std::wstring text = r.text;
        EXPECT_EQ(ParseInteger(text.substr(span.begin, span.end - span.begin)), ParseInteger(text));
    }

    // A hundred thousand digits are one number, read whole.
    const std::wstring longText = L"2.5" + std::wstring(100000, L'0');
    EXPECT_EQ(FindReal(longText).end, longText.size());
    EXPECT_TRUE(ReadsWhole(longText, FindReal(longText)));
    EXPECT_EQ(ParseReal(longText), 2.5);
}

// A count read for a plan must not wrap round into another count.
TEST(ParseIntegerSaturatedTest, DigitsBeyondTheIntRangeStopAtItsEnds) {
    struct Row {
        const wchar_t* text;
        int expected;
    };
    const Row rows[] = {
        {L"0", 0},
        {L"10000", 10000},
        {L"-7", -7},
        {L" 12abc", 12},
        {L"\uFF14\uFF12", 42},
        {L"2147483647", INT_MAX},
        {L"2147483648", INT_MAX},
        {L"4294967298", INT_MAX},  // wraps to 2 in ParseInteger
        {L"-2147483648", INT_MIN},
        {L"-2147483649", INT_MIN},
        {L"-4294967295", INT_MIN},  // wraps to 1 in ParseInteger
        {L"99999999999999999999999", INT_MAX},
        {L"", 0},
        {L"abc", 0},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(Show(r.text));
        EXPECT_EQ(ParseIntegerSaturated(r.text), r.expected);
    }
    EXPECT_EQ(ParseIntegerSaturated(std::wstring(10000, L'9')), INT_MAX);
    EXPECT_EQ(ParseIntegerSaturated(L"-" + std::wstring(10000, L'9')), INT_MIN);
    EXPECT_EQ(ParseIntegerSaturated(std::wstring(10000, L'0') + L"5"), 5);
}
