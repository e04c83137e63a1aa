// Tests of the number texts: FormatReal, FormatInteger and TrimTrailingZeros.
//
// Expected texts follow the program's rounding rule: the value is expanded to
// 17 significant digits (correctly rounded) and the shown digits are cut from
// that expansion, rounding up when the first dropped digit is 5 or more. Where
// this differs from rounding the exact binary value, the comment says so.

#include "numtext/number_format.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <string>

#include "numtext/number_parse.h"

namespace {

struct RealRow {
    double value;
    const wchar_t* format;
    const wchar_t* untrimmed;
    const wchar_t* trimmed;
};

struct GeneralRow {
    double value;
    const wchar_t* format;
    const wchar_t* expected;
};

struct IntegerRow {
    int value;
    const wchar_t* format;
    const wchar_t* expected;
};

struct TrimRow {
    const wchar_t* input;
    const wchar_t* expected;
};

std::string Describe(double value, const wchar_t* format) {
    std::string s = "value ";
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.17g", value);
    s += buf;
    s += " format ";
    for (const wchar_t* p = format; p && *p; ++p) s += static_cast<char>(*p);
    if (!format) s += "(default)";
    return s;
}

void CheckRealRows(const RealRow* rows, size_t count) {
    for (size_t i = 0; i < count; ++i) {
        const RealRow& r = rows[i];
        SCOPED_TRACE(Describe(r.value, r.format));
        EXPECT_EQ(std::wstring(r.untrimmed), FormatReal(r.value, r.format, false));
        EXPECT_EQ(std::wstring(r.trimmed), FormatReal(r.value, r.format, true));
        // Trimming inside FormatReal is the same step as TrimTrailingZeros.
        EXPECT_EQ(std::wstring(r.trimmed), TrimTrailingZeros(r.untrimmed));
    }
}

void CheckGeneralRows(const GeneralRow* rows, size_t count) {
    for (size_t i = 0; i < count; ++i) {
        const GeneralRow& r = rows[i];
        SCOPED_TRACE(Describe(r.value, r.format));
        EXPECT_EQ(std::wstring(r.expected), FormatReal(r.value, r.format, false));
    }
}

double Infinity() {
    return std::numeric_limits<double>::infinity();
}

// The NaN that an invalid operation such as 0/0 produces: quiet, zero payload,
// sign bit set.
double InvalidOperationNaN() {
    return std::copysign(std::numeric_limits<double>::quiet_NaN(), -1.0);
}

}  // namespace

TEST(FormatRealTest, PanelFormatTable) {
    const RealRow rows[] = {
        {1e16, L"%#.5g", L"1.0000e+016", L"1.0e+016"},
        {0.5, L"%#.5g", L"0.50000", L"0.5"},
        {300, L"%#.5g", L"300.00", L"300.0"},
        {1.15, L"%#.5g", L"1.1500", L"1.15"},
        {-0.000123, L"%#.5g", L"-0.00012300", L"-0.000123"},
        {1234567, L"%#.5g", L"1.2346e+006", L"1.2346e+006"},
        {0, L"%#.5g", L"0.0000", L"0.0"},
        {12345, L"%#.5g", L"12345.", L"12345."},
        {25000, L"%#.5g", L"25000.", L"25000."},
        {99999.5, L"%#.5g", L"1.0000e+005", L"1.0e+005"},
        {1e-5, L"%#.5g", L"1.0000e-005", L"1.0e-005"},
        {0.0001, L"%#.5g", L"0.00010000", L"0.0001"},
        {-25, L"%#.5g", L"-25.000", L"-25.0"},
        {1680, L"%#.5g", L"1680.0", L"1680.0"},
        {1.5e10, L"%#.5g", L"1.5000e+010", L"1.5e+010"},
        {2.0 / 3.0, L"%#.5g", L"0.66667", L"0.66667"},
    };
    CheckRealRows(rows, sizeof rows / sizeof rows[0]);
}

