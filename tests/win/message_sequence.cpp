#include "message_sequence.h"

#include <algorithm>
#include <utility>

namespace {

MessageSequence* activeSequence = nullptr;

}  // namespace

std::ostream& operator<<(std::ostream& out, const SentMessage& sent) {
    out << "{message 0x" << std::hex << sent.message << std::dec;
    if (sent.message == WM_COMMAND) {
        out << ", id " << sent.id << ", code " << sent.code;
    } else {
        out << ", wParam " << sent.id;
    }
    if (sent.seen != 0) out << ", seen " << sent.seen;
    return out << "}";
}

MessageSequence::MessageSequence(HWND window, std::vector<UINT> wanted, std::function<int()> look)
    : window_(window), wanted_(std::move(wanted)), look_(std::move(look)) {
    activeSequence = this;
    hook_ = SetWindowsHookExW(WH_CALLWNDPROC, HookProc, nullptr, GetCurrentThreadId());
}

MessageSequence::~MessageSequence() {
    if (hook_) UnhookWindowsHookEx(hook_);
    if (activeSequence == this) activeSequence = nullptr;
}

LRESULT CALLBACK MessageSequence::HookProc(int code, WPARAM wParam, LPARAM lParam) {
    MessageSequence* self = activeSequence;
    if (code == HC_ACTION && self) {
        const CWPSTRUCT& call = *reinterpret_cast<const CWPSTRUCT*>(lParam);
        if (call.hwnd == self->window_ &&
            std::find(self->wanted_.begin(), self->wanted_.end(), call.message) != self->wanted_.end()) {
            SentMessage sent = {call.message, static_cast<int>(call.wParam), 0};
            if (call.message == WM_COMMAND) {
                sent.id = LOWORD(call.wParam);
                sent.code = HIWORD(call.wParam);
            }
            if (self->look_) sent.seen = self->look_();
            self->sent_.push_back(sent);
        }
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}
