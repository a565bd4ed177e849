#include "sdk/can/halbox_link.h"

#include <algorithm>
#include <cstring>

#include "sdk/can/can_wire_format.h"

namespace norvane::sdk::can {
namespace {

constexpr uint32_t kFramesPerRead = 125;

}  // namespace

MarlixFrame ToMarlixFrame(const KymCanFrame& record) {
    MarlixFrame frame{};
    frame.identifier = record.identifier;
    frame.sendType = record.sendType;
    frame.extended = record.extended;
    frame.remote = record.remote;
    frame.length = std::min<uint8_t>(record.length, 8);
    std::memcpy(frame.data, record.data, frame.length);
    return frame;
}

KymCanFrame FromMarlixFrame(const MarlixFrame& frame) {
    KymCanFrame record{};
    record.identifier = frame.identifier;
    record.sendType = frame.sendType;
    record.extended = frame.extended;
    record.remote = frame.remote;
    record.length = frame.length;
    std::memcpy(record.data, frame.data, sizeof record.data);
    return record;
}

int HalboxLink::Send(const uint8_t* bytes, size_t length) {
    if (bytes == nullptr || length == 0 || length % kRecordBytes != 0) return 0;
    for (size_t at = 0; at < length; at += kRecordBytes) {
        KymCanFrame record;
        std::memcpy(&record, bytes + at, kRecordBytes);
        MarlixFrame frame = ToMarlixFrame(record);
        if (halbox_->transmit(card_, channel_, &frame) == 0) return 0;
    }
    return static_cast<int>(length);
}

int HalboxLink::Receive(uint8_t* buffer, size_t capacity, uint32_t timeoutMs) {
    if (!open_.load()) return -1;
    const uint32_t room = std::min<uint32_t>(static_cast<uint32_t>(capacity / kRecordBytes), kFramesPerRead);
    if (room == 0) return 0;
    MarlixFrame frames[kFramesPerRead];
    const int32_t waiting = halbox_->getReceiveNum(card_, channel_);
    // Frames waiting are taken at once; otherwise the library waits for the first to come.
    const int32_t n = waiting > 0
                          ? halbox_->receive(card_, channel_, frames,
                                             std::min<uint32_t>(room, static_cast<uint32_t>(waiting)), 0)
                          : halbox_->receive(card_, channel_, frames, room, timeoutMs);
    if (n <= 0) return 0;
    for (size_t i = 0; i < static_cast<size_t>(n); ++i) {
        const KymCanFrame record = FromMarlixFrame(frames[i]);
        std::memcpy(buffer + i * kRecordBytes, &record, kRecordBytes);
    }
    return n * static_cast<int>(kRecordBytes);
}

}  // namespace norvane::sdk::can
