// The panel started at the DPI the system reports, as the program starts it:
// under Wine that is the prefix's LogPixels setting (system_dpi_test.sh sets
// it, then runs this at 96, 120, 144, 168 and 192 DPI). TESMOR_TEST_DPI names
// the DPI the run is for; TESMOR_LAYOUT_FILE is where the run at 96 DPI leaves
// the template's layout, which the other runs must work out the same.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>

#include <string>
#include <vector>

#include "base/gdi.h"
#include "dialog_script.h"
#include "editor/parameter_table_dialog.h"
#include "panel_fixture.h"
#include "ui/window_dpi.h"
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
    GetWindowRect(panel_.layout().picture(), &picture);
    std::printf(
        "at %d DPI: window %ld x %ld, client area %ld x %ld, picture %ld x %ld with its edge; "
        "the template at 96 DPI: %ld x %ld\n",
        dpi, window.right - window.left, window.bottom - window.top, client.right, client.bottom,
        picture.right - picture.left, picture.bottom - picture.top, panel_.layout().layoutAt96().client.cx,
        panel_.layout().layoutAt96().client.cy);

    const char* layoutFile = std::getenv("TESMOR_LAYOUT_FILE");
    ASSERT_NE(layoutFile, nullptr) << "TESMOR_LAYOUT_FILE is not set";
    const TemplateLayout& layout = panel_.layout().layoutAt96();
    if (dpi == kLayoutDpi) {
        std::ofstream(layoutFile) << layout.client.cx << ' ' << layout.client.cy << ' ' << layout.picture.x
                                  << ' ' << layout.picture.y << '\n';
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

// The parameter table is a dialog, laid out in dialog units, which follow the
// font at the scale; its columns, given in pixels, follow the scale too, so
// that every header and number still fits its column.
TEST_F(PanelAtTheSystemDpi, TheParameterTableScalesItsColumnsAndCutsNoText) {
    const int dpi = TestDpi();
    ASSERT_GT(dpi, 0) << "TESMOR_TEST_DPI is not set";
    MaterialTable table = DefaultTable();
    ParameterArrays arrays;
    arrays.count = table.materialCount;
    for (int k = 0; k < kParameterCount; ++k) {
        const auto& entries = table.columns[k].entries;
        arrays.params[k].assign(entries.begin(), entries.begin() + arrays.count);
    }
    const std::wstring caption = L"Tesmor";
    ParameterTableDialog editor(caption, arrays);

    std::vector<int> widths;
    int cutTexts = -1;
    std::string firstCut;
    DialogScript script;
    script.Then("read the columns", [&] {
        HWND dialog = FindDialogWith(IDC_PARAMETER_LIST);
        if (!dialog) return false;
        HWND list = GetDlgItem(dialog, IDC_PARAMETER_LIST);
        HWND header = reinterpret_cast<HWND>(SendMessageW(list, LVM_GETHEADER, 0, 0));
        const int columns = static_cast<int>(SendMessageW(header, HDM_GETITEMCOUNT, 0, 0));
        cutTexts = 0;
        for (int column = 0; column < columns; ++column) {
            wchar_t text[32] = {};
            LVCOLUMNW info = {};
            info.mask = LVCF_TEXT | LVCF_WIDTH;
            info.pszText = text;
            info.cchTextMax = 32;
            SendMessageW(list, LVM_GETCOLUMNW, column, reinterpret_cast<LPARAM>(&info));
            widths.push_back(info.cx);
            std::vector<std::wstring> shown = {text};
            for (int row : {0, 99}) {
                wchar_t cell[32] = {};
                LVITEMW item = {};
                item.iSubItem = column;
                item.pszText = cell;
                item.cchTextMax = 32;
                SendMessageW(list, LVM_GETITEMTEXTW, row, reinterpret_cast<LPARAM>(&item));
                shown.push_back(cell);
            }
            // The list view leaves a few pixels of margin on either side of a
            // text: twice the width of an edge at the scale.
            const int margins = 2 * PixelsAtDpi(6, dpi);
            for (const std::wstring& s : shown) {
                const int needed = static_cast<int>(
                    SendMessageW(list, LVM_GETSTRINGWIDTHW, 0, reinterpret_cast<LPARAM>(s.c_str())));
                if (needed + margins > info.cx) {
                    if (cutTexts++ == 0)
                        firstCut = "column " + std::to_string(column) + ": " +
                                   std::string(s.begin(), s.end()) + " needs " +
                                   std::to_string(needed + margins) + " of " + std::to_string(info.cx);
                }
            }
        }
        PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
        return true;
    });
    editor.Run(nullptr);
    ASSERT_TRUE(script.failures().empty()) << script.failures().front();

    std::vector<int> expected;
    for (int width : {50, 100, 100, 80, 80, 70, 70, 60, 60, 60, 100, 60, 60}) {
        expected.push_back(PixelsAtDpi(width, dpi));
    }
    EXPECT_EQ(widths, expected);
    EXPECT_EQ(cutTexts, 0) << firstCut;
}
