// Tests of what the plot shows: the quantities of a row along each axis, and
// the axes' ticks and their labels.
#include "measurements/plot_axes.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "numtext/number_parse.h"

namespace {

MeasurementRow Row(const std::wstring& temperature, const std::wstring& hallVoltage,
                   const std::wstring& sampleVoltage) {
    MeasurementRow row;
    row.time = L"2026-12-08 22:36:18";
    row.material = 1;
    row.temperature = temperature;
    row.sampleCurrent = L"10.000";
    row.magnetCurrent = L"5.0000";
    row.hallVoltage = hallVoltage;
    row.sampleVoltage = sampleVoltage;
    return row;
}

std::string Narrow(const std::wstring& text) {
    std::string s;
    for (wchar_t c : text) s += c < 0x80 ? static_cast<char>(c) : '?';
    return s;
}

std::vector<std::string> Labels(const AxisTicks& ticks) {
    std::vector<std::string> labels;
    for (const std::wstring& label : ticks.labels) labels.push_back(Narrow(label));
    return labels;
}

// What every set of ticks promises, whatever the range.
void ExpectSoundTicks(const AxisTicks& ticks, double low, double high, int roughCount) {
    ASSERT_GE(ticks.values.size(), 2u);
    ASSERT_EQ(ticks.values.size(), ticks.labels.size());
    EXPECT_LE(ticks.values.size(), static_cast<size_t>(roughCount) + 3);
    // 1, 2 or 5 times a power of ten.
    const double power = std::pow(10.0, std::floor(std::log10(ticks.step)));
    const double mantissa = ticks.step / power;
    EXPECT_TRUE(std::fabs(mantissa - 1) < 1e-9 || std::fabs(mantissa - 2) < 1e-9 ||
                std::fabs(mantissa - 5) < 1e-9 || std::fabs(mantissa - 10) < 1e-9)
        << "step " << ticks.step;
    for (size_t i = 0; i < ticks.values.size(); ++i) {
        ASSERT_TRUE(std::isfinite(ticks.values[i]));
        // Each label is exactly its tick: read back, it gives the same double.
        EXPECT_EQ(ParseReal(ticks.labels[i]), ticks.values[i]) << Narrow(ticks.labels[i]);
        if (i > 0) {
            EXPECT_LT(ticks.values[i - 1], ticks.values[i]);
            EXPECT_NE(ticks.labels[i - 1], ticks.labels[i]);
            // Evenly spaced, to the rounding of each tick.
            EXPECT_NEAR(ticks.values[i] - ticks.values[i - 1], ticks.step,
                        ticks.step * 1e-6 + std::fabs(ticks.values[i]) * 1e-15);
        }
    }
    // The ends enclose the data, unless that needs a tick beyond the doubles.
    if (std::fabs(low) < 1e307) {
        EXPECT_LE(ticks.values.front(), std::min(low, high));
    }
    if (std::fabs(high) < 1e307) {
        EXPECT_GE(ticks.values.back(), std::max(low, high));
    }
}

}  // namespace

TEST(PlotLabel, EveryAxisHasItsTitleWithUnits) {
    const wchar_t* xs[kPlotXCount] = {L"No.", L"T (K)", L"1/T (1/K)", L"I (mA)", L"I_m (A)"};
    for (int i = 0; i < kPlotXCount; ++i) EXPECT_EQ(std::wstring(PlotLabel(static_cast<PlotX>(i))), xs[i]);
    const wchar_t* ys[kPlotYCount] = {L"V_H (mV)", L"|V_H| (mV)", L"V_\u03C3 (mV)",
                                      L"ln|V_H|",  L"ln V_\u03C3", L"ln(1/V_\u03C3)"};
    for (int i = 0; i < kPlotYCount; ++i) EXPECT_EQ(std::wstring(PlotLabel(static_cast<PlotY>(i))), ys[i]);
}

