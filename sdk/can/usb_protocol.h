#pragma once
// The USB-CAN adapter's bulk command protocol, from the host's side: request bytes and the
// checks and conversions of the replies. Every exchange is one bulk write to endpoint 0x01 and
// one bulk read from 0x81; multi-byte values are little-endian. Pure code.
#include <cstddef>
#include <cstdint>

#include "norvane/NorvaneFunc.h"

namespace norvane::sdk::can::usb {

constexpr uint16_t kVendor = 0xF008;
constexpr uint16_t kProduct = 0x72FF;
constexpr int kConfiguration = 1;
constexpr int kInterface = 0;
constexpr int kEndpointOut = 0x01;
constexpr int kEndpointIn = 0x81;
constexpr int kTimeoutMs = 1000;
constexpr int kReceiveTimeoutMs = 2000;

enum Command : uint8_t {
    kConfigure = 0x01,
    kStop = 0x02,  ///< sent before configuring and before closing
    kStart = 0x03,
    kTransmit = 0x04,
    kFetch = 0x05,
    kPending = 0x06,
    kCommit = 0x07,  ///< sent last when the bit rate is set
    kSetIndex = 0x08,
};

/// Results of the adapter routines besides counts and 1.
constexpr int kNotReady = -1;    ///< library missing, no adapter open, or no handle at the index
constexpr int kShortWrite = -2;  ///< the bulk write moved fewer bytes than the request
constexpr int kBadReply = -3;    ///< the reply was short or carried another command byte

constexpr size_t kConfigureBytes = 12;
constexpr size_t kTransmitBytes = 16;
constexpr size_t kSlotBytes = 16;
/// Bytes of a slot the host converts: identifier, info byte, eight data bytes.
constexpr size_t kSlotUsedBytes = 13;
constexpr uint32_t kFetchMax = 4;
/// Most frames one receive call takes.
constexpr uint32_t kReceiveMax = 126;

/// Command 0x01: acceptance code 0x08000000, mask 0x1FFFFFFF, filter mode 0, the code.
void ConfigureRequest(uint8_t code, uint8_t out[kConfigureBytes]);
/// Command 0x04 with one frame: identifier, info = remote << 5 | extended << 4 | length, 8 data bytes.
void TransmitRequest(const KymCanFrame& record, uint8_t out[kTransmitBytes]);
/// Read length of command 0x05 asking for n (1-4) frames: 64 for 4, else 16 n.
constexpr int FetchReadBytes(uint32_t n) {
    return n >= kFetchMax ? 64 : static_cast<int>(kSlotBytes * n);
}

/// A one-byte reply echoing the command: true when it does.
bool EchoReply(const uint8_t* reply, int length, uint8_t command);
/// The pending count of a 0x06 reply (0x06, low, high), or kBadReply.
int PendingReply(const uint8_t* reply, int length);
/// Frames taken by a 0x04 reply (0x04, count), or kBadReply.
int TransmitReply(const uint8_t* reply, int length);
/// Converts the slots of a 0x05 reply into records: at most max, at most what the reply says it
/// delivered (byte 1), and only slots whose converted bytes arrived. Returns the number written.
uint32_t FetchReply(const uint8_t* reply, int length, uint32_t max, KymCanFrame* records);
/// One receive slot as a record: length = info & 15, extended bit 4, remote bit 5, 8 data bytes.
KymCanFrame SlotRecord(const uint8_t slot[kSlotUsedBytes]);

}  // namespace norvane::sdk::can::usb
