// Keeps the Wine desktop of the test prefix open while the tests run.
//
// Wine shows windows on a desktop that a separate process (explorer.exe
// /desktop) manages; the first window of a prefix starts that process from the
// program that made the window, and the wineserver closes the desktop a second
// after its last user has gone. Started from a test, the desktop process holds
// the test's output pipe until then, and CTest waits that second for every test
// that shows a window. This program is a user of the desktop for as long as the
// tests run, started with no pipe of CTest's (desktop_holder.sh), so that the
// desktop process is started once, from here.
//
//   desktop_holder.exe open    holds the desktop until closed (at most an hour)
//   desktop_holder.exe ready   waits until a holder holds it (at most 30 s)
//   desktop_holder.exe close   lets the holder go, and waits until it has gone
#include <windows.h>

#include <cstdio>
#include <cstring>

namespace {

const wchar_t kClose[] = L"TesmorTestDesktopHolder.Close";
const wchar_t kHeld[] = L"TesmorTestDesktopHolder.Held";
// A run of the tests takes minutes; a holder left behind by an interrupted
// run goes on its own.
constexpr DWORD kLongestHold = 60 * 60 * 1000;
constexpr DWORD kReadyPatience = 30 * 1000;
constexpr DWORD kClosePatience = 10 * 1000;

int Open() {
    HANDLE close = CreateEventW(nullptr, TRUE, FALSE, kClose);
    if (!close) return 1;
    // A holder is already there: it holds the desktop for this run too.
    if (GetLastError() == ERROR_ALREADY_EXISTS) {
        CloseHandle(close);
        return 0;
    }
    HANDLE held = CreateEventW(nullptr, TRUE, FALSE, kHeld);
    if (!held) return 1;
    // Asking for the desktop window connects this process to the desktop and
    // starts the process that manages it.
    if (!GetDesktopWindow()) return 1;
    SetEvent(held);
    WaitForSingleObject(close, kLongestHold);
    CloseHandle(held);
    CloseHandle(close);
    return 0;
}

int Ready() {
    const DWORD start = GetTickCount();
    for (;;) {
        HANDLE held = OpenEventW(SYNCHRONIZE, FALSE, kHeld);
        if (held) {
            const DWORD waited = WaitForSingleObject(held, kReadyPatience);
            CloseHandle(held);
            return waited == WAIT_OBJECT_0 ? 0 : 1;
        }
        if (GetTickCount() - start > kReadyPatience) return 1;
        Sleep(20);
    }
}

// The events live as long as the holder: the next run's holder must not take
// a holder on its way out for one that holds the desktop.
int Close() {
    HANDLE close = OpenEventW(EVENT_MODIFY_STATE, FALSE, kClose);
    if (!close) return 0;  // nothing holds the desktop
    SetEvent(close);
    CloseHandle(close);
    const DWORD start = GetTickCount();
    for (;;) {
        close = OpenEventW(SYNCHRONIZE, FALSE, kClose);
        if (!close) return 0;
        CloseHandle(close);
        if (GetTickCount() - start > kClosePatience) return 1;
        Sleep(20);
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 2 && std::strcmp(argv[1], "open") == 0) return Open();
    if (argc == 2 && std::strcmp(argv[1], "ready") == 0) return Ready();
    if (argc == 2 && std::strcmp(argv[1], "close") == 0) return Close();
    std::fprintf(stderr, "usage: desktop_holder.exe open|ready|close\n");
    return 2;
}
