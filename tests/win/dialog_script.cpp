#include "dialog_script.h"

namespace {

DialogScript* activeScript = nullptr;
constexpr DWORD kStepPatience = 5000;  // ms
constexpr UINT kNextStep = WM_APP;
// A queue that never runs dry leaves the next step to the timer.
constexpr int kMostDeferrals = 1000;

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
    static const ATOM nextStepClass = [] {
        WNDCLASSW windowClass = {};
        windowClass.lpfnWndProc = NextStepProc;
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.lpszClassName = L"TesmorDialogScriptNextStep";
        return RegisterClassW(&windowClass);
    }();
    nextStepWindow_ = CreateWindowExW(0, MAKEINTATOM(nextStepClass), nullptr, 0, 0, 0, 0, 0, HWND_MESSAGE,
                                      nullptr, GetModuleHandleW(nullptr), nullptr);
}

DialogScript::~DialogScript() {
    if (nextStepWindow_) DestroyWindow(nextStepWindow_);
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

// The message goes to the back of the queue, behind what the step posted. What
// those messages post in turn (a key's WM_CHAR, say) comes behind it, so the
// next step waits its turn again until nothing of that kind is left.
void DialogScript::NextStepWhenHandled() {
    if (nextStepWindow_ && !finished()) PostMessageW(nextStepWindow_, kNextStep, 0, 0);
}

LRESULT CALLBACK DialogScript::NextStepProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message != kNextStep) return DefWindowProcW(window, message, wParam, lParam);
    DialogScript* script = activeScript;
    if (!script || script->running_) return 0;
    const UINT waiting = HIWORD(GetQueueStatus(QS_ALLPOSTMESSAGE | QS_INPUT | QS_PAINT));
    if ((waiting & (QS_ALLPOSTMESSAGE | QS_INPUT)) != 0) {
        if (++script->nextStepDeferrals_ < kMostDeferrals) script->NextStepWhenHandled();
        return 0;
    }
    script->nextStepDeferrals_ = 0;
    // A window still to be painted is painted only once nothing is posted, and
    // before a timer's tick: the tick runs the step after it.
    if (waiting & QS_PAINT) return 0;
    script->Advance();
    return 0;
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
            nextStepDeferrals_ = 0;
            NextStepWhenHandled();
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
