#include "base/global_memory.h"

#include <cstring>

GlobalMemory CopyToGlobalMemory(const void* bytes, size_t size) {
    GlobalMemory memory(GlobalAlloc(GMEM_MOVEABLE, size));
    if (!memory) return memory;
    {
        GlobalLockScope lock(memory.get());
        if (!lock.data()) return GlobalMemory();
        std::memcpy(lock.data(), bytes, size);
    }
    return memory;
}
