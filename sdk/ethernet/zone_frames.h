#pragma once
// Byte frames between the SDK and a zone device. Pure code: no state, no locks, no I/O; any
// thread may call.
//
// The zone device uses the Ethernet gateway's frame envelope (AA cmd L payload CC out,
// CC cmd L payload AA in) with three commands of its own: 0x09 probe and keep-alive (no
// payload), 0x19 zone list (answered with the list bytes), 0x49 one message in a 16-byte
// payload: zone, node, control word, length, extra word (4 bytes LE), data d0-d7.
#include <cstddef>
#include <cstdint>

#include "norvane/NorvaneFunc.h"

namespace norvane::sdk::zone {

constexpr size_t kPayloadBytes = 16;
constexpr size_t kMessageFrameBytes = 23;  ///< 6-byte header, 16-byte payload, end byte
constexpr size_t kShortFrameBytes = 7;     ///< probe, keep-alive and list frames
constexpr size_t kReceiveBufferBytes = 2048;
constexpr size_t kMaxListBytes = 125;  ///< a list answer longer than this is not copied

/// The 0x49 frame of a message to the given zone: payload byte 3 = length & 0x0F, the data
/// bytes beyond the length (and beyond 8) are 0. out must hold kMessageFrameBytes; returns it.
size_t BuildMessageFrame(uint8_t zone, const KymCanMsg& message, uint8_t* out);

/// AA 09 00 00 00 00 CC. out must hold kShortFrameBytes; returns it.
size_t BuildProbeFrame(uint8_t* out);
/// AA 19 00 00 00 00 CC. out must hold kShortFrameBytes; returns it.
size_t BuildListFrame(uint8_t* out);

/// One received zone message.
struct ZoneMessage {
    uint8_t zone = 0;
    KymCanMsg message{};
};

/// Decodes a 0x49 payload. false when it is shorter than 16 bytes or names node 0 or a node
/// above 125 (such messages are dropped). A length above 8 keeps its value but no data bytes.
bool DecodeMessagePayload(const uint8_t* payload, size_t length, ZoneMessage& out);

/// What the front of a receive buffer held.
enum class FrameKind {
    None,     ///< no complete frame yet: read more
    Message,  ///< a 0x49 frame with an accepted message in `message`
    Dropped,  ///< a 0x49 frame whose message was dropped (short payload, bad node)
    List,     ///< a 0x19 answer: `list`/`listLength` (0 bytes for a length field of 0 or above 125)
    Probe,    ///< a 0x09 answer (probe or keep-alive echo)
    Other,    ///< any other complete frame (consumed)
};

struct FrameEvent {
    FrameKind kind = FrameKind::None;
    ZoneMessage message;
    uint8_t list[kMaxListBytes] = {};
    size_t listLength = 0;
};

/// Takes the first complete frame off the front of buffer[0..count) (capacity: the buffer's
/// size) and reports it; garbage and cut-off frame starts are dropped as the Ethernet frame
/// finder does. Call repeatedly until it reports None. Never reads at or beyond count.
FrameEvent TakeFrame(uint8_t* buffer, size_t& count, size_t capacity);

/// Number of zones in a list answer: exactly one ASCII digit '1'-'9', optionally followed by
/// NUL, CR, LF or blanks. 0 for anything else (empty, '0', two digits, other bytes).
int ZoneCountFromList(const uint8_t* bytes, size_t length);

}  // namespace norvane::sdk::zone
