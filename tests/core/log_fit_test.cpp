// The log's "Fit line" apart from its window: the points it takes and the
// text it shows, against values worked out by hand.
#include "measurements/log_fit.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

namespace {

// x = 1..5, y = 2, 4, 5, 4, 5 (rows 0, 2, 3, 5, 6 of a log whose rows 1 and 4
// have no point). Slope 0.6 +- sqrt(0.08), intercept 2.2 +- sqrt(0.88),
// R^2 = 0.6 (see line_fit_test.cpp for the hand calculation).
PlotPoints HandPoints() {
    PlotPoints points;
    points.xs = {1, 2, 3, 4, 5};
    points.ys = {2, 4, 5, 4, 5};
    points.rows = {0, 2, 3, 5, 6};
    return points;
}

TEST(LogFit, TakesAllPointsWithoutASelectionAndOnlyTheSelectedOnesWithOne) {
    const PlotPoints points = HandPoints();
    const LineFit all = FitPlotPoints(points, {});
    EXPECT_EQ(all.n, 5u);
    EXPECT_NEAR(all.slope, 0.6, 1e-15);

    // Rows 1 and 4 have no point and are left out; rows 2, 3 and 5 are the
    // points (2, 4), (3, 5), (4, 4): slope 0, intercept 13/3.
    const LineFit some = FitPlotPoints(points, {1, 2, 3, 4, 5});
    EXPECT_EQ(some.n, 3u);
    EXPECT_NEAR(some.slope, 0, 1e-15);
    EXPECT_NEAR(some.intercept, 13.0 / 3, 1e-14);

    // Selected rows none of which is plotted: no line.
    EXPECT_FALSE(FitPlotPoints(points, {1, 4}).defined);
}

TEST(LogFit, ShowsTheStatisticsAsAReportWritesThem) {
    // Each standard error to two significant digits, its value to the same
    // place, R² with four decimals.
    const LineFit fit = FitPlotPoints(HandPoints(), {});
    const std::vector<std::wstring> lines = FitTextLines(fit, PlotX::number, PlotY::hallVoltage);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0], L"slope = 0.60 \u00B1 0.28");
    EXPECT_EQ(lines[1], L"intercept = 2.20 \u00B1 0.94");
    EXPECT_EQ(lines[2], L"R\u00B2 = 0.6000, n = 5");

    // A fit that is nearly, but not quite, perfect does not read R² = 1; a
    // falling line has the minus sign.
    PlotPoints close;
    close.xs = {1, 2, 3, 4};
    close.ys = {-10, -20.001, -30, -40};
    close.rows = {0, 1, 2, 3};
    const LineFit nearly = FitPlotPoints(close, {});
    ASSERT_LT(nearly.rSquared, 1);
    const std::vector<std::wstring> falling = FitTextLines(nearly, PlotX::number, PlotY::hallVoltage);
    EXPECT_EQ(falling[0], L"slope = \u22129.99990 \u00B1 0.00026");
    EXPECT_EQ(falling[2], L"R\u00B2 = 0.9999999986, n = 4");
}

TEST(LogFit, GivesTheBandGapOnlyForLnInverseSampleVoltageAgainstInverseTemperature) {
    // ln(1/V_sigma) falling by 6.5 from 1/T = 0.001 to 0.002: slope -6500 K,
    // E_g = 2 * 8.617333262e-5 * 6500 = 1.12025332406 eV; two points give no
    // standard error.
    PlotPoints points;
    points.xs = {0.001, 0.002};
    points.ys = {0, -6.5};
    points.rows = {0, 1};
    const LineFit fit = FitPlotPoints(points, {});
    EXPECT_NEAR(BandGapOfSlope(fit.slope), 1.12025332406, 1e-11);
    const std::vector<std::wstring> lines =
        FitTextLines(fit, PlotX::inverseTemperature, PlotY::lnInverseSampleVoltage);
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0], L"slope = \u22126500");
    EXPECT_EQ(lines[3], L"E_g = \u22122k \u00D7 slope = 1.1203 eV");
    EXPECT_NEAR(BandGapErrorOfSlope(10), 1.7234666524e-3, 1e-15);

    for (int x = 0; x < kPlotXCount; ++x) {
        for (int y = 0; y < kPlotYCount; ++y) {
            const bool bandGap = static_cast<PlotX>(x) == PlotX::inverseTemperature &&
                                 static_cast<PlotY>(y) == PlotY::lnInverseSampleVoltage;
            EXPECT_EQ(FitGivesBandGap(static_cast<PlotX>(x), static_cast<PlotY>(y)), bandGap) << x << " " << y;
            EXPECT_EQ(FitTextLines(fit, static_cast<PlotX>(x), static_cast<PlotY>(y)).size(), bandGap ? 4u : 3u);
        }
    }
}

TEST(LogFit, ShowsADashForAValueThatIsNoNumber) {
    EXPECT_EQ(FitNumberText(std::numeric_limits<double>::quiet_NaN()), L"-");
    EXPECT_EQ(FitNumberText(std::numeric_limits<double>::infinity()), L"-");
    EXPECT_EQ(FitNumberText(-0.00046694123), L"\u22120.00046694");
    EXPECT_EQ(FitNumberText(123456.7), L"1.2346e5");
}

}  // namespace
