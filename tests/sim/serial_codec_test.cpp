// Command texts read by the gateway, and the reply frames it writes, against hand-computed bytes.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "sim/bus_identifier.h"
#include "sim/command_text.h"
#include "sim/host_frames.h"
#include "sim/legacy_command_text.h"
#include "sim/reply_frames.h"
#include "sim/sim_config.h"

namespace norvane::sim {
namespace {

using Bytes = std::vector<uint8_t>;

TEST(BusIdentifierTest, LayoutsOfBothGenerations) {
    struct Case {
        uint8_t node, controlWord;
        uint32_t secondGen, firstGen;
    };
    const Case cases[] = {
        {5, 0x81, 0x05080081, 0x00280081},
        {70, 0x8B, 0x0608408B, 0x0030808B},
        {127, 0xC0, 0x1F0FE0C0, 0x00F8C0C0},
        {1, 0x7E, 0x0108007E, 0x0008007E},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(BusIdentifier(c.node, c.controlWord), c.secondGen) << int(c.node);
        EXPECT_EQ(FirstGenBusIdentifier(c.node, c.controlWord), c.firstGen) << int(c.node);
        EXPECT_EQ(DecodeBusIdentifier(c.secondGen).node, c.node);
        EXPECT_EQ(DecodeBusIdentifier(c.secondGen).controlWord, c.controlWord);
    }
    // First-generation answers: node bits 5-6 at 16-17, bit 19 clear.
    EXPECT_EQ(DecodeBusIdentifier(0x0602008B).node, 70);
    EXPECT_EQ(DecodeBusIdentifier(0x0500000B).node, 5);
}

struct TextCase {
    const char* text;
    uint8_t node;
    uint8_t controlWord;
    Bytes data;
};

TEST(CommandTextTest, ReadsEveryAddressForm) {
    const TextCase cases[] = {
        {"{ADR=5;{SPD1000;}}", 5, 0x07, {0xE8, 0x03, 0, 0}},
        {"{ADR=5;}SPD1000;", 5, 0x87, {0xE8, 0x03, 0, 0}},
        {"SPD1000;", 0, 0x87, {0xE8, 0x03, 0, 0}},
        {"{ADR=5;}SPD;", 5, 0x87, {}},
        {"gREG;", 127, 0xC0, {}},
        {"{ADR=0;{gREG;}}", 127, 0xC0, {}},
        {"{ADR=3;SETADR133;}", 3, 0x33, {0x05}},
        {"{ADR=3;gORG;}", 0, 0x17, {}},
        {"{ADR=3;{GOFF;}}", 0, 0x16, {}},
        {"{ADR=9;}MDL9;", 9, 0xC1, {}},
        {"{ADR=5;}MCS200;", 5, 0x88, {0x48}},
        {"{ADR=5;}ENA1;", 5, 0x81, {0x01, 0x00}},
        {"{ADR=5;}POS-2;", 5, 0x8B, {0xFE, 0xFF, 0xFF, 0xFF}},
        {"{ADR=5;}MCFG4660;", 5, 0xAE, {0x34, 0x12, 0, 0}},
        {"{ADR=5;}SCFG115;", 5, 0xAF, {0x07, 0x00, 0x02}},
        {"{ADR=5;}STG-1;", 5, 0xB0, {0, 0, 0}},
        {"{ADR=5;}STG33;", 5, 0xB0, {0x02, 0x00, 0x01}},
        {"{ADR=5;}NRD0x0a0B;", 5, 0xBE, {0x0A, 0x0B}},
        {"{ADR=5;}STORE;", 5, 0xB6, {}},
        {"{ADR=5; ;}", 5, 0x00, {}},
        {"BTR;", 0, 0xB5, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        const auto r = ParseCommandText(c.text);
        ASSERT_TRUE(r);
        EXPECT_EQ(r->node, c.node);
        EXPECT_EQ(r->controlWord, c.controlWord);
        EXPECT_EQ(Bytes(r->data, r->data + r->length), c.data);
    }
}

TEST(CommandTextTest, RefusesBrokenTexts) {
    for (const char* text : {"", ";", "{ADR=x;}SPD;", "{ADR=5;}FOO;", "{ADR=5;}SPD12a;", "{ADR=500;}SPD;",
                             "{ADR=5;SPD1", "{ADR=5", "SPD1000", "{ADR=5;}NRD0x1;", "{ADR=5;}MDL300;",
                             "{ADR=5;}SPD99999999999999999999999;", "gREG5;"}) {
        SCOPED_TRACE(text);
        EXPECT_FALSE(ParseCommandText(text));
    }
}

struct ReplyCase {
    const char* name;
    uint8_t node;
    uint8_t controlWord;
    Bytes data;
    Bytes frame;
};

TEST(ReplyFrameTest, AnswersBecomeTheFramesTheHostDecodes) {
    const ReplyCase cases[] = {
        {"speed 1000", 5, 0x87, {0xE8, 0x03, 0, 0}, {0xAA, 0x05, 0xB5, 0x00, 0x07, 0x68, 0xFE}},
        {"speed -65531", 7, 0x87, {0x05, 0x00, 0xFF, 0xFF}, {0xAA, 0x07, 0xB5, 0x04, 0x00, 0x05, 0xFE}},
        {"mACC 130", 5, 0xAA, {0x82, 0, 0, 0}, {0xAA, 0x05, 0xB1, 0, 0, 0, 0, 0x01, 0x02, 0xFE}},
        {"origin 1", 5, 0x83, {1, 0, 0, 0}, {0xCC, 0x05, 0xB1, 0, 0, 0, 0, 0x01, 0xFE}},
        {"position 2^31", 5, 0x8B, {0, 0, 0, 0x80}, {0xAA, 0x05, 0xB7, 0x08, 0, 0, 0, 0, 0xFE}},
        {"input 4 edge", 5, 0xF0, {4}, {0xAA, 0x05, 0xE6, 0xFE}},
        {"notice 0x71", 5, 0x71, {}, {0xCC, 0x05, 0xA0, 0xFE}},
        {"model",
         5,
         0xC1,
         {1, 24, 0x52, 3, 5, 1},
         {0xEE, 0x05, 0xDE, 0x18, 0x01, 0x03, 0x52, 0x00, 0x02, 0x05, 0xFE}},
        {"status",
         5,
         0x80,
         {0x25, 0x03, 0x2C, 0x01, 1, 0, 0, 0},
         {0xAA, 0x05, 0x85, 0x32, 0x00, 0x02, 0x2C, 0, 0, 0, 0, 0x01, 0xFE}},
        {"bit rate", 1, 0xB5, {3}, {0xAA, 0x03, 0xBC, 0xFE}},
        {"sensors", 5, 0xBF, {0xFF, 0x5F}, {0xEE, 0x05, 0xC1, 0x01, 0x00, 0x01, 0x1F, 0x7F, 0xFE}},
        {"stream", 5, 0x3E, {0x11, 0x22}, {0xAA, 0x05, 0xCD, 0x11, 0x22, 0x00, 0xFE}},
        {"error report", 5, 0x0F, {0, 7, 5}, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(EncodeReplyFrame(c.node, c.controlWord, c.data.data(), static_cast<uint8_t>(c.data.size())),
                  c.frame);
    }
}

TEST(ReplyFrameTest, StatusCodeAvoidsAssignedReplyCodes) {
    // ENA set, micro-step nibble 5: code 0xA5 would read as a notice; the nearest free is 0xAC.
    const uint8_t status[8] = {0x25, 0x10, 0, 0, 0, 0, 0, 0};
    const auto frame = EncodeReplyFrame(5, 0x80, status, 8);
    ASSERT_EQ(frame.size(), 13u);
    EXPECT_EQ(frame[2], 0xAC);
    for (size_t i = 1; i + 1 < frame.size(); ++i) {
        if (i != 2) {
            EXPECT_LT(frame[i], 0x80) << i;
        }
    }
}

TEST(ReplyFrameTest, NodeListAndIdentity) {
    EXPECT_EQ(EncodeNodeListFrame({5, 70, 0, 126}), (Bytes{0xAA, 0x02, 0xD0, 0x05, 0x46, 0xFE}));
    EXPECT_EQ(EncodeIdentityFrame(0x19, 0x01, 0x0105),
              (Bytes{0xAA, 0xAB, 0xAC, 0x19, 0x01, 0, 0, 0x00, 0x02, 0x05, 0, 0, 0xFF}));
}

TEST(HostFrameParserTest, FramesSplitAtEveryPositionWithGarbageBetween) {
    const Bytes stream = {0x00, 0xAA, 0x71, 0, 0, 0, 0, 0xCC, 0x13, 0xAA, 0x23, 2, 0, 0, 0, 'A', ';', 0xCC};
    for (size_t cut = 0; cut <= stream.size(); ++cut) {
        SCOPED_TRACE(cut);
        HostFrameParser parser;
        std::vector<HostFrame> frames;
        parser.Feed(stream.data(), cut);
        while (auto f = parser.Next()) frames.push_back(*f);
        parser.Feed(stream.data() + cut, stream.size() - cut);
        while (auto f = parser.Next()) frames.push_back(*f);
        ASSERT_EQ(frames.size(), 2u);
        EXPECT_EQ(frames[0].command, 0x71);
        EXPECT_TRUE(frames[0].payload.empty());
        EXPECT_EQ(frames[1].command, 0x23);
        EXPECT_EQ(frames[1].payload, (Bytes{'A', ';'}));
        EXPECT_EQ(parser.Counters().garbageBytes, 2u);
        EXPECT_EQ(parser.Pending(), 0u);
    }
}

TEST(HostFrameParserTest, OversizedLengthIsSkippedNotAwaited) {
    HostFrameParser parser(16);
    const Bytes bytes = {0xAA, 0x72, 0x11, 0, 0, 0, 0xAA, 0x74, 0, 0, 0, 0, 0xCC};
    parser.Feed(bytes.data(), bytes.size());
    const auto f = parser.Next();
    ASSERT_TRUE(f);
    EXPECT_EQ(f->command, 0x74);
    EXPECT_EQ(parser.Counters().oversizedFrames, 1u);
}

TEST(LegacyCommandTextTest, ReadsTheFirstGenerationForms) {
    const TextCase cases[] = {
        {"{*5;pp[2]1000;}", 5, 0x01, {0x02, 0xE8}},  // no answer wanted: the value's low byte
        {"{*5;}pp[5]  ;", 5, 0x81, {0x05}},          // a read: two blanks for the value
        {"pp[5];", 1, 0x81, {0x05}},                 // the probe's bare text is for the gateway
        {"{*5;}pp[-1]  ;", 5, 0x81, {0xFF}},
        {"{*0;}sn;", 0, 0x8C, {}},
        {"{*0;}sn0;", 0, 0x8C, {0, 0, 0, 0}},
        {"{*5;}sn[20]305419896;", 5, 0x8C, {20, 0x78, 0x56, 0x34, 0x12}},
        {"{*5;}ie[3]-2;", 5, 0x87, {3, 0xFE, 0xFF}},
        {"{*7;}qp[300]5;", 7, 0xA5, {0x2C, 0x01, 5, 0, 0, 0}},
        {"{*7;}qt[2]9;", 7, 0xA7, {2, 0, 9, 0}},
        {"{*5;}ml;", 5, 0x8B, {}},
        {"{*5;}opx001f;", 5, 0xD1, {0x00, 0x1F}},
        {"{*4;}ZFx0102ff;", 4, 0xFF, {0x01, 0x02, 0xFF}},
        {"{*5;}er[0]0;", 5, 0x8F, {0, 0, 0}},
        {"{*5;mo1;}", 5, 0x15, {1, 0, 0, 0}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        const auto r = ParseLegacyCommandText(c.text);
        ASSERT_TRUE(r);
        EXPECT_EQ(r->node, c.node);
        EXPECT_EQ(r->controlWord, c.controlWord);
        EXPECT_EQ(Bytes(r->data, r->data + r->length), c.data);
    }
    for (const char* text :
         {"", "{*x;}pp;", "{*5;}zz1;", "{*5;}pp[2;", "{*5;}pp1a;", "{*500;}pp;", "{*5;}ml[3];", "{*5;pp[1]1;",
          "{ADR=5;}SPD;", "{*5;}opx0;", "{*5;}pp[2]99999999999;"}) {
        SCOPED_TRACE(text);
        EXPECT_FALSE(ParseLegacyCommandText(text));
    }
}

TEST(ReplyFrameTest, LegacyFramesCarryBit7InTheirMarkers) {
    const ReplyCase cases[] = {
        {"one byte", 5, 0x0B, {0x92}, {0xF1, 0x05, 0x0B, 0x12, 0xE0}},
        {"model answer",
         1,
         0x0B,
         {0x18, 0x07, 0, 0, 0x0A, 0x87},
         {0xF0, 1, 0x0B, 0x18, 0x07, 0, 0, 0x0A, 0x07, 0xE2}},
        {"no data", 9, 0x8C, {}, {0xF0, 9, 0x0C, 0xE0}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(EncodeLegacyReplyFrame(c.node, c.controlWord, c.data.data(), c.data.size()), c.frame);
    }
}

TEST(SerialGatewayConfig, GenerationOfSerialLines) {
    SimConfig config;
    std::string error;
    ASSERT_TRUE(ParseSimConfig("rs232 COM3 generation=1\nnode controller1 5\nuart COM4\n", config, error))
        << error;
    EXPECT_EQ(config.gateways[0].generation, 1);
    EXPECT_EQ(config.gateways[1].generation, 2);
    for (const char* text :
         {"rs232 COM3 generation=3\n", "rs232 COM3 generation=0\n", "ethernet 127.0.0.1:1 generation=1\n"})
        EXPECT_FALSE(ParseSimConfig(text, config, error)) << text;
}

}  // namespace
}  // namespace norvane::sim

TEST(CommandTextTest, StreamIsCutIntoTextsWhereverItWasSplit) {
    const std::vector<std::string> texts = {
        "ABC;", "{ADR=5;{SPD1000;}}", "gREG;", "{*5;}sn;", "{*5;pp[2]1000;}", "{ADR=0;{BTR;}}", "pp[5];"};
    std::string stream;
    for (const auto& t : texts) stream += t;
    for (size_t split = 0; split <= stream.size(); ++split) {
        // What arrived so far: the texts complete in it, then the rest once it came.
        std::string buffer = stream.substr(0, split);
        std::vector<std::string> cut;
        auto drain = [&] {
            while (const size_t n = norvane::sim::CommandTextLength(buffer)) {
                cut.push_back(buffer.substr(0, n));
                buffer.erase(0, n);
            }
        };
        drain();
        buffer += stream.substr(split);
        drain();
        EXPECT_EQ(cut, texts) << "split at " << split;
        EXPECT_TRUE(buffer.empty());
    }
    EXPECT_EQ(norvane::sim::CommandTextLength("{ADR=5;{SPD1000;}"), 0u);  // incomplete
    EXPECT_EQ(norvane::sim::CommandTextLength("}x"), 1u);                 // a stray brace ends
}
