// Finding reply frames in a receive buffer fed in arbitrary pieces, and restoring legacy frames.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <functional>
#include <vector>

#include "sdk/core/codec/reply_frame.h"

using namespace norvane::sdk;

namespace {

using Bytes = std::vector<uint8_t>;
using Finder = std::function<bool(uint8_t*, size_t&, size_t&)>;

Bytes Concat(std::initializer_list<Bytes> parts) {
    Bytes all;
    for (const Bytes& part : parts) all.insert(all.end(), part.begin(), part.end());
    return all;
}

// A port's receive loop in miniature: append each piece to the 256-byte buffer (as much as fits),
// take out every complete frame, and drop what the finder reports.
std::vector<Bytes> Receive(const std::vector<Bytes>& pieces, const Finder& find) {
    std::array<uint8_t, kReplyBufferSize> buffer{};
    size_t length = 0;
    std::vector<Bytes> frames;
    for (const Bytes& piece : pieces) {
        size_t used = 0;
        while (used < piece.size()) {
            const size_t count = std::min(piece.size() - used, buffer.size() - length);
            std::memcpy(buffer.data() + length, piece.data() + used, count);
            length += count;
            used += count;
            size_t frameLength = 0;
            for (;;) {
                const bool valid = find(buffer.data(), length, frameLength);
                if (frameLength == 0) break;
                if (valid)
                    frames.emplace_back(buffer.begin(), buffer.begin() + static_cast<long>(frameLength));
                std::memmove(buffer.data(), buffer.data() + frameLength, length - frameLength);
                length -= frameLength;
            }
        }
    }
    return frames;
}

// Every two-piece split and the byte-by-byte feed must yield the same frames.
void ExpectFramesAtEverySplit(const Bytes& stream, const std::vector<Bytes>& expected, const Finder& find) {
    for (size_t split = 0; split <= stream.size(); ++split) {
        const Bytes head(stream.begin(), stream.begin() + static_cast<long>(split));
        const Bytes tail(stream.begin() + static_cast<long>(split), stream.end());
        EXPECT_EQ(Receive({head, tail}, find), expected) << "split at " << split;
    }
    std::vector<Bytes> single;
    for (uint8_t byte : stream) single.push_back({byte});
    EXPECT_EQ(Receive(single, find), expected) << "byte by byte";
}

const Finder kReply = [](uint8_t* buffer, size_t& length, size_t& frameLength) {
    return FindReplyFrame(buffer, length, frameLength);
};

Finder Legacy(int expectedControlWord) {
    return [expectedControlWord](uint8_t* buffer, size_t& length, size_t& frameLength) {
        return FindLegacyReplyFrame(buffer, length, expectedControlWord, frameLength);
    };
}

const Bytes kValueFrame = {0xAA, 0x05, 0xB1, 0x00, 0x00, 0x00, 0x00, 0x01, 0x02, 0xFE};
const Bytes kFeedbackFrame = {0xCC, 0x07, 0xCC, 0x07, 1, 2,   3,
                              4,    5,    6,    7,    8, 0xFE};  // code 0xCC at position 2
const Bytes kNoticeFrame = {0xEE, 0x05, 0xEE, 0xFF};             // code 0xEE at position 2

TEST(FindReplyFrame, FramesSplitAnywhereWithGarbageBetween) {
    const Bytes garbageBefore = {0x00, 0x01};  // the first start marker lands on position 2
    const Bytes garbageBetween = {0x12, 0xFE, 0x7F, 0xAA, 0x01, 0x02};  // includes a cut-off frame start
    const Bytes stream =
        Concat({garbageBefore, kValueFrame, garbageBetween, kFeedbackFrame, kNoticeFrame, {0x33}});
    ExpectFramesAtEverySplit(stream, {kValueFrame, kFeedbackFrame, kNoticeFrame}, kReply);
}

// One serial answer payload cut into its frames: what remains at the end is reported, not lost
// silently (a long payload goes through the 256-byte buffer in several fills).
TEST(SplitReplyFrames, FramesInOrderAndTheIncompleteTailCounted) {
    struct Case {
        Bytes payload;
        std::vector<Bytes> frames;
        size_t leftOver;
    };
    Bytes many;
    std::vector<Bytes> manyFrames;
    for (int i = 0; i < 40; ++i) {
        many.insert(many.end(), kValueFrame.begin(), kValueFrame.end());
        manyFrames.push_back(kValueFrame);
    }
    const Case cases[] = {
        {{}, {}, 0},
        {Concat({kValueFrame, {0x12}, kNoticeFrame}), {kValueFrame, kNoticeFrame}, 0},
        {Concat({kFeedbackFrame, {0xAA, 0x05, 0xB1}}), {kFeedbackFrame}, 3},
        {{0xAA, 0x05}, {}, 2},
        {many, manyFrames, 0},
    };
    for (const Case& c : cases) {
        std::vector<Bytes> frames;
        const size_t leftOver = SplitReplyFrames(
            c.payload.data(), c.payload.size(),
            [&](const uint8_t* frame, size_t length) { frames.emplace_back(frame, frame + length); });
        EXPECT_EQ(frames, c.frames);
        EXPECT_EQ(leftOver, c.leftOver);
    }
}

TEST(FindReplyFrame, LaterStartMarkerResynchronises) {
    Bytes buffer = Concat({{0xAA, 0x05, 0xB1}, {0xCC, 0x07, 0xB5, 0x04, 0x00, 0x05, 0xFF}, {0x55}});
    size_t length = buffer.size();
    size_t frameLength = 0;
    ASSERT_TRUE(FindReplyFrame(buffer.data(), length, frameLength));
    EXPECT_EQ(frameLength, 7u);
    EXPECT_EQ(length, 8u);
    EXPECT_EQ(Bytes(buffer.begin(), buffer.begin() + 8),
              (Bytes{0xCC, 0x07, 0xB5, 0x04, 0x00, 0x05, 0xFF, 0x55}));

    // A marker byte at position 2 is the reply code, not a new start.
    for (uint8_t code : {0xAA, 0xCC, 0xEE}) {
        Bytes frame = {0xAA, 0x05, code, 0x01, 0xFE};
        length = frame.size();
        ASSERT_TRUE(FindReplyFrame(frame.data(), length, frameLength));
        EXPECT_EQ(frameLength, 5u);
    }
}

TEST(FindReplyFrame, IncompleteFrameWaits) {
    Bytes buffer = {0x10, 0xAA, 0x05, 0xB1, 0x00};
    size_t length = buffer.size();
    size_t frameLength = 99;
    EXPECT_FALSE(FindReplyFrame(buffer.data(), length, frameLength));
    EXPECT_EQ(frameLength, 0u);
    ASSERT_EQ(length, 4u);
    EXPECT_EQ(Bytes(buffer.begin(), buffer.begin() + 4), (Bytes{0xAA, 0x05, 0xB1, 0x00}));
}

TEST(FindReplyFrame, BufferWithoutStartMarkerIsEmptied) {
    Bytes buffer = {0x01, 0x02, 0xFE, 0x7F, 0xF0};
    size_t length = buffer.size();
    size_t frameLength = 0;
    EXPECT_FALSE(FindReplyFrame(buffer.data(), length, frameLength));
    EXPECT_EQ(length, 0u);
    EXPECT_EQ(buffer, Bytes(5, 0));

    length = 0;
    EXPECT_FALSE(FindReplyFrame(buffer.data(), length, frameLength));
    EXPECT_FALSE(FindReplyFrame(nullptr, length, frameLength));
}

TEST(FindReplyFrame, FullBufferWithoutEndMarkerIsEmptied) {
    std::array<uint8_t, kReplyBufferSize> buffer{};
    buffer.fill(0x01);
    buffer[0] = 0xAA;
    size_t length = 255;
    size_t frameLength = 0;
    EXPECT_FALSE(FindReplyFrame(buffer.data(), length, frameLength));
    EXPECT_EQ(length, 255u);  // may still complete

    length = 256;
    EXPECT_FALSE(FindReplyFrame(buffer.data(), length, frameLength));
    EXPECT_EQ(length, 0u);
    EXPECT_TRUE(std::all_of(buffer.begin(), buffer.end(), [](uint8_t b) { return b == 0; }));

    // Garbage in front is dropped first; what is left is not full and stays.
    buffer.fill(0x01);
    buffer[10] = 0xCC;
    length = 256;
    EXPECT_FALSE(FindReplyFrame(buffer.data(), length, frameLength));
    EXPECT_EQ(length, 246u);
    EXPECT_EQ(buffer[0], 0xCC);

    // A frame still completes after a full buffer was discarded.
    const Bytes stream = Concat({Bytes(300, 0x01), {0xAA}, Bytes(300, 0x02), kValueFrame});
    ExpectFramesAtEverySplit(stream, {kValueFrame}, kReply);
}

TEST(FindLegacyReplyFrame, RestoresAndChecksTheControlWord) {
    Bytes frame = {0xF1, 0x05, 0x0B, 0x12, 0xE0};
    size_t length = frame.size();
    size_t frameLength = 0;
    ASSERT_TRUE(FindLegacyReplyFrame(frame.data(), length, 0x0B, frameLength));
    EXPECT_EQ(frameLength, 5u);
    EXPECT_EQ(frame, (Bytes{0xF1, 0x05, 0x0B, 0x92, 0xE0}));

    frame = {0xF1, 0x05, 0x0B, 0x12, 0xE0};
    EXPECT_FALSE(FindLegacyReplyFrame(frame.data(), length, 0x0C, frameLength));
    EXPECT_EQ(frameLength, 5u);  // reported so that the caller drops it

    frame = {0xF0, 0x05, 0xE0};
    length = frame.size();
    EXPECT_FALSE(FindLegacyReplyFrame(frame.data(), length, 0, frameLength));
    EXPECT_EQ(frameLength, 3u);

    // Any 0xF? byte after the start restarts the frame.
    frame = {0xF0, 0x05, 0xF1, 0x05, 0x0B, 0x12, 0xE0};
    length = frame.size();
    ASSERT_TRUE(FindLegacyReplyFrame(frame.data(), length, 0, frameLength));
    EXPECT_EQ(length, 5u);
    EXPECT_EQ(frame[3], 0x92);
}

TEST(FindLegacyReplyFrame, FramesSplitAnywhereWithGarbageBetween) {
    const Bytes first = {0xF3, 0x05, 0x0B, 0x12, 0x34, 0xE0};
    const Bytes firstRestored = {0xF3, 0x05, 0x0B, 0x92, 0xB4, 0xE0};
    const Bytes tooShort = {0xF0, 0x05, 0xE1};
    const Bytes second = {0xF0, 0x06, 0x0C, 1, 2, 3, 4, 5, 0xE1};
    const Bytes secondRestored = {0xF0, 0x06, 0x0C, 1, 2, 3, 4, 0x85, 0xE1};
    const Bytes stream = Concat({{0x01, 0xE5}, first, {0x7F}, tooShort, second, {0x02}});
    ExpectFramesAtEverySplit(stream, {firstRestored, secondRestored}, Legacy(0));
    ExpectFramesAtEverySplit(stream, {secondRestored}, Legacy(0x0C));
}

struct RestoreCase {
    Bytes frame;
    Bytes restored;
};

TEST(RestoreLegacyFrame, BitsComeFromStartAndEndMarkers) {
    const std::vector<RestoreCase> cases = {
        // four bytes or fewer: untouched
        {{0xFF, 0x01, 0x02, 0xEF}, {0xFF, 0x01, 0x02, 0xEF}},
        // 5..8 bytes: start bits 0.. go to f3 up to the end byte
        {{0xF1, 0x05, 0x0B, 0x12, 0xE0}, {0xF1, 0x05, 0x0B, 0x92, 0xE0}},
        {{0xF3, 0x01, 0x02, 0x00, 0x00, 0x00, 0x00, 0xE0}, {0xF3, 0x01, 0x02, 0x80, 0x80, 0x00, 0x00, 0x60}},
        // nine bytes: f3..f6 from the start byte, f7 from bit 0 of the end byte
        {{0xF0, 0x01, 0x02, 0, 0, 0, 0, 0, 0xEF}, {0xF0, 0x01, 0x02, 0, 0, 0, 0, 0x80, 0xEF}},
        {{0xF5, 0x01, 0x02, 0, 0, 0, 0, 0, 0, 0, 0xE3},
         {0xF5, 0x01, 0x02, 0x80, 0, 0x80, 0, 0x80, 0x80, 0, 0xE3}},
        // beyond f10 the end byte carries no more bits
        {{0xFF, 0x01, 0x02, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 0xEF},
         {0xFF, 0x01, 0x02, 0x81, 0x82, 0x83, 0x84, 0x85, 0x86, 0x87, 0x88, 9, 10, 0xEF}},
    };
    for (const RestoreCase& c : cases) {
        Bytes frame = c.frame;
        RestoreLegacyFrame(frame.size(), frame.data());
        EXPECT_EQ(frame, c.restored) << frame.size() << " bytes";
    }
    RestoreLegacyFrame(9, nullptr);
}

}  // namespace

