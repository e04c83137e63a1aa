// The panel started at the DPI the system reports, as the program starts it:
// under Wine that is the prefix's LogPixels setting (system_dpi_test.sh sets
// it, then runs this at 96, 120, 144 and 192 DPI). TESMOR_TEST_DPI names the
// DPI the run is for; TESMOR_LAYOUT_FILE is where the run at 96 DPI leaves the
// template's layout, which the other runs must work out the same.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>

#include "base/gdi.h"
#include "panel_fixture.h"
#include "panel_scale_checks.h"

namespace {

int TestDpi() {
    const char* text = std::getenv("TESMOR_TEST_DPI");
    return text ? std::atoi(text) : 0;
}

class PanelAtTheSystemDpi : public PanelFixture {};

}  // namespace

TEST_F(PanelAtTheSystemDpi, StartsLaidOutForItWithEveryControlOnItsFieldAndNoTextCut) {
    const int dpi = TestDpi();
    ASSERT_GT(dpi, 0) << "TESMOR_TEST_DPI is not set";
    {
        WindowDc screen(nullptr);
        ASSERT_EQ(GetDeviceCaps(screen.get(), LOGPIXELSY), dpi) << "the system does not report the DPI set";
    }
    Start();
    SetExample();
    Type(IDC_TEMPERATURE, L"300");
    Pump(0);
    ExpectLaidOutAt(panel_, dpi, true);
    ExpectNoTextCut(panel_);

    RECT client{}, window{}, picture{};
    GetClientRect(panel_.window(), &client);
    GetWindowRect(panel_.window(), &window);
    GetWindowRect(panel_.picture(), &picture);
    std::printf("at %d DPI: window %ld x %ld, client area %ld x %ld, picture %ld x %ld with its edge; "
                "the template at 96 DPI: %ld x %ld\n",
                dpi, window.right - window.left, window.bottom - window.top, client.right, client.bottom,
                picture.right - picture.left, picture.bottom - picture.top, panel_.layoutAt96().client.cx,
                panel_.layoutAt96().client.cy);

    const char* layoutFile = std::getenv("TESMOR_LAYOUT_FILE");
    ASSERT_NE(layoutFile, nullptr) << "TESMOR_LAYOUT_FILE is not set";
    const TemplateLayout& layout = panel_.layoutAt96();
    if (dpi == kLayoutDpi) {
        std::ofstream(layoutFile) << layout.client.cx << ' ' << layout.client.cy << ' ' << layout.picture.x << ' '
                                  << layout.picture.y << '\n';
    } else {
        long cx = 0, cy = 0, x = -1, y = -1;
        std::ifstream(layoutFile) >> cx >> cy >> x >> y;
        ASSERT_GT(cx, 0) << "no layout from the run at 96 DPI in " << layoutFile;
        EXPECT_EQ(layout.client.cx, cx);
        EXPECT_EQ(layout.client.cy, cy);
        EXPECT_EQ(layout.picture.x, x);
        EXPECT_EQ(layout.picture.y, y);
    }
}
