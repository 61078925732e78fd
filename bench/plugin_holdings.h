// What the plug-in itself holds, counted apart from what the heaps hold: its
// blocks, streams, handles, critical sections and TLS indexes.
//
// The heaps' busy bytes also hold the allocator's own bookkeeping: Wine 10's
// low-fragmentation heap keeps groups of blocks per thread, and their number
// drifts with threads and fibers, whoever allocates. So the plug-in's
// allocations are counted where it makes them: install() points msvcrt.dll's
// and KERNEL32.dll's exports of the calls that hand out something to give
// back (those the DLL imports, built by either toolchain) at counting thunks,
// and a module loaded afterwards, the plug-in with its statically linked
// runtime, binds its imports to them from its first instruction on. Modules
// bound before install() go on calling the originals. (The process's handle
// count is no measure either: other modules' locks make events of their own
// when first contended.)
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <cstdio>
#include <cstring>
#include <malloc.h>

namespace holdings {

struct Counts {
    std::int64_t blocks = 0;     // heap blocks allocated and not freed
    std::int64_t bytes = 0;      // their sizes
    std::int64_t criticalSections = 0;
    std::int64_t tlsIndexes = 0;
    std::int64_t handles = 0;    // events, semaphores, threads and processes it opened
    std::int64_t files = 0;      // streams it opened
    bool operator==(const Counts&) const = default;
};

namespace detail {

inline std::atomic<std::int64_t> blocks{0}, bytes{0}, sections{0}, tls{0}, files{0};

// The handles it opened and has not closed: a close of any other handle is
// not its own to count.
inline std::atomic<HANDLE> handleSet[64];
inline std::atomic<std::int64_t> handleOverflow{0};
inline void opened(HANDLE h) {
    if (!h || h == INVALID_HANDLE_VALUE) return;
    for (auto& slot : handleSet) {
        HANDLE empty = nullptr;
        if (slot.compare_exchange_strong(empty, h)) return;
    }
    handleOverflow.fetch_add(1);  // counted for good
}
inline void closed(HANDLE h) {
    for (auto& slot : handleSet) {
        HANDLE mine = h;
        if (h && slot.compare_exchange_strong(mine, nullptr)) return;
    }
}
inline std::int64_t handlesHeld() {
    std::int64_t n = handleOverflow.load();
    for (auto& slot : handleSet) n += slot.load() != nullptr;
    return n;
}

// The originals, found before the exports are changed.
inline void* (*realMalloc)(size_t);
inline void* (*realCalloc)(size_t, size_t);
inline void* (*realRealloc)(void*, size_t);
inline void (*realFree)(void*);
inline char* (*realStrdup)(const char*);
inline DWORD(WINAPI* realTlsAlloc)();
inline BOOL(WINAPI* realTlsFree)(DWORD);
inline void(WINAPI* realInitCs)(CRITICAL_SECTION*);
inline BOOL(WINAPI* realInitCsSpin)(CRITICAL_SECTION*, DWORD);
inline BOOL(WINAPI* realInitCsEx)(CRITICAL_SECTION*, DWORD, DWORD);
inline void(WINAPI* realDeleteCs)(CRITICAL_SECTION*);
inline FILE* (*realFopen)(const char*, const char*);
inline int (*realFclose)(FILE*);
inline std::uintptr_t (*realBeginThreadEx)(void*, unsigned, unsigned(__stdcall*)(void*), void*, unsigned, unsigned*);
inline HANDLE(WINAPI* realCreateEventA)(SECURITY_ATTRIBUTES*, BOOL, BOOL, const char*);
inline HANDLE(WINAPI* realCreateSemaphoreA)(SECURITY_ATTRIBUTES*, LONG, LONG, const char*);
inline HANDLE(WINAPI* realOpenProcess)(DWORD, BOOL, DWORD);
inline BOOL(WINAPI* realDuplicateHandle)(HANDLE, HANDLE, HANDLE, HANDLE*, DWORD, BOOL, DWORD);
inline BOOL(WINAPI* realCloseHandle)(HANDLE);

inline void gained(void* p) {
    if (!p) return;
    blocks.fetch_add(1, std::memory_order_relaxed);
    bytes.fetch_add(static_cast<std::int64_t>(_msize(p)), std::memory_order_relaxed);
}
inline void lost(void* p) {
    if (!p) return;
    blocks.fetch_sub(1, std::memory_order_relaxed);
    bytes.fetch_sub(static_cast<std::int64_t>(_msize(p)), std::memory_order_relaxed);
}

inline void* countMalloc(size_t n) {
    void* p = realMalloc(n);
    gained(p);
    return p;
}
inline void* countCalloc(size_t n, size_t size) {
    void* p = realCalloc(n, size);
    gained(p);
    return p;
}
inline void countFree(void* p) {
    lost(p);
    realFree(p);
}
inline char* countStrdup(const char* s) {
    char* p = realStrdup(s);
    gained(p);
    return p;
}
// One block in, one block out; size 0 frees (msvcrt's rule).
inline void* countRealloc(void* p, size_t n) {
    const std::int64_t before = p ? static_cast<std::int64_t>(_msize(p)) : 0;
    void* q = realRealloc(p, n);
    if (!p) {
        gained(q);
    } else if (n == 0) {
        blocks.fetch_sub(1, std::memory_order_relaxed);
        bytes.fetch_sub(before, std::memory_order_relaxed);
    } else if (q) {
        bytes.fetch_add(static_cast<std::int64_t>(_msize(q)) - before, std::memory_order_relaxed);
    }
    return q;
}
inline DWORD WINAPI countTlsAlloc() {
    const DWORD i = realTlsAlloc();
    if (i != TLS_OUT_OF_INDEXES) tls.fetch_add(1, std::memory_order_relaxed);
    return i;
}
inline BOOL WINAPI countTlsFree(DWORD i) {
    const BOOL ok = realTlsFree(i);
    if (ok) tls.fetch_sub(1, std::memory_order_relaxed);
    return ok;
}
inline void WINAPI countInitCs(CRITICAL_SECTION* cs) {
    realInitCs(cs);
    sections.fetch_add(1, std::memory_order_relaxed);
}
inline BOOL WINAPI countInitCsSpin(CRITICAL_SECTION* cs, DWORD spin) {
    const BOOL ok = realInitCsSpin(cs, spin);
    if (ok) sections.fetch_add(1, std::memory_order_relaxed);
    return ok;
}
inline BOOL WINAPI countInitCsEx(CRITICAL_SECTION* cs, DWORD spin, DWORD flags) {
    const BOOL ok = realInitCsEx(cs, spin, flags);
    if (ok) sections.fetch_add(1, std::memory_order_relaxed);
    return ok;
}
inline void WINAPI countDeleteCs(CRITICAL_SECTION* cs) {
    sections.fetch_sub(1, std::memory_order_relaxed);
    realDeleteCs(cs);
}

inline FILE* countFopen(const char* path, const char* mode) {
    FILE* f = realFopen(path, mode);
    if (f) files.fetch_add(1, std::memory_order_relaxed);
    return f;
}
inline int countFclose(FILE* f) {
    if (f) files.fetch_sub(1, std::memory_order_relaxed);
    return realFclose(f);
}
inline std::uintptr_t countBeginThreadEx(void* security, unsigned stack, unsigned(__stdcall* start)(void*),
                                         void* arg, unsigned flags, unsigned* id) {
    const std::uintptr_t h = realBeginThreadEx(security, stack, start, arg, flags, id);
    opened(reinterpret_cast<HANDLE>(h));
    return h;
}
inline HANDLE WINAPI countCreateEventA(SECURITY_ATTRIBUTES* sa, BOOL manual, BOOL initial, const char* name) {
    HANDLE h = realCreateEventA(sa, manual, initial, name);
    opened(h);
    return h;
}
inline HANDLE WINAPI countCreateSemaphoreA(SECURITY_ATTRIBUTES* sa, LONG initial, LONG most, const char* name) {
    HANDLE h = realCreateSemaphoreA(sa, initial, most, name);
    opened(h);
    return h;
}
inline HANDLE WINAPI countOpenProcess(DWORD access, BOOL inherit, DWORD id) {
    HANDLE h = realOpenProcess(access, inherit, id);
    opened(h);
    return h;
}
inline BOOL WINAPI countDuplicateHandle(HANDLE fromProcess, HANDLE from, HANDLE toProcess, HANDLE* to,
                                        DWORD access, BOOL inherit, DWORD options) {
    const BOOL ok = realDuplicateHandle(fromProcess, from, toProcess, to, access, inherit, options);
    if (options & DUPLICATE_CLOSE_SOURCE) closed(from);
    if (ok && to && GetProcessId(toProcess) == GetCurrentProcessId()) opened(*to);
    return ok;
}
inline BOOL WINAPI countCloseHandle(HANDLE h) {
    closed(h);
    return realCloseHandle(h);
}

struct Hook {
    const char* dll;
    const char* name;
    void** original;
    void* counting;
    DWORD* slot = nullptr;   // the export's entry in the module's address table
    DWORD saved = 0;
};
inline Hook hooks[] = {
    {"msvcrt.dll", "malloc", reinterpret_cast<void**>(&realMalloc), reinterpret_cast<void*>(&countMalloc)},
    {"msvcrt.dll", "calloc", reinterpret_cast<void**>(&realCalloc), reinterpret_cast<void*>(&countCalloc)},
    {"msvcrt.dll", "realloc", reinterpret_cast<void**>(&realRealloc), reinterpret_cast<void*>(&countRealloc)},
    {"msvcrt.dll", "free", reinterpret_cast<void**>(&realFree), reinterpret_cast<void*>(&countFree)},
    {"msvcrt.dll", "_strdup", reinterpret_cast<void**>(&realStrdup), reinterpret_cast<void*>(&countStrdup)},
    {"msvcrt.dll", "fopen", reinterpret_cast<void**>(&realFopen), reinterpret_cast<void*>(&countFopen)},
    {"msvcrt.dll", "fclose", reinterpret_cast<void**>(&realFclose), reinterpret_cast<void*>(&countFclose)},
    {"msvcrt.dll", "_beginthreadex", reinterpret_cast<void**>(&realBeginThreadEx),
     reinterpret_cast<void*>(&countBeginThreadEx)},
    {"KERNEL32.dll", "CreateEventA", reinterpret_cast<void**>(&realCreateEventA),
     reinterpret_cast<void*>(&countCreateEventA)},
    {"KERNEL32.dll", "CreateSemaphoreA", reinterpret_cast<void**>(&realCreateSemaphoreA),
     reinterpret_cast<void*>(&countCreateSemaphoreA)},
    {"KERNEL32.dll", "OpenProcess", reinterpret_cast<void**>(&realOpenProcess),
     reinterpret_cast<void*>(&countOpenProcess)},
    {"KERNEL32.dll", "DuplicateHandle", reinterpret_cast<void**>(&realDuplicateHandle),
     reinterpret_cast<void*>(&countDuplicateHandle)},
    {"KERNEL32.dll", "CloseHandle", reinterpret_cast<void**>(&realCloseHandle),
     reinterpret_cast<void*>(&countCloseHandle)},
    {"KERNEL32.dll", "TlsAlloc", reinterpret_cast<void**>(&realTlsAlloc), reinterpret_cast<void*>(&countTlsAlloc)},
    {"KERNEL32.dll", "TlsFree", reinterpret_cast<void**>(&realTlsFree), reinterpret_cast<void*>(&countTlsFree)},
    {"KERNEL32.dll", "InitializeCriticalSection", reinterpret_cast<void**>(&realInitCs),
     reinterpret_cast<void*>(&countInitCs)},
    {"KERNEL32.dll", "InitializeCriticalSectionAndSpinCount", reinterpret_cast<void**>(&realInitCsSpin),
     reinterpret_cast<void*>(&countInitCsSpin)},
    {"KERNEL32.dll", "InitializeCriticalSectionEx", reinterpret_cast<void**>(&realInitCsEx),
     reinterpret_cast<void*>(&countInitCsEx)},
    {"KERNEL32.dll", "DeleteCriticalSection", reinterpret_cast<void**>(&realDeleteCs),
     reinterpret_cast<void*>(&countDeleteCs)},
};

// An export's entry is an offset from its module's base, so each thunk (an
// absolute jump to the counting function) must lie within 4 GB above it.
inline unsigned char* thunksNear(HMODULE module, std::size_t size) {
    const auto base = reinterpret_cast<std::uintptr_t>(module);
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(
        base + reinterpret_cast<const IMAGE_DOS_HEADER*>(module)->e_lfanew);
    const std::uintptr_t from = (base + nt->OptionalHeader.SizeOfImage + 0xFFFF) & ~std::uintptr_t{0xFFFF};
    for (std::uintptr_t at = from; at - base < 0xFFFF0000u; at += 0x10000)
        if (void* p = VirtualAlloc(reinterpret_cast<void*>(at), size, MEM_RESERVE | MEM_COMMIT,
                                   PAGE_EXECUTE_READWRITE))
            return static_cast<unsigned char*>(p);
    return nullptr;
}

inline DWORD* exportSlot(HMODULE module, const char* name) {
    auto* base = reinterpret_cast<unsigned char*>(module);
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(
        base + reinterpret_cast<const IMAGE_DOS_HEADER*>(module)->e_lfanew);
    const IMAGE_DATA_DIRECTORY& dir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT];
    const auto* exp = reinterpret_cast<const IMAGE_EXPORT_DIRECTORY*>(base + dir.VirtualAddress);
    const auto* names = reinterpret_cast<const DWORD*>(base + exp->AddressOfNames);
    const auto* ordinals = reinterpret_cast<const WORD*>(base + exp->AddressOfNameOrdinals);
    auto* functions = reinterpret_cast<DWORD*>(base + exp->AddressOfFunctions);
    for (DWORD i = 0; i < exp->NumberOfNames; ++i)
        if (std::strcmp(reinterpret_cast<const char*>(base + names[i]), name) == 0) return &functions[ordinals[i]];
    return nullptr;
}

// Each module's thunks, made once per process.
inline unsigned char* msvcrtThunks = nullptr;
inline unsigned char* kernelThunks = nullptr;

inline void setSlot(DWORD* slot, DWORD value) {
    DWORD old;
    VirtualProtect(slot, sizeof *slot, PAGE_READWRITE, &old);
    *slot = value;
    VirtualProtect(slot, sizeof *slot, old, &old);
}

}  // namespace detail

