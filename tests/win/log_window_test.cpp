// The measurement log's window as the student sees it: what its pixels show
// after every change of size, scroll and row, compared with what a full
// repaint shows; its controls at its smallest size; its columns; the undoing
// of Delete and Clear.
#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "base/gdi.h"
#include "measurements/log_codec.h"
#include "measurements/log_file_win.h"
#include "message_box_catcher.h"
#include "numtext/number_format.h"
#include "dialog_script.h"
#include "editor_script.h"
#include "panel_fixture.h"
#include "tests/core/example_reading.h"

namespace {

// The client area of a window as it is on the screen now, read back from its
// device context (with the children's pixels, which share its surface).
struct Pixels {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> bits;
};

Pixels ScreenPixels(HWND window) {
    Pixels pixels;
    RECT client;
    GetClientRect(window, &client);
    pixels.width = client.right;
    pixels.height = client.bottom;
    if (pixels.width <= 0 || pixels.height <= 0) return pixels;
    WindowDc screen(window);
    MemoryDc memory(CreateCompatibleDC(screen.get()));
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = pixels.width;
    info.bmiHeader.biHeight = -pixels.height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    GdiObject<HBITMAP> bitmap(CreateDIBSection(screen.get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!bitmap || !memory) return pixels;
    {
        Selection use(memory.get(), bitmap.get());
        BitBlt(memory.get(), 0, 0, pixels.width, pixels.height, screen.get(), 0, 0, SRCCOPY);
        GdiFlush();
    }
    const auto* first = static_cast<const std::uint32_t*>(bits);
    pixels.bits.assign(first, first + static_cast<size_t>(pixels.width) * pixels.height);
    return pixels;
}

// Where two pictures of a window differ: how many pixels, and the box around them.
struct Difference {
    size_t count = 0;
    RECT box = {};
};

Difference Compare(const Pixels& a, const Pixels& b) {
    Difference d;
    if (a.width != b.width || a.height != b.height) {
        d.count = SIZE_MAX;
        return d;
    }
    d.box = {a.width, a.height, -1, -1};
    for (int y = 0; y < a.height; ++y) {
        for (int x = 0; x < a.width; ++x) {
            const size_t at = static_cast<size_t>(y) * a.width + x;
            if ((a.bits[at] & 0xFFFFFF) == (b.bits[at] & 0xFFFFFF)) continue;
            ++d.count;
            d.box.left = std::min<LONG>(d.box.left, x);
            d.box.top = std::min<LONG>(d.box.top, y);
            d.box.right = std::max<LONG>(d.box.right, x + 1);
            d.box.bottom = std::max<LONG>(d.box.bottom, y + 1);
        }
    }
    return d;
}

std::string Describe(const Difference& d) {
    if (d.count == SIZE_MAX) return "the sizes differ";
    return std::to_string(d.count) + " pixels differ in (" + std::to_string(d.box.left) + ", " +
           std::to_string(d.box.top) + ") - (" + std::to_string(d.box.right) + ", " + std::to_string(d.box.bottom) +
           ")";
}

// A log of `count` readings, the temperature and the readings changing from
// row to row so that every row reads differently.
MeasurementLog LongLog(int count) {
    MeasurementLog log;
    for (int i = 0; i < count; ++i) {
        MeasurementRow row = ExampleReading();
        row.temperature = FormatReal(100 + i * 0.125);
        row.hallVoltage = FormatReal(-0.11497 * (1 + i * 1e-3));
        row.sampleVoltage = FormatReal(5.1179 / (1 + i * 1e-3));
        log.Append(row);
    }
    return log;
}

class LogWindow : public LoggingPanelFixture {
protected:

    // The numbers of the rows, in the log and in the list's first column.
    std::vector<int> Numbers() {
        std::vector<int> numbers;
        for (const MeasurementRow& row : Log().rows()) numbers.push_back(row.number);
        return numbers;
    }
    std::vector<int> ListNumbers(const MeasurementLogWindow& log) {
        std::vector<int> numbers;
        const int count = ListView_GetItemCount(log.list());
        for (int k = 0; k < count; ++k) {
            wchar_t text[32] = {};
            ListView_GetItemText(log.list(), k, 0, text, 32);
            numbers.push_back(_wtoi(text));
        }
        return numbers;
    }

    // The log's file, read as the program reads it at start.
    MeasurementLog FileLog() {
        std::vector<unsigned char> bytes = ReadFileBytes(LogPath());
        MeasurementLog log;
        EXPECT_EQ(DecodeLogCsv(bytes.data(), bytes.size(), log).status, CsvStatus::ok);
        return log;
    }

    // Starts the panel over a log file of `rows` readings and opens the log's window.
    MeasurementLogWindow& OpenOver(int rows) {
        if (rows > 0) {
            EXPECT_TRUE(WriteLogFile(LogPath(), LongLog(rows)));
        }
        Start();
        SetExample();
        panel_.recorder().OpenMeasurementLog();
        Pump(0);
        EXPECT_NE(panel_.recorder().logWindow(), nullptr);
        return *panel_.recorder().logWindow();
    }

    // What the window shows after `action` and the paints it caused, against
    // what it shows after a full repaint: the same, pixel for pixel.
    // Run from inside a modal loop too: it only paints what is waiting.
    void ExpectShownAsRepainted(HWND window, const std::string& action) {
        UpdateWindow(window);
        const Pixels shown = ScreenPixels(window);
        RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
        const Pixels repainted = ScreenPixels(window);
        ASSERT_FALSE(shown.bits.empty()) << action;
        const Difference d = Compare(shown, repainted);
        EXPECT_EQ(d.count, 0u) << "after " << action << ": " << Describe(d);
    }
};

}  // namespace

// A window that moves its controls on every change of size, a list that
// scrolls and changes under them: after each change, and the paints it
// causes, the window shows what a full repaint of it shows (no row left over
// from before, no control missing), at the first size, maximized, restored,
// dragged at each edge and at its smallest.
TEST_F(LogWindow, AfterEveryResizeScrollAndChangeOfRowsTheWindowShowsWhatAFullRepaintShows) {
    MeasurementLogWindow& log = OpenOver(10168);
    const HWND window = log.window();
    const HWND list = log.list();
    auto check = [&](const std::string& action) {
        Pump(0);
        ExpectShownAsRepainted(window, action);
    };
    check("opening");
    ShowWindow(window, SW_MAXIMIZE);
    check("maximizing");
    SendMessageW(list, WM_VSCROLL, SB_PAGEUP, 0);
    check("a page up in the list");
    SendMessageW(list, WM_VSCROLL, SB_TOP, 0);
    check("scrolling to the top");
    panel_.recorder().RecordReading();
    Pump(200);
    check("a reading recorded");
    ShowWindow(window, SW_RESTORE);
    check("restoring");

    // The frame dragged as the system drags it: one step of the size at a
    // time, on the screen (beyond its edge a window keeps no pixels).
    SetWindowPos(window, nullptr, 10, 70, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    RECT start;
    GetWindowRect(window, &start);
    auto place = [&](int left, int top, int right, int bottom, const char* edge) {
        SetWindowPos(window, nullptr, left, top, right - left, bottom - top, SWP_NOZORDER | SWP_NOACTIVATE);
        check(edge);
    };
    for (int k = 1; k <= 4; ++k) place(start.left, start.top - 15 * k, start.right, start.bottom, "the top edge up");
    for (int k = 1; k <= 4; ++k) place(start.left, start.top - 60 + 35 * k, start.right, start.bottom, "the top edge down");
    for (int k = 1; k <= 3; ++k) place(start.left + 40 * k, start.top, start.right, start.bottom, "the left edge in");
    for (int k = 1; k <= 3; ++k) {
        place(start.left, start.top, start.right + 20 * k, start.bottom + 20 * k, "the bottom right corner out");
    }
    SetWindowPos(window, nullptr, 0, 0, 1, 1, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    check("the smallest size");
    // The list that showed the newest reading still shows it.
    const int count = ListView_GetItemCount(list);
    EXPECT_GE(ListView_GetTopIndex(list) + ListView_GetCountPerPage(list), count);
    RECT screen;
    GetWindowRect(GetDesktopWindow(), &screen);
    EXPECT_LE(start.right + 60, screen.right);
    EXPECT_LE(start.bottom + 60, screen.bottom);
    place(start.left, start.top, start.right, start.bottom, "the first size again");

    // Rows deleted, put back and cleared.
    ListView_SetItemState(list, 10160, LVIS_SELECTED, LVIS_SELECTED);
    ListView_SetItemState(list, 10164, LVIS_SELECTED, LVIS_SELECTED);
    SetFocus(list);
    Key(list, VK_DELETE);
    ASSERT_EQ(Log().size(), 10167u);
    check("a delete");
    Key(list, 'Z', kControl);
    ASSERT_EQ(Log().size(), 10169u);
    check("an undo");
    {
        MessageBoxCatcher boxes;
        boxes.AnswerWith(IDYES);
        SendMessageW(window, WM_COMMAND, MAKEWPARAM(IDC_LOG_CLEAR, BN_CLICKED), 0);
    }
    ASSERT_TRUE(Log().empty());
    check("a clear");
}

// The log grows by a row every few milliseconds during a series: whenever the
// window shows it, maximized or not, it shows what a full repaint shows.
TEST_F(LogWindow, WhileASeriesRecordsTheWindowShowsWhatAFullRepaintShows) {
    MeasurementLogWindow& log = OpenOver(500);
    const HWND window = log.window();
    DialogScript script;
    script.Then("start a series of 10,000 points", [] {
        HWND dialog = FindDialogTitled(L"Automatic series");
        if (!dialog) return false;
        CheckRadioButton(dialog, IDC_SERIES_BY_STEP, IDC_SERIES_BY_COUNT, IDC_SERIES_BY_COUNT);
        SetDlgItemTextW(dialog, IDC_SERIES_COUNT, L"10000");
        PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        return true;
    });
    size_t seen = 500;
    int shown = 0;
    for (int k = 0; k < 8; ++k) {
        script.Then("look at the window once the list has grown", [&, k] {
            // The list shows the new rows a moment after they are recorded.
            const size_t listed = static_cast<size_t>(ListView_GetItemCount(log.list()));
            if (listed < seen + 20) return false;
            seen = listed;
            if (k == 2) ShowWindow(window, SW_MAXIMIZE);
            if (k == 5) ShowWindow(window, SW_RESTORE);
            ExpectShownAsRepainted(window, "the list grown to " + std::to_string(listed) + " rows");
            ++shown;
            return true;
        });
    }
    script.Then("stop the series", [] {
        HWND dialog = FindDialogTitled(L"Automatic series");
        if (!dialog) return false;
        PostKey(GetDlgItem(dialog, IDCANCEL), VK_ESCAPE);
        return true;
    });
    script.Then("close the dialog", EscapeTheSeriesDialogOnceIdle);
    SendMessageW(panel_.window(), WM_COMMAND, IDM_AUTOMATIC_SERIES, 0);
    EXPECT_TRUE(script.finished());
    EXPECT_TRUE(script.failures().empty());
    EXPECT_EQ(shown, 8);
}

// At the smallest size the window allows, every control is whole inside the
// window, clear of the others, and every button is wide enough for its name.
TEST_F(LogWindow, AtItsSmallestSizeEveryControlIsWholeApartAndReadable) {
    MeasurementLogWindow& log = OpenOver(30);
    const HWND window = log.window();
    SetWindowPos(window, nullptr, 0, 0, 1, 1, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    Pump(0);
    RECT client;
    GetClientRect(window, &client);
    struct Control {
        HWND window;
        RECT place;
    };
    std::vector<Control> controls;
    for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        if (!IsWindowVisible(child)) continue;
        RECT place;
        GetWindowRect(child, &place);
        MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&place), 2);
        controls.push_back({child, place});
    }
    ASSERT_GE(controls.size(), 14u);
    for (size_t i = 0; i < controls.size(); ++i) {
        const std::wstring name = ReadWindowText(controls[i].window);
        const RECT& r = controls[i].place;
        EXPECT_TRUE(r.left >= 0 && r.top >= 0 && r.right <= client.right && r.bottom <= client.bottom)
            << "cut off: \"" << std::string(name.begin(), name.end()) << "\"";
        EXPECT_GT(r.bottom - r.top, 0);
        for (size_t j = i + 1; j < controls.size(); ++j) {
            RECT both;
            EXPECT_FALSE(IntersectRect(&both, &r, &controls[j].place))
                << "\"" << std::string(name.begin(), name.end()) << "\" overlaps another control";
        }
        wchar_t kind[32] = {};
        GetClassNameW(controls[i].window, kind, 32);
        if (std::wstring(kind) != L"Button") continue;
        // The name with its margins fits the button.
        WindowDc dc(controls[i].window);
        HGDIOBJ font = reinterpret_cast<HGDIOBJ>(SendMessageW(controls[i].window, WM_GETFONT, 0, 0));
        Selection use(dc.get(), font);
        std::wstring shown = name;
        shown.erase(std::remove(shown.begin(), shown.end(), L'&'), shown.end());
        SIZE extent = {};
        GetTextExtentPoint32W(dc.get(), shown.c_str(), static_cast<int>(shown.size()), &extent);
        EXPECT_LE(extent.cx + 8, r.right - r.left) << std::string(shown.begin(), shown.end());
    }
    // The list still shows a few rows, and the plot is there.
    EXPECT_GE(ListView_GetCountPerPage(log.list()), 3);
    RECT plot;
    GetClientRect(log.plot().window(), &plot);
    EXPECT_GE(plot.bottom, 60);
}

// At the first size every column, the measured ones at the right end too, is
// in sight without scrolling sideways, and no title or usual cell is cut:
// maximized neither.
TEST_F(LogWindow, TheColumnsFitTheFirstSizeAndNoTitleOrValueIsCut) {
    MeasurementLogWindow& log = OpenOver(0);
    panel_.recorder().RecordReading();
    Pump(200);
    const HWND list = log.list();
    const HWND header = ListView_GetHeader(list);
    auto expectWhole = [&](const char* size) {
        RECT client;
        GetClientRect(list, &client);
        RECT last;
        Header_GetItemRect(header, kLogColumnCount - 1, &last);
        EXPECT_LE(last.right, client.right) << size << ": the last columns need scrolling";
        for (int column = 0; column < kLogColumnCount; ++column) {
            const int width = ListView_GetColumnWidth(list, column);
            const std::wstring title = kLogColumnTitles[column];
            // The header's margins on both sides of a title and its divider.
            const int titleMargins = 2 * 3 * GetSystemMetrics(SM_CXEDGE) + 2 * GetSystemMetrics(SM_CXEDGE);
            EXPECT_GE(width, ListView_GetStringWidth(list, title.c_str()) + std::max(12, titleMargins))
                << size << ": the title of column " << column << " is cut";
            const std::wstring cell = LogCellText(Log()[0], column);
            EXPECT_GE(width, ListView_GetStringWidth(list, cell.c_str()) + 12)
                << size << ": the value in column " << column << " is cut";
        }
    };
    expectWhole("first size");
    ShowWindow(log.window(), SW_MAXIMIZE);
    Pump(0);
    expectWhole("maximized");
}

// The list has a focused row with its mark shown from the start, so that the
// arrow keys are seen to move from it.
TEST_F(LogWindow, TheListShowsAFocusMarkFromTheStart) {
    MeasurementLogWindow& log = OpenOver(12);
    EXPECT_EQ(GetFocus(), log.list());
    EXPECT_EQ(ListView_GetNextItem(log.list(), -1, LVNI_FOCUSED), 11);
    EXPECT_EQ(SendMessageW(log.list(), WM_QUERYUISTATE, 0, 0) & UISF_HIDEFOCUS, 0);
    // A row deleted under the mark leaves it on another row.
    ListView_SetItemState(log.list(), 11, LVIS_SELECTED, LVIS_SELECTED);
    Key(log.list(), VK_DELETE);
    EXPECT_EQ(ListView_GetNextItem(log.list(), -1, LVNI_FOCUSED), 10);
}

// Enter has nothing to confirm in the log's window: with the list in front it
// neither closes the window nor deletes, selects or forgets anything, and a
// deletion before it can still be undone.
TEST_F(LogWindow, EnterChangesNothingAndKeepsTheWindowOpen) {
    MeasurementLogWindow& log = OpenOver(5);
    const HWND list = log.list();
    ListView_SetItemState(list, 1, LVIS_SELECTED, LVIS_SELECTED);
    SetFocus(list);
    Key(list, VK_DELETE);
    const MeasurementLog afterDelete = Log();
    ListView_SetItemState(list, -1, 0, LVIS_SELECTED);
    ListView_SetItemState(list, 2, LVIS_SELECTED, LVIS_SELECTED);

    Key(list, VK_RETURN);
    ASSERT_TRUE(log.open());
    EXPECT_EQ(GetFocus(), list);
    EXPECT_EQ(Log().rows(), afterDelete.rows());
    EXPECT_EQ(FileLog().rows(), afterDelete.rows());
    EXPECT_EQ(log.SelectedRows(), (std::vector<size_t>{2}));
    Key(list, 'Z', kControl);
    EXPECT_EQ(Numbers(), (std::vector<int>{1, 2, 3, 4, 5}));
}

// Delete and Clear are undone with Ctrl+Z and with the Undo button, the last
// first, for as long as the window stays open: the rows come back with their
// numbers, in their places, and the file holds them at once.
TEST_F(LogWindow, DeleteAndClearAreUndoneUntilTheWindowIsClosed) {
    MeasurementLogWindow& log = OpenOver(6);
    const HWND list = log.list();
    const HWND undo = GetDlgItem(log.window(), IDC_LOG_UNDO);
    ASSERT_NE(undo, nullptr);
    EXPECT_FALSE(IsWindowEnabled(undo));
    const MeasurementLog before = Log();

    // Readings 2 and 4 deleted, then 6: Ctrl+Z brings 6 back, then 2 and 4.
    ListView_SetItemState(list, 1, LVIS_SELECTED, LVIS_SELECTED);
    ListView_SetItemState(list, 3, LVIS_SELECTED, LVIS_SELECTED);
    SetFocus(list);
    Key(list, VK_DELETE);
    ListView_SetItemState(list, -1, 0, LVIS_SELECTED);
    ListView_SetItemState(list, 3, LVIS_SELECTED, LVIS_SELECTED);
    Key(list, VK_DELETE);
    EXPECT_EQ(Numbers(), (std::vector<int>{1, 3, 5}));
    EXPECT_TRUE(IsWindowEnabled(undo));
    Key(list, 'Z', kControl);
    EXPECT_EQ(Numbers(), (std::vector<int>{1, 3, 5, 6}));
    EXPECT_EQ(Status(), L"1 row put back.");
    SendMessageW(log.window(), WM_COMMAND, MAKEWPARAM(IDC_LOG_UNDO, BN_CLICKED), 0);
    Pump(0);
    EXPECT_EQ(Log().rows(), before.rows());
    EXPECT_EQ(ListNumbers(log), (std::vector<int>{1, 2, 3, 4, 5, 6}));
    EXPECT_EQ(log.SelectedRows(), (std::vector<size_t>{1, 3}));  // the rows that came back
    EXPECT_EQ(FileLog().rows(), before.rows());
    EXPECT_FALSE(IsWindowEnabled(undo));
    // Nothing more to undo: a beep and a word, nothing changes.
    Key(list, 'Z', kControl);
    EXPECT_EQ(Status(), L"Nothing to undo.");
    EXPECT_EQ(Log().rows(), before.rows());

    // Clear still asks first, and says it can be undone; Ctrl+Z brings every row back.
    {
        MessageBoxCatcher boxes;
        boxes.AnswerWith(IDYES);
        SendMessageW(log.window(), WM_COMMAND, MAKEWPARAM(IDC_LOG_CLEAR, BN_CLICKED), 0);
        ASSERT_EQ(boxes.boxes().size(), 1u);
        EXPECT_EQ(boxes.boxes()[0].text,
                  L"Delete all 6 readings from the log?\n\nUndo (Ctrl+Z) brings them back until this window is "
                  L"closed.");
    }
    EXPECT_TRUE(Log().empty());
    EXPECT_TRUE(FileLog().empty());
    Key(list, 'Z', kControl);
    EXPECT_EQ(Log().rows(), before.rows());
    EXPECT_EQ(ListNumbers(log), (std::vector<int>{1, 2, 3, 4, 5, 6}));
    EXPECT_EQ(FileLog().rows(), before.rows());

    // Closed, the window forgets what it deleted.
    ListView_SetItemState(list, -1, 0, LVIS_SELECTED);
    ListView_SetItemState(list, 0, LVIS_SELECTED, LVIS_SELECTED);
    Key(list, VK_DELETE);
    Key(list, VK_ESCAPE);
    ASSERT_FALSE(log.open());
    panel_.recorder().OpenMeasurementLog();
    Pump(0);
    ASSERT_TRUE(log.open());
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(log.window(), IDC_LOG_UNDO)));
    Key(log.list(), 'Z', kControl);
    EXPECT_EQ(Numbers(), (std::vector<int>{2, 3, 4, 5, 6}));
}
