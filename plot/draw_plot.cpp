#include "plot/draw_plot.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "base/gdi.h"
#include "numtext/measured_value_text.h"

namespace {

// The dialogs' font: under Wine, "MS Shell Dlg 2" is Tahoma, which finds the
// Greek of titles such as "ln(1/V_σ)" through the font link the prefix sets up,
// as the parameter table's headers do.
constexpr wchar_t kFontFace[] = L"MS Shell Dlg 2";
// In tenths of a point: the texts, and the subscripts.
constexpr int kFontTenths = 90;
constexpr int kSubscriptTenths = 70;
constexpr int kMaxScale = 16;
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
HFONT MakeFont(HDC dc, int escapement, int tenthsOfPoints) {
    int dpi = GetDeviceCaps(dc, LOGPIXELSY);
    if (dpi <= 0) dpi = 96;
    return CreateFontW(-MulDiv(tenthsOfPoints, dpi, 720), 0, escapement, escapement, FW_NORMAL, FALSE, FALSE, FALSE,
                       DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                       DEFAULT_PITCH | FF_SWISS, kFontFace);
}

bool InRange(double value, AxisRange range) {
    return value >= range.min && value <= range.max;
}

// A piece of a text drawn in one font: the subscripts are drawn smaller and
// lower than the rest.
struct Run {
    std::wstring text;
    bool subscript = false;
};

std::vector<Run> Runs(const std::wstring& raw) {
    const std::wstring text = WithMinusSigns(raw);
    std::vector<Run> runs;
    for (size_t i = 0; i < text.size(); ++i) {
        const bool subscript = text[i] == L'_' && i + 1 < text.size();
        if (subscript) ++i;
        if (runs.empty() || runs.back().subscript != subscript) runs.push_back({L"", subscript});
        runs.back().text += text[i];
    }
    return runs;
}

// The plot's fonts, upright and turned a quarter to the left, each with its
// smaller one for subscripts, and their measures. The upright font is selected
// in the DC while the plot is laid out and drawn.
class PlotText {
public:
    PlotText(HDC dc, int scale)
        : dc_(dc), upright_(MakeFont(dc, 0, kFontTenths * scale)),
          uprightSmall_(MakeFont(dc, 0, kSubscriptTenths * scale)), turned_(MakeFont(dc, 900, kFontTenths * scale)),
          turnedSmall_(MakeFont(dc, 900, kSubscriptTenths * scale)), selected_(dc, upright_.get()) {
        TEXTMETRICW metrics = {};
        if (GetTextMetricsW(dc, &metrics) && metrics.tmHeight > 0) {
            height_ = metrics.tmHeight;
            ascent_ = metrics.tmAscent;
        } else {
            height_ = 13 * scale;
            ascent_ = 11 * scale;
        }
    }
    PlotText(const PlotText&) = delete;
    PlotText& operator=(const PlotText&) = delete;

    int height() const { return height_; }
    // How far a subscript's baseline lies below the text's.
    int drop() const { return std::max(1, height_ / 4); }

    int Width(const std::wstring& text) const {
        int width = 0;
        for (const Run& run : Runs(text)) width += RunWidth(run);
        return width;
    }

    // Upright text whose top lies at `top`, starting at `x` (TA_LEFT), centred
    // on it (TA_CENTER) or ending at it (TA_RIGHT).
    void Put(int x, int top, UINT align, const std::wstring& text) const {
        const std::vector<Run> runs = Runs(text);
        int width = 0;
        if (align != TA_LEFT) {
            for (const Run& run : runs) width += RunWidth(run);
        }
        int left = align == TA_CENTER ? x - width / 2 : align == TA_RIGHT ? x - width : x;
        const int baseline = top + ascent_;
        SetTextAlign(dc_, TA_LEFT | TA_BASELINE | TA_NOUPDATECP);
        for (const Run& run : runs) {
            Selection font(dc_, run.subscript ? uprightSmall_.get() : nullptr);
            Out(left, baseline + (run.subscript ? drop() : 0), run.text);
            left += RunWidth(run);
        }
    }

