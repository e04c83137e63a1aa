#include "plot/draw_plot.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "base/gdi.h"

namespace {

// The dialogs' font: under Wine, "MS Shell Dlg 2" is Tahoma, which finds the
// Greek of titles such as "ln(1/V_σ)" through the font link the prefix sets up,
// as the parameter table's headers do.
constexpr wchar_t kFontFace[] = L"MS Shell Dlg 2";
constexpr int kFontPoints = 9;
constexpr wchar_t kNoReadingsText[] = L"No readings";

// Restores everything a drawing changes in the caller's DC: selected objects,
// colours, modes, alignment, clipping.
class SavedDcState {
public:
    explicit SavedDcState(HDC dc) : dc_(dc), saved_(SaveDC(dc)) {}
    ~SavedDcState() {
        if (saved_) RestoreDC(dc_, saved_);
    }
    SavedDcState(const SavedDcState&) = delete;
    SavedDcState& operator=(const SavedDcState&) = delete;

private:
    HDC dc_;
    int saved_;
};

// `escapement` in tenths of a degree, counter-clockwise.
HFONT MakeFont(HDC dc, int escapement) {
    int dpi = GetDeviceCaps(dc, LOGPIXELSY);
    if (dpi <= 0) dpi = 96;
    return CreateFontW(-MulDiv(kFontPoints, dpi, 72), 0, escapement, escapement, FW_NORMAL, FALSE, FALSE, FALSE,
                       DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                       DEFAULT_PITCH | FF_SWISS, kFontFace);
}

int TextWidth(HDC dc, const std::wstring& text) {
    SIZE size = {};
    if (text.empty() || !GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size)) return 0;
    return size.cx;
}

void PutText(HDC dc, int x, int y, UINT align, const std::wstring& text) {
    SetTextAlign(dc, align);
    ExtTextOutW(dc, x, y, 0, nullptr, text.c_str(), static_cast<UINT>(text.size()), nullptr);
}

bool InRange(double value, AxisRange range) {
    return value >= range.min && value <= range.max;
}

// The spacing of everything around the area, in proportion to the font.
struct Spacing {
    int fontHeight;
    int pad;   // to the bounds, and between the blocks of text
    int tick;  // length of a tick mark
    int gap;   // between a tick mark and its label

    explicit Spacing(int height)
        : fontHeight(height), pad(std::max(4, height / 2)), tick(std::max(3, height / 3)),
          gap(std::max(2, height / 6)) {}
};

// The layout with the upright font selected in `dc`.
PlotMapping Measure(HDC dc, const RECT& bounds, const PlotData& data, const Spacing& s) {
    const AxisRange xRange = UsableRange(data.x.min, data.x.max);
    const AxisRange yRange = UsableRange(data.y.min, data.y.max);
    int yLabels = 0;
    for (const PlotTick& tick : data.y.ticks) {
        if (InRange(tick.value, yRange)) yLabels = std::max(yLabels, TextWidth(dc, tick.label));
    }
    int xLabels = 0;
    for (const PlotTick& tick : data.x.ticks) {
        if (InRange(tick.value, xRange)) xLabels = std::max(xLabels, TextWidth(dc, tick.label));
    }
    const int titleBand = s.fontHeight + 2 * s.gap;
    RECT area;
    area.left = bounds.left + s.pad + (data.y.title.empty() ? 0 : titleBand) + yLabels + s.gap + s.tick + 1;
    area.right = bounds.right - s.pad - xLabels / 2 - 1;
    area.top = bounds.top + s.pad + s.fontHeight / 2 + 1;
    area.bottom = bounds.bottom - s.pad - (data.x.title.empty() ? 0 : titleBand) - s.fontHeight - s.gap -
                  s.tick - 1;
    return PlotMapping(xRange, yRange, area);
}

RECT FrameOf(const PlotMapping& mapping) {
    RECT frame = mapping.area();
    InflateRect(&frame, 1, 1);
    return frame;
}

void DrawTicks(HDC dc, const PlotData& data, const PlotMapping& m, const Spacing& s) {
    const RECT frame = FrameOf(m);
    for (const PlotTick& tick : data.x.ticks) {
        if (!InRange(tick.value, m.x())) continue;
        const int x = m.Pixel(tick.value, m.y().min).x;
        MoveToEx(dc, x, frame.bottom, nullptr);
        LineTo(dc, x, frame.bottom + s.tick);
        PutText(dc, x, frame.bottom + s.tick + s.gap, TA_CENTER | TA_TOP | TA_NOUPDATECP, tick.label);
    }
    for (const PlotTick& tick : data.y.ticks) {
        if (!InRange(tick.value, m.y())) continue;
        const int y = m.Pixel(m.x().min, tick.value).y;
        MoveToEx(dc, frame.left - 1, y, nullptr);
        LineTo(dc, frame.left - 1 - s.tick, y);
        PutText(dc, frame.left - 1 - s.tick - s.gap, y - s.fontHeight / 2, TA_RIGHT | TA_TOP | TA_NOUPDATECP,
                tick.label);
    }
}

