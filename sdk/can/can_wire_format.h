#pragma once
// The wire format of a bus the SDK drives itself: every unit is one 24-byte CAN frame record
// (KymCanFrame). Requests become extended data frames whose identifier carries node and control
// word; received frames become messages with node and control word taken from the identifier.
// Pure code.
#include <cstring>

#include "norvane/NorvaneFunc.h"
#include "sdk/core/wire_format.h"

namespace norvane::sdk::can {

constexpr size_t kRecordBytes = sizeof(KymCanFrame);
static_assert(kRecordBytes == 24 && offsetof(KymCanFrame, sendType) == 9 &&
              offsetof(KymCanFrame, extended) == 10 && offsetof(KymCanFrame, remote) == 11 &&
              offsetof(KymCanFrame, length) == 12 && offsetof(KymCanFrame, data) == 13);

/// An extended data frame with identifier and the message's data (length capped at 8).
KymCanFrame RequestFrame(uint32_t identifier, const KymCanMsg& message);
/// A received frame as a message of the given generation: node and control word decoded from
/// the identifier, length = frame length & 15 (data copied up to 8), extra = first data byte.
/// Second generation rewrites command 4 (its bit comes in identifier bit 7) and 0x36 (its
/// value is the control word) into one data byte.
KymCanMsg MessageFromFrame(const KymCanFrame& frame, bool legacy);

class CanWireFormat : public WireFormat {
public:
    /// legacy: received identifiers are decoded by the first-generation rule.
    explicit CanWireFormat(bool legacy) : legacy_(legacy) {}

    size_t EncodeSecondGen(uint32_t node, uint8_t controlWord, int index, const void* data, bool get,
                           uint8_t* out) const override;
    size_t EncodeFirstGen(uint32_t handle, uint32_t node, uint8_t controlWord, int index, const void* data,
                          uint8_t* out) const override;
    /// The fixed discovery identifier, no data.
    size_t EncodeDiscovery(uint8_t* out) const override;
    /// Raw messages and first-generation discovery: first-generation identifier bytes.
    size_t EncodeMessage(uint32_t handle, const KymCanMsg& message, uint8_t* out) const override;
    void Take(uint8_t* buffer, size_t& count, size_t capacity, ReceivedUnit& unit) const override;
    bool SentFrame(const uint8_t* unit, size_t length, BusFrame& frame) const override;
    size_t ReceiveBufferBytes(bool) const override { return 125 * kRecordBytes; }

protected:
    bool Legacy() const { return legacy_; }

private:
    const bool legacy_;
};

}  // namespace norvane::sdk::can
