#include "measurements/plot_axes.h"

#include <algorithm>
#include <cfloat>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <utility>

#include "measurements/measured_quantities.h"

namespace {

const double kNaN = std::numeric_limits<double>::quiet_NaN();

double FiniteOrNaN(double value) {
    return std::isfinite(value) ? value : kNaN;
}

// The natural logarithm of a positive value, NaN otherwise.
double LogOfPositive(double value) {
    return value > 0 ? std::log(value) : kNaN;
}

// The double nearest to n * 10^e, by way of its decimal text, which the
// standard conversion rounds correctly; an infinity beyond the double range.
double Decimal(int64_t n, int e) {
    const std::string text = std::to_string(n) + "e" + std::to_string(e);
    double value = 0;
    auto result = std::from_chars(text.data(), text.data() + text.size(), value);
    if (result.ec == std::errc::result_out_of_range) {
        // Underflow cannot happen for the steps chosen here; overflow can.
        return n < 0 ? -std::numeric_limits<double>::infinity() : std::numeric_limits<double>::infinity();
    }
    return value;
}

int DigitCount(uint64_t n) {
    int digits = 1;
    while (n >= 10) {
        n /= 10;
        ++digits;
    }
    return digits;
}

uint64_t Magnitude(int64_t n) {
    return n < 0 ? 0 - static_cast<uint64_t>(n) : static_cast<uint64_t>(n);
}

// |n| with a point before its last `decimals` digits ("5" with 2 gives "0.05").
std::wstring PointedDigits(uint64_t n, int decimals) {
    std::wstring digits = std::to_wstring(n);
    if (decimals <= 0) return digits;
    const size_t d = static_cast<size_t>(decimals);
    if (digits.size() < d + 1) digits.insert(0, d + 1 - digits.size(), L'0');
    digits.insert(digits.size() - d, 1, L'.');
    return digits;
}

// The label of n * 10^e: with a common power of ten `power` when scientific,
// otherwise in plain decimals.
std::wstring TickLabel(int64_t n, int e, bool scientific, int power) {
    const std::wstring sign = n < 0 ? L"-" : L"";
    const uint64_t m = Magnitude(n);
    if (scientific) {
        if (m == 0) return L"0";
        return sign + PointedDigits(m, power - e) + L"e" + std::to_wstring(power);
    }
    if (e >= 0) {
        std::wstring text = std::to_wstring(m);
        if (m != 0) text.append(static_cast<size_t>(e), L'0');
        return sign + text;
    }
    return sign + PointedDigits(m, -e);
}

}  // namespace

namespace {

// What an axis shows of its column's value.
enum class Along { value, inverse, magnitude, lnMagnitude, ln, negativeLn };

struct AxisChoice {
    LogColumn column;
    Along along;
    // The axis' title where it is not its quantity's label.
    const wchar_t* ownLabel;
};

// In the order of PlotX and PlotY.
constexpr AxisChoice kXChoices[kPlotXCount] = {
    {kLogNumber, Along::value, nullptr},
    {kLogTemperature, Along::value, nullptr},
    {kLogTemperature, Along::inverse, L"1/T (1/K)"},
    {kLogSampleCurrent, Along::value, nullptr},
    {kLogMagnetCurrent, Along::value, nullptr},
};
constexpr AxisChoice kYChoices[kPlotYCount] = {
    {kLogHallVoltage, Along::value, nullptr},
    {kLogHallVoltage, Along::magnitude, L"|V_H| (mV)"},
    {kLogSampleVoltage, Along::value, nullptr},
    {kLogHallVoltage, Along::lnMagnitude, L"ln|V_H|"},
    {kLogSampleVoltage, Along::ln, L"ln V_\u03C3"},
    {kLogSampleVoltage, Along::negativeLn, L"ln(1/V_\u03C3)"},
};

const wchar_t* LabelOf(const AxisChoice& choice) {
    return choice.ownLabel ? choice.ownLabel : QuantityOfColumn(choice.column).label;
}

double ValueOf(const MeasurementRow& row, const AxisChoice& choice) {
    const double value = LogCellValue(row, choice.column);
    switch (choice.along) {
    case Along::value:
        return FiniteOrNaN(value);
    case Along::inverse:
        return FiniteOrNaN(1.0 / value);
    case Along::magnitude:
        return FiniteOrNaN(std::fabs(value));
    case Along::lnMagnitude:
        return FiniteOrNaN(LogOfPositive(std::fabs(value)));
    case Along::ln:
        return FiniteOrNaN(LogOfPositive(value));
    case Along::negativeLn:
        // -ln V rather than ln(1/V): no rounding of the quotient, and no
        // overflow of it for the smallest voltages.
        return FiniteOrNaN(-LogOfPositive(value));
    }
    return kNaN;
}

}  // namespace

const wchar_t* PlotLabel(PlotX x) {
    const int k = static_cast<int>(x);
    return k >= 0 && k < kPlotXCount ? LabelOf(kXChoices[k]) : L"";
}

