#pragma once
// Byte frames between the SDK and an Ethernet gateway. Pure code: no state, no locks, no I/O;
// any thread may call.
//
// SDK -> gateway: AA, command, payload length L (4 bytes little-endian), payload, CC.
// Gateway -> SDK: CC, command, L, payload, AA (command 0x90 has one extra byte before L).
#include <cstddef>
#include <cstdint>

#include "norvane/NorvaneFunc.h"

namespace norvane::sdk::eth {

namespace command {
constexpr uint8_t kZoneProbe = 0x09;
constexpr uint8_t kZoneList = 0x19;
constexpr uint8_t kSerialHello = 0x22;
constexpr uint8_t kSerialMessage = 0x23;
constexpr uint8_t kSerialAnswer = 0x24;
constexpr uint8_t kSerialGoodbye = 0x25;
constexpr uint8_t kLegacyMessage = 0x49;
constexpr uint8_t kCanHello = 0x71;
constexpr uint8_t kCanMessage = 0x72;
constexpr uint8_t kCanAnswer = 0x73;
constexpr uint8_t kCanGoodbye = 0x74;
constexpr uint8_t kWideHeader = 0x90;  ///< received only: one extra header byte
}  // namespace command

constexpr size_t kHeaderBytes = 6;
constexpr size_t kCanFrameBytes = 20;     ///< 0x72 frame: 13-byte payload
constexpr size_t kRecordFrameBytes = 19;  ///< 0x23 frame with a 12-byte message record
constexpr size_t kCanPayloadBytes = 13;
constexpr size_t kReceiveBufferBytes = 1024;

/// Writes AA, command, L, payload, CC into out. Returns the frame length, or 0 when it does not
/// fit in capacity (nothing written) or payload is null with a non-zero length.
size_t BuildFrame(uint8_t command, const uint8_t* payload, size_t length, uint8_t* out, size_t capacity);

/// The 0x72 frame of one message: identifier bytes I0 = control word, I1 = (node & 0x60) << 1,
/// I2 = (node & 0x1F) << 3, I3 (1 for second-generation requests and probes, 0 for other
/// first-generation requests); data length = length & 0x0F; data bytes beyond the length 0.
/// out must hold kCanFrameBytes; returns kCanFrameBytes.
size_t BuildCanMessageFrame(const KymCanMsg& message, uint8_t* out, uint8_t i3 = 1);

/// The 0x23 frame of one message as a 12-byte record: length, node, control word, d0-d7, 0.
/// Returns kRecordFrameBytes, or 0 (nothing written) for a length above 8: the record has room
/// for 8 data bytes only, and a longer length would read beyond the message.
size_t BuildSerialRecordFrame(const KymCanMsg& message, uint8_t* out);

/// Finds a complete received frame at the front of buffer[0..count).
///
/// Garbage before the first CC is dropped (the rest moves to the front, count shrinks). A CC
/// whose length field gives a frame longer than capacity, or whose frame does not end in AA, is
/// not a frame start and is dropped as well. While a frame is incomplete its bytes are kept,
/// unless a later CC already starts a complete frame (the first one was cut off). A buffer that
/// is full without a frame is cleared. Every length field, up to 2^32 - 1, is handled without
/// overflow; no byte at or beyond count is read.
///
/// Returns true when a complete frame of frameLength bytes starts the buffer and, for a
/// non-zero expectedCommand, its byte 6 (the control word of a CAN payload) equals
/// expectedCommand & 0x7F. With false and frameLength > 0 the frame is complete but not the
/// expected one: the caller drops it. With false and frameLength 0 the caller reads more.
bool ParseFrame(uint8_t* buffer, size_t& count, uint8_t expectedCommand, size_t& frameLength,
                size_t capacity);

/// Removes the first n bytes of buffer[0..count).
void DropFront(uint8_t* buffer, size_t& count, size_t n);

/// View of one complete received frame.
struct ReceivedFrame {
    uint8_t command = 0;
    const uint8_t* payload = nullptr;
    size_t payloadLength = 0;
};
/// Splits a frame that ParseFrame reported complete. false when frameLength is too short.
bool SplitFrame(const uint8_t* frame, size_t frameLength, ReceivedFrame& out);

/// Turns a 0x73 payload into a message: control word I0, node ((I2 & 3) << 5) | (I3 & 0x1F),
/// length at offset 4 (& 0x0F), data d0-d7 from offset 5, extra = d0. false (message cleared)
/// when the payload is shorter than 13 bytes.
bool DecodeCanPayload(const uint8_t* payload, size_t length, KymCanMsg& message);

/// Turns a 12-byte serial transmission record (length, node, control word, d0-d7, 0) into a
/// message, extra = d0. false (message cleared) for a payload of another size.
bool DecodeSerialRecord(const uint8_t* payload, size_t length, KymCanMsg& message);

/// Turns a 16-byte first-generation message payload (0x49: 0, node, control word, length,
/// extra word, d0-d7) into a message. false (message cleared) when shorter than 16 bytes.
bool DecodeLegacyPayload(const uint8_t* payload, size_t length, KymCanMsg& message);

/// Ethernet gateway name "KYM%d.%d.%.d.%d" of a host-order IPv4 address (an octet of 0 in the
/// third place prints as nothing). Writes at most capacity bytes with the NUL; returns the
/// name's length.
size_t GatewayName(uint32_t address, char* out, size_t capacity);

}  // namespace norvane::sdk::eth
