// Identifier rules and frame conversion of the raw CAN wire format, with hand-computed values.
#include "sdk/can/can_identifier.h"

#include <gtest/gtest.h>

#include <cstring>

#include "sdk/can/can_wire_format.h"
#include "sdk/can/pci_gateway.h"

namespace norvane::sdk::can {
namespace {

TEST(CanIdentifier, RequestIdentifiers) {
    const struct {
        bool firstGen;
        uint32_t node;
        uint8_t controlWord;
        bool probe;
        uint32_t id;
    } rows[] = {
        {false, 5, 0x81, false, 0x05080081},  // answer bit kept
        {false, 5, 0x01, false, 0x05080001},
        {false, 101, 0x87, false, 0x05086087},  // node 101: low five bits 5, high bits 3
        {false, 127, 0xC0, false, 0x1F0FE040},  // broadcast: never the answer bit
        {false, 0, 0x9F, false, 0x0008009F},
        {true, 5, 0x8C, false, 0x0028008C},
        {true, 101, 0x8C, false, 0x0028C08C},
        {true, 0, 0x8C, true, 0x0100008C},  // bit-rate probe: byte 3 = 1
        {true, 127, 0x81, false, 0x00F8C081},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.id);
        EXPECT_EQ(r.firstGen ? FirstGenRequestId(r.node, r.controlWord, r.probe)
                             : SecondGenRequestId(r.node, r.controlWord),
                  r.id);
    }
}

TEST(CanIdentifier, ReceivedIdentifiers) {
    const struct {
        bool firstGen;
        uint32_t id;
        uint8_t node;
        uint8_t controlWord;
    } rows[] = {
        {false, 0x00280081, 5, 0x81}, {false, 0x00280381, 101, 0x81}, {false, 0x03F80775, 255, 0x75},
        {false, 0x05080081, 1, 0x81},  // a request read as an answer names node 1
        {true, 0x0500008C, 5, 0x8C},  {true, 0x0502008C, 69, 0x8C},   {true, 0x1F03000C, 127, 0x0C},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.id);
        const NodeAndCommand got = r.firstGen ? DecodeFirstGenId(r.id) : DecodeSecondGenId(r.id);
        EXPECT_EQ(got.node, r.node);
        EXPECT_EQ(got.controlWord, r.controlWord);
    }
}

TEST(CanWireFormat, ReceivedFramesBecomeMessages) {
    KymCanFrame frame{};
    frame.identifier = 0x00280081;
    frame.extended = 1;
    frame.length = 12;  // beyond 8: the length kept, the data capped
    for (uint8_t i = 0; i < 8; ++i) frame.data[i] = static_cast<uint8_t>(0xA0 + i);
    KymCanMsg m = MessageFromFrame(frame, false);
    EXPECT_EQ(m.node, 5);
    EXPECT_EQ(m.controlWord, 0x81);
    EXPECT_EQ(m.length, 12);
    EXPECT_EQ(m.extra, 0xA0u);
    EXPECT_EQ(m.data[7], 0xA7);
    frame.identifier = 0x00280004;  // command 4 and 0x36 carry their value in the identifier
    m = MessageFromFrame(frame, false);
    EXPECT_EQ(m.length, 1);
    EXPECT_EQ(m.data[0], 0);
    frame.identifier = 0x00280036;
    m = MessageFromFrame(frame, false);
    EXPECT_EQ(m.length, 1);
    EXPECT_EQ(m.data[0], 0x36);

    // Whole records only; a first-generation control word 2 is dropped.
    CanWireFormat legacy(true);
    uint8_t bytes[2 * kRecordBytes] = {};
    frame.identifier = 0x05000002;
    std::memcpy(bytes, &frame, kRecordBytes);
    frame.identifier = 0x0500008C;
    std::memcpy(bytes + kRecordBytes, &frame, kRecordBytes);
    auto unit = std::make_unique<ReceivedUnit>();
    size_t count = kRecordBytes - 1;
    legacy.Take(bytes, count, sizeof bytes, *unit);
    EXPECT_EQ(unit->kind, ReceivedUnit::Kind::None);
    count = sizeof bytes;
    legacy.Take(bytes, count, sizeof bytes, *unit);
    EXPECT_EQ(unit->kind, ReceivedUnit::Kind::Dropped);
    legacy.Take(bytes, count, sizeof bytes, *unit);
    EXPECT_EQ(unit->kind, ReceivedUnit::Kind::Message);
    EXPECT_EQ(unit->message.node, 5);
    EXPECT_EQ(count, 0u);
}

TEST(CanWireFormat, DiscoveryUsesTheFixedIdentifier) {
    CanWireFormat format(false);
    uint8_t out[WireFormat::kMaxUnitBytes];
    ASSERT_EQ(format.EncodeDiscovery(out), kRecordBytes);
    KymCanFrame frame;
    std::memcpy(&frame, out, kRecordBytes);
    EXPECT_EQ(frame.identifier, kDiscoveryIdentifier);
    EXPECT_EQ(frame.extended, 1);
    EXPECT_EQ(frame.length, 0);
}

TEST(PciGateway, PositionsOfPortIndices) {
    const uint32_t rows[][2] = {{0x00, 0}, {0x10, 1}, {0x01, 2}, {0x11, 3}, {0x04, 8}, {0x14, 9}, {0x810, 1}};
    for (const auto& r : rows) EXPECT_EQ(PciPosition(r[0]), r[1]) << r[0];
}

}  // namespace
}  // namespace norvane::sdk::can
