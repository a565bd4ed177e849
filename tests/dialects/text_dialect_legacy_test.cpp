// First-generation command texts, written out by hand from the command table.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "encode_probe.h"
#include "sdk/core/codec/text_dialect.h"

using norvane::sdk::EncodeTextLegacy;

namespace {

using Result = norvane::testing::EncodeResult;

Result Encode(int32_t node, uint8_t controlWord, uint8_t index, const void* data, size_t dataSize,
              size_t capacity = 64) {
    return norvane::testing::EncodeProbe(EncodeTextLegacy, node, controlWord, index, data, dataSize,
                                         capacity);
}

Result EncodeWords(int32_t node, uint8_t controlWord, uint8_t index, std::vector<uint32_t> words) {
    return Encode(node, controlWord, index, words.data(), words.size() * 4);
}

struct Case {
    uint8_t controlWord;
    uint8_t index;
    std::vector<uint32_t> words;  // empty: no data
    const char* expected;
};

void RunCases(int32_t node, const std::vector<Case>& cases) {
    for (const Case& c : cases) {
        const Result r = c.words.empty() ? Encode(node, c.controlWord, c.index, nullptr, 0)
                                         : EncodeWords(node, c.controlWord, c.index, c.words);
        EXPECT_EQ(r.status, 1) << c.expected;
        EXPECT_EQ(r.text, c.expected) << "control word " << int{c.controlWord} << " index " << int{c.index};
    }
}

TEST(TextDialectLegacy, WrapperFollowsTheAckFlag) {
    RunCases(5, {
                    {0x01, 2, {1000}, "{*5;pp[2]1000;}"},
                    {0x81, 2, {1000}, "{*5;}pp[2]1000;"},
                    {0x81, 5, {}, "{*5;}pp[5]  ;"},
                });
    RunCases(-1, {{0x15, 0, {1}, "{*-1;mo1;}"}});
}

TEST(TextDialectLegacy, IndexedCommandsPrintTheIndexSignedOrUnsigned) {
    RunCases(7, {
                    {0x01, 0xFF, {1000}, "{*7;pp[-1]1000;}"},
                    {0x06, 0xFF, {1000}, "{*7;ic[255]1000;}"},
                    {0x07, 0x80, {3}, "{*7;ie[128]3;}"},
                    {0x10, 0x80, {3}, "{*7;mt[-128]3;}"},
                    {0x22, 200, {3}, "{*7;mp[-56]3;}"},
                    {0x25, 200, {3}, "{*7;qp[200]3;}"},
                    {0x26, 200, {3}, "{*7;qv[200]3;}"},
                    {0x27, 200, {3}, "{*7;qt[200]3;}"},
                    {0x28, 200, {3}, "{*7;qa[200]3;}"},
                    {0x2C, 200, {3}, "{*7;lm[200]3;}"},
                    {0x2E, 200, {3}, "{*7;dv[-56]3;}"},
                    {0x33, 200, {3}, "{*7;io[-56]3;}"},
                    {0x34, 200, {3}, "{*7;il[-56]3;}"},
                    {0x35, 200, {3}, "{*7;tg[-56]3;}"},
                    {0x36, 200, {3}, "{*7;ai[-56]3;}"},
                    {0x3D, 127, {3}, "{*7;qe[127]3;}"},
                });
}

TEST(TextDialectLegacy, PlainCommandsCarryTheValueAsSignedDecimal) {
    RunCases(9, {
                    {0x0E, 0, {0xFFFFFFF9}, "{*9;tm-7;}"},
                    {0x15, 0, {0}, "{*9;mo0;}"},
                    {0x16, 0, {1}, "{*9;bg1;}"},
                    {0x17, 0, {2}, "{*9;st2;}"},
                    {0x18, 0, {3}, "{*9;mf3;}"},
                    {0x19, 0, {4}, "{*9;ac4;}"},
                    {0x1A, 0, {5}, "{*9;dc5;}"},
                    {0x1B, 0, {6}, "{*9;ss6;}"},
                    {0x1C, 0, {7}, "{*9;sd7;}"},
                    {0x1D, 0, {8}, "{*9;jv8;}"},
                    {0x1E, 0, {9}, "{*9;sp9;}"},
                    {0x1F, 0, {10}, "{*9;pr10;}"},
                    {0x20, 0, {11}, "{*9;pa11;}"},
                    {0x24, 0, {11}, "{*9;pa11;}"},
                    {0x21, 0, {12}, "{*9;og12;}"},
                    {0x23, 0, {13}, "{*9;pv13;}"},
                    {0x2D, 0, {14}, "{*9;bl14;}"},
                    {0x3A, 0, {15}, "{*9;ti15;}"},
                    {0x7E, 0, {0x80000000}, "{*9;sy-2147483648;}"},
                    {0x9F, 4, {}, "{*9;}pr  ;"},
                });
}

TEST(TextDialectLegacy, HexadecimalValueTexts) {
    RunCases(1, {
                    // 0x0A: whole words in hex, the third only with index 1
                    {0x0A, 0, {0x1F, 0x3, 0x1234}, "{*1;svx1f03;}"},
                    {0x0A, 1, {0x1F, 0x3, 0x5}, "{*1;svx1f030005;}"},
                    {0x0A, 0, {0x1FF, 0xABCDE}, "{*1;svx1ffabcde;}"},
                    // 0x14: bytes in upper case; index 1 reorders B4..B7, B0..B2, B8
                    {0x14, 0, {0xFF02B10A}, "{*1;rgx0AB102FF;}"},
                    {0x14, 1, {0x04030201, 0x08070605, 0x09}, "{*1;rgx0506070801020309;}"},
                    {0x14, 2, {0x04030201}, "{*1;rg;}"},
                    // 0x51: two bytes, then D1 bytes from B8 when D1 is 1..4
                    {0x51, 0, {0x3412, 3, 0x00EFCDAB}, "{*1;opx1234abcdef;}"},
                    {0x51, 0, {0x3412, 4, 0x44332211}, "{*1;opx123411223344;}"},
                    {0x51, 0, {0x3412, 0, 0}, "{*1;opx1234;}"},
                    {0x51, 0, {0x3412, 5, 0x44332211, 0x55}, "{*1;opx1234;}"},
                    // 0x37: index picks two bytes, four bytes, or decimal
                    {0x37, 0, {0x1234}, "{*1;dix3412;}"},
                    {0x37, 2, {0xAB1234}, "{*1;dix3412;}"},
                    {0x37, 1, {0x12345678}, "{*1;dix78563412;}"},
                    {0x37, 3, {0xFFFFFFFB}, "{*1;di-5;}"},
                    {0x37, 0, {}, "{*1;di  ;}"},
                });
}

TEST(TextDialectLegacy, CommandsWithTheirOwnForms) {
    RunCases(5, {
                    {0x0B, 0, {}, "{*5;ml;}"},
                    {0x0B, 3, {77}, "{*5;ml;}"},
                    {0x0C, 1, {0, 7, 0xFFFFFFFD}, "{*5;sn[7]-3;}"},
                    {0x0C, 2, {42}, "{*5;sn42;}"},
                    {0x0C, 2, {}, "{*5;sn  ;}"},
                    {0x0C, 0, {42}, "{*5;sn;}"},
                    {0x8C, 3, {}, "{*5;}sn;"},
                    {0x0F, 0x7F, {}, "{*5;er[0]0;}"},
                    {0x0F, 3, {}, "{*5;er[3];}"},
                    {0x8F, 0x90, {9}, "{*5;}er[-112];"},
                    // numbers outside the table: the address wrapper alone
                    {0x02, 0, {1}, "{*5;}"},
                    {0x82, 0, {}, "{*5;}"},
                    {0x7D, 0, {}, "{*5;}"},
                });
}

TEST(TextDialectLegacy, FirmwareLineCarriesTheDataText) {
    const char line[] = "3A1B00";
    EXPECT_EQ(Encode(5, 0x7F, 0, line, sizeof line).text, "{*5;ZFx3A1B00;}");
    // A text without a NUL ends with the supplied data.
    EXPECT_EQ(Encode(5, 0xFF, 0, line, 4).text, "{*5;}ZFx3A1B;");
    EXPECT_EQ(Encode(5, 0x7F, 0, nullptr, 0).status, 0);

    // Longest line that fits 63 characters: "{*5;ZFx" + 54 + ";}" = 63.
    const std::string longest(54, 'A');
    const Result fits = Encode(5, 0x7F, 0, longest.c_str(), longest.size() + 1);
    EXPECT_EQ(fits.status, 1);
    EXPECT_EQ(fits.text.size(), 63u);
    const std::string tooLong(55, 'A');
    EXPECT_EQ(Encode(5, 0x7F, 0, tooLong.c_str(), tooLong.size() + 1).status, 0);
    const std::string huge(5000, '7');
    EXPECT_EQ(Encode(5, 0x7F, 0, huge.c_str(), huge.size() + 1, 4096).status, 0);
}

TEST(TextDialectLegacy, RefusesWithoutWriting) {
    const uint32_t words[] = {1000, 2, 3};
    char out[64];
    EXPECT_EQ(EncodeTextLegacy(5, 0x01, 0, words, 4, nullptr, 64, nullptr), 0);
    EXPECT_EQ(Encode(5, 0x00, 0, words, 4).status, 0);
    EXPECT_EQ(Encode(5, 0x80, 0, words, 4).status, 0);
    EXPECT_EQ(Encode(5, 0x0C, 1, nullptr, 0).status, 0);  // serial number words required
    EXPECT_EQ(Encode(5, 0x0C, 1, words, 8).status, 0);    // D2 missing
    EXPECT_EQ(Encode(5, 0x0A, 1, words, 8).status, 0);    // D2 missing
    EXPECT_EQ(Encode(5, 0x01, 0, words, 3).status, 0);    // D0 incomplete
    EXPECT_EQ(Encode(5, 0x14, 1, words, 8).status, 0);    // B8 missing
    // The text is 15 characters: a 14-byte buffer refuses it, a 15-byte one takes it.
    EXPECT_EQ(Encode(5, 0x01, 2, words, 4, 14).status, 0);
    EXPECT_EQ(Encode(5, 0x01, 2, words, 4, 15).text, "{*5;pp[2]1000;}");
    // The length output is optional.
    EXPECT_EQ(EncodeTextLegacy(5, 0x0B, 0, nullptr, 0, out, sizeof out, nullptr), 1);
    EXPECT_EQ(std::memcmp(out, "{*5;ml;}", 8), 0);
}

}  // namespace
