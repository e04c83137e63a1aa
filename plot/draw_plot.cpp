// The plot's drawing: the frame, ticks and titles, the fitted line, the
// markers and the boxes, where the layout (plot_layout.h) put them.
#include "plot/draw_plot.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <utility>
#include <vector>

#include "base/gdi.h"
#include "plot/plot_layout.h"
#include "plot/plot_text.h"

using namespace plot_internal;

namespace {

constexpr int kMaxScale = 16;
constexpr wchar_t kNoReadingsText[] = L"No readings";

// The rows of a marker, relative to its centre, as rectangles: a marker costs
// one pattern fill per run of rows of the same width.
std::vector<RECT> MarkerSpans(PlotMarkerShape shape, int size) {
    const int half = size / 2;
    std::vector<RECT> spans;
    for (int dy = -half; dy < size - half; ++dy) {
        const int fromTop = dy + half, fromBottom = size - 1 - fromTop;
        int reach = half;  // a square
        switch (shape) {
        case PlotMarkerShape::square:
            break;
        case PlotMarkerShape::disc:
            reach = static_cast<int>(std::sqrt(static_cast<double>(half * half + half - dy * dy)));
            break;
        case PlotMarkerShape::triangleUp:
            reach = (fromTop + 1) / 2;
            break;
        case PlotMarkerShape::diamond:
            reach = half - std::abs(dy);
            break;
        case PlotMarkerShape::triangleDown:
            reach = (fromBottom + 1) / 2;
            break;
        }
        const RECT row = {std::max(-half, -reach), dy, std::min(size - half, reach + 1), dy + 1};
        if (!spans.empty() && spans.back().left == row.left && spans.back().right == row.right &&
            spans.back().bottom == row.top) {
            spans.back().bottom = row.bottom;
        } else {
            spans.push_back(row);
        }
    }
    return spans;
}

std::vector<bool> SelectedPoints(const PlotData& data) {
    std::vector<bool> isSelected(data.points.size());
    for (size_t index : data.selected) {
        if (index < isSelected.size()) isSelected[index] = true;
    }
    return isSelected;
}

void Fill(HDC dc, int left, int top, int width, int height) {
    PatBlt(dc, left, top, width, height, PATCOPY);
}

// The frame and the ticks, with the ink's brush selected.
void DrawFrameAndTicks(HDC dc, const PlotData& data, const Layout& layout, const PlotText& text,
                       const Spacing& s) {
    const PlotMapping& m = layout.mapping;
    const RECT& a = m.area();
    const int w = a.right - a.left, h = a.bottom - a.top, l = s.line;
    Fill(dc, a.left - l, a.top - l, w + 2 * l, l);
    Fill(dc, a.left - l, a.bottom, w + 2 * l, l);
    Fill(dc, a.left - l, a.top, l, h);
    Fill(dc, a.right, a.top, l, h);

    const int below = a.bottom + l;
    for (const PlotTick& tick : data.x.ticks) {
        if (!InRange(tick.value, layout.x)) continue;
        const int x = m.Pixel(tick.value, m.y().min).x;
        Fill(dc, x - l / 2, below, l, s.tick);
        text.Put(x, below + s.tick + s.gap, TA_CENTER, tick.label);
    }
    const int left = a.left - l;
    for (const PlotTick& tick : data.y.ticks) {
        if (!InRange(tick.value, layout.y)) continue;
        const int y = m.Pixel(m.x().min, tick.value).y;
        Fill(dc, left - s.tick, y - l / 2, s.tick, l);
        text.Put(left - s.tick - s.gap, y - s.fontHeight / 2, TA_RIGHT, tick.label);
    }
}

void DrawTitles(const RECT& bounds, const PlotData& data, const PlotMapping& m, const PlotText& text,
                const Spacing& s) {
    const RECT& a = m.area();
    if (!data.x.title.empty()) {
        const int y = a.bottom + s.line + s.tick + s.gap + s.fontHeight + s.gap;
        text.Put((a.left + a.right) / 2, y, TA_CENTER, data.x.title);
    }
    if (!data.y.title.empty()) {
        // Turned a quarter to the left, the text runs upwards and its top faces
        // the left edge: it hangs from the left side. It is placed by its start
        // rather than its centre because Wine's metafile recorder takes turned
        // text for upright when it works out the picture's bounds, and a
        // centred title then seems to reach past the left edge.
        const int width = text.Width(data.y.title);
        text.PutTurned(bounds.left + s.pad, (a.top + a.bottom) / 2 + width / 2, data.y.title);
    }
}

// Cuts the segment to the rectangle (Liang and Barsky); false when nothing of
// it is inside.
bool ClipSegment(double& x0, double& y0, double& x1, double& y1, double left, double top, double right,
                 double bottom) {
    const double dx = x1 - x0;
    const double dy = y1 - y0;
    const double p[4] = {-dx, dx, -dy, dy};
    const double q[4] = {x0 - left, right - x0, y0 - top, bottom - y0};
    double t0 = 0, t1 = 1;
    for (int i = 0; i < 4; ++i) {
        if (p[i] == 0) {
            if (q[i] < 0) return false;
            continue;
        }
        const double t = q[i] / p[i];
        if (p[i] < 0) {
            t0 = std::max(t0, t);
        } else {
            t1 = std::min(t1, t);
        }
    }
    if (!(t0 <= t1)) return false;
    const double startX = x0 + t0 * dx, startY = y0 + t0 * dy;
    x1 = x0 + t1 * dx;
    y1 = y0 + t1 * dy;
    x0 = startX;
    y0 = startY;
    return true;
}

void DrawFitLine(HDC dc, const PlotFit& fit, const PlotMapping& m, const Spacing& s, COLORREF colour) {
    if (!std::isfinite(fit.slope) || !std::isfinite(fit.intercept)) return;
    double x0 = m.PixelX(m.x().min), x1 = m.PixelX(m.x().max);
    double y0 = m.PixelY(fit.slope * m.x().min + fit.intercept);
    double y1 = m.PixelY(fit.slope * m.x().max + fit.intercept);
    if (!std::isfinite(y0) || !std::isfinite(y1)) return;
    const RECT& a = m.area();
    if (!ClipSegment(x0, y0, x1, y1, a.left, a.top, a.right - 1, a.bottom - 1)) return;
    GdiObject<HPEN> pen(CreatePen(PS_SOLID, s.line, colour));
    Selection use(dc, pen.get());
    const POINT line[2] = {{static_cast<LONG>(std::lround(x0)), static_cast<LONG>(std::lround(y0))},
                           {static_cast<LONG>(std::lround(x1)), static_cast<LONG>(std::lround(y1))}};
    Polyline(dc, line, 2);
    // Polyline leaves out the last pixel; the line reaches the far edge.
    SetPixelV(dc, line[1].x, line[1].y, colour);
}

void DrawMarkers(HDC dc, const std::vector<POINT>& centres, const std::vector<RECT>& spans, COLORREF colour) {
    if (centres.empty()) return;
    GdiObject<HBRUSH> brush(CreateSolidBrush(colour));
    Selection use(dc, brush.get());
    // Pattern fills with the brush already selected: the cheapest call GDI
    // has for it (FillRect selects the brush each time).
    for (const POINT& c : centres) {
        for (const RECT& r : spans) Fill(dc, c.x + r.left, c.y + r.top, r.right - r.left, r.bottom - r.top);
    }
}

void DrawBoxEdge(HDC dc, const RECT& box, const Spacing& s, const PlotColours& colours) {
    GdiObject<HBRUSH> inside(CreateSolidBrush(colours.background));
    GdiObject<HPEN> edge(CreatePen(PS_INSIDEFRAME, s.line, colours.boxEdge));
    Selection fill(dc, inside.get());
    Selection line(dc, edge.get());
    Rectangle(dc, box.left, box.top, box.right, box.bottom);
}

void DrawFitBox(HDC dc, const PlotFit& fit, const Box& box, const PlotText& text, const Spacing& s,
                const PlotColours& colours) {
    DrawBoxEdge(dc, box.place, s, colours);
    int y = box.place.top + s.line + s.inner;
    for (const std::wstring& line : fit.text) {
        text.Put(box.place.left + s.line + s.inner, y, TA_LEFT, line);
        y += s.fontHeight;
    }
}

void DrawLegend(HDC dc, const PlotData& data, const Box& box, const PlotText& text, const Spacing& s,
                const PlotColours& colours) {
    DrawBoxEdge(dc, box.place, s, colours);
    const int row = LegendRow(s);
    const int left = box.place.left + s.line + s.inner;
    int top = box.place.top + s.line + s.inner;
    for (size_t k = 0; k < data.series.size(); ++k) {
        const POINT centre = {left + s.marker / 2, top + row / 2};
        DrawMarkers(dc, {centre}, MarkerSpans(kPlotSeriesShapes[k % kPlotSeriesStyles], s.marker),
                    colours.series[k % kPlotSeriesStyles]);
        text.Put(left + s.marker + s.gap, top + (row - s.fontHeight) / 2, TA_LEFT, data.series[k].name);
        top += row;
    }
}

// The lines' width on `dc`: heavy lines are two pixels at 96 DPI, so that
// they are still seen by a reader who needs a high-contrast theme, and keep
// their size on a screen of more pixels per inch.
int LineWidth(HDC dc, int scale, const PlotColours& colours) {
    if (!colours.heavyLines) return scale;
    int dpi = GetDeviceCaps(dc, LOGPIXELSY);
    if (dpi <= 0) dpi = 96;
    return scale * std::max(2, MulDiv(2, dpi, 96));
}

}  // namespace

