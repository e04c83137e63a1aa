// Every window worked by the keyboard alone, as a student or teacher who
// cannot use a mouse works it: Tab and Shift+Tab reach every control that can
// take the focus, the letters and the menus reach every command, and the
// help's keyboard page names every key used here.
#include <algorithm>
#include <fstream>
#include <iterator>
#include <memory>
#include <sstream>

#include "dialog_script.h"
#include "editor_script.h"
#include "panel_fixture.h"
#include "plot/plot_view.h"

namespace {

// The keys this walk presses, as the help's keyboard page writes them: each
// part of a combination in a <kbd> of its own, joined by "+".
const char* const kWalkKeys[] = {
    "Tab",   "Shift+Tab", "Enter",     "Esc",      "F6",    "Shift+F6", "F9",    "Ctrl+L", "Alt+M",
    "R",     "L",         "S",         "Right",    "Up",    "Down",     "Alt+Space", "Alt+F", "Alt+C",
    "Alt+P", "Alt+D",     "Alt+U",     "Alt+X",    "Alt+Y", "Alt+V",    "Alt+T", "Alt+S",  "Delete",
    "Ctrl+A", "F2",       "Alt+Right", "Alt+Left", "End",
};

// The children of a window that the keyboard must be able to reach: shown,
// enabled, and able to take the focus (not a text, a picture, a group box or
// a progress bar).
std::set<int> FocusableChildren(HWND window) {
    std::set<int> children;
    for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        if (!IsWindowVisible(child) || !IsWindowEnabled(child)) continue;
        wchar_t className[64] = {};
        GetClassNameW(child, className, 64);
        if (_wcsicmp(className, L"Static") == 0 || _wcsicmp(className, PROGRESS_CLASSW) == 0) continue;
        const LONG_PTR style = GetWindowLongPtrW(child, GWL_STYLE);
        if (_wcsicmp(className, L"Button") == 0 && (style & 0x0F) == BS_GROUPBOX) continue;
        if (!(style & WS_TABSTOP) && _wcsicmp(className, L"Button") != 0) continue;
        children.insert(GetDlgCtrlID(child));
    }
    return children;
}

// The id of the control of `dialog` that holds the focus (0: none).
int FocusIn(HWND dialog) {
    HWND focus = GetFocus();
    while (focus && GetParent(focus) != dialog && focus != dialog) focus = GetParent(focus);
    return focus && focus != dialog ? GetDlgCtrlID(focus) : 0;
}

class KeyboardWalk : public LoggingPanelFixture {
protected:
    // Runs the thread's messages until the script has ended or failed.
    void RunScript(const DialogScript& script) {
        for (int k = 0; k < 600 && !script.finished() && script.failures().empty(); ++k) Pump(20);
    }

    // Presses Tab (or Shift+Tab) in the modeless window until the focus comes
    // back to where it started; the controls it went through.
    std::set<int> TabRound(HWND window, unsigned modifiers) {
        std::set<int> seen;
        const int start = FocusIn(window);
        for (int press = 0; press < 40; ++press) {
            Key(GetFocus(), VK_TAB, modifiers);
            const int now = FocusIn(window);
            if (now == start) break;
            seen.insert(now);
        }
        seen.insert(start);
        return seen;
    }
};

// Steps of a script for a modal dialog: `presses` Tabs (or Shift+Tabs), each
// control focused on the way added to `seen`.
void TabThrough(DialogScript& script, const wchar_t* title, int presses, unsigned modifiers,
                std::set<int>& seen) {
    for (int press = 0; press <= presses; ++press) {
        script.Then("Tab", [=, &seen] {
            HWND dialog = FindDialogTitled(title);
            if (!dialog) return false;
            HoldModifiers(kNoModifiers);
            seen.insert(FocusIn(dialog));
            if (press < presses) PostKey(GetFocus(), VK_TAB, modifiers);
            return true;
        });
    }
}

// A step that presses a key in whatever has the focus.
void Press(DialogScript& script, const char* what, UINT key, unsigned modifiers = kNoModifiers) {
    script.Then(what, [=] {
        HoldModifiers(kNoModifiers);
        PostKey(GetFocus(), key, modifiers);
        return true;
    });
}

bool InMenu() {
    GUITHREADINFO info = {};
    info.cbSize = sizeof info;
    return GetGUIThreadInfo(GetCurrentThreadId(), &info) && (info.flags & GUI_INMENUMODE);
}

