// The thin window layer every window shares: centring and the message loop.
#include <gtest/gtest.h>

#include <vector>

#include "ui/centre_window.h"
#include "ui/message_loop.h"

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

}  // namespace

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
