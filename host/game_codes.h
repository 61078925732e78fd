// The game's natives and controls by role: the one place their codes are written.
#pragma once

#include <cstdint>

using NativeHash = std::uint64_t;

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

// Control hashes, 32 bits, passed zero-extended.
using ControlHash = std::uint32_t;

inline constexpr ControlHash kSpeedUpControl = 0x81457A1Au;
inline constexpr ControlHash kSpeedDownControl = 0x9DA42644u;
// Taken from the game in every pass that gets that far.
inline constexpr ControlHash kTakenControls[2] = {0xFD0F0C2Cu, 0xCC1075A7u};
// Written while riding on auto-walk.
inline constexpr ControlHash kAutoWalkControl = 0x3BBDEFEFu;

// The pace control and the four movement controls, on foot and riding.
struct MovementControls {
    ControlHash pace;
    ControlHash move[4];
};
inline constexpr MovementControls kOnFootControls = {0x8FFC75D6u, {0x8FD015D8u, 0x7065027Du, 0xB4E465B4u, 0xD27782E3u}};
inline constexpr MovementControls kMountedControls = {0x5AA007D7u, {0x699487BBu, 0x86D773F6u, 0x7E6B8612u, 0x56F82045u}};
