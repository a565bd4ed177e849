#include "sdk/can/card_use.h"

namespace norvane::sdk::can {

void CardUse::Take(uint32_t card, uint32_t channel) {
    std::lock_guard guard(lock_);
    channels_[card % kCards] |= static_cast<uint8_t>(1u << (channel & 7));
}

bool CardUse::Give(uint32_t card, uint32_t channel) {
    std::lock_guard guard(lock_);
    channels_[card % kCards] &= static_cast<uint8_t>(~(1u << (channel & 7)));
    return channels_[card % kCards] == 0;
}

bool CardUse::InUse(uint32_t card) const {
    std::lock_guard guard(lock_);
    return channels_[card % kCards] != 0;
}

}  // namespace norvane::sdk::can
