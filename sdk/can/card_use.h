#pragma once
// Which channels of each PCI card are in use, so that a card is closed with its last channel
// only: closing one channel must not stop the other channel of the same card. Thread-safe.
#include <cstdint>
#include <mutex>

namespace norvane::sdk::can {

class CardUse {
public:
    static constexpr uint32_t kCards = 16;

    /// Marks card:channel in use.
    void Take(uint32_t card, uint32_t channel);
    /// Marks card:channel free; true when no channel of the card is in use any more (also when
    /// this one was not marked).
    bool Give(uint32_t card, uint32_t channel);
    bool InUse(uint32_t card) const;

private:
    mutable std::mutex lock_;
    uint8_t channels_[kCards] = {};
};

}  // namespace norvane::sdk::can
