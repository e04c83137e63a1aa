// Context help and the caption help button, on the real panel.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "dialog_script.h"
#include "help/caption_button.h"
#include "help/help_launcher.h"
#include "help/text_popup.h"
#include "panel_fixture.h"
#include "res/resource.h"
#include "scratch_folder.h"

namespace {

class Help : public PanelFixture {
protected:
    // The button's place is computed when the frame is painted.
    RECT ButtonRectOnScreen() {
        SendMessageW(panel_.window(), WM_NCPAINT, 1, 0);
        RECT window;
        GetWindowRect(panel_.window(), &window);
        RECT r = panel_.help().helpButton().rect;
        OffsetRect(&r, window.left, window.top);
        return r;
    }

    // A press in the frame. A press on the caption that misses the button goes
    // on to the system, which would start moving the window and wait for the
    // button to come up; the tests name no hit area for it.
    void PressFrame(POINT screen, WPARAM hit = HTCAPTION) {
        SendMessageW(panel_.window(), WM_NCLBUTTONDOWN, hit, MAKELPARAM(screen.x, screen.y));
    }

    void PressButton() {
        RECT r = ButtonRectOnScreen();
        PressFrame({r.left + 3, r.top + 3});
    }

    // A left-button press on a control, through the program's message filter.
    bool PressOn(int id) {
        HWND control = Box(id);
        MSG press = {control, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5), 0, {0, 0}};
        return loop_.Filter(press);
    }
};

COLORREF Pixel(HDC dc, int x, int y) {
    return GetPixel(dc, x, y);
}

}  // namespace

TEST(CaptionButtonRect, SitsLeftOfTheSystemButtons) {
    const CaptionMetrics metrics = {18, 18, 19, 4};
    const int width = 660;
    // Caption, system menu and minimise box, as the panel has: 16 x 14 from y 5 to 19.
    RECT r = CaptionButtonRect(1, metrics, width, WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX);
    EXPECT_EQ(r.left, width - 4 * 18 - 1);
    EXPECT_EQ(r.right, width - 3 * 18 - 3);
    EXPECT_EQ(r.top, 5);
    EXPECT_EQ(r.bottom, 19);
    EXPECT_EQ(r.right - r.left, 16);
    EXPECT_EQ(r.bottom - r.top, 14);
    // A second button lies one button further left.
    EXPECT_EQ(CaptionButtonRect(2, metrics, width, WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX).right,
              r.right - 18);
    // A system menu alone leaves room for the close button only; a bare caption none.
    EXPECT_EQ(CaptionButtonRect(1, metrics, width, WS_CAPTION | WS_SYSMENU).right, width - 2 * 18 - 2);
    EXPECT_EQ(CaptionButtonRect(1, metrics, width, WS_CAPTION).right, width - 18 - 2);
}

TEST(CaptionButtonFrame, IsRaisedWhileOffAndSunkenWhileOn) {
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, 40, 40);
    ReleaseDC(nullptr, screen);
    HGDIOBJ old = SelectObject(dc, bitmap);

    CaptionHelpButton button;
    button.rect = {10, 10, 26, 24};  // 16 x 14
    DrawCaptionButtonFrame(button, dc);
    EXPECT_EQ(Pixel(dc, 10, 10), RGB(235, 235, 235));  // outer top-left
    EXPECT_EQ(Pixel(dc, 25, 12), RGB(0, 0, 0));        // outer right column
    EXPECT_EQ(Pixel(dc, 12, 23), RGB(0, 0, 0));        // outer bottom row
    EXPECT_EQ(Pixel(dc, 11, 11), RGB(235, 235, 235));  // inner top-left
    EXPECT_EQ(Pixel(dc, 24, 12), RGB(150, 150, 150));  // inner right column
    EXPECT_EQ(Pixel(dc, 12, 22), RGB(150, 150, 150));  // inner bottom row

    button.on = true;
    DrawCaptionButtonFrame(button, dc);
    EXPECT_EQ(Pixel(dc, 10, 10), RGB(0, 0, 0));
    EXPECT_EQ(Pixel(dc, 25, 12), RGB(255, 255, 255));
    EXPECT_EQ(Pixel(dc, 12, 23), RGB(255, 255, 255));
    EXPECT_EQ(Pixel(dc, 11, 11), RGB(150, 150, 150));
    // Shrunk at left and top only: the inner bottom-right lies on the outer one.
    EXPECT_EQ(Pixel(dc, 25, 23), RGB(255, 255, 255));

    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
}