    // Text turned a quarter to the left: it runs upwards from `bottom` and its
    // top faces `left`.
    void PutTurned(int left, int bottom, const std::wstring& text) const {
        const std::vector<Run> runs = Runs(text);
        // The widths are those of the upright fonts, measured before turning.
        std::vector<int> widths;
        for (const Run& run : runs) widths.push_back(RunWidth(run));
        SetTextAlign(dc_, TA_LEFT | TA_BASELINE | TA_NOUPDATECP);
        int y = bottom;
        for (size_t k = 0; k < runs.size(); ++k) {
            Selection font(dc_, runs[k].subscript ? turnedSmall_.get() : turned_.get());
            // Down, for the turned text, is to the right.
            Out(left + ascent_ + (runs[k].subscript ? drop() : 0), y, runs[k].text);
            y -= widths[k];
        }
    }

private:
    int RunWidth(const Run& run) const {
        if (run.text.empty()) return 0;
        Selection font(dc_, run.subscript ? uprightSmall_.get() : nullptr);
        SIZE size = {};
        if (!GetTextExtentPoint32W(dc_, run.text.c_str(), static_cast<int>(run.text.size()), &size)) return 0;
        return size.cx;
    }

    void Out(int x, int y, const std::wstring& text) const {
        ExtTextOutW(dc_, x, y, 0, nullptr, text.c_str(), static_cast<UINT>(text.size()), nullptr);
    }

    HDC dc_;
    GdiObject<HFONT> upright_;
    GdiObject<HFONT> uprightSmall_;
    GdiObject<HFONT> turned_;
    GdiObject<HFONT> turnedSmall_;
    Selection selected_;
    int height_ = 13;
    int ascent_ = 11;
};

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

    Spacing(int height, int scale)
        : scale(scale), fontHeight(height), pad(std::max(4 * scale, height / 2)),
          tick(std::max(3 * scale, height / 3)), gap(std::max(2 * scale, height / 6)), line(scale),
          marker(kPlotMarkerSize * scale), margin(kPlotMarkerSize * scale / 2 + scale),
          inner(std::max(3 * scale, height / 4)) {}
};

size_t SeriesOf(const PlotData& data, const PlotPoint& point) {
    return point.series < data.series.size() ? point.series : 0;
}

size_t SeriesCount(const PlotData& data) {
    return std::max<size_t>(1, data.series.size());
}

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

// The centres of the markers to draw, one per pixel and kind (series, and
// selected or not), series by series.
struct Markers {
    std::vector<std::vector<POINT>> normal;
    std::vector<std::vector<POINT>> selected;

    bool AnyWithin(const RECT& box, int reach) const {
        RECT zone = box;
        InflateRect(&zone, reach, reach);
        for (const auto* kind : {&normal, &selected}) {
            for (const std::vector<POINT>& centres : *kind) {
                for (const POINT& c : centres) {
                    if (PtInRect(&zone, c)) return true;
                }
            }
        }
        return false;
    }
};

// A marker on a pixel that already has one of its kind (series, and selected
// or not) costs nothing. The pixels taken are marked in a map of the area kept
// from one drawing to the next and left all clear after each series: a fresh
// map as large as a maximized plot costs more in page faults, on every paint,
// than drawing ten thousand markers. Only the program's one thread draws.
Markers CollectMarkers(const PlotData& data, const std::vector<bool>& isSelected, const PlotMapping& m,
                       AxisRange xRange, AxisRange yRange) {
    const size_t kinds = SeriesCount(data);
    Markers markers;
    markers.normal.resize(kinds);
    markers.selected.resize(kinds);
    if (data.points.empty()) return markers;
    const RECT& a = m.area();
    const size_t width = static_cast<size_t>(a.right - a.left);
    static std::vector<uint8_t> taken;
    taken.resize(std::max(taken.size(), width * static_cast<size_t>(a.bottom - a.top)));
    auto at = [&](POINT pixel) -> uint8_t& {
        return taken[static_cast<size_t>(pixel.y - a.top) * width + static_cast<size_t>(pixel.x - a.left)];
    };
    for (size_t series = 0; series < kinds; ++series) {
        std::vector<POINT>& normal = markers.normal[series];
        std::vector<POINT>& selected = markers.selected[series];
        for (size_t i = 0; i < data.points.size(); ++i) {
            const PlotPoint& point = data.points[i];
            if (SeriesOf(data, point) != series) continue;
            if (!std::isfinite(point.x) || !std::isfinite(point.y)) continue;
            if (!InRange(point.x, xRange) || !InRange(point.y, yRange)) continue;
            const POINT pixel = m.Pixel(point.x, point.y);
            if (!m.Contains(pixel)) continue;
            const uint8_t kind = isSelected[i] ? 2 : 1;
            uint8_t& mark = at(pixel);
            if (mark & kind) continue;
            mark |= kind;
            (kind == 2 ? selected : normal).push_back(pixel);
        }
        for (const std::vector<POINT>* centres : {&normal, &selected}) {
            for (const POINT& c : *centres) at(c) = 0;
        }
    }
    return markers;
}

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

