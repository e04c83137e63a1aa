// The plot drawn into a bitmap and read back pixel by pixel: where the markers,
// the fitted line and its box land, what is left white, and what odd data
// (no readings, NaN, equal range ends, a million points) does to it.
#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <limits>
#include <utility>

#include "gui_objects.h"
#include "plot/draw_plot.h"
#include "plot_canvas.h"

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInfinity = std::numeric_limits<double>::infinity();

// The plot is drawn into the middle of the bitmap, so that anything drawn
// outside its bounds shows.
constexpr RECT kBounds = {20, 10, 380, 290};

RECT Quarter(const RECT& area, bool right, bool bottom) {
    const LONG midX = (area.left + area.right) / 2, midY = (area.top + area.bottom) / 2;
    return {right ? midX : area.left, bottom ? midY : area.top, right ? area.right : midX,
            bottom ? area.bottom : midY};
}

std::vector<uint32_t> Drawing(const PlotData& data) {
    Canvas canvas(400, 300);
    DrawPlot(canvas.dc(), kBounds, data);
    return canvas.Pixels();
}

}  // namespace

TEST(PlotMapping, UsableRangesAreFiniteAndWide) {
    AxisRange r = UsableRange(2, 5);
    EXPECT_EQ(r.min, 2);
    EXPECT_EQ(r.max, 5);
    r = UsableRange(5, 2);  // the wrong way round
    EXPECT_EQ(r.min, 2);
    EXPECT_EQ(r.max, 5);

    // Equal ends are widened on both sides alike.
    r = UsableRange(-40, -40);
    EXPECT_LT(r.min, -40);
    EXPECT_GT(r.max, -40);
    EXPECT_DOUBLE_EQ((r.min + r.max) / 2, -40);
    r = UsableRange(0, 0);
    EXPECT_EQ(r.min, -1);
    EXPECT_EQ(r.max, 1);
    r = UsableRange(DBL_TRUE_MIN, DBL_TRUE_MIN);  // a tenth of it is nothing
    EXPECT_LT(r.min, r.max);
    r = UsableRange(DBL_MAX, DBL_MAX);
    EXPECT_LT(r.min, r.max);
    EXPECT_TRUE(std::isfinite(r.max));

    for (const auto& ends : {std::pair{kNaN, 1.0}, std::pair{0.0, kInfinity}, std::pair{-kInfinity, kNaN}}) {
        r = UsableRange(ends.first, ends.second);
        EXPECT_EQ(r.min, 0);
        EXPECT_EQ(r.max, 1);
    }
    r = UsableRange(-DBL_MAX, DBL_MAX);
    EXPECT_TRUE(std::isfinite(r.max - r.min));
    EXPECT_LT(r.min, 0);
    EXPECT_GT(r.max, 0);
}

TEST(PlotMapping, TheRangesCornersAreTheAreasCornersAndPixelsMapBack) {
    const PlotMapping m({-2, 8}, {100, 300}, {10, 20, 111, 221});
    EXPECT_EQ(m.Pixel(-2, 100).x, 10);
    EXPECT_EQ(m.Pixel(-2, 100).y, 220);  // y grows upwards
    EXPECT_EQ(m.Pixel(8, 300).x, 110);
    EXPECT_EQ(m.Pixel(8, 300).y, 20);
    EXPECT_EQ(m.Pixel(3, 200).x, 60);
    EXPECT_EQ(m.Pixel(3, 200).y, 120);
    EXPECT_TRUE(m.Contains(m.Pixel(8, 100)));
    EXPECT_FALSE(m.Contains(m.Pixel(8.1, 100)));
    EXPECT_FALSE(m.Contains(m.Pixel(0, 99)));

    for (double x : {-2.0, -1.3, 0.0, 4.25, 8.0}) EXPECT_NEAR(m.DataX(m.PixelX(x)), x, 1e-12);
    for (double y : {100.0, 123.4, 300.0}) EXPECT_NEAR(m.DataY(m.PixelY(y)), y, 1e-12);

    // Any double gives a pixel that GDI takes.
    for (double v : {kNaN, kInfinity, -kInfinity, 1e300, -1e300}) {
        const POINT p = m.Pixel(v, v);
        EXPECT_LE(std::abs(p.x), 1000000);
        EXPECT_LE(std::abs(p.y), 1000000);
    }

    // Equal ends and an area with no width still map without dividing by zero.
    const PlotMapping flat({5, 5}, {0, 0}, {50, 50, 50, 50});
    EXPECT_EQ(flat.area().right - flat.area().left, 2);
    EXPECT_TRUE(std::isfinite(flat.PixelX(5)));
    EXPECT_TRUE(std::isfinite(flat.DataY(50)));
}

