#pragma once

#include <string>

// Numbers as the program shows them. The texts are the same on every platform
// and C runtime: "." as the decimal point, no grouping, exponents with a sign
// and at least three digits ("e+016"), infinities as "1.#INF" and the NaN of an
// invalid operation as "-1.#IND".
//
// Rounding: the value is expanded to 17 significant decimal digits (correctly
// rounded), and the shown digits are cut from that expansion, rounding the
// last one up when the first dropped digit is 5 or more.

// The panel's format: five significant digits, point always written.
inline constexpr const wchar_t* kPanelFormat = L"%#.5g";
// The parameter table's format: eight significant digits.
inline constexpr const wchar_t* kTableFormat = L"%#.8g";
inline constexpr const wchar_t* kIntegerFormat = L"%i";

// Formats one double with a printf-style format holding one conversion
// (e, E, f, F, g or G, with the flags - + space # 0, a width and a precision).
// A null format means kPanelFormat. With trim, trailing zeros of the mantissa
// are dropped, keeping at least one digit after the point ("300.00" gives
// "300.0", "1.0000e+016" gives "1.0e+016", "12345." stays).
std::wstring FormatReal(double value, const wchar_t* format = nullptr, bool trim = true);

// A value written in the panel's style (FormatReal's, trimmed: "." as the
// point, "e+016") with as few significant digits, 15 to 17, as ParseReal reads
// back as exactly this value: 2 gives "2.0", 0.1 "0.1", 1/3 "0.3333333333333333".
// Infinities are written as FormatReal writes them ("1.#INF"), which
// ParseShownReal reads back.
std::wstring ExactRealText(double value);

// Formats one int with a printf-style format holding one conversion (d or i,
// with the flags - + space 0, a width and a precision). A null format means
// kIntegerFormat.
std::wstring FormatInteger(int value, const wchar_t* format = nullptr);

// The trimming step of FormatReal on its own.
std::wstring TrimTrailingZeros(const std::wstring& text);