// Steps that open a menu of `window` with a key (Alt+letter, Alt+Space) and,
// once it is open, press `keys` in it one after the other.
void MenuKeys(DialogScript& script, HWND window, UINT key, std::vector<UINT> keys) {
    script.Then("open the menu", [=] {
        PostKey(window, key, kAlt);
        return true;
    });
    for (UINT next : keys) {
        script.Then("a key in the menu", [=] {
            HoldModifiers(kNoModifiers);
            if (!InMenu()) return false;
            PostKey(window, next);
            return true;
        });
    }
}

// A step in an open menu: Down, as often as it takes, until the item
// `command` of `menu` is lit, then Enter, as a person who reads the menu does.
void ChooseFromMenu(DialogScript& script, HMENU (*menu)(), UINT command) {
    auto lastLit = std::make_shared<int>(-2);
    script.Then("Down to the item, Enter", [=] {
        HoldModifiers(kNoModifiers);
        if (!InMenu()) return false;
        HMENU items = menu();
        int lit = -1, target = -1;
        for (int k = 0; k < GetMenuItemCount(items); ++k) {
            if (GetMenuState(items, k, MF_BYPOSITION) & MF_HILITE) lit = k;
            if (GetMenuItemID(items, k) == command) target = k;
        }
        if (lit == *lastLit) return false;  // the last Down is still on its way
        *lastLit = lit;
        HWND focus = GetFocus() ? GetFocus() : GetActiveWindow();
        PostKey(focus, lit == target ? VK_RETURN : VK_DOWN);
        return lit == target;
    });
}

// A menu still open when a walk has failed is closed, so that the test ends.
class MenuGuard {
public:
    MenuGuard() : timer_(SetTimer(nullptr, 0, 8000, &MenuGuard::Close)) {}
    ~MenuGuard() { KillTimer(nullptr, timer_); }
    MenuGuard(const MenuGuard&) = delete;
    MenuGuard& operator=(const MenuGuard&) = delete;

private:
    static void CALLBACK Close(HWND, UINT, UINT_PTR, DWORD) { EndMenu(); }

    UINT_PTR timer_;
};

}  // namespace

