#pragma once

#include <windows.h>

#include <vector>

// Something that sees every message of the thread before it is translated and
// dispatched (a modeless dialog's keyboard handling, for one).
class MessageFilter {
public:
    virtual ~MessageFilter() = default;
    // True consumes the message.
    virtual bool FilterMessage(MSG& message) = 0;
};

// The message loop of one thread: the filters are asked, newest first, before
// a message is translated and dispatched.
class MessageLoop {
public:
    void RegisterFilter(MessageFilter* filter) { filters_.push_back(filter); }
    void UnregisterFilter(MessageFilter* filter);

    // Runs until WM_QUIT and returns its wParam.
    int Run();

    // Offers one message to the filters; true when one consumed it.
    bool Filter(MSG& message);

private:
    std::vector<MessageFilter*> filters_;
};

// A filter's place in the loop of the thread that registered it, given up
// when this goes.
class FilterRegistration {
public:
    FilterRegistration() = default;
    ~FilterRegistration() { Unregister(); }
    FilterRegistration(const FilterRegistration&) = delete;
    FilterRegistration& operator=(const FilterRegistration&) = delete;

    // Into the current thread's loop, if it has one; out of any loop before.
    void Register(MessageFilter* filter);
    void Unregister();

private:
    MessageLoop* loop_ = nullptr;
    MessageFilter* filter_ = nullptr;
};

// The loops of the process, by thread. A loop is entered before its thread
// creates the windows that look for it, and left after it has run.
void EnterMessageLoop(MessageLoop* loop);
void LeaveMessageLoop();
MessageLoop* CurrentMessageLoop();
