#pragma once

// Records the messages that are sent to one window, in the order they arrive,
// as the conformance tests of the platform record theirs: where the order of
// messages is the behaviour (re-entrant change notifications, an edit ended by
// a loss of focus), a test compares the sequence with its expected table
// instead of only the state at the end.
#include <windows.h>

#include <functional>
#include <ostream>
#include <vector>

struct SentMessage {
    UINT message;
    int id;        // WM_COMMAND: the control id; otherwise wParam
    int code;      // WM_COMMAND: the notification code; otherwise 0
    int seen = 0;  // what the recorder's look saw as the message arrived

    bool operator==(const SentMessage& other) const {
        return message == other.message && id == other.id && code == other.code && seen == other.seen;
    }
};
std::ostream& operator<<(std::ostream& out, const SentMessage& sent);

// Records, while it lives, the messages in `wanted` that this thread sends to
// `window` (a WH_CALLWNDPROC hook). One recorder at a time. Where what happens
// between the messages matters too (what is drawn, say), `look` is asked as
// each message arrives, before the window handles it, and its answer is kept
// with the message.
class MessageSequence {
public:
    MessageSequence(HWND window, std::vector<UINT> wanted, std::function<int()> look = nullptr);
    ~MessageSequence();
    MessageSequence(const MessageSequence&) = delete;
    MessageSequence& operator=(const MessageSequence&) = delete;

    const std::vector<SentMessage>& sent() const { return sent_; }

private:
    static LRESULT CALLBACK HookProc(int code, WPARAM wParam, LPARAM lParam);

    HWND window_;
    std::vector<UINT> wanted_;
    std::function<int()> look_;
    HHOOK hook_ = nullptr;
    std::vector<SentMessage> sent_;
};