TEST(DrawPlot, MarkersSitOnTheirPointsAndTheRestOfTheAreaIsWhite) {
    Canvas canvas(400, 300);
    ASSERT_TRUE(canvas.valid());
    const PlotData data = RisingReadings();
    const PlotMapping m = DrawPlot(canvas.dc(), kBounds, data);
    const RECT area = m.area();
    EXPECT_EQ(LayOutPlot(canvas.dc(), kBounds, data).area(), area);
    RECT inside;
    ASSERT_TRUE(IntersectRect(&inside, &area, &kBounds));
    EXPECT_EQ(inside, area);
    EXPECT_GT(area.right - area.left, 200);
    EXPECT_GT(area.bottom - area.top, 150);

    for (size_t i = 0; i < data.points.size(); ++i) {
        const POINT c = m.Pixel(data.points[i].x, data.points[i].y);
        const COLORREF colour = i == 2 ? kPlotSelectedColour : kPlotMarkerColour;
        const int half = kPlotMarkerSize / 2;
        const RECT marker = {c.x - half, c.y - half, c.x + half + 1, c.y + half + 1};
        EXPECT_EQ(canvas.Count(marker, colour), kPlotMarkerSize * kPlotMarkerSize) << "point " << i;
        // Just outside the square: no marker colour.
        RECT ring = marker;
        InflateRect(&ring, 1, 1);
        EXPECT_EQ(canvas.Count(ring, colour), kPlotMarkerSize * kPlotMarkerSize) << "point " << i;
    }

    // Below the line and right of the middle there is nothing but white.
    const POINT lowRight = m.Pixel(6, 40);
    const RECT empty = {lowRight.x, lowRight.y, area.right, area.bottom};
    EXPECT_EQ(canvas.CountOther(empty, kPlotBackground), 0);

    // The frame lies just outside the area, the ticks below and left of it.
    const int midY = (area.top + area.bottom) / 2, midX = (area.left + area.right) / 2;
    EXPECT_EQ(canvas.At(area.left - 1, midY), kPlotInk);
    EXPECT_EQ(canvas.At(area.right, midY), kPlotInk);
    EXPECT_EQ(canvas.At(midX, area.top - 1), kPlotInk);
    EXPECT_EQ(canvas.At(midX + 1, area.bottom), kPlotInk);
    for (const PlotTick& tick : data.x.ticks) {
        const int x = m.Pixel(tick.value, 0).x;
        EXPECT_EQ(canvas.At(x, area.bottom + 2), kPlotInk) << "x tick " << tick.value;
        EXPECT_EQ(canvas.At(x + 3, area.bottom + 2), kPlotBackground) << "x tick " << tick.value;
        // Its label is below it: more ink than the tick mark alone.
        const RECT label = {x - 8, area.bottom + 1, x + 8, area.bottom + 30};
        EXPECT_GT(canvas.CountOther(label, kPlotBackground), 12) << "x tick " << tick.value;
    }
    for (const PlotTick& tick : data.y.ticks) {
        const int y = m.Pixel(0, tick.value).y;
        EXPECT_EQ(canvas.At(area.left - 3, y), kPlotInk) << "y tick " << tick.value;
    }

    // Nothing is drawn outside the bounds.
    const RECT all = canvas.rect();
    const RECT outside[] = {{0, 0, all.right, kBounds.top},
                            {0, kBounds.bottom, all.right, all.bottom},
                            {0, 0, kBounds.left, all.bottom},
                            {kBounds.right, 0, all.right, all.bottom}};
    for (const RECT& strip : outside) EXPECT_EQ(canvas.CountOther(strip, Canvas::kUntouched), 0);
}