// The panel: F6 reaches every box and, after a box, the controls that set it
// (the up-down, a current's range boxes and slider), Shift+F6 goes back the
// same way; the up-down's and the slider's own keys then set their value; F9,
// Ctrl+L and the menus' letters reach the measurements; the arrow keys in the
// menus reach About and, in the system menu, the parameters.
TEST_F(KeyboardWalk, ThePanelsBoxesMenusAndKeysReachEveryCommand) {
    Start();
    ChooseMaterial();
    const SliderField& current = panel_.sampleCurrent();
    const SliderField& magnet = panel_.magnetCurrent();
    const HWND kStops[] = {Box(IDC_MATERIAL_NUMBER), Box(IDC_HALL_FACTOR),  Box(IDC_SAMPLE_LENGTH),
                           Box(IDC_SAMPLE_WIDTH),    Box(IDC_SAMPLE_THICKNESS), Box(IDC_CONTACT_WIDTH),
                           Box(IDC_CONTACT_SPACING), Box(IDC_TEMPERATURE),  Box(IDC_TEMPERATURE_SPIN),
                           Box(IDC_SAMPLE_CURRENT),  current.minimumBox.window, current.maximumBox.window,
                           current.track,            Box(IDC_MAGNET_CURRENT), magnet.minimumBox.window,
                           magnet.maximumBox.window, magnet.track};
    const size_t count = std::size(kStops);
    SetFocus(kStops[0]);
    for (size_t k = 1; k <= count; ++k) {
        Key(GetFocus(), VK_F6);
        EXPECT_EQ(GetFocus(), kStops[k % count]) << "F6 number " << k;
    }
    for (size_t k = 1; k <= count; ++k) {
        Key(GetFocus(), VK_F6, kShift);
        EXPECT_EQ(GetFocus(), kStops[(count - k) % count]) << "Shift+F6 number " << k;
    }

    // On the up-down, Up raises the temperature by one kelvin; on a slider,
    // End takes the current to the top of its range once the key is let go.
    SetFocus(Box(IDC_TEMPERATURE_SPIN));
    Key(GetFocus(), VK_UP);
    EXPECT_EQ(Text(IDC_TEMPERATURE), L"301.0");
    SetFocus(current.track);
    Key(GetFocus(), VK_END);
    EXPECT_EQ(Text(IDC_SAMPLE_CURRENT), L"25.0");
    EXPECT_EQ(panel_.fields().settings().sampleCurrent, 25);

    // F9 and the menu's R record; Ctrl+L and the menu's L open the log.
    SetFocus(Box(IDC_MATERIAL_NUMBER));
    Key(GetFocus(), VK_F9);
    EXPECT_EQ(Log().size(), 1u);
    MenuGuard guard;
    HWND panel = panel_.window();
    {
        DialogScript script;
        MenuKeys(script, panel, 'M', {'R'});
        script.Then("recorded", [this] { return !InMenu() && Log().size() == 2; });
        MenuKeys(script, panel, 'M', {'L'});
        script.Then("the log opened", [this] {
            return !InMenu() && panel_.recorder().logWindow() && panel_.recorder().logWindow()->open();
        });
        RunScript(script);
        EXPECT_TRUE(script.finished());
        EXPECT_TRUE(script.failures().empty()) << script.failures().front();
    }
    EXPECT_EQ(Log().size(), 2u) << "Alt+M, R recorded nothing";
    ASSERT_NE(panel_.recorder().logWindow(), nullptr);
    EXPECT_TRUE(panel_.recorder().logWindow()->open()) << "Alt+M, L opened no log";
    Key(GetFocus(), VK_ESCAPE);
    EXPECT_FALSE(panel_.recorder().logWindow()->open());
    Key(Box(IDC_MATERIAL_NUMBER), 'L', kControl);
    EXPECT_TRUE(panel_.recorder().logWindow()->open()) << "Ctrl+L opened no log";
    Key(GetFocus(), VK_ESCAPE);
    SetFocus(Box(IDC_MATERIAL_NUMBER));

    // Alt+M, S: the series dialog, closed with Esc. Alt+M, Right to the Help
    // menu, Down to About, closed with Enter. Alt+Space, Down to
    // "Parameters...": the password dialog, closed with Esc.
    bool series = false, about = false, password = false;
    {
        DialogScript script;
        MenuKeys(script, panel, 'M', {'S'});
        script.Then("the series dialog opened; Esc", [&series] {
            if (!FindDialogTitled(L"Automatic series")) return false;
            series = true;
            PostKey(GetFocus(), VK_ESCAPE);
            return true;
        });
        MenuKeys(script, panel, 'M', {VK_RIGHT});
        ChooseFromMenu(script, [] { return GetSubMenu(GetMenu(FindDialogWith(IDC_PICTURE)), 1); }, IDM_ABOUT);
        script.Then("About opened; Enter", [&about] {
            if (!FindDialogTitled(L"About")) return false;
            about = true;
            PostKey(GetFocus(), VK_RETURN);
            return true;
        });
        MenuKeys(script, panel, VK_SPACE, {});
        ChooseFromMenu(script, [] { return GetSystemMenu(FindDialogWith(IDC_PICTURE), FALSE); }, IDM_PARAMETERS);
        script.Then("the password dialog opened; Esc", [&password] {
            if (!PasswordWindow()) return false;
            password = true;
            PostKey(GetFocus(), VK_ESCAPE);
            return true;
        });
        script.Then("all closed", [] { return !InMenu() && !PasswordWindow() && !FindDialogTitled(L"About"); });
        RunScript(script);
        EXPECT_TRUE(script.finished());
        EXPECT_TRUE(script.failures().empty()) << script.failures().front();
    }
    EXPECT_TRUE(series) << "Alt+M, S opened no series dialog";
    EXPECT_TRUE(about) << "the Help menu's About was not reached";
    EXPECT_TRUE(password) << "the system menu's Parameters... was not reached";
    EXPECT_TRUE(IsWindow(panel_.window()));
    EXPECT_EQ(Log().size(), 2u);
}

// The plot, a tab stop of the log's window, shows that it has the keyboard:
// the system's focus rectangle inside its edge, gone when the focus moves on.
TEST_F(KeyboardWalk, ThePlotShowsWhenItHasTheFocus) {
    MeasurementLogWindow* opened = OpenLogOfThreeReadings();
    ASSERT_NE(opened, nullptr);
    HWND plot = GetDlgItem(opened->window(), IDC_LOG_PLOT);
    ASSERT_NE(plot, nullptr);
    // The pixels of the row where the mark's top edge runs.
    auto edgeRow = [plot] {
        UpdateWindow(plot);
        std::vector<COLORREF> row;
        HDC dc = GetDC(plot);
        for (int x = PlotView::kFocusInset; x < PlotView::kFocusInset + 40; ++x) {
            row.push_back(GetPixel(dc, x, PlotView::kFocusInset));
        }
        ReleaseDC(plot, dc);
        return row;
    };
    const std::vector<COLORREF> without = edgeRow();
    SetFocus(plot);
    Pump(0);
    const std::vector<COLORREF> with = edgeRow();
    size_t marked = 0;
    for (size_t k = 0; k < with.size(); ++k) marked += with[k] != without[k] ? 1 : 0;
    EXPECT_GE(marked, 10u) << "no focus mark on the plot's top edge";
    SetFocus(opened->list());
    Pump(0);
    EXPECT_EQ(edgeRow(), without) << "the focus mark stayed after the focus left";
}

