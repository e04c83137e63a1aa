#pragma once

#include <cstdint>

// A double's 53-bit significand with an exponent of its own: the value is
// mantissa * 2^exponent with 1 <= |mantissa| < 2 (or a zero, infinity or NaN
// mantissa and exponent 0). Each operation rounds exactly once, like the same
// IEEE double operation, so results equal plain double arithmetic whenever they
// stay inside the double range; outside it they neither overflow nor underflow
// until they leave the range of the 80-bit extended format (about 10^+-4932).
//
// The Hall coefficient needs this: with a wide band gap at low temperature the
// electron-to-hole ratio squared lies far beyond 1e308 while the coefficient
// itself is an ordinary number.
class WideReal {
public:
    WideReal() = default;
    WideReal(double value);  // implicit: constants and doubles mix freely

    double ToDouble() const;
    double mantissa() const { return mantissa_; }
    int32_t exponent() const { return exponent_; }

    friend WideReal operator+(WideReal a, WideReal b);
    friend WideReal operator-(WideReal a, WideReal b);
    friend WideReal operator*(WideReal a, WideReal b);
    friend WideReal operator/(WideReal a, WideReal b);
    friend WideReal operator-(WideReal a);

private:
    WideReal(double mantissa, int32_t exponent);  // normalises

    double mantissa_ = 0.0;
    int32_t exponent_ = 0;
};
