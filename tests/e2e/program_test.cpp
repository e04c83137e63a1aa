// The real Tesmor.exe, started as a user starts it and driven from outside:
// message boxes are answered, texts set with WM_SETTEXT (which raises EN_CHANGE
// in the program) and read back with WM_GETTEXT.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "../win/scratch_folder.h"
#include "base/module.h"
#include "base/unique_handle.h"
#include "res/resource.h"
#include "storage/module_files_win.h"
#include "storage/parameter_codec.h"

namespace {

const wchar_t kCaption[] = L"Experimental Setup for Hall-Effect Measurement";
constexpr DWORD kPatience = 20000;  // ms; Wine starts a process in well under a second

// Tesmor.exe is copied beside this test when it is built.
std::wstring BuiltProgram() {
    std::wstring exe = ModulePath();
    return exe.substr(0, exe.find_last_of(L'\\') + 1) + L"e2e\\Tesmor.exe";
}

struct Found {
    DWORD process;
    bool wantPanel;
    HWND window;
};

BOOL CALLBACK FindTopLevel(HWND window, LPARAM context) {
    Found* found = reinterpret_cast<Found*>(context);
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process != found->process || !IsWindowVisible(window)) return TRUE;
    bool isPanel = GetDlgItem(window, IDC_PICTURE) != nullptr;
    bool isMessageBox = GetDlgItem(window, 0xFFFF) != nullptr;
    if ((found->wantPanel && isPanel) || (!found->wantPanel && isMessageBox)) {
        found->window = window;
        return FALSE;
    }
    return TRUE;
}

BOOL CALLBACK FindControl(HWND window, LPARAM context) {
    std::pair<int, HWND>* wanted = reinterpret_cast<std::pair<int, HWND>*>(context);
    if (GetDlgCtrlID(window) == wanted->first) {
        wanted->second = window;
        return FALSE;
    }
    return TRUE;
}

std::wstring TextOf(HWND window) {
    wchar_t text[512] = {};
    SendMessageW(window, WM_GETTEXT, 512, reinterpret_cast<LPARAM>(text));
    return text;
}

class Program {
public:
    explicit Program(const std::wstring& exe, int showCommand = -1) {
        STARTUPINFOW startup = {};
        startup.cb = sizeof startup;
        if (showCommand >= 0) {
            startup.dwFlags = STARTF_USESHOWWINDOW;
            startup.wShowWindow = static_cast<WORD>(showCommand);
        }
        std::wstring commandLine = L"\"" + exe + L"\" ignored arguments";
        PROCESS_INFORMATION info = {};
        started_ = CreateProcessW(exe.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                                  &startup, &info) != FALSE;
        if (started_) {
            process_ = UniqueHandle(info.hProcess);
            CloseHandle(info.hThread);
            id_ = info.dwProcessId;
        }
    }
    ~Program() {
        if (process_ && WaitForSingleObject(process_.get(), 0) == WAIT_TIMEOUT)
            TerminateProcess(process_.get(), 99);
    }

    bool started() const { return started_; }

    HWND WaitFor(bool panel, DWORD patience = kPatience) {
        const DWORD start = GetTickCount();
        while (GetTickCount() - start < patience) {
            Found found = {id_, panel, nullptr};
            EnumWindows(FindTopLevel, reinterpret_cast<LPARAM>(&found));
            if (found.window) return found.window;
            if (WaitForSingleObject(process_.get(), 50) == WAIT_OBJECT_0) return nullptr;
        }
        return nullptr;
    }

    // The exit code, or -1 when the program does not end in time.
    int WaitForExit() {
        if (WaitForSingleObject(process_.get(), kPatience) != WAIT_OBJECT_0) return -1;
        DWORD code = 0;
        GetExitCodeProcess(process_.get(), &code);
        return static_cast<int>(code);
    }

private:
    bool started_ = false;
    UniqueHandle process_;
    DWORD id_ = 0;
};

HWND ControlOf(HWND panel, int id) {
    std::pair<int, HWND> wanted(id, nullptr);
    EnumChildWindows(panel, FindControl, reinterpret_cast<LPARAM>(&wanted));
    return wanted.second;
}

class RealProgram : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(folder_.path().empty());
        ASSERT_TRUE(CopyFileW(BuiltProgram().c_str(), exe_.c_str(), FALSE)) << "no program beside the test";
    }

    ScratchFolder folder_;
    std::wstring exe_ = folder_.File(L"Tesmor.exe");
    std::wstring parameters_ = folder_.File(L"Tesmor.smp");
};

}  // namespace