TEST(HelpComponent, AMissingComponentFailsOnceAndIsNeverTriedAgain) {
    SetHelpComponentSource(
        {"CLSID\\{00000000-0000-0000-0000-00000000DEAD}\\InprocServer32", L"no-such-help.ocx"});
    EXPECT_EQ(CallHtmlHelp(nullptr, nullptr, kHelpDisplayTopic, 0), nullptr);
    EXPECT_TRUE(HelpComponentFailed());
    EXPECT_EQ(HelpComponentLoadAttempts(), 1);
    EXPECT_EQ(CallHtmlHelp(nullptr, nullptr, kHelpDisplayTopic, 0), nullptr);
    EXPECT_EQ(CallHtmlHelp(nullptr, L"x.chm", kHelpDisplayTopic, 0), nullptr);
    EXPECT_EQ(HelpComponentLoadAttempts(), 1);

    // Without the registry's entry the component is loaded by name.
    SetHelpComponentSource({"CLSID\\{00000000-0000-0000-0000-00000000DEAD}\\InprocServer32", L"hhctrl.ocx"});
    const UINT kCloseAll = 0x0012;  // HH_CLOSE_ALL
    CallHtmlHelp(nullptr, nullptr, kCloseAll, 0);
    EXPECT_FALSE(HelpComponentFailed());
    EXPECT_EQ(HelpComponentLoadAttempts(), 1);
}

TEST(HelpComponent, PagesLieInAHelpFolderBesideTheFile) {
    EXPECT_EQ(HelpPagesPath(L"C:\\Lab\\Prog.chm"), L"C:\\Lab\\help\\index.html");
}

TEST_F(Help, TheCaptionButtonSwitchesHelpModeOnAndOff) {
    Start();
    EXPECT_EQ(panel_.help().helpButton().position, 1);
    EXPECT_FALSE(panel_.help().helpMode());

    PressButton();
    EXPECT_TRUE(panel_.help().helpButton().on);
    EXPECT_TRUE(panel_.help().helpMode());
    PressButton();
    EXPECT_FALSE(panel_.help().helpButton().on);
    EXPECT_FALSE(panel_.help().helpMode());

    // A press elsewhere in the frame switches it off and goes on as usual.
    PressButton();
    RECT r = ButtonRectOnScreen();
    PressFrame({r.left - 40, r.top + 3}, HTNOWHERE);
    EXPECT_FALSE(panel_.help().helpMode());

    // While the mode is on the cursor is the help cursor.
    SendMessageW(panel_.window(), kCaptionButtonNotify, 1, 1);
    EXPECT_TRUE(panel_.help().helpMode());
    EXPECT_EQ(SendMessageW(panel_.window(), WM_SETCURSOR, reinterpret_cast<WPARAM>(panel_.window()),
                           MAKELPARAM(HTCLIENT, WM_MOUSEMOVE)),
              TRUE);
    EXPECT_EQ(GetCursor(), LoadCursorW(nullptr, IDC_HELP));
    SendMessageW(panel_.window(), kCaptionButtonNotify, 1, 0);
}

