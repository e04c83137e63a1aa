// Drives a running Tesmor from outside, as a user would type:
//   panel_driver hold FILE SECONDS
// holds FILE open for SECONDS sharing nothing, as a spreadsheet showing it
// may, and prints "held" once it has it.
//
//   panel_driver [ID=TEXT ...] [record] [password=TEXT] [close]
// waits for the panel (answering the first-run message about the parameters
// file), then sets the text of each control ID in turn; "record" records a
// reading as F9 does; "password=TEXT" opens "Parameters..." from the system
// menu, types TEXT into the password dialog and presses OK: when the table's
// editor opens it is cancelled ("accepted" is printed), when the password is
// refused the message and the dialog are closed ("refused" is printed, and the
// exit code is 3); "close" closes the panel as its title bar's close button
// does. Used to put the panel into a known state for screenshots.
//
//   panel_driver run COMMAND_LINE
// starts COMMAND_LINE exactly as given (as the list of installed programs
// or a deployment tool starts an uninstall entry's command), waits for it and
// ends with its exit code.
//
//   panel_driver repaint-log
// repaints the measurement log's window whole, at once, as the system does
// when it is uncovered: the desktop test compares what it showed before.
//
//   panel_driver query [cell=ROW,COLUMN ...]
// only looks: it prints what is on the screen now, one "key value" line each,
// rectangles as "left top right bottom" in screen coordinates, and changes
// nothing in the program. The desktop test finds with it where to click and
// reads back what its clicks and keystrokes did (see query.cpp).
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>

#include "query.h"

#include "res/resource.h"

namespace {

const wchar_t kCaption[] = L"Experimental Setup for Hall-Effect Measurement";

BOOL CALLBACK FindControl(HWND window, LPARAM context) {
    auto* wanted = reinterpret_cast<std::pair<int, HWND>*>(context);
    if (GetDlgCtrlID(window) != wanted->first) return TRUE;
    wanted->second = window;
    return FALSE;
}

// The first visible dialog of this thread's kind that has a child `id`, or
// a message box (a static 0xFFFF) when id is 0xFFFF, waiting up to 10 s.
HWND WaitForDialogWith(int id) {
    for (int tries = 0; tries < 200; ++tries) {
        for (HWND window = FindWindowW(L"#32770", nullptr); window;
             window = FindWindowExW(nullptr, window, L"#32770", nullptr)) {
            if (IsWindowVisible(window) && GetDlgItem(window, id)) return window;
        }
        Sleep(50);
    }
    return nullptr;
}

// Types the password into the panel's password dialog; 0 when the editor
// opened, 3 when the password was refused, 1 when neither came.
int TryPassword(HWND panel, const wchar_t* password) {
    PostMessageW(panel, WM_SYSCOMMAND, IDM_PARAMETERS, 0);
    HWND dialog = WaitForDialogWith(IDC_PASSWORD);
    if (!dialog) {
        std::fprintf(stderr, "panel_driver: no password dialog appeared\n");
        return 1;
    }
    SetDlgItemTextW(dialog, IDC_PASSWORD, password);
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    for (int tries = 0; tries < 200; ++tries) {
        Sleep(50);
        HWND editor = nullptr;
        HWND refusal = nullptr;
        for (HWND window = FindWindowW(L"#32770", nullptr); window;
             window = FindWindowExW(nullptr, window, L"#32770", nullptr)) {
            if (!IsWindowVisible(window)) continue;
            if (GetDlgItem(window, IDC_PARAMETER_LIST)) editor = window;
            if (GetDlgItem(window, 0xFFFF) && GetWindow(window, GW_OWNER) == dialog) refusal = window;
        }
        if (editor) {
            PostMessageW(editor, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
            std::printf("accepted\n");
            return 0;
        }
        if (refusal) {
            PostMessageW(refusal, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
            for (int wait = 0; wait < 100 && IsWindowVisible(refusal); ++wait) Sleep(50);
            PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
            for (int wait = 0; wait < 100 && IsWindow(dialog); ++wait) Sleep(50);
            std::printf("refused\n");
            return 3;
        }
    }
    std::fprintf(stderr, "panel_driver: the password was neither accepted nor refused\n");
    return 1;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc >= 2 && std::wcscmp(argv[1], L"query") == 0) return PrintScreenState(argc - 2, argv + 2);
    if (argc == 2 && std::wcscmp(argv[1], L"repaint-log") == 0) {
        HWND log = FindWindowW(L"#32770", L"Measurement log");
        if (!log) return 1;
        return RedrawWindow(log, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW)
                   ? 0
                   : 1;
    }
    if (argc == 3 && std::wcscmp(argv[1], L"run") == 0) {
        std::wstring commandLine = argv[2];
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION process{};
        if (!CreateProcessW(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                            &process)) {
            std::fprintf(stderr, "panel_driver: cannot start the command (error %lu)\n", GetLastError());
            return 255;
        }
        WaitForSingleObject(process.hProcess, INFINITE);
        DWORD code = 255;
        GetExitCodeProcess(process.hProcess, &code);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
        return static_cast<int>(code);
    }
    if (argc == 4 && std::wcscmp(argv[1], L"hold") == 0) {
        HANDLE file = CreateFileW(argv[2], GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE) {
            std::fprintf(stderr, "panel_driver: cannot hold the file (error %lu)\n", GetLastError());
            return 1;
        }
        std::printf("held\n");
        std::fflush(stdout);
        Sleep(static_cast<DWORD>(_wtoi(argv[3])) * 1000);
        CloseHandle(file);
        return 0;
    }
    HWND panel = nullptr;
    for (int tries = 0; tries < 400 && !panel; ++tries) {
        for (HWND window = FindWindowW(L"#32770", kCaption); window;
             window = FindWindowExW(nullptr, window, L"#32770", kCaption)) {
            // The panel is ready once it is visible: it initialises itself
            // (and may ask about its file) before it is shown.
            if (GetDlgItem(window, IDC_PICTURE) && IsWindowVisible(window)) {
                panel = window;
            } else if (GetDlgItem(window, 0xFFFF)) {
                PostMessageW(window, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
            }
        }
        if (!panel) Sleep(50);
    }
    if (!panel) {
        std::fprintf(stderr, "panel_driver: no panel appeared\n");
        return 1;
    }
    int code = 0;
    for (int i = 1; i < argc; ++i) {
        if (std::wcsncmp(argv[i], L"password=", 9) == 0) {
            const int tried = TryPassword(panel, argv[i] + 9);
            if (tried == 1) return 1;
            if (tried != 0) code = tried;
            continue;
        }
        if (std::wcscmp(argv[i], L"close") == 0) {
            PostMessageW(panel, WM_SYSCOMMAND, SC_CLOSE, 0);
            continue;
        }
        if (std::wcscmp(argv[i], L"record") == 0) {
            PostMessageW(panel, WM_COMMAND, MAKEWPARAM(IDM_RECORD_READING, 0), 0);
            continue;
        }
        const wchar_t* equals = std::wcschr(argv[i], L'=');
        if (!equals) continue;
        std::pair<int, HWND> wanted(_wtoi(argv[i]), nullptr);
        EnumChildWindows(panel, FindControl, reinterpret_cast<LPARAM>(&wanted));
        if (!wanted.second) {
            std::fprintf(stderr, "panel_driver: no control %d\n", wanted.first);
            return 1;
        }
        SendMessageW(wanted.second, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(equals + 1));
    }
    return code;
}