namespace {

Finder Uart(int expectedControlWord) {
    return [expectedControlWord](uint8_t* buffer, size_t& length, size_t& frameLength) {
        return FindUartReplyFrame(buffer, length, kReplyBufferSize, expectedControlWord, frameLength);
    };
}

}  // namespace

TEST(FindUartReplyFrame, RestoresBitSevenWhereverTheStreamWasSplit) {
    // 84 05 0B 12 C0: m = 4, so f3 gets bit 7 (node 5, control word 0x0B, one data byte).
    const Bytes answer = {0x84, 0x05, 0x0B, 0x12, 0xC0};
    // Bits 0 and 11 of m: f1 and f12 get bit 7.
    const Bytes wide = {0x81, 0x01, 0x6F, 1, 2, 3, 4, 5, 6, 7, 8, 9, 0x10, 0xE0};
    const Bytes stream = Concat({{0x00, 0xC3, 0x41}, answer, {0x7F}, wide});
    ExpectFramesAtEverySplit(
        stream, {{0x84, 0x05, 0x0B, 0x92, 0xC0}, {0x81, 0x81, 0x6F, 1, 2, 3, 4, 5, 6, 7, 8, 9, 0x90, 0xE0}},
        Uart(0));
    // The expected control word filters; a three-byte frame is reported and dropped.
    ExpectFramesAtEverySplit(Concat({answer, wide}), {{0x84, 0x05, 0x0B, 0x92, 0xC0}}, Uart(0x0B));
    ExpectFramesAtEverySplit({0x80, 0x01, 0xC0}, {}, Uart(0));
}

