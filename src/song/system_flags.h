#pragma once

// The song's `systemFlags`: which reset messages the file carried. The reader takes these
// messages out of the tracks and the writer puts them back from the flags; playback sends
// them before Play All. GS wins when both GS and XG are set.

#include <cstdint>

namespace tonvela {

inline constexpr uint8_t gmOnFlag = 1;     // GM System On
inline constexpr uint8_t gsResetFlag = 2;  // GS Reset
inline constexpr uint8_t xgOnFlag = 4;     // XG System On

// The reset message after GM System On: none, GS Reset or XG System On.
enum class SystemMode { none, gs, xg };

constexpr bool carriesGmOn(uint8_t flags) { return (flags & gmOnFlag) != 0; }

constexpr SystemMode systemMode(uint8_t flags) {
    return (flags & gsResetFlag) ? SystemMode::gs : (flags & xgOnFlag) ? SystemMode::xg : SystemMode::none;
}

constexpr uint8_t withGmOn(uint8_t flags, bool on) {
    return static_cast<uint8_t>(on ? (flags | gmOnFlag) : (flags & ~gmOnFlag));
}

// The flags with GS and XG replaced by the one bit of `mode` (none clears both).
constexpr uint8_t withSystemMode(uint8_t flags, SystemMode mode) {
    auto rest = static_cast<uint8_t>(flags & ~(gsResetFlag | xgOnFlag));
    switch (mode) {
    case SystemMode::gs: return static_cast<uint8_t>(rest | gsResetFlag);
    case SystemMode::xg: return static_cast<uint8_t>(rest | xgOnFlag);
    case SystemMode::none: break;
    }
    return rest;
}

}  // namespace tonvela
