#pragma once

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

// The nearest int, halves away from zero; 0 when the rounded value would leave
// the int range (NaN and infinities included).
int RoundToInt(double x);
