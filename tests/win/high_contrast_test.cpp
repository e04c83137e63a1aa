// A student who needs a high-contrast theme: the plot drawn in the theme's
// colours with lines that stay visible, and the log's window following the
// system's colours when they change while it is open.
#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <vector>

#include "panel_fixture.h"
#include "plot/draw_plot.h"
#include "plot_canvas.h"

namespace {

constexpr RECT kBounds = {20, 10, 380, 290};

// The system colours of a high-contrast theme for as long as it lives, then
// those that were there before. None is a colour of the plot's own, so that a
// pixel drawn in one of those stands out.
class HighContrastColours {
public:
    HighContrastColours() {
        for (size_t k = 0; k < kCount; ++k) before_[k] = GetSysColor(kElements[k]);
        SetSysColors(static_cast<int>(kCount), kElements, kTheme);
    }
    ~HighContrastColours() { SetSysColors(static_cast<int>(kCount), kElements, before_); }
    HighContrastColours(const HighContrastColours&) = delete;
    HighContrastColours& operator=(const HighContrastColours&) = delete;

private:
    static constexpr size_t kCount = 6;
    static constexpr INT kElements[kCount] = {COLOR_WINDOW,        COLOR_WINDOWTEXT, COLOR_HIGHLIGHT,
                                              COLOR_HIGHLIGHTTEXT, COLOR_HOTLIGHT,   COLOR_GRAYTEXT};
    static constexpr COLORREF kTheme[kCount] = {RGB(16, 16, 16), RGB(250, 250, 250), RGB(26, 235, 255),
                                                RGB(16, 16, 16), RGB(255, 255, 0),   RGB(63, 242, 63)};
    COLORREF before_[kCount] = {};
};

// How many rows of `r`, one after the other from the first that has one,
// hold a run of at least `length` pixels of `colour`: the thickness of a
// horizontal line of that colour there.
int HorizontalLineThickness(const Canvas& canvas, const RECT& r, COLORREF colour, int length) {
    int thickness = 0;
    for (int y = r.top; y < r.bottom; ++y) {
        int run = 0, longest = 0;
        for (int x = r.left; x < r.right; ++x) {
            run = canvas.At(x, y) == colour ? run + 1 : 0;
            longest = std::max(longest, run);
        }
        if (longest >= length) {
            ++thickness;
        } else if (thickness > 0) {
            break;
        }
    }
    return thickness;
}

// The number of pixels of `colour` in the column `x` of `r`.
int ColumnCount(const Canvas& canvas, const RECT& r, int x, COLORREF colour) {
    return canvas.Count({x, r.top, x + 1, r.bottom}, colour);
}

class HighContrastLog : public LoggingPanelFixture {};

}  // namespace