TEST(PlotValue, EachQuantityOfARow) {
    MeasurementRow row = Row(L"250.00", L"-283.27", L"1234.5");
    row.number = 17;
    row.sampleCurrent = L"10.000";
    row.magnetCurrent = L"5.0000";
    EXPECT_EQ(PlotValue(row, PlotX::number), 17.0);
    EXPECT_EQ(PlotValue(row, PlotX::temperature), 250.0);
    EXPECT_EQ(PlotValue(row, PlotX::inverseTemperature), 0.004);
    EXPECT_EQ(PlotValue(row, PlotX::sampleCurrent), 10.0);
    EXPECT_EQ(PlotValue(row, PlotX::magnetCurrent), 5.0);
    EXPECT_EQ(PlotValue(row, PlotY::hallVoltage), -283.27);
    EXPECT_EQ(PlotValue(row, PlotY::hallVoltageMagnitude), 283.27);
    EXPECT_EQ(PlotValue(row, PlotY::sampleVoltage), 1234.5);
    // ln 283.27 = 5.6464005064180652..., ln 1234.5 = 7.1184213087852341...
    EXPECT_NEAR(PlotValue(row, PlotY::lnHallVoltageMagnitude), 5.6464005064180652, 1e-14);
    EXPECT_NEAR(PlotValue(row, PlotY::lnSampleVoltage), 7.1184213087852341, 1e-14);
    EXPECT_EQ(PlotValue(row, PlotY::lnInverseSampleVoltage), -PlotValue(row, PlotY::lnSampleVoltage));

    // Powers of e read back as whole logarithms.
    row = Row(L"1", L"1.0000", L"1.0000");
    EXPECT_EQ(PlotValue(row, PlotY::lnHallVoltageMagnitude), 0.0);
    EXPECT_EQ(PlotValue(row, PlotY::lnInverseSampleVoltage), 0.0);
    row.hallVoltage = L"-7.3890560989306504";  // -e^2
    EXPECT_NEAR(PlotValue(row, PlotY::lnHallVoltageMagnitude), 2.0, 1e-15);
    row.sampleVoltage = L"0.36787944117144233";  // 1/e
    EXPECT_NEAR(PlotValue(row, PlotY::lnInverseSampleVoltage), 1.0, 1e-15);
}