// The range that puts `range` `margin` pixels inside both ends of `pixels`.
AxisRange Widened(AxisRange range, long pixels, int margin) {
    const long usable = pixels - 1 - 2L * margin;
    if (margin <= 0 || usable < 1) return range;
    // Halves, so that no width overflows.
    const double perPixel = (range.max / 2 - range.min / 2) / static_cast<double>(usable) * 2;
    const AxisRange wide = {range.min - margin * perPixel, range.max + margin * perPixel};
    if (!std::isfinite(wide.min) || !std::isfinite(wide.max) || !std::isfinite(wide.max / 2 - wide.min / 2)) {
        return range;
    }
    return wide;
}

// The mapping with `right` pixels kept free right of the frame and `top`
// above it for boxes.
PlotMapping Measure(const RECT& bounds, const PlotData& data, const PlotText& text, const Spacing& s,
                    AxisRange xRange, AxisRange yRange, int right, int top) {
    int yLabels = 0;
    for (const PlotTick& tick : data.y.ticks) {
        if (InRange(tick.value, yRange)) yLabels = std::max(yLabels, text.Width(tick.label));
    }
    int xLabels = 0;
    for (const PlotTick& tick : data.x.ticks) {
        if (InRange(tick.value, xRange)) xLabels = std::max(xLabels, text.Width(tick.label));
    }
    const int titleBand = s.fontHeight + 2 * s.gap;
    RECT area;
    area.left = bounds.left + s.pad + (data.y.title.empty() ? 0 : titleBand) + yLabels + s.gap + s.tick + s.line;
    area.right = bounds.right - s.pad - std::max(xLabels / 2, right) - s.line;
    area.top = bounds.top + s.pad + std::max(s.fontHeight / 2, top) + s.line;
    area.bottom = bounds.bottom - s.pad - (data.x.title.empty() ? 0 : titleBand) - s.fontHeight - s.gap -
                  s.tick - s.line;
    const PlotMapping plain(xRange, yRange, area);
    const RECT& a = plain.area();
    return PlotMapping(Widened(xRange, a.right - a.left, s.margin), Widened(yRange, a.bottom - a.top, s.margin), a);
}

Box FitBox(const PlotData& data, const PlotText& text, const Spacing& s) {
    Box box;
    if (!data.fit || data.fit->text.empty()) return box;
    box.shown = true;
    for (const std::wstring& line : data.fit->text) box.width = std::max(box.width, text.Width(line));
    box.width += 2 * (s.inner + s.line);
    box.height = static_cast<int>(data.fit->text.size()) * s.fontHeight + 2 * (s.inner + s.line);
    return box;
}

int LegendRow(const Spacing& s) {
    return std::max(s.fontHeight, s.marker + s.line);
}

Box LegendBox(const PlotData& data, const PlotText& text, const Spacing& s) {
    Box box;
    if (data.series.size() < 2) return box;
    box.shown = true;
    for (const PlotSeries& series : data.series) box.width = std::max(box.width, text.Width(series.name));
    box.width += s.marker + s.gap + 2 * (s.inner + s.line);
    box.height = static_cast<int>(data.series.size()) * LegendRow(s) + 2 * (s.inner + s.line);
    return box;
}

