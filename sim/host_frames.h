#pragma once
// Byte frames between a host and a simulated Ethernet or zone gateway. Pure code.
//
// Host -> gateway: AA, command, payload length L (4 bytes little-endian), payload, CC.
// Gateway -> host: CC, command, L, payload, AA.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace norvane::sim {

namespace host_command {
constexpr uint8_t kZoneProbe = 0x09;
constexpr uint8_t kZoneList = 0x19;
constexpr uint8_t kSerialHello = 0x22;
constexpr uint8_t kSerialMessage = 0x23;
constexpr uint8_t kSerialAnswer = 0x24;
constexpr uint8_t kSerialGoodbye = 0x25;
constexpr uint8_t kZoneMessage = 0x49;
constexpr uint8_t kCanHello = 0x71;
constexpr uint8_t kCanMessage = 0x72;
constexpr uint8_t kCanAnswer = 0x73;
constexpr uint8_t kCanGoodbye = 0x74;
}  // namespace host_command

struct HostFrame {
    uint8_t command = 0;
    std::vector<uint8_t> payload;
};

struct HostParserCounters {
    uint64_t frames = 0;           ///< complete frames returned
    uint64_t garbageBytes = 0;     ///< bytes skipped while looking for a frame start
    uint64_t oversizedFrames = 0;  ///< starts whose length field exceeded the limit
};

/// Incremental finder of host frames. Feed bytes in any pieces; Next returns complete frames.
/// A start byte whose length field is above maxPayload, or whose frame does not end in CC,
/// is treated as garbage and the search resumes at the next byte, so a corrupt length can
/// delay the stream by at most maxPayload + 7 bytes and never blocks it.
class HostFrameParser {
public:
    explicit HostFrameParser(size_t maxPayload = 256) : maxPayload_(maxPayload) {}
    void Feed(const uint8_t* bytes, size_t count);
    std::optional<HostFrame> Next();
    /// Bytes held while waiting for the rest of a frame.
    size_t Pending() const { return buffer_.size() - start_; }
    void Clear();
    const HostParserCounters& Counters() const { return counters_; }

private:
    std::vector<uint8_t> buffer_;
    size_t start_ = 0;
    const size_t maxPayload_;
    HostParserCounters counters_;
};

/// One gateway -> host frame.
std::vector<uint8_t> BuildGatewayFrame(uint8_t command, const uint8_t* payload, size_t length);
/// One host -> gateway frame (for clients and tests).
std::vector<uint8_t> BuildHostFrame(uint8_t command, const uint8_t* payload, size_t length);

}  // namespace norvane::sim
