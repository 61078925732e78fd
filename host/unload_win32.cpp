// Built into the DLL alone (cmake/windows.cmake). The C++ runtime is linked
// into the DLL, so whatever it takes while the DLL is loaded must be handed
// back when the DLL is unloaded, or a host that loads and frees the plug-in
// again and again keeps growing.
//
// It replaces libgcc's emulated thread-locals and copies the layout of their
// private control object (__emutls_object), which other compilers and native
// thread-locals do not share: anything else is refused here.
#if !defined(_WIN32) || !defined(__x86_64__) || !defined(__MINGW64__) || !defined(__GNUC__) || \
    defined(__clang__) || __GNUC__ < 5 || __GNUC__ > 14
#error "host/unload_win32.cpp is written for the emulated thread-locals of MinGW-w64 GCC 5 to 14 on x86-64"
#endif

#include <windows.h>

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace __gnu_cxx {
void __freeres();  // libstdc++: frees the exception emergency pool
}

namespace {

// ---- Thread-local variables ----
// The runtime keeps its per-thread exception state in an emulated
// thread-local variable, first touched when the settings load throws. The
// stock emulation keeps each thread's copy in a key of the thread library,
// which builds locks for its keys and records the thread in a block with a
// TLS index and two handles; all of that lives as long as the thread, not
// the DLL. This one (linked in with --wrap=__emutls_get_address) keeps every
// thread's copies on one list, freed when their thread ends or at unload.

// The compiler's control object of one thread-local variable.
struct TlsVariable {
    std::size_t size;
    std::size_t align;
    std::atomic<std::size_t> index;  // 0 until first used, then its slot + 1
    const void* initial;             // null: starts zeroed
};
static_assert(sizeof(TlsVariable) == 4 * sizeof(void*) && std::atomic<std::size_t>::is_always_lock_free);

struct ThreadCopies {
    ThreadCopies* prev;
    ThreadCopies* next;
    std::size_t count;
    void** copies;  // by slot; each copy's malloc block lies in the word before it
};

SRWLOCK listLock = SRWLOCK_INIT;
ThreadCopies* threads = nullptr;
std::size_t slotsUsed = 0;
std::atomic<DWORD> tlsIndex{TLS_OUT_OF_INDEXES};

void* newCopy(const TlsVariable& v) {
    const std::size_t align = v.align > sizeof(void*) ? v.align : sizeof(void*);
    auto* base = static_cast<char*>(std::malloc(v.size + align - 1 + sizeof(void*)));
    if (!base) std::abort();
    const auto at = (reinterpret_cast<std::uintptr_t>(base) + sizeof(void*) + align - 1) & ~(align - 1);
    void* copy = reinterpret_cast<void*>(at);
    static_cast<void**>(copy)[-1] = base;
    if (v.initial) std::memcpy(copy, v.initial, v.size);
    else std::memset(copy, 0, v.size);
    return copy;
}

// The caller has taken t off the list or holds the list for good.
void freeCopies(ThreadCopies* t) {
    for (std::size_t i = 0; i < t->count; ++i)
        if (t->copies[i]) std::free(static_cast<void**>(t->copies[i])[-1]);
    std::free(t->copies);
    std::free(t);
}

void unlink(ThreadCopies* t) {
    if (t->prev) t->prev->next = t->next;
    else threads = t->next;
    if (t->next) t->next->prev = t->prev;
}

// A thread that ends while the DLL is loaded takes its copies with it.
void NTAPI onThreadEvent(PVOID, DWORD reason, PVOID) {
    if (reason != DLL_THREAD_DETACH) return;
    const DWORD index = tlsIndex.load(std::memory_order_acquire);
    if (index == TLS_OUT_OF_INDEXES) return;
    auto* t = static_cast<ThreadCopies*>(TlsGetValue(index));
    if (!t) return;
    AcquireSRWLockExclusive(&listLock);
    unlink(t);
    ReleaseSRWLockExclusive(&listLock);
    TlsSetValue(index, nullptr);
    freeCopies(t);
}

void releaseThreadLocals() {
    AcquireSRWLockExclusive(&listLock);
    while (ThreadCopies* t = threads) {
        threads = t->next;
        freeCopies(t);
    }
    const DWORD index = tlsIndex.exchange(TLS_OUT_OF_INDEXES);
    if (index != TLS_OUT_OF_INDEXES) TlsFree(index);
    ReleaseSRWLockExclusive(&listLock);
}

// Runs among the runtime's exit-time destructors, which the runtime's DLL
// entry calls after DllMain(DLL_PROCESS_DETACH) has withdrawn the script and
// the handler; DllMain itself stays with its four registration calls.
struct ReleaseAtUnload {
    constexpr ReleaseAtUnload() = default;
    ~ReleaseAtUnload() {
        __gnu_cxx::__freeres();
        releaseThreadLocals();
    }
};
constinit ReleaseAtUnload releaseAtUnload;

}  // namespace

