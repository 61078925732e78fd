// The bytes held in busy blocks of every heap of this process, found by
// walking them. Under Wine msvcrt's malloc has a heap of its own, which
// GetProcessHeaps lists beside the process heap, so the DLL's blocks count.
#pragma once

#include <windows.h>

#include <cstdint>

namespace heapbytes {

// Allocates nothing itself. Other threads must not allocate meanwhile if
// the sum is to be compared: each heap is locked only while it is walked.
// Returns UINT64_MAX when the process has more heaps than it can list.
inline std::uint64_t busyBytes() {
    HANDLE heaps[256];
    const DWORD count = GetProcessHeaps(256, heaps);
    if (count == 0 || count > 256) return UINT64_MAX;
    std::uint64_t sum = 0;
    for (DWORD i = 0; i < count; ++i) {
        if (!HeapLock(heaps[i])) return UINT64_MAX;
        PROCESS_HEAP_ENTRY entry{};
        entry.lpData = nullptr;
        while (HeapWalk(heaps[i], &entry))
            if (entry.wFlags & PROCESS_HEAP_ENTRY_BUSY) sum += entry.cbData;
        HeapUnlock(heaps[i]);
    }
    return sum;
}

}  // namespace heapbytes