const wchar_t* PlotLabel(PlotY y) {
    const int k = static_cast<int>(y);
    return k >= 0 && k < kPlotYCount ? LabelOf(kYChoices[k]) : L"";
}

double PlotValue(const MeasurementRow& row, PlotX x) {
    const int k = static_cast<int>(x);
    return k >= 0 && k < kPlotXCount ? ValueOf(row, kXChoices[k]) : kNaN;
}

double PlotValue(const MeasurementRow& row, PlotY y) {
    const int k = static_cast<int>(y);
    return k >= 0 && k < kPlotYCount ? ValueOf(row, kYChoices[k]) : kNaN;
}

PlotPoints CollectPlotPoints(const MeasurementLog& log, PlotX x, PlotY y) {
    PlotPoints points;
    for (size_t i = 0; i < log.size(); ++i) {
        const double vx = PlotValue(log[i], x);
        const double vy = PlotValue(log[i], y);
        if (std::isnan(vx) || std::isnan(vy)) continue;
        points.xs.push_back(vx);
        points.ys.push_back(vy);
        points.rows.push_back(i);
    }
    return points;
}

PlotMaterials MaterialsOfPoints(const MeasurementLog& log, const PlotPoints& points) {
    PlotMaterials result;
    for (size_t row : points.rows) {
        if (row < log.size()) result.materials.push_back(log[row].material);
    }
    std::sort(result.materials.begin(), result.materials.end());
    result.materials.erase(std::unique(result.materials.begin(), result.materials.end()), result.materials.end());
    for (size_t row : points.rows) {
        const int material = row < log.size() ? log[row].material : 0;
        const auto at = std::lower_bound(result.materials.begin(), result.materials.end(), material);
        result.ofPoint.push_back(at != result.materials.end() && *at == material
                                     ? static_cast<size_t>(at - result.materials.begin())
                                     : 0);
    }
    return result;
}

std::wstring MaterialLegendName(int material) {
    return material == 0 ? L"No material" : L"Material " + std::to_wstring(material);
}

AxisTicks NiceTicks(double low, double high, int roughCount) {
    roughCount = std::clamp(roughCount, 1, 100);
    if (!std::isfinite(low) || !std::isfinite(high)) {
        low = 0;
        high = 1;
    }
    if (low > high) std::swap(low, high);
    if (low == high) {
        const double half = low == 0 ? 1.0 : std::fabs(low) / 10;
        low = std::max(low - half, -DBL_MAX);
        high = std::min(high + half, DBL_MAX);
    }
    // Halves throughout, so that no width overflows.
    const double magnitude = std::max(std::fabs(low), std::fabs(high));
    const double minHalfWidth = std::max(magnitude * 0.5e-12, 0.5e-300);
    if (high / 2 - low / 2 < minHalfWidth) {
        const double centre = low / 2 + high / 2;
        low = centre - minHalfWidth;
        high = centre + minHalfWidth;
    }
    double raw = (high / 2 - low / 2) / roughCount * 2;
    if (!std::isfinite(raw)) raw = DBL_MAX;

    // The smallest of 1, 2, 5 times a power of ten not below the raw step;
    // log10 may be one off near a power of ten, so the search starts below.
    // The raw step carries the rounding of the range and of its division: a
    // step it exceeds by no more than that is taken (0 to 1 in five is 0.2).
    const double wanted = raw * (1 - 1e-9);
    int e = static_cast<int>(std::floor(std::log10(raw))) - 1;
    int m = 1;
    double step = Decimal(m, e);
    for (int tries = 0; step < wanted && tries < 12; ++tries) {
        if (m == 1) {
            m = 2;
        } else if (m == 2) {
            m = 5;
        } else {
            m = 1;
            ++e;
        }
        step = Decimal(m, e);
    }
    if (!std::isfinite(step)) {
        // Beyond the largest double: the largest power of ten that is one.
        m = 1;
        e = 308;
        step = Decimal(m, e);
    }

    // Tick k stands for k * m * 10^e exactly. The first guesses from the
    // rounded quotients are put right against the exact tick values.
    auto tick = [&](int64_t k) { return Decimal(k * m, e); };
    int64_t kLow = static_cast<int64_t>(std::floor(low / step));
    int64_t kHigh = static_cast<int64_t>(std::ceil(high / step));
    while (tick(kLow) > low) --kLow;
    while (tick(kLow + 1) <= low) ++kLow;
    while (tick(kHigh) < high) ++kHigh;
    while (tick(kHigh - 1) >= high) --kHigh;
    while (!std::isfinite(tick(kLow))) ++kLow;
    while (!std::isfinite(tick(kHigh))) --kHigh;

    AxisTicks ticks;
    ticks.step = step;
    const uint64_t largest = std::max(Magnitude(kLow * m), Magnitude(kHigh * m));
    const int power = DigitCount(largest) - 1 + e;
    const bool scientific = power >= 6 || e < -4;
    for (int64_t k = kLow; k <= kHigh; ++k) {
        ticks.values.push_back(tick(k));
        ticks.labels.push_back(TickLabel(k * m, e, scientific, power));
    }
    return ticks;
}
