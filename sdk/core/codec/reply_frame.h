#pragma once
// Binary reply frames sent back by serial-line gateways (and by Ethernet gateways in serial
// transmission mode). Payload bytes are all below 0x80, so the marker bytes (0x80 and above) can be
// found anywhere in a byte stream. Pure functions: no state, no I/O, no locks, any thread.
//
// Receive-buffer protocol: append received bytes to a buffer of kReplyBufferSize bytes, call a
// finder; on success the complete frame occupies buffer[0..frameLength), decode it, then drop those
// bytes from the front and call the finder again (it may find another frame already buffered).
#include <cstddef>
#include <cstdint>
#include <functional>

#include "norvane/NorvaneFunc.h"
#include "sdk/core/codec/commands.h"

namespace norvane::sdk {

// Size of the receive buffer the finders assume: a full buffer without an end marker is discarded.
inline constexpr size_t kReplyBufferSize = 256;

// Tag bit set for notification reply codes (real-time messages, not answers to a request).
inline constexpr uint32_t kReplyTagNotification = 1u << 29;

// Second-generation frames: start 0xAA/0xCC/0xEE, node, reply code, 7-bit payload, end 0xFE/0xFF.
// Resynchronises buffer[0..length) in place onto the first frame start and updates length (garbage
// is dropped; a buffer without any start marker, or a full buffer without an end marker, is emptied).
// Returns true when a complete frame of frameLength bytes starts the buffer; otherwise frameLength
// is 0 and the caller reads more bytes. Never touches bytes at or beyond length.
bool FindReplyFrame(uint8_t* buffer, size_t& length, size_t& frameLength);

// First-generation frames: start byte 0xF?, node, control word, data, end byte 0xE?. Same buffer
// handling as FindReplyFrame. A complete frame is restored in place (RestoreLegacyFrame) and
// frameLength is set; the result is true only when the frame has at least 4 bytes and, when
// expectedControlWord > 0, its control word equals it. With result false and frameLength > 0 the
// caller drops the frame. The caller must drop every reported frame before calling again, as the
// restoration is not idempotent.
bool FindLegacyReplyFrame(uint8_t* buffer, size_t& length, int expectedControlWord, size_t& frameLength);

// UART gateway frames: start byte 10xxxxxx (bits 5-0: bit 7 of f1..f6), node, control word,
// data, end byte 11xxxxxx (bits 5-0: bit 7 of f7..f12). Same buffer handling as
// FindLegacyReplyFrame, with a buffer of the given capacity (64 bytes in the probes, 256 in the
// receive loops; a full buffer without an end marker is emptied). A complete frame is restored
// in place (RestoreUartFrame); the result is true when it has at least 4 bytes and, when
// expectedControlWord > 0, its control word equals it. The caller drops every reported frame.
bool FindUartReplyFrame(uint8_t* buffer, size_t& length, size_t capacity, int expectedControlWord,
                        size_t& frameLength);

// Puts bit 7 of f1..f(n-2) back: m = (end & 0x3F) * 64 + (start & 0x3F); fi gets bit 7 when
// bit i-1 of m is set. Frames shorter than 3 bytes are left as they are.
void RestoreUartFrame(size_t frameLength, uint8_t* frame);

// The UART gateway's 12-byte command packet: data length (9 for the first-generation command
// 0x2B), node, control word, 8 data bytes (zero-filled), and byte 11 (the low byte of the
// caller's fourth data word for the first-generation 0x2B, else 0). Returns 12, or 0 when the
// message does not fit a packet (data length plus 5, plus 6 for 0x2B, above 20).
inline constexpr size_t kUartPacketBytes = 12;
size_t BuildUartPacket(const KymCanMsg& message, bool firstGeneration, uint8_t word3Low, uint8_t* out);
// The message a command packet stands for: node, control word and min(length byte, 8) data
// bytes. false for fewer than 12 bytes or a length byte above 9.
bool ReadUartPacket(const uint8_t* packet, size_t length, KymCanMsg& message);

// Cuts one received payload that carries whole second-generation reply frames (an Ethernet
// gateway's serial answer) into its frames: onFrame gets each complete frame in order, garbage
// between frames is skipped. Returns the number of bytes at the end that did not complete a frame
// (they are dropped with the payload; the caller counts them).
size_t SplitReplyFrames(const uint8_t* payload, size_t length,
                        const std::function<void(const uint8_t* frame, size_t frameLength)>& onFrame);

// Node ids of a node list reply frame (reply code D0): the count is f1 & 0x7F, the ids
// follow from f3 and end at an id of 0, at 0x80 and above, or at the end marker. Returns the
// number of ids written (at most max).
size_t NodeListIds(const uint8_t* frame, size_t frameLength, uint8_t* ids, size_t max);

// Puts bit 7 of the data bytes of a legacy frame back from the marker bytes, in place.
// Frames of 4 bytes or fewer are left as they are.
void RestoreLegacyFrame(size_t frameLength, uint8_t* frame);

// Turns one complete second-generation frame (as reported by FindReplyFrame) into a message and a
// tag: tag bits 0-7 the control word (the reply code when none is assigned), bit 29 for
// notifications, node folded into bits 19-23 and 8-9. The message is cleared first, then filled.
// Returns false, with message and tag cleared, when the frame is shorter than its reply code needs.
bool DecodeReplyFrame(const uint8_t* frame, size_t frameLength, uint32_t& tag, KymCanMsg& message);

// Turns one restored legacy frame (FindLegacyReplyFrame returned true) into a message: node, control
// word, extra = first data byte, data = the bytes between header and end marker (at most 8 kept).
// Returns false, message cleared, for a frame shorter than 4 bytes.
bool DecodeLegacyReplyFrame(const uint8_t* frame, size_t frameLength, KymCanMsg& message);

// Control word the receive loop files a decoded reply under (bits 0-6 of the tag).
inline uint8_t ReplyTagControlWord(uint32_t tag) {
    return static_cast<uint8_t>(tag & 0x7F);
}

// Node id the receive loop files a decoded reply under: bits 19-23 and 8-9 of the tag, except for
// the node-less answers 0x40 (discovery) and 0x35, which are filed under node 1.
inline uint8_t ReplyTagNode(uint32_t tag) {
    const uint8_t controlWord = ReplyTagControlWord(tag);
    if (controlWord == cmd::kDiscovery || controlWord == cmd::kBtr) return 1;
    return static_cast<uint8_t>(((tag >> 19) & 0x1F) | ((tag >> 3) & 0x60));
}

}  // namespace norvane::sdk
