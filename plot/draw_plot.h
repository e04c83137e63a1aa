#pragma once

#include <windows.h>

#include "plot/plot_data.h"
#include "plot/plot_mapping.h"

// The plot of a measurement log drawn with GDI, the same on a window, a bitmap
// and an enhanced metafile.

inline constexpr COLORREF kPlotBackground = RGB(255, 255, 255);
inline constexpr COLORREF kPlotInk = RGB(0, 0, 0);  // frame, ticks, texts
inline constexpr COLORREF kPlotMarkerColour = RGB(0, 84, 166);
inline constexpr COLORREF kPlotSelectedColour = RGB(232, 96, 0);
inline constexpr COLORREF kPlotFitColour = RGB(200, 0, 0);
inline constexpr COLORREF kPlotNoteColour = RGB(110, 110, 110);  // "No readings"
// Markers are squares of this many pixels a side, centred on their point.
inline constexpr int kPlotMarkerSize = 5;

// Where the data goes when `data` is drawn into `bounds` on `dc`: the margins
// for the tick labels and the titles depend on their texts in the plot's font
// on that device. The area is empty of everything but the points, the fitted
// line and its box; a one-pixel frame lies just outside it.
PlotMapping LayOutPlot(HDC dc, const RECT& bounds, const PlotData& data);

// Draws the whole plot into `bounds`: a white background, the frame, the ticks
// with their labels, the axis titles (the y title turned upright along the
// left side), the fitted line cut off at the frame and its text in a box in
// the corner with the fewest points, and a marker on every point that falls
// in the area (the selected ones last, in kPlotSelectedColour). Points that
// are not finite or fall outside the ranges are left out; with no finite point
// at all the area says "No readings". Draws nothing outside `bounds` and
// leaves the DC's state (objects, colours, modes, clipping) as it found it.
// Returns the mapping it used, that of LayOutPlot.
//
// The markers are not drawn over one another: a point on a pixel that already
// has a marker of its kind costs no drawing, so the time is bounded by the
// area's size rather than by the number of points.
PlotMapping DrawPlot(HDC dc, const RECT& bounds, const PlotData& data);
