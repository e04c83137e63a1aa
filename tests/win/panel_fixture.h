#pragma once

// The real panel in-process, as the program runs it: texts are set as a user's
// typing sets them (each change raises EN_CHANGE at once), messages are pumped
// through the same filter as the program's loop.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "app/program_files_win.h"
#include "base/module.h"
#include "dialog_script.h"
#include "editor_script.h"
#include "message_box_catcher.h"
#include "numtext/edit_text_win.h"
#include "panel/experiment_panel_win.h"
#include "res/resource.h"
#include "scratch_folder.h"
#include "storage/module_files_win.h"
#include "storage/parameter_codec.h"

inline const std::wstring kCaption = L"Experimental Setup for Hall-Effect Measurement";

// Checks that these are `count` refusals of a wrong password: the stop box
// with the panel's caption, owned by the password dialog.
inline void ExpectRefusals(const std::vector<MessageBoxCatcher::Box>& boxes, size_t count) {
    ASSERT_EQ(boxes.size(), count);
    for (const MessageBoxCatcher::Box& box : boxes) {
        EXPECT_EQ(box.text, L"Sorry, incorrect password.");
        EXPECT_EQ(box.caption, kCaption);
        EXPECT_EQ(box.icon, MessageBoxCatcher::Icon::error);
        EXPECT_TRUE(box.hasOwner);
    }
}

inline std::wstring ParameterPath() {
    std::wstring exe = ModulePath();
    return exe.substr(0, exe.size() - 3) + L"smp";
}

// The measurement log's file beside the tests, and its backup.
inline std::wstring LogPath() {
    std::wstring exe = ModulePath();
    return exe.substr(0, exe.size() - 3) + L"csv";
}

inline void DeleteLogFiles() {
    for (const wchar_t* suffix : {L"", L".new", L".bak", L".2.bak", L".last", L".last.new"})
        DeleteFileW((LogPath() + suffix).c_str());
}

// A step of a dialog script: Escape to the series dialog once its series has
// ended, which closes it.
inline bool EscapeTheSeriesDialogOnceIdle() {
    HWND dialog = FindDialogTitled(L"Automatic series");
    if (!dialog || !IsWindowEnabled(GetDlgItem(dialog, IDOK))) return false;  // still running
    PostKey(GetDlgItem(dialog, IDCANCEL), VK_ESCAPE);
    return true;
}

inline MaterialTable DefaultTable(int count = kMaxMaterials) {
    MaterialTable table;
    table.Initialise();
    table.materialCount = count;
    table.FillDefaults();
    return table;
}

// The inputs that a rejection locks, as the panel switches them.
inline const int kLockable[] = {
    IDC_MATERIAL_NUMBER,       IDC_HALL_FACTOR,        IDC_SAMPLE_LENGTH,      IDC_SAMPLE_WIDTH,
    IDC_SAMPLE_THICKNESS,      IDC_CONTACT_WIDTH,      IDC_CONTACT_SPACING,    IDC_TEMPERATURE,
    IDC_TEMPERATURE_SPIN,      IDC_HALL_VOLTAGE,       IDC_SAMPLE_VOLTAGE,     IDC_SAMPLE_CURRENT,
    IDC_SAMPLE_CURRENT_SLIDER, IDC_SAMPLE_CURRENT_MIN, IDC_SAMPLE_CURRENT_MAX, IDC_MAGNET_CURRENT,
    IDC_MAGNET_CURRENT_SLIDER, IDC_MAGNET_CURRENT_MIN, IDC_MAGNET_CURRENT_MAX,
};

class PanelFixture : public testing::Test {
protected:
    void SetUp() override {
        // A file of 100 default materials, so that start-up shows no message.
        ASSERT_TRUE(WriteFileBytes(ParameterPath(), EncodeParameterFile(DefaultTable()).bytes));
        // Every test starts with an empty measurement log.
        DeleteLogFiles();
        EnterMessageLoop(&loop_);
    }

    void TearDown() override {
        if (panel_.window()) DestroyWindow(panel_.window());
        Pump(0);
        LeaveMessageLoop();
        DeleteFileW(ParameterPath().c_str());
        DeleteLogFiles();
    }

    void Start() {
        panel_.SetRangeWarningDelay(warningDelay_);
        ASSERT_TRUE(panel_.Create());
        ShowWindow(panel_.window(), SW_SHOWNORMAL);
        Pump(0);
    }

    HWND Box(int id) const { return panel_.Control(id); }
    std::wstring Text(int id) const { return ReadWindowText(Box(id)); }
    void Type(int id, const wchar_t* text) { SetWindowTextW(Box(id), text); }

    // Runs the thread's messages as the program's loop does, for `ms`
    // milliseconds (0: until none is waiting). Returns false once WM_QUIT came.
    bool Pump(DWORD ms) {
        const DWORD start = GetTickCount();
        for (;;) {
            MSG message;
            while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
                if (message.message == WM_QUIT) {
                    quitCode_ = static_cast<int>(message.wParam);
                    return false;
                }
                if (loop_.Filter(message)) continue;
                TranslateMessage(&message);
                DispatchMessageW(&message);
            }
            if (GetTickCount() - start >= ms) return true;
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
        }
    }

    std::set<int> EnabledInputs() const {
        std::set<int> enabled;
        for (int id : kLockable) {
            if (IsWindowEnabled(Box(id))) enabled.insert(id);
        }
        return enabled;
    }

    std::set<int> AllInputs() const { return std::set<int>(std::begin(kLockable), std::end(kLockable)); }

    void ChooseMaterial(const wchar_t* number = L"1") { Type(IDC_MATERIAL_NUMBER, number); }

    // The worked example: I = 10 mA and Im = 5 A with the other defaults.
    void SetExample() {
        ChooseMaterial();
        Type(IDC_SAMPLE_CURRENT, L"10");
        Type(IDC_MAGNET_CURRENT, L"5");
    }

    // Runs the thread's messages until a warning started now would have been
    // shown (and a little more).
    bool PumpPastTheWarning() { return Pump(warningDelay_ + 300); }

    MessageLoop loop_;
    ProgramFiles files_;
    ExperimentPanel panel_{files_};
    int quitCode_ = -1;
    // The range warning's delay for this test: short, so that the tests that
    // see a warning come and go do not wait two real seconds each. A test of
    // the delay itself sets ExperimentPanel::kRangeWarningDelay before Start.
    UINT warningDelay_ = 200;
};

// The panel with its log, driven from the keyboard: the modifiers a test
// holds are let go after it.
class LoggingPanelFixture : public PanelFixture {
protected:
    void TearDown() override {
        HoldModifiers(kNoModifiers);
        PanelFixture::TearDown();
    }

    const MeasurementLog& Log() { return panel_.recorder().logStore().log(); }
    std::wstring Status() { return panel_.recorder().logStore().status(); }

    // A key as the keyboard sends it to the window with the focus of `window`.
    void Key(HWND window, UINT key, unsigned modifiers = kNoModifiers) {
        PostKey(window, key, modifiers);
        Pump(0);
        HoldModifiers(kNoModifiers);
    }

    // The example set-up recorded at 300, 310 and 320 K, and the log's window
    // opened with Ctrl+L; null when it did not open.
    MeasurementLogWindow* OpenLogOfThreeReadings() {
        Start();
        SetExample();
        for (const wchar_t* t : {L"300", L"310", L"320"}) {
            Type(IDC_TEMPERATURE, t);
            panel_.recorder().RecordReading();
        }
        Key(Box(IDC_MATERIAL_NUMBER), 'L', kControl);
        return panel_.recorder().logWindow();
    }
};