TEST(DrawPlot, TheFittedLineRunsThroughItsPixelsAndStopsAtTheFrame) {
    Canvas canvas(400, 300);
    PlotData data = RisingReadings();
    PlotMapping m = DrawPlot(canvas.dc(), kBounds, data);
    for (double x : {2.0, 6.0, 8.0}) {
        const POINT on = m.Pixel(x, 9.5 * x + 2.5);
        EXPECT_TRUE(canvas.Near(on, kPlotFitColour, 1)) << "x = " << x;
    }
    // It spans the whole x range, from the left edge of the area to the right.
    EXPECT_TRUE(canvas.Near(m.Pixel(0, 2.5), kPlotFitColour, 1));
    EXPECT_TRUE(canvas.Near(m.Pixel(10, 97.5), kPlotFitColour, 1));

    // A steep line leaves through the top and is cut off there (with no box
    // over its end).
    Canvas steep(400, 300);
    data.fit->slope = 40;
    data.fit->intercept = -20;
    data.fit->text.clear();
    m = DrawPlot(steep.dc(), kBounds, data);
    const double xAtTop = (100 + 20) / 40.0;
    EXPECT_TRUE(steep.Near(m.Pixel(xAtTop, 100), kPlotFitColour, 1));
    EXPECT_TRUE(steep.Near(m.Pixel(1, 20), kPlotFitColour, 1));
    const RECT area = m.area();
    EXPECT_EQ(steep.Count(area, kPlotFitColour), steep.Count(steep.rect(), kPlotFitColour));
    EXPECT_GT(steep.Count(area, kPlotFitColour), 0);

    // A line that is not a number draws nothing, but its text is still shown.
    Canvas none(400, 300);
    data.fit->slope = kNaN;
    data.fit->text = {L"no fit"};
    m = DrawPlot(none.dc(), kBounds, data);
    EXPECT_EQ(none.Count(none.rect(), kPlotFitColour), 0);
    EXPECT_GT(none.Count(m.area(), kPlotNoteColour), 40);  // the box's edge
}

TEST(DrawPlot, TheFitsBoxGoesToTheCornerWithTheFewestPoints) {
    // Rising readings leave the top left corner empty.
    Canvas rising(400, 300);
    PlotData data = RisingReadings();
    PlotMapping m = DrawPlot(rising.dc(), kBounds, data);
    EXPECT_GT(rising.Count(Quarter(m.area(), false, false), kPlotNoteColour), 80);
    EXPECT_GT(rising.Count(Quarter(m.area(), false, false), kPlotInk), 30);  // its text
    EXPECT_LT(rising.Count(Quarter(m.area(), true, false), kPlotNoteColour), 10);

    // Falling readings leave the top right corner empty, the first choice.
    for (PlotPoint& p : data.points) p.y = 100 - p.y;
    data.fit = PlotFit{-9.5, 97.5, {L"slope = -9.5 mV/T"}};
    Canvas falling(400, 300);
    m = DrawPlot(falling.dc(), kBounds, data);
    EXPECT_GT(falling.Count(Quarter(m.area(), true, false), kPlotNoteColour), 80);
    EXPECT_LT(falling.Count(Quarter(m.area(), false, false), kPlotNoteColour), 10);

    // No text, no box.
    data.fit->text.clear();
    Canvas bare(400, 300);
    m = DrawPlot(bare.dc(), kBounds, data);
    EXPECT_LT(bare.Count(m.area(), kPlotNoteColour), 10);
}

