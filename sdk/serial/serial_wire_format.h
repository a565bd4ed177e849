#pragma once
// The RS-232 gateway's wire format: requests go out as command texts (second- or
// first-generation dialect), answers and notices come back as reply frames in the byte
// stream. Pure code: no locks, no I/O.
#include <atomic>

#include "sdk/core/wire_format.h"

namespace norvane::sdk {

class SerialWireFormat : public WireFormat {
public:
    size_t EncodeSecondGen(uint32_t node, uint8_t controlWord, int index, const void* data, bool get,
                           uint8_t* out) const override;
    size_t EncodeFirstGen(uint32_t handle, uint32_t node, uint8_t controlWord, int index, const void* data,
                          uint8_t* out) const override;
    /// A raw message as a first-generation text: its node, control word and the low byte of its
    /// extra value as the index, without data.
    size_t EncodeMessage(uint32_t handle, const KymCanMsg& message, uint8_t* out) const override;
    /// Text answers are filed without counting: the answer event marks them.
    /// Answers to command number 0 (the empty text) are filed as 0x6F.
    uint8_t ExpectedForCommandZero() const override { return 0x6F; }
    /// The gateway answers a discovery with one node list, filed in node 1's area.
    uint32_t DiscoveryArea() const override { return 1; }
    /// Second generation: one complete reply frame as ReplyBytes; first generation: one legacy
    /// reply frame, restored, as a Message (frames the host does not serve come as Dropped).
    void Take(uint8_t* buffer, size_t& count, size_t capacity, ReceivedUnit& unit) const override;
    void ReadHostUnit(const uint8_t* unit, size_t length, bool firstGen,
                      const std::function<void(const KymCanMsg&)>& each) const override;
    size_t ReceiveBufferBytes(bool legacy) const override;

    /// Chooses how Take reads the stream (set before the receive thread starts).
    void SetLegacy(bool legacy) const { legacy_.store(legacy); }

private:
    mutable std::atomic<bool> legacy_{false};
};

}  // namespace norvane::sdk
