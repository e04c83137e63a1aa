// The panel at other display scales, in-process at the tests' own 96 DPI: it
// starts exactly as its template and placement table lay it out, and a move to
// a monitor of another scale (WM_DPICHANGED, as Windows sends it) lays it out
// again for that scale without touching what it holds.
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>

#include "base/gdi.h"
#include "base/module.h"
#include "panel_fixture.h"
#include "panel_scale_checks.h"
#include "res/resource.h"

namespace {

class PanelScale : public PanelFixture {
protected:
    // What a student sees and holds in the panel.
    struct State {
        std::map<int, std::wstring> texts;
        std::set<int> enabled;
        HWND focus = nullptr;
        UINT_PTR warningTimer = 0;
        double sampleCurrent = 0, magnetCurrent = 0, temperature = 0;
        bool operator==(const State& o) const {
            return texts == o.texts && enabled == o.enabled && focus == o.focus &&
                   warningTimer == o.warningTimer && sampleCurrent == o.sampleCurrent &&
                   magnetCurrent == o.magnetCurrent && temperature == o.temperature;
        }
    };

    State Now() const {
        State state;
        for (int id : kLockable) {
            if (id != IDC_TEMPERATURE_SPIN && id != IDC_SAMPLE_CURRENT_SLIDER &&
                id != IDC_MAGNET_CURRENT_SLIDER) {
                state.texts[id] = Text(id);
            }
        }
        state.enabled = EnabledInputs();
        state.focus = GetFocus();
        state.warningTimer = panel_.fields().rangeWarning().timerId;
        state.sampleCurrent = panel_.fields().settings().sampleCurrent;
        state.magnetCurrent = panel_.fields().settings().magnetCurrent;
        state.temperature = panel_.fields().settings().temperature;
        return state;
    }

    // As Windows moves the window to a monitor of `dpi`: the window's
    // rectangle scaled about its top-left corner is the suggestion.
    void MoveToMonitorOf(int dpi) {
        RECT r{};
        GetWindowRect(panel_.window(), &r);
        const int from = panel_.layout().dpi();
        RECT suggested = {r.left + 10, r.top + 10, r.left + 10 + MulDiv(r.right - r.left, dpi, from),
                          r.top + 10 + MulDiv(r.bottom - r.top, dpi, from)};
        SendMessageW(panel_.window(), WM_DPICHANGED, MAKEWPARAM(dpi, dpi),
                     reinterpret_cast<LPARAM>(&suggested));
        Pump(0);
        GetWindowRect(panel_.window(), &r);
        EXPECT_EQ(r.left, suggested.left);
        EXPECT_EQ(r.top, suggested.top);
    }
};

}  // namespace