TEST(FormatRealTest, TableFormatTable) {
    const RealRow rows[] = {
        {1e16, L"%#.8g", L"1.0000000e+016", L"1.0e+016"},
        {0.5, L"%#.8g", L"0.50000000", L"0.5"},
        {300, L"%#.8g", L"300.00000", L"300.0"},
        {1.15, L"%#.8g", L"1.1500000", L"1.15"},
        {-0.000123, L"%#.8g", L"-0.00012300000", L"-0.000123"},
        {1234567, L"%#.8g", L"1234567.0", L"1234567.0"},
        {0, L"%#.8g", L"0.0000000", L"0.0"},
        {12345, L"%#.8g", L"12345.000", L"12345.0"},
        {25000, L"%#.8g", L"25000.000", L"25000.0"},
        {99999.5, L"%#.8g", L"99999.500", L"99999.5"},
        {1e-5, L"%#.8g", L"1.0000000e-005", L"1.0e-005"},
        {0.0001, L"%#.8g", L"0.00010000000", L"0.0001"},
        {-25, L"%#.8g", L"-25.000000", L"-25.0"},
        {1680, L"%#.8g", L"1680.0000", L"1680.0"},
        {1.5e10, L"%#.8g", L"1.5000000e+010", L"1.5e+010"},
        {2.0 / 3.0, L"%#.8g", L"0.66666667", L"0.66666667"},
    };
    CheckRealRows(rows, sizeof rows / sizeof rows[0]);
}

TEST(FormatRealTest, EdgeCases) {
    const RealRow rows[] = {
        // Rounding that carries into a new leading digit switches to exponential.
        {99999.5, L"%#.5g", L"1.0000e+005", L"1.0e+005"},
        {99999.4, L"%#.5g", L"99999.", L"99999."},
        {999999.5, L"%#.5g", L"1.0000e+006", L"1.0e+006"},
        {99999999.5, L"%#.8g", L"1.0000000e+008", L"1.0e+008"},
        {99999999.4, L"%#.8g", L"99999999.", L"99999999."},
        // The style is chosen from the exponent after rounding: 9.99996e-5
        // rounds to 1.0000e-4, which is written in fixed form.
        {9.99996e-5, L"%#.5g", L"0.00010000", L"0.0001"},
        {9.99994e-5, L"%#.5g", L"9.9999e-005", L"9.9999e-005"},
        // Negative zero keeps its sign.
        {-0.0, L"%#.5g", L"-0.0000", L"-0.0"},
        {-0.0, L"%#.8g", L"-0.0000000", L"-0.0"},
        // The last significant digit just before the point keeps the bare point.
        {12345, L"%#.5g", L"12345.", L"12345."},
        {10000, L"%#.5g", L"10000.", L"10000."},
        {25000, L"%#.5g", L"25000.", L"25000."},
        {10000, L"%#.8g", L"10000.000", L"10000.0"},
        // Ties round away from zero.
        {123445, L"%#.5g", L"1.2345e+005", L"1.2345e+005"},
        {-123445, L"%#.5g", L"-1.2345e+005", L"-1.2345e+005"},
        {123445, L"%#.8g", L"123445.00", L"123445.0"},
        {1.03125, L"%#.5g", L"1.0313", L"1.0313"},
        {-1.03125, L"%#.5g", L"-1.0313", L"-1.0313"},
        {1.03125, L"%#.8g", L"1.0312500", L"1.03125"},
        // Decimal ties that are slightly below the tie in binary: the 17-digit
        // expansion of 1.00105 is 1.0010500000000000, so the last digit goes up
        // (rounding the exact binary value would give 1.0010).
        {1.00105, L"%#.5g", L"1.0011", L"1.0011"},
        {-1.00105, L"%#.5g", L"-1.0011", L"-1.0011"},
        {1.00000015, L"%#.8g", L"1.0000002", L"1.0000002"},
        // Exponential below 1e-4.
        {0.0001, L"%#.5g", L"0.00010000", L"0.0001"},
        {0.00001, L"%#.5g", L"1.0000e-005", L"1.0e-005"},
        // Three exponent digits survive trimming.
        {1e-300, L"%#.5g", L"1.0000e-300", L"1.0e-300"},
        {1e-300, L"%#.8g", L"1.0000000e-300", L"1.0e-300"},
        {1e300, L"%#.5g", L"1.0000e+300", L"1.0e+300"},
        {-1.5e-10, L"%#.8g", L"-1.5000000e-010", L"-1.5e-010"},
    };
    CheckRealRows(rows, sizeof rows / sizeof rows[0]);
}

TEST(FormatRealTest, DefaultsArePanelFormatAndTrim) {
    EXPECT_EQ(L"0.5", FormatReal(0.5));
    EXPECT_EQ(L"1.0e+016", FormatReal(1e16));
    EXPECT_EQ(L"0.50000", FormatReal(0.5, nullptr, false));
    EXPECT_EQ(L"1.2346e+006", FormatReal(1234567, nullptr, false));
    EXPECT_EQ(L"300.0", FormatReal(300, nullptr, true));
    EXPECT_EQ(L"%#.5g", std::wstring(kPanelFormat));
    EXPECT_EQ(L"%#.8g", std::wstring(kTableFormat));
    EXPECT_EQ(L"%i", std::wstring(kIntegerFormat));
    EXPECT_EQ(L"1234567.0", FormatReal(1234567, kTableFormat));
}