// Puts each shown box in the first corner of the area where it covers no
// marker and no other box. False when one finds none.
bool PlaceInCorners(Layout& layout, const Spacing& s) {
    const RECT& a = layout.mapping.area();
    const int reach = s.marker / 2 + s.line;
    RECT used = {};
    for (Box* box : {&layout.fit, &layout.legend}) {
        if (!box->shown) continue;
        if (box->width + 2 * s.pad > a.right - a.left || box->height + 2 * s.pad > a.bottom - a.top) return false;
        // Top right first: a falling line (an Arrhenius plot) leaves it
        // empty; then top left, for a rising one.
        const POINT corners[4] = {{a.right - s.pad - box->width, a.top + s.pad},
                                  {a.left + s.pad, a.top + s.pad},
                                  {a.right - s.pad - box->width, a.bottom - s.pad - box->height},
                                  {a.left + s.pad, a.bottom - s.pad - box->height}};
        bool placed = false;
        for (const POINT& corner : corners) {
            const RECT candidate = {corner.x, corner.y, corner.x + box->width, corner.y + box->height};
            RECT overlap;
            if (IntersectRect(&overlap, &candidate, &used)) continue;
            if (layout.markers.AnyWithin(candidate, reach)) continue;
            box->place = candidate;
            used = candidate;
            placed = true;
            break;
        }
        if (!placed) return false;
    }
    return true;
}

