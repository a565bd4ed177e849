// The adapter's request bytes and reply parsing, the USB request identifiers, and the receive-side
// rewrites: hand-computed bytes.
#include "sdk/can/usb_protocol.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "sdk/can/usb_port.h"
#include "sdk/can/usb_wire_format.h"

namespace norvane::sdk::can {
namespace {

using Bytes = std::vector<uint8_t>;

TEST(UsbRequests, ConfigureAndTransmitBytes) {
    uint8_t configure[12];
    usb::ConfigureRequest(3, configure);
    EXPECT_EQ(Bytes(configure, configure + 12), (Bytes{1, 0, 0, 0, 8, 0xFF, 0xFF, 0xFF, 0x1F, 0, 3, 0}));
    KymCanFrame record{};
    record.identifier = 0x05080081;
    record.extended = 1;
    record.remote = 1;
    record.length = 12;  // capped at 8
    record.data[0] = 0xAA, record.data[7] = 0x55;
    uint8_t transmit[16];
    usb::TransmitRequest(record, transmit);
    EXPECT_EQ(Bytes(transmit, transmit + 16),
              (Bytes{4, 1, 0x81, 0, 0x08, 0x05, 0x38, 0xAA, 0, 0, 0, 0, 0, 0, 0x55, 0}));
}

TEST(UsbReplies, CountsEchoesAndShortReplies) {
    const uint8_t pending[] = {6, 0x2C, 0x01};
    EXPECT_EQ(usb::PendingReply(pending, 3), 300);
    EXPECT_EQ(usb::PendingReply(pending, 2), usb::kBadReply);
    const uint8_t wrong[] = {7, 1, 0};
    EXPECT_EQ(usb::PendingReply(wrong, 3), usb::kBadReply);
    const uint8_t taken[] = {4, 1};
    EXPECT_EQ(usb::TransmitReply(taken, 2), 1);
    EXPECT_EQ(usb::TransmitReply(taken, 1), usb::kBadReply);
    EXPECT_TRUE(usb::EchoReply(wrong, 1, 7));
    EXPECT_FALSE(usb::EchoReply(wrong, 0, 7));
}

TEST(UsbReplies, FetchTakesWholeSlotsUpToTheDeliveredCount) {
    Bytes reply(64, 0);
    reply[0] = 5;
    for (int i = 0; i < 4; ++i) {
        reply[2 + 16 * i] = static_cast<uint8_t>(0x10 + i);   // identifier low byte
        reply[2 + 16 * i + 4] = 0x12;                         // extended, length 2
        reply[2 + 16 * i + 5 + 7] = static_cast<uint8_t>(i);  // data byte 7
    }
    struct Case {
        uint8_t delivered;
        int length;
        uint32_t max, want;
    } cases[] = {{4, 64, 4, 4},     {4, 63, 4, 4}, {4, 62, 4, 3}, {3, 64, 4, 3}, {4, 64, 2, 2},
                 {200, 64, 126, 4}, {1, 15, 1, 1}, {1, 14, 1, 0}, {1, 1, 1, 0}};
    for (const Case& c : cases) {
        reply[1] = c.delivered;
        KymCanFrame records[8] = {};
        ASSERT_EQ(usb::FetchReply(reply.data(), c.length, c.max, records), c.want)
            << int(c.delivered) << " " << c.length;
        if (c.want == 4) {
            EXPECT_EQ(records[3].identifier, 0x13u);
            EXPECT_EQ(records[3].length, 2);
            EXPECT_EQ(records[3].extended, 1);
            EXPECT_EQ(records[3].remote, 0);
            EXPECT_EQ(records[3].data[7], 3);
        }
    }
}

TEST(UsbIdentifiers, GlobalsCarryNodeBitsAndFirstGenCarriesI3AndWordThree) {
    UsbWireFormat format(false);
    uint8_t unit[64];
    KymCanFrame frame;
    ASSERT_EQ(format.EncodeSecondGen(5, 0x81, 0, nullptr, false, unit), sizeof frame);
    std::memcpy(&frame, unit, sizeof frame);
    EXPECT_EQ(frame.identifier, 0x05080081u);
    const int32_t speed = 100;
    ASSERT_EQ(format.EncodeSecondGen(0, 27, 0, &speed, false, unit), sizeof frame);  // SetgSPD
    std::memcpy(&frame, unit, sizeof frame);
    EXPECT_EQ(frame.identifier & 0x1F0FE000u, 0x1F0FE000u);
    EXPECT_EQ(frame.identifier, 0x1F0FE000u | 27);
    const uint32_t words[4] = {0, 0, 0, 0xFF};  // w3: low six bits to I1, the next two to I2
    EXPECT_EQ(UsbFirstGenRequestId(5, 0x80 | 43, words), 0x012B3FABu);
    EXPECT_EQ(UsbFirstGenRequestId(5, 0x8C, nullptr), 0x0128008Cu);
}

TEST(UsbReceive, InputEdgeNoticeAndRegisterAllAnswerRewrites) {
    const struct {
        uint8_t d2, channel;
    } edges[] = {{0xE0, 1}, {0xE1, 1}, {0xE2, 2}, {0xED, 7}, {0xEE, 0}, {0xDF, 0}, {0x05, 0}};
    for (const auto& e : edges) {
        KymCanMsg m{};
        m.controlWord = 0x70;
        m.length = 3;
        m.data[0] = 9, m.data[1] = 9, m.data[2] = e.d2, m.data[3] = 9, m.data[4] = 7;
        RewriteInputEdge(m);
        EXPECT_EQ((Bytes(m.data, m.data + 5)), (Bytes{e.channel, 0, 0, 0, 7})) << std::hex << int(e.d2);
        EXPECT_EQ(m.length, 3);
    }
    KymCanMsg answer{};
    answer.node = 99;
    answer.controlWord = 0x8C;
    answer.length = 6;
    const uint8_t data[8] = {17, 0, 1, 2, 3, 4, 5, 6};
    std::memcpy(answer.data, data, 8);
    RewriteRegisterAllAnswer(answer);
    EXPECT_EQ(answer.node, 17);
    EXPECT_EQ(answer.length, 4);
    EXPECT_EQ((Bytes(answer.data, answer.data + 8)), (Bytes{1, 2, 3, 4, 0, 0, 0, 0}));
}

TEST(UsbReceive, SecondGenExtraWordIsTheFirstDataByteSigned) {
    // Second generation: the first data byte as a signed byte (taken before the control-word
    // rewrites); first generation: unsigned.
    const struct {
        bool legacy;
        uint32_t identifier;
        uint8_t d0;
        uint32_t extra;
        uint8_t data0;
    } cases[] = {
        {false, 0x00280081, 0x7F, 0x7Fu, 0x7F},       {false, 0x00280081, 0x80, 0xFFFFFF80u, 0x80},
        {false, 0x00280081, 0xFF, 0xFFFFFFFFu, 0xFF}, {false, 0x00280081, 0x00, 0u, 0x00},
        {false, 0x00280004, 0x90, 0xFFFFFF90u, 0x00}, {false, 0x00280036, 0xC1, 0xFFFFFFC1u, 0x36},
        {true, 0x0500008C, 0x80, 0x80u, 0x80},        {true, 0x0500008C, 0xFF, 0xFFu, 0xFF},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << std::hex << c.identifier << " " << int(c.d0));
        KymCanFrame frame{};
        frame.identifier = c.identifier;
        frame.extended = 1;
        frame.length = 2;
        frame.data[0] = c.d0;
        uint8_t buffer[kRecordBytes];
        std::memcpy(buffer, &frame, kRecordBytes);
        size_t count = kRecordBytes;
        auto unit = std::make_unique<ReceivedUnit>();
        UsbWireFormat(c.legacy).Take(buffer, count, sizeof buffer, *unit);
        ASSERT_EQ(unit->kind, ReceivedUnit::Kind::Message);
        EXPECT_EQ(unit->message.extra, c.extra);
        EXPECT_EQ(unit->message.data[0], c.data0);
        EXPECT_EQ(count, 0u);
    }
}

}  // namespace
}  // namespace norvane::sdk::can
