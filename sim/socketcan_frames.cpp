#include "sim/socketcan_frames.h"

#include <linux/can.h>
#include <linux/can/error.h>

#include <charconv>
#include <cstring>

namespace norvane::sim {

static_assert(sizeof(can_frame) == kCanFrameRecordSize, "struct can_frame is 16 bytes");

CanFrameRecord EncodeCanFrameRecord(const CanFrame& frame) {
    can_frame f{};
    f.can_id = frame.extended ? (frame.id & CAN_EFF_MASK) | CAN_EFF_FLAG : frame.id & CAN_SFF_MASK;
    if (frame.remote) f.can_id |= CAN_RTR_FLAG;
    f.can_dlc = frame.length > 8 ? 8 : frame.length;
    std::memcpy(f.data, frame.data, sizeof f.data);
    CanFrameRecord record;
    std::memcpy(record.data(), &f, sizeof f);
    return record;
}

RecordKind DecodeCanFrameRecord(const uint8_t* bytes, size_t size, CanFrame& frame) {
    if (size != kCanFrameRecordSize) return RecordKind::Malformed;
    can_frame f;
    std::memcpy(&f, bytes, sizeof f);
    if (f.can_dlc > 8) return RecordKind::Malformed;
    if (f.can_id & CAN_ERR_FLAG) return RecordKind::Error;
    frame = CanFrame{};
    frame.extended = (f.can_id & CAN_EFF_FLAG) != 0;
    frame.remote = (f.can_id & CAN_RTR_FLAG) != 0;
    frame.id = f.can_id & (frame.extended ? CAN_EFF_MASK : CAN_SFF_MASK);
    frame.length = f.can_dlc;
    std::memcpy(frame.data, f.data, sizeof frame.data);
    return RecordKind::Frame;
}

CanFrameRecord ErrorFrameRecord(uint32_t errorClass) {
    can_frame f{};
    f.can_id = CAN_ERR_FLAG | (errorClass & CAN_ERR_MASK);
    f.can_dlc = CAN_ERR_DLC;
    CanFrameRecord record;
    std::memcpy(record.data(), &f, sizeof f);
    return record;
}

std::optional<uint32_t> ParseBitRateText(std::string_view text) {
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (!text.empty() && blank(text.front())) text.remove_prefix(1);
    while (!text.empty() && blank(text.back())) text.remove_suffix(1);
    uint64_t rate = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), rate);
    if (text.empty() || ec != std::errc() || end != text.data() + text.size() || rate == 0 ||
        rate > 1000000000u)
        return std::nullopt;
    return static_cast<uint32_t>(rate);
}

}  // namespace norvane::sim
