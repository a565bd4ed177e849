#include "sdk/can/usb_protocol.h"

#include <algorithm>
#include <cstring>

namespace norvane::sdk::can::usb {
namespace {

void PutLe32(uint8_t* out, uint32_t value) {
    for (int i = 0; i < 4; ++i) out[i] = static_cast<uint8_t>(value >> (8 * i));
}

uint32_t GetLe32(const uint8_t* in) {
    return static_cast<uint32_t>(in[0]) | static_cast<uint32_t>(in[1]) << 8 |
           static_cast<uint32_t>(in[2]) << 16 | static_cast<uint32_t>(in[3]) << 24;
}

}  // namespace

void ConfigureRequest(uint8_t code, uint8_t out[kConfigureBytes]) {
    out[0] = kConfigure;
    PutLe32(out + 1, 0x08000000);
    PutLe32(out + 5, 0x1FFFFFFF);
    out[9] = 0;  // filter mode
    out[10] = code;
    out[11] = 0;
}

void TransmitRequest(const KymCanFrame& record, uint8_t out[kTransmitBytes]) {
    std::memset(out, 0, kTransmitBytes);
    out[0] = kTransmit;
    out[1] = 1;  // frame count
    PutLe32(out + 2, record.identifier);
    out[6] = static_cast<uint8_t>(((record.remote & 1) << 5) | ((record.extended & 1) << 4) |
                                  std::min<uint8_t>(record.length, 8));
    std::memcpy(out + 7, record.data, 8);
}

bool EchoReply(const uint8_t* reply, int length, uint8_t command) {
    return length >= 1 && reply[0] == command;
}

int PendingReply(const uint8_t* reply, int length) {
    if (length < 3 || reply[0] != kPending) return kBadReply;
    return reply[1] | reply[2] << 8;
}

int TransmitReply(const uint8_t* reply, int length) {
    if (length < 2 || reply[0] != kTransmit) return kBadReply;
    return reply[1];
}

KymCanFrame SlotRecord(const uint8_t slot[kSlotUsedBytes]) {
    KymCanFrame record{};
    record.identifier = GetLe32(slot);
    const uint8_t info = slot[4];
    record.length = info & 0x0F;
    record.extended = (info >> 4) & 1;
    record.remote = (info >> 5) & 1;
    std::memcpy(record.data, slot + 5, 8);
    return record;
}

uint32_t FetchReply(const uint8_t* reply, int length, uint32_t max, KymCanFrame* records) {
    if (length < 2) return 0;
    const size_t arrived = static_cast<size_t>(length);
    uint32_t n = std::min<uint32_t>(reply[1], max);
    // A slot counts only when its converted bytes are there: the fourth slot of a 64-byte read
    // is cut after 14 of its 16 bytes.
    const size_t whole = arrived >= 2 + kSlotUsedBytes ? (arrived - 2 - kSlotUsedBytes) / kSlotBytes + 1 : 0;
    n = std::min<uint32_t>(n, static_cast<uint32_t>(whole));
    for (uint32_t i = 0; i < n; ++i) records[i] = SlotRecord(reply + 2 + kSlotBytes * i);
    return n;
}

}  // namespace norvane::sdk::can::usb