TEST_F(RealProgram, FirstRunTellsAboutTheFileThenSavesItAtCloseForTheNextRun) {
    {
        Program program(exe_);
        ASSERT_TRUE(program.started());
        HWND box = program.WaitFor(false);
        ASSERT_NE(box, nullptr) << "no message about the missing file";
        EXPECT_EQ(TextOf(box), kCaption);
        EXPECT_EQ(TextOf(GetDlgItem(box, 0xFFFF)),
                  L"The file of parameters does not open.\nMaybe it does not exist yet? ---> Will be!");
        PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);

        HWND panel = program.WaitFor(true);
        ASSERT_NE(panel, nullptr);
        EXPECT_EQ(TextOf(panel), kCaption);

        // The example settings through the real boxes.
        SendMessageW(ControlOf(panel, IDC_MATERIAL_NUMBER), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"1"));
        SendMessageW(ControlOf(panel, IDC_SAMPLE_CURRENT), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"10"));
        SendMessageW(ControlOf(panel, IDC_MAGNET_CURRENT), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"5"));
        EXPECT_EQ(TextOf(ControlOf(panel, IDC_HALL_VOLTAGE)), L"-283.27");
        EXPECT_EQ(TextOf(ControlOf(panel, IDC_SAMPLE_VOLTAGE)), L"573.64");

        // The title bar's close button arrives as the cancel command.
        PostMessageW(panel, WM_SYSCOMMAND, SC_CLOSE, 0);
        EXPECT_EQ(program.WaitForExit(), IDCANCEL);
    }
    std::vector<unsigned char> saved = ReadFileBytes(parameters_);
    ASSERT_EQ(saved.size(), 9604u);
    EXPECT_EQ(saved[0], 100);

    {
        // The second run finds the file: no message, straight to the panel.
        Program program(exe_);
        HWND panel = program.WaitFor(true);
        ASSERT_NE(panel, nullptr);
        EXPECT_EQ(program.WaitFor(false, 1000), nullptr);
        PostMessageW(panel, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        EXPECT_EQ(program.WaitForExit(), IDOK);
    }
    EXPECT_EQ(ReadFileBytes(parameters_), saved);
}

TEST_F(RealProgram, StartsMinimisedWhenAskedAndIsFullyInitialisedAllTheSame) {
    // A file beside the program: no message at start.
    {
        Program first(exe_);
        HWND box = first.WaitFor(false);
        ASSERT_NE(box, nullptr);
        PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        HWND panel = first.WaitFor(true);
        ASSERT_NE(panel, nullptr);
        PostMessageW(panel, WM_SYSCOMMAND, SC_CLOSE, 0);
        ASSERT_EQ(first.WaitForExit(), IDCANCEL);
    }

    Program program(exe_, SW_SHOWMINNOACTIVE);
    HWND panel = program.WaitFor(true);
    ASSERT_NE(panel, nullptr);
    // The template shows the panel as it is made; the start-up show command
    // minimises it a moment later.
    for (DWORD start = GetTickCount(); !IsIconic(panel) && GetTickCount() - start < kPatience;) Sleep(20);
    EXPECT_TRUE(IsIconic(panel));
    SendMessageW(ControlOf(panel, IDC_MATERIAL_NUMBER), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"1"));
    SendMessageW(ControlOf(panel, IDC_SAMPLE_CURRENT), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"10"));
    SendMessageW(ControlOf(panel, IDC_MAGNET_CURRENT), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"5"));
    EXPECT_EQ(TextOf(ControlOf(panel, IDC_HALL_VOLTAGE)), L"-283.27");
    PostMessageW(panel, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    EXPECT_EQ(program.WaitForExit(), IDCANCEL);
}