// A quick second press arrives in the frame as a double click; on the button
// it is a press like the first.
TEST_F(Help, AQuickSecondPressOnTheCaptionButtonSwitchesHelpModeOffAgain) {
    Start();
    RECT r = ButtonRectOnScreen();
    const LPARAM point = MAKELPARAM(r.left + 3, r.top + 3);
    SendMessageW(panel_.window(), WM_NCLBUTTONDOWN, HTCAPTION, point);
    EXPECT_TRUE(panel_.help().helpMode());
    EXPECT_EQ(SendMessageW(panel_.window(), WM_NCLBUTTONDBLCLK, HTCAPTION, point), 0);
    EXPECT_FALSE(panel_.help().helpMode());
    EXPECT_FALSE(panel_.help().helpButton().on);
    // And a third quick one switches it on again.
    SendMessageW(panel_.window(), WM_NCLBUTTONDBLCLK, HTCAPTION, point);
    EXPECT_TRUE(panel_.help().helpMode());
    SendMessageW(panel_.window(), WM_NCLBUTTONDOWN, HTCAPTION, point);
    EXPECT_FALSE(panel_.help().helpMode());
}

TEST_F(Help, APressInHelpModeOnTheMaterialBoxShowsItsPopupAndIsConsumed) {
    Start();
    ChooseMaterial();
    PressButton();
    ASSERT_TRUE(panel_.help().helpMode());
    EXPECT_TRUE(PressOn(IDC_MATERIAL_NUMBER));
    EXPECT_FALSE(panel_.help().helpMode());
    EXPECT_FALSE(panel_.help().helpButton().on);
    // Wine's viewer shows no text pop-ups; the program's own one stands in,
    // at the press point.
    HWND popup = TextPopupWindow();
    ASSERT_NE(popup, nullptr);
    EXPECT_EQ(TextPopupText(), L"The number of the Semiconductor material.");
    EXPECT_TRUE(IsWindowVisible(popup));
    RECT where;
    GetWindowRect(popup, &where);
    POINT press = {5, 5};
    ClientToScreen(Box(IDC_MATERIAL_NUMBER), &press);
    EXPECT_EQ(where.left, press.x);
    EXPECT_EQ(where.top, press.y);
    // The next key closes it.
    SendMessageW(popup, WM_KEYDOWN, VK_SPACE, 0);
    EXPECT_EQ(TextPopupWindow(), nullptr);
}

TEST_F(Help, APressInHelpModeOnAnotherControlShowsNothingAndGoesThrough) {
    Start();
    ChooseMaterial();
    SetFocus(Box(IDC_MATERIAL_NUMBER));
    PressButton();
    PressOn(IDC_HALL_FACTOR);
    EXPECT_FALSE(panel_.help().helpMode());
    EXPECT_EQ(TextPopupWindow(), nullptr);
    // The box got the press: it has the focus now.
    EXPECT_EQ(GetFocus(), Box(IDC_HALL_FACTOR));

    // Out of help mode a press on the material box is an ordinary press.
    EXPECT_FALSE(ShowControlHelp(IDC_HALL_FACTOR, {0, 0}, Box(IDC_HALL_FACTOR)));
    PressOn(IDC_MATERIAL_NUMBER);
    EXPECT_EQ(TextPopupWindow(), nullptr);
}

