// Tests of the least-squares line against results known independently: a
// small set worked by hand, and NIST's certified values for the Norris data
// (Statistical Reference Datasets, linear regression, lower difficulty).
#include "measurements/line_fit.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

namespace {

const double kNaN = std::numeric_limits<double>::quiet_NaN();
const double kInf = std::numeric_limits<double>::infinity();

// x = 1..5, y = 2, 4, 5, 4, 5. By hand: the means are 3 and 4; Sxx = 10,
// Sxy = 6, Syy = 6; slope 0.6, intercept 4 - 0.6 * 3 = 2.2; the residuals
// -0.8, 0.6, 1, -0.6, -0.2 give SSE = 2.4 and s^2 = 2.4 / 3 = 0.8; the slope's
// error sqrt(0.8 / 10), the intercept's sqrt(0.8 (1/5 + 9/10)) = sqrt(0.88);
// R^2 = 36 / 60 = 0.6.
const std::vector<double> kHandX = {1, 2, 3, 4, 5};
const std::vector<double> kHandY = {2, 4, 5, 4, 5};

const std::vector<double> kNorrisX = {
    0.2,   337.4, 118.2, 884.6, 10.1,  226.5, 666.3, 996.3, 448.6, 777.0, 558.2, 0.4,
    0.6,   775.5, 666.9, 338.0, 447.5, 11.6,  556.0, 228.1, 995.8, 887.6, 120.2, 0.3,
    0.3,   556.8, 339.1, 887.2, 999.0, 779.0, 11.1,  118.3, 229.2, 669.1, 448.9, 0.5};
const std::vector<double> kNorrisY = {
    0.1,   338.8, 118.1, 888.0, 9.2,   228.1, 668.5, 998.5, 449.1, 778.9, 559.2, 0.3,
    0.1,   778.1, 668.8, 339.3, 448.9, 10.8,  557.7, 228.3, 998.0, 888.8, 119.6, 0.3,
    0.6,   557.6, 339.3, 888.0, 998.5, 778.9, 10.2,  117.6, 228.9, 668.4, 449.2, 0.2};

// Agreement to within `relative` of the expected value.
void ExpectClose(double actual, double expected, double relative, const char* what) {
    EXPECT_NEAR(actual, expected, std::fabs(expected) * relative) << what;
}

std::vector<double> Scaled(const std::vector<double>& values, double factor, double offset = 0) {
    std::vector<double> out;
    for (double v : values) out.push_back(v * factor + offset);
    return out;
}

void ExpectHandResults(const LineFit& fit, double xScale, double yScale, double xOffset,
                       double relative) {
    ASSERT_TRUE(fit.defined);
    ASSERT_TRUE(fit.hasErrors);
    EXPECT_EQ(fit.n, 5u);
    ExpectClose(fit.slope, 0.6 * yScale / xScale, relative, "slope");
    ExpectClose(fit.intercept, (2.2 - 0.6 * xOffset / xScale) * yScale, relative, "intercept");
    ExpectClose(fit.slopeError, std::sqrt(0.08) * yScale / xScale, relative, "slope error");
    // The intercept's error grows with the distance of the data from x = 0:
    // s^2 (1/n + mean^2 / Sxx) with mean = 3 + offset / scale.
    const double mean = 3 + xOffset / xScale;
    ExpectClose(fit.interceptError, std::sqrt(0.8 * (0.2 + mean * mean / 10)) * yScale, relative,
                "intercept error");
    ExpectClose(fit.rSquared, 0.6, relative, "R squared");
}

}  // namespace

TEST(FitLine, ASmallSetWorkedByHand) {
    ExpectHandResults(FitLine(kHandX, kHandY), 1, 1, 0, 1e-14);
}

TEST(FitLine, NorrisDataGiveTheCertifiedValues) {
    const LineFit fit = FitLine(kNorrisX, kNorrisY);
    ASSERT_TRUE(fit.defined);
    ASSERT_TRUE(fit.hasErrors);
    EXPECT_EQ(fit.n, 36u);
    // Certified to 15 significant digits.
    ExpectClose(fit.slope, 1.00211681802045, 1e-13, "slope");
    ExpectClose(fit.intercept, -0.262323073774029, 1e-12, "intercept");
    ExpectClose(fit.slopeError, 0.429796848199937e-3, 1e-12, "slope error");
    ExpectClose(fit.interceptError, 0.232818234301152, 1e-12, "intercept error");
    ExpectClose(fit.rSquared, 0.999993745883712, 1e-14, "R squared");
}

