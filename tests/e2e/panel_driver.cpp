// Drives a running Tesmor from outside, as a user would type:
//   panel_driver hold FILE SECONDS
// holds FILE open for SECONDS sharing nothing, as a spreadsheet showing it
// may, and prints "held" once it has it.
//
//   panel_driver [ID=TEXT ...] [close]
// waits for the panel (answering the first-run message about the parameters
// file), then sets the text of each control ID in turn; "close" closes the
// panel as its title bar's close button does. Used to put the panel into a
// known state for screenshots.
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
    for (int i = 1; i < argc; ++i) {
        if (std::wcscmp(argv[i], L"close") == 0) {
            PostMessageW(panel, WM_SYSCOMMAND, SC_CLOSE, 0);
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
    return 0;
}
