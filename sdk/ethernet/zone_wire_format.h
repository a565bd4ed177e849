#pragma once
// The zone device's wire format: first-generation messages in 0x49 frames with the zone of the
// request's handle (bits 24-31); received 0x49 messages, zone lists and keep-alive echoes.
// Pure code.
#include "sdk/core/wire_format.h"

namespace norvane::sdk {

class ZoneWireFormat : public WireFormat {
public:
    /// The zone device serves no second-generation requests.
    size_t EncodeSecondGen(uint32_t, uint8_t, int, const void*, bool, uint8_t*) const override { return 0; }
    size_t EncodeFirstGen(uint32_t handle, uint32_t node, uint8_t controlWord, int index, const void* data,
                          uint8_t* out) const override;
    size_t EncodeMessage(uint32_t handle, const KymCanMsg& message, uint8_t* out) const override;
    void Take(uint8_t* buffer, size_t& count, size_t capacity, ReceivedUnit& unit) const override;
    size_t ReceiveBufferBytes(bool legacy) const override;
};

}  // namespace norvane::sdk
