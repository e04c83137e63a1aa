#include "measurements/line_fit.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

// The exponent e for which the largest magnitude lies in [2^(e-1), 2^e): the
// values divided by 2^e lie within (-1, 1), exactly, being only re-scaled by
// a power of two. 0 for all zeros.
int ScaleExponent(const std::vector<double>& values) {
    double largest = 0;
    for (double v : values) largest = std::max(largest, std::fabs(v));
    int exponent = 0;
    std::frexp(largest, &exponent);
    return exponent;
}

// The mean, with the usual correction pass for the rounding of the first.
double Mean(const std::vector<double>& values) {
    const double n = static_cast<double>(values.size());
    double sum = 0;
    for (double v : values) sum += v;
    const double mean = sum / n;
    double residual = 0;
    for (double v : values) residual += v - mean;
    return mean + residual / n;
}

}  // namespace

LineFit FitLine(const std::vector<double>& xs, const std::vector<double>& ys) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    LineFit fit;
    fit.slope = fit.intercept = fit.slopeError = fit.interceptError = fit.rSquared = nan;

    std::vector<double> x, y;
    const size_t count = std::min(xs.size(), ys.size());
    x.reserve(count);
    y.reserve(count);
    for (size_t i = 0; i < count; ++i) {
        if (std::isfinite(xs[i]) && std::isfinite(ys[i])) {
            x.push_back(xs[i]);
            y.push_back(ys[i]);
        }
    }
    fit.n = x.size();
    if (fit.n < 2) return fit;

    // Scaled into (-1, 1) and centred: the differences from the means then lie
    // within (-2, 2), and no sum below can overflow.
    const int ex = ScaleExponent(x);
    const int ey = ScaleExponent(y);
    for (double& v : x) v = std::ldexp(v, -ex);
    for (double& v : y) v = std::ldexp(v, -ey);
    const double mx = Mean(x);
    const double my = Mean(y);
    double suu = 0, suv = 0, svv = 0;
    for (size_t i = 0; i < fit.n; ++i) {
        const double u = x[i] - mx;
        const double v = y[i] - my;
        suu += u * u;
        suv += u * v;
        svv += v * v;
    }
    if (suu == 0) return fit;  // every x the same: no line, or every line

    // In the scaled units: v = b u + a.
    const double b = suv / suu;
    const double a = my - b * mx;
    fit.defined = true;
    fit.slope = std::ldexp(b, ey - ex);
    fit.intercept = std::ldexp(a, ey);
    if (svv > 0) fit.rSquared = fit.n == 2 ? 1.0 : std::min(1.0, suv / suu * (suv / svv));

    if (fit.n >= 3) {
        double sse = 0;
        for (size_t i = 0; i < fit.n; ++i) {
            const double r = (y[i] - my) - b * (x[i] - mx);
            sse += r * r;
        }
        const double variance = sse / static_cast<double>(fit.n - 2);
        fit.hasErrors = true;
        fit.slopeError = std::ldexp(std::sqrt(variance / suu), ey - ex);
        fit.interceptError =
            std::ldexp(std::sqrt(variance * (1.0 / static_cast<double>(fit.n) + mx * mx / suu)), ey);
    }
    return fit;
}
