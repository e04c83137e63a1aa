#include "measurements/automatic_series.h"

#include <climits>
#include <cmath>
#include <limits>

#include "measurements/measured_quantities.h"

const wchar_t* SeriesQuantityLabel(SeriesQuantity quantity) {
    return QuantityOfSeries(quantity).label;
}

const wchar_t* SeriesQuantitySymbol(SeriesQuantity quantity) {
    return QuantityOfSeries(quantity).symbol;
}

const wchar_t* SeriesQuantityUnit(SeriesQuantity quantity) {
    return QuantityOfSeries(quantity).unit;
}

int SeriesQuantityBox(SeriesQuantity quantity) {
    return QuantityOfSeries(quantity).box;
}

namespace {

SeriesValues Refused(const wchar_t* problem) {
    SeriesValues result;
    result.problem = problem;
    return result;
}

// The step of a plan in steps, with the sign that leads from start to end.
double SignedStep(const SeriesPlan& plan) {
    return plan.end > plan.start ? std::fabs(plan.step) : -std::fabs(plan.step);
}

// The number of whole steps to the end, with the end itself taken when it
// lies within a millionth of a step of the last one.
double WholeSteps(const SeriesPlan& plan) {
    return std::floor((plan.end - plan.start) / SignedStep(plan) + 1e-6);
}

bool HasStep(const SeriesPlan& plan) {
    return std::isfinite(plan.step) && plan.step != 0;
}

}  // namespace

SeriesValues PlanSeries(const SeriesPlan& plan) {
    if (!std::isfinite(plan.start) || !std::isfinite(plan.end)) {
        return Refused(L"The start and the end must be numbers.");
    }
    SeriesValues result;
    if (plan.byCount) {
        if (plan.count < 1) return Refused(L"The number of points must be at least 1.");
        if (plan.count > kMaxSeriesPoints) return Refused(L"A series takes at most 10000 points.");
        result.values.reserve(static_cast<size_t>(plan.count));
        if (plan.count == 1) {
            result.values.push_back(plan.start);
            return result;
        }
        const double span = plan.end - plan.start;
        for (int k = 0; k < plan.count - 1; ++k) {
            result.values.push_back(plan.start + span * k / (plan.count - 1));
        }
        result.values.push_back(plan.end);
        return result;
    }

    if (plan.start == plan.end) {
        result.values.push_back(plan.start);
        return result;
    }
    if (!HasStep(plan)) return Refused(L"The step must be a number other than 0.");
    const double step = SignedStep(plan);
    const double steps = WholeSteps(plan);
    if (!(steps + 1 <= kMaxSeriesPoints)) return Refused(L"A series takes at most 10000 points.");
    const int count = static_cast<int>(steps) + 1;
    result.values.reserve(static_cast<size_t>(count));
    for (int k = 0; k < count; ++k) result.values.push_back(plan.start + step * k);
    // The end exactly, not a value a rounding away from it.
    if (std::fabs(result.values.back() - plan.end) <= 1e-6 * std::fabs(step)) result.values.back() = plan.end;
    return result;
}

int SeriesPointCount(const SeriesPlan& plan) {
    if (!std::isfinite(plan.start) || !std::isfinite(plan.end)) return 0;
    if (plan.byCount) return plan.count < 1 ? 0 : plan.count;
    if (plan.start == plan.end) return 1;
    if (!HasStep(plan)) return 0;
    const double points = WholeSteps(plan) + 1;
    return points <= INT_MAX ? static_cast<int>(points) : 0;
}

double SeriesPointSpacing(const SeriesPlan& plan) {
    if (!std::isfinite(plan.start) || !std::isfinite(plan.end) || plan.count < 2) {
        return std::numeric_limits<double>::quiet_NaN();
    }
    return std::fabs(plan.end - plan.start) / (plan.count - 1);
}
