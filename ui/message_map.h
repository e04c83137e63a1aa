#pragma once

#include <windows.h>
#include <commctrl.h>

#include <cstddef>
#include <type_traits>

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

// What a row of a message map calls: a thunk that takes the arguments from
// the message and calls the member. A row naming a member that takes the whole
// message and `handled` (which it clears to pass the message on) gets the one
// thunk for those; Handler<&Owner::OnX> makes the thunk for a member that takes
// only what it uses.
template <class Owner>
struct MessageHandler {
    using Member = LRESULT (Owner::*)(const Message& message, bool& handled);
    using Thunk = LRESULT (*)(Owner& owner, const MessageHandler& self, const Message& message, bool& handled);

    constexpr MessageHandler(Member member) : thunk(&CallMember), member(member) {}
    constexpr MessageHandler(Thunk thunk) : thunk(thunk) {}

    Thunk thunk;
    Member member = nullptr;

private:
    static LRESULT CallMember(Owner& owner, const MessageHandler& self, const Message& m, bool& handled) {
        return (owner.*self.member)(m, handled);
    }
};

// One row of a message map: the message, and for WM_COMMAND and WM_NOTIFY the
// control id and notification code it applies to (kAnyId, kAnyCode: all), then
// the handler. A handler of the whole message returns the message result and
// has handled the message unless it clears `handled`; for the others see Thunk.
template <class Owner>
struct MessageMapEntry {
    UINT message;
    int id;
    int code;
    MessageHandler<Owner> handler;
};

namespace message_map_detail {

// How a handler's parameters are taken from the message, by the handler's
// parameter list: one specialisation per list; a list not here does not
// compile. F is called directly, so that a handler used nowhere else can be
// folded into its thunk.
template <class F>
struct Crack;
template <class C, class R>
struct Crack<R (C::*)()> {
    template <auto F, class O>
    static R Call(O& o, const Message&, bool&) { return (o.*F)(); }
};
template <class C, class R>
struct Crack<R (C::*)(const Message&)> {
    template <auto F, class O>
    static R Call(O& o, const Message& m, bool&) { return (o.*F)(m); }
};
template <class C, class R>
struct Crack<R (C::*)(const Message&, bool&)> {
    template <auto F, class O>
    static R Call(O& o, const Message& m, bool& handled) { return (o.*F)(m, handled); }
};
// The raw parameters, for private messages.
template <class C, class R>
struct Crack<R (C::*)(WPARAM, LPARAM)> {
    template <auto F, class O>
    static R Call(O& o, const Message& m, bool&) { return (o.*F)(m.wParam, m.lParam); }
};
// Timers (the id), and messages whose wParam is all they carry.
template <class C, class R>
struct Crack<R (C::*)(WPARAM)> {
    template <auto F, class O>
    static R Call(O& o, const Message& m, bool&) { return (o.*F)(m.wParam); }
};
// WM_SETFOCUS, WM_KILLFOCUS, WM_SETCURSOR, WM_CONTEXTMENU: the window in wParam.
template <class C, class R>
struct Crack<R (C::*)(HWND)> {
    template <auto F, class O>
    static R Call(O& o, const Message& m, bool&) { return (o.*F)(reinterpret_cast<HWND>(m.wParam)); }
};
// WM_COMMAND: the control id, and its notification code and window.
template <class C, class R>
struct Crack<R (C::*)(int)> {
    template <auto F, class O>
    static R Call(O& o, const Message& m, bool&) { return (o.*F)(m.CommandId()); }
};
template <class C, class R>
struct Crack<R (C::*)(int, int)> {
    template <auto F, class O>
    static R Call(O& o, const Message& m, bool&) { return (o.*F)(m.CommandId(), m.NotifyCode()); }
};
template <class C, class R>
struct Crack<R (C::*)(int, int, HWND)> {
    template <auto F, class O>
    static R Call(O& o, const Message& m, bool&) {
        return (o.*F)(m.CommandId(), m.NotifyCode(), reinterpret_cast<HWND>(m.lParam));
    }
};
// WM_SIZE and the mouse messages: wParam (the kind of sizing, the keys held)
// and the two signed 16-bit halves of lParam (width and height, x and y).
template <class C, class R>
struct Crack<R (C::*)(UINT, int, int)> {
    template <auto F, class O>
    static R Call(O& o, const Message& m, bool&) {
        return (o.*F)(static_cast<UINT>(m.wParam), static_cast<short>(LOWORD(m.lParam)),
                      static_cast<short>(HIWORD(m.lParam)));
    }
};
// WM_ERASEBKGND, WM_PRINTCLIENT, WM_CTLCOLOR*: the DC in wParam.
template <class C, class R>
struct Crack<R (C::*)(HDC)> {
    template <auto F, class O>
    static R Call(O& o, const Message& m, bool&) { return (o.*F)(reinterpret_cast<HDC>(m.wParam)); }
};
// A structure lParam points at: NMHDR and its extensions for WM_NOTIFY,
// MINMAXINFO, WINDOWPOS, DRAWITEMSTRUCT...
template <class C, class R, class T>
struct Crack<R (C::*)(T&)> {
    template <auto F, class O>
    static R Call(O& o, const Message& m, bool&) { return (o.*F)(*reinterpret_cast<T*>(m.lParam)); }
};

// A handler returning nothing handled the message with the result 0; one
// returning bool says whether it handled it (false: not mine, pass it on), the
// result then 0; any other return is the result.
template <class Owner, auto F>
LRESULT Thunk(Owner& owner, const MessageHandler<Owner>&, const Message& m, bool& handled) {
    using Args = Crack<decltype(F)>;
    using R = decltype(Args::template Call<F>(owner, m, handled));
    if constexpr (std::is_void_v<R>) {
        Args::template Call<F>(owner, m, handled);
        return 0;
    } else if constexpr (std::is_same_v<R, bool>) {
        handled = Args::template Call<F>(owner, m, handled);
        return 0;
    } else {
        return static_cast<LRESULT>(Args::template Call<F>(owner, m, handled));
    }
}

template <auto F>
struct TypedHandler {
    template <class Owner>
    constexpr operator MessageHandler<Owner>() const {
        return MessageHandler<Owner>(&Thunk<Owner, F>);
    }
};

}  // namespace message_map_detail

