// The measurement log as the student uses it through the panel: F9 and the
// menu, the log's window and its keys, automatic series, and the log's file
// beside the program.
#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "base/unique_handle.h"
#include "dialog_script.h"
#include "editor_script.h"
#include "measurements/log_codec.h"
#include "measurements/log_location_win.h"
#include "message_box_catcher.h"
#include "numtext/number_format.h"
#include "numtext/number_parse.h"
#include "panel_fixture.h"
#include "tests/core/example_reading.h"
#include "ui/clipboard.h"

namespace {

// A dialog-script step: a series of 10,000 points started in the open dialog.
bool StartALongSeries() {
    HWND dialog = FindDialogTitled(L"Automatic series");
    if (!dialog) return false;
    CheckRadioButton(dialog, IDC_SERIES_BY_STEP, IDC_SERIES_BY_COUNT, IDC_SERIES_BY_COUNT);
    SetDlgItemTextW(dialog, IDC_SERIES_COUNT, L"10000");
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    return true;
}

// Catches what an edit box is asked to do with its balloon, and hands the
// messages on to the box (Wine's edit control shows no balloon, Windows' does).
class BalloonWatch {
public:
    explicit BalloonWatch(HWND box) : box_(box) {
        SetWindowSubclass(box_, &BalloonWatch::Proc, kSubclassId, reinterpret_cast<DWORD_PTR>(this));
    }
    ~BalloonWatch() { RemoveWindowSubclass(box_, &BalloonWatch::Proc, kSubclassId); }
    BalloonWatch(const BalloonWatch&) = delete;
    BalloonWatch& operator=(const BalloonWatch&) = delete;

    // The texts of the balloons shown, oldest first; how often one was hidden.
    const std::vector<std::wstring>& shown() const { return shown_; }
    int hidden() const { return hidden_; }
    std::wstring last() const { return shown_.empty() ? std::wstring() : shown_.back(); }

private:
    static constexpr UINT_PTR kSubclassId = 0xBA11;

    static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                 DWORD_PTR data) {
        auto* self = reinterpret_cast<BalloonWatch*>(data);
        if (message == EM_SHOWBALLOONTIP) {
            const auto* balloon = reinterpret_cast<const EDITBALLOONTIP*>(lParam);
            self->shown_.push_back(balloon && balloon->pszText ? balloon->pszText : L"(no text)");
        } else if (message == EM_HIDEBALLOONTIP) {
            ++self->hidden_;
        }
        return DefSubclassProc(window, message, wParam, lParam);
    }

    HWND box_;
    std::vector<std::wstring> shown_;
    int hidden_ = 0;
};

// A tip the panel shows on the screen: its window, text and place.
struct ShownTip {
    HWND window = nullptr;
    std::wstring text;
    RECT rect{};
};

BOOL CALLBACK AddShownTip(HWND window, LPARAM context) {
    wchar_t name[64] = {};
    GetClassNameW(window, name, 64);
    if (_wcsicmp(name, TOOLTIPS_CLASSW) != 0 || !IsWindowVisible(window)) return TRUE;
    ShownTip tip;
    tip.window = window;
    wchar_t text[1024] = {};
    TOOLINFOW tool{};
    tool.cbSize = TTTOOLINFOW_V2_SIZE;
    tool.lpszText = text;
    if (SendMessageW(window, TTM_ENUMTOOLSW, 0, reinterpret_cast<LPARAM>(&tool))) tip.text = text;
    GetWindowRect(window, &tip.rect);
    reinterpret_cast<std::vector<ShownTip>*>(context)->push_back(tip);
    return TRUE;
}

// The tooltips of this thread that are visible now, with the text of their
// first tool.
std::vector<ShownTip> ShownTips() {
    std::vector<ShownTip> tips;
    EnumThreadWindows(GetCurrentThreadId(), AddShownTip, reinterpret_cast<LPARAM>(&tips));
    return tips;
}

// What the series dialog shows.
struct SeriesLook {
    std::wstring quantity, start, end, step, count, status;
    bool byCount = false;
    bool stepOpen = false;
    bool countOpen = false;
    LRESULT progress = 0;
};

SeriesLook LookAtSeries(HWND dialog) {
    SeriesLook look;
    auto text = [dialog](int id) { return ReadWindowText(GetDlgItem(dialog, id)); };
    look.quantity = text(IDC_SERIES_QUANTITY);
    look.start = text(IDC_SERIES_START);
    look.end = text(IDC_SERIES_END);
    look.step = text(IDC_SERIES_STEP);
    look.count = text(IDC_SERIES_COUNT);
    look.status = text(IDC_SERIES_STATUS);
    look.byCount = IsDlgButtonChecked(dialog, IDC_SERIES_BY_COUNT) == BST_CHECKED;
    look.stepOpen = IsWindowEnabled(GetDlgItem(dialog, IDC_SERIES_STEP)) != FALSE;
    look.countOpen = IsWindowEnabled(GetDlgItem(dialog, IDC_SERIES_COUNT)) != FALSE;
    look.progress = SendDlgItemMessageW(dialog, IDC_SERIES_PROGRESS, PBM_GETPOS, 0, 0);
    return look;
}

// A click on one of the series dialog's two ways.
void ChooseWay(HWND dialog, int radio) {
    CheckRadioButton(dialog, IDC_SERIES_BY_STEP, IDC_SERIES_BY_COUNT, radio);
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(radio, BN_CLICKED), 0);
}

// A quantity chosen in the series dialog's list.
void ChooseQuantity(HWND dialog, SeriesQuantity quantity) {
    SendDlgItemMessageW(dialog, IDC_SERIES_QUANTITY, CB_SETCURSEL, static_cast<WPARAM>(quantity), 0);
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDC_SERIES_QUANTITY, CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDC_SERIES_QUANTITY)));
}

const wchar_t kSeriesResting[] = L"Choose what to vary and press Start.";

class Measurements : public LoggingPanelFixture {
protected:
    MeasurementLogWindow& OpenLog() {
        Key(Box(IDC_MATERIAL_NUMBER), 'L', kControl);
        EXPECT_NE(panel_.recorder().logWindow(), nullptr);
        return *panel_.recorder().logWindow();
    }

    int ListCount(const MeasurementLogWindow& log) {
        return static_cast<int>(SendMessageW(log.list(), LVM_GETITEMCOUNT, 0, 0));
    }

    // The log's file, read as the program reads it at start.
    MeasurementLog FileLog() {
        std::vector<unsigned char> bytes = ReadFileBytes(LogPath());
        MeasurementLog log;
        EXPECT_EQ(DecodeLogCsv(bytes.data(), bytes.size(), log).status, CsvStatus::ok);
        return log;
    }
};

}  // namespace

TEST_F(Measurements, F9RecordsTheBoxesAndMetersAsShownAndTheFileHoldsThemAtOnce) {
    Start();
    SetExample();
    Type(IDC_HALL_FACTOR, L"1.2");
    Key(Box(IDC_HALL_FACTOR), VK_F9);

    ASSERT_EQ(Log().size(), 1u);
    const MeasurementRow& row = Log()[0];
    EXPECT_EQ(row.number, 1);
    EXPECT_TRUE(IsRecordTime(row.time)) << row.time;
    EXPECT_EQ(row.material, 1);
    EXPECT_EQ(row.hallFactor, L"1.2");
    EXPECT_EQ(row.sampleLength, Text(IDC_SAMPLE_LENGTH));
    EXPECT_EQ(row.sampleWidth, Text(IDC_SAMPLE_WIDTH));
    EXPECT_EQ(row.sampleThickness, Text(IDC_SAMPLE_THICKNESS));
    EXPECT_EQ(row.contactWidth, L"0.5");
    EXPECT_EQ(row.contactSpacing, Text(IDC_CONTACT_SPACING));
    EXPECT_EQ(row.temperature, L"300.0");
    EXPECT_EQ(row.sampleCurrent, L"10");
    EXPECT_EQ(row.magnetCurrent, L"5");
    EXPECT_EQ(row.hallVoltage, Text(IDC_HALL_VOLTAGE));
    EXPECT_EQ(row.sampleVoltage, Text(IDC_SAMPLE_VOLTAGE));
    EXPECT_EQ(Status(), L"Reading 1 recorded.");

    // Saved when F9 returned: the file holds the row, byte for byte as encoded.
    EXPECT_EQ(ReadFileBytes(LogPath()), EncodeLogCsv(Log()));

    // The menu's command records too, and the menu says what the keys are.
    SendMessageW(panel_.window(), WM_COMMAND, IDM_RECORD_READING, 0);
    EXPECT_EQ(Log().size(), 2u);
    HMENU measurements = GetSubMenu(GetMenu(panel_.window()), 0);
    wchar_t text[64] = {};
    GetMenuStringW(measurements, IDM_RECORD_READING, text, 64, MF_BYCOMMAND);
    EXPECT_STREQ(text, L"&Record reading\tF9");
    GetMenuStringW(measurements, IDM_MEASUREMENT_LOG, text, 64, MF_BYCOMMAND);
    EXPECT_STREQ(text, L"Measurement &log...\tCtrl+L");
    // Each with a key of its own for Alt and the menu's letters.
    GetMenuStringW(measurements, IDM_AUTOMATIC_SERIES, text, 64, MF_BYCOMMAND);
    EXPECT_STREQ(text, L"Automatic &series...");
    GetMenuStringW(GetMenu(panel_.window()), 0, text, 64, MF_BYPOSITION);
    EXPECT_STREQ(text, L"&Measurements");
}

