#include "sim/nodes/frame_codec.h"

#include <gtest/gtest.h>

namespace norvane::sim::nodes {
namespace {

struct IdCase {
    uint8_t node;
    uint8_t controlWord;
    uint32_t id;
};

TEST(FrameCodec, SecondGenerationIdentifiersBothWays) {
    const IdCase cases[] = {
        {5, 0x81, 0x05080081},                             // node 5 enable with answer
        {5, 0x07, 0x05080007},                             // no answer bit
        {1, 0x41, 0x01080041},   {100, 0x87, 0x04086087},  // node bits 5-6 at identifier bits 13-14
        {127, 0xC0, 0x1F0FE0C0},                           // discovery frame: node 127 with the answer bit
        {0, 0x1B, 0x0008001B},                             // global speed
    };
    for (const IdCase& c : cases) {
        if (c.node != 127) {
            EXPECT_EQ(SecondGenIdentifier(c.node, c.controlWord), c.id) << int(c.node);
        }
        const FrameAddress a = ParseSecondGenIdentifier(c.id);
        EXPECT_EQ(a.node, c.node) << std::hex << c.id;
        EXPECT_EQ(a.controlWord, c.controlWord) << std::hex << c.id;
    }
}

TEST(FrameCodec, FirstGenerationRequestAndAnswerLayoutsDiffer) {
    // Requests: I1 = (node & 0x60) << 1, I2 = (node & 0x1F) << 3, I3 = 0 or 1.
    EXPECT_EQ(ParseFirstGenRequestIdentifier(0x0028008C).node, 5);
    EXPECT_EQ(ParseFirstGenRequestIdentifier(0x0128008C).node, 5);  // I3 = 1
    EXPECT_EQ(ParseFirstGenRequestIdentifier(0x0020C00B).node, 100);
    EXPECT_EQ(ParseFirstGenRequestIdentifier(0x0020C00B).controlWord, 0x0B);
    // Answers: node bits 0-4 at 24-28, bits 5-6 at 16-17.
    EXPECT_EQ(FirstGenAnswerIdentifier(5, 0x0C), 0x0500000Cu);
    EXPECT_EQ(FirstGenAnswerIdentifier(100, 0x0B), 0x0403000Bu);
}

TEST(FrameCodec, LittleEndianReadsStopAtTheFrameLength) {
    CanFrame f;
    f.length = 2;
    f.data[0] = 0xFE;
    f.data[1] = 0xFF;
    f.data[2] = 0x12;  // beyond the length: never read
    EXPECT_EQ(ReadLe(f, 0, 4), 0xFFFEu);
    EXPECT_EQ(ReadLeSigned(f, 0, 4), -2);
    EXPECT_EQ(ReadLe(f, 6, 4), 0u);
    f.length = 200;  // a corrupt length reads as 8
    EXPECT_EQ(ReadLe(f, 6, 4), 0u);
}

}  // namespace
}  // namespace norvane::sim::nodes
