#pragma once
// The data window a device exposes through command 83. Reads carry no data, so successive reads
// return successive 6-byte chunks (answer d0 = chunk offset, d1-d6 = bytes); the cursor wraps at
// the end and restarts when a read comes more than kRestartMs after the previous one, so a host
// that lost an answer is back in step with its next sequence. Writes carry an address in d0
// (kWriteBase = offset 0) and up to 6 bytes. Pure: no locks, no I/O.
#include <cstddef>
#include <cstdint>

#include "sim/can_frame.h"

namespace norvane::sim::nodes {

class DmaWindow {
public:
    static constexpr size_t kCapacity = 18;  ///< three chunks
    static constexpr uint8_t kWriteBase = 24;
    static constexpr uint64_t kRestartMs = 500;

    /// Replaces the readable content (at most kCapacity bytes, rest zero) and restarts the cursor.
    void Load(const uint8_t* bytes, size_t length);
    /// Fills the answer to one read (7 bytes) and advances the cursor.
    size_t Read(uint64_t nowMs, uint8_t out[8]);
    /// Stores the written bytes; false when the address lies outside the window.
    bool Write(const CanFrame& request);

    /// True when the next Read returns the first chunk.
    bool NextReadStarts(uint64_t nowMs) const {
        return cursor_ == 0 || (everRead_ && nowMs > lastRead_ + kRestartMs);
    }
    const uint8_t* Written() const { return written_; }
    const uint8_t* Content() const { return content_; }
    void ClearWritten();

private:
    uint8_t content_[kCapacity] = {};
    uint8_t written_[kCapacity] = {};
    size_t length_ = 0;
    size_t cursor_ = 0;
    uint64_t lastRead_ = 0;
    bool everRead_ = false;
};

}  // namespace norvane::sim::nodes