PlotMapping LayOutPlot(HDC dc, const RECT& bounds, const PlotData& data, int scale, const PlotColours& colours) {
    scale = std::clamp(scale, 1, kMaxScale);
    SavedDcState saved(dc);
    const PlotText text(dc, scale);
    const Spacing s(text.height(), scale, LineWidth(dc, scale, colours));
    return LayOut(bounds, data, SelectedPoints(data), text, s).mapping;
}

PlotMapping DrawPlot(HDC dc, const RECT& bounds, const PlotData& data, int scale, const PlotColours& colours) {
    scale = std::clamp(scale, 1, kMaxScale);
    GdiObject<HBRUSH> background(CreateSolidBrush(colours.background));
    GdiObject<HBRUSH> ink(CreateSolidBrush(colours.ink));
    SavedDcState saved(dc);
    IntersectClipRect(dc, bounds.left, bounds.top, bounds.right, bounds.bottom);
    FillRect(dc, &bounds, background.get());

    const PlotText text(dc, scale);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, colours.ink);
    const Spacing s(text.height(), scale, LineWidth(dc, scale, colours));
    const std::vector<bool> isSelected = SelectedPoints(data);
    const Layout layout = LayOut(bounds, data, isSelected, text, s);
    const PlotMapping& m = layout.mapping;
    {
        Selection brush(dc, ink.get());
        DrawFrameAndTicks(dc, data, layout, text, s);
    }
    DrawTitles(bounds, data, m, text, s);

    {
        // Everything here stays inside the frame.
        SavedDcState inside(dc);
        IntersectClipRect(dc, m.area().left, m.area().top, m.area().right, m.area().bottom);
        if (data.fit) DrawFitLine(dc, *data.fit, m, s, colours.fit);
        const size_t kinds = SeriesCount(data);
        for (const auto* kind : {&layout.markers.normal, &layout.markers.selected}) {
            const bool selected = kind == &layout.markers.selected;
            for (size_t k = 0; k < kinds; ++k) {
                const size_t style = k % kPlotSeriesStyles;
                DrawMarkers(dc, (*kind)[k], MarkerSpans(kPlotSeriesShapes[style], s.marker),
                            selected ? colours.selected : colours.series[style]);
            }
        }
        const bool anyReading = std::any_of(data.points.begin(), data.points.end(), [](const PlotPoint& p) {
            return std::isfinite(p.x) && std::isfinite(p.y);
        });
        if (!anyReading) {
            SetTextColor(dc, colours.note);
            const RECT& a = m.area();
            text.Put((a.left + a.right) / 2, (a.top + a.bottom) / 2 - s.fontHeight / 2, TA_CENTER, kNoReadingsText);
            SetTextColor(dc, colours.ink);
        }
    }
    if (layout.fit.shown) DrawFitBox(dc, *data.fit, layout.fit, text, s, colours);
    if (layout.legend.shown) DrawLegend(dc, data, layout.legend, text, s, colours);
    return m;
}
