#pragma once

#include <windows.h>

// Owns a kernel handle (a file, for one) and closes it once.
class UniqueHandle {
public:
    UniqueHandle() = default;
    explicit UniqueHandle(HANDLE handle) : handle_(handle) {}
    ~UniqueHandle() { Reset(); }

    UniqueHandle(UniqueHandle&& other) noexcept : handle_(other.Release()) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept {
        if (this != &other) Reset(other.Release());
        return *this;
    }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;

    HANDLE get() const { return handle_; }
    bool valid() const { return handle_ != nullptr && handle_ != INVALID_HANDLE_VALUE; }
    explicit operator bool() const { return valid(); }

    HANDLE Release() {
        HANDLE h = handle_;
        handle_ = INVALID_HANDLE_VALUE;
        return h;
    }

    // Closes the handle now; false when the system reports an error on closing,
    // which for a file being written can mean that data did not reach it.
    bool Reset(HANDLE handle = INVALID_HANDLE_VALUE) {
        bool closed = true;
        if (valid()) closed = CloseHandle(handle_) != FALSE;
        handle_ = handle;
        return closed;
    }

private:
    HANDLE handle_ = INVALID_HANDLE_VALUE;
};
