// Second-generation command texts, written out by hand from the mnemonic tables.
#include "sdk/core/codec/text_dialect.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "encode_probe.h"

using norvane::sdk::EncodeText;

namespace {

using Result = norvane::testing::EncodeResult;

Result Encode(int32_t node, uint8_t controlWord, uint8_t index, const void* data, size_t dataSize,
              size_t capacity = 64) {
    return norvane::testing::EncodeProbe(EncodeText, node, controlWord, index, data, dataSize, capacity);
}

struct Case {
    int32_t node;
    uint8_t controlWord;
    uint8_t index;
    std::vector<uint32_t> words;  // empty: no data
    const char* expected;
};

void RunCases(const std::vector<Case>& cases) {
    for (const Case& c : cases) {
        const Result r = c.words.empty()
                             ? Encode(c.node, c.controlWord, c.index, nullptr, 0)
                             : Encode(c.node, c.controlWord, c.index, c.words.data(), c.words.size() * 4);
        EXPECT_EQ(r.status, 1) << c.expected;
        EXPECT_EQ(r.text, c.expected) << "node " << c.node << " control word " << int{c.controlWord};
    }
}

TEST(TextDialect, PlainMnemonicWrappers) {
    RunCases({
        {5, 0x07, 0, {1000}, "{ADR=5;{SPD1000;}}"},
        {5, 0x87, 0, {1000}, "{ADR=5;}SPD1000;"},
        {0, 0x87, 0, {1000}, "SPD1000;"},
        {5, 0x01, 0, {}, "{ADR=5;{ENA;}}"},
        {5, 0x81, 0, {}, "{ADR=5;}ENA;"},
        {0, 0x81, 0, {}, "ENA;"},
        // discovery and bit rate without data address node 0
        {9, 0xC0, 0, {}, "gREG;"},
        {9, 0x40, 0, {}, "{ADR=0;{gREG;}}"},
        {4, 0x35, 0, {}, "{ADR=0;{BTR;}}"},
        {4, 0x35, 0, {3}, "{ADR=4;{BTR3;}}"},
        {4, 0xB5, 0, {3}, "{ADR=4;}BTR3;"},
        // the five read commands keep their node
        {3, 0x16, 0, {}, "{ADR=3;{GOFF;}}"},
        {3, 0x18, 0, {1}, "{ADR=3;{GDOUT1;}}"},
        {3, 0x9A, 0, {}, "{ADR=3;}GACR;"},
        {3, 0x1C, 0, {}, "{ADR=3;{GMCS;}}"},
        {0, 0x9D, 0, {2}, "GCUR2;"},
    });
}

TEST(TextDialect, EveryPlainMnemonic) {
    const std::vector<std::pair<uint8_t, const char*>> rows = {
        {0x01, "ENA"},   {0x02, "OFF"},   {0x03, "ORG"},  {0x04, "DOUT"}, {0x06, "ACR"},  {0x07, "SPD"},
        {0x08, "MCS"},   {0x09, "CUR"},   {0x0A, "STP"},  {0x0B, "POS"},  {0x0C, "QEC"},  {0x2A, "MACC"},
        {0x2B, "MDEC"},  {0x2C, "MMSS"},  {0x2D, "MMDS"}, {0x2E, "MCFG"}, {0x34, "BDR"},  {0x35, "BTR"},
        {0x36, "STORE"}, {0x38, "QER"},   {0x3A, "SQT"},  {0x3B, "BLC"},  {0x3D, "FBK"},  {0x3F, "SFBK"},
        {0x40, "gREG"},  {0x42, "NBD"},   {0x47, "IOC"},  {0x48, "DVA"},  {0x49, "PMD"},  {0x4A, "PMB"},
        {0x4B, "PBR"},   {0x4C, "AVA"},   {0x51, "ICFG"}, {0x53, "DMA"},  {0x56, "RPT"},  {0x57, "RPC"},
        {0x16, "GOFF"},  {0x18, "GDOUT"}, {0x1A, "GACR"}, {0x1C, "GMCS"}, {0x1D, "GCUR"},
    };
    const uint32_t value = 0xFFFFFFF4;  // -12
    for (const auto& [command, name] : rows) {
        EXPECT_EQ(Encode(11, command, 0, &value, 4).text, "{ADR=11;{" + std::string(name) + "-12;}}");
        EXPECT_EQ(Encode(11, command | 0x80, 0, &value, 4).text, "{ADR=11;}" + std::string(name) + "-12;");
    }
}

TEST(TextDialect, SpecialBodiesAreAlwaysWrapped) {
    RunCases({
        {3, 0x33, 0, {5}, "{ADR=3;SETADR133;}"},
        {3, 0x33, 0, {}, "{ADR=3;SETADR;}"},
        {3, 0xB3, 0, {0x85}, "{ADR=3;}SETADR133;"},
        {7, 0x41, 0, {}, "{ADR=7;MDL7;}"},
        {7, 0xC1, 0, {1}, "{ADR=7;}MDL7;"},
        {3, 0x17, 0, {}, "{ADR=3;gORG;}"},
        {3, 0x17, 0, {1}, "{ADR=3;gORG1;}"},
        {0, 0x97, 0, {}, "gORG;"},
        {0, 0x9B, 0, {500}, "gSPD500;"},
        {2, 0x1E, 0, {0xFFFFFFFF}, "{ADR=2;gSTP-1;}"},
        {2, 0x1F, 0, {}, "{ADR=2;gPOS;}"},
        {2, 0xA0, 0, {6}, "{ADR=2;}gQEC6;"},
        {2, 0x00, 0, {}, "{ADR=2; ;}"},
        {0, 0x80, 0, {1}, " ;"},
        // numbers outside the tables: the wrapper around an empty body
        {2, 0x05, 0, {1}, "{ADR=2;}"},
        {2, 0x85, 0, {}, "{ADR=2;}"},
        {0, 0x85, 0, {}, ""},
        {2, 0x7F, 0, {}, "{ADR=2;}"},
    });
}

TEST(TextDialect, ComposedValueTexts) {
    RunCases({
        // sensor configuration: ((((D0*16+D1)*16+D2)*16+D3)*16 = 65536+8192+768+64
        {1, 0x2F, 0, {1, 2, 3, 4}, "{ADR=1;{SCFG74560;}}"},
        // index 1: (((2 + (1 + 2*1)*8)*16 + 3)*16 + 4)*16 + 1
        {1, 0x2F, 1, {1, 2, 3, 4, 1}, "{ADR=1;{SCFG107329;}}"},
        {1, 0x2F, 2, {7}, "{ADR=1;{SCFG115;}}"},
        {1, 0x2F, 3, {7}, "{ADR=1;{SCFG114;}}"},
        {1, 0x2F, 4, {7}, "{ADR=1;{SCFG;}}"},
        {1, 0x2F, 0, {0x8000, 0, 0, 0}, "{ADR=1;{SCFG-2147483648;}}"},  // taken modulo 2^32
        // stage: D0 picks D1*16, D2*16+1 or D3*16+2
        {1, 0x30, 0, {1, 5, 6, 7}, "{ADR=1;{STG80;}}"},
        {1, 0x30, 0, {2, 5, 6, 7}, "{ADR=1;{STG97;}}"},
        {1, 0x30, 0, {3, 5, 6, 7}, "{ADR=1;{STG114;}}"},
        {1, 0x30, 0, {4}, "{ADR=1;{STG-1;}}"},
        {1, 0x30, 0, {0}, "{ADR=1;{STG-1;}}"},
        // stream data: D0 bytes from B4
        {1, 0x3E, 0, {3, 0x7FAB01}, "{ADR=1;{NRD0x01ab7f;}}"},
        {1, 0x3E, 0, {0}, "{ADR=1;{NRD;}}"},
        // operation: B0, B1, then D1 bytes from B8 when D1 is 1..4
        {1, 0x52, 0, {0x3412, 2, 0x0B0A}, "{ADR=1;{OPRx12340a0b;}}"},
        {1, 0xD2, 0, {0x3412, 5, 0x0B0A, 0}, "{ADR=1;}OPRx1234;"},
        {1, 0x52, 0, {0x3412, 0}, "{ADR=1;{OPRx1234;}}"},
    });
}

TEST(TextDialect, StreamDataLongerThanItsValueTextIsRefused) {
    // 14 bytes give "0x" + 28 digits = 30 characters; 15 bytes would need 32.
    std::vector<uint32_t> words(5, 0x11111111);
    words[0] = 14;
    const Result fits = Encode(1, 0x3E, 0, words.data(), words.size() * 4);
    EXPECT_EQ(fits.text, "{ADR=1;{NRD0x1111111111111111111111111111;}}");
    words[0] = 15;
    EXPECT_EQ(Encode(1, 0x3E, 0, words.data(), words.size() * 4).status, 0);
    words[0] = 0xFFFFFFFF;
    EXPECT_EQ(Encode(1, 0x3E, 0, words.data(), words.size() * 4).status, 0);
}

TEST(TextDialect, RefusesWithoutWriting) {
    const uint32_t words[] = {3, 0x7FAB01, 0};
    EXPECT_EQ(EncodeText(5, 0x07, 0, words, 4, nullptr, 64, nullptr), 0);
    EXPECT_EQ(Encode(1, 0x3E, 0, words, 5).status, 0);   // count 3 needs B4..B6
    EXPECT_EQ(Encode(1, 0x2F, 1, words, 12).status, 0);  // index 1 reads D0..D4
    EXPECT_EQ(Encode(1, 0x52, 0, nullptr, 0).text, "{ADR=1;{OPR;}}");
    EXPECT_EQ(Encode(1, 0x07, 0, words, 2).status, 0);  // D0 incomplete
    // "{ADR=5;{SPD3;}}" is 15 characters.
    EXPECT_EQ(Encode(5, 0x07, 0, words, 4, 14).status, 0);
    EXPECT_EQ(Encode(5, 0x07, 0, words, 4, 15).text, "{ADR=5;{SPD3;}}");
    EXPECT_EQ(Encode(0, 0x85, 0, nullptr, 0, 0).status, 1);  // empty text fits an empty buffer
}

}  // namespace