TEST(FormatRealTest, NonFiniteValues) {
    const double inf = Infinity();
    const double nan = InvalidOperationNaN();
    ASSERT_TRUE(std::isnan(nan));
    ASSERT_TRUE(std::signbit(nan));

    const wchar_t* formats[] = {kPanelFormat, kTableFormat, nullptr};
    for (const wchar_t* format : formats) {
        SCOPED_TRACE(Describe(0, format));
        EXPECT_EQ(L"1.#INF", FormatReal(inf, format, true));
        EXPECT_EQ(L"-1.#INF", FormatReal(-inf, format, true));
        EXPECT_EQ(L"-1.#IND", FormatReal(nan, format, true));
    }
    EXPECT_EQ(L"1.#INF", FormatReal(inf));
    EXPECT_EQ(L"-1.#IND", FormatReal(nan));

    // 0/0 computed at run time gives the same NaN on the platforms we build for.
    volatile double zero = 0.0;
    const double computed = zero / zero;
    if (std::signbit(computed)) {
        EXPECT_EQ(L"-1.#IND", FormatReal(computed));
    }

    // Trimming leaves the non-finite texts alone.
    EXPECT_EQ(L"1.#INF", TrimTrailingZeros(L"1.#INF"));
    EXPECT_EQ(L"-1.#IND", TrimTrailingZeros(L"-1.#IND"));
}

// Rounding of fixed and exponential conversions, from the 17-digit expansion.
TEST(FormatRealTest, RoundingFromSeventeenDigits) {
    const GeneralRow rows[] = {
        // 0.125 is exact: a tie, rounded away from zero (not to even).
        {0.125, L"%.2f", L"0.13"},
        {-0.125, L"%.2f", L"-0.13"},
        // 2.675 is 2.67499999999999982...; 17 digits 2.6749999999999998.
        {2.675, L"%.2f", L"2.67"},
        // 9.995 is 9.99499999999999921...; 17 digits 9.9949999999999992.
        {9.995, L"%.2f", L"9.99"},
        // 0.995 is 0.994999999999999995559...; 17 digits 0.99500000000000000,
        // so the carry runs through to a new units digit.
        {0.995, L"%.2f", L"1.00"},
        // 1.45 is 1.44999999999999995559...; 17 digits 1.4500000000000000.
        {1.45, L"%.1f", L"1.5"},
        {1.45, L"%.1e", L"1.5e+000"},
        // 0.15 is 0.149999999999999994448...; 17 digits 0.14999999999999999.
        {0.15, L"%.1f", L"0.1"},
        // 1.005 is 1.00499999999999989...; 17 digits 1.0049999999999999.
        {1.005, L"%.2f", L"1.00"},
        {0.005, L"%.2f", L"0.01"},
        {0.004, L"%.2f", L"0.00"},
        {0.0005, L"%.2f", L"0.00"},
        // Halves at precision 0 go away from zero.
        {0.5, L"%.0f", L"1"},
        {1.5, L"%.0f", L"2"},
        {2.5, L"%.0f", L"3"},
        {-2.5, L"%.0f", L"-3"},
        {2.5, L"%.0e", L"3e+000"},
        {1.25, L"%.1e", L"1.3e+000"},
        {9.9995, L"%.3e", L"9.999e+000"},
        {9.9996, L"%.3e", L"1.000e+001"},
        // Digits past the 17th are zeros.
        {1152921504606846976.0, L"%.0f", L"1152921504606847000"},
        {0.1, L"%.20f", L"0.10000000000000001000"},
        {0.3, L"%.17f", L"0.29999999999999999"},
    };
    CheckGeneralRows(rows, sizeof rows / sizeof rows[0]);
}

