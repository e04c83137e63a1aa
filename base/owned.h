#pragma once

// Owns one handle that `Release` gives back to the system: once, on every way
// out of the scope that holds it. A null handle owns nothing. It moves, so a
// function that makes a handle hands back its owner and the handle cannot
// leak on the caller's way out.
template <class Handle, auto Release>
class Owned {
public:
    Owned() : handle_(nullptr) {}
    explicit Owned(Handle handle) : handle_(handle) {}
    ~Owned() {
        if (handle_) Release(handle_);
    }
    Owned(Owned&& other) noexcept : handle_(other.release()) {}
    Owned& operator=(Owned&& other) noexcept {
        if (this != &other) reset(other.release());
        return *this;
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
    // Hands the handle over to the caller (or to the system, which takes some
    // handles over), owning nothing from now on.
    Handle release() {
        Handle handle = handle_;
        handle_ = nullptr;
        return handle;
    }

private:
    Handle handle_;
};
