#pragma once

#include <windows.h>

#include <cstddef>

#include "plot/plot_colours.h"
#include "plot/plot_data.h"
#include "plot/plot_mapping.h"

// The plot of a measurement log drawn with GDI, the same on a window, a bitmap
// and an enhanced metafile.

// Where the data goes when `data` is drawn into `bounds` on `dc`: the margins
// for the tick labels and the titles depend on their texts in the plot's font
// on that device, and a box that finds no corner free of points takes room
// beside the data. The area is empty of everything but the points, the fitted
// line and the boxes in its corners; a frame lies just outside it. The axes'
// ranges are widened by a few pixels on each side, so that a marker on the
// end of a range is drawn whole inside the frame.
//
// `scale` (1 to 16) draws everything that many times as large: the fonts, the
// markers, the lines, the spacing, as a printed picture needs.
//
// `colours` matter here only by the weight of their lines, which takes room.
PlotMapping LayOutPlot(HDC dc, const RECT& bounds, const PlotData& data, int scale = 1,
                       const PlotColours& colours = kStandardPlotColours);

// Draws the whole plot into `bounds` in `colours`: the background, the frame,
// the ticks with their labels, the axis titles (the y title turned upright
// along the left side), the fitted line cut off at the frame, a marker on
// every point that falls in the axes' ranges (the selected ones last, in the
// selected colour), the fit's text in a box and, with two or more series, a
// legend. Each box goes to the first corner of the area (top right, top left,
// bottom right, bottom left) where it covers no point; when a box finds none,
// the boxes stand beside the data instead (right of it, or above it in a
// narrow plot), so that no box ever hides a point. Points that are not finite
// or fall outside the ranges are left out; with no finite point at all the
// area says "No readings". Draws nothing outside `bounds` and leaves the DC's
// state (objects, colours, modes, clipping) as it found it. Returns the
// mapping it used, that of LayOutPlot. Texts are drawn as text (a metafile
// keeps them as such).
//
// The markers are not drawn over one another: a point on a pixel that already
// has a marker of its kind costs no drawing, so the time is bounded by the
// area's size rather than by the number of points.
PlotMapping DrawPlot(HDC dc, const RECT& bounds, const PlotData& data, int scale = 1,
                     const PlotColours& colours = kStandardPlotColours);
