#pragma once

#include <string>

// Numbers as a physicist writes them in a report: a measured value with its
// standard error, a coefficient of determination, signs with the typographic
// minus. The texts are the same on every platform (they are cut from
// FormatReal's correctly rounded digits).

// The minus sign of printed mathematics, U+2212, which is as wide as a plus
// and does not break a line, unlike the hyphen.
inline constexpr wchar_t kMinusSign = L'\u2212';

// `text` with every hyphen that stands before a digit or a decimal point (a
// sign, or an exponent's sign) turned into kMinusSign. A hyphen standing alone
// ("-" for no number) or between words is left as it is.
std::wstring WithMinusSigns(std::wstring text);

// A value to `digits` significant digits (1..17) in the manner of "%g":
// trailing zeros dropped, and a power of ten ("1.2346e5", "4.6694e−4") for
// values below 10^-4 or of 10^digits and more; "−" as the sign; "-" when the
// value is not finite.
std::wstring SignificantText(double value, int digits);

// "V ± E": the standard error E to two significant digits and the value V
// rounded to the same place ("0.650 ± 0.027"). An error of 100 and more is
// written to the unit ("−3773 ± 154"), as integers are, rather than with zeros
// standing for dropped digits. Where either would need more than five decimals,
// or reaches 10^6, both share one power of ten: "(2.510 ± 0.033)e−7".
// An error of zero gives "V ± 0" with V to five significant digits; an error
// that is not a finite non-negative number gives V alone, to five significant
// digits; a value that is not finite gives "-".
std::wstring ValueWithErrorText(double value, double error);

// R² with as many decimals (four at least) as it takes to show where it
// differs from 1, two digits past its run of nines ("0.9987",
// "0.99999941"): "1" only for exactly 1. "-" when it is not a number.
std::wstring DeterminationText(double rSquared);
