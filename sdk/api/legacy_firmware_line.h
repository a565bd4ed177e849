#pragma once
// One line of a first-generation firmware file: ":<ms>" is a pause, "ZFx<hex>" carries up to
// eight bytes as hexadecimal text for command 127. Pure: no state, no I/O, any thread.
#include <cstddef>
#include <cstdint>

namespace norvane::sdk::legacy {

/// Longest pause a firmware file may ask for; a larger number makes the line invalid rather
/// than stalling the caller.
constexpr uint32_t kMaxFirmwarePauseMs = 60000;

enum class FirmwareLineKind { Invalid, Pause, Data };

struct FirmwareLine {
    FirmwareLineKind kind = FirmwareLineKind::Invalid;
    uint32_t pauseMs = 0;  ///< Pause: the number after ':' in ms, 50 when it is below 1
    char hex[17] = {};     ///< Data: the text after "ZFx" up to the line end, at most 16 characters
};

/// Reads at most length bytes of line (stopping at a NUL). The hexadecimal text is not checked
/// here: the packer refuses what is not hexadecimal.
FirmwareLine ParseFirmwareLine(const char* line, size_t length);

}  // namespace norvane::sdk::legacy
