// The experiment panel, driven in-process: texts are set as a user's typing
// sets them (each change raises EN_CHANGE at once), messages are pumped through
// the same filter as the program's loop, and message boxes are caught.
#include "panel/experiment_panel_win.h"

#include <gtest/gtest.h>

#include <commctrl.h>

#include <cmath>
#include <functional>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "base/unique_handle.h"
#include "editor_script.h"
#include "message_box_catcher.h"
#include "message_sequence.h"
#include "numtext/edit_text_win.h"
#include "panel_fixture.h"
#include "res/resource.h"
#include "scratch_folder.h"
#include "storage/module_files_win.h"
#include "storage/parameter_codec.h"
#include "storage/parameter_file_win.h"

namespace {

using Icon = MessageBoxCatcher::Icon;

class Panel : public PanelFixture {};

// The default table with a teacher's one change: Nd of material 1 = 2e16.
MaterialTable TableWithOneChange() {
    MaterialTable table = DefaultTable();
    table.columns[kNd].entries[0] = 2e16;
    return table;
}

// Clears the read-only mark of the file beside the tests on every way out, so
// that the next test can write it.
struct ReadOnlyParameterFile {
    ReadOnlyParameterFile() { ok = SetFileAttributesW(ParameterPath().c_str(), FILE_ATTRIBUTE_READONLY) != FALSE; }
    ~ReadOnlyParameterFile() { SetFileAttributesW(ParameterPath().c_str(), FILE_ATTRIBUTE_NORMAL); }
    bool StillReadOnly() const {
        const DWORD attributes = GetFileAttributesW(ParameterPath().c_str());
        return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0;
    }
    bool ok = false;
};

std::wstring MenuText(HMENU menu, int index) {
    wchar_t text[64] = {};
    GetMenuStringW(menu, index, text, 64, MF_BYPOSITION);
    return text;
}

}  // namespace

TEST_F(Panel, StartsWithOnlyTheMaterialBoxEnabledAndNoWarningEver) {
    MessageBoxCatcher catcher;
    Start();
    EXPECT_EQ(panel_.caption(), kCaption);
    EXPECT_EQ(Text(IDC_MATERIAL_NUMBER), L"0");
    EXPECT_EQ(Text(IDC_HALL_VOLTAGE), L"");
    EXPECT_EQ(Text(IDC_SAMPLE_VOLTAGE), L"");
    EXPECT_EQ(EnabledInputs(), std::set<int>{IDC_MATERIAL_NUMBER});
    EXPECT_EQ(GetFocus(), Box(IDC_MATERIAL_NUMBER));

    // The defaults are shown in the panel's number style.
    EXPECT_EQ(Text(IDC_HALL_FACTOR), L"1.15");
    EXPECT_EQ(Text(IDC_SAMPLE_LENGTH), L"100.0");
    EXPECT_EQ(Text(IDC_CONTACT_WIDTH), L"0.5");
    EXPECT_EQ(Text(IDC_TEMPERATURE), L"300.0");
    EXPECT_EQ(Text(IDC_SAMPLE_CURRENT), L"0.0");
    EXPECT_EQ(Text(IDC_SAMPLE_CURRENT_MIN), L"-25.0");
    EXPECT_EQ(Text(IDC_SAMPLE_CURRENT_MAX), L"25.0");
    EXPECT_EQ(Text(IDC_MAGNET_CURRENT_MIN), L"-10.0");
    EXPECT_EQ(Text(IDC_MAGNET_CURRENT_MAX), L"10.0");
    EXPECT_EQ(SendMessageW(Box(IDC_SAMPLE_CURRENT_SLIDER), TBM_GETPOS, 0, 0), 10000);

    // However long one waits: "0" before any material is no warning.
    PumpPastTheWarning();
    EXPECT_TRUE(catcher.boxes().empty());
    EXPECT_EQ(panel_.fields().rangeWarning().timerId, 0u);

    // "Parameters..." and a separator stand just above Close (Wine adds an item
    // of its own below Close; Windows ends the menu there).
    HMENU menu = GetSystemMenu(panel_.window(), FALSE);
    int close = -1;
    for (int i = 0; i < GetMenuItemCount(menu); ++i) {
        if (GetMenuItemID(menu, i) == SC_CLOSE) close = i;
    }
    ASSERT_GE(close, 2);
    EXPECT_EQ(GetMenuItemID(menu, close - 2), static_cast<UINT>(IDM_PARAMETERS));
    EXPECT_EQ(MenuText(menu, close - 2), L"Parameters...");
    EXPECT_TRUE(GetMenuState(menu, close - 1, MF_BYPOSITION) & MF_SEPARATOR);
}

TEST_F(Panel, ControlsSitInThePictureWhereTheDrawingLeavesRoom) {
    Start();
    for (const Placement& placement : kPicturePlacements) {
        SCOPED_TRACE(placement.id);
        HWND control = Box(placement.id);
        ASSERT_NE(control, nullptr);
        EXPECT_EQ(GetParent(control), panel_.layout().picture());
        RECT r;
        GetWindowRect(control, &r);
        MapWindowPoints(nullptr, panel_.layout().picture(), reinterpret_cast<POINT*>(&r), 2);
        EXPECT_EQ(r.left, placement.rect.left);
        EXPECT_EQ(r.top, placement.rect.top);
        EXPECT_EQ(r.right, placement.rect.right);
        EXPECT_EQ(r.bottom, placement.rect.bottom);
    }
    // Inside each frame: the range boxes along the top, the slider below.
    for (int frameId : {IDC_SAMPLE_CURRENT_FRAME, IDC_MAGNET_CURRENT_FRAME}) {
        HWND frame = Box(frameId);
        RECT client;
        GetClientRect(frame, &client);
        const SliderField& slider =
            frameId == IDC_SAMPLE_CURRENT_FRAME ? panel_.sampleCurrent() : panel_.magnetCurrent();
        EXPECT_EQ(GetParent(slider.track), frame);
        EXPECT_EQ(GetParent(slider.minimumBox.window), frame);
        RECT r;
        GetWindowRect(slider.maximumBox.window, &r);
        MapWindowPoints(nullptr, frame, reinterpret_cast<POINT*>(&r), 2);
        EXPECT_EQ(r.right, client.right - 1);
        EXPECT_EQ(r.left, client.right - 41);
        GetWindowRect(slider.track, &r);
        MapWindowPoints(nullptr, frame, reinterpret_cast<POINT*>(&r), 2);
        EXPECT_EQ(r.top, 16);
        EXPECT_EQ(r.bottom, client.bottom);
    }
}