TEST(FormatRealTest, GeneralConversions) {
    const GeneralRow rows[] = {
        {12345.678, L"%.3e", L"1.235e+004"},
        {12345.678, L"%.2E", L"1.23E+004"},
        {1.0, L"%e", L"1.000000e+000"},
        {1.0, L"%E", L"1.000000E+000"},
        {0.0, L"%.3e", L"0.000e+000"},
        {-0.0, L"%e", L"-0.000000e+000"},
        {1e300, L"%.3e", L"1.000e+300"},
        {1e100, L"%.2e", L"1.00e+100"},
        {4.9406564584124654e-324, L"%.3e", L"4.941e-324"},
        {1.7976931348623157e308, L"%.16e", L"1.7976931348623157e+308"},
        {3.0, L"%#.0e", L"3.e+000"},
        {3.14159, L"%.3f", L"3.142"},
        {123.456, L"%f", L"123.456000"},
        {1e15, L"%.0f", L"1000000000000000"},
        {3.0, L"%#.0f", L"3."},
        {3.0, L"%.0f", L"3"},
        {-3.14159, L"%.2f", L"-3.14"},
        {1.5, L"%F", L"1.500000"},
        // %g without '#' drops trailing zeros and a bare point.
        {100000, L"%g", L"100000"},
        {1e6, L"%g", L"1e+006"},
        {1234567, L"%g", L"1.23457e+006"},
        {123456789, L"%g", L"1.23457e+008"},
        {0.0001, L"%g", L"0.0001"},
        {1e-5, L"%g", L"1e-005"},
        {1.234e-5, L"%g", L"1.234e-005"},
        {0.5, L"%g", L"0.5"},
        {100, L"%g", L"100"},
        {0.0, L"%g", L"0"},
        {-0.0, L"%g", L"-0"},
        {1e-10, L"%G", L"1E-010"},
        {1234.5, L"%.3g", L"1.23e+003"},
        {0.000123456, L"%.3g", L"0.000123"},
        {12, L"%.0g", L"1e+001"},
        {0.5, L"%.0g", L"0.5"},
        {1.0, L"%#g", L"1.00000"},
        {1e16, L"%.5g", L"1e+016"},
        {300, L"%.5g", L"300"},
        // Width, flags and literal text around the conversion.
        {3.14159, L"%10.3f", L"     3.142"},
        {2.5, L"%-8.2f|", L"2.50    |"},
        {12345, L"%+.1e", L"+1.2e+004"},
        {-12345, L"%+.1e", L"-1.2e+004"},
        {-3.14159, L"%08.2f", L"-0003.14"},
        {3.14159, L"%08.2f", L"00003.14"},
        {3.14159, L"%+08.2f", L"+0003.14"},
        {3.14159, L"% 08.2f", L" 0003.14"},
        {3.14159, L"%-08.2f|", L"3.14    |"},
        {1.5, L"% .2f", L" 1.50"},
        {-1.5, L"% .2f", L"-1.50"},
        {12345.678, L"%12.3e", L"  1.235e+004"},
        {12345.678, L"%-12.3e|", L"1.235e+004  |"},
        {-1.5, L"%012.3e", L"-01.500e+000"},
        {0.5, L"%+g", L"+0.5"},
        {1.5, L"%2.1f", L"1.5"},
        {1.5, L"x=%.2f;", L"x=1.50;"},
    };
    CheckGeneralRows(rows, sizeof rows / sizeof rows[0]);
}

TEST(TrimTrailingZerosTest, Rules) {
    const TrimRow rows[] = {
        {L"300.00", L"300.0"},
        {L"0.50000", L"0.5"},
        {L"12345.", L"12345."},
        {L"12345.000", L"12345.0"},
        {L"1.0000e+016", L"1.0e+016"},
        {L"1.5000E+010", L"1.5E+010"},
        {L"1.2346e+006", L"1.2346e+006"},
        {L"1.0000e-300", L"1.0e-300"},
        {L"-0.00012300", L"-0.000123"},
        {L"0.0000", L"0.0"},
        {L"-0.0000", L"-0.0"},
        {L"0.66667", L"0.66667"},
        {L"1680.0", L"1680.0"},
        {L"100.", L"100."},
        // Only zeros at the end of the mantissa go; the exponent is untouched.
        {L"1.5000e+000", L"1.5e+000"},
        {L"2.0000e+100", L"2.0e+100"},
        // A mantissa made only of zeros, and the empty text, stay as they are.
        {L"0", L"0"},
        {L"000", L"000"},
        {L"", L""},
        {L"0e+000", L"0e+000"},
        // Anything but '0' at the end stops the walk.
        {L"1.50  ", L"1.50  "},
        {L"1.#INF", L"1.#INF"},
    };
    for (const TrimRow& r : rows) {
        SCOPED_TRACE(Describe(0, r.input));
        EXPECT_EQ(std::wstring(r.expected), TrimTrailingZeros(r.input));
    }
}