TEST(DrawPlot, WithoutReadingsTheAxesAreDrawnAndTheAreaSaysSo) {
    PlotData data = RisingReadings();
    data.points.clear();
    data.fit.reset();
    Canvas canvas(400, 300);
    const PlotMapping m = DrawPlot(canvas.dc(), kBounds, data);
    const RECT area = m.area();
    const int midX = (area.left + area.right) / 2, midY = (area.top + area.bottom) / 2;
    const RECT middle = {midX - 60, midY - 15, midX + 60, midY + 15};
    EXPECT_GT(canvas.Count(middle, kPlotNoteColour), 20);
    EXPECT_EQ(canvas.Count(canvas.rect(), kPlotMarkerColour), 0);
    EXPECT_EQ(canvas.At(area.left - 1, midY), kPlotInk);
    EXPECT_EQ(canvas.At(m.Pixel(10, 0).x, area.bottom + 2), kPlotInk);  // a tick

    // Readings that are none (NaN, infinite) are the same as no readings,
    // selected or not.
    PlotData unusable = data;
    unusable.points = {{kNaN, 1}, {2, kInfinity}, {-kInfinity, kNaN}};
    unusable.selected = {0, 1};
    EXPECT_EQ(Drawing(unusable), canvas.Pixels());
}

TEST(DrawPlot, PointsThatAreNotNumbersAreLeftOut) {
    const PlotData plain = RisingReadings();
    PlotData mixed = plain;
    mixed.points = {{kNaN, 5},      {1, 12}, {3, 31}, {4, kInfinity}, {5, 48},
                    {-kInfinity, 0}, {7, 72}, {9, 88}, {kNaN, kNaN}};
    // The selected reading (5, 48), a NaN reading and an index past the end.
    mixed.selected = {4, 0, 99};
    EXPECT_EQ(Drawing(mixed), Drawing(plain));

    // So are points outside the ranges, even just outside.
    PlotData outside = plain;
    outside.points.push_back({10.5, 50});
    outside.points.push_back({5, -0.01});
    outside.points.push_back({-1e300, 1e300});
    EXPECT_EQ(Drawing(outside), Drawing(plain));
}

TEST(DrawPlot, RangesWithEqualEndsAreWidenedAroundTheValue) {
    PlotData data;
    data.x = {L"T (K)", 300, 300, {{300, L"300"}}};
    data.y = {L"U (V)", 0, 0, {{0, L"0"}}};
    data.points = {{300, 0}};
    Canvas canvas(400, 300);
    const PlotMapping m = DrawPlot(canvas.dc(), kBounds, data);
    const RECT area = m.area();
    const POINT centre = {(area.left + area.right - 1) / 2, (area.top + area.bottom - 1) / 2};
    const POINT point = m.Pixel(300, 0);
    EXPECT_LE(std::abs(point.x - centre.x), 1);
    EXPECT_LE(std::abs(point.y - centre.y), 1);
    EXPECT_EQ(canvas.At(point), kPlotMarkerColour);
    EXPECT_EQ(canvas.At(point.x, area.bottom + 2), kPlotInk);  // the tick at 300
    EXPECT_EQ(canvas.At(area.left - 3, point.y), kPlotInk);    // the tick at 0

    // Ends the wrong way round draw as the right way round; ends that are not
    // numbers give a plot all the same.
    PlotData reversed = RisingReadings();
    std::swap(reversed.x.min, reversed.x.max);
    std::swap(reversed.y.min, reversed.y.max);
    EXPECT_EQ(Drawing(reversed), Drawing(RisingReadings()));
    PlotData broken = RisingReadings();
    broken.x.min = kNaN;
    broken.y.max = kInfinity;
    broken.points = {{0.5, 0.5}};
    Canvas unit(400, 300);
    const PlotMapping u = DrawPlot(unit.dc(), kBounds, broken);
    EXPECT_EQ(unit.At(u.Pixel(0.5, 0.5)), kPlotMarkerColour);
}

