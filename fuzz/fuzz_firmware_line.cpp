// Firmware file lines: the line parser and the command-127 packing of what it extracts.
#include <cstdint>
#include <cstring>
#include <memory>

#include "sdk/api/legacy_firmware_line.h"
#include "sdk/core/codec/codec.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    auto line = std::make_unique<char[]>(size);
    if (size > 0) std::memcpy(line.get(), data, size);
    const auto parsed = norvane::sdk::legacy::ParseFirmwareLine(line.get(), size);
    if (parsed.kind == norvane::sdk::legacy::FirmwareLineKind::Pause &&
        (parsed.pauseMs < 1 || parsed.pauseMs > norvane::sdk::legacy::kMaxFirmwarePauseMs)) {
        __builtin_trap();
    }
    if (parsed.kind == norvane::sdk::legacy::FirmwareLineKind::Data) {
        KymCanMsg message{};
        norvane::sdk::PackFirstGen(5, 0x7F, 0, parsed.hex, &message);
        if (message.length > 8) __builtin_trap();
    }
    return 0;
}
