#pragma once

#include <cstddef>
#include <vector>

// The least-squares straight line y = slope x + intercept through points of
// the plot, with the usual statistics of ordinary least squares.
struct LineFit {
    // Points used: the pairs xs[i], ys[i] with both values finite (NaN and
    // infinite values are left out, pair by pair).
    size_t n = 0;

    // Whether there is a line: at least two points used, not all at the same x.
    // Without one every value below is NaN.
    bool defined = false;
    double slope = 0;
    double intercept = 0;

    // Whether the standard errors mean anything: a line through at least
    // three points. Without that they are NaN.
    bool hasErrors = false;
    double slopeError = 0;      // standard error of the slope
    double interceptError = 0;  // standard error of the intercept

    // The coefficient of determination, 0..1: 1 for points on the line (two
    // points always). NaN when all points used have the same y, where it has
    // no meaning, and without a line.
    double rSquared = 0;
};

// Fits the pairs (xs[i], ys[i]) for i below the smaller of the two sizes.
// The data are centred on their means and scaled before the sums are taken,
// so points far from the origin (T near 300 K with a spread of a few kelvin,
// 1/T near 0.003) lose no accuracy to cancellation, and values near the ends
// of the double range do not overflow. A result that does not fit in a
// double is an infinity.
LineFit FitLine(const std::vector<double>& xs, const std::vector<double>& ys);
