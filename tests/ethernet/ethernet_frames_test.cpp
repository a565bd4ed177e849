// Frames to and from the Ethernet gateway, byte for byte.
#include "sdk/ethernet/ethernet_frames.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "sdk/core/codec/reply_frame.h"

using namespace norvane::sdk::eth;
using Bytes = std::vector<uint8_t>;

namespace {

KymCanMsg Msg(uint8_t node, uint8_t controlWord, Bytes data) {
    KymCanMsg m{};
    m.node = node;
    m.controlWord = controlWord;
    m.length = static_cast<uint8_t>(data.size());
    std::copy_n(data.begin(), std::min<size_t>(data.size(), 8), m.data);
    return m;
}

// Feeds pieces into a 1024-byte receive buffer and collects every complete frame.
struct Receiver {
    uint8_t buffer[kReceiveBufferBytes] = {};
    size_t count = 0;
    std::vector<Bytes> frames;

    void Feed(const Bytes& piece) {
        std::memcpy(buffer + count, piece.data(), piece.size());
        count += piece.size();
        size_t length = 0;
        while (ParseFrame(buffer, count, 0, length, sizeof buffer) || length > 0) {
            frames.emplace_back(buffer, buffer + length);
            DropFront(buffer, count, length);
        }
    }
};

Bytes Concat(std::initializer_list<Bytes> parts) {
    Bytes all;
    for (const Bytes& part : parts) all.insert(all.end(), part.begin(), part.end());
    return all;
}

const Bytes kAnswer = {0xCC, 0x73, 13, 0, 0, 0, 0x81, 0, 0x01, 0x09, 4, 1, 2, 3, 4, 0, 0, 0, 0, 0xAA};
const Bytes kHello = {0xCC, 0x19, 0, 0, 0, 0, 0xAA};

}  // namespace

TEST(EthernetFrames, OutgoingFramesMatchTheWireLayout) {
    uint8_t out[32] = {};
    // ENA with answer to node 5, value 1: I1 = 0, I2 = 5 << 3 = 0x28.
    ASSERT_EQ(BuildCanMessageFrame(Msg(5, 0x81, {1}), out), 20u);
    EXPECT_EQ(Bytes(out, out + 20),
              (Bytes{0xAA, 0x72, 13, 0, 0, 0, 0x81, 0x00, 0x28, 0x01, 1, 1, 0, 0, 0, 0, 0, 0, 0, 0xCC}));
    // Node 0x65 (101): I1 = 0x60 << 1 = 0xC0, I2 = 5 << 3; bytes beyond the length stay 0.
    KymCanMsg wide = Msg(101, 0x03, {0x10, 0x27, 0, 0});
    wide.data[6] = 0x55;
    ASSERT_EQ(BuildCanMessageFrame(wide, out), 20u);
    EXPECT_EQ(Bytes(out, out + 20), (Bytes{0xAA, 0x72, 13,   0, 0, 0, 0x03, 0xC0, 0x28, 0x01,
                                           4,    0x10, 0x27, 0, 0, 0, 0,    0,    0,    0xCC}));
    ASSERT_EQ(BuildFrame(0x71, nullptr, 0, out, sizeof out), 7u);
    EXPECT_EQ(Bytes(out, out + 7), (Bytes{0xAA, 0x71, 0, 0, 0, 0, 0xCC}));
    ASSERT_EQ(BuildSerialRecordFrame(Msg(1, 0xFE, {20}), out), 19u);
    EXPECT_EQ(Bytes(out, out + 19),
              (Bytes{0xAA, 0x23, 12, 0, 0, 0, 1, 1, 0xFE, 20, 0, 0, 0, 0, 0, 0, 0, 0, 0xCC}));
}

TEST(EthernetFrames, RefusesWhatDoesNotFit) {
    uint8_t out[8] = {};
    const uint8_t text[] = "ABC;";
    EXPECT_EQ(BuildFrame(0x23, text, 4, out, sizeof out), 0u);  // needs 11 bytes
    EXPECT_EQ(BuildFrame(0x23, nullptr, 4, out, sizeof out), 0u);
    uint8_t record[32] = {};
    for (uint8_t length : {9, 15, 16, 255}) {
        KymCanMsg m = Msg(1, 0x81, {});
        m.length = length;
        EXPECT_EQ(BuildSerialRecordFrame(m, record), 0u) << int(length);
    }
}

TEST(EthernetFrames, DecodesAnAnswerPayload) {
    KymCanMsg m{};
    // I2 = 0x03, I3 = 0x1F: node (3 << 5) | 31 = 127.
    const uint8_t payload[13] = {0x41, 0, 0x03, 0x3F, 7, 0x18, 1, 2, 3, 4, 5, 6, 0xEE};
    ASSERT_TRUE(DecodeCanPayload(payload, 13, m));
    EXPECT_EQ(m.node, 127);
    EXPECT_EQ(m.controlWord, 0x41);
    EXPECT_EQ(m.length, 7);
    EXPECT_EQ(m.extra, 0x18u);
    EXPECT_EQ(m.data[7], 0xEE);
    EXPECT_FALSE(DecodeCanPayload(payload, 12, m));
    EXPECT_EQ(m.node, 0);
}

TEST(EthernetFrames, TwoFramesInOnePieceAreBothFound) {
    Receiver r;
    r.Feed(Concat({kAnswer, kHello}));
    ASSERT_EQ(r.frames.size(), 2u);
    EXPECT_EQ(r.frames[0], kAnswer);
    EXPECT_EQ(r.frames[1], kHello);
    EXPECT_EQ(r.count, 0u);
}

