// The real Tesmor.exe, started as a user starts it and driven from outside:
// message boxes are answered, texts set with WM_SETTEXT (which raises EN_CHANGE
// in the program) and read back with WM_GETTEXT.
#include <windows.h>

#include <gtest/gtest.h>

#include <commctrl.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "../win/scratch_folder.h"
#include "base/module.h"
#include "base/unique_handle.h"
#include "editor/password_check.h"
#include "measurements/log_codec.h"
#include "res/resource.h"
#include "storage/module_files_win.h"
#include "storage/parameter_codec.h"
#include "storage/password_file_win.h"

namespace {

const wchar_t kCaption[] = L"Experimental Setup for Hall-Effect Measurement";
constexpr DWORD kPatience = 20000;  // ms; Wine starts a process in well under a second

// Tesmor.exe is copied beside this test when it is built.
std::wstring BuiltProgram() {
    std::wstring exe = ModulePath();
    return exe.substr(0, exe.find_last_of(L'\\') + 1) + L"e2e\\Tesmor.exe";
}

// A visible top-level window of the process, told by one of its controls: the
// panel by its picture, a message box by its text (0xFFFF), the measurement
// log by its list.
struct Found {
    DWORD process;
    int control;
    HWND window;
};

BOOL CALLBACK FindTopLevel(HWND window, LPARAM context) {
    Found* found = reinterpret_cast<Found*>(context);
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process != found->process || !IsWindowVisible(window)) return TRUE;
    if (GetDlgItem(window, found->control) == nullptr) return TRUE;
    found->window = window;
    return FALSE;
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
    // Suspended, the program waits for Resume before it runs any of its code.
    enum class Start { running, suspended };

    explicit Program(const std::wstring& exe, int showCommand = -1, Start start = Start::running,
                     const std::wstring& arguments = L"ignored arguments") {
        STARTUPINFOW startup = {};
        startup.cb = sizeof startup;
        if (showCommand >= 0) {
            startup.dwFlags = STARTF_USESHOWWINDOW;
            startup.wShowWindow = static_cast<WORD>(showCommand);
        }
        std::wstring commandLine = L"\"" + exe + L"\" " + arguments;
        PROCESS_INFORMATION info = {};
        const DWORD flags = start == Start::suspended ? CREATE_SUSPENDED : 0;
        started_ = CreateProcessW(exe.c_str(), &commandLine[0], nullptr, nullptr, FALSE, flags, nullptr, nullptr,
                                  &startup, &info) != FALSE;
        if (started_) {
            process_ = UniqueHandle(info.hProcess);
            thread_ = UniqueHandle(info.hThread);
            id_ = info.dwProcessId;
        }
    }
    ~Program() {
        if (process_ && WaitForSingleObject(process_.get(), 0) == WAIT_TIMEOUT)
            TerminateProcess(process_.get(), 99);
    }

    bool started() const { return started_; }
    HANDLE process() const { return process_.get(); }
    DWORD id() const { return id_; }
    void Resume() { ResumeThread(thread_.get()); }

    // The panel (true) or a message box (false).
    HWND WaitFor(bool panel, DWORD patience = kPatience) {
        return WaitForWindowWith(panel ? IDC_PICTURE : 0xFFFF, patience);
    }

    HWND WaitForWindowWith(int control, DWORD patience = kPatience) {
        const DWORD start = GetTickCount();
        while (GetTickCount() - start < patience) {
            Found found = {id_, control, nullptr};
            EnumWindows(FindTopLevel, reinterpret_cast<LPARAM>(&found));
            if (found.window) return found.window;
            if (WaitForSingleObject(process_.get(), 50) == WAIT_OBJECT_0) return nullptr;
        }
        return nullptr;
    }