extern "C" {

// Called by the loader on thread events, like the runtime's own TLS callbacks.
extern const PIMAGE_TLS_CALLBACK plkThreadCallback;
__attribute__((section(".CRT$XLE"), used)) const PIMAGE_TLS_CALLBACK plkThreadCallback = onThreadEvent;

void* __wrap___emutls_get_address(TlsVariable* v) {
    std::size_t index = v->index.load(std::memory_order_acquire);
    if (index == 0) {
        AcquireSRWLockExclusive(&listLock);
        if (tlsIndex.load(std::memory_order_relaxed) == TLS_OUT_OF_INDEXES) {
            const DWORD got = TlsAlloc();
            if (got == TLS_OUT_OF_INDEXES) std::abort();
            tlsIndex.store(got, std::memory_order_release);
        }
        index = v->index.load(std::memory_order_relaxed);
        if (index == 0) {
            index = ++slotsUsed;
            v->index.store(index, std::memory_order_release);
        }
        ReleaseSRWLockExclusive(&listLock);
    }
    const DWORD tls = tlsIndex.load(std::memory_order_acquire);
    const DWORD lastError = GetLastError();  // as the stock version, leave it alone
    auto* t = static_cast<ThreadCopies*>(TlsGetValue(tls));
    SetLastError(lastError);
    if (!t || t->count < index) {
        const std::size_t count = index + 4;
        auto* copies = static_cast<void**>(std::realloc(t ? t->copies : nullptr, count * sizeof(void*)));
        if (!copies) std::abort();
        const std::size_t had = t ? t->count : 0;
        std::memset(copies + had, 0, (count - had) * sizeof(void*));
        if (!t) {
            t = static_cast<ThreadCopies*>(std::malloc(sizeof(ThreadCopies)));
            if (!t) std::abort();
            t->prev = nullptr;
            AcquireSRWLockExclusive(&listLock);
            t->next = threads;
            if (threads) threads->prev = t;
            threads = t;
            ReleaseSRWLockExclusive(&listLock);
            TlsSetValue(tls, t);
            SetLastError(lastError);
        }
        t->copies = copies;
        t->count = count;
    }
    void*& copy = t->copies[index - 1];
    if (!copy) copy = newCopy(*v);
    return copy;
}

// The runtime's one-time initialisations (the classic locale at the first
// stream, function-local statics) go through pthread_once. The thread
// library's version records the calling thread as above: a block, a TLS
// index and two handles lost per load, and after about a thousand loads
// there is no TLS index left and it aborts the process. This one
// (--wrap=pthread_once) needs nothing but the flag: 0 not run, 2 running,
// 1 done.
int __wrap_pthread_once(long* once, void (*init)()) {
    for (;;) {
        const long seen = InterlockedCompareExchange(once, 2, 0);
        if (seen == 1) return 0;
        if (seen == 0) break;
        Sleep(0);  // another thread is running init
    }
    struct Reset {  // an init that throws may be tried again
        long* once;
        bool done = false;
        ~Reset() { InterlockedExchange(once, done ? 1 : 0); }
    } reset{once};
    init();
    reset.done = true;
    return 0;
}

}  // extern "C"
