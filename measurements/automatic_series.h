#pragma once

#include <string>
#include <vector>

// An automatic series: one of the panel's boxes set to a run of values in
// turn, a reading recorded at each.

// The quantities a series can vary, in the order of kMeasuredQuantities
// (measured_quantities.h), whose records give their names and boxes.
enum class SeriesQuantity {
    temperature,    // T, K
    sampleCurrent,  // I, mA
    magnetCurrent,  // I_m, A
};
inline constexpr int kSeriesQuantityCount = 3;

// "T (K)", "I (mA)", "I_m (A)": the choices as the series dialog lists them.
const wchar_t* SeriesQuantityLabel(SeriesQuantity quantity);
// "T", "I", "I_m", and their units "K", "mA", "A", for messages.
const wchar_t* SeriesQuantitySymbol(SeriesQuantity quantity);
const wchar_t* SeriesQuantityUnit(SeriesQuantity quantity);
// The panel's box that holds the quantity (IDC_TEMPERATURE, ...).
int SeriesQuantityBox(SeriesQuantity quantity);

struct SeriesPlan {
    SeriesQuantity quantity = SeriesQuantity::temperature;
    double start = 0;
    double end = 0;
    bool byCount = false;  // false: in steps of `step`; true: in `count` points
    double step = 0;       // its sign does not matter: the series runs from start towards end
    int count = 0;
};

// The most points a series takes.
inline constexpr int kMaxSeriesPoints = 10000;

struct SeriesValues {
    std::vector<double> values;  // empty when the plan cannot be run
    std::wstring problem;        // why not, as a sentence for the user
};

// The values of a plan, from its start to its end:
//  - in steps: start, start + step, start + 2 step, ... up to the end, which
//    is the last value when it lies within a millionth of a step of one; each
//    value is start + k step (no accumulated rounding);
//  - in points: `count` values evenly spaced, the first the start and the last
//    the end exactly; one point is the start alone.
// Refused with a reason: ends that are not finite numbers, a step that is zero
// or not finite (unless start == end), fewer than one point, or more than
// kMaxSeriesPoints.
SeriesValues PlanSeries(const SeriesPlan& plan);

// What the way not chosen would have to say for the same series, so that the
// dialog can show it greyed beside the way chosen:
//  - the number of points a plan in steps makes as PlanSeries counts them,
//    more than kMaxSeriesPoints included; 0 when it makes none;
//  - the distance between the points of a plan in points (positive, 0 when
//    start and end are the same); NaN when there is none (fewer than two
//    points, ends that are not finite numbers).
int SeriesPointCount(const SeriesPlan& plan);
double SeriesPointSpacing(const SeriesPlan& plan);
