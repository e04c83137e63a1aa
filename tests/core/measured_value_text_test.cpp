// Numbers as the fit's box writes them, against texts worked out by hand.
#include "numtext/measured_value_text.h"

#include <gtest/gtest.h>

#include <limits>

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInfinity = std::numeric_limits<double>::infinity();

TEST(ValueWithErrorText, TheErrorHasTwoSignificantDigitsAndTheValueEndsAtTheSamePlace) {
    EXPECT_EQ(ValueWithErrorText(-3773.2, 153.7), L"\u22123773 \u00B1 154");
    EXPECT_EQ(ValueWithErrorText(0.65037, 0.02734), L"0.650 \u00B1 0.027");
    EXPECT_EQ(ValueWithErrorText(0.6, 0.28284271), L"0.60 \u00B1 0.28");
    EXPECT_EQ(ValueWithErrorText(13.217, 0.93808), L"13.22 \u00B1 0.94");
    // 0.0996 to two digits is 0.10: the value keeps two decimals, not three.
    EXPECT_EQ(ValueWithErrorText(12.3456, 0.0996), L"12.35 \u00B1 0.10");
    // A value that rounds to nothing carries no sign.
    EXPECT_EQ(ValueWithErrorText(-0.004, 0.25), L"0.00 \u00B1 0.25");
    EXPECT_EQ(ValueWithErrorText(3, 4000), L"3 \u00B1 4000");
    // Very small and very large numbers share one power of ten.
    EXPECT_EQ(ValueWithErrorText(2.51e-7, 3.3e-9), L"(2.510 \u00B1 0.033)e\u22127");
    EXPECT_EQ(ValueWithErrorText(-1234567, 5432), L"(\u22121.2346 \u00B1 0.0054)e6");
    EXPECT_EQ(ValueWithErrorText(-0.0123456, 0.0000456), L"(\u22121.2346 \u00B1 0.0046)e\u22122");
    EXPECT_EQ(ValueWithErrorText(-0.0123456, 0.000456), L"\u22120.01235 \u00B1 0.00046");
}

TEST(ValueWithErrorText, WithoutAnErrorTheValueHasFiveDigits) {
    EXPECT_EQ(ValueWithErrorText(-6500, kNaN), L"\u22126500");
    EXPECT_EQ(ValueWithErrorText(1.12025332406, kInfinity), L"1.1203");
    EXPECT_EQ(ValueWithErrorText(2.5, 0), L"2.5 \u00B1 0");
    EXPECT_EQ(ValueWithErrorText(kNaN, 1), L"-");
    EXPECT_EQ(ValueWithErrorText(-kInfinity, 1), L"-");
}

TEST(SignificantText, WritesLikePercentGWithTheMinusSignAndAShortExponent) {
    EXPECT_EQ(SignificantText(-0.00046694123, 5), L"\u22120.00046694");
    EXPECT_EQ(SignificantText(123456.7, 5), L"1.2346e5");
    EXPECT_EQ(SignificantText(-2.5e-5, 3), L"\u22122.5e\u22125");
    EXPECT_EQ(SignificantText(-6500, 5), L"\u22126500");
    EXPECT_EQ(SignificantText(99999.7, 5), L"1e5");
    EXPECT_EQ(SignificantText(0, 5), L"0");
    EXPECT_EQ(SignificantText(kNaN, 5), L"-");
}

TEST(DeterminationText, ReadsOneOnlyForAPerfectFit) {
    EXPECT_EQ(DeterminationText(0.99999941), L"0.99999941");
    EXPECT_EQ(DeterminationText(0.9999999999999999), L"0.99999999999999989");
    EXPECT_EQ(DeterminationText(0.99871), L"0.9987");
    EXPECT_EQ(DeterminationText(0.6), L"0.6000");
    EXPECT_EQ(DeterminationText(0.999996), L"0.9999960");
    EXPECT_EQ(DeterminationText(1), L"1");
    EXPECT_EQ(DeterminationText(-1e-17), L"0.0000");
    EXPECT_EQ(DeterminationText(kNaN), L"-");
}

TEST(WithMinusSigns, TurnsOnlySignsIntoMinusSigns) {
    EXPECT_EQ(WithMinusSigns(L"-1.5e-5"), L"\u22121.5e\u22125");
    EXPECT_EQ(WithMinusSigns(L"-.5"), L"\u2212.5");
    EXPECT_EQ(WithMinusSigns(L"slope = -"), L"slope = -");
    EXPECT_EQ(WithMinusSigns(L"n-type and p-type"), L"n-type and p-type");
    EXPECT_EQ(WithMinusSigns(L"-"), L"-");
}

}  // namespace
