#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "measurements/line_fit.h"
#include "measurements/plot_axes.h"

// The measurement log's "Fit line" apart from its window: which points it
// fits, and the text it shows beside the line.

// Boltzmann's constant in eV/K, for the band gap from a fitted slope.
inline constexpr double kBoltzmannEvPerK = 8.617333262e-5;

// The line through the plot's points of the given rows (indices into the log,
// rising), or through all its points when no row is given. A given row that
// has no point in the plot is left out.
LineFit FitPlotPoints(const PlotPoints& points, const std::vector<size_t>& rows);

// Whether a fit of these axes gives the band gap: X = 1/T and Y =
// ln(1/V_sigma), where ln(1/V_sigma) is ln sigma plus a constant and sigma
// goes as exp(-E_g / 2kT) in the intrinsic range.
bool FitGivesBandGap(PlotX x, PlotY y);

// The band gap from a slope against 1/T (K): -2k slope, in eV; and its
// standard error from the slope's, 2k s(slope).
double BandGapOfSlope(double slope);
double BandGapErrorOfSlope(double slopeError);

// A number with no error to go with it, as the fit's text shows it: five
// significant digits in the manner of "%.5g" with the minus sign "−", or "-"
// when it is not finite (SignificantText).
std::wstring FitNumberText(double x);

// The lines the plot shows beside a fitted line:
//   "slope = S ± s", "intercept = A ± a", "R² = R, n = N",
// and for the band gap's axes "E_g = −2k × slope = E ± e eV": each error to
// two significant digits and its value to the same place, R² to where it
// differs from 1 (ValueWithErrorText, DeterminationText). A fit of two points
// has no errors and shows its values alone. The "_" of "E_g" stands for a
// subscript, as in the plot's titles.
std::vector<std::wstring> FitTextLines(const LineFit& fit, PlotX x, PlotY y);
