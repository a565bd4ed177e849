// The control panel's typed fields over arbitrary text: the motion text check and the integer
// and number exchanges never read out of bounds, and a value they accept lies within the range.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "bench/panel/panel_fields.h"

using namespace norvane::bench;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    (void)MotionTextValid(text);
    const Exchanged position = ExchangeInteger(text, -200000000, 2000000000);
    if (position.value && (*position.value < -200000000 || *position.value > 2000000000)) std::abort();
    const ExchangedNumber current = ExchangeNumber(text, 0, 8);
    if (current.value && (*current.value < 0 || *current.value > 8)) std::abort();
    if (current.value) (void)CurrentTenths(*current.value);
    return 0;
}