// The log's window: Tab and Shift+Tab go round every control; each button's
// letter presses it, X and Y go to their lists, the arrow keys move in the
// list and in a list of axes.
TEST_F(KeyboardWalk, TabAndTheLettersReachEveryControlOfTheLogWindow) {
    MeasurementLogWindow* opened = OpenLogOfThreeReadings();
    ASSERT_NE(opened, nullptr);
    MeasurementLogWindow& log = *opened;
    HWND window = log.window();
    ASSERT_EQ(GetFocus(), log.list());

    // Delete a row with its key, so that Undo is open too (the list follows
    // the newest row: Up goes to the one before it).
    Key(log.list(), VK_UP);
    Key(log.list(), VK_DELETE);
    EXPECT_EQ(Log().size(), 2u);
    const std::set<int> all = FocusableChildren(window);
    EXPECT_EQ(all, (std::set<int>{IDC_LOG_FIT, IDC_LOG_COPY, IDC_LOG_COPY_PLOT, IDC_LOG_SAVE_PNG, IDC_LOG_SAVE_CSV,
                                  IDC_LOG_DELETE, IDC_LOG_CLEAR, IDC_LOG_UNDO, IDC_LOG_LIST, IDC_LOG_X, IDC_LOG_Y,
                                  IDC_LOG_PLOT}));
    SetFocus(log.list());
    EXPECT_EQ(TabRound(window, kNoModifiers), all);
    EXPECT_EQ(TabRound(window, kShift), all);

    // The letters: each goes to its control (a button is pressed as well).
    Key(GetFocus(), 'X', kAlt);
    EXPECT_EQ(GetFocus(), GetDlgItem(window, IDC_LOG_X));
    const LRESULT x = SendMessageW(GetFocus(), CB_GETCURSEL, 0, 0);
    Key(GetFocus(), VK_DOWN);
    EXPECT_EQ(SendMessageW(GetDlgItem(window, IDC_LOG_X), CB_GETCURSEL, 0, 0), x + 1);
    Key(GetFocus(), 'Y', kAlt);
    EXPECT_EQ(GetFocus(), GetDlgItem(window, IDC_LOG_Y));
    Key(GetFocus(), 'U', kAlt);
    EXPECT_EQ(Log().size(), 3u) << "Alt+U undid nothing";
    Key(GetFocus(), 'C', kAlt);
    EXPECT_EQ(GetFocus(), GetDlgItem(window, IDC_LOG_COPY));
    Key(GetFocus(), 'F', kAlt);
    EXPECT_EQ(GetFocus(), GetDlgItem(window, IDC_LOG_FIT));
    for (const auto& [letter, id] : {std::pair<char, int>{'P', IDC_LOG_COPY_PLOT}, {'D', IDC_LOG_DELETE}}) {
        SetFocus(log.list());
        Key(GetFocus(), letter, kAlt);
        EXPECT_EQ(GetFocus(), GetDlgItem(window, id)) << letter;
    }
    EXPECT_EQ(Log().size(), 2u) << "Alt+D deleted nothing";
    Key(GetFocus(), 'U', kAlt);
    EXPECT_EQ(Log().size(), 3u);
    // The list: the arrow keys move its focused row, Ctrl+A selects all.
    SetFocus(log.list());
    ListView_SetItemState(log.list(), -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
    ListView_SetItemState(log.list(), 0, LVIS_FOCUSED, LVIS_FOCUSED);
    Key(log.list(), VK_DOWN);
    EXPECT_EQ(ListView_GetNextItem(log.list(), -1, LVNI_FOCUSED), 1);
    Key(log.list(), VK_UP);
    EXPECT_EQ(ListView_GetNextItem(log.list(), -1, LVNI_FOCUSED), 0);
    Key(log.list(), 'A', kControl);
    EXPECT_EQ(ListView_GetSelectedCount(log.list()), 3u);
    Key(log.list(), VK_ESCAPE);
    EXPECT_FALSE(log.open());
}

// The series dialog: Tab goes round every open control in either way, the
// arrow keys choose the way, and each label's letter reaches its box.
TEST_F(KeyboardWalk, TabTheArrowsAndTheLettersReachEveryControlOfTheSeriesDialog) {
    Start();
    SetExample();
    const wchar_t* kTitle = L"Automatic series";
    std::set<int> byStep, byCount, backwards;
    std::vector<std::pair<char, int>> letters;
    std::wstring chosenWays;  // the way checked after each letter
    DialogScript script;
    script.Then("the dialog opens in steps", [&] {
        HWND dialog = FindDialogTitled(kTitle);
        if (!dialog) return false;
        CheckRadioButton(dialog, IDC_SERIES_BY_STEP, IDC_SERIES_BY_COUNT, IDC_SERIES_BY_STEP);
        SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDC_SERIES_BY_STEP, BN_CLICKED), 0);
        return true;
    });
    TabThrough(script, kTitle, 8, kNoModifiers, byStep);
    script.Then("to the way", [&] {
        HWND dialog = FindDialogTitled(kTitle);
        SetFocus(GetDlgItem(dialog, IDC_SERIES_BY_STEP));
        PostKey(GetFocus(), VK_DOWN);
        return true;
    });
    TabThrough(script, kTitle, 8, kNoModifiers, byCount);
    TabThrough(script, kTitle, 8, kShift, backwards);
    for (const char key : {'V', 'F', 'T', 'S', 'P'}) {
        Press(script, "a letter", key, kAlt);
        script.Then("where the letter went", [&letters, &chosenWays, key, kTitle] {
            HoldModifiers(kNoModifiers);
            HWND dialog = FindDialogTitled(kTitle);
            letters.emplace_back(key, FocusIn(dialog));
            if (IsDlgButtonChecked(dialog, IDC_SERIES_BY_STEP)) chosenWays += L"S";
            if (IsDlgButtonChecked(dialog, IDC_SERIES_BY_COUNT)) chosenWays += L"P";
            return true;
        });
    }
    Press(script, "Esc", VK_ESCAPE);
    SendMessageW(panel_.window(), WM_COMMAND, IDM_AUTOMATIC_SERIES, 0);
    ASSERT_TRUE(script.failures().empty()) << script.failures().front();
    ASSERT_TRUE(script.finished());
    EXPECT_EQ(FindDialogTitled(kTitle), nullptr);

    // In steps the points' box is greyed, in points the step's box.
    EXPECT_EQ(byStep, (std::set<int>{IDC_SERIES_QUANTITY, IDC_SERIES_START, IDC_SERIES_END, IDC_SERIES_BY_STEP,
                                     IDC_SERIES_STEP, IDOK, IDCANCEL}));
    EXPECT_EQ(byCount, (std::set<int>{IDC_SERIES_QUANTITY, IDC_SERIES_START, IDC_SERIES_END, IDC_SERIES_BY_COUNT,
                                      IDC_SERIES_COUNT, IDOK, IDCANCEL}));
    EXPECT_EQ(backwards, byCount);
    EXPECT_EQ(letters, (std::vector<std::pair<char, int>>{{'V', IDC_SERIES_QUANTITY},
                                                          {'F', IDC_SERIES_START},
                                                          {'T', IDC_SERIES_END},
                                                          {'S', IDC_SERIES_BY_STEP},
                                                          {'P', IDC_SERIES_BY_COUNT}}));
    // The ways' letters choose them: V, F and T leave points chosen.
    EXPECT_EQ(chosenWays, L"PPPSP");
}

