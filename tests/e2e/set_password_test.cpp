// `Tesmor.exe /SETPASSWORD`, as the installer runs it: the new password in
// the environment, the digest written beside the table, the exit code
// telling how it went, and nothing shown.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "../win/scratch_folder.h"
#include "base/module.h"
#include "base/unique_handle.h"
#include "editor/password_check.h"
#include "model/material_table.h"
#include "storage/parameter_codec.h"
#include "storage/password_file_win.h"

namespace {

constexpr DWORD kWait = 20000;  // ms
const wchar_t kVariable[] = L"TESMOR_NEW_PASSWORD";
const wchar_t kBuiltIn[] = L"479 zkp";

struct WindowSearch {
    DWORD process;
    bool panel;  // only a panel (titled like one), else any visible window
    HWND found;
};

BOOL CALLBACK FindVisibleWindow(HWND window, LPARAM context) {
    WindowSearch* search = reinterpret_cast<WindowSearch*>(context);
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process != search->process || !IsWindowVisible(window)) return TRUE;
    wchar_t title[128] = {};
    GetWindowTextW(window, title, 128);
    if (search->panel && std::wstring(title) != L"Experimental Setup for Hall-Effect Measurement") return TRUE;
    search->found = window;
    return FALSE;
}

HWND VisibleWindowOf(DWORD process, bool panel) {
    WindowSearch search = {process, panel, nullptr};
    EnumWindows(FindVisibleWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// A run of the program with these arguments and, when `password` is given,
// the variable set to it for the child only.
class ProgramRun {
public:
    ProgramRun(const std::wstring& exe, const std::wstring& arguments, const wchar_t* password) {
        SetEnvironmentVariableW(kVariable, password);
        std::wstring commandLine = L"\"" + exe + L"\" " + arguments;
        STARTUPINFOW startup = {};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION info = {};
        if (CreateProcessW(exe.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                           &info)) {
            process_ = UniqueHandle(info.hProcess);
            UniqueHandle thread(info.hThread);
            id_ = info.dwProcessId;
        }
        SetEnvironmentVariableW(kVariable, nullptr);
    }
    ~ProgramRun() {
        if (process_ && WaitForSingleObject(process_.get(), 0) == WAIT_TIMEOUT) TerminateProcess(process_.get(), 99);
    }
    ProgramRun(const ProgramRun&) = delete;
    ProgramRun& operator=(const ProgramRun&) = delete;

    // The exit code, -1 when it does not end in time; any window it shows
    // meanwhile is seen.
    int ExitCode() {
        if (!process_) return -1;
        for (const DWORD start = GetTickCount(); WaitForSingleObject(process_.get(), 10) == WAIT_TIMEOUT;) {
            if (VisibleWindowOf(id_, false)) windowShown_ = true;
            if (GetTickCount() - start >= kWait) return -1;
        }
        DWORD code = 0;
        GetExitCodeProcess(process_.get(), &code);
        return static_cast<int>(code);
    }

    HWND WaitForPanel() {
        for (const DWORD start = GetTickCount(); GetTickCount() - start < kWait; Sleep(20)) {
            if (HWND panel = VisibleWindowOf(id_, true)) return panel;
        }
        return nullptr;
    }

    bool windowShown() const { return windowShown_; }
    HANDLE process() const { return process_.get(); }

private:
    UniqueHandle process_;
    DWORD id_ = 0;
    bool windowShown_ = false;
};

class SetPassword : public testing::Test {
protected:
    void SetUp() override {
        std::wstring built = ModulePath();
        built = built.substr(0, built.find_last_of(L'\\') + 1) + L"e2e\\Tesmor.exe";
        ASSERT_TRUE(CopyFileW(built.c_str(), exe_.c_str(), FALSE)) << "no program beside the test";
    }

    // Runs the switch; the exit code. The program must show nothing.
    int Set(const wchar_t* password) {
        ProgramRun run(exe_, L"/SETPASSWORD", password);
        const int code = run.ExitCode();
        EXPECT_FALSE(run.windowShown()) << "a window was shown";
        return code;
    }

    ScratchFolder folder_;
    std::wstring exe_ = folder_.File(L"Tesmor.exe");
    std::wstring file_ = folder_.File(L"Tesmor.pwd");
};

}  // namespace

TEST_F(SetPassword, WritesTheDigestThatThePasswordDialogTakesAndNothingElse) {
    ASSERT_EQ(Set(L"first \u00E9cole"), 0);
    ASSERT_EQ(ReadPasswordFile(file_).state, PasswordFileState::valid);
    const std::vector<unsigned char> first = ReadFileBytes(file_);
    EXPECT_EQ(first.back(), '\n');
    EXPECT_EQ(ParsePasswordDigest(first)->iterations, kPasswordIterations);
    EXPECT_EQ(CheckEditorPassword(L"first \u00E9cole", file_), PasswordVerdict::accepted);
    EXPECT_EQ(CheckEditorPassword(kBuiltIn, file_), PasswordVerdict::refused);
    // The panel was not started: it would have made its table and log.
    const FolderContents contents = ContentsOf(folder_.path());
    EXPECT_EQ(contents.size(), 2u) << "files beside the program: Tesmor.exe and Tesmor.pwd only";

    // A second run replaces it; the switch in any letter case.
    ProgramRun again(exe_, L" /setPassword ", L"second");
    EXPECT_EQ(again.ExitCode(), 0);
    EXPECT_EQ(CheckEditorPassword(L"second", file_), PasswordVerdict::accepted);
    EXPECT_EQ(CheckEditorPassword(L"first \u00E9cole", file_), PasswordVerdict::refused);
    EXPECT_NE(ReadFileBytes(file_), first);
}

TEST_F(SetPassword, NoPasswordGivenExitsWith2AndLeavesTheFileAsItWas) {
    ASSERT_EQ(Set(L"kept"), 0);
    const std::vector<unsigned char> kept = ReadFileBytes(file_);
    // Missing, empty, and longer than the password box takes (126 characters).
    EXPECT_EQ(Set(nullptr), 2);
    EXPECT_EQ(Set(L""), 2);
    EXPECT_EQ(Set(std::wstring(127, L'x').c_str()), 2);
    EXPECT_EQ(ReadFileBytes(file_), kept);
    EXPECT_EQ(ContentsOf(folder_.path()).size(), 2u);
    // 126 characters are still a password.
    EXPECT_EQ(Set(std::wstring(126, L'x').c_str()), 0);
    EXPECT_EQ(CheckEditorPassword(std::wstring(126, L'x'), file_), PasswordVerdict::accepted);
}

TEST_F(SetPassword, AFileThatCannotBeWrittenExitsWith1AndTheOldOneStays) {
    // A folder in the file's place.
    ASSERT_TRUE(CreateDirectoryW(file_.c_str(), nullptr));
    EXPECT_EQ(Set(L"new"), 1);
    EXPECT_EQ(GetFileAttributesW(file_.c_str()) & FILE_ATTRIBUTE_DIRECTORY, static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY));
    EXPECT_FALSE(FileExists(file_ + L".new"));
    ASSERT_TRUE(RemoveDirectoryW(file_.c_str()));

    // A folder that refuses changes, made so from Linux: chmod for a user,
    // the immutable attribute for root, who writes anywhere else.
    ASSERT_EQ(Set(L"old"), 0);
    const std::vector<unsigned char> old = ReadFileBytes(file_);
    const std::string unix = UnixPathOf(folder_.path());
    if (unix.empty()) GTEST_SKIP() << "needs Wine to make a folder read-only";
    // Whether a new file can be made there; each try with a name of its own,
    // as a name once refused may stay taken.
    int probes = 0;
    const auto locked = [this, &probes] {
        const std::wstring probe = folder_.File((L"probe" + std::to_wstring(++probes)).c_str());
        UniqueHandle file(CreateFileW(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr));
        if (!file) return true;
        file.Reset();
        DeleteFileW(probe.c_str());
        return false;
    };
    if (!RunHostProgram(L"Z:\\usr\\bin\\chattr", {"+i", unix}, locked) &&
        !RunHostProgram(L"Z:\\bin\\chmod", {"a-w", unix}, locked)) {
        GTEST_SKIP() << "cannot make a folder read-only here";
    }
    const int code = Set(L"new");
    const std::vector<unsigned char> after = ReadFileBytes(file_);
    const bool pendingLeft = FileExists(file_ + L".new");
    const auto unlocked = [&locked] { return !locked(); };
    EXPECT_TRUE(RunHostProgram(L"Z:\\usr\\bin\\chattr", {"-i", unix}, unlocked) ||
                RunHostProgram(L"Z:\\bin\\chmod", {"u+w", unix}, unlocked));
    EXPECT_EQ(code, 1);
    EXPECT_EQ(after, old);
    EXPECT_FALSE(pendingLeft);
    EXPECT_EQ(CheckEditorPassword(L"old", file_), PasswordVerdict::accepted);
}

// The installer may set the password while a student has the program open:
// the running copy neither stops it nor is stopped or brought forward, and
// its password dialog takes the new password at the next try.
TEST_F(SetPassword, ARunningCopyOnTheSameTableDoesNotHoldItUp) {
    MaterialTable table;
    table.Initialise();
    table.materialCount = 5;
    table.FillDefaults();
    ASSERT_TRUE(WriteFileBytes(folder_.File(L"Tesmor.smp"), EncodeParameterFile(table).bytes));
    ProgramRun panel(exe_, L"", nullptr);
    HWND window = panel.WaitForPanel();
    ASSERT_NE(window, nullptr);

    EXPECT_EQ(Set(L"while running"), 0);
    EXPECT_EQ(CheckEditorPassword(L"while running", file_), PasswordVerdict::accepted);
    EXPECT_EQ(WaitForSingleObject(panel.process(), 0), static_cast<DWORD>(WAIT_TIMEOUT));
    EXPECT_TRUE(IsWindowVisible(window));
    PostMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_EQ(panel.ExitCode(), IDCANCEL);
}