TEST_F(Measurements, NothingIsRecordedBeforeAMaterialOrWhileLocked) {
    Start();
    Key(Box(IDC_MATERIAL_NUMBER), VK_F9);
    EXPECT_TRUE(Log().empty());
    EXPECT_EQ(Status(), L"Not recorded: choose a material first.");
    EXPECT_EQ(panel_.recorder().RecordReading(), RecordResult::noMaterial);

    ChooseMaterial();
    Type(IDC_SAMPLE_LENGTH, L"0");  // out of range: the panel locks
    Key(Box(IDC_SAMPLE_LENGTH), VK_F9);
    EXPECT_TRUE(Log().empty());
    EXPECT_EQ(Status(), L"Not recorded: a value outside its range locks the panel until it is put right.");

    Type(IDC_SAMPLE_LENGTH, L"100");
    Key(Box(IDC_SAMPLE_LENGTH), VK_F9);
    EXPECT_EQ(Log().size(), 1u);
    // Nothing was written for the refused presses.
    EXPECT_EQ(FileLog().size(), 1u);
}

// With the log's window closed, a refused F9 says why at the meters as well:
// in a tip that takes neither the focus nor the lock, goes by itself, and
// goes sooner at the next key. No box has to be answered.
TEST_F(Measurements, ARefusedF9SaysWhyAtTheMetersAndTheTipGoesByItself) {
    MessageBoxCatcher boxes;
    panel_.SetRefusalTipTime(400);
    Start();
    HWND material = Box(IDC_MATERIAL_NUMBER);
    SetFocus(material);
    ASSERT_EQ(GetActiveWindow(), panel_.window());
    EXPECT_TRUE(ShownTips().empty());

    Key(material, VK_F9);
    std::vector<ShownTip> tips = ShownTips();
    ASSERT_EQ(tips.size(), 1u);
    EXPECT_EQ(tips[0].text, L"Not recorded: choose a material first.");
    EXPECT_EQ(tips[0].text, Status());
    // At the Hall voltage's meter: the tip reaches over the meter's middle,
    // just below it.
    RECT meter;
    GetWindowRect(Box(IDC_HALL_VOLTAGE), &meter);
    const LONG middle = (meter.left + meter.right) / 2;
    EXPECT_LE(tips[0].rect.left, middle);
    EXPECT_GE(tips[0].rect.right, middle);
    EXPECT_GE(tips[0].rect.top, meter.top);
    EXPECT_LE(tips[0].rect.top, meter.bottom + 30);
    // The student goes on typing where they were.
    EXPECT_EQ(GetFocus(), material);
    EXPECT_EQ(GetActiveWindow(), panel_.window());
    EXPECT_TRUE(Log().empty());

    // It goes by itself.
    Pump(700);
    EXPECT_TRUE(ShownTips().empty());

    // Locked: the tip says so; the next key takes it away, and the lock and
    // its warning go on as they would.
    ChooseMaterial();
    HWND length = Box(IDC_SAMPLE_LENGTH);
    SetFocus(length);
    Type(IDC_SAMPLE_LENGTH, L"0");
    Key(length, VK_F9);
    tips = ShownTips();
    ASSERT_EQ(tips.size(), 1u);
    EXPECT_EQ(tips[0].text, L"Not recorded: a value outside its range locks the panel until it is put right.");
    Key(length, VK_BACK);
    EXPECT_TRUE(ShownTips().empty());
    EXPECT_EQ(EnabledInputs(), std::set<int>{IDC_SAMPLE_LENGTH});
    PumpPastTheWarning();
    ASSERT_EQ(boxes.boxes().size(), 1u);
    EXPECT_EQ(boxes.boxes()[0].text.rfind(L"Invalid set of parameters.", 0), 0u) << boxes.boxes()[0].text;
    EXPECT_TRUE(Log().empty());
}

// The log refuses a row for one of three reasons, and the panel says which:
// a log of 100000 rows is full; one whose last reading has the highest number
// has no number left to give.
TEST_F(Measurements, EachReasonTheLogRefusesARowHasItsOwnText) {
    MeasurementRow row;
    row.time = L"2026-12-09 10:00:00";
    row.material = 1;
    for (int column = kLogHallFactor; column <= kLogSampleVoltage; ++column) *ShownText(row, column) = L"1.0";
    std::vector<MeasurementRow> rows(MeasurementLog::kMaxRows, row);
    for (size_t k = 0; k < rows.size(); ++k) rows[k].number = static_cast<int>(k) + 1;
    rows.back().number = MeasurementLog::kMaxNumber;
    MeasurementLog full;
    ASSERT_TRUE(full.Assign(rows));
    ASSERT_TRUE(WriteFileBytes(LogPath(), EncodeLogCsv(full)));

    panel_.SetRefusalTipTime(60000);
    Start();
    SetExample();
    HWND current = Box(IDC_SAMPLE_CURRENT);
    SetFocus(current);
    Key(current, VK_F9);
    ASSERT_EQ(Log().size(), MeasurementLog::kMaxRows);
    const std::wstring fullText = L"Not recorded: the log is full (100000 readings). Save it as CSV and clear it first.";
    EXPECT_EQ(Status(), fullText);
    std::vector<ShownTip> tips = ShownTips();
    ASSERT_EQ(tips.size(), 1u);
    EXPECT_EQ(tips[0].text, fullText);

    // One row fewer, but the last number is still the highest there is.
    ASSERT_EQ(panel_.recorder().logStore().Remove({0}), 1u);
    Key(current, VK_F9);
    EXPECT_EQ(Log().size(), MeasurementLog::kMaxRows - 1);
    const std::wstring numbersText = L"Not recorded: every reading number up to 999999999 has been given.";
    EXPECT_EQ(Status(), numbersText);
    tips = ShownTips();
    ASSERT_EQ(tips.size(), 1u);
    EXPECT_EQ(tips[0].text, numbersText);
    EXPECT_EQ(FileLog().size(), MeasurementLog::kMaxRows - 1);
}

