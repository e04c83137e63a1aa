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

// The base of every class with a message map (Window and Dialog are). Typed
// handlers are held as members of this class, so that one thunk per kind of
// handler serves every window of the program.
class MessageTarget {
protected:
    MessageTarget() = default;
    ~MessageTarget() = default;
};

namespace message_map_detail {

// How a handler's arguments are taken from the message, by its parameter list.
template <class F>
struct Crack;
template <class R>
struct Crack<R (MessageTarget::*)()> {
    template <class F>
    static R Call(MessageTarget& o, F f, const Message&, bool&) { return (o.*f)(); }
};
template <class R>
struct Crack<R (MessageTarget::*)(const Message&)> {
    template <class F>
    static R Call(MessageTarget& o, F f, const Message& m, bool&) { return (o.*f)(m); }
};
template <class R>
struct Crack<R (MessageTarget::*)(const Message&, bool&)> {
    template <class F>
    static R Call(MessageTarget& o, F f, const Message& m, bool& handled) { return (o.*f)(m, handled); }
};
// The raw parameters, for private messages.
template <class R>
struct Crack<R (MessageTarget::*)(WPARAM, LPARAM)> {
    template <class F>
    static R Call(MessageTarget& o, F f, const Message& m, bool&) { return (o.*f)(m.wParam, m.lParam); }
};
// Timers (the id), and messages whose wParam is all they carry.
template <class R>
struct Crack<R (MessageTarget::*)(WPARAM)> {
    template <class F>
    static R Call(MessageTarget& o, F f, const Message& m, bool&) { return (o.*f)(m.wParam); }
};
// WM_SETFOCUS, WM_KILLFOCUS, WM_SETCURSOR, WM_CONTEXTMENU: the window in wParam.
template <class R>
struct Crack<R (MessageTarget::*)(HWND)> {
    template <class F>
    static R Call(MessageTarget& o, F f, const Message& m, bool&) {
        return (o.*f)(reinterpret_cast<HWND>(m.wParam));
    }
};
// WM_COMMAND: the control id, and its notification code and window.
template <class R>
struct Crack<R (MessageTarget::*)(int)> {
    template <class F>
    static R Call(MessageTarget& o, F f, const Message& m, bool&) { return (o.*f)(m.CommandId()); }
};
template <class R>
struct Crack<R (MessageTarget::*)(int, int)> {
    template <class F>
    static R Call(MessageTarget& o, F f, const Message& m, bool&) { return (o.*f)(m.CommandId(), m.NotifyCode()); }
};
template <class R>
struct Crack<R (MessageTarget::*)(int, int, HWND)> {
    template <class F>
    static R Call(MessageTarget& o, F f, const Message& m, bool&) {
        return (o.*f)(m.CommandId(), m.NotifyCode(), reinterpret_cast<HWND>(m.lParam));
    }
};
// WM_SIZE and the mouse messages: wParam (the kind of sizing, the keys held)
// and the two signed 16-bit halves of lParam (width and height, x and y).
template <class R>
struct Crack<R (MessageTarget::*)(UINT, int, int)> {
    template <class F>
    static R Call(MessageTarget& o, F f, const Message& m, bool&) {
        return (o.*f)(static_cast<UINT>(m.wParam), static_cast<short>(LOWORD(m.lParam)),
                      static_cast<short>(HIWORD(m.lParam)));
    }
};
// WM_ERASEBKGND, WM_PRINTCLIENT, WM_CTLCOLOR*: the DC in wParam.
template <class R>
struct Crack<R (MessageTarget::*)(HDC)> {
    template <class F>
    static R Call(MessageTarget& o, F f, const Message& m, bool&) { return (o.*f)(reinterpret_cast<HDC>(m.wParam)); }
};
// A structure lParam points at: NMHDR and its extensions for WM_NOTIFY,
// MINMAXINFO, WINDOWPOS, DRAWITEMSTRUCT...
template <class R, class T>
struct Crack<R (MessageTarget::*)(T&)> {
    template <class F>
    static R Call(MessageTarget& o, F f, const Message& m, bool&) { return (o.*f)(*reinterpret_cast<T*>(m.lParam)); }
};

// The parameter lists a handler may have: those above, with these structures.
template <class... Signatures>
struct SignatureList {};
template <class... Structures>
struct PointedAt {
    using List = SignatureList<void(const Structures&)..., void(Structures&)...>;
};
template <class A, class B>
struct Joined;
template <class... A, class... B>
struct Joined<SignatureList<A...>, SignatureList<B...>> {
    using List = SignatureList<A..., B...>;
};
using Signatures = Joined<
    SignatureList<void(), void(const Message&), void(const Message&, bool&), void(WPARAM, LPARAM), void(WPARAM),
                  void(HWND), void(int), void(int, int), void(int, int, HWND), void(UINT, int, int), void(HDC)>,
    PointedAt<NMHDR, NMUPDOWN, NMITEMACTIVATE, NMLISTVIEW, NMLVDISPINFOW, NMLVKEYDOWN, NMLVCUSTOMDRAW, NMLVCACHEHINT,
              NMLVODSTATECHANGE, NMLVFINDITEMW, NMCUSTOMDRAW, NMMOUSE, NMTTDISPINFOW, MINMAXINFO, WINDOWPOS,
              DRAWITEMSTRUCT, MEASUREITEMSTRUCT, HELPINFO, CREATESTRUCTW, RECT, MSG>::List>::List;

// A handler as it is held: of each parameter list, one returning nothing, one
// returning bool, and one returning the result (LRESULT, or BOOL as
// WM_INITDIALOG's handlers do).
template <class R, class Signature>
struct MemberOf;
template <class R, class... A>
struct MemberOf<R, void(A...)> {
    using Type = R (MessageTarget::*)(A...);
};

// One of the handlers of any kind, held as that kind. Only the member it was
// made with is ever read.
template <class... Members>
union AnyMember;
template <>
union AnyMember<> {
    constexpr AnyMember() : none() {}
    char none;
};
template <class First, class... Rest>
union AnyMember<First, Rest...> {
    constexpr AnyMember(First f) : first(f) {}
    template <class F>
    constexpr AnyMember(F f) : rest(f) {}