// The teacher's way to the table without a mouse: the password typed and
// Enter; in the table Tab goes round the list and the buttons, the arrow keys
// move through the materials, F2 opens the focused material's cell,
// Alt+Right and Alt+Left go along its row, Enter keeps what was typed.
TEST_F(KeyboardWalk, ThePasswordTheTableAndEveryCellAreReachedByKeysAlone) {
    Start();
    DialogScript script;
    std::set<int> passwordSeen, passwordAll, tableSeen, tableAll;
    script.Then("the password dialog", [&] {
        HWND dialog = PasswordWindow();
        if (!dialog) return false;
        passwordAll = FocusableChildren(dialog);
        return true;
    });
    TabThrough(script, L"Experimental Setup for Hall-Effect Measurement", 3, kNoModifiers, passwordSeen);
    script.Then("type the password, Enter", [] {
        HWND dialog = PasswordWindow();
        SetFocus(GetDlgItem(dialog, IDC_PASSWORD));
        SetWindowTextW(GetFocus(), kEditorPassword);
        PostKey(GetFocus(), VK_RETURN);
        return true;
    });
    script.Then("the table", [&] {
        if (!Table()) return false;
        tableAll = FocusableChildren(Table());
        return true;
    });
    TabThrough(script, L"Experimental Setup for Hall-Effect Measurement:  Semiconductor Parameters", 3,
               kNoModifiers, tableSeen);
    int focusedRow = -1;
    script.Then("to the list, Down twice", [&] {
        SetFocus(List());
        ListView_SetItemState(List(), 0, LVIS_FOCUSED | LVIS_SELECTED, LVIS_FOCUSED | LVIS_SELECTED);
        PostKey(List(), VK_DOWN);
        PostKey(List(), VK_DOWN);
        return true;
    });
    script.Then("F2", [&] {
        focusedRow = ListView_GetNextItem(List(), -1, LVNI_FOCUSED);
        PostKey(List(), VK_F2);
        return true;
    });
    script.Then("type into Nd, Alt+Right", [] {
        if (!CellEditorWindow()) return false;
        SetWindowTextW(CellEditorWindow(), L"2e16");
        PostKey(CellEditorWindow(), VK_RIGHT, kAlt);
        return true;
    });
    script.Then("type into Na, Alt+Right, Alt+Left, Alt+Left", [] {
        HoldModifiers(kNoModifiers);
        if (!CellEditorWindow()) return false;
        SetWindowTextW(CellEditorWindow(), L"3e15");
        PostKey(CellEditorWindow(), VK_RIGHT, kAlt);
        PostKey(CellEditorWindow(), VK_LEFT, kAlt);
        PostKey(CellEditorWindow(), VK_LEFT, kAlt);
        return true;
    });
    script.Then("back in Nd: Enter", [] {
        HoldModifiers(kNoModifiers);
        if (!CellEditorWindow()) return false;
        PostKey(CellEditorWindow(), VK_RETURN);
        return true;
    });
    std::wstring nd, na;
    int focusAfterEnter = 0;
    script.Then("Enter again: OK", [&] {
        if (CellEditorWindow()) return false;
        nd = Cell(2, 1);
        na = Cell(2, 2);
        focusAfterEnter = FocusIn(Table());
        PostKey(GetFocus(), VK_RETURN);
        return true;
    });
    OpenParameterEditor(panel_.window());
    HoldModifiers(kNoModifiers);
    ASSERT_TRUE(script.failures().empty()) << script.failures().front();
    ASSERT_TRUE(script.finished());

    EXPECT_EQ(passwordAll, (std::set<int>{IDC_PASSWORD, IDOK, IDCANCEL}));
    EXPECT_EQ(passwordSeen, passwordAll);
    EXPECT_EQ(tableAll, (std::set<int>{IDC_PARAMETER_LIST, IDOK, IDCANCEL}));
    EXPECT_EQ(tableSeen, tableAll);
    EXPECT_EQ(focusedRow, 2);
    EXPECT_EQ(nd, L"2.0e+016");
    EXPECT_EQ(na, L"3.0e+015");
    EXPECT_EQ(focusAfterEnter, IDC_PARAMETER_LIST) << "Enter in a cell left the keyboard nowhere";
    EXPECT_EQ(panel_.table().columns[0].entries[2], 2e16);
    EXPECT_EQ(panel_.table().columns[1].entries[2], 3e15);
}

// The help's keyboard page names every key of the walks above, each part of a
// combination in its own key sign.
TEST(KeyboardPage, NamesEveryKeyTheWalkPresses) {
    std::ifstream file(TESMOR_KEYBOARD_PAGE);
    ASSERT_TRUE(file) << TESMOR_KEYBOARD_PAGE;
    std::stringstream page;
    page << file.rdbuf();
    const std::string text = page.str();
    for (const char* key : kWalkKeys) {
        std::string written;
        std::string name(key);
        // "Shift+Tab" stays one key's name where "+" is the key, never here.
        size_t start = 0;
        for (size_t plus = name.find('+'); plus != std::string::npos; plus = name.find('+', start)) {
            written += "<kbd>" + name.substr(start, plus - start) + "</kbd>+";
            start = plus + 1;
        }
        written += "<kbd>" + name.substr(start) + "</kbd>";
        EXPECT_NE(text.find(written), std::string::npos) << "the page does not name " << key;
    }
}
