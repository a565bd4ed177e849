#pragma once
// The Ethernet gateway's wire format in both framings: CAN framing (0x72 requests, 0x73 and
// 0x49 messages back) and serial transmission framing (0x23 texts or message records, 0x24
// answers carrying serial reply frames), chosen by the process-wide serial transmission switch
// at each call. Pure apart from reading that switch.
#include "sdk/core/wire_format.h"

namespace norvane::sdk {

class EthernetWireFormat : public WireFormat {
public:
    static bool SerialFraming();

    size_t EncodeSecondGen(uint32_t node, uint8_t controlWord, int index, const void* data, bool get,
                           uint8_t* out) const override;
    size_t EncodeFirstGen(uint32_t handle, uint32_t node, uint8_t controlWord, int index, const void* data,
                          uint8_t* out) const override;
    size_t EncodeMessage(uint32_t handle, const KymCanMsg& message, uint8_t* out) const override;
    /// Serial transmission gateways send one node list, gathered in node 1's area.
    uint32_t DiscoveryArea() const override { return SerialFraming() ? 1 : 0; }
    void Take(uint8_t* buffer, size_t& count, size_t capacity, ReceivedUnit& unit) const override;
    /// Probe answers come as 0x73 frames, or as 0x24 frames with one message record.
    void TakeProbeAnswer(uint8_t* buffer, size_t& count, size_t capacity, ReceivedUnit& unit) const override;
    size_t ReceiveBufferBytes(bool legacy) const override;
};

}  // namespace norvane::sdk