TEST(DrawPlot, TheYTitleStandsUprightAndGreekLettersAreDrawn) {
    PlotData data = RisingReadings();
    data.y.title = L"ln(1/V_\u03c3)";
    for (PlotTick& tick : data.y.ticks) tick.label.clear();  // only the title left of the ticks
    Canvas canvas(400, 300);
    const PlotMapping m = DrawPlot(canvas.dc(), kBounds, data);
    const RECT band = {kBounds.left, kBounds.top, m.area().left - 8, kBounds.bottom};
    const RECT title = canvas.Extent(band, kPlotBackground);
    EXPECT_GT(title.bottom - title.top, 2 * (title.right - title.left)) << "the title does not run upwards";

    // σ is a letter of the font (or of one linked to it): neither the box
    // drawn for a character no font has (U+0378 is none) nor nothing.
    const std::vector<uint32_t> sigma = canvas.Pixels();
    data.y.title = L"ln(1/V_\u0378)";
    const std::vector<uint32_t> missing = Drawing(data);
    data.y.title = L"ln(1/V_ )";
    const std::vector<uint32_t> blank = Drawing(data);
    data.y.title = L"ln(1/V_\u03c3)";
    EXPECT_EQ(Drawing(data), sigma) << "the same title draws the same";
    EXPECT_NE(sigma, missing);
    EXPECT_NE(sigma, blank);
    EXPECT_NE(missing, blank);
}

TEST(DrawPlot, LeavesTheDcAsItWasAndKeepsNoGdiObjects) {
    Canvas canvas(400, 300);
    HDC dc = canvas.dc();
    GdiObject<HFONT> font(CreateFontW(-20, 0, 0, 0, FW_BOLD, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, L"Arial"));
    GdiObject<HPEN> pen(CreatePen(PS_DASH, 1, RGB(1, 2, 3)));
    GdiObject<HBRUSH> brush(CreateSolidBrush(RGB(4, 5, 6)));
    Selection useFont(dc, font.get()), usePen(dc, pen.get()), useBrush(dc, brush.get());
    SetTextColor(dc, RGB(7, 8, 9));
    SetBkColor(dc, RGB(10, 11, 12));
    SetBkMode(dc, OPAQUE);
    SetTextAlign(dc, TA_BASELINE | TA_RIGHT);
    IntersectClipRect(dc, 5, 5, 395, 295);

    PlotData data = RisingReadings();
    DrawPlot(dc, kBounds, data);  // GDI keeps a few objects for the first text in a font
    const GuiObjects before = CountGuiObjects();
    for (int i = 0; i < 20; ++i) {
        DrawPlot(dc, kBounds, data);
        PlotData empty;
        DrawPlot(dc, kBounds, empty);
    }
    EXPECT_EQ(CountGuiObjects().gdi, before.gdi);

    EXPECT_EQ(GetCurrentObject(dc, OBJ_FONT), font.get());
    EXPECT_EQ(GetCurrentObject(dc, OBJ_PEN), pen.get());
    EXPECT_EQ(GetCurrentObject(dc, OBJ_BRUSH), brush.get());
    EXPECT_EQ(GetTextColor(dc), RGB(7, 8, 9));
    EXPECT_EQ(GetBkColor(dc), RGB(10, 11, 12));
    EXPECT_EQ(GetBkMode(dc), OPAQUE);
    EXPECT_EQ(GetTextAlign(dc), static_cast<UINT>(TA_BASELINE | TA_RIGHT));
    RECT clip;
    EXPECT_EQ(GetClipBox(dc, &clip), SIMPLEREGION);
    EXPECT_EQ(clip, (RECT{5, 5, 395, 295}));
}

TEST(DrawPlot, AMillionReadingsAreDrawnAsTheirPixels) {
    PlotData data = RisingReadings();
    data.fit.reset();
    data.points.clear();
    data.selected.clear();
    // A dense band along y = 10 x, and every thousandth reading selected.
    for (int i = 0; i < 1000000; ++i) {
        const double x = (i % 100000) / 10000.0;
        data.points.push_back({x, 10 * x});
        if (i % 1000 == 0) data.selected.push_back(static_cast<size_t>(i));
    }
    Canvas canvas(400, 300);
    const PlotMapping m = DrawPlot(canvas.dc(), kBounds, data);
    for (double x : {0.5, 2.25, 7.0}) {
        const COLORREF at = canvas.At(m.Pixel(x, 10 * x));
        EXPECT_TRUE(at == kPlotMarkerColour || at == kPlotSelectedColour) << "x = " << x;
    }
    EXPECT_EQ(canvas.At(m.Pixel(0, 0)), kPlotSelectedColour);  // reading 0, on top
    EXPECT_EQ(canvas.CountOther({m.Pixel(6, 20).x, m.Pixel(6, 20).y, m.area().right, m.area().bottom},
                                kPlotBackground),
              0);
}

