#include "ui/message_loop.h"

#include <algorithm>
#include <map>
#include <mutex>

namespace {

std::mutex loopsLock;
std::map<DWORD, MessageLoop*> loops;

}  // namespace

void MessageLoop::UnregisterFilter(MessageFilter* filter) {
    filters_.erase(std::remove(filters_.begin(), filters_.end(), filter), filters_.end());
}

void FilterRegistration::Register(MessageFilter* filter) {
    Unregister();
    loop_ = CurrentMessageLoop();
    filter_ = filter;
    if (loop_) loop_->RegisterFilter(filter_);
}

void FilterRegistration::Unregister() {
    if (loop_) loop_->UnregisterFilter(filter_);
    loop_ = nullptr;
    filter_ = nullptr;
}

bool MessageLoop::Filter(MSG& message) {
    for (auto it = filters_.rbegin(); it != filters_.rend(); ++it) {
        if ((*it)->FilterMessage(message)) return true;
    }
    return false;
}

int MessageLoop::Run() {
    MSG message;
    for (;;) {
        BOOL got = GetMessageW(&message, nullptr, 0, 0);
        if (got == -1) continue;  // an invalid argument; wait again
        if (got == 0) return static_cast<int>(message.wParam);
        if (Filter(message)) continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

void EnterMessageLoop(MessageLoop* loop) {
    std::lock_guard<std::mutex> guard(loopsLock);
    loops[GetCurrentThreadId()] = loop;
}

void LeaveMessageLoop() {
    std::lock_guard<std::mutex> guard(loopsLock);
    loops.erase(GetCurrentThreadId());
}

MessageLoop* CurrentMessageLoop() {
    std::lock_guard<std::mutex> guard(loopsLock);
    auto it = loops.find(GetCurrentThreadId());
    return it == loops.end() ? nullptr : it->second;
}