TEST(PlotValue, NaNWhereARowHasNoValue) {
    struct Case {
        const char* what;
        MeasurementRow row;
        std::vector<PlotX> xs;
        std::vector<PlotY> ys;
    } cases[] = {
        {"no readings", Row(L"300", L"*****", L"*****"), {},
         {PlotY::hallVoltage, PlotY::hallVoltageMagnitude, PlotY::sampleVoltage, PlotY::lnHallVoltageMagnitude,
          PlotY::lnSampleVoltage, PlotY::lnInverseSampleVoltage}},
        {"T = 0", Row(L"0", L"1", L"1"), {PlotX::inverseTemperature}, {}},
        {"T = -0", Row(L"-0.0", L"1", L"1"), {PlotX::inverseTemperature}, {}},
        {"T empty", Row(L"", L"1", L"1"), {PlotX::temperature, PlotX::inverseTemperature}, {}},
        {"zero readings", Row(L"300", L"0.0000", L"0"), {},
         {PlotY::lnHallVoltageMagnitude, PlotY::lnSampleVoltage, PlotY::lnInverseSampleVoltage}},
        {"a negative sample voltage", Row(L"300", L"1", L"-5.0"), {},
         {PlotY::lnSampleVoltage, PlotY::lnInverseSampleVoltage}},
        {"infinite texts", Row(L"1.#INF", L"-1.#INF", L"1.#INF"),
         {PlotX::temperature},
         {PlotY::hallVoltage, PlotY::hallVoltageMagnitude, PlotY::sampleVoltage, PlotY::lnHallVoltageMagnitude,
          PlotY::lnSampleVoltage, PlotY::lnInverseSampleVoltage}},
        {"the NaN text", Row(L"-1.#IND", L"-1.#IND", L"-1.#IND"),
         {PlotX::temperature, PlotX::inverseTemperature}, {PlotY::hallVoltage, PlotY::sampleVoltage}},
        {"a temperature too small to invert", Row(L"1e-320", L"1", L"1"), {PlotX::inverseTemperature}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        for (PlotX x : c.xs) EXPECT_TRUE(std::isnan(PlotValue(c.row, x))) << static_cast<int>(x);
        for (PlotY y : c.ys) EXPECT_TRUE(std::isnan(PlotValue(c.row, y))) << static_cast<int>(y);
    }
    // 1/T of a negative temperature is a number; ln|V_H| of a negative V_H is too.
    EXPECT_EQ(PlotValue(Row(L"-4", L"1", L"1"), PlotX::inverseTemperature), -0.25);
    EXPECT_EQ(PlotValue(Row(L"1", L"-1", L"1"), PlotY::lnHallVoltageMagnitude), 0.0);
    // The smallest positive voltage has a finite -ln V, where 1/V would overflow.
    EXPECT_NEAR(PlotValue(Row(L"1", L"1", L"4.9406564584124654e-324"), PlotY::lnInverseSampleVoltage),
                744.44007192138126, 1e-9);
}

TEST(CollectPlotPoints, OnlyRowsWithBothValuesInTheLogsOrder) {
    MeasurementLog log;
    log.Append(Row(L"300", L"-2.0", L"4.0"));
    log.Append(Row(L"0", L"-3.0", L"5.0"));      // no 1/T
    log.Append(Row(L"200", L"*****", L"*****"));  // no readings
    log.Append(Row(L"250", L"-1.0", L"-6.0"));    // no ln V_sigma
    log.Append(Row(L"500", L"-5.0", L"0.5"));
    const PlotPoints points = CollectPlotPoints(log, PlotX::inverseTemperature, PlotY::lnSampleVoltage);
    EXPECT_EQ(points.rows, (std::vector<size_t>{0, 4}));
    EXPECT_EQ(points.xs, (std::vector<double>{1.0 / 300.0, 1.0 / 500.0}));
    EXPECT_EQ(points.ys, (std::vector<double>{std::log(4.0), std::log(0.5)}));

    const PlotPoints byNumber = CollectPlotPoints(log, PlotX::number, PlotY::hallVoltageMagnitude);
    EXPECT_EQ(byNumber.rows, (std::vector<size_t>{0, 1, 3, 4}));
    EXPECT_EQ(byNumber.xs, (std::vector<double>{1, 2, 4, 5}));
    EXPECT_EQ(byNumber.ys, (std::vector<double>{2, 3, 1, 5}));
    EXPECT_TRUE(CollectPlotPoints(MeasurementLog(), PlotX::number, PlotY::hallVoltage).rows.empty());
}

TEST(MaterialsOfPoints, EachPointKnowsItsMaterialAmongThoseInThePlot) {
    // An n-type and a p-type sample in one log, a row with no point between.
    MeasurementLog log;
    const int materials[] = {7, 3, 7, 3, 12, 3};
    for (int material : materials) {
        MeasurementRow row = Row(L"300", L"-2.0", L"4.0");
        row.material = material;
        log.Append(row);
    }
    PlotPoints points = CollectPlotPoints(log, PlotX::number, PlotY::hallVoltage);
    // Material 12's only row has no point.
    points.xs.erase(points.xs.begin() + 4);
    points.ys.erase(points.ys.begin() + 4);
    points.rows.erase(points.rows.begin() + 4);
    const PlotMaterials found = MaterialsOfPoints(log, points);
    EXPECT_EQ(found.materials, (std::vector<int>{3, 7}));
    EXPECT_EQ(found.ofPoint, (std::vector<size_t>{1, 0, 1, 0, 0}));
    EXPECT_EQ(MaterialLegendName(3), L"Material 3");
    EXPECT_EQ(MaterialLegendName(0), L"No material");
    EXPECT_TRUE(MaterialsOfPoints(MeasurementLog(), PlotPoints()).materials.empty());
}

TEST(NiceTicks, UsualRangesGetRoundStepsAndShortExactLabels) {
    struct Case {
        double low, high;
        int rough;
        double step;
        std::vector<double> values;
        std::vector<std::string> labels;
    } cases[] = {
        {0, 10, 5, 2, {0, 2, 4, 6, 8, 10}, {"0", "2", "4", "6", "8", "10"}},
        {0, 1, 5, 0.2, {0, 0.2, 0.4, 0.6, 0.8, 1}, {"0.0", "0.2", "0.4", "0.6", "0.8", "1.0"}},
        {0.1, 0.35, 5, 0.05, {0.1, 0.15, 0.2, 0.25, 0.3, 0.35}, {"0.10", "0.15", "0.20", "0.25", "0.30", "0.35"}},
        {0.12, 0.31, 3, 0.1, {0.1, 0.2, 0.3, 0.4}, {"0.1", "0.2", "0.3", "0.4"}},
        {-7, 3, 5, 2, {-8, -6, -4, -2, 0, 2, 4}, {"-8", "-6", "-4", "-2", "0", "2", "4"}},
        {-0.3, -0.1, 2, 0.1, {-0.3, -0.2, -0.1}, {"-0.3", "-0.2", "-0.1"}},
        {-0.05, 0.05, 2, 0.05, {-0.05, 0, 0.05}, {"-0.05", "0.00", "0.05"}},
        {291, 309, 5, 5, {290, 295, 300, 305, 310}, {"290", "295", "300", "305", "310"}},
        {250, 350, 4, 50, {250, 300, 350}, {"250", "300", "350"}},
        {0.00312, 0.00408, 5, 0.0002, {0.003, 0.0032, 0.0034, 0.0036, 0.0038, 0.004, 0.0042},
         {"0.0030", "0.0032", "0.0034", "0.0036", "0.0038", "0.0040", "0.0042"}},
        {1, 100000, 2, 50000, {0, 50000, 100000}, {"0", "50000", "100000"}},
        // Steps below 10^-4 and values of 10^6 or more: one power of ten.
        {0, 3e-5, 3, 1e-5, {0, 1e-5, 2e-5, 3e-5}, {"0", "1e-5", "2e-5", "3e-5"}},
        {0, 1.5e-5, 3, 5e-6, {0, 5e-6, 1e-5, 1.5e-5}, {"0", "0.5e-5", "1.0e-5", "1.5e-5"}},
        {-2e-7, 1e-7, 3, 1e-7, {-2e-7, -1e-7, 0, 1e-7}, {"-2e-7", "-1e-7", "0", "1e-7"}},
        {0, 4e6, 2, 2e6, {0, 2e6, 4e6}, {"0", "2e6", "4e6"}},
        {999100, 1000900, 4, 500, {999000, 999500, 1000000, 1000500, 1001000},
         {"0.9990e6", "0.9995e6", "1.0000e6", "1.0005e6", "1.0010e6"}},
        {1e16, 3e16, 2, 1e16, {1e16, 2e16, 3e16}, {"1e16", "2e16", "3e16"}},
        {-1.2e-20, 0, 2, 1e-20, {-2e-20, -1e-20, 0}, {"-2e-20", "-1e-20", "0"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.low << " to " << c.high << ", about " << c.rough);
        const AxisTicks ticks = NiceTicks(c.low, c.high, c.rough);
        EXPECT_EQ(ticks.step, c.step);
        // Each the double nearest its decimal value: 0.3, not 0.1 + 0.2.
        EXPECT_EQ(ticks.values, c.values);
        EXPECT_EQ(Labels(ticks), c.labels);
        ExpectSoundTicks(ticks, c.low, c.high, c.rough);
    }
}

TEST(NiceTicks, DegenerateRangesStillGetAnAxis) {
    struct Case {
        const char* what;
        double low, high;
        std::vector<double> values;
    } cases[] = {
        {"a single value", 5, 5, {4.4, 4.6, 4.8, 5.0, 5.2, 5.4, 5.6}},
        {"zero alone", 0, 0, {-1, -0.5, 0, 0.5, 1}},
        {"a negative value alone", -300, -300, {-340, -320, -300, -280, -260}},
        {"reversed", 10, 0, {0, 2, 4, 6, 8, 10}},
        {"NaN", std::nan(""), 3, {0, 0.2, 0.4, 0.6, 0.8, 1}},
        {"infinite", -HUGE_VAL, HUGE_VAL, {0, 0.2, 0.4, 0.6, 0.8, 1}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const AxisTicks ticks = NiceTicks(c.low, c.high, 5);
        EXPECT_EQ(ticks.values, c.values);
        if (std::isfinite(c.low) && std::isfinite(c.high)) ExpectSoundTicks(ticks, c.low, c.high, 5);
    }
    EXPECT_EQ(Labels(NiceTicks(0, 0, 5)), (std::vector<std::string>{"-1.0", "-0.5", "0.0", "0.5", "1.0"}));
    EXPECT_EQ(Labels(NiceTicks(-300, -300, 5)),
              (std::vector<std::string>{"-340", "-320", "-300", "-280", "-260"}));
    // Rough counts outside 1..100 are taken as the nearest of those.
    EXPECT_EQ(NiceTicks(0, 10, 0).values, NiceTicks(0, 10, 1).values);
    EXPECT_EQ(NiceTicks(0, 10, -5).values, (std::vector<double>{0, 10}));
    EXPECT_EQ(NiceTicks(0, 1, 1000).values.size(), 101u);
}

TEST(NiceTicks, TheEndsOfTheDoubleRange) {
    {
        SCOPED_TRACE("all of it");
        const AxisTicks ticks = NiceTicks(-DBL_MAX, DBL_MAX, 5);
        EXPECT_EQ(ticks.values, (std::vector<double>{-1e308, 0, 1e308}));
        EXPECT_EQ(Labels(ticks), (std::vector<std::string>{"-1e308", "0", "1e308"}));
    }
    {
        SCOPED_TRACE("near the top");
        const AxisTicks ticks = NiceTicks(1.2e308, 1.7e308, 5);
        ExpectSoundTicks(ticks, 1.2e308, 1.7e308, 5);
        EXPECT_EQ(ticks.values.back(), 1.7e308);
    }
    for (double low : {1e-320, 4.9e-324, 1e-300}) {
        SCOPED_TRACE(low);
        const AxisTicks ticks = NiceTicks(low, 2 * low, 5);
        ExpectSoundTicks(ticks, low, 2 * low, 5);
    }
    {
        SCOPED_TRACE("a range of a few units in the last place");
        const double low = 1.0, high = std::nextafter(std::nextafter(1.0, 2.0), 2.0);
        const AxisTicks ticks = NiceTicks(low, high, 5);
        ExpectSoundTicks(ticks, low, high, 5);
        EXPECT_GE(ticks.step, 1e-13);
    }
}

TEST(NiceTicks, AnyRangeGivesSoundTicks) {
    std::mt19937_64 random(20261208);
    std::uniform_real_distribution<double> mantissa(-10, 10);
    std::uniform_int_distribution<int> exponent(-300, 300);
    std::uniform_int_distribution<int> rough(1, 20);
    std::uniform_int_distribution<int> spread(-16, 3);
    for (int i = 0; i < 20000; ++i) {
        const double centre = mantissa(random) * std::pow(10.0, exponent(random));
        // Widths from a few units in the last place to a thousand times the value.
        const double width = std::fabs(centre) * std::pow(10.0, spread(random)) * std::fabs(mantissa(random));
        const double low = centre - width / 2, high = centre + width / 2;
        const int count = rough(random);
        SCOPED_TRACE(testing::Message() << std::hexfloat << low << " to " << high << ", about " << count);
        ExpectSoundTicks(NiceTicks(low, high, count), low, high, count);
        if (HasFailure()) break;
    }
}