TEST_F(Panel, AMaterialNumberSelectsTheMaterialAndShowsTheReadings) {
    Start();
    ChooseMaterial(L"12abc");
    EXPECT_EQ(panel_.table().materialNumber, 12);
    EXPECT_EQ(EnabledInputs(), AllInputs());
    // I = 0 and Im = 0: a negative and a positive zero.
    EXPECT_EQ(Text(IDC_HALL_VOLTAGE), L"-0.0");
    EXPECT_EQ(Text(IDC_SAMPLE_VOLTAGE), L"0.0");

    SetExample();
    EXPECT_EQ(panel_.table().materialNumber, 1);
    EXPECT_EQ(Text(IDC_HALL_VOLTAGE), L"-283.27");
    EXPECT_EQ(Text(IDC_SAMPLE_VOLTAGE), L"573.64");

    ChooseMaterial(L"100");
    EXPECT_EQ(panel_.table().materialNumber, 100);
}

TEST_F(Panel, ARejectedInputLocksTheRestAndWarnsTwoSecondsLater) {
    MessageBoxCatcher catcher;
    warningDelay_ = ExperimentPanel::kRangeWarningDelay;  // the program's own two seconds
    Start();
    SetExample();

    const DWORD typed = GetTickCount();
    Type(IDC_HALL_FACTOR, L"7");
    EXPECT_EQ(EnabledInputs(), std::set<int>{IDC_HALL_FACTOR});
    EXPECT_NE(panel_.fields().rangeWarning().timerId, 0u);
    EXPECT_EQ(Text(IDC_HALL_VOLTAGE), L"-283.27");  // no recomputation on a rejection

    // The real timer: nothing before two seconds, the box right after.
    Pump(1700);
    EXPECT_TRUE(catcher.boxes().empty());
    while (catcher.boxes().empty() && GetTickCount() - typed < 5000) Pump(20);
    ASSERT_EQ(catcher.boxes().size(), 1u);
    EXPECT_GE(GetTickCount() - typed, 1950u);
    const MessageBoxCatcher::Box& box = catcher.boxes()[0];
    EXPECT_EQ(box.caption, kCaption);
    EXPECT_EQ(box.text, L"Invalid set of parameters.\nValid range: [0.2, 5.0].");
    EXPECT_EQ(box.icon, Icon::warning);
    EXPECT_TRUE(box.hasOwner);

    // Still locked after the box until the box holds a valid value.
    EXPECT_EQ(EnabledInputs(), std::set<int>{IDC_HALL_FACTOR});
    Type(IDC_HALL_FACTOR, L"2");
    EXPECT_EQ(EnabledInputs(), AllInputs());
    EXPECT_NE(Text(IDC_HALL_VOLTAGE), L"-283.27");
    Pump(2300);
    EXPECT_EQ(catcher.boxes().size(), 1u);
}

TEST_F(Panel, RepairWithinTwoSecondsShowsNothingAndOneWaitGivesOneBox) {
    MessageBoxCatcher catcher;
    Start();
    SetExample();

    Type(IDC_HALL_FACTOR, L"7");
    Pump(warningDelay_ / 4);
    Type(IDC_HALL_FACTOR, L"3");
    EXPECT_EQ(EnabledInputs(), AllInputs());
    EXPECT_EQ(panel_.fields().rangeWarning().timerId, 0u);
    PumpPastTheWarning();
    EXPECT_TRUE(catcher.boxes().empty());

    // 7, then 70 within the wait: one box, for the latest range record.
    Type(IDC_HALL_FACTOR, L"7");
    Pump(warningDelay_ / 5);
    Type(IDC_HALL_FACTOR, L"70");
    PumpPastTheWarning();
    EXPECT_EQ(catcher.boxes().size(), 1u);

    // After the box, a further bad keystroke starts a new wait and a second box.
    Type(IDC_HALL_FACTOR, L"700");
    PumpPastTheWarning();
    EXPECT_EQ(catcher.boxes().size(), 2u);
}

