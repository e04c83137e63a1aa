#include "model/wide_real.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <random>

namespace {

uint64_t Bits(double x) {
    uint64_t bits;
    std::memcpy(&bits, &x, sizeof bits);
    return bits;
}

// Doubles spread over many binades, both signs, with random significands.
double RandomDouble(std::mt19937_64& random, int minExponent, int maxExponent) {
    std::uniform_int_distribution<int> exponent(minExponent, maxExponent);
    std::uniform_real_distribution<double> significand(1.0, 2.0);
    double x = std::ldexp(significand(random), exponent(random));
    return (random() & 1) ? -x : x;
}

}  // namespace

TEST(WideReal, MatchesDoubleArithmeticBitForBitInsideTheDoubleRange) {
    // Exponents kept small enough that no sum, product or quotient leaves the
    // normal double range, so plain doubles are the reference.
    std::mt19937_64 random(42);
    for (int i = 0; i < 200000; ++i) {
        double a = RandomDouble(random, -400, 400);
        double b = RandomDouble(random, -400, 400);
        if (i % 7 == 0) b = std::ldexp(a, static_cast<int>(random() % 120) - 60);  // close exponents
        if (i % 11 == 0) b = -a + std::ldexp(a, -40);                              // heavy cancellation
        ASSERT_EQ(Bits((WideReal(a) + b).ToDouble()), Bits(a + b)) << a << " + " << b;
        ASSERT_EQ(Bits((WideReal(a) - b).ToDouble()), Bits(a - b)) << a << " - " << b;
        ASSERT_EQ(Bits((WideReal(a) * b).ToDouble()), Bits(a * b)) << a << " * " << b;
        ASSERT_EQ(Bits((WideReal(a) / b).ToDouble()), Bits(a / b)) << a << " / " << b;
    }
}

TEST(WideReal, SignedZerosAndSpecialValuesBehaveAsDoubles) {
    const double inf = std::numeric_limits<double>::infinity();
    const double values[] = {0.0, -0.0, 1.0, -2.5, inf, -inf, 1e-310, -4.9e-324};
    for (double a : values) {
        for (double b : values) {
            SCOPED_TRACE(testing::Message() << a << " op " << b);
            double sum = (WideReal(a) + b).ToDouble();
            double product = (WideReal(a) * b).ToDouble();
            double quotient = (WideReal(a) / b).ToDouble();
            if (std::isnan(a + b)) {
                EXPECT_TRUE(std::isnan(sum));
            } else {
                EXPECT_EQ(Bits(sum), Bits(a + b));
            }
            if (std::isnan(a * b)) {
                EXPECT_TRUE(std::isnan(product));
            } else {
                EXPECT_EQ(Bits(product), Bits(a * b));
            }
            // A subnormal quotient keeps its full 53 bits here, unlike a double.
            const double exact = a / b;
            const bool subnormal = exact != 0 && std::fabs(exact) < std::numeric_limits<double>::min();
            if (std::isnan(exact)) {
                EXPECT_TRUE(std::isnan(quotient));
            } else if (!subnormal) {
                EXPECT_EQ(Bits(quotient), Bits(exact));
            }
        }
    }
    EXPECT_TRUE(std::isnan((WideReal(std::nan("")) * 2.0).ToDouble()));
}

TEST(WideReal, NaNsComeOutOfEveryOperationAsOutOfTheDoubleOne) {
    // The sign and payload of a NaN are what a reading's text shows ("-1.#IND"
    // for the invalid operation's NaN, "1.#QNAN" for another): an operation
    // must hand on the NaN the double operation would.
    const double inf = std::numeric_limits<double>::infinity();
    volatile double zero = 0.0;
    const double invalid = zero / zero;  // the processor's own NaN, negative
    const double quiet = std::nan("");
    const double values[] = {invalid, quiet, -quiet, 1.5, -0.0, inf, -inf};
    for (double a : values) {
        for (double b : values) {
            // Of two NaNs the processor hands on the one it got first, and a
            // compiler may put a sum's or a product's operands either way round.
            if (std::isnan(a) && std::isnan(b)) {
                for (WideReal r : {WideReal(a) + b, WideReal(a) - b, WideReal(a) * b, WideReal(a) / b}) {
                    EXPECT_TRUE(Bits(r.ToDouble()) == Bits(a) || Bits(r.ToDouble()) == Bits(b));
                }
                continue;
            }
            SCOPED_TRACE(testing::Message() << std::hex << Bits(a) << " op " << Bits(b));
            volatile double va = a, vb = b;
            EXPECT_EQ(Bits((WideReal(a) + b).ToDouble()), Bits(va + vb));
            EXPECT_EQ(Bits((WideReal(a) - b).ToDouble()), Bits(va - vb));
            EXPECT_EQ(Bits((WideReal(a) * b).ToDouble()), Bits(va * vb));
            EXPECT_EQ(Bits((WideReal(a) / b).ToDouble()), Bits(va / vb));
        }
        volatile double va = a;
        EXPECT_EQ(Bits((-WideReal(a)).ToDouble()), Bits(-va));
    }
}

TEST(WideReal, CarriesValuesFarBeyondTheDoubleRange) {
    WideReal huge = WideReal(1e300) * 1e300;  // 1e600
    EXPECT_TRUE(std::isinf(huge.ToDouble()));
    EXPECT_DOUBLE_EQ((huge / 1e300).ToDouble(), 1e300);
    EXPECT_DOUBLE_EQ(((huge * huge) / (WideReal(1e300) * 1e300 * 1e300 * 1e300)).ToDouble(), 1.0);

    WideReal tiny = WideReal(1e-300) * 1e-300;  // 1e-600
    EXPECT_EQ(tiny.ToDouble(), 0.0);
    EXPECT_DOUBLE_EQ((tiny * 1e300 * 1e300).ToDouble(), 1.0);

    // Sums keep the larger addend where the smaller is below half an ulp.
    EXPECT_EQ(((huge + 1.0) / huge).ToDouble(), 1.0);
    EXPECT_EQ(((huge - huge) + 1.0).ToDouble(), 1.0);
}

TEST(WideReal, LeavingTheExtendedRangeOverflowsAndUnderflowsWithTheSign) {
    WideReal x = 1e300;
    for (int i = 0; i < 20; ++i) x = x * 1e300;  // 1e6300, beyond 1e4932
    EXPECT_TRUE(std::isinf(x.ToDouble()));
    EXPECT_GT(x.ToDouble(), 0.0);

    WideReal y = -1e-300;
    for (int i = 0; i < 20; ++i) y = y * 1e-300;
    EXPECT_EQ(Bits(y.ToDouble()), Bits(-0.0));

    // Still inside the extended range: 1e4000 / 1e3990.
    WideReal z = 1e100;
    for (int i = 0; i < 39; ++i) z = z * 1e100;
    WideReal w = 1e100;
    for (int i = 0; i < 38; ++i) w = w * 1e100;
    w = w * 1e90;
    EXPECT_NEAR((z / w).ToDouble(), 1e10, 1e10 * 1e-12);
}

TEST(WideReal, KeepsANormalisedMantissa) {
    const double values[] = {1.0, 3.0, -0.75, 1e-310, 6.02e23};
    for (double v : values) {
        SCOPED_TRACE(v);
        WideReal w(v);
        EXPECT_GE(std::fabs(w.mantissa()), 1.0);
        EXPECT_LT(std::fabs(w.mantissa()), 2.0);
        EXPECT_EQ(std::ldexp(w.mantissa(), w.exponent()), v);
    }
}
