#include "sim/host_frames.h"

namespace norvane::sim {
namespace {

constexpr uint8_t kHostStart = 0xAA;
constexpr uint8_t kHostEnd = 0xCC;

std::vector<uint8_t> Build(uint8_t start, uint8_t end, uint8_t command, const uint8_t* payload,
                           size_t length) {
    std::vector<uint8_t> out;
    out.reserve(length + 7);
    out.push_back(start);
    out.push_back(command);
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>((length >> (8 * i)) & 0xFF));
    if (payload && length) out.insert(out.end(), payload, payload + length);
    out.push_back(end);
    return out;
}

}  // namespace

void HostFrameParser::Feed(const uint8_t* bytes, size_t count) {
    if (!bytes || count == 0) return;
    // Compact before growing so a long-lived connection does not keep consumed bytes.
    if (start_ > 0 && start_ >= buffer_.size() / 2) {
        buffer_.erase(buffer_.begin(), buffer_.begin() + static_cast<std::ptrdiff_t>(start_));
        start_ = 0;
    }
    buffer_.insert(buffer_.end(), bytes, bytes + count);
}

std::optional<HostFrame> HostFrameParser::Next() {
    while (start_ < buffer_.size()) {
        if (buffer_[start_] != kHostStart) {
            ++start_;
            ++counters_.garbageBytes;
            continue;
        }
        const size_t available = buffer_.size() - start_;
        if (available < 6) return std::nullopt;
        const uint8_t* p = buffer_.data() + start_;
        const uint32_t length =
            uint32_t{p[2]} | uint32_t{p[3]} << 8 | uint32_t{p[4]} << 16 | uint32_t{p[5]} << 24;
        if (length > maxPayload_) {
            ++counters_.oversizedFrames;
            ++counters_.garbageBytes;
            ++start_;
            continue;
        }
        const size_t frameLength = size_t{length} + 7;
        if (available < frameLength) return std::nullopt;
        if (p[frameLength - 1] != kHostEnd) {
            ++counters_.garbageBytes;
            ++start_;
            continue;
        }
        HostFrame frame;
        frame.command = p[1];
        frame.payload.assign(p + 6, p + 6 + length);
        start_ += frameLength;
        ++counters_.frames;
        if (start_ == buffer_.size()) Clear();
        return frame;
    }
    Clear();
    return std::nullopt;
}

void HostFrameParser::Clear() {
    buffer_.clear();
    start_ = 0;
}

std::vector<uint8_t> BuildGatewayFrame(uint8_t command, const uint8_t* payload, size_t length) {
    return Build(kHostEnd, kHostStart, command, payload, length);
}

std::vector<uint8_t> BuildHostFrame(uint8_t command, const uint8_t* payload, size_t length) {
    return Build(kHostStart, kHostEnd, command, payload, length);
}

}  // namespace norvane::sim
