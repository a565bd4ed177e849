#include "sdk/api/legacy_firmware_line.h"

namespace norvane::sdk::legacy {
namespace {

// Decimal number as strtol reads it (leading blanks, optional sign); saturates instead of
// overflowing.
int64_t ReadNumber(const char* text, size_t length) {
    size_t i = 0;
    while (i < length && (text[i] == ' ' || text[i] == '\t')) ++i;
    bool negative = false;
    if (i < length && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    int64_t value = 0;
    for (; i < length && text[i] >= '0' && text[i] <= '9'; ++i) {
        if (value < INT64_C(1) << 40) value = value * 10 + (text[i] - '0');
    }
    return negative ? -value : value;
}

}  // namespace

FirmwareLine ParseFirmwareLine(const char* line, size_t length) {
    FirmwareLine parsed;
    if (line == nullptr) return parsed;
    size_t end = 0;
    while (end < length && line[end] != '\0') ++end;
    if (end >= 1 && line[0] == ':') {
        const int64_t ms = ReadNumber(line + 1, end - 1);
        if (ms > kMaxFirmwarePauseMs) return parsed;
        parsed.kind = FirmwareLineKind::Pause;
        parsed.pauseMs = ms < 1 ? 50 : static_cast<uint32_t>(ms);
        return parsed;
    }
    if (end < 3 || line[0] != 'Z' || line[1] != 'F' || line[2] != 'x') return parsed;
    size_t count = 0;
    for (size_t i = 3; i < end && line[i] != '\r' && line[i] != '\n' && count < sizeof(parsed.hex) - 1; ++i) {
        parsed.hex[count++] = line[i];
    }
    parsed.kind = FirmwareLineKind::Data;
    return parsed;
}

}  // namespace norvane::sdk::legacy