Layout LayOut(const RECT& bounds, const PlotData& data, const std::vector<bool>& isSelected, const PlotText& text,
              const Spacing& s) {
    Layout layout;
    layout.x = UsableRange(data.x.min, data.x.max);
    layout.y = UsableRange(data.y.min, data.y.max);
    layout.fit = FitBox(data, text, s);
    layout.legend = LegendBox(data, text, s);
    layout.mapping = Measure(bounds, data, text, s, layout.x, layout.y, 0, 0);
    layout.markers = CollectMarkers(data, isSelected, layout.mapping, layout.x, layout.y);
    if (PlaceInCorners(layout, s)) return layout;

    // Some box would hide points: the boxes stand beside the data instead,
    // right of it or above it, whichever leaves the data the larger area.
    std::vector<Box*> boxes;
    for (Box* box : {&layout.fit, &layout.legend}) {
        if (box->shown) boxes.push_back(box);
    }
    int widest = 0, stacked = 0, sideBySide = 0, tallest = 0;
    for (const Box* box : boxes) {
        widest = std::max(widest, box->width);
        tallest = std::max(tallest, box->height);
        stacked += box->height + s.pad;
        sideBySide += box->width + s.pad;
    }
    const bool inRow = sideBySide - s.pad <= bounds.right - bounds.left - 2 * s.pad;
    const int band = inRow ? tallest : stacked - s.pad;
    const PlotMapping right = Measure(bounds, data, text, s, layout.x, layout.y, widest + 2 * s.pad, 0);
    const PlotMapping above = Measure(bounds, data, text, s, layout.x, layout.y, 0, band + s.pad);
    auto size = [](const PlotMapping& m) {
        return static_cast<long long>(m.area().right - m.area().left) * (m.area().bottom - m.area().top);
    };
    const bool toTheRight = size(right) >= size(above);
    const PlotMapping& beside = toTheRight ? right : above;
    int x = static_cast<int>(bounds.right) - s.pad;
    int y = toTheRight ? beside.area().top - s.line : static_cast<int>(bounds.top) + s.pad;
    for (Box* box : boxes) {
        box->place = {x - box->width, y, x, y + box->height};
        if (toTheRight || !inRow) {
            y += box->height + s.pad;
        } else {
            x -= box->width + s.pad;
        }
    }
    layout.mapping = beside;
    layout.markers = CollectMarkers(data, isSelected, layout.mapping, layout.x, layout.y);
    return layout;
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

void DrawFitLine(HDC dc, const PlotFit& fit, const PlotMapping& m, const Spacing& s) {
    if (!std::isfinite(fit.slope) || !std::isfinite(fit.intercept)) return;
    double x0 = m.PixelX(m.x().min), x1 = m.PixelX(m.x().max);
    double y0 = m.PixelY(fit.slope * m.x().min + fit.intercept);
    double y1 = m.PixelY(fit.slope * m.x().max + fit.intercept);
    if (!std::isfinite(y0) || !std::isfinite(y1)) return;
    const RECT& a = m.area();
    if (!ClipSegment(x0, y0, x1, y1, a.left, a.top, a.right - 1, a.bottom - 1)) return;
    GdiObject<HPEN> pen(CreatePen(PS_SOLID, s.line, kPlotFitColour));
    Selection use(dc, pen.get());
    const POINT line[2] = {{static_cast<LONG>(std::lround(x0)), static_cast<LONG>(std::lround(y0))},
                           {static_cast<LONG>(std::lround(x1)), static_cast<LONG>(std::lround(y1))}};
    Polyline(dc, line, 2);
    // Polyline leaves out the last pixel; the line reaches the far edge.
    SetPixelV(dc, line[1].x, line[1].y, kPlotFitColour);
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

void DrawBoxEdge(HDC dc, const RECT& box, const Spacing& s) {
    GdiObject<HBRUSH> white(CreateSolidBrush(kPlotBackground));
    GdiObject<HPEN> edge(CreatePen(PS_INSIDEFRAME, s.line, kPlotNoteColour));
    Selection fill(dc, white.get());
    Selection line(dc, edge.get());
    Rectangle(dc, box.left, box.top, box.right, box.bottom);
}

void DrawFitBox(HDC dc, const PlotFit& fit, const Box& box, const PlotText& text, const Spacing& s) {
    DrawBoxEdge(dc, box.place, s);
    int y = box.place.top + s.line + s.inner;
    for (const std::wstring& line : fit.text) {
        text.Put(box.place.left + s.line + s.inner, y, TA_LEFT, line);
        y += s.fontHeight;
    }
}

void DrawLegend(HDC dc, const PlotData& data, const Box& box, const PlotText& text, const Spacing& s) {
    DrawBoxEdge(dc, box.place, s);
    const int row = LegendRow(s);
    const int left = box.place.left + s.line + s.inner;
    int top = box.place.top + s.line + s.inner;
    for (size_t k = 0; k < data.series.size(); ++k) {
        const POINT centre = {left + s.marker / 2, top + row / 2};
        DrawMarkers(dc, {centre}, MarkerSpans(kPlotSeriesShapes[k % kPlotSeriesStyles], s.marker),
                    kPlotSeriesColours[k % kPlotSeriesStyles]);
        text.Put(left + s.marker + s.gap, top + (row - s.fontHeight) / 2, TA_LEFT, data.series[k].name);
        top += row;
    }
}

}  // namespace

PlotMapping LayOutPlot(HDC dc, const RECT& bounds, const PlotData& data, int scale) {
    scale = std::clamp(scale, 1, kMaxScale);
    SavedDcState saved(dc);
    const PlotText text(dc, scale);
    return LayOut(bounds, data, SelectedPoints(data), text, Spacing(text.height(), scale)).mapping;
}

PlotMapping DrawPlot(HDC dc, const RECT& bounds, const PlotData& data, int scale) {
    scale = std::clamp(scale, 1, kMaxScale);
    GdiObject<HBRUSH> background(CreateSolidBrush(kPlotBackground));
    GdiObject<HBRUSH> ink(CreateSolidBrush(kPlotInk));
    SavedDcState saved(dc);
    IntersectClipRect(dc, bounds.left, bounds.top, bounds.right, bounds.bottom);
    FillRect(dc, &bounds, background.get());

    const PlotText text(dc, scale);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, kPlotInk);
    const Spacing s(text.height(), scale);
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
        if (data.fit) DrawFitLine(dc, *data.fit, m, s);
        const size_t kinds = SeriesCount(data);
        for (const auto* kind : {&layout.markers.normal, &layout.markers.selected}) {
            const bool selected = kind == &layout.markers.selected;
            for (size_t k = 0; k < kinds; ++k) {
                const size_t style = k % kPlotSeriesStyles;
                DrawMarkers(dc, (*kind)[k], MarkerSpans(kPlotSeriesShapes[style], s.marker),
                            selected ? kPlotSelectedColour : kPlotSeriesColours[style]);
            }
        }
        const bool anyReading = std::any_of(data.points.begin(), data.points.end(), [](const PlotPoint& p) {
            return std::isfinite(p.x) && std::isfinite(p.y);
        });
        if (!anyReading) {
            SetTextColor(dc, kPlotNoteColour);
            const RECT& a = m.area();
            text.Put((a.left + a.right) / 2, (a.top + a.bottom) / 2 - s.fontHeight / 2, TA_CENTER, kNoReadingsText);
            SetTextColor(dc, kPlotInk);
        }
    }
    if (layout.fit.shown) DrawFitBox(dc, *data.fit, layout.fit, text, s);
    if (layout.legend.shown) DrawLegend(dc, data, layout.legend, text, s);
    return m;
}