namespace {

// Readings in every corner of 0..10 by 0..100, next to them and in the
// middle, with a fit whose box is as large as the band gap's.
PlotData ReadingsInEveryCorner() {
    PlotData data = RisingReadings();
    data.points = {{0, 0},   {0, 100}, {10, 0},  {10, 100}, {5, 50},
                   {1, 90},  {9, 10},  {1, 10},  {9, 90},   {0.5, 50}};
    data.selected.clear();
    data.fit = PlotFit{9.5, 2.5,
                       {L"slope = 9.50 \u00B1 0.27", L"intercept = 2.5 \u00B1 1.6",
                        L"R\u00B2 = 0.9987, n = 10", L"E_g = \u22122k \u00D7 slope = 0.650 \u00B1 0.027 eV"}};
    return data;
}

// The ink of the x title: below the tick marks, when the ticks have no labels.
RECT XTitleInk(const std::wstring& title, int scale = 1) {
    PlotData data = RisingReadings();
    data.points.clear();
    data.fit.reset();
    data.y.title.clear();
    for (PlotTick& tick : data.x.ticks) tick.label.clear();
    data.x.title = title;
    Canvas canvas(400 * scale, 300 * scale);
    const RECT bounds = canvas.rect();
    const PlotMapping m = DrawPlot(canvas.dc(), bounds, data, scale);
    const RECT band = {bounds.left, m.area().bottom + 8 * scale, bounds.right, bounds.bottom};
    return canvas.Extent(band, kPlotBackground);
}

}  // namespace

TEST(DrawPlot, NoBoxHidesAPointAndTheFrameCutsNoMarkerAtAnySize) {
    const PlotData data = ReadingsInEveryCorner();
    const SIZE sizes[] = {{400, 300}, {400, 150}, {240, 300}, {600, 120}, {300, 200}};
    for (const SIZE& size : sizes) {
        SCOPED_TRACE(testing::Message() << size.cx << " x " << size.cy);
        Canvas canvas(size.cx, size.cy);
        const PlotMapping m = DrawPlot(canvas.dc(), canvas.rect(), data);
        const RECT area = m.area();
        for (const PlotPoint& p : data.points) {
            const POINT c = m.Pixel(p.x, p.y);
            const int half = kPlotMarkerSize / 2;
            const RECT marker = {c.x - half, c.y - half, c.x + half + 1, c.y + half + 1};
            // Whole, and inside the frame.
            EXPECT_EQ(canvas.Count(marker, kPlotMarkerColour), kPlotMarkerSize * kPlotMarkerSize)
                << "point " << p.x << ", " << p.y;
            RECT inside;
            IntersectRect(&inside, &marker, &area);
            EXPECT_EQ(inside, marker) << "point " << p.x << ", " << p.y;
        }
        // The box is there, with its text.
        EXPECT_GT(canvas.Count(canvas.rect(), kPlotNoteColour), 200);
    }

    // Where a corner is free, the box stays in it.
    PlotData rising = RisingReadings();
    Canvas canvas(400, 300);
    const PlotMapping m = DrawPlot(canvas.dc(), canvas.rect(), rising);
    EXPECT_GT(canvas.Count(Quarter(m.area(), false, false), kPlotNoteColour), 80);
}

