// The zone frame builder and finder, driven with literal bytes.
#include "sdk/ethernet/zone_frames.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace norvane::sdk::zone {
namespace {

using Bytes = std::vector<uint8_t>;

// CC cmd L(4, little-endian) payload AA, as the device sends it.
Bytes Received(uint8_t command, const Bytes& payload) {
    Bytes frame{
        0xCC, command, static_cast<uint8_t>(payload.size()), static_cast<uint8_t>(payload.size() >> 8), 0, 0};
    frame.insert(frame.end(), payload.begin(), payload.end());
    frame.push_back(0xAA);
    return frame;
}

Bytes MessagePayload(uint8_t zone, uint8_t node, uint8_t controlWord, uint8_t length) {
    return {zone, node, controlWord, length, 0x11, 0, 0, 0, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77, 0x88};
}

// Feeds bytes into a receive buffer in the given pieces and collects every frame event.
std::vector<FrameEvent> Feed(const std::vector<Bytes>& pieces, size_t capacity = kReceiveBufferBytes) {
    std::vector<uint8_t> buffer(capacity);
    size_t count = 0;
    std::vector<FrameEvent> events;
    for (const Bytes& piece : pieces) {
        for (size_t at = 0; at < piece.size();) {
            const size_t n = std::min(piece.size() - at, capacity - count);
            std::memcpy(buffer.data() + count, piece.data() + at, n);
            count += n;
            at += n;
            for (FrameEvent e = TakeFrame(buffer.data(), count, capacity); e.kind != FrameKind::None;
                 e = TakeFrame(buffer.data(), count, capacity)) {
                events.push_back(e);
            }
        }
    }
    return events;
}

TEST(ZoneFrames, MessageFrameCarriesZoneNodeControlWordLengthExtraAndData) {
    KymCanMsg message{};
    message.node = 7;
    message.controlWord = 0x87;
    message.length = 3;
    message.extra = 0x04030201;
    const uint8_t data[8] = {0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77, 0x88};  // beyond the length: not sent
    std::memcpy(message.data, data, 8);
    uint8_t out[kMessageFrameBytes];
    ASSERT_EQ(BuildMessageFrame(2, message, out), 23u);
    const Bytes expected{0xAA, 0x49, 0x10, 0x00, 0x00, 0x00, 0x02, 0x07, 0x87, 0x03, 0x01, 0x02,
                         0x03, 0x04, 0x11, 0x22, 0x33, 0x00, 0x00, 0x00, 0x00, 0x00, 0xCC};
    EXPECT_EQ(Bytes(out, out + 23), expected);

    message.length = 0x1C;  // only the low four bits travel; at most 8 data bytes
    ASSERT_EQ(BuildMessageFrame(0, message, out), 23u);
    EXPECT_EQ(out[6], 0x00);
    EXPECT_EQ(out[9], 0x0C);
    EXPECT_EQ(Bytes(out + 14, out + 22), Bytes(data, data + 8));
}

TEST(ZoneFrames, ProbeAndListFramesHaveNoPayload) {
    uint8_t out[kShortFrameBytes];
    ASSERT_EQ(BuildProbeFrame(out), 7u);
    EXPECT_EQ(Bytes(out, out + 7), (Bytes{0xAA, 0x09, 0, 0, 0, 0, 0xCC}));
    ASSERT_EQ(BuildListFrame(out), 7u);
    EXPECT_EQ(Bytes(out, out + 7), (Bytes{0xAA, 0x19, 0, 0, 0, 0, 0xCC}));
}

TEST(ZoneFrames, MessagesFromNodesOneTo125AreAcceptedOthersDropped) {
    struct Case {
        uint8_t node;
        bool accepted;
    };
    for (const Case c :
         {Case{1, true}, Case{125, true}, Case{0, false}, Case{126, false}, Case{255, false}}) {
        const auto events = Feed({Received(0x49, MessagePayload(3, c.node, 0x0B, 4))});
        ASSERT_EQ(events.size(), 1u) << int(c.node);
        EXPECT_EQ(events[0].kind, c.accepted ? FrameKind::Message : FrameKind::Dropped) << int(c.node);
    }
}

TEST(ZoneFrames, DecodedMessageFields) {
    const auto events = Feed({Received(0x49, MessagePayload(3, 9, 0x8B, 4))});
    ASSERT_EQ(events.size(), 1u);
    ASSERT_EQ(events[0].kind, FrameKind::Message);
    const ZoneMessage& m = events[0].message;
    EXPECT_EQ(m.zone, 3);
    EXPECT_EQ(m.message.node, 9);
    EXPECT_EQ(m.message.controlWord, 0x8B);
    EXPECT_EQ(m.message.length, 4);
    EXPECT_EQ(m.message.extra, 0x11u);
    EXPECT_EQ(Bytes(m.message.data, m.message.data + 8), (Bytes{0x11, 0x22, 0x33, 0x44, 0, 0, 0, 0}));

    // A length above 8 keeps its value but stores no data bytes.
    const auto wide = Feed({Received(0x49, MessagePayload(1, 9, 0x0B, 9))});
    ASSERT_EQ(wide.size(), 1u);
    EXPECT_EQ(wide[0].message.message.length, 9);
    EXPECT_EQ(Bytes(wide[0].message.message.data, wide[0].message.message.data + 8), Bytes(8, 0));
}

TEST(ZoneFrames, ShortMessagePayloadIsDropped) {
    Bytes payload = MessagePayload(1, 7, 0x0B, 1);
    payload.resize(15);
    const auto events = Feed({Received(0x49, payload)});
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].kind, FrameKind::Dropped);
}