TEST_F(Panel, WarningTextsNameTheRangeInForce) {
    Start();
    SetExample();
    struct Case {
        int id;
        const wchar_t* text;
        const wchar_t* repair;
        const wchar_t* warning;
    } cases[] = {
        {IDC_TEMPERATURE, L"50", L"300", L"Invalid set of parameters.\nValid range: [77.0, 1680.0]."},
        {IDC_SAMPLE_CURRENT, L"30", L"10", L"Invalid set of parameters.\nValid range: [-25.0, 25.0]."},
        {IDC_SAMPLE_LENGTH, L"10", L"100", L"Invalid set of parameters.\nValid range: [14.667, 25000.]."},
        {IDC_MATERIAL_NUMBER, L"0", L"1", L"Invalid set of parameters.\nValid range: [1, 100]."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        MessageBoxCatcher catcher;
        Type(c.id, c.text);
        EXPECT_EQ(EnabledInputs(), std::set<int>{c.id});
        PumpPastTheWarning();
        ASSERT_EQ(catcher.boxes().size(), 1u);
        EXPECT_EQ(catcher.boxes()[0].text, c.warning);
        Type(c.id, c.repair);
        EXPECT_EQ(EnabledInputs(), AllInputs());
    }
}

TEST_F(Panel, TypingBackTheStoredValueUnlocksWithoutRecomputing) {
    Start();
    SetExample();
    Type(IDC_SAMPLE_CURRENT, L"30");
    EXPECT_EQ(EnabledInputs(), std::set<int>{IDC_SAMPLE_CURRENT});
    EXPECT_EQ(SendMessageW(panel_.sampleCurrent().track, TBM_GETPOS, 0, 0), 14000);  // did not move
    SetWindowTextW(Box(IDC_HALL_VOLTAGE), L"marker");
    Type(IDC_SAMPLE_CURRENT, L"10.0");
    EXPECT_EQ(EnabledInputs(), AllInputs());
    EXPECT_EQ(Text(IDC_HALL_VOLTAGE), L"marker");
}

TEST_F(Panel, ContactRuleNarrowsLengthWidthAndSpacing) {
    Start();
    ChooseMaterial();
    struct Step {
        int id;
        const wchar_t* text;
        bool accepted;
    } steps[] = {
        // s = 0.5, delta = 10: l needs at least 4/3 * 11 = 14.666...
        {IDC_SAMPLE_LENGTH, L"14.6", false},
        {IDC_SAMPLE_LENGTH, L"14.667", true},
        {IDC_SAMPLE_LENGTH, L"100", true},
        // l = 100, delta = 10: s at most min(32.5, 1) = 1.
        {IDC_CONTACT_WIDTH, L"1", true},
        {IDC_CONTACT_WIDTH, L"1.01", false},
        {IDC_CONTACT_WIDTH, L"0.5", true},
        // l = 100, s = 0.5: delta at most 74.
        {IDC_CONTACT_SPACING, L"74", true},
        {IDC_CONTACT_SPACING, L"74.01", false},
        {IDC_CONTACT_SPACING, L"8", true},
        // l = 12, delta = 8: s at most 0.5.
        {IDC_SAMPLE_LENGTH, L"12", true},
        {IDC_CONTACT_WIDTH, L"0.51", false},
        {IDC_CONTACT_WIDTH, L"0.5", true},
        // Closed ranges: both ends are accepted.
        {IDC_HALL_FACTOR, L"0.2", true},
        {IDC_HALL_FACTOR, L"5", true},
        {IDC_TEMPERATURE, L"77", true},
        {IDC_TEMPERATURE, L"1680", true},
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(testing::Message() << s.id << " <- " << std::string(s.text, s.text + wcslen(s.text)));
        Type(s.id, s.text);
        EXPECT_EQ(EnabledInputs() == AllInputs(), s.accepted);
    }
    EXPECT_EQ(panel_.fields().settings().sampleLength, 12);
    EXPECT_EQ(panel_.fields().settings().contactWidth, 0.5);
    EXPECT_EQ(panel_.fields().settings().contactSpacing, 8);
}

TEST_F(Panel, SliderRangeBoxesMoveTheEndsAndClampTheValue) {
    Start();
    SetExample();
    const SliderField& current = panel_.sampleCurrent();

    Type(IDC_SAMPLE_CURRENT, L"25");
    Type(IDC_SAMPLE_CURRENT_MAX, L"40");
    EXPECT_EQ(current.upper, 40);
    EXPECT_DOUBLE_EQ(current.step, 0.00325);
    EXPECT_EQ(panel_.fields().settings().sampleCurrent, 25);
    EXPECT_EQ(SendMessageW(current.track, TBM_GETPOS, 0, 0), 15385);

    // Below the lower end: the upper end becomes -25 and so does the value.
    Type(IDC_SAMPLE_CURRENT_MAX, L"-30");
    EXPECT_EQ(current.upper, -25);
    EXPECT_EQ(panel_.fields().settings().sampleCurrent, -25);
    EXPECT_EQ(Text(IDC_SAMPLE_CURRENT), L"-25.0");
    EXPECT_EQ(Text(IDC_SAMPLE_CURRENT_MAX), L"-25.0");
    EXPECT_EQ(current.step, 0.0);
    EXPECT_EQ(SendMessageW(current.track, TBM_GETPOS, 0, 0), 0);

    // Clearing the box on the way to a new number reads as 0 and clamps at 0.
    Type(IDC_SAMPLE_CURRENT_MAX, L"25");
    Type(IDC_SAMPLE_CURRENT, L"20");
    Type(IDC_SAMPLE_CURRENT_MAX, L"");
    EXPECT_EQ(panel_.fields().settings().sampleCurrent, 0);
    Type(IDC_SAMPLE_CURRENT_MAX, L"30");
    EXPECT_EQ(panel_.fields().settings().sampleCurrent, 0);
    EXPECT_EQ(current.upper, 30);

    // The minimum box mirrors it.
    Type(IDC_SAMPLE_CURRENT, L"-5");
    Type(IDC_SAMPLE_CURRENT_MIN, L"-2");
    EXPECT_EQ(current.lower, -2);
    EXPECT_EQ(panel_.fields().settings().sampleCurrent, -2);
    EXPECT_EQ(Text(IDC_SAMPLE_CURRENT), L"-2.0");
}

// Ends given with more digits than a box shows: the value the panel puts into
// the value box itself reads back from five digits, past the end, and is
// taken at the end instead of locking the panel.
TEST_F(Panel, SliderEndsWithSixDigitsNeverLockThePanel) {
    MessageBoxCatcher catcher;
    Start();
    SetExample();
    const SliderField& current = panel_.sampleCurrent();
    MSG move = {current.track, WM_MOUSEMOVE, 0, MAKELPARAM(5, 5), 0, {0, 0}};

    Type(IDC_SAMPLE_CURRENT_MIN, L"-12.3456");
    EXPECT_EQ(current.lower, -12.3456);
    SendMessageW(current.track, TBM_SETPOS, TRUE, 0);
    loop_.Filter(move);
    EXPECT_EQ(Text(IDC_SAMPLE_CURRENT), L"-12.346");
    EXPECT_EQ(panel_.fields().settings().sampleCurrent, -12.3456);
    EXPECT_EQ(EnabledInputs(), AllInputs());
    EXPECT_EQ(panel_.fields().rangeWarning().timerId, 0u);

    // A maximum that rounds up past itself, with the value above it.
    Type(IDC_SAMPLE_CURRENT, L"20");
    Type(IDC_SAMPLE_CURRENT_MAX, L"12.3456");
    EXPECT_EQ(current.upper, 12.3456);
    EXPECT_EQ(panel_.fields().settings().sampleCurrent, 12.3456);
    EXPECT_EQ(Text(IDC_SAMPLE_CURRENT), L"12.346");
    EXPECT_EQ(EnabledInputs(), AllInputs());

    // A minimum typed above that maximum is put right to it, once, without
    // the box's handler putting it right again for ever.
    Type(IDC_SAMPLE_CURRENT_MIN, L"20");
    EXPECT_EQ(current.lower, 12.3456);
    EXPECT_EQ(current.upper, 12.3456);
    EXPECT_EQ(Text(IDC_SAMPLE_CURRENT_MIN), L"12.346");
    EXPECT_EQ(panel_.fields().settings().sampleCurrent, 12.3456);
    Type(IDC_SAMPLE_CURRENT_MIN, L"-25");
    Type(IDC_SAMPLE_CURRENT_MAX, L"-25.00004");
    EXPECT_EQ(current.upper, -25);
    EXPECT_EQ(Text(IDC_SAMPLE_CURRENT_MAX), L"-25.0");

    // The readings are the model's for the value stored.
    EXPECT_EQ(EnabledInputs(), AllInputs());
    PumpPastTheWarning();
    EXPECT_TRUE(catcher.boxes().empty());
}

// A range end that moves past the value: the value box takes the value and
// the model runs (the readings' boxes change) before the range box is put
// right, each change notifying the panel at once, inside the one before.
TEST_F(Panel, ARangeEndPutRightNotifiesTheValueAndTheReadingsFirst) {
    Start();
    SetExample();
    auto changes = [](const MessageSequence& sequence) {
        std::vector<SentMessage> changed;
        for (const SentMessage& sent : sequence.sent()) {
            if (sent.code == EN_CHANGE) changed.push_back(sent);
        }
        return changed;
    };
    auto change = [](int id) { return SentMessage{WM_COMMAND, id, EN_CHANGE}; };
    {
        MessageSequence sequence(panel_.window(), {WM_COMMAND});
        Type(IDC_SAMPLE_CURRENT_MAX, L"-30");
        EXPECT_EQ(changes(sequence),
                  (std::vector<SentMessage>{change(IDC_SAMPLE_CURRENT_MAX), change(IDC_SAMPLE_CURRENT),
                                            change(IDC_HALL_VOLTAGE), change(IDC_SAMPLE_VOLTAGE),
                                            change(IDC_SAMPLE_CURRENT_MAX)}));
    }
    Type(IDC_SAMPLE_CURRENT_MAX, L"25");
    Type(IDC_SAMPLE_CURRENT, L"10");
    {
        MessageSequence sequence(panel_.window(), {WM_COMMAND});
        Type(IDC_SAMPLE_CURRENT_MIN, L"30");
        EXPECT_EQ(changes(sequence),
                  (std::vector<SentMessage>{change(IDC_SAMPLE_CURRENT_MIN), change(IDC_SAMPLE_CURRENT),
                                            change(IDC_HALL_VOLTAGE), change(IDC_SAMPLE_VOLTAGE),
                                            change(IDC_SAMPLE_CURRENT_MIN)}));
    }
    EXPECT_EQ(panel_.fields().settings().sampleCurrent, 25);
    EXPECT_EQ(Text(IDC_SAMPLE_CURRENT_MIN), L"25.0");
}

namespace {

// What the panel's frame shows, read from its window device context: a point
// of the caption left of the help button, and the button's top-left corner,
// which its raised frame draws light grey while it is off. A marker painted
// over both first shows what has been drawn since.
constexpr COLORREF kMarker = RGB(255, 0, 255);
constexpr COLORREF kButtonCorner = RGB(235, 235, 235);
enum FrameLook { kCaptionMarked = 1, kButtonMarked = 2, kButtonDrawn = 4 };

class FrameLooks {
public:
    FrameLooks(HWND window, const RECT& button)
        : window_(window), dc_(GetWindowDC(window)), button_(button) {}
    ~FrameLooks() { ReleaseDC(window_, dc_); }
    FrameLooks(const FrameLooks&) = delete;
    FrameLooks& operator=(const FrameLooks&) = delete;

    void Mark() const {
        const RECT strip = {button_.left - 30, button_.top, button_.right, button_.bottom};
        HBRUSH marker = CreateSolidBrush(kMarker);
        FillRect(dc_, &strip, marker);
        DeleteObject(marker);
    }

    int operator()() const {
        int look = 0;
        if (GetPixel(dc_, button_.left - 20, button_.top + 2) == kMarker) look |= kCaptionMarked;
        const COLORREF corner = GetPixel(dc_, button_.left, button_.top);
        if (corner == kMarker) look |= kButtonMarked;
        if (corner == kButtonCorner) look |= kButtonDrawn;
        return look;
    }

private:
    HWND window_;
    HDC dc_;
    RECT button_;
};

}  // namespace

// The system draws the caption's active state, and the help button is drawn
// over it. A WM_NCACTIVATE that changes nothing does not reach the system,
// whose caption would cover the button and flicker: only the button is drawn
// again. A change does, and the button is drawn after the system's caption. A
// disabled panel (a modal dialog of its own open) keeps an inactive caption
// whatever it is told.
TEST_F(Panel, AnUnchangedActivationDrawsOnlyTheHelpButtonAndAChangeDrawsItAfterTheCaption) {
    Start();
    const HWND window = panel_.window();
    SendMessageW(window, WM_NCPAINT, 1, 0);  // places the button
    const FrameLooks look(window, panel_.help().helpButton().rect);
    auto activate = [&](BOOL active, std::vector<SentMessage>& sent) {
        look.Mark();
        MessageSequence sequence(window, {WM_NCACTIVATE, WM_NCPAINT, WM_GETTEXT}, std::cref(look));
        EXPECT_EQ(SendMessageW(window, WM_NCACTIVATE, active, 0), TRUE);
        sent = sequence.sent();
        // The size of the title the system asks for is its own affair.
        for (SentMessage& message : sent) {
            if (message.message == WM_GETTEXT) message.id = 0;
        }
        return look();
    };
    std::vector<SentMessage> changed, unchanged, whileDisabled;
    SendMessageW(window, WM_NCACTIVATE, FALSE, 0);  // whatever the state, now inactive
    const int afterChange = activate(TRUE, changed);
    const int afterNoChange = activate(TRUE, unchanged);
    SendMessageW(window, WM_NCACTIVATE, FALSE, 0);
    EnableWindow(window, FALSE);
    const int afterDisabled = activate(TRUE, whileDisabled);
    EnableWindow(window, TRUE);

    const SentMessage arrives = {WM_NCACTIVATE, TRUE, 0, kCaptionMarked | kButtonMarked};
    // Under Wine the system asks for the title once the caption's background,
    // the button's place included, is painted.
    const SentMessage systemPaints = {WM_GETTEXT, 0, 0, 0};
    EXPECT_EQ(changed, (std::vector<SentMessage>{arrives, systemPaints}));
    EXPECT_EQ(afterChange, kButtonDrawn);
    EXPECT_EQ(unchanged, std::vector<SentMessage>{arrives});
    EXPECT_EQ(afterNoChange, kCaptionMarked | kButtonDrawn);
    EXPECT_EQ(whileDisabled, std::vector<SentMessage>{arrives});
    EXPECT_EQ(afterDisabled, kCaptionMarked | kButtonDrawn);
}

TEST_F(Panel, SliderIsFollowedThroughMouseMoves) {
    Start();
    SetExample();
    const SliderField& current = panel_.sampleCurrent();
    const std::wstring before = Text(IDC_HALL_VOLTAGE);

    // The thumb moved (by the mouse or the keyboard) is taken over at the next
    // mouse move over the slider.
    SendMessageW(current.track, TBM_SETPOS, TRUE, 20000);
    EXPECT_EQ(panel_.fields().settings().sampleCurrent, 10);
    MSG move = {current.track, WM_MOUSEMOVE, 0, MAKELPARAM(5, 5), 0, {0, 0}};
    loop_.Filter(move);
    EXPECT_EQ(current.lastPosition, 20000);
    EXPECT_EQ(panel_.fields().settings().sampleCurrent, 25);
    EXPECT_EQ(Text(IDC_SAMPLE_CURRENT), L"25.0");
    EXPECT_NE(Text(IDC_HALL_VOLTAGE), before);

    // One step is 0.0025 mA; the stored value is what the shown text reads as.
    SendMessageW(current.track, TBM_SETPOS, TRUE, 4);
    loop_.Filter(move);
    EXPECT_EQ(Text(IDC_SAMPLE_CURRENT), L"-24.99");
    EXPECT_EQ(panel_.fields().settings().sampleCurrent, -24.99);
    EXPECT_EQ(current.lastPosition, 4);
}

TEST_F(Panel, TemperatureUpDownStepsByOneKelvin) {
    MessageBoxCatcher catcher;
    Start();
    ChooseMaterial();
    auto click = [&](int delta) {
        NMUPDOWN change = {};
        change.hdr.hwndFrom = Box(IDC_TEMPERATURE_SPIN);
        change.hdr.idFrom = IDC_TEMPERATURE_SPIN;
        change.hdr.code = UDN_DELTAPOS;
        change.iDelta = delta;
        return SendMessageW(panel_.window(), WM_NOTIFY, IDC_TEMPERATURE_SPIN,
                            reinterpret_cast<LPARAM>(&change));
    };

    EXPECT_EQ(click(-1), 0);  // the upper arrow
    EXPECT_EQ(Text(IDC_TEMPERATURE), L"301.0");
    EXPECT_EQ(panel_.fields().settings().temperature, 301);
    click(1);
    EXPECT_EQ(panel_.fields().settings().temperature, 300);

    // At 1680 the up arrow shows 1681, which is rejected like a typed value.
    Type(IDC_TEMPERATURE, L"1680");
    click(-1);
    EXPECT_EQ(Text(IDC_TEMPERATURE), L"1681.0");
    EXPECT_EQ(EnabledInputs(), std::set<int>{IDC_TEMPERATURE});
    PumpPastTheWarning();
    ASSERT_EQ(catcher.boxes().size(), 1u);
    EXPECT_EQ(catcher.boxes()[0].text, L"Invalid set of parameters.\nValid range: [77.0, 1680.0].");

    // Near the lower end the down arrow does nothing at 77.4 and steps at 77.6.
    Type(IDC_TEMPERATURE, L"77.4");
    click(1);
    EXPECT_EQ(Text(IDC_TEMPERATURE), L"77.4");
    Type(IDC_TEMPERATURE, L"77.6");
    click(1);
    EXPECT_EQ(Text(IDC_TEMPERATURE), L"76.6");
    EXPECT_EQ(EnabledInputs(), std::set<int>{IDC_TEMPERATURE});
}

// Escape in a box changes nothing (the panel has no Cancel to press), and
// Alt+F4 closes the panel as its close box does, saving the table.
TEST_F(Panel, EscapeKeepsTheValuesAndAltF4ClosesAndSaves) {
    MessageBoxCatcher catcher;
    Start();
    ASSERT_TRUE(ChangeTableCell(panel_.window(), 0, 1, L"2e16"));  // a table that the close must save
    SetExample();
    HWND temperature = Box(IDC_TEMPERATURE);
    SetFocus(temperature);
    Type(IDC_TEMPERATURE, L"350");
    PostKey(temperature, VK_ESCAPE);
    ASSERT_TRUE(Pump(100));
    EXPECT_NE(panel_.window(), nullptr);
    EXPECT_EQ(Text(IDC_TEMPERATURE), L"350");
    EXPECT_EQ(panel_.fields().settings().temperature, 350);
    EXPECT_EQ(EnabledInputs(), AllInputs());

    // A click on the drawing, away from every box, keeps them too.
    const std::wstring hall = Text(IDC_HALL_VOLTAGE);
    PostMessageW(panel_.layout().picture(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(400, 300));
    PostMessageW(panel_.layout().picture(), WM_LBUTTONUP, 0, MAKELPARAM(400, 300));
    ASSERT_TRUE(Pump(100));
    EXPECT_EQ(Text(IDC_TEMPERATURE), L"350");
    EXPECT_EQ(panel_.fields().settings().temperature, 350);
    EXPECT_EQ(Text(IDC_HALL_VOLTAGE), hall);
    EXPECT_EQ(EnabledInputs(), AllInputs());

    PostKey(temperature, VK_F4, kAlt);
    EXPECT_FALSE(Pump(1000)) << "Alt+F4 did not close the panel";
    HoldModifiers(kNoModifiers);
    EXPECT_EQ(quitCode_, IDCANCEL);
    EXPECT_EQ(ReadFileBytes(ParameterPath()), EncodeParameterFile(TableWithOneChange()).bytes);
    EXPECT_TRUE(catcher.boxes().empty());
}

TEST_F(Panel, KeyboardEnterLeavesTheBoxAndTabDoesNotMove) {
    Start();
    ChooseMaterial();
    HWND temperature = Box(IDC_TEMPERATURE);
    // Read-only until focused, writable while focused, read-only again after.
    EXPECT_TRUE(GetWindowLongPtrW(temperature, GWL_STYLE) & ES_READONLY);
    SetFocus(temperature);
    Pump(0);
    EXPECT_FALSE(GetWindowLongPtrW(temperature, GWL_STYLE) & ES_READONLY);

    MSG tab = {temperature, WM_KEYDOWN, VK_TAB, 0, 0, {0, 0}};
    EXPECT_FALSE(loop_.Filter(tab));
    EXPECT_EQ(GetFocus(), temperature);

    MSG enter = {temperature, WM_KEYDOWN, VK_RETURN, 0, 0, {0, 0}};
    EXPECT_FALSE(loop_.Filter(enter));
    EXPECT_EQ(GetFocus(), panel_.window());
    EXPECT_TRUE(GetWindowLongPtrW(temperature, GWL_STYLE) & ES_READONLY);

    for (int id :
         {IDC_SAMPLE_CURRENT_MIN, IDC_SAMPLE_CURRENT_MAX, IDC_MAGNET_CURRENT_MIN, IDC_MAGNET_CURRENT_MAX}) {
        SCOPED_TRACE(id);
        EXPECT_TRUE(GetWindowLongPtrW(Box(id), GWL_STYLE) & ES_READONLY);
        SetFocus(Box(id));
        EXPECT_FALSE(GetWindowLongPtrW(Box(id), GWL_STYLE) & ES_READONLY);
        SetFocus(panel_.window());
        EXPECT_TRUE(GetWindowLongPtrW(Box(id), GWL_STYLE) & ES_READONLY);
    }
}

// F6 and Shift+F6 take the keyboard from box to box in the order the apparatus
// is read, round at the ends, each box with its text selected for typing over;
// a locked panel keeps it in the box to put right. Tab still moves nothing.
TEST_F(Panel, F6AndShiftF6StepThroughTheBoxesInReadingOrder) {
    MessageBoxCatcher catcher;
    // Each box, and after a box the controls that set it: T's up-down, then a
    // current's minimum and maximum boxes and its slider.
    const int kOrder[] = {IDC_MATERIAL_NUMBER,     IDC_HALL_FACTOR,        IDC_SAMPLE_LENGTH,
                          IDC_SAMPLE_WIDTH,        IDC_SAMPLE_THICKNESS,   IDC_CONTACT_WIDTH,
                          IDC_CONTACT_SPACING,     IDC_TEMPERATURE,        IDC_TEMPERATURE_SPIN,
                          IDC_SAMPLE_CURRENT,      IDC_SAMPLE_CURRENT_MIN, IDC_SAMPLE_CURRENT_MAX,
                          IDC_SAMPLE_CURRENT_SLIDER, IDC_MAGNET_CURRENT,   IDC_MAGNET_CURRENT_MIN,
                          IDC_MAGNET_CURRENT_MAX,  IDC_MAGNET_CURRENT_SLIDER};
    const std::set<int> kNotBoxes = {IDC_TEMPERATURE_SPIN, IDC_SAMPLE_CURRENT_SLIDER, IDC_MAGNET_CURRENT_SLIDER};
    const int count = static_cast<int>(std::size(kOrder));
    const int temperature = 7;
    auto press = [&](bool shift) {
        PostKey(GetFocus() ? GetFocus() : panel_.window(), VK_F6, shift ? kShift : kNoModifiers);
        Pump(0);
        HoldModifiers(kNoModifiers);
    };
    Start();
    // Before a material only the material box is open: F6 keeps the focus there.
    press(false);
    EXPECT_EQ(GetFocus(), Box(IDC_MATERIAL_NUMBER));

    ChooseMaterial();
    for (int k = 1; k <= count; ++k) {
        press(false);
        SCOPED_TRACE(k);
        const int id = kOrder[k % count];
        ASSERT_EQ(GetFocus(), Box(id)) << "F6 did not reach control " << id;
        if (kNotBoxes.count(id)) continue;
        const LRESULT selection = SendMessageW(Box(id), EM_GETSEL, 0, 0);
        EXPECT_EQ(LOWORD(selection), 0);
        EXPECT_EQ(HIWORD(selection), Text(id).size());
    }
    // T, reached by Shift+F6, takes typing as it does after a click.
    for (int k = 0; k < count - temperature; ++k) press(true);
    ASSERT_EQ(GetFocus(), Box(IDC_TEMPERATURE));
    EXPECT_FALSE(GetWindowLongPtrW(Box(IDC_TEMPERATURE), GWL_STYLE) & ES_READONLY);
    for (int k = 1; k <= count; ++k) {
        press(true);
        SCOPED_TRACE(k);
        const int id = kOrder[(temperature - k + 2 * count) % count];
        ASSERT_EQ(GetFocus(), Box(id)) << "Shift+F6 did not reach control " << id;
    }
    press(true);
    EXPECT_EQ(GetFocus(), Box(IDC_CONTACT_SPACING));
    EXPECT_TRUE(GetWindowLongPtrW(Box(IDC_TEMPERATURE), GWL_STYLE) & ES_READONLY);

    // From a slider the walk goes on to the next box; from a range box back
    // to its own value box.
    SetFocus(Box(IDC_SAMPLE_CURRENT_SLIDER));
    press(false);
    EXPECT_EQ(GetFocus(), Box(IDC_MAGNET_CURRENT));
    SetFocus(Box(IDC_MAGNET_CURRENT_MIN));
    press(true);
    EXPECT_EQ(GetFocus(), Box(IDC_MAGNET_CURRENT));
    // From the panel itself (Enter ends the editing of a box) to the first or the last.
    SetFocus(panel_.window());
    press(false);
    EXPECT_EQ(GetFocus(), Box(IDC_MATERIAL_NUMBER));
    SetFocus(panel_.window());
    press(true);
    EXPECT_EQ(GetFocus(), Box(IDC_MAGNET_CURRENT_SLIDER));

    // Locked by a bad length: the focus stays in the length box either way,
    // and the lock is as it was.
    SetFocus(Box(IDC_SAMPLE_LENGTH));
    Type(IDC_SAMPLE_LENGTH, L"0");
    press(false);
    EXPECT_EQ(GetFocus(), Box(IDC_SAMPLE_LENGTH));
    press(true);
    EXPECT_EQ(GetFocus(), Box(IDC_SAMPLE_LENGTH));
    EXPECT_EQ(EnabledInputs(), std::set<int>{IDC_SAMPLE_LENGTH});
    Type(IDC_SAMPLE_LENGTH, L"1000");
    EXPECT_EQ(EnabledInputs(), AllInputs());
    EXPECT_TRUE(catcher.boxes().empty());
}

TEST_F(Panel, ClosingSavesTheTableAndEndsTheLoopWithTheCommandId) {
    MessageBoxCatcher catcher;
    Start();
    ChooseMaterial();
    ASSERT_TRUE(ChangeTableCell(panel_.window(), 0, 1, L"2e16"));
    Type(IDC_HALL_FACTOR, L"9");  // a pending warning must not survive the close

    SendMessageW(panel_.window(), WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    EXPECT_EQ(panel_.window(), nullptr);
    EXPECT_FALSE(PumpPastTheWarning());
    EXPECT_EQ(quitCode_, IDCANCEL);
    EXPECT_TRUE(catcher.boxes().empty());
    EXPECT_EQ(ReadFileBytes(ParameterPath()), EncodeParameterFile(TableWithOneChange()).bytes);
}

TEST_F(Panel, TheEndOfTheSessionSavesTheTableAsACloseDoes) {
    MessageBoxCatcher catcher;
    Start();
    ChooseMaterial();
    const std::vector<unsigned char> before = ReadFileBytes(ParameterPath());
    ASSERT_TRUE(ChangeTableCell(panel_.window(), 0, 1, L"2e16"));
    Type(IDC_HALL_FACTOR, L"9");  // a pending warning must not show as the session ends

    EXPECT_EQ(SendMessageW(panel_.window(), WM_QUERYENDSESSION, 0, 0), TRUE);
    EXPECT_EQ(ReadFileBytes(ParameterPath()), before) << "asked, not yet ending";
    // A session that goes on after all saves nothing.
    SendMessageW(panel_.window(), WM_ENDSESSION, FALSE, 0);
    EXPECT_EQ(ReadFileBytes(ParameterPath()), before);
    SendMessageW(panel_.window(), WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF);
    EXPECT_EQ(ReadFileBytes(ParameterPath()), EncodeParameterFile(TableWithOneChange()).bytes);
    EXPECT_EQ(panel_.fields().rangeWarning().timerId, 0u);
    PumpPastTheWarning();
    EXPECT_TRUE(catcher.boxes().empty());

    // A save that fails as the session ends tells nothing and keeps the file.
    Type(IDC_HALL_FACTOR, L"1");
    ASSERT_TRUE(ChangeTableCell(panel_.window(), 1, 1, L"3e16"));
    const std::vector<unsigned char> previous = EncodeParameterFile(DefaultTable(5)).bytes;
    ASSERT_TRUE(WriteFileBytes(ParameterPath(), previous));
    UniqueHandle holder(CreateFileW(ParameterPath().c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(holder.valid());
    SendMessageW(panel_.window(), WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF);
    holder.Reset();
    EXPECT_TRUE(catcher.boxes().empty());
    EXPECT_EQ(ReadFileBytes(ParameterPath()), previous);
}

// Two copies on one table (the second start is stopped now, but a copy on
// another computer of a shared folder is not): the one that changed nothing
// writes nothing, so the other's saved edit stays. Neither does a pass through
// the editor that ends with Cancel, or with OK and no edit.
TEST_F(Panel, AnUnchangedTableIsNotWrittenAtCloseAndAnotherCopysSaveStays) {
    MessageBoxCatcher catcher;
    Start();
    SetExample();
    DialogScript script;
    EnterPassword(script, kEditorPassword);
    EditCell(script, 0, 1, L"5e16");
    Press(script, Table, IDCANCEL);
    EnterPassword(script, kEditorPassword);
    Press(script, Table, IDOK);
    OpenParameterEditor(panel_.window());
    OpenParameterEditor(panel_.window());
    ASSERT_TRUE(script.failures().empty()) << script.failures().front();
    ASSERT_TRUE(script.finished());

    // The other copy closes with its edit.
    const std::vector<unsigned char> saved = EncodeParameterFile(TableWithOneChange()).bytes;
    ASSERT_TRUE(WriteFileBytes(ParameterPath(), saved));

    SendMessageW(panel_.window(), WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    EXPECT_FALSE(Pump(0));
    EXPECT_EQ(quitCode_, IDCANCEL);
    EXPECT_TRUE(catcher.boxes().empty());
    EXPECT_EQ(ReadFileBytes(ParameterPath()), saved);
    EXPECT_FALSE(FileExists(ParameterPath() + L".new"));
}

// A teacher may mark the file read-only so that the table stays as prepared:
// a run that changes nothing leaves it so and says nothing, at every close.
TEST_F(Panel, AReadOnlyFileIsLeftAsItIsAndNothingIsToldWhenTheTableIsUnchanged) {
    const std::vector<unsigned char> prepared = EncodeParameterFile(TableWithOneChange()).bytes;
    ASSERT_TRUE(WriteFileBytes(ParameterPath(), prepared));
    ReadOnlyParameterFile readOnly;
    ASSERT_TRUE(readOnly.ok);
    MessageBoxCatcher catcher;
    Start();
    SetExample();
    EXPECT_EQ(panel_.table().columns[kNd].entries[0], 2e16);

    SendMessageW(panel_.window(), WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    EXPECT_FALSE(Pump(0));
    EXPECT_TRUE(catcher.boxes().empty());
    EXPECT_EQ(ReadFileBytes(ParameterPath()), prepared);
    EXPECT_TRUE(readOnly.StillReadOnly()) << "replaced by a writable file";
}

// A change that cannot be kept is told, and the read-only file stays.
TEST_F(Panel, AChangedTableThatCannotReplaceAReadOnlyFileIsTold) {
    const std::vector<unsigned char> prepared = ReadFileBytes(ParameterPath());
    ReadOnlyParameterFile readOnly;
    ASSERT_TRUE(readOnly.ok);
    MessageBoxCatcher catcher;
    Start();
    ASSERT_TRUE(ChangeTableCell(panel_.window(), 0, 1, L"2e16"));

    SendMessageW(panel_.window(), WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    EXPECT_FALSE(Pump(0));
    ASSERT_EQ(catcher.boxes().size(), 1u);
    EXPECT_EQ(catcher.boxes()[0].caption, kCaption);
    EXPECT_EQ(catcher.boxes()[0].text, L"The file of parameters cannot be open.\nParameters will not be written.");
    EXPECT_EQ(catcher.boxes()[0].icon, Icon::information);
    EXPECT_EQ(ReadFileBytes(ParameterPath()), prepared);
    EXPECT_TRUE(readOnly.StillReadOnly());
    EXPECT_FALSE(FileExists(ParameterPath() + L".new"));
}

TEST_F(Panel, AFileThatCouldNotBeUsedAtStartIsKeptAsTheBackupAtClose) {
    const std::vector<unsigned char> damaged = {0x65, 0, 0, 0, 1, 2, 3};
    const std::wstring backup = ParameterPath() + L".bak";
    DeleteFileW(backup.c_str());
    ASSERT_TRUE(WriteFileBytes(ParameterPath(), damaged));
    MessageBoxCatcher catcher;
    Start();
    ASSERT_EQ(catcher.boxes().size(), 1u);
    EXPECT_EQ(catcher.boxes()[0].text, L"The file of parameters is damaged.\nThe default parameters are used.");

    SendMessageW(panel_.window(), WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    EXPECT_FALSE(Pump(0));
    EXPECT_EQ(catcher.boxes().size(), 1u);
    EXPECT_EQ(ReadFileBytes(ParameterPath()), EncodeParameterFile(DefaultTable()).bytes);
    EXPECT_EQ(ReadFileBytes(backup), damaged);
    DeleteFileW(backup.c_str());
}

TEST_F(Panel, AFileOfNoMaterialsIsTakenAsDamaged) {
    ASSERT_TRUE(WriteFileBytes(ParameterPath(), EncodeParameterFile(DefaultTable(0)).bytes));
    MessageBoxCatcher catcher;
    Start();
    ASSERT_EQ(catcher.boxes().size(), 1u);
    EXPECT_EQ(catcher.boxes()[0].text, L"The file of parameters is damaged.\nThe default parameters are used.");
    EXPECT_EQ(panel_.table().materialCount, 100);
    ChooseMaterial(L"100");
    EXPECT_EQ(panel_.table().materialNumber, 100);
    EXPECT_EQ(EnabledInputs(), AllInputs());
}

namespace {

LONG exceptionsRaised = 0;

LONG CALLBACK CountException(EXCEPTION_POINTERS*) {
    ++exceptionsRaised;
    return EXCEPTION_CONTINUE_SEARCH;
}

}  // namespace

// A modeless dialog destroyed with its window still open must not let the
// window reach a message map whose object is already gone.
TEST_F(Panel, ADialogObjectDestroyedWithItsWindowOpenLeavesNoWindowBehind) {
    struct Counting : ModelessDialog {
        int* messages;
        explicit Counting(int* count) : messages(count) {}
        LRESULT HandleMessage(const Message&, bool& handled) override {
            ++*messages;
            handled = false;
            return 0;
        }
    };
    // A call through a vtable whose slot is pure faults; the system may
    // swallow a fault inside a window procedure, so every exception raised
    // meanwhile is counted as it is raised.
    exceptionsRaised = 0;
    PVOID watcher = AddVectoredExceptionHandler(1, CountException);
    int messages = 0;
    HWND window = nullptr;
    {
        Counting dialog(&messages);
        ASSERT_TRUE(dialog.Create(IDD_ABOUT, nullptr));
        window = dialog.window();
        ASSERT_TRUE(IsWindow(window));
    }
    RemoveVectoredExceptionHandler(watcher);
    EXPECT_FALSE(IsWindow(window));
    EXPECT_GT(messages, 0);
    EXPECT_EQ(exceptionsRaised, 0);
}

TEST_F(Panel, FirstStartTellsAboutTheMissingFileBeforeThePanelAppears) {
    DeleteFileW(ParameterPath().c_str());
    MessageBoxCatcher catcher;
    Start();
    ASSERT_EQ(catcher.boxes().size(), 1u);
    EXPECT_EQ(catcher.boxes()[0].text,
              L"The file of parameters does not open.\nMaybe it does not exist yet? ---> Will be!");
    EXPECT_EQ(catcher.boxes()[0].caption, kCaption);
    EXPECT_FALSE(catcher.boxes()[0].hasOwner);
    EXPECT_EQ(catcher.boxes()[0].otherVisibleWindows, 0);  // the panel is not on the screen yet
    EXPECT_TRUE(IsWindowVisible(panel_.window()));
    EXPECT_EQ(panel_.table().materialCount, 100);

    // Unchanged as it is, the table the first run worked with is saved at
    // close: the next start finds it.
    SendMessageW(panel_.window(), WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    EXPECT_FALSE(Pump(0));
    EXPECT_EQ(catcher.boxes().size(), 1u);
    EXPECT_EQ(ReadFileBytes(ParameterPath()), EncodeParameterFile(DefaultTable()).bytes);
}

TEST_F(Panel, ASmallTableAcceptsOnlyItsOwnMaterials) {
    ASSERT_TRUE(WriteFileBytes(ParameterPath(), EncodeParameterFile(DefaultTable(5)).bytes));
    MessageBoxCatcher catcher;
    Start();
    ChooseMaterial(L"5");
    EXPECT_EQ(panel_.table().materialNumber, 5);
    ChooseMaterial(L"6");
    EXPECT_EQ(panel_.table().materialNumber, 5);
    EXPECT_EQ(EnabledInputs(), std::set<int>{IDC_MATERIAL_NUMBER});
    PumpPastTheWarning();
    ASSERT_EQ(catcher.boxes().size(), 1u);
    EXPECT_EQ(catcher.boxes()[0].text, L"Invalid set of parameters.\nValid range: [1, 100].");
}
