#pragma once

// The plot's layout, apart from its drawing: the area the axes take, the
// markers that fall in it, and the corners or the band beside the data where
// the fit's box and the legend go. Internal to the plot's drawing: what
// draw_plot.cpp draws, it draws where LayOut put it.

#include <windows.h>

#include <cstddef>
#include <vector>

#include "plot/plot_data.h"
#include "plot/plot_mapping.h"
#include "plot/plot_text.h"

namespace plot_internal {

// The spacing of everything around the area, in proportion to the font, and
// the sizes of the lines and markers at the plot's scale.
struct Spacing {
    int scale;
    int fontHeight;
    int pad;     // to the bounds, and between the blocks of text
    int tick;    // length of a tick mark
    int gap;     // between a tick mark and its label
    int line;    // width of the frame, the ticks and the fitted line
    int marker;  // side of a marker
    int margin;  // from the frame to a point at the end of a range
    int inner;   // from a box's edge to its text

    // `line` is the width of the lines, `scale` pixels unless heavier.
    Spacing(int height, int scale, int line);
};

// The centres of the markers to draw, one per pixel and kind (series, and
// selected or not), series by series.
struct Markers {
    std::vector<std::vector<POINT>> normal;
    std::vector<std::vector<POINT>> selected;
};

// A box of text in the plot: the fit's, or the legend.
struct Box {
    bool shown = false;
    int width = 0;
    int height = 0;
    RECT place = {};
};

struct Layout {
    PlotMapping mapping;
    AxisRange x;  // the data's ranges, before the margins widened them
    AxisRange y;
    Markers markers;
    Box fit;
    Box legend;
};

bool InRange(double value, AxisRange range);

// The series a plot of `data` draws: one at least, for a log of no series.
size_t SeriesCount(const PlotData& data);

// The height of a row of the legend: a marker beside a series' name.
int LegendRow(const Spacing& s);

// Where everything goes when `data` is drawn into `bounds` with `text`'s
// fonts; `isSelected` tells, point by point, which markers are drawn as
// selected.
Layout LayOut(const RECT& bounds, const PlotData& data, const std::vector<bool>& isSelected, const PlotText& text,
              const Spacing& s);

}  // namespace plot_internal
