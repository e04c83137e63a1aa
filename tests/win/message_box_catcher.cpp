#include "message_box_catcher.h"

#include "numtext/edit_text_win.h"

namespace {

// One catcher at a time: the hook procedure has no other way to find it.
MessageBoxCatcher* activeCatcher = nullptr;

// The id of the text static in a message box.
constexpr int kMessageTextId = 0xFFFF;

MessageBoxCatcher::Icon IconOf(HWND box) {
    // The box shows one of the system's shared icons in a static.
    for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        HICON shown = reinterpret_cast<HICON>(SendMessageW(child, STM_GETICON, 0, 0));
        if (!shown) continue;
        if (shown == LoadIconW(nullptr, IDI_INFORMATION)) return MessageBoxCatcher::Icon::information;
        if (shown == LoadIconW(nullptr, IDI_WARNING)) return MessageBoxCatcher::Icon::warning;
        if (shown == LoadIconW(nullptr, IDI_ERROR)) return MessageBoxCatcher::Icon::error;
        if (shown == LoadIconW(nullptr, IDI_QUESTION)) return MessageBoxCatcher::Icon::question;
    }
    return MessageBoxCatcher::Icon::none;
}

struct VisibleCount {
    HWND box;
    int visible;
};

BOOL CALLBACK CountVisible(HWND other, LPARAM context) {
    VisibleCount* count = reinterpret_cast<VisibleCount*>(context);
    if (other != count->box && IsWindowVisible(other)) ++count->visible;
    return TRUE;
}

}  // namespace

MessageBoxCatcher::MessageBoxCatcher() {
    activeCatcher = this;
    hook_ = SetWindowsHookExW(WH_CBT, HookProc, nullptr, GetCurrentThreadId());
}

MessageBoxCatcher::~MessageBoxCatcher() {
    if (hook_) UnhookWindowsHookEx(hook_);
    activeCatcher = nullptr;
}

LRESULT CALLBACK MessageBoxCatcher::HookProc(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_ACTIVATE && activeCatcher) {
        HWND window = reinterpret_cast<HWND>(wParam);
        wchar_t className[32] = {};
        GetClassNameW(window, className, 32);
        if (lstrcmpW(className, L"#32770") == 0 && GetDlgItem(window, kMessageTextId)) {
            activeCatcher->Record(window);
        }
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

void MessageBoxCatcher::Record(HWND window) {
    Box box;
    box.caption = ReadWindowText(window);
    box.text = ReadWindowText(GetDlgItem(window, kMessageTextId));
    box.icon = IconOf(window);
    box.hasOwner = GetWindow(window, GW_OWNER) != nullptr;
    VisibleCount count = {window, 0};
    EnumThreadWindows(GetCurrentThreadId(), CountVisible, reinterpret_cast<LPARAM>(&count));
    box.otherVisibleWindows = count.visible;
    boxes_.push_back(box);
    // Pressed once the box runs its own loop.
    PostMessageW(window, WM_COMMAND, MAKEWPARAM(answer_, BN_CLICKED), 0);
}
