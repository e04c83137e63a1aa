#pragma once

#include <windows.h>

#include <cstddef>

// The colours a plot is drawn in, and the weight of its lines.

inline constexpr COLORREF kPlotBackground = RGB(255, 255, 255);
inline constexpr COLORREF kPlotInk = RGB(0, 0, 0);  // frame, ticks, texts
inline constexpr COLORREF kPlotMarkerColour = RGB(0, 84, 166);
inline constexpr COLORREF kPlotSelectedColour = RGB(232, 96, 0);
inline constexpr COLORREF kPlotFitColour = RGB(200, 0, 0);
inline constexpr COLORREF kPlotNoteColour = RGB(110, 110, 110);  // "No readings", the boxes' edges
// Markers are squares of this many pixels a side, centred on their point.
inline constexpr int kPlotMarkerSize = 5;

// The colours and marker shapes of the series, in turn: the first series is
// drawn as a plot of one series is (kPlotMarkerColour, squares); after the
// last the colours and shapes start again.
enum class PlotMarkerShape { square, disc, triangleUp, diamond, triangleDown };
inline constexpr size_t kPlotSeriesStyles = 5;
inline constexpr COLORREF kPlotSeriesColours[kPlotSeriesStyles] = {
    kPlotMarkerColour, RGB(0, 140, 60), RGB(140, 40, 170), RGB(150, 100, 0), RGB(0, 130, 150)};
inline constexpr PlotMarkerShape kPlotSeriesShapes[kPlotSeriesStyles] = {
    PlotMarkerShape::square, PlotMarkerShape::disc, PlotMarkerShape::triangleUp, PlotMarkerShape::diamond,
    PlotMarkerShape::triangleDown};

struct PlotColours {
    COLORREF background;
    COLORREF ink;  // frame, ticks, texts
    COLORREF series[kPlotSeriesStyles];
    COLORREF selected;
    COLORREF fit;
    COLORREF note;     // "No readings"
    COLORREF boxEdge;  // the fit's box and the legend
    // The frame, the ticks, the fitted line and the boxes' edges at least two
    // pixels wide at 96 DPI, and as much wider as the device's DPI is higher;
    // otherwise one pixel (times the plot's scale).
    bool heavyLines;
};

// The plot's own colours: those of the exports (the clipboard's picture and
// the PNG for a report, which are printed) and of the window in the usual
// themes.
inline constexpr PlotColours kStandardPlotColours = {
    kPlotBackground,
    kPlotInk,
    {kPlotSeriesColours[0], kPlotSeriesColours[1], kPlotSeriesColours[2], kPlotSeriesColours[3],
     kPlotSeriesColours[4]},
    kPlotSelectedColour,
    kPlotFitColour,
    kPlotNoteColour,
    kPlotNoteColour,
    false};

// The colours of the user's high-contrast theme, as GetSysColor gives them
// now: COLOR_WINDOW behind, COLOR_WINDOWTEXT for the ink, the boxes' edges and
// every series' markers (the series then differ by their shapes alone),
// COLOR_HIGHLIGHT for the selected readings, COLOR_HOTLIGHT (the theme's
// colour for links) for the fitted line, COLOR_GRAYTEXT for "No readings";
// heavy lines.
PlotColours HighContrastPlotColours();

// Whether the user has a high-contrast theme on (SPI_GETHIGHCONTRAST).
bool HighContrastOn();

// The colours of a plot on the screen: the high-contrast ones when such a
// theme is on, the standard ones otherwise.
PlotColours ScreenPlotColours();
