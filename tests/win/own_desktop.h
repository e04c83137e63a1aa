#pragma once

#include <windows.h>

// Moves this process onto a window station of its own and the calling thread
// onto a desktop there, for as long as it lives. Processes under one
// wineserver share the activation, the focus and the clipboard of a desktop
// and its window station: a window that another test activates takes the focus
// from this one's, and a copy there replaces what this one would paste. On a
// station of its own a long test keeps all three to itself and can run beside
// the others, the same way every time.
//
// A thread that already has windows or hooks cannot move; it stays where it
// was, and moved() says so.
class OwnDesktop {
public:
    OwnDesktop();
    ~OwnDesktop();
    OwnDesktop(const OwnDesktop&) = delete;
    OwnDesktop& operator=(const OwnDesktop&) = delete;

    bool moved() const { return moved_; }

private:
    HWINSTA previousStation_ = nullptr;
    HDESK previousDesktop_ = nullptr;
    HWINSTA station_ = nullptr;
    HDESK desktop_ = nullptr;
    bool moved_ = false;
};
