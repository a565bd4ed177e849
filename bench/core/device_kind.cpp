#include "bench/core/device_kind.h"

namespace norvane::bench {

namespace {
uint32_t Family(uint32_t code) {
    return (code >> 8) & 0xFF;
}
}  // namespace

bool IsController(uint32_t code) {
    return Family(code) == 0x18;
}

bool IsIoModule(uint32_t code) {
    return Family(code) == 0x52 || (code & 0xFF) == 0x52 || (code & 0xFFFF) == 0x5008 ||
           (code & 0xFFFF) == 0x5B52;
}

bool IsTemperatureController(uint32_t code) {
    return Family(code) == 0x59;
}

}  // namespace norvane::bench
