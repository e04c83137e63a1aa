#include "dialog_script.h"

namespace {

DialogScript* activeScript = nullptr;
constexpr DWORD kStepPatience = 5000;  // ms

struct Search {
    int controlId;
    const std::wstring* title;
    HWND found;
};

BOOL CALLBACK Match(HWND window, LPARAM context) {
    Search* search = reinterpret_cast<Search*>(context);
    if (!IsWindowVisible(window)) return TRUE;
    wchar_t className[16] = {};
    GetClassNameW(window, className, 16);
    if (lstrcmpW(className, L"#32770") != 0) return TRUE;
    bool matches = false;
    if (search->title) {
        wchar_t title[256] = {};
        GetWindowTextW(window, title, 256);
        matches = *search->title == title;
    } else {
        matches = GetDlgItem(window, search->controlId) != nullptr;
    }
    if (!matches) return TRUE;
    search->found = window;
    return FALSE;
}

}  // namespace

DialogScript::DialogScript() {
    activeScript = this;
    timer_ = SetTimer(nullptr, 0, 10, Tick);
    stepStart_ = GetTickCount();
}

DialogScript::~DialogScript() {
    KillTimer(nullptr, timer_);
    activeScript = nullptr;
}

DialogScript& DialogScript::Then(const char* what, std::function<bool()> step) {
    steps_.push_back({what, std::move(step)});
    return *this;
}

void CALLBACK DialogScript::Tick(HWND, UINT, UINT_PTR, DWORD) {
    if (activeScript) activeScript->Advance();
}

void DialogScript::Advance() {
    // A step may open a nested loop (a message box), whose timer ticks must
    // not run the script again.
    if (running_) return;
    running_ = true;
    if (!failures_.empty()) {
        // Unwind: cancel whatever modal dialog is open.
        HWND active = GetActiveWindow();
        if (active) PostMessageW(active, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    } else if (!finished()) {
        if (steps_[next_].run()) {
            ++next_;
            stepStart_ = GetTickCount();
        } else if (GetTickCount() - stepStart_ > kStepPatience) {
            failures_.push_back(steps_[next_].what);
        }
    }
    running_ = false;
}

HWND FindDialogWith(int controlId) {
    Search search = {controlId, nullptr, nullptr};
    EnumThreadWindows(GetCurrentThreadId(), Match, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND FindDialogTitled(const std::wstring& title) {
    Search search = {0, &title, nullptr};
    EnumThreadWindows(GetCurrentThreadId(), Match, reinterpret_cast<LPARAM>(&search));
    return search.found;
}
