// Timings of the real panel under Wine (or Windows), in one run:
//  1. the cycle from setting a box's text to both readings updated, over
//     10,000 edits of the temperature box (median and 99th percentile);
//  2. creating the panel in-process;
//  2a. recording a reading with the measurement log's window open (the log
//     saved at each, the list and the plot painted);
//  3. process start to panel visible for Tesmor.exe, against a minimal dialog
//     program started the same way (medians of alternating starts, and their
//     ratio). Further Tesmor.exe files given on the command line (another
//     build, to compare) are started in the same rounds, each with its ratio.
//     "--start-up" measures only that.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "app/program_files_win.h"
#include "base/module.h"
#include "editor/password_check.h"
#include "measurements/log_file_win.h"
#include "model/material_table.h"
#include "numtext/edit_text_win.h"
#include "panel/experiment_panel_win.h"
#include "res/resource.h"
#include "storage/module_files_win.h"
#include "storage/parameter_codec.h"
#include "storage/parameter_file_win.h"
#include "storage/password_file_win.h"
#include "app/parameter_file_notices_win.h"

#include "bench_timing.h"
#include "log_rows.h"

namespace {

std::wstring Folder() {
    std::wstring exe = ModulePath();
    return exe.substr(0, exe.find_last_of(L'\\') + 1);
}

void WriteDefaultTable(const std::wstring& path) {
    MaterialTable table;
    table.Initialise();
    table.FillDefaults();
    SaveParameterFile(L"bench", path, table);
}

void MeasureEditCycle() {
    WriteDefaultTable(Folder() + L"panel_bench.smp");
    MessageLoop loop;
    EnterMessageLoop(&loop);
    ProgramFiles files;
    ExperimentPanel panel(files);
    if (!panel.Create()) {
        std::printf("edit cycle: the panel could not be created\n");
        return;
    }
    SetWindowTextW(panel.Control(IDC_MATERIAL_NUMBER), L"1");
    SetWindowTextW(panel.Control(IDC_SAMPLE_CURRENT), L"10");
    SetWindowTextW(panel.Control(IDC_MAGNET_CURRENT), L"5");

    const int edits = 10000;
    std::vector<double> times;
    times.reserve(edits);
    HWND temperature = panel.Control(IDC_TEMPERATURE);
    HWND hall = panel.Control(IDC_HALL_VOLTAGE);
    for (int i = 0; i < edits; ++i) {
        std::wstring text = std::to_wstring(200 + i % 1000);
        const double start = Now();
        SetWindowTextW(temperature, text.c_str());  // EN_CHANGE runs the whole cycle before this returns
        const double end = Now();
        times.push_back((end - start) * 1e3);
        if (i == 0 && ReadWindowText(hall) == L"") std::printf("edit cycle: no reading was shown\n");
    }
    std::printf("edit cycle over %d edits: median %.3f ms, p99 %.3f ms, max %.3f ms\n", edits,
                Percentile(times, 0.5), Percentile(times, 0.99), Percentile(times, 1.0));
    DestroyWindow(panel.window());
    LeaveMessageLoop();
}

void WriteBenchLog(const std::wstring& path, int rows);

// F9 with the log's window open (maximized when `maximized`: a larger list
// and plot to paint), over a log that grows by 300 rows from `startRows`
// (read from its file at the start): the row appended to the log and to its
// file, the list and the plot painted.
void MeasureRecording(int startRows, bool maximized = false) {
    WriteDefaultTable(Folder() + L"panel_bench.smp");
    const std::wstring logPath = Folder() + L"panel_bench.csv";
    DeleteFileW(logPath.c_str());
    if (startRows > 0) WriteBenchLog(logPath, startRows);
    MessageLoop loop;
    EnterMessageLoop(&loop);
    {
        ProgramFiles files;
        ExperimentPanel panel(files);
        if (!panel.Create()) {
            std::printf("recording: the panel could not be created\n");
            LeaveMessageLoop();
            return;
        }
        ShowWindow(panel.window(), SW_SHOWNORMAL);
        SetWindowTextW(panel.Control(IDC_MATERIAL_NUMBER), L"1");
        SetWindowTextW(panel.Control(IDC_SAMPLE_CURRENT), L"10");
        SetWindowTextW(panel.Control(IDC_MAGNET_CURRENT), L"5");
        panel.recorder().OpenMeasurementLog();
        HWND log = panel.recorder().logWindow()->window();
        if (maximized) ShowWindow(log, SW_MAXIMIZE);
        RECT shown;
        GetClientRect(log, &shown);
        const int readings = 300;
        std::vector<double> times, updates;
        for (int i = 0; i < readings; ++i) {
            SetWindowTextW(panel.Control(IDC_TEMPERATURE), std::to_wstring(100 + i * 2).c_str());
            const double start = Now();
            panel.recorder().RecordReading();
            times.push_back((Now() - start) * 1e3);
            // The window shows the row a moment later: its timer, the list and the plot painted.
            Sleep(60);
            const double shown = Now();
            MSG message;
            while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
            RedrawWindow(log, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
            updates.push_back((Now() - shown) * 1e3);
        }
        if (panel.recorder().logStore().log().size() != static_cast<size_t>(startRows + readings)) {
            std::printf("recording: %zu rows were recorded, not %d\n", panel.recorder().logStore().log().size(), readings);
        }
        std::printf("recording with the log's window open%s (%ld x %ld), %d readings after %d: median %.3f ms, "
                    "p99 %.3f ms\n",
                    maximized ? " and maximized" : "", static_cast<long>(shown.right), static_cast<long>(shown.bottom),
                    readings, startRows, Percentile(times, 0.5), Percentile(times, 0.99));
        std::printf("  the window then showing the row (list and plot painted): median %.1f ms, p99 %.1f ms\n",
                    Percentile(updates, 0.5), Percentile(updates, 0.99));
    }
    LeaveMessageLoop();
    DeleteFileW(logPath.c_str());
}

// A log of `rows` readings as the panel shows them, saved to `path`.
void WriteBenchLog(const std::wstring& path, int rows) {
    WriteLogFile(path, BenchLog(rows));
}

// The panel's own share of the start-up: creating it in-process (template,
// controls, picture, parameters file, layout and defaults).
void MeasureCreation() {
    WriteDefaultTable(Folder() + L"panel_bench.smp");
    MessageLoop loop;
    EnterMessageLoop(&loop);
    std::vector<double> times;
    for (int i = 0; i < 30; ++i) {
        ProgramFiles files;
        ExperimentPanel panel(files);
        const double start = Now();
        bool created = panel.Create();
        const double end = Now();
        if (!created) {
            std::printf("creation: the panel could not be created\n");
            break;
        }
        times.push_back((end - start) * 1e3);
        DestroyWindow(panel.window());
    }
    LeaveMessageLoop();
    if (!times.empty()) {
        std::printf("panel creation in-process over %zu creations: median %.1f ms\n", times.size(),
                    Percentile(times, 0.5));
    }
}

// Starts `exe` and returns the seconds until a visible window with `caption`
// belongs to it, then closes it.
double TimeToVisible(const std::wstring& exe, const wchar_t* caption) {
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info = {};
    std::wstring commandLine = L"\"" + exe + L"\"";
    const double start = Now();
    if (!CreateProcessW(exe.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &info)) {
        return -1;
    }
    double seen = -1;
    for (int tries = 0; tries < 100000 && seen < 0; ++tries) {
        HWND window = FindWindowW(L"#32770", caption);
        if (window && IsWindowVisible(window)) {
            DWORD process = 0;
            GetWindowThreadProcessId(window, &process);
            if (process == info.dwProcessId) seen = Now() - start;
        }
        if (seen < 0) Sleep(1);
    }
    HWND window = FindWindowW(L"#32770", caption);
    if (window) PostMessageW(window, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    if (WaitForSingleObject(info.hProcess, 10000) != WAIT_OBJECT_0) TerminateProcess(info.hProcess, 1);
    CloseHandle(info.hProcess);
    CloseHandle(info.hThread);
    return seen;
}

void MeasureStartUp(const std::vector<std::wstring>& others) {
    // The same program again, with a measurement log of 10,000 rows beside it.
    const std::wstring withLog = Folder() + L"bench-log\\Tesmor.exe";
    CreateDirectoryW((Folder() + L"bench-log").c_str(), nullptr);
    CopyFileW((Folder() + L"bench\\Tesmor.exe").c_str(), withLog.c_str(), FALSE);
    WriteBenchLog(Folder() + L"bench-log\\Tesmor.csv", 10000);
    DeleteFileW((Folder() + L"bench\\Tesmor.csv").c_str());

    std::vector<std::wstring> programs = {Folder() + L"bench\\Tesmor.exe", withLog};
    programs.insert(programs.end(), others.begin(), others.end());
    const std::wstring empty = Folder() + L"empty_dialog.exe";
    for (const std::wstring& program : programs) {
        WriteDefaultTable(program.substr(0, program.size() - 3) + L"smp");
    }

    const wchar_t* caption = L"Experimental Setup for Hall-Effect Measurement";
    // Each program starts in turn, 41 times: the medians of 21 starts moved by
    // several milliseconds from one run to the next on this shared machine.
    const int runs = 41;
    std::vector<double> emptyTimes;
    std::vector<std::vector<double>> times(programs.size());
    // The first starts pay for loading the system's DLLs from disk.
    for (int i = 0; i < 3; ++i) {
        TimeToVisible(empty, L"Empty");
        for (const std::wstring& program : programs) TimeToVisible(program, caption);
    }
    for (int i = 0; i < runs; ++i) {
        emptyTimes.push_back(TimeToVisible(empty, L"Empty"));
        for (size_t k = 0; k < programs.size(); ++k) times[k].push_back(TimeToVisible(programs[k], caption));
    }
    const double emptyMedian = Percentile(emptyTimes, 0.5) * 1e3;
    std::printf("start to visible over %d starts each: empty dialog median %.1f ms\n", runs, emptyMedian);
    for (size_t k = 0; k < programs.size(); ++k) {
        const double median = Percentile(times[k], 0.5) * 1e3;
        const char* what = k == 0 ? "Tesmor" : k == 1 ? "Tesmor with a log of 10,000 rows" : "compared Tesmor";
        std::printf("  %s: median %.1f ms, ratio %.2f\n", what, median, median / emptyMedian);
    }
}

// The password dialog's OK with a school's password set, as the teacher waits
// for it: the file read and the key derived at its full count of iterations.
void MeasurePasswordCheck() {
    wchar_t folder[MAX_PATH];
    if (!GetTempPathW(MAX_PATH, folder)) return;
    const std::wstring path = std::wstring(folder) + L"tesmor-bench.pwd";
    const std::optional<PasswordDigest> digest = MakePasswordDigest(L"school's own");
    if (!digest || WritePasswordFile(path, *digest) != 0) {
        std::printf("password check: the school's file could not be made\n");
        return;
    }
    std::vector<double> times;
    for (int k = 0; k < 11; ++k) {
        const double start = Now();
        const PasswordVerdict verdict = CheckEditorPassword(L"school's own", path);
        times.push_back((Now() - start) * 1000.0);
        if (verdict != PasswordVerdict::accepted) {
            std::printf("password check: the school's password was not accepted\n");
            break;
        }
    }
    DeleteFileW(path.c_str());
    std::printf("password check with the school's file (%u iterations) over %zu checks: median %.1f ms, max %.1f ms\n",
                static_cast<unsigned>(digest->iterations), times.size(), Percentile(times, 0.5),
                Percentile(times, 1.0));
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    std::vector<std::wstring> others;
    bool startUpOnly = false;
    for (int i = 1; i < argc; ++i) {
        if (std::wstring(argv[i]) == L"--start-up") {
            startUpOnly = true;
        } else {
            others.push_back(argv[i]);
        }
    }
    if (!startUpOnly) {
        MeasureEditCycle();
        MeasureCreation();
        MeasureRecording(0);
        // The log near its largest: a new reading is appended to a file of
        // about 10 MB, not written whole.
        MeasureRecording(static_cast<int>(MeasurementLog::kMaxRows) - 300);
        MeasureRecording(0, true);
        MeasureRecording(10000, true);
        MeasureRecording(static_cast<int>(MeasurementLog::kMaxRows) - 300, true);
        MeasurePasswordCheck();
    }
    MeasureStartUp(others);
    return 0;
}
