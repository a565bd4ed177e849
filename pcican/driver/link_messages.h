#pragma once
// Messages between Halbox's simulated-card backend and the simulated card (norvane-sim) over a
// Unix-domain stream socket. Pure code: no I/O, no locks.
//
// Every message is a 16-byte header followed by `dataLength` data bytes, little-endian:
//   0 type, 1 channel, 2 status (answers: 0 done, else an errno value), 3 reserved (0),
//   4 address (u32), 8 count (u16), 10 dataLength (u16), 12 tag (u32).
// The host tags each request and the card copies the tag into its answer, so the host takes
// only the answer of the request it waits for: an answer that comes after its request timed
// out carries an old tag and is dropped. Interrupt messages carry tag 0.
// The host opens a link with Hello (address = card index) and the card answers HelloAnswer
// (status 0 present, else absent). Then each register request is one exchange: Read (count
// registers from address, at most 20) -> ReadAnswer (count delivered, the bytes as data); Write
// (count = dataLength, at most 512) -> WriteAnswer; Notify (the host wants interrupt
// notifications of channel) -> NotifyAnswer; OpenClose -> OpenCloseAnswer; BeforeWait ->
// BeforeWaitAnswer. BeforeWait re-arms the notifications: the answer's count has bit n set for
// each channel n whose interrupt line is active already (that is its notification); for the
// others the card sends one Interrupt (channel) as soon as the line goes active.
#include <cstddef>
#include <cstdint>

namespace norvane::halbox::link {

enum class Type : uint8_t {
    Hello = 1,
    HelloAnswer,
    Read,
    ReadAnswer,
    Write,
    WriteAnswer,
    Notify,
    NotifyAnswer,
    BeforeWait,
    OpenClose,
    OpenCloseAnswer,
    Interrupt,
    BeforeWaitAnswer,
};

constexpr size_t kHeaderSize = 16;
constexpr uint16_t kMaxRead = 20;
constexpr uint16_t kMaxWrite = 512;
constexpr size_t kMaxMessage = kHeaderSize + kMaxWrite;

struct Message {
    Type type = Type::Hello;
    uint8_t channel = 0;
    uint8_t status = 0;
    uint32_t address = 0;
    uint16_t count = 0;
    uint16_t dataLength = 0;
    uint32_t tag = 0;  ///< a request's own; an answer's is its request's
    uint8_t data[kMaxWrite] = {};
};

enum class DecodeResult { Complete, NeedMore, Malformed };

/// Writes the message into out (at least kHeaderSize + dataLength bytes); returns the size.
size_t Encode(const Message& message, uint8_t* out);

/// Decodes one message from the front of bytes. Complete sets consumed; NeedMore asks for more
/// bytes; Malformed (unknown type, lengths that break the rules above) means the link is broken.
DecodeResult Decode(const uint8_t* bytes, size_t size, Message& out, size_t& consumed);

/// The message type that answers a request type (Type::Hello -> HelloAnswer, ...); the same type
/// for messages that have no answer.
Type AnswerOf(Type request);

}  // namespace norvane::halbox::link