TEST(FormatIntegerTest, Conversions) {
    const IntegerRow rows[] = {
        {0, L"%i", L"0"},
        {7, L"%i", L"7"},
        {-25, L"%i", L"-25"},
        {100, L"%i", L"100"},
        {INT_MAX, L"%i", L"2147483647"},
        {INT_MIN, L"%i", L"-2147483648"},
        {7, L"%d", L"7"},
        {INT_MIN, L"%d", L"-2147483648"},
        {42, L"%5i", L"   42"},
        {-42, L"%5i", L"  -42"},
        {42, L"%-5i|", L"42   |"},
        {-42, L"%-5i|", L"-42  |"},
        {42, L"%+i", L"+42"},
        {-42, L"%+i", L"-42"},
        {0, L"%+i", L"+0"},
        {INT_MAX, L"%+i", L"+2147483647"},
        {42, L"% i", L" 42"},
        {-42, L"% i", L"-42"},
        {-42, L"%05i", L"-0042"},
        {42, L"%05i", L"00042"},
        {7, L"%.3i", L"007"},
        {-7, L"%.3i", L"-007"},
        {7, L"%5.3i", L"  007"},
        {7, L"%05.3i", L"  007"},
        {0, L"%.0i", L""},
        {INT_MIN, L"%12i", L" -2147483648"},
        {INT_MIN, L"%-12i|", L"-2147483648 |"},
        {INT_MIN, L"%3i", L"-2147483648"},
        {12, L"row %i:", L"row 12:"},
    };
    for (const IntegerRow& r : rows) {
        SCOPED_TRACE(Describe(r.value, r.format));
        EXPECT_EQ(std::wstring(r.expected), FormatInteger(r.value, r.format));
    }
}

TEST(FormatIntegerTest, DefaultFormat) {
    EXPECT_EQ(L"0", FormatInteger(0));
    EXPECT_EQ(L"7", FormatInteger(7));
    EXPECT_EQ(L"-25", FormatInteger(-25));
    EXPECT_EQ(L"100", FormatInteger(100, nullptr));
    EXPECT_EQ(L"-2147483648", FormatInteger(INT_MIN));
    EXPECT_EQ(L"100", FormatInteger(100, kIntegerFormat));
}

// The text the log keeps for a value it could not take from a box: the panel's
// style, and every digit it takes to read back as exactly that value.
TEST(ExactRealTextTest, ThePanelsStyleWithTheDigitsThatReadBackExactly) {
    const GeneralRow rows[] = {
        {2.0, nullptr, L"2.0"},
        {0.0, nullptr, L"0.0"},
        {-0.0, nullptr, L"-0.0"},
        {0.1, nullptr, L"0.1"},
        {2.5, nullptr, L"2.5"},
        {-25.0, nullptr, L"-25.0"},
        {300.0, nullptr, L"300.0"},
        {1.0 / 3.0, nullptr, L"0.3333333333333333"},
        {0.1 + 0.2, nullptr, L"0.30000000000000004"},
        {1e-5, nullptr, L"1.0e-005"},
        {1e16, nullptr, L"1.0e+016"},
        // Fifteen and sixteen digits before the point keep the bare point, as 12345. does.
        {123456789012345.0, nullptr, L"123456789012345."},
        {1234567890123456.0, nullptr, L"1234567890123456."},
        {4.9406564584124654e-324, nullptr, L"4.94065645841247e-324"},
        {1.7976931348623157e308, nullptr, L"1.7976931348623157e+308"},
        {std::numeric_limits<double>::infinity(), nullptr, L"1.#INF"},
        {-std::numeric_limits<double>::infinity(), nullptr, L"-1.#INF"},
    };
    for (const GeneralRow& r : rows) {
        EXPECT_EQ(ExactRealText(r.value), r.expected) << r.value;
    }
    // Any finite value reads back exactly, and no longer than 24 characters.
    unsigned long long bits = 0x9E3779B97F4A7C15ull;
    for (int k = 0; k < 5000; ++k) {
        bits ^= bits << 13;
        bits ^= bits >> 7;
        bits ^= bits << 17;
        double value;
        std::memcpy(&value, &bits, sizeof value);
        if (!std::isfinite(value)) continue;
        const std::wstring text = ExactRealText(value);
        ASSERT_EQ(ParseReal(text), value) << std::string(text.begin(), text.end());
        ASSERT_LE(text.size(), 24u);
    }
}
