#include "measurements/log_fit.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "numtext/measured_value_text.h"

LineFit FitPlotPoints(const PlotPoints& points, const std::vector<size_t>& rows) {
    const bool all = rows.empty();
    std::vector<double> xs, ys;
    for (size_t k = 0; k < points.rows.size() && k < points.xs.size() && k < points.ys.size(); ++k) {
        if (!all && !std::binary_search(rows.begin(), rows.end(), points.rows[k])) continue;
        xs.push_back(points.xs[k]);
        ys.push_back(points.ys[k]);
    }
    return FitLine(xs, ys);
}

bool FitGivesBandGap(PlotX x, PlotY y) {
    return x == PlotX::inverseTemperature && y == PlotY::lnInverseSampleVoltage;
}

double BandGapOfSlope(double slope) {
    return -2 * kBoltzmannEvPerK * slope;
}

double BandGapErrorOfSlope(double slopeError) {
    return 2 * kBoltzmannEvPerK * slopeError;
}

std::wstring FitNumberText(double x) {
    return SignificantText(x, 5);
}

std::vector<std::wstring> FitTextLines(const LineFit& fit, PlotX x, PlotY y) {
    std::vector<std::wstring> lines;
    // Without standard errors (two points) the values are shown alone.
    const double noError = std::numeric_limits<double>::quiet_NaN();
    const double slopeError = fit.hasErrors ? fit.slopeError : noError;
    const double interceptError = fit.hasErrors ? fit.interceptError : noError;
    lines.push_back(L"slope = " + ValueWithErrorText(fit.slope, slopeError));
    lines.push_back(L"intercept = " + ValueWithErrorText(fit.intercept, interceptError));
    lines.push_back(L"R\u00B2 = " + DeterminationText(fit.rSquared) + L", n = " + std::to_wstring(fit.n));
    if (FitGivesBandGap(x, y)) {
        lines.push_back(L"E_g = \u22122k \u00D7 slope = " +
                        ValueWithErrorText(BandGapOfSlope(fit.slope), BandGapErrorOfSlope(slopeError)) + L" eV");
    }
    return lines;
}
