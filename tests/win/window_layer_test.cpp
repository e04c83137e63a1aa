// The thin window layer every window shares: centring, the message loop and
// the routing of the message maps.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ui/centre_window.h"
#include "ui/message_loop.h"
#include "ui/message_map.h"

namespace {

HWND Popup(int x, int y, int width, int height, HWND owner = nullptr, DWORD style = WS_POPUP | WS_VISIBLE) {
    return CreateWindowExW(0, L"STATIC", L"", style, x, y, width, height, owner, nullptr,
                           GetModuleHandleW(nullptr), nullptr);
}

RECT WindowRect(HWND window) {
    RECT r;
    GetWindowRect(window, &r);
    return r;
}

class RecordingFilter : public MessageFilter {
public:
    RecordingFilter(std::vector<int>& calls, int name, bool consume)
        : calls_(calls), name_(name), consume_(consume) {}
    bool FilterMessage(MSG&) override {
        calls_.push_back(name_);
        return consume_;
    }

private:
    std::vector<int>& calls_;
    int name_;
    bool consume_;
};

constexpr int kOkId = 10;
constexpr int kBoxId = 11;
constexpr int kSpinId = 12;
constexpr UINT kPrivate = WM_APP + 3;

// A window's map in miniature: each handler notes what it was given, so a test
// sees which row took a message and with what arguments.
class Probe {
public:
    std::vector<std::wstring> calls;
    bool takeMove = false;

    LRESULT Route(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) {
        static constexpr MessageMapEntry<Probe> kMap[] = {
            {WM_CLOSE, kAnyId, kAnyCode, Handler<&Probe::OnClose>},
            {WM_COMMAND, kOkId, kAnyCode, Handler<&Probe::OnOk>},
            {WM_COMMAND, kAnyId, EN_CHANGE, Handler<&Probe::OnChange>},
            {WM_COMMAND, kAnyId, kAnyCode, &Probe::OnAnyCommand},
            {WM_NOTIFY, kSpinId, static_cast<int>(UDN_DELTAPOS), Handler<&Probe::OnSpin>},
            {WM_NOTIFY, kAnyId, kAnyCode, Handler<&Probe::OnNotify>},
            {WM_SIZE, kAnyId, kAnyCode, Handler<&Probe::OnSize>},
            {WM_MOUSEMOVE, kAnyId, kAnyCode, Handler<&Probe::OnMouseMoveIfTaken>},
            {WM_MOUSEMOVE, kAnyId, kAnyCode, &Probe::OnMouseMoveLate},
            {WM_ERASEBKGND, kAnyId, kAnyCode, Handler<&Probe::OnErase>},
            {WM_TIMER, kAnyId, kAnyCode, Handler<&Probe::OnTimer>},
            {WM_KILLFOCUS, kAnyId, kAnyCode, Handler<&Probe::OnKillFocus>},
            {WM_GETMINMAXINFO, kAnyId, kAnyCode, Handler<&Probe::OnMinMax>},
            {kPrivate, kAnyId, kAnyCode, Handler<&Probe::OnPrivate>},
        };
        const Message m{nullptr, message, wParam, lParam};
        return DispatchMessageMap(*this, kMap, m, handled);
    }

private:
    void Note(const std::wstring& call) { calls.push_back(call); }

    void OnClose() { Note(L"close"); }
    LRESULT OnOk(int id) {
        Note(L"ok " + std::to_wstring(id));
        return 21;
    }
    void OnChange(int id, int code, HWND control) {
        Note(L"change " + std::to_wstring(id) + L" " + std::to_wstring(code) + L" " +
             std::to_wstring(reinterpret_cast<UINT_PTR>(control)));
    }
    LRESULT OnAnyCommand(const Message& m, bool& handled) {
        Note(L"command " + std::to_wstring(m.CommandId()));
        handled = m.CommandId() != 99;  // 99: not this map's, pass it on
        return 5;
    }
    LRESULT OnSpin(const NMUPDOWN& change) {
        Note(L"spin " + std::to_wstring(change.iDelta));
        return TRUE;
    }
    LRESULT OnNotify(const NMHDR& header) {
        Note(L"notify " + std::to_wstring(header.idFrom) + L" " + std::to_wstring(static_cast<int>(header.code)));
        return 0;
    }
    void OnSize(UINT kind, int width, int height) {
        Note(L"size " + std::to_wstring(kind) + L" " + std::to_wstring(width) + L" " + std::to_wstring(height));
    }
    bool OnMouseMoveIfTaken(UINT keys, int x, int y) {
        Note(L"move " + std::to_wstring(keys) + L" " + std::to_wstring(x) + L" " + std::to_wstring(y));
        return takeMove;
    }
    LRESULT OnMouseMoveLate(const Message&, bool&) {
        Note(L"move late");
        return 8;
    }
    LRESULT OnErase(HDC dc) {
        Note(L"erase " + std::to_wstring(reinterpret_cast<UINT_PTR>(dc)));
        return TRUE;
    }
    void OnTimer(WPARAM id) { Note(L"timer " + std::to_wstring(id)); }
    void OnKillFocus(HWND next) { Note(L"kill focus " + std::to_wstring(reinterpret_cast<UINT_PTR>(next))); }
    void OnMinMax(MINMAXINFO& limits) { limits.ptMinTrackSize = {300, 200}; }
    LRESULT OnPrivate(WPARAM wParam, LPARAM lParam) {
        Note(L"private " + std::to_wstring(wParam) + L" " + std::to_wstring(lParam));
        return wParam + lParam;
    }
};

}  // namespace