namespace {

// Counts the messages sent to one window while a hook is in place: what the
// system's default procedure sends on its way shows whether it ran.
int sentMessages = 0;
HWND watchedWindow = nullptr;

LRESULT CALLBACK CountSent(int code, WPARAM wParam, LPARAM lParam) {
    const CWPSTRUCT* sent = reinterpret_cast<const CWPSTRUCT*>(lParam);
    if (code == HC_ACTION && sent->hwnd == watchedWindow) ++sentMessages;
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

}  // namespace

TEST_F(Help, AnUnchangedActivationSkipsTheSystemButRepaintsTheButton) {
    Start();
    watchedWindow = panel_.window();
    HHOOK hook = SetWindowsHookExW(WH_CALLWNDPROC, CountSent, nullptr, GetCurrentThreadId());
    auto activate = [&](BOOL active, int& messages) {
        sentMessages = 0;
        LRESULT result = SendMessageW(panel_.window(), WM_NCACTIVATE, active, 0);
        messages = sentMessages;
        return result;
    };
    int changed = 0, unchanged = 0, again = 0;
    SetRectEmpty(const_cast<RECT*>(&panel_.help().helpButton().rect));
    EXPECT_EQ(activate(FALSE, changed), TRUE);  // whatever the state, now inactive
    EXPECT_EQ(activate(TRUE, changed), TRUE);
    // The button was painted (its place is computed at each paint).
    EXPECT_FALSE(IsRectEmpty(&panel_.help().helpButton().rect));
    SetRectEmpty(const_cast<RECT*>(&panel_.help().helpButton().rect));
    EXPECT_EQ(activate(TRUE, unchanged), TRUE);
    EXPECT_FALSE(IsRectEmpty(&panel_.help().helpButton().rect));
    EXPECT_EQ(activate(TRUE, again), TRUE);
    UnhookWindowsHookEx(hook);
    // A change runs the system's procedure, which sends on its own (under
    // Wine); an unchanged state sends nothing but the message itself.
    EXPECT_GT(changed, 1);
    EXPECT_EQ(unchanged, 1);
    EXPECT_EQ(again, 1);
}

#if defined(TESMOR_FAKE_BROWSER)
namespace {

// A Unix path as Wine shows it: on drive Z:.
std::wstring UnderWine(const char* unixPath) {
    std::wstring path = L"Z:";
    for (const char* p = unixPath; *p; ++p) path += static_cast<wchar_t>(*p == '/' ? '\\' : *p);
    return path;
}

// Wine's browser launcher tries the programs named in its registry: here the
// tests' stand-in, which writes down every page it is asked to open.
class FakeBrowser {
public:
    FakeBrowser() {
        EXPECT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Wine\\WineBrowser", 0, nullptr, 0, KEY_SET_VALUE,
                                  nullptr, &key_, nullptr),
                  ERROR_SUCCESS);
        const std::string browser = TESMOR_FAKE_BROWSER;
        EXPECT_EQ(RegSetValueExA(key_, "Browsers", 0, REG_SZ, reinterpret_cast<const BYTE*>(browser.c_str()),
                                 static_cast<DWORD>(browser.size() + 1)),
                  ERROR_SUCCESS);
        DeleteFileW(log_.c_str());
    }
    ~FakeBrowser() {
        if (!key_) return;
        RegDeleteValueA(key_, "Browsers");
        RegCloseKey(key_);
    }
    FakeBrowser(const FakeBrowser&) = delete;
    FakeBrowser& operator=(const FakeBrowser&) = delete;

    std::string Asked() const {
        const std::vector<unsigned char> bytes = ReadFileBytes(log_);
        return std::string(bytes.begin(), bytes.end());
    }
    // How many times the help's front page was asked for.
    int PagesOpened() const {
        const std::string asked = Asked();
        int count = 0;
        for (size_t at = asked.find("index.html"); at != std::string::npos; at = asked.find("index.html", at + 1)) {
            ++count;
        }
        return count;
    }
    // Waits up to `ms` until `count` pages were asked for; returns how many were.
    int WaitForPages(int count, DWORD ms) const {
        const DWORD start = GetTickCount();
        while (PagesOpened() < count && GetTickCount() - start < ms) Sleep(50);
        return PagesOpened();
    }

private:
    HKEY key_ = nullptr;
    std::wstring log_ = UnderWine(TESMOR_FAKE_BROWSER_LOG);
};

// F1 as a person presses it: through the system's input, which turns it into
// WM_HELP; `repeats` more key-downs before the key comes up, as a held key.
void PressF1(int repeats = 0) {
    std::vector<INPUT> keys(static_cast<size_t>(repeats) + 2);
    for (INPUT& key : keys) {
        key.type = INPUT_KEYBOARD;
        key.ki.wVk = VK_F1;
    }
    keys.back().ki.dwFlags = KEYEVENTF_KEYUP;
    SendInput(static_cast<UINT>(keys.size()), keys.data(), sizeof(INPUT));
}

}  // namespace

