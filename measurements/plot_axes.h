#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "measurements/measurement_log.h"

// What the plot of the log can show along its axes, computed from the rows as
// numbers, and the axes' ticks, apart from any drawing.

// The horizontal axis.
enum class PlotX {
    number,              // No.
    temperature,         // T, K
    inverseTemperature,  // 1/T, 1/K
    sampleCurrent,       // I, mA
    magnetCurrent,       // I_m, A
};
inline constexpr int kPlotXCount = 5;

// The vertical axis. The logarithms are natural ones of the values in mV.
enum class PlotY {
    hallVoltage,             // V_H, mV
    hallVoltageMagnitude,    // |V_H|, mV
    sampleVoltage,           // V_sigma, mV
    lnHallVoltageMagnitude,  // ln|V_H|
    lnSampleVoltage,         // ln V_sigma
    lnInverseSampleVoltage,  // ln(1/V_sigma)
};
inline constexpr int kPlotYCount = 6;

// The axis titles with their units: "No.", "T (K)", "1/T (1/K)", "I (mA)",
// "I_m (A)"; "V_H (mV)", "|V_H| (mV)", "V_σ (mV)", "ln|V_H|", "ln V_σ",
// "ln(1/V_σ)".
const wchar_t* PlotLabel(PlotX x);
const wchar_t* PlotLabel(PlotY y);

// A row's value along an axis: always finite, or NaN where the row has none:
// a text that holds no number ("*****"), an infinity, 1/T at T = 0, the
// logarithm of zero or of a negative value.
double PlotValue(const MeasurementRow& row, PlotX x);
double PlotValue(const MeasurementRow& row, PlotY y);

// The points of the log that can be drawn: the rows with a value on both axes,
// in the log's order.
struct PlotPoints {
    std::vector<double> xs;
    std::vector<double> ys;
    std::vector<size_t> rows;  // the index in the log of each point
};
PlotPoints CollectPlotPoints(const MeasurementLog& log, PlotX x, PlotY y);

// The materials of the plot's points, so that each is drawn in its own way:
// the material numbers that have a point, rising, and for each point the
// index among them of its row's material.
struct PlotMaterials {
    std::vector<int> materials;
    std::vector<size_t> ofPoint;
};
PlotMaterials MaterialsOfPoints(const MeasurementLog& log, const PlotPoints& points);

// The legend's name of a material: "Material 3"; "No material" for 0.
std::wstring MaterialLegendName(int material);

// Ticks along one axis at a "nice" step: 1, 2 or 5 times a power of ten.
struct AxisTicks {
    double step = 0.2;
    // The ticks from the lowest to the highest, evenly spaced by the step,
    // each the double nearest to its exact decimal value (0.3, never
    // 0.30000000000000004). The first and the last are the axis' ends.
    std::vector<double> values;
    // Each tick's label, exactly its decimal value: all with the same number
    // of decimals ("0.0", "0.5", "1.0"), or, for values of 10^6 and more or
    // steps below 10^-4, all with one power of ten, that of the largest
    // magnitude ("0", "0.5e-5", "1.0e-5", "1.5e-5"). Zero is always "0" in
    // the latter style and never has a minus sign.
    std::vector<std::wstring> labels;
};

// Ticks covering [low, high] (in either order) with about `roughCount`
// intervals (clamped to 1..100; the result has from about roughCount/2.5 to
// roughCount + 2 intervals, never fewer than one): the step is the smallest
// nice one not below (high - low) / roughCount (to within the rounding of that
// quotient), and the ends are the multiples of the step just at or beyond low
// and high.
//
// A single value (low == high) is widened by a tenth of its magnitude each
// way (by 1 each way for zero); a range narrower than 10^-12 of its magnitude
// is widened to that, so that every tick keeps a distinct label. Non-finite
// ends give the axis 0 to 1. Ticks never leave the double range: at its very
// ends the outermost tick may fall short of the data.
AxisTicks NiceTicks(double low, double high, int roughCount);
