// Calling game natives by hash: one 64-bit slot per argument.
#pragma once

#include <cstdint>
#include <cstring>
#include <type_traits>

#include "host/float_bits.h"
#include "host/game_codes.h"
#include "host/platform.h"

// Slot encoding: floats as their 32-bit pattern in the low half, 32-bit
// integers zero-extended (even with the top bit set), booleans 0 and 1,
// pointers and 64-bit values whole.
template <class T>
constexpr std::uint64_t nativeSlot(T value) {
    if constexpr (std::is_same_v<T, bool>) {
        return value ? 1u : 0u;
    } else if constexpr (std::is_same_v<T, float>) {
        return static_cast<std::uint64_t>(floatBits(value));
    } else if constexpr (std::is_pointer_v<T>) {
        return static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(value));
    } else if constexpr (std::is_integral_v<T> && sizeof(T) <= 4) {
        return static_cast<std::uint64_t>(static_cast<std::uint32_t>(value));
    } else {
        static_assert(std::is_integral_v<T> && sizeof(T) == 8, "no slot encoding for this type");
        return static_cast<std::uint64_t>(value);
    }
}

// The reverse of a float's slot: its low half as a float.
constexpr float slotFloat(std::uint64_t slot) { return floatFromBits(static_cast<std::uint32_t>(slot)); }

// Reads the result area as the caller's type: 32 bits for integers and
// floats, all 64 bits for 64-bit values.
template <class R>
inline R nativeResult(const std::uint64_t* area) {
    if constexpr (std::is_same_v<R, float>) {
        return floatFromBits(nativeResult<std::uint32_t>(area));
    } else if constexpr (sizeof(R) == 8) {
        R r;
        std::memcpy(&r, area, sizeof r);
        return r;
    } else {
        std::int32_t i;
        std::memcpy(&i, area, sizeof i);
        return static_cast<R>(i);
    }
}

// nativeInit, one push per argument in order, nativeCall, result read at once.
// R = void leaves the result unread.
template <class R = void, class... Args>
inline R invokeNative(NativeHash hash, Args... args) {
    nativeInit(hash);
    (nativePush64(nativeSlot(args)), ...);
    std::uint64_t* area = nativeCall();
    if constexpr (!std::is_void_v<R>) return nativeResult<R>(area);
    else (void)area;
}