// Puts the exports back; modules already bound keep counting.
inline void restore() {
    for (detail::Hook& h : detail::hooks) {
        if (h.slot && h.saved) detail::setSlot(h.slot, h.saved);
        h.saved = 0;
    }
}

// Counts from here on what modules loaded after this call allocate; false
// when an export or room for the thunks could not be found (nothing is
// changed then).
inline bool install() {
    using namespace detail;
    constexpr std::size_t kThunk = 16;
    for (Hook& h : hooks) {
        HMODULE m = GetModuleHandleA(h.dll);
        h.slot = m ? exportSlot(m, h.name) : nullptr;
        *h.original = m ? reinterpret_cast<void*>(GetProcAddress(m, h.name)) : nullptr;
        if (!h.slot || !*h.original) return false;
    }
    for (const char* dll : {"msvcrt.dll", "KERNEL32.dll"}) {
        HMODULE m = GetModuleHandleA(dll);
        unsigned char*& thunks = dll[0] == 'm' ? msvcrtThunks : kernelThunks;
        if (!thunks) thunks = thunksNear(m, 4096);
        if (!thunks) {
            restore();
            return false;
        }
        unsigned char* thunk = thunks;
        for (Hook& h : hooks) {
            if (std::strcmp(h.dll, dll) != 0) continue;
            // jmp qword ptr [rip + 0], then the target.
            const unsigned char jump[6] = {0xFF, 0x25, 0, 0, 0, 0};
            std::memcpy(thunk, jump, sizeof jump);
            std::memcpy(thunk + sizeof jump, &h.counting, sizeof h.counting);
            if (!h.saved) h.saved = *h.slot;
            setSlot(h.slot, static_cast<DWORD>(thunk - reinterpret_cast<unsigned char*>(m)));
            thunk += kThunk;
        }
    }
    FlushInstructionCache(GetCurrentProcess(), nullptr, 0);
    return true;
}

inline std::int64_t blocksHeld() { return detail::blocks.load(); }

inline Counts now() {
    return {detail::blocks.load(), detail::bytes.load(), detail::sections.load(), detail::tls.load(),
            detail::handlesHeld(), detail::files.load()};
}

}  // namespace holdings