// The first row whose message, id and code fit takes a WM_COMMAND or WM_NOTIFY;
// the id and code come from wParam for one and from the NMHDR for the other.
TEST(MessageMap, TakesTheFirstRowWhoseIdAndCodeFit) {
    Probe probe;
    bool handled = false;
    EXPECT_EQ(probe.Route(WM_COMMAND, MAKEWPARAM(kOkId, BN_CLICKED), 0, handled), 21);
    EXPECT_TRUE(handled);
    EXPECT_EQ(probe.Route(WM_COMMAND, MAKEWPARAM(kBoxId, EN_CHANGE), 0x1234, handled), 0);
    EXPECT_TRUE(handled);
    EXPECT_EQ(probe.Route(WM_COMMAND, MAKEWPARAM(kBoxId, EN_KILLFOCUS), 0, handled), 5);
    EXPECT_TRUE(handled);

    NMUPDOWN change = {};
    change.hdr.idFrom = kSpinId;
    change.hdr.code = UDN_DELTAPOS;
    change.iDelta = -3;
    // The header names the control; wParam (here another id) is not looked at.
    EXPECT_EQ(probe.Route(WM_NOTIFY, kBoxId, reinterpret_cast<LPARAM>(&change), handled), TRUE);
    change.hdr.idFrom = kBoxId;  // the same code from another control
    EXPECT_EQ(probe.Route(WM_NOTIFY, kSpinId, reinterpret_cast<LPARAM>(&change), handled), 0);
    EXPECT_TRUE(handled);

    EXPECT_EQ(probe.calls, (std::vector<std::wstring>{
                               L"ok 10", L"change 11 768 4660", L"command 11", L"spin -3",
                               L"notify 11 " + std::to_wstring(static_cast<int>(UDN_DELTAPOS))}));
}

// A handler that declines (bool false, or `handled` cleared) lets the message
// go on to the next row that fits, and past the map when none is left.
TEST(MessageMap, AHandlerThatDeclinesPassesTheMessageOn) {
    Probe probe;
    bool handled = true;
    EXPECT_EQ(probe.Route(WM_MOUSEMOVE, 0, 0, handled), 8);
    EXPECT_TRUE(handled);
    probe.takeMove = true;
    EXPECT_EQ(probe.Route(WM_MOUSEMOVE, 0, 0, handled), 0);
    EXPECT_TRUE(handled);
    EXPECT_EQ(probe.Route(WM_COMMAND, MAKEWPARAM(99, BN_CLICKED), 0, handled), 0);
    EXPECT_FALSE(handled);
    handled = true;
    EXPECT_EQ(probe.Route(WM_PAINT, 0, 0, handled), 0);  // no row at all
    EXPECT_FALSE(handled);
    EXPECT_EQ(probe.calls, (std::vector<std::wstring>{L"move 0 0 0", L"move late", L"move 0 0 0", L"command 99"}));
}

