#pragma once

// Owns one handle that `Release` gives back to the system: once, on every way
// out of the scope that holds it. A null handle owns nothing.
template <class Handle, auto Release>
class Owned {
public:
    explicit Owned(Handle handle = nullptr) : handle_(handle) {}
    ~Owned() {
        if (handle_) Release(handle_);
    }
    Owned(const Owned&) = delete;
    Owned& operator=(const Owned&) = delete;

    Handle get() const { return handle_; }
    explicit operator bool() const { return handle_ != nullptr; }
    // Where a system call that opens the handle puts it; owns nothing before.
    Handle* receive() { return &handle_; }
    // Gives back the handle owned so far, and owns `handle` from now on.
    void reset(Handle handle = nullptr) {
        if (handle_ && handle_ != handle) Release(handle_);
        handle_ = handle;
    }

private:
    Handle handle_;
};
