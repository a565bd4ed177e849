// Halbox's pure parts: frame buffer bytes and the receive ring, against hand-computed values.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "pcican/frame_buffer.h"
#include "pcican/frame_ring.h"

namespace norvane::halbox {
namespace {

using Bytes = std::vector<uint8_t>;

TEST(FrameBuffer, IdentifierBytesBothWays) {
    struct Case {
        const char* name;
        MarlixFrame frame;
        Bytes buffer;  // registers 16.. : frame information, identifier bytes, data
    };
    const Case cases[] = {
        {"standard 0x123", {0x123, 0, 0, 0, 2, {0xAB, 0xCD}}, {0x02, 0x24, 0x60, 0xAB, 0xCD}},
        {"extended 0x12345678", {0x12345678, 0, 1, 0, 1, {0x5A}}, {0x81, 0x91, 0xA2, 0xB3, 0xC0, 0x5A}},
        {"node 5 answer", {0x00280081, 0, 1, 0, 0, {}}, {0x80, 0x01, 0x40, 0x04, 0x08}},
        {"remote standard 0x7FF", {0x7FF, 0, 0, 1, 0, {}}, {0x40, 0xFF, 0xE0}},
        {"largest extended",
         {0x1FFFFFFF, 0, 1, 0, 8, {1, 2, 3, 4, 5, 6, 7, 8}},
         {0x88, 0xFF, 0xFF, 0xFF, 0xF8, 1, 2, 3, 4, 5, 6, 7, 8}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        uint8_t head[5] = {};
        const size_t idBytes = EncodeFrameIdentifier(c.frame, head);
        EXPECT_EQ(Bytes(head, head + 1 + idBytes), Bytes(c.buffer.begin(), c.buffer.begin() + 1 + idBytes));
        uint8_t received[kFrameBufferBytes] = {};
        std::copy(c.buffer.begin(), c.buffer.end(), received);
        const MarlixFrame f = DecodeFrameBuffer(received);
        EXPECT_EQ(f.identifier, c.frame.identifier);
        EXPECT_EQ(f.extended, c.frame.extended);
        EXPECT_EQ(f.remote, c.frame.remote);
        EXPECT_EQ(f.length, c.frame.length);
        EXPECT_EQ(Bytes(f.data, f.data + f.length), Bytes(c.frame.data, c.frame.data + c.frame.length));
        EXPECT_EQ(f.sendType, 0);
    }
    // A length field above 8 (CAN allows 9-15) keeps 8 data bytes.
    const uint8_t longFrame[kFrameBufferBytes] = {0x8F, 0, 0, 0, 0x08, 1, 2, 3, 4, 5, 6, 7, 8};
    EXPECT_EQ(DecodeFrameBuffer(longFrame).length, 8);
    MarlixFrame twelve{0x123, 0, 0, 0, 12, {}};
    EXPECT_EQ(FrameInformation(twelve), 0x08);
}

struct RingFixture : ::testing::Test {
    std::vector<MarlixFrame> slots = std::vector<MarlixFrame>(FrameRing::kSlots);
    FrameRing ring{slots.data()};
};

TEST_F(RingFixture, HoldsOneHundredThousandAndDropsTheNext) {
    MarlixFrame f{};
    for (uint32_t i = 0; i < 100000; ++i) {
        f.identifier = i;
        ASSERT_TRUE(ring.Push(f));
    }
    EXPECT_EQ(ring.Count(), 100000u);
    f.identifier = 0xDEAD;
    EXPECT_FALSE(ring.Push(f));
    EXPECT_EQ(ring.Count(), 100000u);
    EXPECT_EQ(ring.Dropped(), 1u);
    MarlixFrame out[3];
    ASSERT_EQ(ring.Pop(out, 3), 3u);
    EXPECT_EQ(out[2].identifier, 2u);  // oldest first; the dropped frame is gone for good
    EXPECT_EQ(ring.Count(), 99997u);
}

TEST_F(RingFixture, CountAcrossTheWrap) {
    struct Case {
        uint32_t write, read, count;
    };
    const Case cases[] = {{5, 100000, 6}, {0, 0, 0}, {100000, 0, 100000}, {3, 4, 100000}, {7, 2, 5}};
    for (const Case& c : cases) {
        ring.SetIndicesForTest(c.write, c.read);
        EXPECT_EQ(ring.Count(), c.count) << c.write << " " << c.read;
    }
    ring.SetIndicesForTest(5, 100000);
    MarlixFrame out[10];
    EXPECT_EQ(ring.Pop(out, 10), 6u);  // slots 100000, 0, ..., 4
    EXPECT_EQ(ring.Count(), 0u);
}

TEST_F(RingFixture, CountAndClearRaceWithThePushingThread) {
    std::atomic<bool> done{false};
    std::thread pusher([&] {
        MarlixFrame f{};
        for (uint32_t i = 0; i < 200000; ++i) ring.Push(f);
        done = true;
    });
    MarlixFrame out[64];
    while (!done) {
        EXPECT_LE(ring.Count(), FrameRing::kCapacity);
        ring.Clear();
        EXPECT_LE(ring.Pop(out, 64), 64u);
    }
    pusher.join();
}

}  // namespace
}  // namespace norvane::halbox