// Under a high-contrast theme every pixel of the plot is one of the theme's
// colours or a blend of them at a letter's edge: the background, the frame and
// the texts, the markers, the selected reading, the fitted line and its box.
// The lines are at least two pixels wide at 96 DPI (wider at a higher DPI).
// With the plot's own colours the same drawing keeps its one-pixel lines.
TEST(HighContrast, ThePlotIsDrawnInTheThemesColoursWithHeavyLines) {
    HighContrastColours theme;
    const COLORREF window = GetSysColor(COLOR_WINDOW), text = GetSysColor(COLOR_WINDOWTEXT);
    const COLORREF highlight = GetSysColor(COLOR_HIGHLIGHT), link = GetSysColor(COLOR_HOTLIGHT);
    ASSERT_EQ(window, RGB(16, 16, 16)) << "the theme's colours were not set";

    Canvas canvas(400, 300);
    ASSERT_TRUE(canvas.valid());
    const PlotData data = RisingReadings();
    const PlotMapping m = DrawPlot(canvas.dc(), kBounds, data, 1, HighContrastPlotColours());
    const RECT area = m.area();

    for (COLORREF own : {kPlotBackground, kPlotInk, kPlotMarkerColour, kPlotSelectedColour, kPlotFitColour,
                         kPlotNoteColour}) {
        EXPECT_EQ(canvas.Count(kBounds, own), 0) << "a pixel in the plot's own colour " << std::hex << own;
    }
    const POINT lowRight = m.Pixel(6, 40);
    EXPECT_EQ(canvas.CountOther({lowRight.x, lowRight.y, area.right, area.bottom}, window), 0);
    EXPECT_EQ(canvas.At(kBounds.left + 1, kBounds.top + 1), window);
    EXPECT_EQ(canvas.At(m.Pixel(1, 12)), text) << "a marker";
    EXPECT_EQ(canvas.At(m.Pixel(9, 88)), text) << "a marker";
    EXPECT_EQ(canvas.At(m.Pixel(5, 48)), highlight) << "the selected reading";
    for (double x : {2.0, 6.0, 8.0}) EXPECT_TRUE(canvas.Near(m.Pixel(x, 9.5 * x + 2.5), link, 1)) << "x = " << x;
    // The axes' labels and titles are written in the text's colour.
    const RECT below = {area.left, area.bottom + 4, area.right, kBounds.bottom};
    EXPECT_GT(canvas.Count(below, text), 30);

    const int dpi = GetDeviceCaps(canvas.dc(), LOGPIXELSY);
    const int heavy = std::max(2, MulDiv(2, dpi, 96));
    const int midX = (area.left + area.right) / 2;
    const RECT aboveArea = {area.left, kBounds.top, area.right, area.top};
    EXPECT_EQ(HorizontalLineThickness(canvas, aboveArea, text, 40), heavy) << "the frame's top";
    const int betweenTicks = m.Pixel(0, 62.5).y;
    for (int k = 1; k <= heavy; ++k) EXPECT_EQ(canvas.At(area.left - k, betweenTicks), text) << "the frame's left";
    EXPECT_EQ(canvas.At(area.left - heavy - 1, betweenTicks), window);
    // Rising readings put the fit's box in the top left corner.
    const RECT corner = {area.left, area.top, midX, (area.top + area.bottom) / 2};
    EXPECT_GE(HorizontalLineThickness(canvas, corner, text, 40), heavy) << "the fit's box";
    for (double x : {2.0, 6.0, 8.0}) {
        EXPECT_GE(ColumnCount(canvas, area, m.Pixel(x, 0).x, link), heavy) << "the fitted line at x = " << x;
    }

    // The plot's own colours: the same plot with its one-pixel lines.
    Canvas standard(400, 300);
    const PlotMapping s = DrawPlot(standard.dc(), kBounds, data, 1, kStandardPlotColours);
    const RECT standardArea = s.area();
    EXPECT_EQ(HorizontalLineThickness(standard, {standardArea.left, kBounds.top, standardArea.right, standardArea.top},
                                      kPlotInk, 40),
              1);
    EXPECT_EQ(standard.At(s.Pixel(1, 12)), kPlotMarkerColour);
    EXPECT_EQ(standard.At(s.Pixel(5, 48)), kPlotSelectedColour);
}

// The system's colours changed while the log's window is open (a
// high-contrast theme turned on): the list takes the new window colour, and
// the plot is painted again when the theme is switched.
TEST_F(HighContrastLog, TheWindowFollowsTheSystemsColoursWhenTheyChange) {
    Start();
    SetExample();
    panel_.recorder().OpenMeasurementLog();
    Pump(0);
    MeasurementLogWindow* log = panel_.recorder().logWindow();
    ASSERT_NE(log, nullptr);
    ASSERT_EQ(ListView_GetBkColor(log->list()), GetSysColor(COLOR_WINDOW));
    {
        HighContrastColours theme;
        Pump(0);
        EXPECT_EQ(ListView_GetBkColor(log->list()), RGB(16, 16, 16)) << "the list kept its old background";
        RECT client;
        GetClientRect(log->list(), &client);
        UpdateWindow(log->list());
        // Below its rows, between its grid lines, the list shows its background.
        WindowDc dc(log->list());
        int background = 0;
        for (int y = client.bottom - 12; y < client.bottom - 4; ++y) {
            for (int x = 4; x < 12; ++x) background += GetPixel(dc.get(), x, y) == RGB(16, 16, 16) ? 1 : 0;
        }
        EXPECT_GT(background, 32) << "the list is painted in its old background";
    }
    Pump(0);
    EXPECT_EQ(ListView_GetBkColor(log->list()), GetSysColor(COLOR_WINDOW)) << "the theme turned off again";

    const HWND plot = log->plot().window();
    UpdateWindow(plot);
    ASSERT_FALSE(GetUpdateRect(plot, nullptr, FALSE));
    SendMessageW(log->window(), WM_SETTINGCHANGE, SPI_SETHIGHCONTRAST, 0);
    RECT update = {}, client = {};
    GetClientRect(plot, &client);
    EXPECT_TRUE(GetUpdateRect(plot, &update, FALSE)) << "the plot kept the old theme's colours";
    EXPECT_EQ(update, client);
    UpdateWindow(plot);
    // Other settings leave the plot alone.
    SendMessageW(log->window(), WM_SETTINGCHANGE, SPI_SETWORKAREA, 0);
    EXPECT_FALSE(GetUpdateRect(plot, nullptr, FALSE));
}
