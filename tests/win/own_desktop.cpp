#include "own_desktop.h"

#include <string>

OwnDesktop::OwnDesktop() {
    previousStation_ = GetProcessWindowStation();
    previousDesktop_ = GetThreadDesktop(GetCurrentThreadId());
    const std::wstring name = L"Tesmor-" + std::to_wstring(GetCurrentProcessId());
    station_ = CreateWindowStationW(name.c_str(), 0, WINSTA_ALL_ACCESS, nullptr);
    if (!station_ || !SetProcessWindowStation(station_)) return;
    // A desktop is made on the process's window station.
    desktop_ = CreateDesktopW(L"Default", nullptr, nullptr, 0, GENERIC_ALL, nullptr);
    if (desktop_ && SetThreadDesktop(desktop_)) {
        moved_ = true;
        return;
    }
    SetProcessWindowStation(previousStation_);
}

OwnDesktop::~OwnDesktop() {
    // Moving back fails while the thread still has a window (Wine keeps an
    // input-method window per thread); the station then stays until the
    // process ends.
    if (moved_ && SetThreadDesktop(previousDesktop_)) {
        SetProcessWindowStation(previousStation_);
        CloseDesktop(desktop_);
        CloseWindowStation(station_);
        return;
    }
    if (!moved_) {
        if (desktop_) CloseDesktop(desktop_);
        if (station_) CloseWindowStation(station_);
    }
}