    template <class F>
    F Get() const {
        if constexpr (std::is_same_v<F, First>) {
            return first;
        } else {
            return rest.template Get<F>();
        }
    }

    First first;
    AnyMember<Rest...> rest;
};

template <class List>
struct AnyMemberOf;
template <class... S>
struct AnyMemberOf<SignatureList<S...>> {
    using Type = AnyMember<typename MemberOf<void, S>::Type..., typename MemberOf<bool, S>::Type...,
                           typename MemberOf<LRESULT, S>::Type..., typename MemberOf<BOOL, S>::Type...>;
};

using AnyHandler = AnyMemberOf<Signatures>::Type;
// What a row calls: takes the handler out of the row (`slot` points at it),
// the arguments out of the message, and calls it.
using Thunk = LRESULT (*)(MessageTarget& owner, const void* slot, const Message& message, bool& handled);

template <class F>
struct AsTargetMember;
template <class Owner, class R, class... A>
struct AsTargetMember<R (Owner::*)(A...)> {
    static_assert(std::is_base_of_v<MessageTarget, Owner>, "a message map's class derives from MessageTarget");
    using Type = R (MessageTarget::*)(A...);
};

// A handler returning nothing has handled the message with the result 0; one
// returning bool says whether it handled it (false: not mine, pass it on), the
// result then 0; one returning LRESULT or BOOL gives the result, and one that
// also takes `handled` may clear it to pass the message on.
template <class R, class... A>
LRESULT CallHandler(MessageTarget& owner, const void* slot, const Message& m, bool& handled) {
    using F = R (MessageTarget::*)(A...);
    using Args = Crack<F>;
    const F f = static_cast<const AnyHandler*>(slot)->template Get<F>();
    if constexpr (std::is_void_v<R>) {
        Args::Call(owner, f, m, handled);
        return 0;
    } else if constexpr (std::is_same_v<R, bool>) {
        handled = Args::Call(owner, f, m, handled);
        return 0;
    } else {
        return static_cast<LRESULT>(Args::Call(owner, f, m, handled));
    }
}

// A handler converted for a row, with the thunk for its kind: one thunk per
// kind for the whole program, not one per row.
struct TypedHandler {
    template <class R, class... A>
    constexpr TypedHandler(R (MessageTarget::*handler)(A...)) : thunk(&CallHandler<R, A...>), handler(handler) {}

    Thunk thunk;
    AnyHandler handler;
};

}  // namespace message_map_detail

// The handler of a row that takes only what it uses, as in
//     {WM_SIZE, kAnyId, kAnyCode, Handler<&PlotView::OnSize>},
// with OnSize(UINT kind, int width, int height); the parameter lists the
// message is cracked for are listed in message_map_detail::Signatures.
template <auto F>
inline constexpr message_map_detail::TypedHandler Handler{
    static_cast<typename message_map_detail::AsTargetMember<decltype(F)>::Type>(F)};

// What a row of Owner's map holds: a Handler<...>, or a member of Owner taking
// the whole message and `handled` (which it clears to pass the message on).
template <class Owner>
struct MessageHandler {
    using Member = LRESULT (Owner::*)(const Message& message, bool& handled);

    constexpr MessageHandler(const message_map_detail::TypedHandler& typed) : thunk(typed.thunk), slot(typed.handler) {}
    constexpr MessageHandler(Member member) : thunk(&CallMember), slot(member) {}

    message_map_detail::Thunk thunk;
    union Slot {
        constexpr Slot(const message_map_detail::AnyHandler& typed) : typed(typed) {}
        constexpr Slot(Member member) : member(member) {}
        message_map_detail::AnyHandler typed;
        Member member;
    } slot;

private:
    static LRESULT CallMember(MessageTarget& owner, const void* slot, const Message& m, bool& handled) {
        return (static_cast<Owner&>(owner).*static_cast<const Slot*>(slot)->member)(m, handled);
    }
};

// One row of a message map: the message, and for WM_COMMAND and WM_NOTIFY the
// control id and notification code it applies to (kAnyId, kAnyCode: all), then
// the handler.
template <class Owner>
struct MessageMapEntry {
    UINT message;
    int id;
    int code;
    MessageHandler<Owner> handler;
};

// Whether a row for `message`, `id` and `code` takes the message.
bool RowFits(const Message& m, UINT message, int id, int code);

// Finds the first row that matches and calls its handler; the next row that
// matches when the handler passes the message on. Returns whether a handler
// took the message; `result` is then its result.
template <class Owner>
bool RouteMessage(Owner& owner, const MessageMapEntry<Owner>* map, size_t count, const Message& m, LRESULT& result) {
    for (const MessageMapEntry<Owner>* row = map; row != map + count; ++row) {
        if (!RowFits(m, row->message, row->id, row->code)) continue;
        bool handled = true;
        LRESULT r = row->handler.thunk(owner, &row->handler.slot, m, handled);
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
