// The plot window: what it paints (through WM_PRINTCLIENT, which paints the
// same as WM_PAINT into a DC the test can read), when it asks to be painted,
// and that it never erases.
#include <gtest/gtest.h>

#include "gui_objects.h"
#include "plot/draw_plot.h"
#include "plot/plot_view.h"
#include "plot_canvas.h"

namespace {

constexpr int kViewId = 101;

class PlotViewTest : public testing::Test {
protected:
    void SetUp() override {
        parent_ = CreateWindowExW(0, L"STATIC", L"log", WS_POPUP | WS_VISIBLE, 40, 40, 500, 400, nullptr,
                                  nullptr, GetModuleHandleW(nullptr), nullptr);
        ASSERT_NE(parent_, nullptr);
        ASSERT_TRUE(view_.Create(parent_, {10, 10, 330, 250}, kViewId));
    }
    void TearDown() override {
        if (parent_) DestroyWindow(parent_);
    }

    RECT Client() const {
        RECT client;
        GetClientRect(view_.window(), &client);
        return client;
    }
    bool NeedsPainting(RECT* where = nullptr) const {
        RECT update;
        const bool needs = GetUpdateRect(view_.window(), &update, FALSE) != FALSE;
        if (where) *where = update;
        return needs;
    }
    void Print(const Canvas& canvas) const {
        SendMessageW(view_.window(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(canvas.dc()), PRF_CLIENT);
    }

    HWND parent_ = nullptr;
    PlotView view_;
};

}  // namespace

TEST_F(PlotViewTest, IsAChildThatPaintsItsDataOverItsWholeClientArea) {
    EXPECT_EQ(GetParent(view_.window()), parent_);
    EXPECT_EQ(GetDlgCtrlID(view_.window()), kViewId);
    EXPECT_EQ(Client(), (RECT{0, 0, 320, 240}));
    EXPECT_FALSE(view_.Create(parent_, {0, 0, 10, 10}, kViewId)) << "one window per object";

    const PlotData data = RisingReadings();
    view_.SetData(data);
    Canvas canvas(320, 240);
    Print(canvas);
    const PlotMapping m = LayOutPlot(canvas.dc(), Client(), data);
    for (const PlotPoint& p : data.points) EXPECT_NE(canvas.At(m.Pixel(p.x, p.y)), kPlotBackground);
    EXPECT_EQ(canvas.At(m.Pixel(1, 12)), kPlotMarkerColour);
    EXPECT_EQ(canvas.At(m.Pixel(5, 48)), kPlotSelectedColour);
    EXPECT_EQ(canvas.Count(canvas.rect(), Canvas::kUntouched), 0) << "a pixel was left unpainted";

    // New data replaces the old.
    PlotData moved = data;
    moved.points = {{2, 80}};
    moved.selected.clear();
    moved.fit.reset();
    view_.SetData(moved);
    EXPECT_EQ(view_.data().points.size(), 1u);
    Print(canvas);
    EXPECT_EQ(canvas.At(m.Pixel(2, 80)), kPlotMarkerColour);
    EXPECT_EQ(canvas.At(m.Pixel(1, 12)), kPlotBackground);
    EXPECT_EQ(canvas.At(m.Pixel(5, 48)), kPlotBackground);

    // A second view of the same class lives beside the first.
    PlotView other;
    ASSERT_TRUE(other.Create(parent_, {340, 10, 490, 110}, kViewId + 1));
    other.SetData(moved);
    Canvas small(150, 100);
    SendMessageW(other.window(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(small.dc()), PRF_CLIENT);
    const PlotMapping s = LayOutPlot(small.dc(), {0, 0, 150, 100}, moved);
    EXPECT_EQ(small.At(s.Pixel(2, 80)), kPlotMarkerColour);
}

TEST_F(PlotViewTest, NewDataAndNewSizesAskForAPaintAndNothingIsErased) {
    UpdateWindow(view_.window());
    EXPECT_FALSE(NeedsPainting()) << "WM_PAINT left the window invalid";

    view_.SetData(RisingReadings());
    RECT update;
    ASSERT_TRUE(NeedsPainting(&update));
    EXPECT_EQ(update, Client());
    UpdateWindow(view_.window());
    EXPECT_FALSE(NeedsPainting());

    // Smaller as well as larger: the layout moves everything.
    for (SIZE size : {SIZE{200, 150}, SIZE{400, 300}}) {
        SetWindowPos(view_.window(), nullptr, 0, 0, size.cx, size.cy, SWP_NOMOVE | SWP_NOZORDER);
        ASSERT_TRUE(NeedsPainting(&update)) << size.cx;
        EXPECT_EQ(update, Client());
        UpdateWindow(view_.window());
        EXPECT_FALSE(NeedsPainting());
    }

    // Erasing the background would flash white under the bitmap's blit.
    Canvas canvas(400, 300);
    EXPECT_NE(SendMessageW(view_.window(), WM_ERASEBKGND, reinterpret_cast<WPARAM>(canvas.dc()), 0), 0);
    EXPECT_EQ(canvas.CountOther(canvas.rect(), Canvas::kUntouched), 0);
}

TEST_F(PlotViewTest, PaintingOftenKeepsNoGdiObjects) {
    PlotData data = RisingReadings();
    view_.SetData(data);
    UpdateWindow(view_.window());
    Canvas canvas(320, 240);
    Print(canvas);
    const GuiObjects before = CountGuiObjects();
    for (int i = 0; i < 30; ++i) {
        data.points.push_back({i / 3.0, 3.0 * i});
        view_.SetData(data);
        UpdateWindow(view_.window());
        Print(canvas);
    }
    EXPECT_EQ(CountGuiObjects().gdi, before.gdi);
}