void DrawTitles(HDC dc, const RECT& bounds, const PlotData& data, const PlotMapping& m, const Spacing& s) {
    const RECT frame = FrameOf(m);
    if (!data.x.title.empty()) {
        const int y = frame.bottom + s.tick + s.gap + s.fontHeight + s.gap;
        PutText(dc, (frame.left + frame.right) / 2, y, TA_CENTER | TA_TOP | TA_NOUPDATECP, data.x.title);
    }
    if (!data.y.title.empty()) {
        // Turned a quarter to the left, the text runs upwards and its top faces
        // the left edge: aligned to its top, it hangs from the left side. It is
        // placed by its start rather than its centre because Wine's metafile
        // recorder takes turned text for upright when it works out the picture's
        // bounds, and a centred title then seems to reach past the left edge.
        const int width = TextWidth(dc, data.y.title);
        GdiObject<HFONT> turned(MakeFont(dc, 900));
        Selection font(dc, turned.get());
        PutText(dc, bounds.left + s.pad, (frame.top + frame.bottom) / 2 + width / 2,
                TA_LEFT | TA_TOP | TA_NOUPDATECP, data.y.title);
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

void DrawFitLine(HDC dc, const PlotFit& fit, const PlotMapping& m) {
    if (!std::isfinite(fit.slope) || !std::isfinite(fit.intercept)) return;
    double x0 = m.PixelX(m.x().min), x1 = m.PixelX(m.x().max);
    double y0 = m.PixelY(fit.slope * m.x().min + fit.intercept);
    double y1 = m.PixelY(fit.slope * m.x().max + fit.intercept);
    if (!std::isfinite(y0) || !std::isfinite(y1)) return;
    const RECT& a = m.area();
    if (!ClipSegment(x0, y0, x1, y1, a.left, a.top, a.right - 1, a.bottom - 1)) return;
    GdiObject<HPEN> pen(CreatePen(PS_SOLID, 1, kPlotFitColour));
    Selection use(dc, pen.get());
    const POINT line[2] = {{static_cast<LONG>(std::lround(x0)), static_cast<LONG>(std::lround(y0))},
                           {static_cast<LONG>(std::lround(x1)), static_cast<LONG>(std::lround(y1))}};
    Polyline(dc, line, 2);
    // Polyline leaves out the last pixel; the line reaches the far edge.
    SetPixelV(dc, line[1].x, line[1].y, kPlotFitColour);
}

// The centres of the markers to draw, one per pixel: the area's pixels that
// already have a marker are marked in `taken`.
class MarkerCentres {
public:
    explicit MarkerCentres(const PlotMapping& m)
        : m_(m), width_(m.area().right - m.area().left),
          taken_(static_cast<size_t>(width_) * static_cast<size_t>(m.area().bottom - m.area().top)) {}

    void Add(const PlotPoint& point) {
        if (!std::isfinite(point.x) || !std::isfinite(point.y)) return;
        if (!InRange(point.x, m_.x()) || !InRange(point.y, m_.y())) return;
        const POINT pixel = m_.Pixel(point.x, point.y);
        if (!m_.Contains(pixel)) return;
        uint8_t& taken = taken_[static_cast<size_t>(pixel.y - m_.area().top) * static_cast<size_t>(width_) +
                                static_cast<size_t>(pixel.x - m_.area().left)];
        if (taken) return;
        taken = 1;
        centres_.push_back(pixel);
    }
    const std::vector<POINT>& centres() const { return centres_; }

private:
    const PlotMapping& m_;
    int width_;
    std::vector<uint8_t> taken_;
    std::vector<POINT> centres_;
};

void DrawMarkers(HDC dc, const std::vector<POINT>& centres, COLORREF colour) {
    if (centres.empty()) return;
    GdiObject<HBRUSH> brush(CreateSolidBrush(colour));
    Selection use(dc, brush.get());
    // One pattern fill per marker with the brush already selected: the cheapest
    // call GDI has for it (FillRect selects the brush each time).
    constexpr int half = kPlotMarkerSize / 2;
    for (const POINT& c : centres) PatBlt(dc, c.x - half, c.y - half, kPlotMarkerSize, kPlotMarkerSize, PATCOPY);
}

int CountWithin(const std::vector<POINT>& centres, const RECT& box) {
    RECT zone = box;
    InflateRect(&zone, kPlotMarkerSize / 2, kPlotMarkerSize / 2);
    int count = 0;
    for (const POINT& c : centres) count += PtInRect(&zone, c) ? 1 : 0;
    return count;
}

void DrawFitBox(HDC dc, const PlotFit& fit, const PlotMapping& m, const Spacing& s,
                const std::vector<POINT>& normal, const std::vector<POINT>& selected) {
    if (fit.text.empty()) return;
    const int inner = std::max(3, s.fontHeight / 4);
    int width = 0;
    for (const std::wstring& line : fit.text) width = std::max(width, TextWidth(dc, line));
    width += 2 * inner + 2;
    const int height = static_cast<int>(fit.text.size()) * s.fontHeight + 2 * inner + 2;

    // Top right first: a falling line (an Arrhenius plot) leaves it empty; then
    // top left, for a rising one.
    const RECT& a = m.area();
    const POINT corners[4] = {{a.right - s.pad - width, a.top + s.pad},
                              {a.left + s.pad, a.top + s.pad},
                              {a.right - s.pad - width, a.bottom - s.pad - height},
                              {a.left + s.pad, a.bottom - s.pad - height}};
    RECT box = {};
    int fewest = -1;
    for (const POINT& corner : corners) {
        const RECT candidate = {corner.x, corner.y, corner.x + width, corner.y + height};
        const int count = CountWithin(normal, candidate) + CountWithin(selected, candidate);
        if (fewest < 0 || count < fewest) {
            fewest = count;
            box = candidate;
        }
    }

    GdiObject<HBRUSH> white(CreateSolidBrush(kPlotBackground));
    GdiObject<HPEN> edge(CreatePen(PS_SOLID, 1, kPlotNoteColour));
    {
        Selection fill(dc, white.get());
        Selection line(dc, edge.get());
        Rectangle(dc, box.left, box.top, box.right, box.bottom);
    }
    int y = box.top + 1 + inner;
    for (const std::wstring& line : fit.text) {
        PutText(dc, box.left + 1 + inner, y, TA_LEFT | TA_TOP | TA_NOUPDATECP, line);
        y += s.fontHeight;
    }
}

int FontHeight(HDC dc) {
    TEXTMETRICW metrics = {};
    return GetTextMetricsW(dc, &metrics) && metrics.tmHeight > 0 ? metrics.tmHeight : 13;
}

}  // namespace

PlotMapping LayOutPlot(HDC dc, const RECT& bounds, const PlotData& data) {
    GdiObject<HFONT> upright(MakeFont(dc, 0));
    Selection font(dc, upright.get());
    return Measure(dc, bounds, data, Spacing(FontHeight(dc)));
}

PlotMapping DrawPlot(HDC dc, const RECT& bounds, const PlotData& data) {
    GdiObject<HFONT> upright(MakeFont(dc, 0));
    GdiObject<HBRUSH> background(CreateSolidBrush(kPlotBackground));
    GdiObject<HPEN> ink(CreatePen(PS_SOLID, 1, kPlotInk));
    SavedDcState saved(dc);
    IntersectClipRect(dc, bounds.left, bounds.top, bounds.right, bounds.bottom);
    FillRect(dc, &bounds, background.get());

    Selection font(dc, upright.get());
    Selection pen(dc, ink.get());
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, kPlotInk);
    const Spacing spacing(FontHeight(dc));
    const PlotMapping m = Measure(dc, bounds, data, spacing);
    const RECT frame = FrameOf(m);
    {
        Selection hollow(dc, GetStockObject(NULL_BRUSH));
        Rectangle(dc, frame.left, frame.top, frame.right, frame.bottom);
    }
    DrawTicks(dc, data, m, spacing);
    DrawTitles(dc, bounds, data, m, spacing);

    // Everything from here on stays inside the frame.
    IntersectClipRect(dc, m.area().left, m.area().top, m.area().right, m.area().bottom);
    if (data.fit) DrawFitLine(dc, *data.fit, m);

    std::vector<bool> isSelected(data.points.size());
    for (size_t index : data.selected) {
        if (index < isSelected.size()) isSelected[index] = true;
    }
    MarkerCentres normal(m), selected(m);
    for (size_t i = 0; i < data.points.size(); ++i) (isSelected[i] ? selected : normal).Add(data.points[i]);
    DrawMarkers(dc, normal.centres(), kPlotMarkerColour);
    DrawMarkers(dc, selected.centres(), kPlotSelectedColour);

    const bool anyReading = std::any_of(data.points.begin(), data.points.end(), [](const PlotPoint& p) {
        return std::isfinite(p.x) && std::isfinite(p.y);
    });
    if (!anyReading) {
        SetTextColor(dc, kPlotNoteColour);
        const RECT& a = m.area();
        PutText(dc, (a.left + a.right) / 2, (a.top + a.bottom) / 2 - spacing.fontHeight / 2,
                TA_CENTER | TA_TOP | TA_NOUPDATECP, kNoReadingsText);
        SetTextColor(dc, kPlotInk);
    }
    if (data.fit) DrawFitBox(dc, *data.fit, m, spacing, normal.centres(), selected.centres());
    return m;
}
