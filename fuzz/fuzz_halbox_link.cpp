// Outside bytes around Halbox's simulated card: the link messages between Halbox and the card
// (fed in pieces, as a socket delivers them), the SJA1000 receive buffer bytes Halbox decodes,
// and a stream of register requests applied to the card's controller model. None may crash,
// read past what it was given, or give a frame longer than 8 bytes.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "pcican/driver/link_messages.h"
#include "pcican/frame_buffer.h"
#include "sim/sja1000.h"

namespace wire = norvane::halbox::link;

namespace {

/// The readers on both ends append what arrives to a growing buffer and take whole messages
/// from its front; the first input byte sets the size of the pieces.
void FeedLink(const uint8_t* input, size_t size) {
    if (size == 0) return;
    const size_t piece = 1 + input[0] % 64;
    std::vector<uint8_t> pending;
    wire::Message m;
    for (size_t at = 1; at < size; at += piece) {
        pending.insert(pending.end(), input + at, input + std::min(size, at + piece));
        size_t taken = 0;
        for (;;) {
            size_t used = 0;
            const auto r = wire::Decode(pending.data() + taken, pending.size() - taken, m, used);
            if (r == wire::DecodeResult::Malformed) return;  // the link would be closed
            if (r == wire::DecodeResult::NeedMore) break;
            if (used == 0 || taken + used > pending.size() || m.dataLength > wire::kMaxWrite) std::abort();
            uint8_t again[wire::kMaxMessage];
            if (wire::Encode(m, again) != used || std::memcmp(again, pending.data() + taken, used) != 0)
                std::abort();
            taken += used;
        }
        pending.erase(pending.begin(), pending.begin() + static_cast<std::ptrdiff_t>(taken));
        if (pending.size() > wire::kMaxMessage) std::abort();  // an incomplete message is never longer
    }
}

void DecodeBuffers(const uint8_t* input, size_t size) {
    for (size_t at = 0; at + norvane::halbox::kFrameBufferBytes <= size;
         at += norvane::halbox::kFrameBufferBytes) {
        uint8_t bytes[norvane::halbox::kFrameBufferBytes];
        std::memcpy(bytes, input + at, sizeof bytes);
        const MarlixFrame f = norvane::halbox::DecodeFrameBuffer(bytes);
        if (f.length > 8 || (!f.extended && f.identifier > 0x7FF) || f.identifier > 0x1FFFFFFF) std::abort();
    }
}

/// Each 3 bytes: operation, address, value. Operations: read, write, a frame from the bus
/// (identifier from the next bytes), a transmission attempt, bus-off, time passing.
void DriveChip(const uint8_t* input, size_t size) {
    if (size == 0) return;
    norvane::sim::Sja1000 chip(input[0] & 1 ? 1000000 : 250000);
    uint64_t now = 0;
    for (size_t at = 1; at + 3 <= size; at += 3) {
        const uint8_t op = input[at] % 6, address = input[at + 1], value = input[at + 2];
        switch (op) {
            case 0:
                (void)chip.Read(static_cast<uint8_t>(address & 0x7F), now);
                break;
            case 1:
                chip.Write(static_cast<uint8_t>(address & 0x7F), value, now);
                break;
            case 2: {
                norvane::sim::CanFrame f;
                f.id = uint32_t{address} << 21 | uint32_t{value} << 3;
                f.extended = (value & 1) != 0;
                if (!f.extended) f.id &= 0x7FF;
                f.remote = (value & 2) != 0;
                f.length = static_cast<uint8_t>(value % 9);
                chip.FrameFromBus(f, now);
                break;
            }
            case 3:
                if (auto f = chip.TakeTransmission((value & 1) != 0, now); f && f->length > 8) std::abort();
                break;
            case 4:
                chip.ForceBusOff(value & 1, now);
                break;
            default:
                now += uint64_t{value} * 16;
        }
        if (chip.Read(29, now) > 64) std::abort();  // at most 64 messages in a 64-byte FIFO
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    std::unique_ptr<uint8_t[]> input(new uint8_t[size]);
    std::memcpy(input.get(), data, size);
    switch (input[0] % 3) {
        case 0:
            FeedLink(input.get() + 1, size - 1);
            break;
        case 1:
            DecodeBuffers(input.get() + 1, size - 1);
            break;
        default:
            DriveChip(input.get() + 1, size - 1);
    }
    return 0;
}
