#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

// What a plot of the measurement log shows. The plot computes nothing about
// the data itself: the ranges, the ticks and the fitted line come from the
// caller, so that the list, the plot and the exports all agree.

// One reading. A point with a NaN or infinite coordinate is not drawn.
struct PlotPoint {
    double x = 0;
    double y = 0;
    // The group it belongs to: an index into PlotData::series (a material).
    size_t series = 0;
};

// A group of readings drawn alike, named in the legend.
struct PlotSeries {
    std::wstring name;
};

// A tick on an axis: where it is, and the text written beside it. Ticks that
// fall outside the axis's range are not drawn.
struct PlotTick {
    double value = 0;
    std::wstring label;
};

// One axis: its title with the unit (e.g. L"1/T (1/K)"), the range shown, and
// its ticks. A range whose ends are equal is widened on both sides; ends given
// the wrong way round are swapped; an end that is not finite gives [0, 1].
struct PlotAxis {
    std::wstring title;
    double min = 0;
    double max = 1;
    std::vector<PlotTick> ticks;
};

// A straight line y = slope * x + intercept drawn across the whole x range
// (and cut off at the edges of the plot), with a few lines of text about it
// shown in a box in a corner free of points, or beside the data. A slope or
// intercept that is not finite draws no line; the text is shown all the same.
struct PlotFit {
    double slope = 0;
    double intercept = 0;
    std::vector<std::wstring> text;
};

struct PlotData {
    std::vector<PlotPoint> points;
    // Indices into `points` of the readings drawn highlighted (and on top);
    // indices past the end are ignored.
    std::vector<size_t> selected;
    // With two or more series, each is drawn in its own colour and marker
    // shape and a legend names them; the selected readings keep their shape.
    // Points of a series past the end are drawn as those of the first.
    std::vector<PlotSeries> series;
    PlotAxis x;
    PlotAxis y;
    std::optional<PlotFit> fit;
};
