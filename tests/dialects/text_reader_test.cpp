// Command texts read back: every text an encoder builds reads as the message the packer makes of
// the same request, in both dialects; what no encoder writes reads as nothing.
#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "sdk/core/codec/codec.h"
#include "sdk/core/codec/text_dialect.h"

using namespace norvane::sdk;

namespace {

struct Request {
    uint32_t node;
    uint8_t controlWord;
    int index;
    std::vector<uint32_t> words;  // empty: no data
};

std::string Text(const Request& r, bool firstGen) {
    char text[kMaxCommandText + 1] = {};
    size_t length = 0;
    const void* data = r.words.empty() ? nullptr : r.words.data();
    const size_t size = r.words.size() * 4;
    const auto index = static_cast<uint8_t>(r.index);
    const int done =
        firstGen
            ? EncodeTextLegacy(int32_t(r.node), r.controlWord, index, data, size, text, sizeof text, &length)
            : EncodeText(int32_t(r.node), r.controlWord, index, data, size, text, sizeof text, &length);
    EXPECT_EQ(done, 1);
    return std::string(text, length);
}

// Node, control word, length and data bytes, for readable failures.
std::vector<int> Fields(const KymCanMsg& m) {
    std::vector<int> fields = {m.node, m.controlWord, m.length};
    fields.insert(fields.end(), m.data, m.data + 8);
    return fields;
}

// The text of each request reads as the packer's message of that request (the get form without
// data, as a get request is recorded).
void ExpectRoundTrips(const std::vector<Request>& requests, bool firstGen) {
    for (const Request& r : requests) {
        const std::string text = Text(r, firstGen);
        KymCanMsg expected{}, read{};
        const void* data = r.words.empty() ? nullptr : r.words.data();
        ASSERT_EQ(firstGen          ? PackFirstGen(r.node, r.controlWord, r.index, data, &expected)
                  : r.words.empty() ? PackSecondGenGet(r.node, r.controlWord, r.index, &expected)
                                    : PackSecondGen(r.node, r.controlWord, r.index, data, &expected),
                  1)
            << text;
        ASSERT_TRUE(firstGen ? ReadTextLegacy(text, read) : ReadText(text, read)) << text;
        EXPECT_EQ(Fields(read), Fields(expected)) << text;
        bool known = false;
        EXPECT_EQ(TakeCommandText(text + "{", firstGen, read, known), text.size()) << text;
        EXPECT_TRUE(known) << text;
    }
}

TEST(TextReader, SecondGenerationTextsReadAsThePackedRequest) {
    ExpectRoundTrips(
        {
            {5, 0x87, 0, {1000}},             // SPD, answer requested
            {5, 0x07, 0, {uint32_t(-4321)}},  // no answer: nested body
            {0, 0x81, 0, {1}},                // node 0: the bare body
            {9, 0x87, 0, {}},                 // get
            {9, 0x04, 0, {3}},                // one byte
            {3, 0x88, 0, {0x45}},             // seven bits
            {7, 0x16, 0, {}},                 // read command, addressed to no node
            {4, 0x9B, 0, {500}},              // global
            {3, 0x33, 0, {5}},                // new address
            {6, 0xC1, 0, {}},                 // model: node in the value
            {127, 0xC0, 0, {}},               // discovery broadcast
            {5, 0x80, 0, {}},                 // status record
            {5, 0x2E, 0, {70000}},            // 16 bits and two zero bytes
            {5, 0x2F, 0, {1, 2, 3, 4}},       // sensor configuration, each index
            {5, 0x2F, 1, {1, 5, 3, 4, 1}},    //
            {5, 0x2F, 2, {300}},              //
            {5, 0x2F, 3, {7}},                //
            {5, 0x30, 0, {2, 0, 0x1234, 0}},  // stage
            {5, 0x30, 0, {4}},                // stage without sub-command: "-1"
            {5, 0x3E, 0, {3, 0x0C0B0A}},      // stream bytes
            {5, 0xD3, 0, {0x11, 0, 0, 0}},    // data window
            {5, 0xD3, 0, {}},                 // data window read
            {5, 0x48, 0, {123456}},           // four bytes
        },
        false);
}

TEST(TextReader, FirstGenerationTextsReadAsThePackedRequest) {
    ExpectRoundTrips(
        {
            {5, 0x01, 2, {1000}},                       // pp, no answer
            {5, 0x81, 0xFF, {}},                        // signed index, no data
            {5, 0x86, 200, {7}},                        // unsigned index
            {5, 0x0A, 0, {0x12, 0x34}},                 // bytes, both sizes
            {5, 0x0A, 1, {0x12, 0x34, 0x5678}},         //
            {5, 0x8B, 0, {}},                           // model
            {0, 0x8C, 1, {0, 7, 123456}},               // serial number, each form
            {0, 0x8C, 2, {99}},                         //
            {0, 0x8C, 0, {}},                           //
            {5, 0x8F, 3, {}},                           // error record
            {5, 0x14, 0, {0x04030201}},                 // RGB light, both sizes
            {5, 0x14, 1, {0x04030201, 0x08070605, 9}},  //
            {5, 0x10, 1, {500}},                        // index and 16 bits
            {5, 0x25, 200, {uint32_t(-7)}},             // 16-bit index
            {5, 0x27, 3, {77}},                         // index, gap, 16 bits
            {5, 0x37, 0, {0x1234}},                     // digital values, both sizes
            {5, 0x37, 1, {0x12345678}},                 //
            {5, 0xD1, 0, {0x0201, 2, 0x0403}},          // operation bytes
            {5, 0xFE, 0, {0x0102}},                     // system
            {1, 0x7F, 0, {0x62306130, 0}},              // firmware line "0a0b"
            {5, 0xA0, 0, {uint32_t(-5)}},               // "pa"
        },
        true);
}

TEST(TextReader, WhatNoEncoderWritesReadsAsNothing) {
    const struct {
        bool firstGen;
        const char* text;
    } rows[] = {
        {false, ""},
        {false, "junk;"},
        {false, "{ADR=5;}SPD12a;"},
        {false, "{ADR=5;}SPD99999999999;"},
        {false, "{ADR=200;}SPD1;"},
        {false, "{ADR=;}SPD1;"},
        {false, "{ADR=5;{SPD1;}"},
        {false, "{ADR=5;}"},
        {false, "{ADR=5;}NRD0xzz;"},
        {false, "{ADR=5;}OPRx01;"},
        {false, "{ADR=5;}SCFG4;"},
        {true, "{*5;}zz;"},
        {true, "{*5;}pp[2;"},
        {true, "{*5;}pp5;"},
        {true, "{*5;}ic[-1]5;"},
        {true, "{*300;}ml;"},
        {true, "{*5;ml;"},
        {true, "{*5;}ml5;"},
        {true, "{*5;}svx123;"},
        {true, "{*5;}opx01;"},
        {true, "{*5;}ZFx0g;"},
    };
    for (const auto& row : rows) {
        KymCanMsg message{};
        EXPECT_FALSE(row.firstGen ? ReadTextLegacy(row.text, message) : ReadText(row.text, message))
            << row.text;
    }
}

TEST(TextReader, StreamsSplitIntoTheirTexts) {
    const std::vector<std::string> texts = {"{ADR=5;}SPD1;", "{ADR=6;{ENA;}}", "gREG;",  "{ADR=2; ;}",
                                            "{*5;pp[2]1;}",  "{*5;}pp[5]  ;",  "pp[5];", "x}"};
    std::string stream;
    for (const std::string& text : texts) stream += text;
    stream += "{ADR=7";
    std::string_view rest = stream;
    for (const std::string& text : texts) {
        ASSERT_EQ(CommandTextLength(rest), text.size()) << text;
        rest.remove_prefix(text.size());
    }
    EXPECT_EQ(CommandTextLength(rest), 0u);
}

}  // namespace