TEST(EthernetFrames, AFrameSplitAtEveryPositionIsFoundOnceComplete) {
    // Data byte 0xCC inside the payload must not be taken for a new frame start.
    Bytes frame = kAnswer;
    frame[11] = 0xCC;
    for (size_t cut = 1; cut < frame.size(); ++cut) {
        Receiver r;
        r.Feed(Bytes(frame.begin(), frame.begin() + cut));
        EXPECT_TRUE(r.frames.empty()) << cut;
        r.Feed(Bytes(frame.begin() + cut, frame.end()));
        ASSERT_EQ(r.frames.size(), 1u) << cut;
        EXPECT_EQ(r.frames[0], frame);
    }
}

TEST(EthernetFrames, GarbageAndFalseStartsAreSkipped) {
    Receiver r;
    // Plain garbage, a CC whose frame would not end in AA, a cut-off frame, then a real one.
    r.Feed(Concat(
        {{0x00, 0x13, 0xAA, 0xCC, 0x73, 2, 0, 0, 0, 9, 9, 0x55}, {0xCC, 0x73, 13, 0, 0, 0, 0x81}, kAnswer}));
    ASSERT_EQ(r.frames.size(), 1u);
    EXPECT_EQ(r.frames[0], kAnswer);
    EXPECT_EQ(r.count, 0u);
    Receiver noise;
    noise.Feed({1, 2, 3, 0xAA});
    EXPECT_EQ(noise.count, 0u);
}

TEST(EthernetFrames, HugeLengthFieldsNeverStallOrOverflow) {
    for (uint32_t length : {0xFFFFFFFFu, 0xFFFFFFF9u, 0xFFFFFFF8u, 0x80000000u, 1018u}) {
        Receiver r;
        r.Feed(Concat({{0xCC, 0x73, static_cast<uint8_t>(length), static_cast<uint8_t>(length >> 8),
                        static_cast<uint8_t>(length >> 16), static_cast<uint8_t>(length >> 24), 0xAA},
                       kAnswer}));
        ASSERT_EQ(r.frames.size(), 1u) << length;
        EXPECT_EQ(r.frames[0], kAnswer);
    }
    // The wide header (command 0x90) carries its length one byte later.
    Receiver wide;
    wide.Feed({0xCC, 0x90, 0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xAA, 0xCC, 0x90, 0x07, 1, 0, 0, 0, 0x42, 0xAA});
    ASSERT_EQ(wide.frames.size(), 1u);
    EXPECT_EQ(wide.frames[0].size(), 9u);
    ReceivedFrame split;
    ASSERT_TRUE(SplitFrame(wide.frames[0].data(), 9, split));
    EXPECT_EQ(split.payloadLength, 1u);
    EXPECT_EQ(split.payload[0], 0x42);
}

TEST(EthernetFrames, AFullBufferWithoutAFrameIsCleared) {
    uint8_t buffer[kReceiveBufferBytes];
    std::memset(buffer, 0x11, sizeof buffer);
    // A frame start whose frame would need the whole buffer plus one.
    buffer[0] = 0xCC;
    buffer[1] = 0x73;
    const uint32_t length = kReceiveBufferBytes - 6;
    std::memcpy(buffer + 2, &length, 4);
    size_t count = sizeof buffer, frameLength = 99;
    EXPECT_FALSE(ParseFrame(buffer, count, 0, frameLength, sizeof buffer));
    EXPECT_EQ(count, 0u);
    EXPECT_EQ(frameLength, 0u);
}

TEST(EthernetFrames, ExpectedCommandSelectsFramesByControlWord) {
    uint8_t buffer[64];
    std::memcpy(buffer, kAnswer.data(), kAnswer.size());
    buffer[6] = 0x41;  // model answer; the request's answer bit is not part of the comparison
    size_t count = kAnswer.size(), length = 0;
    EXPECT_TRUE(ParseFrame(buffer, count, 0xC1, length, sizeof buffer));
    EXPECT_FALSE(ParseFrame(buffer, count, 0xB5, length, sizeof buffer));
    EXPECT_EQ(length, 20u);  // complete but not the expected one: the caller drops it
}

TEST(EthernetFrames, NodeListsAndGatewayNames) {
    uint8_t ids[8] = {};
    const uint8_t list[] = {0xAA, 0x04, 0xD0, 5, 9, 0x7D, 7, 0xFE};
    EXPECT_EQ(norvane::sdk::NodeListIds(list, sizeof list, ids, 8), 4u);
    EXPECT_EQ(ids[2], 0x7D);
    EXPECT_EQ(norvane::sdk::NodeListIds(list, sizeof list, ids, 2), 2u);
    const uint8_t stops[] = {0xAA, 0x05, 0xD0, 6, 0, 9, 0xFE};
    EXPECT_EQ(norvane::sdk::NodeListIds(stops, sizeof stops, ids, 8), 1u);
    const uint8_t cut[] = {0xAA, 0x7F, 0xD0, 6, 8, 0xFE};
    EXPECT_EQ(norvane::sdk::NodeListIds(cut, sizeof cut, ids, 8), 2u);

    char name[64];
    EXPECT_EQ(GatewayName(0x0A0000FA, name, sizeof name), 12u);
    EXPECT_STREQ(name, "KYM10.0..250");
    GatewayName(0xC0A80164, name, sizeof name);
    EXPECT_STREQ(name, "KYM192.168.1.100");
    GatewayName(0x7F000015, name, 6);
    EXPECT_STREQ(name, "KYM12");
}
