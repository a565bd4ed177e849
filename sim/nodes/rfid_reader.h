#pragma once
// RFID reader (device code 92) with an S40 (16 sectors x 4 blocks) or S70 (32 x 4 + 8 x 16 blocks)
// card. Operations arrive as command 82 with d0 = 0x01 and d1 = operation (0x04 open antenna,
// 0x03 close antenna, 0x0B find card, 0x0A release card, 12/13 read block d2 with key A/B, 14/15
// write block d2); the answer is d0, d1 echoed, d2 = block, d3 = result (0 done, 1 failed).
// Data moves through the command-83 window: a find loads the 4-byte card number, a block read the
// block's 16 bytes; a block write takes the 16 bytes written to the window at addresses 24, 30, 36.
// Keys are not checked (hosts have no way to send them); block 0 (maker data) is read-only.
#include <array>
#include <cstdint>
#include <vector>

#include "sim/nodes/dma_window.h"
#include "sim/nodes/second_gen_node.h"

namespace norvane::sim::nodes {

enum class CardType { S40, S70 };

/// Number of blocks of a card type (64 or 256).
int CardBlocks(CardType type);

class RfidReader : public SecondGenNode {
public:
    explicit RfidReader(uint8_t id, uint16_t firmware = 1100, uint32_t serial = 0);

    // Test hooks and accessors.
    void PlaceCard(CardType type, uint32_t cardNumber);
    void RemoveCard();
    std::array<uint8_t, 16> Block(int block) const;
    bool AntennaOn() const;

protected:
    bool HandleCommand(const Request& r, Outbox& out) override;
    void Restart() override;

private:
    bool Operate(uint8_t operation, uint8_t block);

    bool antenna_ = false;
    bool present_ = false;
    bool selected_ = false;
    CardType type_ = CardType::S40;
    uint32_t cardNumber_ = 0;
    std::vector<std::array<uint8_t, 16>> blocks_;
    DmaWindow dma_;
};

}  // namespace norvane::sim::nodes
