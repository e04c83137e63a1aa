#pragma once

#include <windows.h>
#include <commctrl.h>

#include <cstddef>

// One window message, with typed access to the parts that handlers need.
struct Message {
    HWND window;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;

    // WM_COMMAND
    int CommandId() const { return LOWORD(wParam); }
    int NotifyCode() const { return HIWORD(wParam); }
    // WM_NOTIFY
    const NMHDR* Notification() const { return reinterpret_cast<const NMHDR*>(lParam); }
    // Mouse messages in client coordinates; WM_NC* messages in screen coordinates.
    POINT Point() const { return {static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))}; }
};

inline constexpr int kAnyId = -1;
inline constexpr int kAnyCode = -1;

// One row of a message map: the message, and for WM_COMMAND and WM_NOTIFY the
// control id and notification code it applies to (kAnyId, kAnyCode: all), then
// the handler. A handler returns the message result; it is taken as having
// handled the message unless it clears `handled`.
template <class Owner>
struct MessageMapEntry {
    UINT message;
    int id;
    int code;
    LRESULT (Owner::*handler)(const Message& message, bool& handled);
};

// The body of a window's message map: routes the message through `map`, sets
// `handled` and returns the handler's result.
template <class Owner, size_t N>
LRESULT DispatchMessageMap(Owner& owner, const MessageMapEntry<Owner> (&map)[N], const Message& m, bool& handled);

// Finds the first row that matches and calls its handler. Returns whether a
// handler took the message; `result` is then its result.
template <class Owner, size_t N>
bool RouteMessage(Owner& owner, const MessageMapEntry<Owner> (&map)[N], const Message& m, LRESULT& result) {
    int id = kAnyId;
    int code = kAnyCode;
    if (m.message == WM_COMMAND) {
        id = m.CommandId();
        code = m.NotifyCode();
    } else if (m.message == WM_NOTIFY && m.lParam) {
        id = static_cast<int>(m.Notification()->idFrom);
        code = static_cast<int>(m.Notification()->code);
    }
    for (const MessageMapEntry<Owner>& entry : map) {
        if (entry.message != m.message) continue;
        if (entry.id != kAnyId && entry.id != id) continue;
        if (entry.code != kAnyCode && entry.code != code) continue;
        bool handled = true;
        LRESULT r = (owner.*entry.handler)(m, handled);
        if (handled) {
            result = r;
            return true;
        }
    }
    return false;
}

template <class Owner, size_t N>
LRESULT DispatchMessageMap(Owner& owner, const MessageMapEntry<Owner> (&map)[N], const Message& m, bool& handled) {
    LRESULT result = 0;
    handled = RouteMessage(owner, map, m, result);
    return result;
}
