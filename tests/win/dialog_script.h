#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

// Drives modal dialogs from inside their own loops: the steps run one after
// the other, each as soon as the loop has handled everything the step before
// caused (what it posted, what that posted in turn, and the painting). A step
// that is not ready yet is called again every few milliseconds, on a thread
// timer, which every modal loop dispatches. A step that does not succeed
// within its time fails the script, which then cancels whatever dialog is open
// so that the test does not hang.
class DialogScript {
public:
    DialogScript();
    ~DialogScript();
    DialogScript(const DialogScript&) = delete;
    DialogScript& operator=(const DialogScript&) = delete;

    DialogScript& Then(const char* what, std::function<bool()> step);

    bool finished() const { return next_ >= steps_.size(); }
    // The steps that timed out, by name.
    const std::vector<std::string>& failures() const { return failures_; }

private:
    struct Step {
        std::string what;
        std::function<bool()> run;
    };
    static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD);
    static LRESULT CALLBACK NextStepProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    void Advance();
    void NextStepWhenHandled();

    std::vector<Step> steps_;
    size_t next_ = 0;
    DWORD stepStart_ = 0;
    bool running_ = false;
    UINT_PTR timer_ = 0;
    HWND nextStepWindow_ = nullptr;  // message-only; a message posted to it runs the next step
    int nextStepDeferrals_ = 0;
    std::vector<std::string> failures_;
};

// The thread's visible dialog that holds a control with this id.
HWND FindDialogWith(int controlId);
// The thread's visible dialog with this title.
HWND FindDialogTitled(const std::wstring& title);