    // Ends the program at once, as a crash or the task manager does: no
    // window is closed and no code of it runs any more.
    void Kill() {
        TerminateProcess(process_.get(), 99);
        WaitForSingleObject(process_.get(), kPatience);
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
    UniqueHandle thread_;
    DWORD id_ = 0;
};

HWND ControlOf(HWND panel, int id) {
    std::pair<int, HWND> wanted(id, nullptr);
    EnumChildWindows(panel, FindControl, reinterpret_cast<LPARAM>(&wanted));
    return wanted.second;
}

// Whether the window is gone (or hidden) within the patience. The panel stays
// on the screen behind a message, so waiting for it does not tell that the
// message has closed.
bool Closes(HWND window) {
    for (const DWORD start = GetTickCount(); IsWindow(window) && IsWindowVisible(window); Sleep(20)) {
        if (GetTickCount() - start >= kPatience) return false;
    }
    return true;
}

void SetText(HWND panel, int id, const wchar_t* text) {
    SendMessageW(ControlOf(panel, id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text));
}

// Material 1 with the worked example's currents, typed into the real boxes.
void SetExample(HWND panel) {
    SetText(panel, IDC_MATERIAL_NUMBER, L"1");
    SetText(panel, IDC_SAMPLE_CURRENT, L"10");
    SetText(panel, IDC_MAGNET_CURRENT, L"5");
}

// The menu's "Record reading". True when the program has handled it within a
// few seconds, which it cannot while it shows a message.
bool RecordReading(HWND panel) {
    DWORD_PTR result = 0;
    return SendMessageTimeoutW(panel, WM_COMMAND, MAKEWPARAM(IDM_RECORD_READING, 0), 0, SMTO_NORMAL, 5000,
                               &result) != 0;
}

// What a reading is recorded from: the panel's boxes as they show now.
struct ShownReading {
    std::wstring temperature;
    std::wstring hallVoltage;
    std::wstring sampleVoltage;
};

ShownReading Shown(HWND panel) {
    return {TextOf(ControlOf(panel, IDC_TEMPERATURE)), TextOf(ControlOf(panel, IDC_HALL_VOLTAGE)),
            TextOf(ControlOf(panel, IDC_SAMPLE_VOLTAGE))};
}

const wchar_t kLogHeader[] =
    L"No.,Time,Material,r_H,l (\u00B5m),w (\u00B5m),d (\u00B5m),s (\u00B5m),\u03B4 (\u00B5m),T (K),I (mA),"
    L"I_m (A),V_H (mV),V_\u03C3 (mV)";

// The measurement log's file read as a spreadsheet reads it, line by line and
// field by field: the header first. Empty, with a failure recorded, unless it
// is UTF-8 with a byte-order mark and every line, the last one too, ends in
// CR LF. (The program's texts hold no commas or quotes, so no field is quoted.)
std::vector<std::vector<std::wstring>> CsvLines(const std::vector<unsigned char>& bytes) {
    std::vector<std::vector<std::wstring>> lines;
    if (bytes.size() < 3 || bytes[0] != 0xEF || bytes[1] != 0xBB || bytes[2] != 0xBF) {
        ADD_FAILURE() << "the file does not start with UTF-8's byte-order mark";
        return lines;
    }
    const char* data = reinterpret_cast<const char*>(bytes.data()) + 3;
    const int size = static_cast<int>(bytes.size() - 3);
    std::wstring text(static_cast<size_t>(size), L'\0');
    const int length = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, data, size, &text[0], size);
    if (size > 0 && length == 0) {
        ADD_FAILURE() << "the file is not UTF-8";
        return lines;
    }
    text.resize(static_cast<size_t>(length));
    size_t start = 0;
    while (start < text.size()) {
        const size_t end = text.find(L"\r\n", start);
        if (end == std::wstring::npos) {
            ADD_FAILURE() << "the file's last line does not end in CR LF";
            return {};
        }
        const std::wstring line = text.substr(start, end - start);
        if (line.find_first_of(L"\r\n\"") != std::wstring::npos) {
            ADD_FAILURE() << "a line holds a CR, an LF or a quote";
            return {};
        }
        std::vector<std::wstring> fields;
        for (size_t from = 0;;) {
            const size_t comma = line.find(L',', from);
            fields.push_back(line.substr(from, comma - from));
            if (comma == std::wstring::npos) break;
            from = comma + 1;
        }
        lines.push_back(fields);
        start = end + 2;
    }
    return lines;
}