TEST(ZoneFrames, SplitFramesGarbageAndTwoFramesInOneSegment) {
    const Bytes a = Received(0x49, MessagePayload(1, 7, 0x0B, 1));
    const Bytes b = Received(0x49, MessagePayload(2, 8, 0x0C, 1));
    // Split in the middle, the header, and just before the end byte.
    for (size_t cut : {size_t{1}, size_t{5}, size_t{12}, a.size() - 1}) {
        const auto events = Feed({Bytes(a.begin(), a.begin() + cut), Bytes(a.begin() + cut, a.end())});
        ASSERT_EQ(events.size(), 1u) << cut;
        EXPECT_EQ(events[0].message.message.node, 7) << cut;
    }
    Bytes both{0x00, 0x13, 0xAA, 0x49};  // garbage, including a sender's start byte
    both.insert(both.end(), a.begin(), a.end());
    both.insert(both.end(), b.begin(), b.end());
    const auto events = Feed({both});
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0].message.zone, 1);
    EXPECT_EQ(events[1].message.zone, 2);
}

TEST(ZoneFrames, HugeLengthFieldsAreNotFrameStarts) {
    const Bytes good = Received(0x49, MessagePayload(1, 7, 0x0B, 1));
    for (uint32_t length : {0xFFFFFFFFu, 0x80000000u, 0x00000800u, 0x000007FAu}) {
        Bytes bytes{0xCC,
                    0x49,
                    static_cast<uint8_t>(length),
                    static_cast<uint8_t>(length >> 8),
                    static_cast<uint8_t>(length >> 16),
                    static_cast<uint8_t>(length >> 24)};
        bytes.insert(bytes.end(), good.begin(), good.end());
        const auto events = Feed({bytes});
        ASSERT_EQ(events.size(), 1u) << length;
        EXPECT_EQ(events[0].kind, FrameKind::Message) << length;
    }
}

TEST(ZoneFrames, FullBufferWithoutFrameIsClearedAndReadingGoesOn) {
    Bytes junk(64, 0xCC);  // every byte a possible start, none complete
    const Bytes good = Received(0x09, {});
    const auto events = Feed({junk, good}, 64);
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].kind, FrameKind::Probe);
}

TEST(ZoneFrames, ListAnswersCopyOneTo125BytesOnly) {
    struct Case {
        size_t length;
        size_t copied;
    };
    for (const Case c : {Case{1, 1}, Case{4, 4}, Case{125, 125}, Case{0, 0}, Case{126, 0}, Case{300, 0}}) {
        Bytes payload(c.length);
        for (size_t i = 0; i < c.length; ++i) payload[i] = static_cast<uint8_t>('0' + i % 10);
        const auto events = Feed({Received(0x19, payload)});
        ASSERT_EQ(events.size(), 1u) << c.length;
        EXPECT_EQ(events[0].kind, FrameKind::List) << c.length;
        ASSERT_EQ(events[0].listLength, c.copied) << c.length;
        EXPECT_EQ(Bytes(events[0].list, events[0].list + c.copied),
                  Bytes(payload.begin(), payload.begin() + c.copied));
    }
}

TEST(ZoneFrames, KeepAliveEchoAndOtherCommandsAreConsumed) {
    const auto events = Feed({Received(0x09, {}), Received(0x73, Bytes(13, 0)), Received(0x24, {1, 2})});
    ASSERT_EQ(events.size(), 3u);
    EXPECT_EQ(events[0].kind, FrameKind::Probe);
    EXPECT_EQ(events[1].kind, FrameKind::Other);
    EXPECT_EQ(events[2].kind, FrameKind::Other);
}

TEST(ZoneFrames, ZoneCountIsOneDigitOneToNine) {
    struct Case {
        Bytes list;
        int count;
    };
    const Case cases[] = {
        {{'1'}, 1}, {{'9'}, 9},      {{'3', 0, 0, 0}, 3}, {{'4', '\r', '\n'}, 4},
        {{'0'}, 0}, {{'1', '2'}, 0}, {{'/'}, 0},          {{':'}, 0},
        {{}, 0},    {{3}, 0},        {{'5', 'x'}, 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ZoneCountFromList(c.list.data(), c.list.size()), c.count) << c.list.size();
    }
}

}  // namespace
}  // namespace norvane::sdk::zone
