// Calling game natives by hash: one 64-bit slot per argument.
#pragma once

#include <cstdint>
#include <cstring>
#include <type_traits>

#include "host/platform.h"

using NativeHash = std::uint64_t;

// Slot encoding: floats as their 32-bit pattern in the low half, 32-bit
// integers zero-extended (even with the top bit set), booleans 0 and 1,
// pointers and 64-bit values whole.
template <class T>
constexpr std::uint64_t nativeSlot(T value) {
    if constexpr (std::is_same_v<T, bool>) {
        return value ? 1u : 0u;
    } else if constexpr (std::is_same_v<T, float>) {
        return static_cast<std::uint64_t>(__builtin_bit_cast(std::uint32_t, value));
    } else if constexpr (std::is_pointer_v<T>) {
        return static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(value));
    } else if constexpr (std::is_integral_v<T> && sizeof(T) <= 4) {
        return static_cast<std::uint64_t>(static_cast<std::uint32_t>(value));
    } else {
        static_assert(std::is_integral_v<T> && sizeof(T) == 8, "no slot encoding for this type");
        return static_cast<std::uint64_t>(value);
    }
}

// Reads the result area as the caller's type: 32 bits for integers and
// floats, all 64 bits for 64-bit values.
template <class R>
inline R nativeResult(const std::uint64_t* area) {
    if constexpr (std::is_same_v<R, float>) {
        float f;
        std::memcpy(&f, area, sizeof f);
        return f;
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

// Natives by role.
namespace natives {
inline constexpr NativeHash nativePlayerIndex = 0x217E9DC48139933DULL;
inline constexpr NativeHash nativePlayerCharacter = 0x275F255ED201B937ULL;
inline constexpr NativeHash nativeIsMounted = 0x460BC76A0E10655EULL;
inline constexpr NativeHash nativeMountOf = 0xE7E11B8DCBED1058ULL;
inline constexpr NativeHash nativeEntityBlocked = 0x997ABD671D25CA0BULL;
inline constexpr NativeHash nativeSuppressControl = 0xFE99B66D079CF6BCULL;
inline constexpr NativeHash nativeControlQuery = 0xF3A21BCD95725A4AULL;
inline constexpr NativeHash nativeControlQuerySecondary = 0x50F940259D3841E6ULL;
inline constexpr NativeHash nativeSetSpeedPrimary = 0x433083750C5E064AULL;
inline constexpr NativeHash nativeSetSpeedSecondary = 0x01A898D26E2333DDULL;
inline constexpr NativeHash nativeSetControlValue = 0xE8A25867FBA3B05EULL;
inline constexpr NativeHash nativeTextScale = 0x4170B650590B3B00ULL;
inline constexpr NativeHash nativeTextColour = 0x50A41AD966910F03ULL;
inline constexpr NativeHash nativeTextFlag = 0xBE5261939FBECB8CULL;
inline constexpr NativeHash nativeTextSetup = 0x1BE39DBAA7263CA5ULL;
inline constexpr NativeHash nativeTextHandle = 0xFA925AC00EB830B9ULL;
inline constexpr NativeHash nativeTextDraw = 0xD79334A4BB99BAD1ULL;
inline constexpr NativeHash nativeRectDraw = 0x405224591DF02025ULL;
inline constexpr NativeHash nativeHudGate = 0x1B82FD5FFA4D666EULL;
inline constexpr NativeHash nativeHudGateOverride = 0x74F1D22EFA71FAB8ULL;
inline constexpr NativeHash nativeEntitySpeed = 0x8517D4A6CA8513EDULL;
}  // namespace natives