// Each kind of handler gets its arguments from the right parts of the message,
// the halves of lParam signed (a point left of or above the window), and its
// result back, 0 for one that returns nothing.
TEST(MessageMap, TypedHandlersReceiveTheirArgumentsAndGiveTheirResult) {
    Probe probe;
    probe.takeMove = true;
    bool handled = false;
    EXPECT_EQ(probe.Route(WM_CLOSE, 7, 7, handled), 0);
    EXPECT_TRUE(handled);
    probe.Route(WM_SIZE, SIZE_MAXIMIZED, MAKELPARAM(1280, 720), handled);
    probe.Route(WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(-5, -7), handled);
    EXPECT_EQ(probe.Route(WM_ERASEBKGND, 0xDC, 0, handled), TRUE);
    probe.Route(WM_TIMER, 42, 0, handled);
    probe.Route(WM_KILLFOCUS, 0xABC, 0, handled);
    EXPECT_EQ(probe.Route(kPrivate, 30, 12, handled), 42);
    EXPECT_TRUE(handled);
    MINMAXINFO limits = {};
    probe.Route(WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&limits), handled);
    EXPECT_EQ(limits.ptMinTrackSize.x, 300);
    EXPECT_EQ(limits.ptMinTrackSize.y, 200);
    EXPECT_EQ(probe.calls, (std::vector<std::wstring>{L"close", L"size 2 1280 720", L"move 1 -5 -7", L"erase 220",
                                                      L"timer 42", L"kill focus 2748", L"private 30 12"}));
}

TEST(CentreWindow, CentresOverTheOwnerAndStaysInsideTheWorkArea) {
    RECT area;
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);

    HWND owner = Popup(area.left + 100, area.top + 100, 301, 201);
    HWND window = Popup(0, 0, 100, 50, owner);
    CentreWindow(window);  // no reference: the owner
    RECT r = WindowRect(window);
    EXPECT_EQ(r.left, (area.left + 100 + area.left + 401) / 2 - 50);
    EXPECT_EQ(r.top, (area.top + 100 + area.top + 301) / 2 - 25);
    EXPECT_EQ(r.right - r.left, 100);  // the size is kept

    // Over an owner in the corner the window is pushed back into the area.
    MoveWindow(owner, area.left - 200, area.top - 150, 100, 100, FALSE);
    CentreWindow(window);
    r = WindowRect(window);
    EXPECT_EQ(r.left, area.left);
    EXPECT_EQ(r.top, area.top);
    MoveWindow(owner, area.right - 20, area.bottom - 20, 100, 100, FALSE);
    CentreWindow(window);
    r = WindowRect(window);
    EXPECT_EQ(r.right, area.right);
    EXPECT_EQ(r.bottom, area.bottom);

    // A hidden reference is dropped: the work area is the reference.
    ShowWindow(owner, SW_HIDE);
    CentreWindow(window, owner);
    r = WindowRect(window);
    EXPECT_EQ(r.left, (area.left + area.right) / 2 - 50);
    EXPECT_EQ(r.top, (area.top + area.bottom) / 2 - 25);

    DestroyWindow(window);
    DestroyWindow(owner);
}

TEST(CentreWindow, CentresAChildInItsParentsClientArea) {
    HWND parent = Popup(10, 10, 400, 300);
    HWND child = Popup(0, 0, 40, 20, parent, WS_CHILD | WS_VISIBLE);
    ASSERT_NE(child, nullptr);
    CentreWindow(child);
    RECT client;
    GetClientRect(parent, &client);
    RECT r = WindowRect(child);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
    EXPECT_EQ(r.left, client.right / 2 - 20);
    EXPECT_EQ(r.top, client.bottom / 2 - 10);
    DestroyWindow(parent);
}

TEST(MessageLoop, AsksTheNewestFilterFirstAndStopsAtTheOneThatConsumes) {
    std::vector<int> calls;
    RecordingFilter first(calls, 1, false);
    RecordingFilter second(calls, 2, true);
    RecordingFilter third(calls, 3, false);
    MessageLoop loop;
    loop.RegisterFilter(&first);
    loop.RegisterFilter(&second);
    loop.RegisterFilter(&third);
    MSG message = {};
    EXPECT_TRUE(loop.Filter(message));
    EXPECT_EQ(calls, (std::vector<int>{3, 2}));

    calls.clear();
    loop.UnregisterFilter(&second);
    EXPECT_FALSE(loop.Filter(message));
    EXPECT_EQ(calls, (std::vector<int>{3, 1}));
}

TEST(MessageLoop, RunsUntilQuitAndReturnsItsCode) {
    MessageLoop loop;
    EnterMessageLoop(&loop);
    EXPECT_EQ(CurrentMessageLoop(), &loop);
    PostQuitMessage(7);
    EXPECT_EQ(loop.Run(), 7);
    LeaveMessageLoop();
    EXPECT_EQ(CurrentMessageLoop(), nullptr);
}
