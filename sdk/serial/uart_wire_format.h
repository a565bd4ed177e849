#pragma once
// The UART gateway's wire format: requests go out as 12-byte command packets, answers and
// notices come back as UART reply frames (bit 7 of the bytes carried in the markers). Take
// hands out each restored frame as ReplyBytes; the UART port decodes them, because the
// gateway's own frames (node 1) speak for other nodes. Pure code.
#include "sdk/core/wire_format.h"

namespace norvane::sdk {

class UartWireFormat : public WireFormat {
public:
    size_t EncodeSecondGen(uint32_t node, uint8_t controlWord, int index, const void* data, bool get,
                           uint8_t* out) const override;
    size_t EncodeFirstGen(uint32_t handle, uint32_t node, uint8_t controlWord, int index, const void* data,
                          uint8_t* out) const override;
    size_t EncodeMessage(uint32_t handle, const KymCanMsg& message, uint8_t* out) const override;
    /// The gateway answers a discovery with one node list, filed in node 1's area.
    uint32_t DiscoveryArea() const override { return 1; }
    void Take(uint8_t* buffer, size_t& count, size_t capacity, ReceivedUnit& unit) const override;
    void ReadHostUnit(const uint8_t* unit, size_t length, bool firstGen,
                      const std::function<void(const KymCanMsg&)>& each) const override;
    size_t ReceiveBufferBytes(bool) const override { return 256; }
};

/// A restored UART reply frame as a message: node f1, control word f2, data from f3 (at most
/// 8 bytes, length n - 4), extra = f3. false for a frame below 4 bytes.
bool DecodeUartFrame(const uint8_t* frame, size_t length, KymCanMsg& message);

}  // namespace norvane::sdk
