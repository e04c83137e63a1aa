// The plot's layout (plot_layout.h): the margins measured from the texts, the
// markers gathered one per pixel, and the boxes put in a free corner or, when
// none is free, beside the data.
#include "plot/plot_layout.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>

#include "plot/draw_plot.h"

namespace plot_internal {

Spacing::Spacing(int height, int scale, int line)
    : scale(scale), fontHeight(height), pad(std::max(4 * scale, height / 2)), tick(std::max(3 * scale, height / 3)),
      gap(std::max(2 * scale, height / 6)), line(std::max(scale, line)), marker(kPlotMarkerSize * scale),
      margin(kPlotMarkerSize * scale / 2 + scale), inner(std::max(3 * scale, height / 4)) {}

bool InRange(double value, AxisRange range) {
    return value >= range.min && value <= range.max;
}

size_t SeriesCount(const PlotData& data) {
    return std::max<size_t>(1, data.series.size());
}

int LegendRow(const Spacing& s) {
    return std::max(s.fontHeight, s.marker + s.line);
}

namespace {

size_t SeriesOf(const PlotData& data, const PlotPoint& point) {
    return point.series < data.series.size() ? point.series : 0;
}

bool AnyMarkerWithin(const Markers& markers, const RECT& box, int reach) {
    RECT zone = box;
    InflateRect(&zone, reach, reach);
    for (const auto* kind : {&markers.normal, &markers.selected}) {
        for (const std::vector<POINT>& centres : *kind) {
            for (const POINT& c : centres) {
                if (PtInRect(&zone, c)) return true;
            }
        }
    }
    return false;
}

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
            if (AnyMarkerWithin(layout.markers, candidate, reach)) continue;
            box->place = candidate;
            used = candidate;
            placed = true;
            break;
        }
        if (!placed) return false;
    }
    return true;
}

}  // namespace

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

}  // namespace plot_internal