// A line's fields, joined again with commas.
std::wstring Joined(const std::vector<std::wstring>& fields) {
    std::wstring line;
    for (size_t i = 0; i < fields.size(); ++i) line += (i ? L"," : L"") + fields[i];
    return line;
}

class RealProgram : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(folder_.path().empty());
        ASSERT_TRUE(CopyFileW(BuiltProgram().c_str(), exe_.c_str(), FALSE)) << "no program beside the test";
    }

    // A table of five materials beside the program: it starts without a message.
    void WriteTable() {
        MaterialTable table;
        table.Initialise();
        table.materialCount = 5;
        table.FillDefaults();
        ASSERT_TRUE(WriteFileBytes(parameters_, EncodeParameterFile(table).bytes));
    }

    // Checks that the log's file holds exactly these readings, numbered from 1,
    // of material 1 with the worked example's currents.
    // The file holds `before` rows of its own, then these readings, numbered
    // on from `first` (from before + 1 when 0).
    void ExpectLogFileHolds(const std::vector<ShownReading>& readings, size_t before = 0, size_t first = 0) {
        if (first == 0) first = before + 1;
        const std::vector<std::vector<std::wstring>> lines = CsvLines(ReadFileBytes(log_));
        ASSERT_FALSE(lines.empty()) << "no header";
        EXPECT_EQ(Joined(lines[0]), kLogHeader);
        ASSERT_EQ(lines.size(), before + readings.size() + 1) << "readings in the file";
        for (size_t i = 0; i < readings.size(); ++i) {
            SCOPED_TRACE("reading " + std::to_string(i + 1));
            const std::vector<std::wstring>& row = lines[before + i + 1];
            ASSERT_EQ(row.size(), 14u);
            EXPECT_EQ(row[0], std::to_wstring(first + i));
            EXPECT_TRUE(IsRecordTime(row[1])) << row[1].c_str();
            EXPECT_EQ(row[2], L"1");
            EXPECT_EQ(row[9], readings[i].temperature);
            EXPECT_EQ(row[10], L"10");
            EXPECT_EQ(row[11], L"5");
            EXPECT_EQ(row[12], readings[i].hallVoltage);
            EXPECT_EQ(row[13], readings[i].sampleVoltage);
        }
    }

    ScratchFolder folder_;
    std::wstring exe_ = folder_.File(L"Tesmor.exe");
    std::wstring parameters_ = folder_.File(L"Tesmor.smp");
    std::wstring log_ = folder_.File(L"Tesmor.csv");
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

