#include "sim/nodes/rfid_reader.h"

namespace norvane::sim::nodes {

namespace {
constexpr uint8_t kOpenAntenna = 0x04, kCloseAntenna = 0x03, kFind = 0x0B, kRelease = 0x0A;
constexpr uint8_t kReadA = 12, kReadB = 13, kWriteA = 14, kWriteB = 15;

bool IsTrailer(CardType type, int block) {
    if (type == CardType::S70 && block >= 128) return (block - 128) % 16 == 15;
    return block % 4 == 3;
}
}  // namespace

int CardBlocks(CardType type) {
    return type == CardType::S70 ? 256 : 64;
}

RfidReader::RfidReader(uint8_t id, uint16_t firmware, uint32_t serial)
    : SecondGenNode(id, ModelBytes{1, 92, 0, 0, firmware}, serial != 0 ? serial : 0x52460000u + id) {}

void RfidReader::Restart() {
    antenna_ = false;
    selected_ = false;
    dma_ = DmaWindow{};
}

void RfidReader::PlaceCard(CardType type, uint32_t cardNumber) {
    std::lock_guard lock(mutex_);
    present_ = true;
    selected_ = false;
    type_ = type;
    cardNumber_ = cardNumber;
    blocks_.assign(static_cast<size_t>(CardBlocks(type)), {});
    for (int b = 0; b < CardBlocks(type); ++b) {
        if (!IsTrailer(type, b)) continue;
        // Transport configuration: key A and key B all 0xFF, access bits FF 07 80 69.
        auto& t = blocks_[static_cast<size_t>(b)];
        t.fill(0xFF);
        t[6] = 0xFF, t[7] = 0x07, t[8] = 0x80, t[9] = 0x69;
    }
    auto& maker = blocks_[0];
    WriteLe(maker.data(), cardNumber, 4);
    maker[4] = static_cast<uint8_t>(maker[0] ^ maker[1] ^ maker[2] ^ maker[3]);  // check byte
    maker[5] = 0x08;
}

void RfidReader::RemoveCard() {
    std::lock_guard lock(mutex_);
    present_ = false;
    selected_ = false;
}

std::array<uint8_t, 16> RfidReader::Block(int block) const {
    std::lock_guard lock(mutex_);
    if (!present_ || block < 0 || block >= static_cast<int>(blocks_.size())) return {};
    return blocks_[static_cast<size_t>(block)];
}

bool RfidReader::AntennaOn() const {
    std::lock_guard lock(mutex_);
    return antenna_;
}

bool RfidReader::Operate(uint8_t operation, uint8_t block) {
    switch (operation) {
        case kOpenAntenna:
            antenna_ = true;
            return true;
        case kCloseAntenna:
            antenna_ = false;
            selected_ = false;
            return true;
        case kRelease:
            selected_ = false;
            return true;
        case kFind: {
            selected_ = antenna_ && present_;
            uint8_t number[4] = {};
            if (selected_) WriteLe(number, cardNumber_, 4);
            dma_.Load(number, 4);
            return selected_;
        }
        case kReadA:
        case kReadB:
            if (!selected_ || static_cast<size_t>(block) >= blocks_.size()) return false;
            dma_.Load(blocks_[block].data(), 16);
            return true;
        case kWriteA:
        case kWriteB:
            if (!selected_ || block == 0 || static_cast<size_t>(block) >= blocks_.size()) return false;
            for (size_t i = 0; i < 16; ++i) blocks_[block][i] = dma_.Written()[i];
            dma_.ClearWritten();
            return true;
        default:
            return false;
    }
}

bool RfidReader::HandleCommand(const Request& r, Outbox& out) {
    switch (r.command) {
        case 82: {
            const bool done = r.Byte(0) == 0x01 && Operate(r.Byte(1), r.Byte(2));
            const uint8_t d[4] = {r.Byte(0), r.Byte(1), r.Byte(2), static_cast<uint8_t>(done ? 0 : 1)};
            Answer(r, d, 4, out);
            return true;
        }
        case 83: {
            uint8_t d[8] = {};
            if (r.HasData()) {
                if (!dma_.Write(*r.frame)) {
                    Refuse(r, kErrOutOfRange, out);
                    return true;
                }
                for (size_t i = 0; i < r.Length(); ++i) d[i] = r.Byte(i);
                Answer(r, d, r.Length(), out);
                return true;
            }
            Answer(r, d, dma_.Read(now_, d), out);
            return true;
        }
        default:
            return false;
    }
}

}  // namespace norvane::sim::nodes
