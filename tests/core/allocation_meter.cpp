// The global operator new and delete of a test program that measures what a
// call allocates. Every block carries its size in front of it, so that delete
// knows what it gives back whichever form of delete is called.
#include "tests/core/allocation_meter.h"

#include <atomic>
#include <cstdlib>
#include <new>

namespace {

// Keeps the block behind it aligned as malloc aligned it.
constexpr size_t kHeader = 16;

std::atomic<size_t> held{0};
std::atomic<size_t> peak{0};

void* Allocate(size_t size) noexcept {
    if (size > static_cast<size_t>(-1) - kHeader) return nullptr;
    unsigned char* block = static_cast<unsigned char*>(std::malloc(size + kHeader));
    if (!block) return nullptr;
    *reinterpret_cast<size_t*>(block) = size;
    const size_t now = held.fetch_add(size) + size;
    size_t highest = peak.load();
    while (now > highest && !peak.compare_exchange_weak(highest, now)) {
    }
    return block + kHeader;
}

void Release(void* p) noexcept {
    if (!p) return;
    unsigned char* block = static_cast<unsigned char*>(p) - kHeader;
    held.fetch_sub(*reinterpret_cast<size_t*>(block));
    std::free(block);
}

void* AllocateOrThrow(size_t size) {
    void* p = Allocate(size == 0 ? 1 : size);
    if (!p) throw std::bad_alloc();
    return p;
}

}  // namespace

size_t AllocatedBytes() {
    return held.load();
}

size_t PeakAllocatedBytes() {
    return peak.load();
}

void ResetAllocationPeak() {
    peak.store(held.load());
}

void* operator new(size_t size) {
    return AllocateOrThrow(size);
}
void* operator new[](size_t size) {
    return AllocateOrThrow(size);
}
void* operator new(size_t size, const std::nothrow_t&) noexcept {
    return Allocate(size == 0 ? 1 : size);
}
void* operator new[](size_t size, const std::nothrow_t&) noexcept {
    return Allocate(size == 0 ? 1 : size);
}
void operator delete(void* p) noexcept {
    Release(p);
}
void operator delete[](void* p) noexcept {
    Release(p);
}
void operator delete(void* p, size_t) noexcept {
    Release(p);
}
void operator delete[](void* p, size_t) noexcept {
    Release(p);
}
void operator delete(void* p, const std::nothrow_t&) noexcept {
    Release(p);
}
void operator delete[](void* p, const std::nothrow_t&) noexcept {
    Release(p);
}
