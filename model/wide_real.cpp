#include "model/wide_real.h"

#include <cmath>
#include <cstring>
#include <limits>
#include <utility>

namespace {

// The extended format's exponent range; beyond it a value overflows to an
// infinity or underflows to a signed zero.
constexpr int32_t kMaxExponent = 16383;
constexpr int32_t kMinExponent = -16382;

// Beyond this difference of exponents the smaller addend is below half an ulp
// of the larger one and cannot change the rounded sum.
constexpr int32_t kAlignLimit = 60;

uint64_t BitsOf(double x) {
    uint64_t bits;
    std::memcpy(&bits, &x, sizeof bits);
    return bits;
}

double FromBits(uint64_t bits) {
    double x;
    std::memcpy(&x, &bits, sizeof x);
    return x;
}

}  // namespace

WideReal::WideReal(double value) : WideReal(value, 0) {}

WideReal::WideReal(double mantissa, int32_t exponent) {
    if (mantissa == 0.0 || !std::isfinite(mantissa)) {
        mantissa_ = mantissa;
        exponent_ = 0;
        return;
    }
    // Scale a subnormal up so that its exponent field is meaningful.
    if (std::fabs(mantissa) < std::numeric_limits<double>::min()) {
        mantissa *= 18446744073709551616.0;  // 2^64, exact
        exponent -= 64;
    }
    uint64_t bits = BitsOf(mantissa);
    int32_t biased = static_cast<int32_t>((bits >> 52) & 0x7FF);
    // exponent stays far from the int32 limits: every result is clamped below.
    exponent += biased - 1023;
    bits = (bits & ~(uint64_t{0x7FF} << 52)) | (uint64_t{1023} << 52);
    mantissa_ = FromBits(bits);
    exponent_ = exponent;
    if (exponent_ > kMaxExponent) {
        mantissa_ = std::copysign(std::numeric_limits<double>::infinity(), mantissa_);
        exponent_ = 0;
    } else if (exponent_ < kMinExponent) {
        mantissa_ = std::copysign(0.0, mantissa_);
        exponent_ = 0;
    }
}

double WideReal::ToDouble() const {
    return std::ldexp(mantissa_, exponent_);
}

WideReal operator*(WideReal a, WideReal b) {
    // 1 <= |a.m * b.m| < 4: the product rounds exactly as the double product would.
    return WideReal(a.mantissa_ * b.mantissa_, a.exponent_ + b.exponent_);
}

WideReal operator/(WideReal a, WideReal b) {
    return WideReal(a.mantissa_ / b.mantissa_, a.exponent_ - b.exponent_);
}

WideReal operator+(WideReal a, WideReal b) {
    if (!std::isfinite(a.mantissa_) || !std::isfinite(b.mantissa_)) {
        return WideReal(a.mantissa_ + b.mantissa_);
    }
    if (b.mantissa_ == 0.0) return a.mantissa_ == 0.0 ? WideReal(a.mantissa_ + b.mantissa_) : a;
    if (a.mantissa_ == 0.0) return b;
    if (a.exponent_ < b.exponent_) std::swap(a, b);
    int32_t shift = a.exponent_ - b.exponent_;
    if (shift > kAlignLimit) return a;
    // The shifted mantissa is at least 2^-60, a normal double: the shift is
    // exact and the sum rounds once.
    return WideReal(a.mantissa_ + std::ldexp(b.mantissa_, -shift), a.exponent_);
}

WideReal operator-(WideReal a) {
    a.mantissa_ = -a.mantissa_;
    return a;
}

WideReal operator-(WideReal a, WideReal b) {
    // Adding the negation would flip the sign of a NaN in b, which the double
    // subtraction hands on unchanged.
    if (!std::isfinite(a.mantissa_) || !std::isfinite(b.mantissa_)) {
        return WideReal(a.mantissa_ - b.mantissa_);
    }
    return a + (-b);
}
