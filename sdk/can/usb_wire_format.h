#pragma once
// The raw-CAN wire format as the USB adapter carries it. Differences from the PCI card's:
// second-generation requests packed for node 0 (the global commands) go out with 0x1F0FE000 set;
// first-generation requests carry I3 = 1, and command 43 also carries its fourth data word in
// identifier bytes I1 and I2; one receive call takes up to 126 frames; a received second-generation
// message's extra word is its first data byte taken as a signed byte. Pure code.
#include "sdk/can/can_wire_format.h"

namespace norvane::sdk::can {

/// Bits a USB request packed for node 0 carries (node 127's place in the identifier).
constexpr uint32_t kUsbGlobalBits = 0x1F0FE000;

/// First-generation request identifier of the USB adapter: the identifier bytes with I3 = 1;
/// for command 43, I1 |= w3 & 0x3F and I2 |= (w3 >> 6) & 3.
uint32_t UsbFirstGenRequestId(uint32_t node, uint8_t controlWord, const void* data);

class UsbWireFormat : public CanWireFormat {
public:
    explicit UsbWireFormat(bool legacy) : CanWireFormat(legacy) {}

    size_t EncodeSecondGen(uint32_t node, uint8_t controlWord, int index, const void* data, bool get,
                           uint8_t* out) const override;
    size_t EncodeFirstGen(uint32_t handle, uint32_t node, uint8_t controlWord, int index, const void* data,
                          uint8_t* out) const override;
    size_t ReceiveBufferBytes(bool) const override { return 126 * kRecordBytes; }
    void Take(uint8_t* buffer, size_t& count, size_t capacity, ReceivedUnit& unit) const override;
};

}  // namespace norvane::sdk::can
