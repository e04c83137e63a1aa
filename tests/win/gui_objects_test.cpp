// The counter of USER and GDI objects that the leak checks rely on: it must
// see objects come and go, under Wine as on Windows.
#include "gui_objects.h"

#include <windows.h>

#include <gtest/gtest.h>

namespace {

// A popup with an edit box in it, and a message-only window.
struct SomeWindows {
    SomeWindows() {
        parent = CreateWindowExW(0, L"STATIC", L"parent", WS_POPUP, 0, 0, 50, 50, nullptr, nullptr, nullptr,
                                 nullptr);
        child = CreateWindowExW(0, L"EDIT", L"", WS_CHILD, 0, 0, 20, 20, parent, nullptr, nullptr, nullptr);
        messageOnly =
            CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    }
    ~SomeWindows() {
        DestroyWindow(messageOnly);
        DestroyWindow(parent);  // and its child
    }
    HWND parent, child, messageOnly;
};

}  // namespace

TEST(GuiObjects, CountsGdiObjectsAndWindowsAsTheyComeAndGo) {
    // The first windows of a kind leave objects that the system keeps for
    // the next ones; those are not what this test is about.
    { SomeWindows first; }
    const GuiObjects start = CountGuiObjects();
    EXPECT_GT(start.gdi, 0u) << "not even the stock objects are counted";

    HBRUSH brush = CreateSolidBrush(RGB(10, 20, 30));
    HBITMAP bitmap = CreateBitmap(8, 8, 1, 32, nullptr);
    HRGN region = CreateRectRgn(0, 0, 5, 5);
    ASSERT_TRUE(brush && bitmap && region);
    EXPECT_EQ(CountGuiObjects().gdi, start.gdi + 3);

    HWND parent =
        CreateWindowExW(0, L"STATIC", L"parent", WS_POPUP, 0, 0, 50, 50, nullptr, nullptr, nullptr, nullptr);
    HWND child = CreateWindowExW(0, L"EDIT", L"", WS_CHILD, 0, 0, 20, 20, parent, nullptr, nullptr, nullptr);
    HWND messageOnly =
        CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    ASSERT_TRUE(parent && child && messageOnly);
    EXPECT_GE(CountGuiObjects().user, start.user + 3);

    DeleteObject(brush);
    DeleteObject(bitmap);
    DeleteObject(region);
    DestroyWindow(messageOnly);
    DestroyWindow(parent);  // and its child
    const GuiObjects end = CountGuiObjects();
    EXPECT_EQ(end.gdi, start.gdi);
    EXPECT_EQ(end.user, start.user);
}