TEST_F(Measurements, TheLogWindowFollowsNewRowsAndItsKeysDeleteCopyAndClose) {
    Start();
    SetExample();
    for (const wchar_t* t : {L"300", L"310", L"320"}) {
        Type(IDC_TEMPERATURE, t);
        panel_.recorder().RecordReading();
    }
    MeasurementLogWindow& log = OpenLog();
    ASSERT_TRUE(log.open());
    EXPECT_EQ(ReadWindowText(log.window()), L"Measurement log");
    EXPECT_EQ(ListCount(log), 3);

    // F9 in the log's window records, and the list and the plot follow.
    Key(log.list(), VK_F9);
    Pump(200);  // a moment later
    EXPECT_EQ(ListCount(log), 4);
    EXPECT_EQ(log.plot().data().points.size(), 4u);

    // Delete removes the selected rows; the others keep their numbers.
    ListView_SetItemState(log.list(), 0, LVIS_SELECTED, LVIS_SELECTED);
    ListView_SetItemState(log.list(), 2, LVIS_SELECTED, LVIS_SELECTED);
    SetFocus(log.list());
    Key(log.list(), VK_DELETE);
    ASSERT_EQ(Log().size(), 2u);
    EXPECT_EQ(Log()[0].number, 2);
    EXPECT_EQ(Log()[1].number, 4);
    EXPECT_EQ(ListCount(log), 2);
    EXPECT_EQ(FileLog().size(), 2u);

    // Ctrl+C with nothing selected copies every row under the titles.
    Key(log.list(), 'C', kControl);
    EXPECT_EQ(ClipboardText(nullptr), LogTabSeparatedText(Log(), {0, 1}));
    const std::wstring copied = ClipboardText(nullptr);
    EXPECT_EQ(copied.substr(0, copied.find(L"\r\n")),
              L"No.\tTime\tMaterial\tr_H\tl (\u00B5m)\tw (\u00B5m)\td (\u00B5m)\ts (\u00B5m)\t\u03B4 (\u00B5m)\tT (K)\t"
              L"I (mA)\tI_m (A)\tV_H (mV)\tV_\u03C3 (mV)");

    // Escape closes it; it opens again where it was left.
    SetWindowPos(log.window(), nullptr, 40, 30, 700, 500, SWP_NOZORDER | SWP_NOACTIVATE);
    Key(log.list(), VK_ESCAPE);
    EXPECT_FALSE(log.open());
    OpenLog();
    ASSERT_TRUE(log.open());
    RECT place;
    GetWindowRect(log.window(), &place);
    EXPECT_EQ(place.left, 40);
    EXPECT_EQ(place.top, 30);
    EXPECT_EQ(place.right - place.left, 700);
    EXPECT_EQ(place.bottom - place.top, 500);
}

TEST_F(Measurements, EnterTabAndAltF4InTheLogWindowLeaveThePanelAndTheRowsAlone) {
    Start();
    SetExample();
    panel_.recorder().RecordReading();
    MeasurementLogWindow& log = OpenLog();
    ASSERT_TRUE(log.open());
    SetFocus(log.list());

    // Enter has nothing to confirm: the window stays, the rows stay.
    Key(log.list(), VK_RETURN);
    EXPECT_TRUE(log.open());
    EXPECT_EQ(Log().size(), 1u);

    // Tab walks the window's own controls and comes back round to the list.
    std::vector<HWND> visited;
    for (int k = 0; k < 12 && (visited.empty() || GetFocus() != log.list()); ++k) {
        Key(GetFocus(), VK_TAB);
        visited.push_back(GetFocus());
    }
    EXPECT_EQ(GetFocus(), log.list());
    EXPECT_GT(visited.size(), 2u);
    for (HWND focused : visited) EXPECT_TRUE(IsChild(log.window(), focused));

    // Alt+F4 closes the log's window only; the panel goes on recording.
    Key(log.list(), VK_F4, kAlt);
    EXPECT_FALSE(log.open());
    ASSERT_TRUE(IsWindow(panel_.window()));
    EXPECT_TRUE(IsWindowVisible(panel_.window()));
    Key(Box(IDC_MATERIAL_NUMBER), VK_F9);
    EXPECT_EQ(Log().size(), 2u);
    EXPECT_EQ(FileLog().size(), 2u);
}

TEST_F(Measurements, ClearAsksFirstAndAFitFollowsTheChosenAxes) {
    Start();
    SetExample();
    for (int t = 400; t <= 700; t += 100) {
        Type(IDC_TEMPERATURE, std::to_wstring(t).c_str());
        panel_.recorder().RecordReading();
    }
    MeasurementLogWindow& log = OpenLog();
    log.ChooseAxes(PlotX::temperature, PlotY::sampleVoltage);
    log.FitLine();
    ASSERT_TRUE(log.fit().has_value());
    EXPECT_EQ(log.fit()->n, 4u);
    ASSERT_TRUE(log.plot().data().fit.has_value());
    EXPECT_EQ(log.plot().data().fit->slope, log.fit()->slope);
    // The axes are the ones chosen, with their units.
    EXPECT_EQ(log.plot().data().x.title, L"T (K)");
    EXPECT_EQ(log.plot().data().y.title, L"V_\u03C3 (mV)");
    // Another choice of axes drops a line that no longer belongs to them.
    log.ChooseAxes(PlotX::inverseTemperature, PlotY::lnInverseSampleVoltage);
    EXPECT_FALSE(log.plot().data().fit.has_value());

    {
        MessageBoxCatcher boxes;
        boxes.AnswerWith(IDNO);
        SendMessageW(log.window(), WM_COMMAND, MAKEWPARAM(IDC_LOG_CLEAR, BN_CLICKED), 0);
        ASSERT_EQ(boxes.boxes().size(), 1u);
        EXPECT_EQ(boxes.boxes()[0].icon, MessageBoxCatcher::Icon::question);
        EXPECT_EQ(Log().size(), 4u);
        boxes.AnswerWith(IDYES);
        SendMessageW(log.window(), WM_COMMAND, MAKEWPARAM(IDC_LOG_CLEAR, BN_CLICKED), 0);
        EXPECT_EQ(boxes.boxes().size(), 2u);
    }
    EXPECT_TRUE(Log().empty());
    EXPECT_EQ(ListCount(log), 0);
    EXPECT_TRUE(FileLog().empty());
}

TEST_F(Measurements, ASeriesSetsThePanelsBoxAndRecordsAReadingAtEachValue) {
    Start();
    SetExample();
    DialogScript script;
    script.Then("start the suggested temperature series", [] {
        HWND dialog = FindDialogTitled(L"Automatic series");
        if (!dialog) return false;
        SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        return true;
    });
    SendMessageW(panel_.window(), WM_COMMAND, IDM_AUTOMATIC_SERIES, 0);
    EXPECT_TRUE(script.finished());
    EXPECT_TRUE(script.failures().empty());

    // 100 K to the top of the chamber, 1680 K, in steps of 10 K, as the panel
    // showed each.
    ASSERT_EQ(Log().size(), 159u);
    for (size_t k = 0; k < Log().size(); ++k) {
        EXPECT_EQ(Log()[k].temperature, FormatReal(100 + 10.0 * k));
        EXPECT_NE(Log()[k].sampleVoltage, L"*****");
    }
    // Saved when it ended, and shown.
    EXPECT_EQ(FileLog().size(), 159u);
    ASSERT_NE(panel_.recorder().logWindow(), nullptr);
    EXPECT_TRUE(panel_.recorder().logWindow()->open());
    EXPECT_EQ(EnabledInputs(), AllInputs());
}

TEST_F(Measurements, ASeriesStopsAtAValueThePanelRefusesAndLeavesItUnlocked) {
    Start();
    SetExample();
    MessageBoxCatcher boxes;
    DialogScript script;
    script.Then("ask for 100 K to 1700 K", [] {
        HWND dialog = FindDialogTitled(L"Automatic series");
        if (!dialog) return false;
        SetDlgItemTextW(dialog, IDC_SERIES_END, L"1700");
        SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        return true;
    });
    script.Then("close the dialog", [] {
        HWND dialog = FindDialogTitled(L"Automatic series");
        if (!dialog) return false;
        SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
        return true;
    });
    SendMessageW(panel_.window(), WM_COMMAND, IDM_AUTOMATIC_SERIES, 0);
    EXPECT_TRUE(script.finished());

    // 100 K to 1680 K were taken; 1690 K was not.
    EXPECT_EQ(Log().size(), 159u);
    ASSERT_EQ(boxes.boxes().size(), 1u);
    EXPECT_NE(boxes.boxes()[0].text.find(L"T = 1690.0 K"), std::wstring::npos) << boxes.boxes()[0].text;
    EXPECT_NE(boxes.boxes()[0].text.find(L"from 77.0 to 1680.0 K"), std::wstring::npos) << boxes.boxes()[0].text;
    EXPECT_NE(boxes.boxes()[0].text.find(L"159 readings recorded."), std::wstring::npos);
    // The panel shows the last value it took, unlocked, and warns of nothing.
    EXPECT_EQ(Text(IDC_TEMPERATURE), L"1680.0");
    EXPECT_EQ(EnabledInputs(), AllInputs());
    PumpPastTheWarning();
    EXPECT_EQ(boxes.boxes().size(), 1u);
    EXPECT_EQ(FileLog().size(), 159u);
}

