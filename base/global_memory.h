#pragma once

#include <windows.h>

#include <cstddef>

#include "base/owned.h"

// Movable global memory, the kind the clipboard and COM streams take over:
// freed unless it was given away (release) to whoever takes it.
using GlobalMemory = Owned<HGLOBAL, &GlobalFree>;

// A copy of `size` bytes in new movable global memory; null when the memory
// cannot be had or locked.
GlobalMemory CopyToGlobalMemory(const void* bytes, size_t size);

// Global memory locked for a scope, so that its bytes can be reached; unlocked
// on every way out. `data` is null when it could not be locked (a null or
// discarded block).
class GlobalLockScope {
public:
    explicit GlobalLockScope(HGLOBAL memory) : memory_(memory), data_(memory ? GlobalLock(memory) : nullptr) {}
    ~GlobalLockScope() {
        if (data_) GlobalUnlock(memory_);
    }
    GlobalLockScope(const GlobalLockScope&) = delete;
    GlobalLockScope& operator=(const GlobalLockScope&) = delete;

    void* data() const { return data_; }
    // The block's size in bytes, which may be more than was asked for.
    size_t size() const { return memory_ ? GlobalSize(memory_) : 0; }

private:
    HGLOBAL memory_;
    void* data_;
};