TEST(DrawPlot, SubscriptsAreDrawnSmallerAndLowerAndSignsAsMinusSigns) {
    // "V_H": an H smaller and lower than the V, no underscore.
    const RECT plain = XTitleInk(L"VH");
    const RECT lowered = XTitleInk(L"V_H");
    ASSERT_GT(plain.right, plain.left);
    EXPECT_LT(lowered.right - lowered.left, plain.right - plain.left);
    EXPECT_GT(lowered.bottom, plain.bottom);
    EXPECT_FALSE(XTitleInk(L"V_\u03C3") == XTitleInk(L"V\u03C3"));

    // A hyphen before a digit is drawn as the minus sign, in the labels and in
    // the fit's box alike.
    PlotData hyphens = RisingReadings();
    hyphens.x.ticks[1].label = L"-2";
    hyphens.y.ticks[1].label = L"-1e-5";
    hyphens.fit->text = {L"slope = -9.5"};
    PlotData minus = hyphens;
    minus.x.ticks[1].label = L"\u22122";
    minus.y.ticks[1].label = L"\u22121e\u22125";
    minus.fit->text = {L"slope = \u22129.5"};
    EXPECT_EQ(Drawing(hyphens), Drawing(minus));

    // Drawn three times as large for a printed picture, the title is too.
    const RECT large = XTitleInk(L"V_H", 3);
    EXPECT_GE(large.bottom - large.top, 5 * (lowered.bottom - lowered.top) / 2);
    EXPECT_GE(large.right - large.left, 5 * (lowered.right - lowered.left) / 2);
}

TEST(DrawPlot, EachSeriesHasItsColourAndMarkerAndALegendNamesThem) {
    // Two materials: an n-type sample falling, a p-type one rising.
    PlotData data = RisingReadings();
    data.fit.reset();
    data.selected.clear();
    data.series = {{L"Material 1"}, {L"Material 2"}};
    data.points = {{1, 88, 0}, {3, 70, 0}, {5, 12, 1}, {7, 31, 1}, {9, 48, 1}};
    Canvas canvas(400, 300);
    PlotMapping m = DrawPlot(canvas.dc(), canvas.rect(), data);
    const int half = kPlotMarkerSize / 2;
    auto markerAt = [&](const PlotPoint& p) {
        const POINT c = m.Pixel(p.x, p.y);
        return RECT{c.x - half, c.y - half, c.x + half + 1, c.y + half + 1};
    };
    // The first material in squares of the usual colour, the second in discs
    // (a square without its corners) of another.
    const COLORREF first = kPlotSeriesColours[0], second = kPlotSeriesColours[1];
    ASSERT_NE(first, second);
    constexpr int kDisc = kPlotMarkerSize * kPlotMarkerSize - 4;
    for (const PlotPoint& p : data.points) {
        const RECT marker = markerAt(p);
        if (p.series == 0) {
            EXPECT_EQ(canvas.Count(marker, first), kPlotMarkerSize * kPlotMarkerSize) << p.x;
        } else {
            EXPECT_EQ(canvas.Count(marker, second), kDisc) << p.x;
            EXPECT_NE(canvas.At(marker.left, marker.top), second) << p.x;
        }
    }
    // The legend shows one marker of each beside its name, in a box that
    // covers no point.
    EXPECT_EQ(canvas.Count(canvas.rect(), first), 3 * kPlotMarkerSize * kPlotMarkerSize);
    EXPECT_EQ(canvas.Count(canvas.rect(), second), 4 * kDisc);
    EXPECT_GT(canvas.Count(canvas.rect(), kPlotNoteColour), 80);
    const std::vector<uint32_t> named = canvas.Pixels();
    data.series[1].name = L"Material 3";
    Canvas renamed(400, 300);
    DrawPlot(renamed.dc(), renamed.rect(), data);
    EXPECT_NE(renamed.Pixels(), named) << "the names are not drawn";

    // A selected reading keeps its material's shape.
    data.selected = {3};
    Canvas selected(400, 300);
    m = DrawPlot(selected.dc(), selected.rect(), data);
    EXPECT_EQ(selected.Count(markerAt(data.points[3]), kPlotSelectedColour), kDisc);

    // With one material (or none named) there is no legend.
    for (size_t count : {0, 1}) {
        PlotData one = RisingReadings();
        one.fit.reset();
        one.series.resize(count, PlotSeries{L"Material 1"});
        Canvas plain(400, 300);
        DrawPlot(plain.dc(), plain.rect(), one);
        EXPECT_EQ(plain.Count(plain.rect(), kPlotNoteColour), 0) << count;
    }
}
