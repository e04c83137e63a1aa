#include "measurements/log_fit.h"

#include <algorithm>
#include <cmath>
#include <cwchar>

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
    if (!std::isfinite(x)) return L"-";
    wchar_t text[32];
    std::swprintf(text, 32, L"%.5g", x);
    return text;
}

std::vector<std::wstring> FitTextLines(const LineFit& fit, PlotX x, PlotY y) {
    std::vector<std::wstring> lines;
    lines.push_back(L"slope = " + FitNumberText(fit.slope) + L" \u00B1 " + FitNumberText(fit.slopeError));
    lines.push_back(L"intercept = " + FitNumberText(fit.intercept) + L" \u00B1 " +
                    FitNumberText(fit.interceptError));
    lines.push_back(L"R\u00B2 = " + FitNumberText(fit.rSquared) + L", n = " + std::to_wstring(fit.n));
    if (FitGivesBandGap(x, y)) {
        lines.push_back(L"E_g = \u22122k \u00D7 slope = " + FitNumberText(BandGapOfSlope(fit.slope)) + L" \u00B1 " +
                        FitNumberText(BandGapErrorOfSlope(fit.slopeError)) + L" eV");
    }
    return lines;
}