TEST_F(PanelScale, At96DpiThePanelIsItsTemplateAndTheDrawingIsBitmap201) {
    Start();
    SetExample();
    Pump(0);
    ExpectLaidOutAt(panel_, 96, true);
    // The layout at 96 DPI, worked out from dialog units, is the template's own.
    RECT client{};
    GetClientRect(panel_.window(), &client);
    EXPECT_EQ(panel_.layout().layoutAt96().client.cx, client.right);
    EXPECT_EQ(panel_.layout().layoutAt96().client.cy, client.bottom);
    RECT place{};
    GetWindowRect(panel_.layout().picture(), &place);
    MapWindowPoints(nullptr, panel_.window(), reinterpret_cast<POINT*>(&place), 2);
    EXPECT_EQ(panel_.layout().layoutAt96().picture.x, place.left);
    EXPECT_EQ(panel_.layout().layoutAt96().picture.y, place.top);
    // The picture is bitmap 201 pixel for pixel, as the system reads it.
    HBITMAP shown = reinterpret_cast<HBITMAP>(SendMessageW(panel_.layout().picture(), STM_GETIMAGE, IMAGE_BITMAP, 0));
    BITMAP size{};
    ASSERT_TRUE(GetObjectW(shown, sizeof(size), &size));
    EXPECT_EQ(size.bmWidth, kPictureWidth);
    EXPECT_EQ(size.bmHeight, kPictureHeight);
    GdiObject<HBITMAP> bitmap201(static_cast<HBITMAP>(
        LoadImageW(ResourceModule(), MAKEINTRESOURCEW(IDB_APPARATUS), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
    const Pixels expected = BitmapPixels(bitmap201.get());
    const Pixels actual = BitmapPixels(shown);
    ASSERT_EQ(expected.data.size(), static_cast<size_t>(kPictureWidth) * kPictureHeight);
    ASSERT_EQ(actual.data.size(), expected.data.size());
    size_t differing = 0;
    for (size_t k = 0; k < expected.data.size(); ++k) {
        const RGBQUAD& a = actual.data[k];
        const RGBQUAD& e = expected.data[k];
        if (a.rgbRed != e.rgbRed || a.rgbGreen != e.rgbGreen || a.rgbBlue != e.rgbBlue) ++differing;
    }
    EXPECT_EQ(differing, 0u);
    ExpectNoTextCut(panel_);
}

TEST_F(PanelScale, AMoveToAnotherScaleLaysThePanelOutForItAndKeepsValuesFocusAndLock) {
    warningDelay_ = 60000;  // the warning stays pending through every move
    Start();
    SetExample();
    Type(IDC_SAMPLE_CURRENT, L"12.5");
    Type(IDC_TEMPERATURE, L"350");
    // A rejected hall factor, typed in its box, which keeps the focus: the
    // panel is locked and the warning's timer runs.
    SetFocus(Box(IDC_HALL_FACTOR));
    Type(IDC_HALL_FACTOR, L"9");
    Pump(0);
    ASSERT_EQ(EnabledInputs(), std::set<int>{IDC_HALL_FACTOR});
    ASSERT_NE(panel_.fields().rangeWarning().timerId, 0u);
    const State before = Now();

    RECT client96{};
    GetClientRect(panel_.window(), &client96);
    HBITMAP picture96 =
        reinterpret_cast<HBITMAP>(SendMessageW(panel_.layout().picture(), STM_GETIMAGE, IMAGE_BITMAP, 0));
    HFONT font96 = reinterpret_cast<HFONT>(SendMessageW(Box(IDC_HALL_FACTOR), WM_GETFONT, 0, 0));

    for (int dpi : {144, 120, 192, 168}) {
        MoveToMonitorOf(dpi);
        ExpectLaidOutAt(panel_, dpi, true);
        ExpectNoTextCut(panel_);
        EXPECT_TRUE(Now() == before) << "something held changed at " << dpi << " DPI";
    }
    // 150 per cent: the client area 1.5 times the template's, the picture 968 x 857.
    MoveToMonitorOf(144);
    RECT client{};
    GetClientRect(panel_.window(), &client);
    EXPECT_EQ(client.right, ScaleToDpi(static_cast<int>(client96.right), 144));
    EXPECT_EQ(client.bottom, ScaleToDpi(static_cast<int>(client96.bottom), 144));
    // A scale between two drawings: the nearer one stretched to the scale.
    MoveToMonitorOf(132);
    ExpectLaidOutAt(panel_, 132, false);
    EXPECT_TRUE(Now() == before);

    // Back at 96 DPI: the template's picture, font and size, pixel for pixel.
    MoveToMonitorOf(96);
    ExpectLaidOutAt(panel_, 96, true);
    EXPECT_EQ(reinterpret_cast<HBITMAP>(SendMessageW(panel_.layout().picture(), STM_GETIMAGE, IMAGE_BITMAP, 0)),
              picture96);
    EXPECT_EQ(reinterpret_cast<HFONT>(SendMessageW(Box(IDC_HALL_FACTOR), WM_GETFONT, 0, 0)), font96);
    GetClientRect(panel_.window(), &client);
    EXPECT_EQ(client.right, client96.right);
    EXPECT_EQ(client.bottom, client96.bottom);
    EXPECT_TRUE(Now() == before);

    // The lock works on as before: the value put right unlocks the panel.
    Type(IDC_HALL_FACTOR, L"1");
    Pump(0);
    EXPECT_EQ(EnabledInputs(), AllInputs());
}
