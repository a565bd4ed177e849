#pragma once
// Messages between the simulated libusb (libusb-sim.so, in the host's process) and the USB
// adapter server of norvane-sim, over a local stream socket. Each request gets one answer.
//
//   request: type (1), adapter slot (1), 0 (2), value (4), payload length (4), payload
//   answer:  result (4, signed), payload length (4), payload
//
// All numbers little-endian; payloads at most kMaxPayload bytes. Pure code.
#include <cstddef>
#include <cstdint>
#include <vector>

namespace norvane::sim::usblink {

enum class Type : uint8_t {
    List = 1,     ///< answer payload: (slot, device index) per present adapter
    Claim = 2,    ///< claim the adapter's interface: 0, -EBUSY or -ENODEV
    Release = 3,  ///< release it: 0
    Write = 4,    ///< bulk write of the payload: bytes taken, or -errno
    Read = 5,     ///< bulk read of up to value bytes (timeout in the answer's wait): bytes, or -errno
    Reset = 6,    ///< port reset: 0
};

constexpr size_t kHeaderBytes = 12;
constexpr size_t kAnswerHeaderBytes = 8;
constexpr size_t kMaxPayload = 4096;

struct Request {
    Type type = Type::List;
    uint8_t slot = 0;
    uint32_t value = 0;  ///< Read: bytes wanted; Write and Read: the time-out in the high 16 bits
    std::vector<uint8_t> payload;
};

struct Answer {
    int32_t result = 0;
    std::vector<uint8_t> payload;
};

enum class Decoded { Complete, NeedMore, Malformed };

std::vector<uint8_t> Encode(const Request& request);
std::vector<uint8_t> Encode(const Answer& answer);
/// Takes one request from the front of bytes[0..size): Complete with used set, NeedMore, or
/// Malformed (unknown type, payload too long).
Decoded DecodeRequest(const uint8_t* bytes, size_t size, Request& out, size_t& used);
Decoded DecodeAnswer(const uint8_t* bytes, size_t size, Answer& out, size_t& used);

}  // namespace norvane::sim::usblink