// The log's file is rewritten at every reading, so that a program that is
// killed loses nothing recorded.
TEST_F(RealProgram, AKilledProgramLosesNoRecordedReadingAndTheNextStartNumbersOn) {
    WriteTable();
    std::vector<ShownReading> recorded;
    {
        Program program(exe_);
        ASSERT_TRUE(program.started());
        HWND panel = program.WaitFor(true);
        ASSERT_NE(panel, nullptr);
        SetExample(panel);
        for (const wchar_t* temperature : {L"300", L"310.5", L"77"}) {
            SetText(panel, IDC_TEMPERATURE, temperature);
            recorded.push_back(Shown(panel));
            ASSERT_TRUE(RecordReading(panel));
        }

        // F9 as the keyboard sends it to the box with the focus, and then the
        // log window, which opens once the keys have been handled.
        SetText(panel, IDC_TEMPERATURE, L"1680");
        recorded.push_back(Shown(panel));
        HWND box = ControlOf(panel, IDC_TEMPERATURE);
        PostMessageW(box, WM_KEYDOWN, VK_F9, 0x00430001);
        PostMessageW(box, WM_KEYUP, VK_F9, 0xC0430001);
        PostMessageW(panel, WM_COMMAND, MAKEWPARAM(IDM_MEASUREMENT_LOG, 0), 0);
        HWND logWindow = program.WaitForWindowWith(IDC_LOG_LIST);
        ASSERT_NE(logWindow, nullptr) << "no measurement log window";
        HWND list = GetDlgItem(logWindow, IDC_LOG_LIST);
        EXPECT_EQ(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0), static_cast<LRESULT>(recorded.size()));

        // The last reading by the menu's command, and killed as soon as the
        // command returns.
        SetText(panel, IDC_TEMPERATURE, L"450");
        recorded.push_back(Shown(panel));
        ASSERT_TRUE(RecordReading(panel));
        program.Kill();
    }
    ExpectLogFileHolds(recorded);
    EXPECT_FALSE(FileExists(log_ + L".bak")) << "the file was not taken as it was";
    const std::vector<unsigned char> beforeRestart = ReadFileBytes(log_);

    {
        // The next start reads the file without a word, and the log window
        // lists it; a new reading is numbered on and added to it.
        Program program(exe_);
        HWND panel = program.WaitFor(true);
        ASSERT_NE(panel, nullptr);
        EXPECT_EQ(program.WaitFor(false, 1000), nullptr) << "a message about the file";
        PostMessageW(panel, WM_COMMAND, MAKEWPARAM(IDM_MEASUREMENT_LOG, 0), 0);
        HWND logWindow = program.WaitForWindowWith(IDC_LOG_LIST);
        ASSERT_NE(logWindow, nullptr) << "no measurement log window";
        EXPECT_EQ(TextOf(logWindow), L"Measurement log");
        HWND list = GetDlgItem(logWindow, IDC_LOG_LIST);
        EXPECT_EQ(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0), static_cast<LRESULT>(recorded.size()));

        SetExample(panel);
        SetText(panel, IDC_TEMPERATURE, L"200");
        recorded.push_back(Shown(panel));
        ASSERT_TRUE(RecordReading(panel));
        // The list shows a new row a moment after it is recorded.
        LRESULT listed = 0;
        for (int wait = 0; wait < 100; ++wait) {
            listed = SendMessageW(list, LVM_GETITEMCOUNT, 0, 0);
            if (listed == static_cast<LRESULT>(recorded.size())) break;
            Sleep(20);
        }
        EXPECT_EQ(listed, static_cast<LRESULT>(recorded.size()));

        PostMessageW(panel, WM_SYSCOMMAND, SC_CLOSE, 0);
        EXPECT_EQ(program.WaitForExit(), IDCANCEL);
    }
    ExpectLogFileHolds(recorded);
    // The rows before stay byte for byte as they were.
    const std::vector<unsigned char> after = ReadFileBytes(log_);
    ASSERT_GT(after.size(), beforeRestart.size());
    EXPECT_TRUE(std::equal(beforeRestart.begin(), beforeRestart.end(), after.begin()));
}