// The handler of a row that takes only what it uses, as in
//     {WM_SIZE, kAnyId, kAnyCode, Handler<&PlotView::OnSize>},
// with OnSize(UINT kind, int width, int height). The parameter lists the
// message is cracked for are the Crack specialisations above. Each such row
// has a thunk of its own: a handler defined `inline` in the window's .cpp, and
// called from nowhere else, is compiled into that thunk instead of beside it,
// which keeps the program from growing by a function per row.
template <auto F>
inline constexpr message_map_detail::TypedHandler<F> Handler{};

// The id and code of a WM_COMMAND or WM_NOTIFY (kAnyId, kAnyCode for other
// messages), and whether a row's message, id and code fit them.
struct MessageKey {
    UINT message;
    int id;
    int code;
};
MessageKey KeyOf(const Message& m);
bool RowFits(const MessageKey& key, UINT message, int id, int code);

// Finds the first row that matches and calls its handler; the next row that
// matches when the handler passes the message on. Returns whether a handler
// took the message; `result` is then its result.
template <class Owner>
bool RouteMessage(Owner& owner, const MessageMapEntry<Owner>* map, size_t count, const Message& m,
                  LRESULT& result) {
    const MessageKey key = KeyOf(m);
    for (const MessageMapEntry<Owner>* entry = map; entry != map + count; ++entry) {
        if (!RowFits(key, entry->message, entry->id, entry->code)) continue;
        bool handled = true;
        LRESULT r = entry->handler.thunk(owner, entry->handler, m, handled);
        if (handled) {
            result = r;
            return true;
        }
    }
    return false;
}

// The body of a window's message map: routes the message through `map`, sets
// `handled` and returns the handler's result.
template <class Owner, size_t N>
LRESULT DispatchMessageMap(Owner& owner, const MessageMapEntry<Owner> (&map)[N], const Message& m, bool& handled) {
    LRESULT result = 0;
    handled = RouteMessage(owner, map, N, m, result);
    return result;
}