TEST_F(Measurements, AnUnreadableLogIsKeptAsBakAndToldOnceAfterThePanelAppears) {
    const std::vector<unsigned char> damaged = {'n', 'o', 't', ' ', 'a', ' ', 'l', 'o', 'g', '\r', '\n'};
    ASSERT_TRUE(WriteFileBytes(LogPath(), damaged));
    MessageBoxCatcher boxes;
    Start();
    ASSERT_EQ(boxes.boxes().size(), 1u);
    EXPECT_EQ(boxes.boxes()[0].icon, MessageBoxCatcher::Icon::information);
    EXPECT_TRUE(Log().empty());
    EXPECT_EQ(ReadFileBytes(LogPath() + L".bak"), damaged);

    // The first reading replaces the file with a log of its own.
    SetExample();
    panel_.recorder().RecordReading();
    EXPECT_EQ(FileLog().size(), 1u);
    EXPECT_EQ(ReadFileBytes(LogPath() + L".bak"), damaged);
    EXPECT_EQ(boxes.boxes().size(), 1u);
}

// A Tesmor.csv with one field missing from one line came up empty, with
// "cannot be read", at every start. Now the other rows are the log, the box
// says once which line was left out, the file is written again at once, and
// the next start says nothing.
TEST_F(Measurements, ALogWithADamagedLineKeepsItsOtherRowsAndSaysOnceWhichLineWasLeftOut) {
    MeasurementLog five;
    for (int i = 0; i < 5; ++i) {
        MeasurementRow row = ExampleReading();
        row.temperature = std::to_wstring(300 + 10 * i) + L".00";
        five.Append(row);
    }
    const std::vector<unsigned char> whole = EncodeLogCsv(five);
    std::string text(whole.begin(), whole.end());
    // Row 3, line 4 of the file, loses its last field.
    const size_t third = text.find("\r\n3,") + 2;
    const size_t end = text.find("\r\n", third);
    text.erase(text.rfind(',', end), end - text.rfind(',', end));
    const std::vector<unsigned char> damaged(text.begin(), text.end());
    ASSERT_TRUE(WriteFileBytes(LogPath(), damaged));

    std::wstring name = LogPath().substr(LogPath().find_last_of(L'\\') + 1);
    {
        MessageBoxCatcher boxes;
        Start();
        ASSERT_EQ(boxes.boxes().size(), 1u);
        EXPECT_EQ(boxes.boxes()[0].icon, MessageBoxCatcher::Icon::information);
        EXPECT_EQ(
            boxes.boxes()[0].text,
            L"Line 4 of the file of measurements " + name +
                L" cannot be read and is left out of the log.\nThe log holds the 4 readings that could be "
                L"read; the file as it was is kept as " +
                name + L".bak.");
        std::vector<int> numbers;
        for (const MeasurementRow& row : Log().rows()) numbers.push_back(row.number);
        EXPECT_EQ(numbers, (std::vector<int>{1, 2, 4, 5}));
        // Saved at once, before any reading is recorded; the file as it was kept.
        EXPECT_EQ(ReadFileBytes(LogPath()), EncodeLogCsv(Log()));
        EXPECT_EQ(ReadFileBytes(LogPath() + L".bak"), damaged);
    }

    // The next start finds a whole log and says nothing.
    DestroyWindow(panel_.window());
    Pump(0);
    MessageBoxCatcher boxes;
    Start();
    EXPECT_TRUE(boxes.boxes().empty());
    EXPECT_EQ(Log().size(), 4u);
    EXPECT_EQ(ReadFileBytes(LogPath() + L".bak"), damaged);
}

// After the last reading was deleted the next F9 gave its number again, and
// after a restart too: a number once given names that reading alone.
TEST_F(Measurements, ANumberOnceGivenIsNotGivenAgainAfterADeleteAClearOrARestart) {
    Start();
    SetExample();
    for (int i = 0; i < 3; ++i) panel_.recorder().RecordReading();
    MeasurementLogWindow& log = OpenLog();
    ListView_SetItemState(log.list(), 2, LVIS_SELECTED, LVIS_SELECTED);
    SetFocus(log.list());
    Key(log.list(), VK_DELETE);
    ASSERT_EQ(Log().size(), 2u);
    panel_.recorder().RecordReading();
    EXPECT_EQ(Status(), L"Reading 4 recorded.");
    EXPECT_EQ(Log().rows().back().number, 4);

    {
        MessageBoxCatcher boxes;
        boxes.AnswerWith(IDYES);
        SendMessageW(log.window(), WM_COMMAND, MAKEWPARAM(IDC_LOG_CLEAR, BN_CLICKED), 0);
        ASSERT_EQ(boxes.boxes().size(), 1u);
    }
    ASSERT_TRUE(Log().empty());
    EXPECT_TRUE(FileLog().empty());
    panel_.recorder().RecordReading();
    EXPECT_EQ(Status(), L"Reading 5 recorded.");

    // Deleted again, and the program started anew.
    Pump(200);  // the list shows the new row a moment later
    ListView_SetItemState(log.list(), 0, LVIS_SELECTED, LVIS_SELECTED);
    SetFocus(log.list());
    Key(log.list(), VK_DELETE);
    ASSERT_TRUE(Log().empty());
    DestroyWindow(panel_.window());
    Pump(0);
    MessageBoxCatcher boxes;
    Start();
    SetExample();
    panel_.recorder().RecordReading();
    EXPECT_TRUE(boxes.boxes().empty());
    EXPECT_EQ(Status(), L"Reading 6 recorded.");
    ASSERT_EQ(FileLog().size(), 1u);
    EXPECT_EQ(FileLog()[0].number, 6);
}