TEST_F(RealProgram, AFileItCannotUseIsToldAboutAndThePanelWorksWithTheDefaults) {
    const wchar_t* damaged = L"The file of parameters is damaged.\nThe default parameters are used.";
    const wchar_t* doesNotOpen =
        L"The file of parameters does not open.\nMaybe it does not exist yet? ---> Will be!";
    const wchar_t* cannotBeOpen = L"The file of parameters cannot be open.\nParameters will not be written.";
    MaterialTable table;
    table.Initialise();
    table.materialCount = 5;
    table.FillDefaults();
    struct Case {
        const char* what;
        std::vector<unsigned char> bytes;
        bool folderInItsPlace;
        bool heldOpen;  // by this process, sharing nothing, while the program runs
        const wchar_t* atStart;
        const wchar_t* atClose;  // null when the save goes through
    } cases[] = {
        {"three bytes", {0x64, 0x00, 0x00}, false, false, damaged, nullptr},
        {"a count of 101", {101, 0, 0, 0}, false, false, damaged, nullptr},
        {"a negative count", {0xFF, 0xFF, 0xFF, 0xFF}, false, false, damaged, nullptr},
        {"a folder where the file should be", {}, true, false, doesNotOpen, cannotBeOpen},
        {"held open by another program", EncodeParameterFile(table).bytes, false, true, doesNotOpen,
         cannotBeOpen},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        if (c.folderInItsPlace) {
            ASSERT_TRUE(CreateDirectoryW(parameters_.c_str(), nullptr));
        } else {
            ASSERT_TRUE(WriteFileBytes(parameters_, c.bytes));
        }
        UniqueHandle holder;
        if (c.heldOpen) {
            holder = UniqueHandle(CreateFileW(parameters_.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
            ASSERT_TRUE(holder.valid());
        }
        {
            Program program(exe_);
            ASSERT_TRUE(program.started());
            HWND box = program.WaitFor(false);
            ASSERT_NE(box, nullptr);
            EXPECT_EQ(TextOf(GetDlgItem(box, 0xFFFF)), c.atStart);
            PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);

            // The program goes on with the default table.
            HWND panel = program.WaitFor(true);
            ASSERT_NE(panel, nullptr);
            SendMessageW(ControlOf(panel, IDC_MATERIAL_NUMBER), WM_SETTEXT, 0,
                         reinterpret_cast<LPARAM>(L"1"));
            SendMessageW(ControlOf(panel, IDC_SAMPLE_CURRENT), WM_SETTEXT, 0,
                         reinterpret_cast<LPARAM>(L"10"));
            SendMessageW(ControlOf(panel, IDC_MAGNET_CURRENT), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"5"));
            EXPECT_EQ(TextOf(ControlOf(panel, IDC_HALL_VOLTAGE)), L"-283.27");
            EXPECT_EQ(TextOf(ControlOf(panel, IDC_SAMPLE_VOLTAGE)), L"573.64");

            PostMessageW(panel, WM_SYSCOMMAND, SC_CLOSE, 0);
            if (c.atClose) {
                box = program.WaitFor(false);
                ASSERT_NE(box, nullptr);
                EXPECT_EQ(TextOf(GetDlgItem(box, 0xFFFF)), c.atClose);
                PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
            }
            EXPECT_EQ(program.WaitForExit(), IDCANCEL);
        }
        holder.Reset();
        if (c.folderInItsPlace) {
            EXPECT_NE(GetFileAttributesW(parameters_.c_str()) & FILE_ATTRIBUTE_DIRECTORY, 0u);
            RemoveDirectoryW(parameters_.c_str());
        } else if (c.heldOpen) {
            // The other program's file is as it was.
            EXPECT_EQ(ReadFileBytes(parameters_), c.bytes);
            DeleteFileW(parameters_.c_str());
        } else {
            // The damaged file has been replaced by the table the program used,
            // and kept beside it.
            std::vector<unsigned char> saved = ReadFileBytes(parameters_);
            ASSERT_EQ(saved.size(), 9604u);
            EXPECT_EQ(saved[0], 100);
            EXPECT_EQ(ReadFileBytes(parameters_ + L".bak"), c.bytes);
            DeleteFileW(parameters_.c_str());
            DeleteFileW((parameters_ + L".bak").c_str());
        }
    }
}

// Logging off or shutting down with the program open: Wine's own end of the
// session sends WM_QUERYENDSESSION and WM_ENDSESSION to every window of the
// prefix and then ends the processes, as Windows does.
TEST_F(RealProgram, TheEndOfTheSessionSavesTheTable) {
    MaterialTable table;
    table.Initialise();
    table.materialCount = 5;
    table.FillDefaults();
    // One byte more than five materials take: only a save makes the file
    // exactly the table again.
    std::vector<unsigned char> bytes = EncodeParameterFile(table).bytes;
    const std::vector<unsigned char> table5 = bytes;
    bytes.push_back(0xAB);
    ASSERT_TRUE(WriteFileBytes(parameters_, bytes));

    Program program(exe_);
    ASSERT_TRUE(program.started());
    HWND panel = program.WaitFor(true);
    ASSERT_NE(panel, nullptr);
    EXPECT_EQ(program.WaitFor(false, 500), nullptr) << "a message at start";

    wchar_t system[MAX_PATH] = {};
    GetSystemDirectoryW(system, MAX_PATH);
    std::wstring wineboot = std::wstring(system) + L"\\wineboot.exe";
    std::wstring commandLine = L"\"" + wineboot + L"\" --end-session";
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info = {};
    ASSERT_TRUE(CreateProcessW(wineboot.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                               &startup, &info));
    UniqueHandle endSession(info.hProcess);
    CloseHandle(info.hThread);
    EXPECT_EQ(WaitForSingleObject(endSession.get(), kPatience), WAIT_OBJECT_0);
    EXPECT_NE(program.WaitForExit(), -1) << "the program outlived its session";
    const std::vector<unsigned char> saved = ReadFileBytes(parameters_);
    ASSERT_EQ(saved.size(), table5.size()) << "the table was not saved";
    EXPECT_TRUE(saved == table5);
}
