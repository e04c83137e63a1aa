#include "plot/plot_mapping.h"

#include <cfloat>
#include <cmath>
#include <utility>

namespace {

// Far beyond any screen or bitmap, and small enough that GDI's coordinates
// (27 bits on some systems) and int arithmetic on them cannot overflow.
constexpr double kPixelLimit = 1e6;

int RoundPixel(double value) {
    if (!(value >= -kPixelLimit)) return static_cast<int>(-kPixelLimit);  // NaN too
    if (value > kPixelLimit) return static_cast<int>(kPixelLimit);
    return static_cast<int>(std::floor(value + 0.5));
}

}  // namespace

AxisRange UsableRange(double min, double max) {
    if (!std::isfinite(min) || !std::isfinite(max)) return {0, 1};
    if (min > max) std::swap(min, max);
    if (min == max) {
        const double value = min;
        const double half = std::fabs(value) * 0.1;
        min = value - half;
        max = value + half;
        // Zero, and values so small that a tenth of them is lost.
        if (!(max > min)) {
            min = value - 1;
            max = value + 1;
        }
        if (max > DBL_MAX) max = DBL_MAX;
        if (min < -DBL_MAX) min = -DBL_MAX;
    }
    // Ends near the limits of double would make max - min overflow.
    if (!std::isfinite(max - min)) {
        if (min < -DBL_MAX / 2) min = -DBL_MAX / 2;
        if (max > DBL_MAX / 2) max = DBL_MAX / 2;
    }
    return {min, max};
}

PlotMapping::PlotMapping(AxisRange x, AxisRange y, const RECT& area)
    : x_(UsableRange(x.min, x.max)), y_(UsableRange(y.min, y.max)), area_(area) {
    if (area_.right - area_.left < 2) area_.right = area_.left + 2;
    if (area_.bottom - area_.top < 2) area_.bottom = area_.top + 2;
}

double PlotMapping::PixelX(double x) const {
    const double span = static_cast<double>(area_.right - 1 - area_.left);
    return area_.left + (x - x_.min) / (x_.max - x_.min) * span;
}

double PlotMapping::PixelY(double y) const {
    const double span = static_cast<double>(area_.bottom - 1 - area_.top);
    return (area_.bottom - 1) - (y - y_.min) / (y_.max - y_.min) * span;
}

POINT PlotMapping::Pixel(double x, double y) const {
    return {RoundPixel(PixelX(x)), RoundPixel(PixelY(y))};
}

double PlotMapping::DataX(double pixelX) const {
    const double span = static_cast<double>(area_.right - 1 - area_.left);
    return x_.min + (pixelX - area_.left) / span * (x_.max - x_.min);
}

double PlotMapping::DataY(double pixelY) const {
    const double span = static_cast<double>(area_.bottom - 1 - area_.top);
    return y_.min + ((area_.bottom - 1) - pixelY) / span * (y_.max - y_.min);
}

bool PlotMapping::Contains(POINT pixel) const {
    return pixel.x >= area_.left && pixel.x < area_.right && pixel.y >= area_.top && pixel.y < area_.bottom;
}