TEST(HelpContents, UnderWineThePagesOpenInTheHostsBrowser) {
    ASSERT_TRUE(RunningUnderWine());
    FakeBrowser browser;
    ScratchFolder folder;
    CreateDirectoryW(folder.File(L"help").c_str(), nullptr);
    ASSERT_TRUE(WriteFileBytes(folder.File(L"help\\index.html"), {'<', 'p', '>'}));

    ShowHelpContents(folder.File(L"Prog.chm"));
    EXPECT_EQ(browser.WaitForPages(1, 10000), 1) << browser.Asked();
}

// F1 opens the help wherever it is pressed: in the panel, in its log's window
// and in a dialog over them. A key held down opens it once.
TEST_F(Help, F1OpensTheHelpFromThePanelItsLogAndItsDialogsOncePerPress) {
    ASSERT_TRUE(RunningUnderWine());
    FakeBrowser browser;
    Start();
    const std::wstring pages = HelpPagesPath(files_.helpFilePath());
    const std::wstring pagesFolder = pages.substr(0, pages.find_last_of(L'\\'));
    CreateDirectoryW(pagesFolder.c_str(), nullptr);
    ASSERT_TRUE(WriteFileBytes(pages, {'<', 'p', '>'}));
    const DWORD pause = ExperimentPanel::kHelpKeyPause + 100;
    ChooseMaterial();
    Type(IDC_SAMPLE_CURRENT, L"10");
    panel_.recorder().RecordReading();
    const std::wstring current = Text(IDC_SAMPLE_CURRENT);
    const std::wstring hall = Text(IDC_HALL_VOLTAGE);

    ASSERT_EQ(GetForegroundWindow(), panel_.window());
    PressF1();
    Pump(0);
    EXPECT_EQ(browser.WaitForPages(1, 10000), 1) << browser.Asked();
    Sleep(pause);
    PressF1(5);
    Pump(0);
    EXPECT_EQ(browser.WaitForPages(3, 1500), 2) << browser.Asked();

    SendMessageW(panel_.window(), WM_COMMAND, IDM_MEASUREMENT_LOG, 0);
    Pump(0);
    ASSERT_NE(GetForegroundWindow(), panel_.window());
    Sleep(pause);
    PressF1();
    Pump(0);
    EXPECT_EQ(browser.WaitForPages(3, 10000), 3) << browser.Asked();

    Sleep(pause);
    // In a dialog over them, with a value typed and not yet used.
    std::wstring startAfterF1;
    DialogScript script;
    script.Then("the series dialog is shown, a start typed and F1 pressed", [] {
              HWND series = FindDialogTitled(L"Automatic series");
              if (!series) return false;
              SetDlgItemTextW(series, IDC_SERIES_START, L"150");
              SetFocus(GetDlgItem(series, IDC_SERIES_START));
              PressF1();
              return true;
          })
        .Then("the help asked for", [&] { return browser.PagesOpened() >= 4; })
        .Then("the dialog still open with its start, then cancelled", [&] {
            HWND series = FindDialogTitled(L"Automatic series");
            if (!series) return false;
            startAfterF1 = ReadWindowText(GetDlgItem(series, IDC_SERIES_START));
            PostMessageW(series, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
            return true;
        });
    SendMessageW(panel_.window(), WM_COMMAND, IDM_AUTOMATIC_SERIES, 0);
    EXPECT_TRUE(script.finished());
    EXPECT_TRUE(script.failures().empty());
    EXPECT_EQ(startAfterF1, L"150");
    EXPECT_EQ(browser.PagesOpened(), 4) << browser.Asked();
    // F1 changed nothing the student had typed or recorded.
    EXPECT_EQ(Text(IDC_SAMPLE_CURRENT), current);
    EXPECT_EQ(Text(IDC_HALL_VOLTAGE), hall);
    EXPECT_EQ(panel_.recorder().logStore().log().size(), 1u);

    DeleteFileW(pages.c_str());
    RemoveDirectoryW(pagesFolder.c_str());
}
#endif