TEST(FindUartReplyFrame, AFullBufferWithoutEndIsEmptied) {
    Bytes buffer(64, 0x01);
    buffer[0] = 0x80;
    size_t length = buffer.size();
    size_t frameLength = 0;
    EXPECT_FALSE(FindUartReplyFrame(buffer.data(), length, 64, 0, frameLength));
    EXPECT_EQ(length, 0u);
    EXPECT_EQ(frameLength, 0u);
}

TEST(BuildUartPacket, LaysOutTheMessage) {
    const struct {
        KymCanMsg message;
        bool firstGeneration;
        uint8_t word3Low;
        Bytes packet;
    } cases[] = {
        {{5, 0x87, 4, 0, 0, {0xE8, 0x03, 0, 0}}, false, 0, {4, 5, 0x87, 0xE8, 0x03, 0, 0, 0, 0, 0, 0, 0}},
        {{7, 0xAB, 8, 0, 0, {1, 2, 3, 4, 5, 6, 7, 8}},
         true,
         0x5A,
         {9, 7, 0xAB, 1, 2, 3, 4, 5, 6, 7, 8, 0x5A}},
        {{7, 0xAB, 8, 0, 0, {1, 2, 3, 4, 5, 6, 7, 8}}, false, 0x5A, {8, 7, 0xAB, 1, 2, 3, 4, 5, 6, 7, 8, 0}},
        {{127, 0xC0, 0, 0, 0, {}}, false, 0, {0, 127, 0xC0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
    };
    for (const auto& c : cases) {
        uint8_t out[kUartPacketBytes] = {};
        ASSERT_EQ(BuildUartPacket(c.message, c.firstGeneration, c.word3Low, out), kUartPacketBytes);
        EXPECT_EQ(Bytes(out, out + kUartPacketBytes), c.packet);
    }
    KymCanMsg tooLong{1, 0x87, 16, 0, 0, {}};
    uint8_t out[kUartPacketBytes];
    EXPECT_EQ(BuildUartPacket(tooLong, false, 0, out), 0u);
}
