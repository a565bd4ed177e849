// Outside bytes that Halbox's SocketCAN channels read: 16-byte struct can_frame messages (data,
// remote and error frames, any flags and lengths), channel configurations with the frames their
// acceptance filter judges, and the HALBOX_SOCKETCAN card map text. No input may crash, read past
// what it was given, give a record longer than 8 bytes or an identifier wider than its format, or
// make the kernel filters drop a frame the controller's filter accepts.
#include <linux/can.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "pcican/socketcan/acceptance_filter.h"
#include "pcican/socketcan/bit_timing.h"
#include "pcican/socketcan/can_frames.h"
#include "pcican/socketcan/card_map.h"

namespace sc = norvane::halbox::socketcan;

namespace {

void Frames(const uint8_t* input, size_t size) {
    sc::ErrorState state;
    for (size_t at = 0; at + sc::kCanFrameBytes <= size; at += sc::kCanFrameBytes) {
        can_frame frame;
        std::memcpy(&frame, input + at, sizeof frame);
        if (frame.can_id & CAN_ERR_FLAG) {
            state.Apply(frame);
            const uint8_t status = state.Status(true, input[at] % 2 ? 0x60 : 0xFF);
            if ((status & 0x80) && (status & 0x0C)) std::abort();  // bus-off sends nothing
            continue;
        }
        const MarlixFrame record = sc::ToRecord(frame);
        if (record.length > 8 || record.sendType != 0) std::abort();
        if (record.identifier > (record.extended ? CAN_EFF_MASK : CAN_SFF_MASK)) std::abort();
        const can_frame again = sc::ToCanFrame(record);
        if ((again.can_id & ~CAN_ERR_FLAG) !=
            (frame.can_id & ~CAN_ERR_FLAG & (record.extended ? ~0u : ~0x1FFFF800u)))
            std::abort();
        if (again.len != record.length) std::abort();
    }
}

void Filters(const uint8_t* input, size_t size) {
    if (size < sizeof(MarlixInitConfig)) return;
    MarlixInitConfig config;
    std::memcpy(&config, input, sizeof config);
    if (sc::BitRateFromTiming(config.busTiming0, config.busTiming1) > sc::kMaxBitRate) std::abort();
    const sc::AcceptanceFilter filter = sc::FilterOf(config);
    const std::vector<can_filter> kernel = sc::KernelFilters(filter);
    for (size_t at = sizeof config; at + sc::kCanFrameBytes <= size; at += sc::kCanFrameBytes) {
        can_frame frame;
        std::memcpy(&frame, input + at, sizeof frame);
        frame.can_id &= ~CAN_ERR_FLAG;
        const MarlixFrame record = sc::ToRecord(frame);
        if (!sc::Accepts(filter, record)) continue;
        const can_frame wire = sc::ToCanFrame(record);
        bool passes = false;
        for (const can_filter& k : kernel) passes = passes || sc::KernelMatches(k, wire.can_id);
        if (!passes) std::abort();
    }
}

void CardMap(const uint8_t* input, size_t size) {
    std::vector<std::string> problems;
    const auto cards = sc::ParseCardMap(std::string(reinterpret_cast<const char*>(input), size), problems);
    for (const auto& card : cards)
        for (const std::string& name : card)
            if (!name.empty() && !sc::ValidInterfaceName(name)) std::abort();
    std::vector<std::string> names;
    for (const auto& card : cards)
        for (const std::string& name : card)
            if (!name.empty()) names.push_back(name);
    const size_t count = names.size();
    size_t paired = 0;
    for (const auto& card : sc::PairInterfaces(names)) paired += !card[0].empty() + !card[1].empty();
    if (paired != count) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    std::unique_ptr<uint8_t[]> input(new uint8_t[size]);
    std::memcpy(input.get(), data, size);
    switch (input[0] % 3) {
        case 0:
            Frames(input.get() + 1, size - 1);
            break;
        case 1:
            Filters(input.get() + 1, size - 1);
            break;
        default:
            CardMap(input.get() + 1, size - 1);
    }
    return 0;
}