TEST_F(Measurements, AFileHeldOpenByAnotherProgramIsToldOnceAndLosesNoRow) {
    Start();
    SetExample();
    panel_.recorder().RecordReading();
    MessageBoxCatcher boxes;
    {
        // A spreadsheet holds the file open and shares nothing.
        UniqueHandle held(CreateFileW(LogPath().c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(held.valid());
        panel_.recorder().RecordReading();
        panel_.recorder().RecordReading();
        EXPECT_EQ(boxes.boxes().size(), 1u) << "a failed save is told once";
        EXPECT_EQ(Log().size(), 3u);
    }
    panel_.recorder().RecordReading();
    EXPECT_EQ(boxes.boxes().size(), 1u);
    EXPECT_EQ(FileLog().size(), 4u);
}

TEST_F(Measurements, EscapeStopsARunningSeriesAndKeepsWhatItRecorded) {
    Start();
    SetExample();
    DialogScript script;
    script.Then("start a long series in points", StartALongSeries);
    script.Then("press Escape while it runs", [] {
        HWND dialog = FindDialogTitled(L"Automatic series");
        if (!dialog || IsWindowEnabled(GetDlgItem(dialog, IDOK))) return false;  // not running yet
        if (SendDlgItemMessageW(dialog, IDC_SERIES_PROGRESS, PBM_GETPOS, 0, 0) == 0) return false;
        PostKey(GetDlgItem(dialog, IDCANCEL), VK_ESCAPE);
        return true;
    });
    script.Then("close the dialog", EscapeTheSeriesDialogOnceIdle);
    SendMessageW(panel_.window(), WM_COMMAND, IDM_AUTOMATIC_SERIES, 0);
    EXPECT_TRUE(script.finished());
    EXPECT_TRUE(script.failures().empty());

    // Stopped part of the way, with every reading it took kept and saved.
    EXPECT_GT(Log().size(), 0u);
    EXPECT_LT(Log().size(), 10000u);
    EXPECT_EQ(FileLog().size(), Log().size());
    EXPECT_EQ(EnabledInputs(), AllInputs());
    // A stopped series does not open the log.
    EXPECT_TRUE(panel_.recorder().logWindow() == nullptr || !panel_.recorder().logWindow()->open());
}

// Alt+F4 asks a running series to stop as Escape does, and closes the dialog
// once it has stopped. A session that ends during a series finds every reading
// taken so far in the file, although a series saves only every half second.
TEST_F(Measurements, AltF4StopsASeriesAndTheEndOfTheSessionSavesWhatItRecorded) {
    Start();
    SetExample();
    size_t recordedAtTheEnd = 0;
    size_t savedAtTheEnd = 0;
    DialogScript script;
    script.Then("start a long series in points", StartALongSeries);
    script.Then("end the session while it runs", [&] {
        HWND dialog = FindDialogTitled(L"Automatic series");
        if (!dialog || IsWindowEnabled(GetDlgItem(dialog, IDOK))) return false;  // not running yet
        if (SendDlgItemMessageW(dialog, IDC_SERIES_PROGRESS, PBM_GETPOS, 0, 0) == 0) return false;
        if (!SendMessageW(panel_.window(), WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF)) return true;
        SendMessageW(panel_.window(), WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF);
        recordedAtTheEnd = Log().size();
        savedAtTheEnd = FileLog().size();
        return true;
    });
    script.Then("press Alt+F4 while it still runs", [] {
        HWND dialog = FindDialogTitled(L"Automatic series");
        if (!dialog) return false;
        PostKey(GetDlgItem(dialog, IDCANCEL), VK_F4, kAlt);
        return true;
    });
    script.Then("press Alt+F4 again once it has stopped", [] {
        HWND dialog = FindDialogTitled(L"Automatic series");
        if (!dialog || !IsWindowEnabled(GetDlgItem(dialog, IDOK))) return false;  // still running
        PostKey(GetDlgItem(dialog, IDCANCEL), VK_F4, kAlt);
        return true;
    });
    SendMessageW(panel_.window(), WM_COMMAND, IDM_AUTOMATIC_SERIES, 0);
    EXPECT_TRUE(script.finished());
    EXPECT_TRUE(script.failures().empty());
    EXPECT_EQ(FindDialogTitled(L"Automatic series"), nullptr);

    EXPECT_GT(recordedAtTheEnd, 0u);
    EXPECT_EQ(savedAtTheEnd, recordedAtTheEnd);
    EXPECT_LT(Log().size(), 10000u);
    EXPECT_EQ(FileLog().size(), Log().size());
    EXPECT_EQ(EnabledInputs(), AllInputs());
}

// A click elsewhere: on the panel while the log's window is open, and on the
// panel while a series runs (its input is not the dialog's, and is dropped).
// Tab stays within the series dialog. Nothing recorded is lost either way.
TEST_F(Measurements, ClicksElsewhereAndTabKeepTheRowsAndTheSeriesSettings) {
    Start();
    SetExample();
    panel_.recorder().RecordReading();
    MeasurementLogWindow& log = OpenLog();
    ASSERT_TRUE(log.open());
    HWND material = Box(IDC_MATERIAL_NUMBER);
    PostMessageW(material, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(3, 3));
    PostMessageW(material, WM_LBUTTONUP, 0, MAKELPARAM(3, 3));
    Pump(0);
    EXPECT_TRUE(log.open());
    EXPECT_EQ(ListCount(log), 1);
    EXPECT_EQ(FileLog().size(), 1u);

    std::wstring countAfterStop;
    bool tabStayed = false;
    DialogScript script;
    script.Then("start a long series in points", StartALongSeries);
    script.Then("click the panel's material box and type while it runs", [this] {
        HWND dialog = FindDialogTitled(L"Automatic series");
        if (!dialog || IsWindowEnabled(GetDlgItem(dialog, IDOK))) return false;  // not running yet
        if (SendDlgItemMessageW(dialog, IDC_SERIES_PROGRESS, PBM_GETPOS, 0, 0) == 0) return false;
        HWND material = Box(IDC_MATERIAL_NUMBER);
        PostMessageW(material, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(3, 3));
        PostMessageW(material, WM_LBUTTONUP, 0, MAKELPARAM(3, 3));
        PostKey(material, '7');
        return true;
    });
    script.Then("stop it with Escape", [] {
        HWND dialog = FindDialogTitled(L"Automatic series");
        if (!dialog) return false;
        PostKey(GetDlgItem(dialog, IDCANCEL), VK_ESCAPE);
        return true;
    });
    script.Then("press Tab in the stopped dialog, then close it", [&] {
        HWND dialog = FindDialogTitled(L"Automatic series");
        if (!dialog || !IsWindowEnabled(GetDlgItem(dialog, IDOK))) return false;  // still running
        countAfterStop = ReadWindowText(GetDlgItem(dialog, IDC_SERIES_COUNT));
        SetFocus(GetDlgItem(dialog, IDCANCEL));
        SendMessageW(dialog, WM_NEXTDLGCTL, 0, FALSE);  // what the dialog manager does for Tab
        tabStayed = IsChild(dialog, GetFocus()) != FALSE;
        PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
        return true;
    });
    SendMessageW(panel_.window(), WM_COMMAND, IDM_AUTOMATIC_SERIES, 0);
    EXPECT_TRUE(script.finished());
    EXPECT_TRUE(script.failures().empty());

    EXPECT_EQ(countAfterStop, L"10000");
    EXPECT_TRUE(tabStayed);
    EXPECT_GT(Log().size(), 1u);
    EXPECT_LT(Log().size(), 10001u);
    EXPECT_EQ(FileLog().size(), Log().size());
    // The click and the key meant for the panel did not reach it: every row
    // is of material 1, the box still says so, and the panel is unlocked.
    for (size_t k = 0; k < Log().size(); ++k) EXPECT_EQ(Log()[k].material, 1) << "row " << k;
    EXPECT_EQ(ReadWindowText(Box(IDC_MATERIAL_NUMBER)), L"1");
    EXPECT_EQ(EnabledInputs(), AllInputs());
}

TEST_F(Measurements, SaveAsWritesTheLogAndThePlotWhereTheStudentChose) {
    Start();
    SetExample();
    for (const wchar_t* t : {L"300", L"400", L"500"}) {
        Type(IDC_TEMPERATURE, t);
        panel_.recorder().RecordReading();
    }
    MeasurementLogWindow& log = OpenLog();
    ScratchFolder folder;
    const std::wstring csv = folder.path() + L"\\report \u03B4.csv";
    const std::wstring png = folder.path() + L"\\plot.png";
    log.SaveCsvAs(csv);
    EXPECT_EQ(ReadFileBytes(csv), EncodeLogCsv(Log()));
    log.SavePngAs(png);
    const std::vector<unsigned char> picture = ReadFileBytes(png);
    const std::vector<unsigned char> signature = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    ASSERT_GE(picture.size(), signature.size());
    EXPECT_TRUE(std::equal(signature.begin(), signature.end(), picture.begin()));

    // A file that cannot be written says so, and the log is as it was.
    MessageBoxCatcher boxes;
    log.SaveCsvAs(folder.path() + L"\\no such folder\\log.csv");
    ASSERT_EQ(boxes.boxes().size(), 1u);
    EXPECT_EQ(boxes.boxes()[0].icon, MessageBoxCatcher::Icon::warning);
    EXPECT_EQ(Log().size(), 3u);
}

namespace {

// Answers the system's Save dialog with `path`, as a student typing a name and
// pressing Save would; counts the dialogs it saw.
class SaveDialogAnswer {
public:
    explicit SaveDialogAnswer(std::wstring path) : path_(std::move(path)) {
        active_ = this;
        hook_ = SetWindowsHookExW(WH_CBT, HookProc, nullptr, GetCurrentThreadId());
    }
    ~SaveDialogAnswer() {
        if (hook_) UnhookWindowsHookEx(hook_);
        active_ = nullptr;
    }
    int shown() const { return shown_; }

private:
    static LRESULT CALLBACK HookProc(int code, WPARAM wParam, LPARAM lParam) {
        if (code == HCBT_ACTIVATE && active_) {
            HWND window = reinterpret_cast<HWND>(wParam);
            // The file name box: the combo box cmb13 of the dialog's template, or
            // the edit edt1 of older templates.
            HWND name = GetDlgItem(window, 0x47C);
            if (!name) name = GetDlgItem(window, 0x480);
            if (name && ReadWindowText(window) == L"Save As") {
                ++active_->shown_;
                SetWindowTextW(name, active_->path_.c_str());
                PostMessageW(window, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
            }
        }
        return CallNextHookEx(nullptr, code, wParam, lParam);
    }

    static inline SaveDialogAnswer* active_ = nullptr;
    HHOOK hook_ = nullptr;
    std::wstring path_;
    int shown_ = 0;
};

}  // namespace

// Readings the log's file would not take (a spreadsheet holds it) are never
// lost without a word at the close: the close says how many, Cancel keeps the
// panel open, Yes saves the whole log where the student chooses, and only No
// closes without them.
TEST_F(Measurements, AClosingWithUnsavedReadingsSaysHowManyAndOffersToSaveThem) {
    Start();
    SetExample();
    panel_.recorder().RecordReading();
    ASSERT_EQ(FileLog().size(), 1u);
    const std::vector<unsigned char> saved = ReadFileBytes(LogPath());
    UniqueHandle spreadsheet(CreateFileW(LogPath().c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(spreadsheet.valid());
    MessageBoxCatcher boxes;
    panel_.recorder().RecordReading();
    panel_.recorder().RecordReading();
    ASSERT_EQ(boxes.boxes().size(), 1u);  // the failed save, told once
    EXPECT_EQ(panel_.recorder().logStore().UnsavedRows(), 2u);

    const std::wstring question = L"2 readings could not be written to the file of measurements\n" + LogPath() +
                                  L".\n\nSave the whole log in another file before Tesmor closes?\n"
                                  L"No closes Tesmor without them; Cancel keeps Tesmor open.";
    boxes.AnswerWith(IDCANCEL);
    for (HWND target : {Box(IDC_MATERIAL_NUMBER), panel_.window()}) {
        // Alt+F4, and the title bar's close button (which sends IDCANCEL).
        if (target == panel_.window()) {
            PostMessageW(target, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
        } else {
            PostKey(target, VK_F4, kAlt);
        }
        EXPECT_TRUE(Pump(0));
        HoldModifiers(kNoModifiers);
        ASSERT_EQ(boxes.boxes().size(), 2u + (target == panel_.window()));
        EXPECT_EQ(boxes.boxes().back().text, question);
        EXPECT_EQ(boxes.boxes().back().icon, MessageBoxCatcher::Icon::warning);
        EXPECT_TRUE(IsWindow(panel_.window()));
        EXPECT_EQ(Log().size(), 3u);
    }

    // Yes: the whole log goes where the student says, and the program closes.
    ScratchFolder folder;
    const std::wstring elsewhere = folder.File(L"rescued.csv");
    {
        SaveDialogAnswer save(elsewhere);
        boxes.AnswerWith(IDYES);
        PostMessageW(panel_.window(), WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
        EXPECT_FALSE(Pump(3000)) << "the panel did not close";
        EXPECT_EQ(save.shown(), 1);
    }
    EXPECT_EQ(quitCode_, IDCANCEL);
    EXPECT_EQ(ReadFileBytes(elsewhere), EncodeLogCsv(Log()));
    spreadsheet.Reset();
    EXPECT_EQ(ReadFileBytes(LogPath()), saved);  // the held file untouched
}

TEST_F(Measurements, NoClosesWithoutTheUnsavedReadingsAndASavedLogClosesWithoutAQuestion) {
    Start();
    SetExample();
    panel_.recorder().RecordReading();
    {
        UniqueHandle spreadsheet(
            CreateFileW(LogPath().c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(spreadsheet.valid());
        MessageBoxCatcher boxes;
        panel_.recorder().RecordReading();
        boxes.AnswerWith(IDNO);
        PostMessageW(panel_.window(), WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
        EXPECT_FALSE(Pump(1000));
        ASSERT_EQ(boxes.boxes().size(), 2u);
        EXPECT_EQ(boxes.boxes()[1].text.substr(0, 28), L"1 reading could not be writt");
        EXPECT_EQ(quitCode_, IDCANCEL);
    }
    EXPECT_EQ(FileLog().size(), 1u);
}

// At the end of the session nobody is there to ask: readings the file would
// not take go to a file of their own in Documents\Tesmor.
TEST_F(Measurements, TheEndOfTheSessionPutsUnsavedReadingsInDocuments) {
    Start();
    SetExample();
    panel_.recorder().RecordReading();
    UniqueHandle spreadsheet(CreateFileW(LogPath().c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(spreadsheet.valid());
    MessageBoxCatcher boxes;
    panel_.recorder().RecordReading();
    panel_.recorder().RecordReading();

    const std::wstring folder = DocumentsTesmorFolder();
    ASSERT_FALSE(folder.empty());
    std::wstring name = LogPath().substr(LogPath().find_last_of(L'\\') + 1);
    name.erase(name.size() - 4);  // ".csv"
    const std::wstring pattern = folder + L"\\" + name + L" unsaved *.csv";
    auto rescued = [&] {
        std::vector<std::wstring> found;
        WIN32_FIND_DATAW data;
        HANDLE search = FindFirstFileW(pattern.c_str(), &data);
        if (search == INVALID_HANDLE_VALUE) return found;
        do found.push_back(folder + L"\\" + data.cFileName);
        while (FindNextFileW(search, &data));
        FindClose(search);
        return found;
    };
    for (const std::wstring& old : rescued()) DeleteFileW(old.c_str());

    EXPECT_TRUE(SendMessageW(panel_.window(), WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF));
    SendMessageW(panel_.window(), WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF);
    const std::vector<std::wstring> files = rescued();
    ASSERT_EQ(files.size(), 1u);
    EXPECT_EQ(ReadFileBytes(files[0]), EncodeLogCsv(Log()));
    EXPECT_EQ(Log().size(), 3u);
    EXPECT_EQ(boxes.boxes().size(), 1u);  // the failed save only: nothing asked
    for (const std::wstring& file : files) DeleteFileW(file.c_str());
}

// What a student types is read leniently: "2,5" gives 2. The log keeps a box's
// text only where the whole text is the number used; otherwise it keeps the
// value used, in the panel's style, and nothing but a number reaches the file.
TEST_F(Measurements, TheLogKeepsTheValueUsedWhereABoxShowsMoreThanTheNumber) {
    Start();
    SetExample();
    struct Typed {
        int id;
        std::wstring text;
        std::wstring kept;  // what the row keeps
    };
    // 100 KB: 50,000 UTF-16 characters. (Wine's edit control takes seconds to
    // take a text that long: its time grows with the square of the length.)
    const std::wstring longDigits = L"2.5" + std::wstring(49997, L'0');
    const Typed typed[] = {
        {IDC_SAMPLE_CURRENT, L"2,5", L"2.0"},                // a decimal comma: I = 2
        {IDC_MAGNET_CURRENT, L"\u22127", L"0.0"},            // a typographic minus: nothing read
        {IDC_SAMPLE_CURRENT, L"0x10", L"0.0"},               // hexadecimal
        {IDC_MAGNET_CURRENT, L"\uFF11\uFF12", L"0.0"},       // fullwidth digits
        {IDC_SAMPLE_CURRENT, L"\u200B5", L"0.0"},            // an invisible mark in front
        {IDC_HALL_FACTOR, L"\t1.3\x01\x02", L"1.3"},         // a tab and control characters pasted
        {IDC_TEMPERATURE, L"350 K", L"350.0"},               // a unit behind the number
        {IDC_SAMPLE_CURRENT, longDigits, L"2.5"},            // 100 KB of digits, read whole
        {IDC_SAMPLE_THICKNESS, std::wstring(1000, L'0') + L"7", L"7.0"},
        {IDC_SAMPLE_CURRENT, L"2.5", L"2.5"},                // whole: kept as typed
        {IDC_MAGNET_CURRENT, L" 4.50 ", L"4.50"},            // whole, the spaces around it dropped
        {IDC_HALL_FACTOR, L"1.15", L"1.15"},
        {IDC_SAMPLE_CURRENT, L"-1.234567e0", L"-1.234567e0"},
    };
    for (const Typed& t : typed) {
        SCOPED_TRACE(std::string(t.kept.begin(), t.kept.end()));
        Type(t.id, t.text.c_str());
        ASSERT_EQ(EnabledInputs(), AllInputs()) << "the typed text locked the panel";
        Key(Box(IDC_MATERIAL_NUMBER), VK_F9);
        ASSERT_FALSE(Log().empty());
        const MeasurementRow& row = Log()[Log().size() - 1];
        EXPECT_EQ(Text(t.id), t.text) << "the box keeps what was typed";

        const ExperimentSettings used = panel_.fields().settings();
        const std::pair<int, double> columns[] = {
            {kLogHallFactor, used.hallFactor},     {kLogSampleLength, used.sampleLength},
            {kLogSampleWidth, used.sampleWidth},   {kLogSampleThickness, used.sampleThickness},
            {kLogContactWidth, used.contactWidth}, {kLogContactSpacing, used.contactSpacing},
            {kLogTemperature, used.temperature},   {kLogSampleCurrent, used.sampleCurrent},
            {kLogMagnetCurrent, used.magnetCurrent},
        };
        for (const auto& [column, value] : columns) {
            const std::wstring& cell = *ShownText(row, column);
            SCOPED_TRACE(column);
            // Every cell is a number that reads back as the value used, whole.
            EXPECT_EQ(ParseReal(cell), value);
            EXPECT_TRUE(ReadsWhole(cell, FindReal(cell)));
            EXPECT_EQ(FindReal(cell).begin, 0u);
            EXPECT_LE(cell.size(), MeasurementLog::kMaxTextLength);
        }
        const int column = t.id == IDC_HALL_FACTOR        ? kLogHallFactor
                           : t.id == IDC_SAMPLE_THICKNESS ? kLogSampleThickness
                           : t.id == IDC_TEMPERATURE      ? kLogTemperature
                           : t.id == IDC_SAMPLE_CURRENT   ? kLogSampleCurrent
                                                          : kLogMagnetCurrent;
        EXPECT_EQ(*ShownText(row, column), t.kept);
    }

    // The file holds the same rows, and none of the text that was not read.
    EXPECT_EQ(FileLog().rows(), Log().rows());
    const std::vector<unsigned char> bytes = ReadFileBytes(LogPath());
    for (unsigned char c : bytes) {
        EXPECT_TRUE(c >= 0x20 || c == '\r' || c == '\n') << "control character " << int(c) << " in the file";
        EXPECT_NE(c, '"');
    }
    const std::string file(bytes.begin(), bytes.end());
    EXPECT_EQ(file.find("\xE2\x80\x8B"), std::string::npos) << "U+200B in the file";
    EXPECT_EQ(file.find("\xE2\x88\x92"), std::string::npos) << "U+2212 in the file";
    EXPECT_EQ(file.find("0x"), std::string::npos);
    EXPECT_LT(bytes.size(), 4000u) << "a long text went into the file";
}

// A box read only in part says so in a balloon once the student is done with
// it: when it loses the focus (Enter takes the focus to the panel) and when F9
// records a reading that used it. A whole number, and a text on its way to one,
// bring none; the balloon changes no value, no lock and not the focus.
TEST_F(Measurements, ABoxReadInPartSaysWhatItWasReadAsInABalloon) {
    Start();
    SetExample();
    HWND current = Box(IDC_SAMPLE_CURRENT);
    BalloonWatch currentBalloons(current);
    BalloonWatch materialBalloons(Box(IDC_MATERIAL_NUMBER));
    BalloonWatch hallFactorBalloons(Box(IDC_HALL_FACTOR));

    // Typing, then Enter.
    SetFocus(current);
    Pump(0);
    Type(IDC_SAMPLE_CURRENT, L"2,");
    Type(IDC_SAMPLE_CURRENT, L"2,5");
    Pump(0);
    EXPECT_TRUE(currentBalloons.shown().empty()) << "a balloon while typing";
    Key(current, VK_RETURN);
    ASSERT_EQ(currentBalloons.shown().size(), 1u);
    EXPECT_EQ(currentBalloons.last(), L"Read as 2: the decimal separator is \".\"");
    EXPECT_EQ(GetFocus(), panel_.window());
    EXPECT_EQ(panel_.fields().settings().sampleCurrent, 2.0);
    EXPECT_EQ(Text(IDC_SAMPLE_CURRENT), L"2,5");
    EXPECT_EQ(EnabledInputs(), AllInputs());

    // The next change of the text takes the balloon away.
    SetFocus(current);
    Type(IDC_SAMPLE_CURRENT, L"2.5");
    EXPECT_EQ(currentBalloons.hidden(), 1);
    // On the way to "1e5", and at a whole number, nothing is said.
    Type(IDC_SAMPLE_CURRENT, L"1e");
    Type(IDC_SAMPLE_CURRENT, L"1e1");
    Key(current, VK_RETURN);
    EXPECT_EQ(currentBalloons.shown().size(), 1u);
    EXPECT_EQ(panel_.fields().settings().sampleCurrent, 10.0);

    // Focus moved to another box: the balloon comes at the box that was left.
    SetFocus(Box(IDC_MATERIAL_NUMBER));
    Type(IDC_MATERIAL_NUMBER, L"1.5");
    SetFocus(current);
    Pump(0);
    ASSERT_EQ(materialBalloons.shown().size(), 1u);
    EXPECT_EQ(materialBalloons.last(), L"Read as 1: only whole numbers are read");
    EXPECT_EQ(GetFocus(), current);
    EXPECT_EQ(panel_.table().materialNumber, 1);

    // F9 records a reading that used a box read in part: its balloon, once.
    Type(IDC_SAMPLE_CURRENT, L"\u22127");
    Key(current, VK_F9);
    EXPECT_EQ(Log().size(), 1u);
    ASSERT_EQ(currentBalloons.shown().size(), 2u);
    EXPECT_EQ(currentBalloons.last(), L"Read as 0: the minus sign is \"-\"");
    EXPECT_EQ(GetFocus(), current);
    // F9 with every box read whole says nothing.
    Type(IDC_SAMPLE_CURRENT, L"-7");
    Type(IDC_MATERIAL_NUMBER, L"1");
    Key(current, VK_F9);
    EXPECT_EQ(Log().size(), 2u);
    EXPECT_EQ(currentBalloons.shown().size(), 2u);
    EXPECT_EQ(materialBalloons.shown().size(), 1u);

    // A value read in part and out of range: the balloon tells why, the lock
    // and the warning go on as they would.
    MessageBoxCatcher boxes;
    SetFocus(Box(IDC_HALL_FACTOR));
    Type(IDC_HALL_FACTOR, L"7,5");
    Key(Box(IDC_HALL_FACTOR), VK_RETURN);
    ASSERT_EQ(hallFactorBalloons.shown().size(), 1u);
    EXPECT_EQ(hallFactorBalloons.last(), L"Read as 7: the decimal separator is \".\"");
    EXPECT_EQ(EnabledInputs(), std::set<int>{IDC_HALL_FACTOR});
    PumpPastTheWarning();
    ASSERT_EQ(boxes.boxes().size(), 1u);
    EXPECT_EQ(boxes.boxes()[0].text, L"Invalid set of parameters.\nValid range: [0.2, 5.0].");
}

// The series dialog opens again as the student left it, however it was
// closed; its greyed box follows what is typed; what an earlier Start said
// goes at the next change. At first it proposes T from 100 K to the top of
// the chamber.
TEST_F(Measurements, TheSeriesDialogKeepsItsSettingsAndItsGreyedBoxFollows) {
    Start();
    SetExample();
    std::vector<SeriesLook> looks;
    auto look = [&looks](HWND dialog) { looks.push_back(LookAtSeries(dialog)); };
    {
        DialogScript script;
        script.Then("type a step, choose points, type an end and counts, start without one, close", [&] {
            HWND dialog = FindDialogTitled(L"Automatic series");
            if (!dialog) return false;
            look(dialog);  // 0
            SetDlgItemTextW(dialog, IDC_SERIES_STEP, L"20");
            look(dialog);  // 1
            ChooseWay(dialog, IDC_SERIES_BY_COUNT);
            look(dialog);  // 2
            SetDlgItemTextW(dialog, IDC_SERIES_END, L"500");
            SetDlgItemTextW(dialog, IDC_SERIES_COUNT, L"");
            SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
            look(dialog);  // 3
            SetDlgItemTextW(dialog, IDC_SERIES_COUNT, L"5");
            look(dialog);  // 4
            PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
            return true;
        });
        SendMessageW(panel_.window(), WM_COMMAND, IDM_AUTOMATIC_SERIES, 0);
        EXPECT_TRUE(script.finished());
        EXPECT_TRUE(script.failures().empty());
    }
    {
        DialogScript script;
        script.Then("look, try I and come back to T, start", [&] {
            HWND dialog = FindDialogTitled(L"Automatic series");
            if (!dialog) return false;
            look(dialog);  // 5
            ChooseQuantity(dialog, SeriesQuantity::sampleCurrent);
            look(dialog);  // 6
            ChooseQuantity(dialog, SeriesQuantity::temperature);
            look(dialog);  // 7
            PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
            return true;
        });
        SendMessageW(panel_.window(), WM_COMMAND, IDM_AUTOMATIC_SERIES, 0);
        EXPECT_TRUE(script.finished());
        EXPECT_TRUE(script.failures().empty());
    }
    // The five points the second opening kept: 100 K to 500 K.
    EXPECT_EQ(Log().size(), 5u);
    for (size_t k = 0; k < Log().size() && k < 5; ++k) {
        EXPECT_EQ(Log()[k].temperature, FormatReal(100 + 100.0 * k));
    }
    {
        DialogScript script;
        script.Then("look after the series, and press Escape", [&] {
            HWND dialog = FindDialogTitled(L"Automatic series");
            if (!dialog) return false;
            look(dialog);  // 8
            PostKey(GetDlgItem(dialog, IDCANCEL), VK_ESCAPE);
            return true;
        });
        SendMessageW(panel_.window(), WM_COMMAND, IDM_AUTOMATIC_SERIES, 0);
        EXPECT_TRUE(script.finished());
        EXPECT_TRUE(script.failures().empty());
    }
    ASSERT_EQ(looks.size(), 9u);

    // The first proposal: T from 100 K to 1680 K in steps of 10 K, which is
    // 159 points.
    EXPECT_EQ(looks[0].quantity, L"T (K)");
    EXPECT_EQ(looks[0].start, L"100.0");
    EXPECT_EQ(looks[0].end, L"1680.0");
    EXPECT_EQ(looks[0].step, L"10.0");
    EXPECT_EQ(looks[0].count, L"159");
    EXPECT_FALSE(looks[0].byCount);
    EXPECT_TRUE(looks[0].stepOpen);
    EXPECT_FALSE(looks[0].countOpen);
    EXPECT_EQ(looks[0].status, kSeriesResting);
    // The greyed number of points follows the step as it is typed ...
    EXPECT_EQ(looks[1].count, L"80");
    // ... and in points, the greyed step follows the end and the number.
    EXPECT_TRUE(looks[2].byCount);
    EXPECT_FALSE(looks[2].stepOpen);
    EXPECT_TRUE(looks[2].countOpen);
    EXPECT_EQ(looks[2].count, L"80");
    EXPECT_EQ(looks[2].step, L"20.0");
    EXPECT_EQ(looks[3].status, L"Enter the number of points.");
    EXPECT_EQ(looks[3].step, L"");
    EXPECT_EQ(looks[4].step, L"100.0");
    EXPECT_EQ(looks[4].status, kSeriesResting) << "a status of the Start before stayed";

    // Opened again: as it was left, by Cancel.
    for (size_t k : {5, 7, 8}) {
        SCOPED_TRACE(k);
        EXPECT_EQ(looks[k].quantity, L"T (K)");
        EXPECT_EQ(looks[k].start, L"100.0");
        EXPECT_EQ(looks[k].end, L"500");
        EXPECT_EQ(looks[k].count, L"5");
        EXPECT_EQ(looks[k].step, L"100.0");
        EXPECT_TRUE(looks[k].byCount);
        EXPECT_TRUE(looks[k].countOpen);
        EXPECT_FALSE(looks[k].stepOpen);
        EXPECT_EQ(looks[k].status, kSeriesResting);
        EXPECT_EQ(looks[k].progress, 0);
    }
    // I, not shown before, gets the slider's range in ten steps.
    EXPECT_EQ(looks[6].quantity, L"I (mA)");
    EXPECT_EQ(looks[6].start, L"-25.0");
    EXPECT_EQ(looks[6].end, L"25.0");
    EXPECT_EQ(looks[6].count, L"11");
    EXPECT_EQ(looks[6].step, L"5.0");
}

// The number of points of a series is read whole: a count beyond an int is
// refused as too many points, not wrapped round into a small one.
TEST_F(Measurements, ASeriesCountBeyondAnIntIsRefusedNotWrapped) {
    Start();
    SetExample();
    std::vector<std::wstring> statuses;
    DialogScript script;
    script.Then("ask for 4294967298 points, then -4294967295, then close", [&] {
        HWND dialog = FindDialogTitled(L"Automatic series");
        if (!dialog) return false;
        CheckRadioButton(dialog, IDC_SERIES_BY_STEP, IDC_SERIES_BY_COUNT, IDC_SERIES_BY_COUNT);
        SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDC_SERIES_BY_COUNT, BN_CLICKED), 0);
        for (const wchar_t* count : {L"4294967298", L"-4294967295", L"99999999999999999999"}) {
            SetDlgItemTextW(dialog, IDC_SERIES_COUNT, count);
            SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
            statuses.push_back(ReadWindowText(GetDlgItem(dialog, IDC_SERIES_STATUS)));
            if (!Log().empty()) return true;  // a series ran, and its end closes the dialog
        }
        PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
        return true;
    });
    SendMessageW(panel_.window(), WM_COMMAND, IDM_AUTOMATIC_SERIES, 0);
    EXPECT_TRUE(script.finished());
    EXPECT_TRUE(script.failures().empty());

    EXPECT_TRUE(Log().empty()) << Log().size() << " readings recorded";
    ASSERT_EQ(statuses.size(), 3u);
    EXPECT_EQ(statuses[0], L"A series takes at most 10000 points.");
    EXPECT_EQ(statuses[1], L"The number of points must be at least 1.");
    EXPECT_EQ(statuses[2], L"A series takes at most 10000 points.");
    EXPECT_EQ(EnabledInputs(), AllInputs());
}

TEST_F(Measurements, ThePlotTellsTheMaterialsApartAndItsPictureIsLargeEnoughToPrint) {
    // An n-type and a p-type sample, two readings each.
    Start();
    SetExample();
    for (const wchar_t* material : {L"1", L"2"}) {
        ChooseMaterial(material);
        for (const wchar_t* t : {L"300", L"400"}) {
            Type(IDC_TEMPERATURE, t);
            panel_.recorder().RecordReading();
        }
    }
    ASSERT_EQ(Log().size(), 4u);
    MeasurementLogWindow& log = OpenLog();
    const PlotData& data = log.plot().data();
    ASSERT_EQ(data.series.size(), 2u);
    EXPECT_EQ(data.series[0].name, L"Material 1");
    EXPECT_EQ(data.series[1].name, L"Material 2");
    ASSERT_EQ(data.points.size(), 4u);
    for (size_t k = 0; k < 4; ++k) EXPECT_EQ(data.points[k].series, k / 2) << "point " << k;

    // The line is still fitted to the selected readings alone.
    ListView_SetItemState(log.list(), 2, LVIS_SELECTED, LVIS_SELECTED);
    ListView_SetItemState(log.list(), 3, LVIS_SELECTED, LVIS_SELECTED);
    log.FitLine();
    ASSERT_TRUE(log.fit().has_value());
    EXPECT_EQ(log.fit()->n, 2u);

    // "Save plot as PNG..." gives a picture at least 1600 pixels wide, of the
    // plot's shape, whatever the window's size.
    ScratchFolder folder;
    const std::wstring png = folder.path() + L"\\plot.png";
    log.SavePngAs(png);
    const std::vector<unsigned char> bytes = ReadFileBytes(png);
    ASSERT_GE(bytes.size(), 24u);
    auto bigEndian = [&](size_t at) {
        return (static_cast<unsigned>(bytes[at]) << 24) | (bytes[at + 1] << 16) | (bytes[at + 2] << 8) | bytes[at + 3];
    };
    const unsigned width = bigEndian(16), height = bigEndian(20);  // the IHDR chunk
    EXPECT_GE(width, 1600u);
    RECT client;
    GetClientRect(log.plot().window(), &client);
    ASSERT_GT(client.right, 0);
    EXPECT_EQ(width % static_cast<unsigned>(client.right), 0u);
    EXPECT_EQ(height, width / static_cast<unsigned>(client.right) * static_cast<unsigned>(client.bottom));
}