// Far from the origin a fit from raw sums (n Sxy - Sx Sy) loses every digit
// to cancellation; centred, it keeps them.
TEST(FitLine, DataFarFromTheOriginKeepTheirAccuracy) {
    {
        SCOPED_TRACE("x near 10^9");
        ExpectHandResults(FitLine(Scaled(kHandX, 1, 1e9), kHandY), 1, 1, 1e9, 1e-9);
    }
    {
        SCOPED_TRACE("x near 1/T at room temperature, spaced by 10^-6");
        ExpectHandResults(FitLine(Scaled(kHandX, 1e-6, 0.0033), kHandY), 1e-6, 1, 0.0033, 1e-9);
    }
    {
        SCOPED_TRACE("y near 10^12");
        LineFit fit = FitLine(kHandX, Scaled(kHandY, 1, 1e12));
        ExpectClose(fit.slope, 0.6, 1e-12, "slope");
        EXPECT_NEAR(fit.intercept, 1e12 + 2.2, 1e-3);
        ExpectClose(fit.rSquared, 0.6, 1e-12, "R squared");
        ExpectClose(fit.slopeError, std::sqrt(0.08), 1e-12, "slope error");
    }
    {
        SCOPED_TRACE("Norris with 10^6 added to x");
        const LineFit fit = FitLine(Scaled(kNorrisX, 1, 1e6), kNorrisY);
        ExpectClose(fit.slope, 1.00211681802045, 1e-9, "slope");
        ExpectClose(fit.slopeError, 0.429796848199937e-3, 1e-9, "slope error");
        ExpectClose(fit.rSquared, 0.999993745883712, 1e-12, "R squared");
    }
}

TEST(FitLine, HugeAndTinyMagnitudesDoNotOverflow) {
    for (double scale : {1e300, 1e-300, 1e-310}) {
        SCOPED_TRACE(scale);
        ExpectHandResults(FitLine(Scaled(kHandX, scale), Scaled(kHandY, scale)), scale, scale, 0, 1e-12);
    }
    SCOPED_TRACE("x huge, y tiny");
    ExpectHandResults(FitLine(Scaled(kHandX, 1e150), Scaled(kHandY, 1e-150)), 1e150, 1e-150, 0, 1e-12);
}

TEST(FitLine, TwoPointsGiveALineWithoutErrors) {
    const LineFit fit = FitLine({1, 3}, {10, 4});
    EXPECT_EQ(fit.n, 2u);
    ASSERT_TRUE(fit.defined);
    EXPECT_EQ(fit.slope, -3.0);
    EXPECT_EQ(fit.intercept, 13.0);
    EXPECT_EQ(fit.rSquared, 1.0);
    EXPECT_FALSE(fit.hasErrors);
    EXPECT_TRUE(std::isnan(fit.slopeError));
    EXPECT_TRUE(std::isnan(fit.interceptError));
}

TEST(FitLine, NoLineWithoutTwoPointsAtDifferentX) {
    struct Case {
        const char* what;
        std::vector<double> xs, ys;
        size_t n;
    } cases[] = {
        {"no points", {}, {}, 0},
        {"one point", {2}, {3}, 1},
        {"all x the same", {2, 2, 2, 2}, {1, 5, 3, 4}, 4},
        {"two points at one x", {-7, -7}, {1, 1}, 2},
        {"one usable point among others", {1, kNaN, 3, kInf}, {2, 3, kNaN, 4}, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const LineFit fit = FitLine(c.xs, c.ys);
        EXPECT_EQ(fit.n, c.n);
        EXPECT_FALSE(fit.defined);
        EXPECT_FALSE(fit.hasErrors);
        for (double v : {fit.slope, fit.intercept, fit.slopeError, fit.interceptError, fit.rSquared}) {
            EXPECT_TRUE(std::isnan(v));
        }
    }
}

TEST(FitLine, PointsWithoutBothValuesAreLeftOut) {
    std::vector<double> xs = kHandX, ys = kHandY;
    // Spread among the good points: NaN and infinities on either axis.
    xs.insert(xs.begin() + 1, kNaN);
    ys.insert(ys.begin() + 1, 100);
    xs.insert(xs.begin() + 3, 100);
    ys.insert(ys.begin() + 3, kNaN);
    xs.push_back(kInf);
    ys.push_back(1);
    xs.push_back(1);
    ys.push_back(-kInf);
    // Pairs beyond the shorter vector do not count either.
    xs.push_back(6);
    ExpectHandResults(FitLine(xs, ys), 1, 1, 0, 1e-14);
}

TEST(FitLine, PointsOnALine) {
    {
        SCOPED_TRACE("rising");
        const LineFit fit = FitLine({0, 1, 2, 3}, {1, 3, 5, 7});
        EXPECT_EQ(fit.slope, 2.0);
        EXPECT_EQ(fit.intercept, 1.0);
        EXPECT_EQ(fit.slopeError, 0.0);
        EXPECT_EQ(fit.interceptError, 0.0);
        EXPECT_EQ(fit.rSquared, 1.0);
    }
    {
        SCOPED_TRACE("falling: R squared is still positive");
        const LineFit fit = FitLine({0, 1, 2, 3, 4}, {8, 6, 4, 2, 0});
        EXPECT_EQ(fit.slope, -2.0);
        EXPECT_EQ(fit.intercept, 8.0);
        EXPECT_EQ(fit.rSquared, 1.0);
    }
    {
        SCOPED_TRACE("level: no R squared");
        const LineFit fit = FitLine({0, 1, 2, 5}, {3, 3, 3, 3});
        ASSERT_TRUE(fit.defined);
        EXPECT_EQ(fit.slope, 0.0);
        EXPECT_EQ(fit.intercept, 3.0);
        EXPECT_EQ(fit.slopeError, 0.0);
        EXPECT_EQ(fit.interceptError, 0.0);
        EXPECT_TRUE(std::isnan(fit.rSquared));
    }
}
