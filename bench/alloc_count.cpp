// glibc lets a program replace malloc; these forward to glibc's own
// allocator and count. Every entry point that hands out or takes back
// memory is replaced, so counts stay balanced whichever one libc uses.
#include "bench/alloc_count.h"

#ifdef PLK_NO_ALLOC_COUNT
// Sanitizer runtimes own malloc: the same interface, counting nothing.
namespace plkalloc {
bool counting() { return false; }
Counts counts() { return {0, 0, 0}; }
void resetPeak() {}
void failAfter(std::int64_t) {}
void watch(void*) {}
int watched() { return 0; }
}  // namespace plkalloc
#else

#include <atomic>
#include <cerrno>
#include <cstddef>
#include <cstdlib>
#include <new>

extern "C" {
void* __libc_malloc(std::size_t);
void* __libc_calloc(std::size_t, std::size_t);
void* __libc_realloc(void*, std::size_t);
void* __libc_memalign(std::size_t, std::size_t);
void __libc_free(void*);
}

namespace {
std::atomic<std::uint64_t> allocated{0};
std::atomic<std::uint64_t> freed{0};
std::atomic<std::int64_t> peak{0};
std::atomic<void*> watchSet[8];
std::atomic<int> watchCount{0};
std::atomic<int> watchOverflow{0};
std::atomic<std::int64_t> allowance{-1};  // negative: no failure armed

bool mayAllocate() {
    std::int64_t left = allowance.load(std::memory_order_relaxed);
    while (left >= 0) {
        if (left == 0) return false;
        if (allowance.compare_exchange_weak(left, left - 1, std::memory_order_relaxed)) return true;
    }
    return true;
}

void* counted(void* p) {
    if (!p) return p;
    const std::uint64_t a = allocated.fetch_add(1, std::memory_order_relaxed) + 1;
    const auto now = static_cast<std::int64_t>(a - freed.load(std::memory_order_relaxed));
    std::int64_t high = peak.load(std::memory_order_relaxed);
    while (now > high && !peak.compare_exchange_weak(high, now, std::memory_order_relaxed)) {
    }
    return p;
}

void countFree(void* p) {
    if (!p) return;
    freed.fetch_add(1, std::memory_order_relaxed);
    if (watchCount.load(std::memory_order_relaxed) == 0) return;
    for (auto& w : watchSet) {
        void* expected = p;
        if (w.compare_exchange_strong(expected, nullptr, std::memory_order_relaxed)) {
            watchCount.fetch_sub(1, std::memory_order_relaxed);
            return;
        }
    }
}

void* alignedNew(std::size_t size, std::size_t align) {
    if (!mayAllocate()) throw std::bad_alloc();
    void* p = counted(__libc_memalign(align, size ? size : 1));
    if (!p) throw std::bad_alloc();
    return p;
}
}  // namespace

namespace plkalloc {
bool counting() { return true; }
Counts counts() {
    return {allocated.load(std::memory_order_relaxed), freed.load(std::memory_order_relaxed),
            peak.load(std::memory_order_relaxed)};
}
void watch(void* block) {
    if (!block) return;
    for (auto& w : watchSet) {
        void* expected = nullptr;
        if (w.compare_exchange_strong(expected, block, std::memory_order_relaxed)) {
            watchCount.fetch_add(1, std::memory_order_relaxed);
            return;
        }
    }
    watchOverflow.fetch_add(1, std::memory_order_relaxed);  // a leak: stays counted for good
}
int watched() { return watchCount.load(std::memory_order_relaxed) + watchOverflow.load(std::memory_order_relaxed); }
void failAfter(std::int64_t allowed) { allowance.store(allowed, std::memory_order_relaxed); }
void resetPeak() { peak.store(counts().outstanding(), std::memory_order_relaxed); }
}  // namespace plkalloc

extern "C" {
void* malloc(std::size_t size) { return counted(__libc_malloc(size)); }
void* calloc(std::size_t n, std::size_t size) { return counted(__libc_calloc(n, size)); }
void* realloc(void* p, std::size_t size) {
    if (!p) return malloc(size);
    if (size == 0) {
        countFree(p);
        __libc_free(p);
        return nullptr;
    }
    return __libc_realloc(p, size);  // one block in, one block out
}
void free(void* p) {
    countFree(p);
    __libc_free(p);
}
void* memalign(std::size_t align, std::size_t size) { return counted(__libc_memalign(align, size)); }
void* aligned_alloc(std::size_t align, std::size_t size) { return memalign(align, size); }
int posix_memalign(void** out, std::size_t align, std::size_t size) {
    void* p = memalign(align, size);
    if (!p) return ENOMEM;
    *out = p;
    return 0;
}
void* valloc(std::size_t size) { return memalign(4096, size); }
void* pvalloc(std::size_t size) { return memalign(4096, (size + 4095) & ~std::size_t{4095}); }
}

void* operator new(std::size_t size) {
    if (!mayAllocate()) throw std::bad_alloc();
    void* p = counted(__libc_malloc(size ? size : 1));
    if (!p) throw std::bad_alloc();
    return p;
}
void* operator new[](std::size_t size) { return operator new(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    try {
        return operator new(size);
    } catch (...) {
        return nullptr;
    }
}
void* operator new[](std::size_t size, const std::nothrow_t& t) noexcept { return operator new(size, t); }
void* operator new(std::size_t size, std::align_val_t a) { return alignedNew(size, static_cast<std::size_t>(a)); }
void* operator new[](std::size_t size, std::align_val_t a) { return alignedNew(size, static_cast<std::size_t>(a)); }
void operator delete(void* p) noexcept { free(p); }
void operator delete[](void* p) noexcept { free(p); }
void operator delete(void* p, std::size_t) noexcept { free(p); }
void operator delete[](void* p, std::size_t) noexcept { free(p); }
void operator delete(void* p, std::align_val_t) noexcept { free(p); }
void operator delete[](void* p, std::align_val_t) noexcept { free(p); }
void operator delete(void* p, std::size_t, std::align_val_t) noexcept { free(p); }
void operator delete[](void* p, std::size_t, std::align_val_t) noexcept { free(p); }
#endif