// A spreadsheet may hold the file open and share nothing. The log then starts
// empty, the user is told once, and the file is neither read nor written until
// it has been copied to Tesmor.csv.bak.
TEST_F(RealProgram, ALogFileHeldOpenAtStartIsLeftAloneAndItsRowsStayFirstOnceItIsFree) {
    WriteTable();
    MeasurementLog earlier;
    MeasurementRow row;
    row.time = L"2026-12-08 22:36:18";
    row.material = 3;
    row.temperature = L"300.0";
    ASSERT_EQ(earlier.Append(row), 1);
    const std::vector<unsigned char> earlierBytes = EncodeLogCsv(earlier);
    ASSERT_TRUE(WriteFileBytes(log_, earlierBytes));
    UniqueHandle holder(CreateFileW(log_.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(holder.valid());

    Program program(exe_);
    ASSERT_TRUE(program.started());
    HWND box = program.WaitFor(false);
    ASSERT_NE(box, nullptr) << "nothing told about the file";
    EXPECT_EQ(TextOf(box), kCaption);
    EXPECT_EQ(TextOf(GetDlgItem(box, 0xFFFF)),
              L"The file of measurements Tesmor.csv is open in another program, which lets nobody read it.\n"
              L"New readings are kept here and added to it as soon as that program lets go of it.");
    PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    ASSERT_TRUE(Closes(box));
    HWND panel = program.WaitFor(true);
    ASSERT_NE(panel, nullptr);
    EXPECT_EQ(program.WaitFor(false, 1000), nullptr) << "a second message at start";

    // A reading while the file is still held is kept, and the first save that
    // fails is told about; the next is not.
    SetExample(panel);
    std::vector<ShownReading> recorded;
    recorded.push_back(Shown(panel));
    PostMessageW(panel, WM_COMMAND, MAKEWPARAM(IDM_RECORD_READING, 0), 0);
    box = program.WaitFor(false);
    ASSERT_NE(box, nullptr) << "nothing told about the failed save";
    EXPECT_EQ(TextOf(GetDlgItem(box, 0xFFFF)),
              L"The file of measurements Tesmor.csv cannot be written.\nThe measurements are kept here and "
              L"written at the next change.");
    PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    ASSERT_TRUE(Closes(box));
    SetText(panel, IDC_TEMPERATURE, L"320");
    recorded.push_back(Shown(panel));
    EXPECT_TRUE(RecordReading(panel)) << "a message held the program up";
    EXPECT_EQ(program.WaitFor(false, 500), nullptr) << "told again";

    holder.Reset();
    EXPECT_EQ(ReadFileBytes(log_), earlierBytes) << "the held file was written over";
    EXPECT_FALSE(FileExists(log_ + L".bak"));

    // Released: the file's own reading stays first, under its number, and the
    // readings of this run follow it; nothing is set aside. This run had given
    // them 1, 2 and 3 while it could not read the file: the file's reading
    // keeps 1, and theirs take numbers this run has given to no reading (4 to
    // 6), so that no number shown for one of them names another.
    SetText(panel, IDC_TEMPERATURE, L"340");
    recorded.push_back(Shown(panel));
    EXPECT_TRUE(RecordReading(panel)) << "a message held the program up";
    EXPECT_EQ(program.WaitFor(false, 500), nullptr);
    EXPECT_FALSE(FileExists(log_ + L".bak"));
    ExpectLogFileHolds(recorded, 1, 4);
    const std::vector<std::vector<std::wstring>> lines = CsvLines(ReadFileBytes(log_));
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[1][0], L"1");
    EXPECT_EQ(lines[1][2], L"3");
    EXPECT_EQ(lines[1][9], L"300.0");

    PostMessageW(panel, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_EQ(program.WaitForExit(), IDCANCEL);
    ExpectLogFileHolds(recorded, 1, 4);
}

namespace {

// Where Wine keeps the drive letters of its prefix (dosdevices, one link per
// letter); empty outside Wine.
std::string DosDevicesFolder() {
    if (UnixPathOf(L"C:\\").empty()) return std::string();
    const char* prefix = std::getenv("WINEPREFIX");
    if (prefix && *prefix) return std::string(prefix) + "/dosdevices/";
    const std::string c = UnixPathOf(L"C:\\");
    const size_t at = c.find("/dosdevices/");
    return at == std::string::npos ? std::string() : c.substr(0, at) + "/dosdevices/";
}

// Another drive letter for a folder, as `subst` makes one: under Wine a link
// in the prefix's dosdevices, on Windows DefineDosDeviceW. Taken away again at
// the end.
class OtherDrive {
public:
    explicit OtherDrive(const std::wstring& folder) {
        const std::string devices = DosDevicesFolder();
        for (wchar_t letter = L'R'; letter <= L'Y'; ++letter) {
            const std::wstring drive = std::wstring(1, letter) + L":";
            if (!IsFree(drive)) continue;
            if (!devices.empty()) {
                unixLink_ = devices + static_cast<char>(letter - L'A' + 'a') + ":";
                // -f: a link an earlier run left behind, to a folder now gone,
                // is taken over.
                if (RunHostProgram(L"Z:\\usr\\bin\\ln", {"-sfn", UnixPathOf(folder), unixLink_},
                                   [&drive] { return !IsFree(drive); })) {
                    root_ = drive;
                }
            } else if (DefineDosDeviceW(0, drive.c_str(), folder.c_str())) {
                root_ = drive;
            }
            break;
        }
    }
    ~OtherDrive() {
        if (!unixLink_.empty()) {
            // Also when the link came too late to be seen: none is left behind.
            const std::wstring drive = root_;
            RunHostProgram(L"Z:\\usr\\bin\\rm", {"-f", unixLink_},
                           [&drive] { return drive.empty() || IsFree(drive); });
        } else if (!root_.empty()) {
            DefineDosDeviceW(DDD_REMOVE_DEFINITION, root_.c_str(), nullptr);
        }
    }
    OtherDrive(const OtherDrive&) = delete;
    OtherDrive& operator=(const OtherDrive&) = delete;

    // "R:", or empty when no letter could be given.
    const std::wstring& root() const { return root_; }

private:
    static bool IsFree(const std::wstring& drive) {
        return GetDriveTypeW((drive + L"\\").c_str()) == DRIVE_NO_ROOT_DIR;
    }

    std::wstring root_;
    std::string unixLink_;
};

// Waits until the window is restored and in the foreground.
bool ComesForward(HWND window) {
    for (const DWORD start = GetTickCount(); GetTickCount() - start < kPatience; Sleep(20)) {
        if (!IsIconic(window) && GetForegroundWindow() == window) return true;
    }
    return false;
}

}  // namespace

// Two copies on one table each read it at start and write it at close, so
// the one that closes last undoes the other's edits. A second start on the
// same table file brings the running window forward and ends at once with
// exit code 0, showing nothing, whichever way the path is spelled.
TEST_F(RealProgram, ASecondStartOnTheSameTableBringsTheFirstWindowForwardAndEnds) {
    WriteTable();
    // The drive letter is there before the first start, as a mapped drive is:
    // Wine reports a volume's serial number from the drive letters it knows
    // at the moment a file is opened.
    OtherDrive drive(folder_.path());
    Program first(exe_);
    ASSERT_TRUE(first.started());
    HWND panel = first.WaitFor(true);
    ASSERT_NE(panel, nullptr);

    wchar_t shortPath[MAX_PATH] = {};
    const DWORD shortLength = GetShortPathNameW(exe_.c_str(), shortPath, MAX_PATH);
    struct Spelling {
        const char* what;
        std::wstring exe;
    } spellings[] = {
        {"the same path", exe_},
        {"another drive letter", drive.root().empty() ? std::wstring() : drive.root() + L"\\Tesmor.exe"},
        {"the short name", shortLength > 0 && shortLength < MAX_PATH ? std::wstring(shortPath) : std::wstring()},
    };
    EXPECT_FALSE(drive.root().empty()) << "no other drive letter could be made";
    for (const Spelling& spelling : spellings) {
        if (spelling.exe.empty()) continue;
        SCOPED_TRACE(spelling.what);
        // Minimised and behind another window, as a student leaves it.
        PostMessageW(panel, WM_SYSCOMMAND, SC_MINIMIZE, 0);
        for (DWORD start = GetTickCount(); !IsIconic(panel) && GetTickCount() - start < kPatience;) Sleep(20);
        ASSERT_TRUE(IsIconic(panel));

        Program second(spelling.exe);
        ASSERT_TRUE(second.started());
        // A second panel would stay: nothing more to see then.
        ASSERT_EQ(second.WaitForExit(), 0);
        EXPECT_TRUE(ComesForward(panel)) << "the running window did not come forward";
        EXPECT_TRUE(IsWindow(panel));
        EXPECT_EQ(WaitForSingleObject(first.process(), 0), static_cast<DWORD>(WAIT_TIMEOUT));
    }

    // The running copy still works, and closes as always.
    SetExample(panel);
    EXPECT_EQ(TextOf(ControlOf(panel, IDC_HALL_VOLTAGE)), L"-283.27");
    PostMessageW(panel, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_EQ(first.WaitForExit(), IDCANCEL);
}

// Two starts at the same moment, as a double double-click makes them: one
// window, and the other process ends with 0.
TEST_F(RealProgram, TwoStartsAtTheSameMomentLeaveOneWindow) {
    WriteTable();
    for (int round = 0; round < 3; ++round) {
        SCOPED_TRACE(testing::Message() << "round " << round);
        Program a(exe_, -1, Program::Start::suspended);
        Program b(exe_, -1, Program::Start::suspended);
        ASSERT_TRUE(a.started() && b.started());
        a.Resume();
        b.Resume();
        const HANDLE both[] = {a.process(), b.process()};
        const DWORD ended = WaitForMultipleObjects(2, both, FALSE, kPatience);
        ASSERT_TRUE(ended == WAIT_OBJECT_0 || ended == WAIT_OBJECT_0 + 1) << "neither start ended";
        Program& gone = ended == WAIT_OBJECT_0 ? a : b;
        Program& running = ended == WAIT_OBJECT_0 ? b : a;
        EXPECT_EQ(gone.WaitForExit(), 0);
        HWND panel = running.WaitFor(true);
        ASSERT_NE(panel, nullptr) << "no window stayed";
        EXPECT_EQ(WaitForSingleObject(running.process(), 0), static_cast<DWORD>(WAIT_TIMEOUT));
        PostMessageW(panel, WM_SYSCOMMAND, SC_CLOSE, 0);
        EXPECT_EQ(running.WaitForExit(), IDCANCEL);
    }
}

// Another table file is another laboratory: a copy of the program under
// another name beside it, or in another folder, starts as usual.
TEST_F(RealProgram, ACopyOnAnotherTableFileIsNotStopped) {
    WriteTable();
    Program first(exe_);
    ASSERT_TRUE(first.started());
    HWND panel = first.WaitFor(true);
    ASSERT_NE(panel, nullptr);

    ScratchFolder elsewhere;
    const std::wstring renamed = folder_.File(L"Other.exe");
    const std::wstring moved = elsewhere.File(L"Tesmor.exe");
    ASSERT_TRUE(CopyFileW(exe_.c_str(), renamed.c_str(), FALSE));
    ASSERT_TRUE(CopyFileW(exe_.c_str(), moved.c_str(), FALSE));
    for (const std::wstring& exe : {renamed, moved}) {
        SCOPED_TRACE(exe == renamed ? "under another name" : "in another folder");
        Program other(exe);
        ASSERT_TRUE(other.started());
        // No table there yet: the first-run message, then its own panel.
        HWND box = other.WaitFor(false);
        ASSERT_NE(box, nullptr) << "the copy did not start";
        PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        HWND otherPanel = other.WaitFor(true);
        ASSERT_NE(otherPanel, nullptr);
        EXPECT_NE(otherPanel, panel);
        PostMessageW(otherPanel, WM_SYSCOMMAND, SC_CLOSE, 0);
        EXPECT_EQ(other.WaitForExit(), IDCANCEL);
    }
    EXPECT_TRUE(FileExists(folder_.File(L"Other.smp")));
    EXPECT_TRUE(FileExists(elsewhere.File(L"Tesmor.smp")));
    PostMessageW(panel, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_EQ(first.WaitForExit(), IDCANCEL);
}

// The program asks for no more rights than its user has: Windows then does
// not redirect its writes beside itself in a protected folder to a private
// copy per user (VirtualStore), which would give each student a table of
// their own. The manifest's other items stay.
TEST(ProgramFile, TheManifestAsksForTheUsersOwnRightsAndKeepsItsItems) {
    HMODULE program = LoadLibraryExW(BuiltProgram().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(program, nullptr) << "no program beside the test";
    HRSRC found = FindResourceW(program, MAKEINTRESOURCEW(1), RT_MANIFEST);
    ASSERT_NE(found, nullptr) << "no manifest";
    HGLOBAL loaded = LoadResource(program, found);
    const char* data = loaded ? static_cast<const char*>(LockResource(loaded)) : nullptr;
    ASSERT_NE(data, nullptr);
    const std::string manifest(data, SizeofResource(program, found));
    FreeLibrary(program);

    auto has = [&manifest](const char* text) { return manifest.find(text) != std::string::npos; };
    EXPECT_TRUE(has("<trustInfo xmlns=\"urn:schemas-microsoft-com:asm.v3\">"));
    EXPECT_TRUE(has("<requestedExecutionLevel level=\"asInvoker\" uiAccess=\"false\"/>"));
    EXPECT_EQ(manifest.find("requireAdministrator"), std::string::npos);
    EXPECT_EQ(manifest.find("highestAvailable"), std::string::npos);
    EXPECT_TRUE(has("<assemblyIdentity name=\"Tesmor\" version=\"1.0.0.0\" processorArchitecture=\"x86\" "
                    "type=\"win32\"/>"));
    EXPECT_TRUE(has("<description>Tesmor Application</description>"));
    EXPECT_TRUE(has("name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\""));
    EXPECT_TRUE(has("<dpiAwareness xmlns=\"http://schemas.microsoft.com/SMI/2016/WindowsSettings\">"));
}

namespace {

// `Tesmor.exe /SETPASSWORD`, as the installer runs it: the new password in
// the environment, the digest written beside the table, the exit code
// telling how it went, and nothing shown.
class SetPassword : public RealProgram {
protected:
    // A run with `arguments` and the password in the environment for the
    // child only (none when null); its exit code. It must show nothing.
    int Set(const wchar_t* password, const std::wstring& arguments = L"/SETPASSWORD") {
        SetEnvironmentVariableW(L"TESMOR_NEW_PASSWORD", password);
        Program program(exe_, -1, Program::Start::running, arguments);
        SetEnvironmentVariableW(L"TESMOR_NEW_PASSWORD", nullptr);
        EXPECT_TRUE(program.started());
        // Each wait ends when the program does.
        EXPECT_EQ(program.WaitFor(true), nullptr) << "the panel was shown";
        EXPECT_EQ(program.WaitFor(false), nullptr) << "a message was shown";
        return program.WaitForExit();
    }

    std::wstring file_ = folder_.File(L"Tesmor.pwd");
};

const wchar_t kBuiltIn[] = L"479 zkp";

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
    EXPECT_EQ(Set(L"second", L" /setPassword "), 0);
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
    const DWORD attributes = GetFileAttributesW(file_.c_str());
    EXPECT_TRUE(attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0);
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
// the running copy neither stops it nor is stopped by it, and
// its password dialog takes the new password at the next try.
TEST_F(SetPassword, ARunningCopyOnTheSameTableDoesNotHoldItUp) {
    WriteTable();
    Program running(exe_);
    HWND panel = running.started() ? running.WaitFor(true) : nullptr;
    ASSERT_NE(panel, nullptr) << "the panel did not start";
    EXPECT_EQ(Set(L"while running"), 0);
    EXPECT_EQ(CheckEditorPassword(L"while running", file_), PasswordVerdict::accepted);
    EXPECT_EQ(WaitForSingleObject(running.process(), 0), static_cast<DWORD>(WAIT_TIMEOUT));
    EXPECT_TRUE(IsWindowVisible(panel));
    PostMessageW(panel, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_EQ(running.WaitForExit(), IDCANCEL);
}
