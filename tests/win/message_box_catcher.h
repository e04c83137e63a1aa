#pragma once

#include <windows.h>

#include <string>
#include <vector>

// Catches the message boxes that the code under test shows on this thread:
// a WH_CBT hook records each box as it is activated (caption, text, icon) and
// then presses its OK button (or another, AnswerWith), so that the test goes on
// without a user.
class MessageBoxCatcher {
public:
    enum class Icon { none, information, warning, error, question };

    struct Box {
        std::wstring caption;
        std::wstring text;
        Icon icon = Icon::none;
        bool hasOwner = false;
        int otherVisibleWindows = 0;  // the thread's other visible top-level windows at the time
    };

    MessageBoxCatcher();
    ~MessageBoxCatcher();
    MessageBoxCatcher(const MessageBoxCatcher&) = delete;
    MessageBoxCatcher& operator=(const MessageBoxCatcher&) = delete;

    const std::vector<Box>& boxes() const { return boxes_; }
    // The button that the following boxes are answered with (IDOK unless set).
    void AnswerWith(int buttonId) { answer_ = buttonId; }

private:
    static LRESULT CALLBACK HookProc(int code, WPARAM wParam, LPARAM lParam);
    void Record(HWND box);

    HHOOK hook_ = nullptr;
    std::vector<Box> boxes_;
    int answer_ = IDOK;
};
