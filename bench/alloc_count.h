// Counts heap allocations of the whole process: operator new and the malloc
// family are replaced in the programs that link this (never in sanitizer
// builds, whose runtimes own malloc).
#pragma once

#include <cstdint>

namespace plkalloc {

// False in sanitizer builds, where nothing is counted and nothing watched.
bool counting();

struct Counts {
    std::uint64_t allocations;  // successful allocations since start
    std::uint64_t frees;        // non-null frees since start
    std::int64_t peak;          // highest outstanding count since resetPeak
    std::int64_t outstanding() const { return static_cast<std::int64_t>(allocations - frees); }
};

Counts counts();
// Starts a new high-water mark at the current outstanding count.
void resetPeak();

// Makes operator new throw std::bad_alloc once `allowed` more allocations
// have succeeded, until failAfter(-1); a no-op where nothing is counted.
void failAfter(std::int64_t allowed);

// Watches up to 8 blocks; a watched block leaves the set when it is freed.
// `watched` is how many watched blocks are still allocated.
void watch(void* block);
int watched();

}  // namespace plkalloc
