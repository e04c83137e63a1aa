#include "numtext/measured_value_text.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>

#include "numtext/number_format.h"

namespace {

// The largest power of ten a value's decimals are allowed to reach before the
// text turns to a power of ten, and the most decimals before it does.
constexpr int kLargestPlainPower = 5;
constexpr int kMostPlainDecimals = 5;

std::wstring Format(double value, const wchar_t* conversion, int precision) {
    const std::wstring format = L"%." + std::to_wstring(precision) + conversion;
    return FormatReal(value, format.c_str(), false);
}

// The decimal exponent of |value| once it is rounded to `significant` digits:
// 0.0996 to two digits is 0.10, exponent -1.
int Exponent(double value, int significant) {
    const std::wstring text = Format(std::fabs(value), L"e", significant - 1);
    const size_t e = text.find(L'e');
    return e == std::wstring::npos ? 0 : std::wcstol(text.c_str() + e + 1, nullptr, 10);
}

// Drops the zeros that end a fraction, and a point left with nothing after it.
std::wstring WithoutTrailingZeros(std::wstring text) {
    if (text.find(L'.') == std::wstring::npos) return text;
    while (!text.empty() && text.back() == L'0') text.pop_back();
    if (!text.empty() && text.back() == L'.') text.pop_back();
    return text;
}

// A rounded value that came out as minus zero ("-0.00") is written unsigned.
std::wstring WithoutSignOfZero(std::wstring text) {
    if (!text.empty() && text[0] == L'-' && text.find_first_of(L"123456789") == std::wstring::npos) {
        text.erase(0, 1);
    }
    return text;
}

std::wstring PowerOfTen(int exponent) {
    return L"e" + std::to_wstring(exponent);
}

// `value` rounded to `decimals` decimals (none when negative).
std::wstring Fixed(double value, int decimals) {
    return WithoutSignOfZero(Format(value, L"f", std::max(0, decimals)));
}

}  // namespace

std::wstring WithMinusSigns(std::wstring text) {
    for (size_t i = 0; i + 1 < text.size(); ++i) {
        const wchar_t next = text[i + 1];
        if (text[i] == L'-' && ((next >= L'0' && next <= L'9') || next == L'.')) text[i] = kMinusSign;
    }
    return text;
}

std::wstring SignificantText(double value, int digits) {
    if (!std::isfinite(value)) return L"-";
    if (value == 0) return L"0";
    digits = std::clamp(digits, 1, 17);
    const int exponent = Exponent(value, digits);
    std::wstring text;
    if (exponent < -4 || exponent >= digits) {
        text = Format(value, L"e", digits - 1);
        text = WithoutTrailingZeros(text.substr(0, text.find(L'e'))) + PowerOfTen(exponent);
    } else {
        text = WithoutTrailingZeros(Fixed(value, digits - 1 - exponent));
    }
    return WithMinusSigns(text);
}

std::wstring ValueWithErrorText(double value, double error) {
    if (!std::isfinite(value)) return L"-";
    if (!std::isfinite(error) || error < 0) return SignificantText(value, 5);
    if (error == 0) return SignificantText(value, 5) + L" \u00B1 0";

    // The place of the error's second significant digit, in powers of ten.
    const int place = Exponent(error, 2) - 1;
    // The value's leading digit once it is rounded to that place (9.96 at
    // the first decimal is 10.0).
    const int valueDigits = Exponent(value, 17) - place + 1;
    const int valueExponent = value == 0 || valueDigits < 1 ? place : Exponent(value, valueDigits);
    const int largest = std::max(valueExponent, place + 1);
    if (place < -kMostPlainDecimals || largest > kLargestPlainPower) {
        // Both as multiples of one power of ten, that of the larger.
        const double scale = std::pow(10.0, largest);
        const int decimals = largest - place;
        return WithMinusSigns(L"(" + Fixed(value / scale, decimals) + L" \u00B1 " + Fixed(error / scale, decimals) +
                              L")" + PowerOfTen(largest));
    }
    const int decimals = std::max(0, -place);
    return WithMinusSigns(Fixed(value, decimals) + L" \u00B1 " + Fixed(error, decimals));
}

std::wstring DeterminationText(double rSquared) {
    if (std::isnan(rSquared)) return L"-";
    if (rSquared >= 1) return L"1";
    // The run of nines after the point, read off the digits as they are shown
    // at full precision.
    const std::wstring full = Format(rSquared, L"f", 17);
    int nines = 0;
    for (size_t i = full.find(L'.') + 1; i < full.size() && full[i] == L'9'; ++i) ++nines;
    // Two digits past the nines: the first of them is at most 8, so rounding
    // cannot carry into the nines and make the text "1.000...".
    return WithMinusSigns(Fixed(rSquared, std::clamp(nines + 2, 4, 17)));
}
