#pragma once

#include <cstddef>
#include <string>

// Typed text is never refused for its form: it reads as its longest numeric
// prefix, or as 0 when it has none. Whether the number is acceptable is the
// caller's question of range.

// Reads white space, an optional sign, digits with an optional "." (at least one
// digit on either side) and an optional exponent ("e", "E", "d" or "D", an
// optional sign, at least one digit). "." is the only decimal separator. Too
// large a magnitude reads as an infinity of the right sign, too small as zero.
double ParseReal(const std::wstring& text);

// Whether ParseReal finds a number at the start of the text: after the white
// space and an optional sign, a digit, or a "." with a digit after it. Where it
// finds none ParseReal reads 0, which a caller that must tell "no number" from
// zero asks this for.
bool HoldsNumber(const std::wstring& text);

// Reads white space, an optional sign and decimal digits, the digits of the
// other scripts' decimal runs included (Arabic-Indic, Devanagari, fullwidth and
// so on). The value wraps like a signed 32-bit integer when it has too many digits.
int ParseInteger(const std::wstring& text);

// ParseInteger without the wrap, for a count that must not turn into another
// one: digits beyond the int range read as INT_MAX, or INT_MIN behind a minus.
int ParseIntegerSaturated(const std::wstring& text);

// Where a reader finds its number in a text, so that a caller can tell a text
// read whole from one read only in part. The readers' own scanning finds it.
struct NumberSpan {
    size_t begin = 0;  // the number's sign or first digit, after the leading white space
    size_t end = 0;    // just after its last character; begin when there is no number
    bool found() const { return end > begin; }
};
// The characters ParseReal reads as its number ("2" of "2,5", "1" of "1e").
NumberSpan FindReal(const std::wstring& text);
// The characters ParseInteger reads ("3" of "3.9"; a sign without digits is none).
NumberSpan FindInteger(const std::wstring& text);
// Whether the whole text is the number found: there is one, and nothing but
// white space stands after it (white space before it is skipped by the readers).
bool ReadsWhole(const std::wstring& text, const NumberSpan& span);

// Reads back a text that FormatReal made: its texts for infinities and NaNs
// ("1.#INF", "-1.#INF", "-1.#IND", "1.#QNAN", "-1.#QNAN") give the values they
// stand for, which ParseReal would read as 1 or -1; any other text reads as
// ParseReal reads it. The parameter table reads its cells with it, both when an
// edit ends and when the dialog closes, so a value survives being shown.
double ParseShownReal(const std::wstring& text);

// The white space that both parsers skip: tab, line feed, vertical tab, form feed,
// carriage return, space, no-break space and the Unicode space separators above
// U+00FF.
bool IsNumberSpace(wchar_t c);

// The value of a decimal digit that ParseInteger reads: "0" to "9" or a digit
// of another script's decimal run (fullwidth, Arabic-Indic...); -1 for any
// other character.
int DigitValue(wchar_t c);

// The nearest int, halves away from zero; 0 when the rounded value would leave
// the int range (NaN and infinities included).
int RoundToInt(double x);
