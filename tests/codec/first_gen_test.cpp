#include <gtest/gtest.h>

#include "codec/codec_cases.h"
#include "sdk/core/codec/codec.h"

using namespace codec_test;
using norvane::sdk::DecodeFirstGen;
using norvane::sdk::PackFirstGen;

namespace {

struct PackCase {
    const char* name;
    uint8_t controlWord;
    int index;
    Words words;
    Bytes want;
};

const PackCase kPackCases[] = {
    {"CommWithData", 0x01, 5, {{0x1FF}}, {0x05, 0xFF}},
    {"CommWithoutData", 0x81, 5, {}, {0x05}},
    {"InterruptCfg", 0x07, 2, {{0x12345}}, {0x02, 0x45, 0x23}},
    {"InterruptCfgWithoutData", 0x87, 2, {}, {0x02}},
    {"Command10Index0", 0x0A, 0, {{0x11, 0x22, 0x66554433}}, {0x11, 0x22}},
    {"Command10Index1", 0x0A, 1, {{0x11, 0x22, 0x66554433}}, {0x11, 0x22, 0x33, 0x44, 0x55, 0x66}},
    {"Command10OtherIndex", 0x0A, 2, {{0x11, 0x22, 0x66554433}}, {}},
    {"ModelNoData", 0x8B, 0, {{7}}, {}},
    {"SerialIndex1", 0x0C, 1, {{0, 0x77, 0xDDCCBBAA}}, {0x77, 0xAA, 0xBB, 0xCC, 0xDD}},
    {"SerialIndex2", 0x0C, 2, {{0x01020304}}, {0x04, 0x03, 0x02, 0x01}},
    {"SerialIndex0", 0x0C, 0, {{0x01020304}}, {}},
    {"PowerOnTime", 0x0E, 0, {{0x01020304}}, {0x04, 0x03, 0x02, 0x01}},
    {"OriginPosition", 0x21, 0, {{0xFFFFFFFF}}, {0xFF, 0xFF, 0xFF, 0xFF}},
    {"JogWithoutData", 0x1D, 0, {}, {}},
    {"ErrorsWithoutData", 0x8F, 3, {}, {0x03}},
    {"ErrorsIndex127", 0x0F, 127, {{0xABCD}}, {0x00, 0x00}},
    {"MotorParaIndex2", 0x10, 2, {{0xABCD1234}}, {0x02, 0x34, 0x12}},
    {"RgbIndex0", 0x14, 0, {{0x04030201}}, {0x01, 0x02, 0x03, 0x04}},
    {"RgbIndex1",
     0x14,
     1,
     {{0x00332211, 0x77665544, 0x99}},
     {0x44, 0x55, 0x66, 0x77, 0x11, 0x22, 0x33, 0x99}},
    {"MotionFormat16", 0x18, 0, {{0x12345678}}, {0x78, 0x56}},
    {"PvtComponent", 0x25, 0x0102, {{0x0A0B0C0D}}, {0x02, 0x01, 0x0D, 0x0C, 0x0B, 0x0A}},
    {"PvtComponentWithoutData", 0x26, 0x0102, {}, {0x02, 0x01}},
    {"PvtComponent16", 0x27, 3, {{0x1234}}, {0x03, 0x00, 0x34, 0x12}},
    {"UPvtPoint41", 0x29, 1, {{0x44332211, 0, 0x6655}}, {0x01, 0x00, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66}},
    {"UPvtPoint42", 0x2A, 1, {{0, 0x44332211, 0, 0x6655}}, {0x01, 0x00, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66}},
    {"QPvtPoint", 0x2B, 4, {{0x332211, 0x665544, 0x77}}, {0x04, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77}},
    {"QPvtPointWithoutData", 0x2B, 4, {}, {0x04, 0x00}},
    {"Limits", 0x2C, 2, {{0x01020304}}, {0x02, 0x04, 0x03, 0x02, 0x01}},
    {"AnalogValue", 0xB6, 7, {}, {0x07}},
    {"DigitalIndex1", 0x37, 1, {{0x01020304}}, {0x04, 0x03, 0x02, 0x01}},
    {"DigitalIndex0", 0x37, 0, {{0x01020304}}, {0x04, 0x03}},
    {"Command77", 0x4D, 0, {{0x04030201}}, {0x01, 0x02, 0x03, 0x04}},
    {"OperationThreeMore", 0x51, 0, {{0x2211, 3, 0x66554433}}, {0x11, 0x22, 0x33, 0x44, 0x55}},
    {"OperationAtMostSix",
     0x51,
     0,
     {{0x2211, 10, 0x66554433, 0x0A998877}},
     {0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77, 0x88}},
    {"Send8143Three", 0x55, 0, {{3, 0x44332211}}, {0x11, 0x22, 0x33}},
    {"Send8143AtMostEight",
     0x55,
     0,
     {{20, 0x44332211, 0x88776655, 0x99}},
     {0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77, 0x88}},
    {"SystemCommand", 0x7E, 0, {{0x3412}}, {0x12, 0x34}},
};

class PackFirstGenTable : public testing::TestWithParam<PackCase> {};

TEST_P(PackFirstGenTable, ProducesBytes) {
    const PackCase& c = GetParam();
    KymCanMsg out;
    std::memset(&out, 0xEE, sizeof out);
    ASSERT_EQ(PackFirstGen(6, c.controlWord, c.index, c.words ? c.words->data() : nullptr, &out), 1);
    EXPECT_EQ(out.node, 6);
    EXPECT_EQ(out.controlWord, c.controlWord);
    EXPECT_EQ(out.extra, 0u);
    EXPECT_EQ(Packed(out), c.want);
    for (size_t k = out.length; k < 8; ++k) EXPECT_EQ(out.data[k], 0) << "byte " << k;
}

INSTANTIATE_TEST_SUITE_P(Codec, PackFirstGenTable, testing::ValuesIn(kPackCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(PackFirstGen, FirmwareLineHexPairs) {
    struct {
        const char* text;
        int result;
        Bytes want;
    } const cases[] = {
        {"0A1b2C", 1, {0x0A, 0x1B, 0x2C}},
        {"", 1, {}},
        {"00112233445566778899", 1, {0x00, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77}},
        {"0011223344556677zz", 1, {0x00, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77}},
        {"0G", 0, {}},
        {"AB C", 0, {}},
        {"ABC", 0, {}},
        {"0A\r\n", 0, {}},
    };
    for (const auto& c : cases) {
        // Exact-size copy so that any read past the NUL is caught under AddressSanitizer.
        std::vector<char> text(c.text, c.text + std::strlen(c.text) + 1);
        KymCanMsg out{};
        ASSERT_EQ(PackFirstGen(6, 0x7F, 0, text.data(), &out), c.result) << c.text;
        if (c.result == 1) {
            EXPECT_EQ(Packed(out), c.want) << c.text;
        }
    }
    KymCanMsg out{};
    EXPECT_EQ(PackFirstGen(6, 0x7F, 0, nullptr, &out), 0);
}

TEST(PackFirstGen, RefusesUnknownCommandsAndMissingData) {
    const std::vector<uint32_t> words = {1, 2, 3, 4};
    for (uint8_t controlWord :
         {0, 2, 3, 5, 8, 9, 13, 17, 18, 19, 47, 48, 49, 50, 56, 57, 59, 60, 62, 72, 78, 100, 125}) {
        KymCanMsg out{};
        EXPECT_EQ(PackFirstGen(6, controlWord, 0, words.data(), &out), 0) << int(controlWord);
    }
    KymCanMsg out{};
    EXPECT_EQ(PackFirstGen(6, 0x51, 0, nullptr, &out), 0);
    EXPECT_EQ(PackFirstGen(6, 0x0E, 0, words.data(), nullptr), 0);
}

struct DecodeCase {
    const char* name;
    uint32_t kind;
    uint32_t node;
    uint8_t controlWord;
    int index;
    Bytes bytes;
    int length;
    int result;
    Fields want;  // field 0 is cleared unless listed
};

const DecodeCase kDecodeCases[] = {
    {"CommByteFromD1", 256, 6, 0x81, 5, {0x05, 0xAB}, -1, 1, {{0, 0xAB}}},
    {"InterruptLengthBytesFromD1", 256, 6, 0x87, 2, {0x02, 0x34, 0x12}, -1, 1, {{0, 0x1234}}},
    {"InterruptLength8StaysInData",
     256,
     6,
     0x87,
     2,
     {0x01, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77},
     -1,
     1,
     {{0, 0x44332211}, {1, 0x5A776655}}},
    {"Command10Fields",
     256,
     6,
     0x8A,
     0,
     {0x01, 0x02, 0x11, 0x22, 0x33, 0x44},
     -1,
     1,
     {{0, 1}, {1, 2}, {2, 0x44332211}}},
    {"ModelText", 256, 6, 0x8B, 0, {'K', 'Y', 'M', '1'}, -1, 1, {{0, 0x314D594B}}},
    {"ModelLengthAbove8", 256, 6, 0x8B, 0, {'K', 'Y', 'M', '1'}, 9, 0, {{0, 0}}},
    {"Serial4", 256, 6, 0x8C, 3, {0x11, 0x22, 0x33, 0x44, 0x55}, -1, 1, {{0, 0x44332211}}},
    {"ErrorsIndex127", 256, 6, 0x8F, 127, {0x09, 0x11, 0x22, 0x33, 0x44}, -1, 1, {{0, 0x44332211}}},
    {"ErrorsIndex0", 256, 6, 0x8F, 0, {0x00, 0x34, 0x12, 0x99}, -1, 1, {{0, 0x1234}}},
    {"ErrorsIndex3", 256, 6, 0x8F, 3, {0x03, 0x11, 0x22, 0x33, 0x44}, -1, 1, {{0, 0x44332211}}},
    {"ErrorsIndex6", 256, 6, 0x8F, 6, {0x06, 0xFF, 0x22}, -1, 1, {{0, 0xFF}}},
    {"ErrorsIndexMismatch", 256, 6, 0x8F, 3, {0x04, 0x11, 0x22, 0x33, 0x44}, -1, 0, {{0, 0}}},
    {"MotorPara16", 256, 6, 0x90, 1, {0x01, 0x34, 0x12, 0x99}, -1, 1, {{0, 0x1234}}},
    {"RgbIndex1",
     8192,
     6,
     0x94,
     1,
     {0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77, 0x88},
     -1,
     1,
     {{0, 0x776655}, {1, 0x44332211}, {2, 0x5A5A5A88}}},
    {"RgbIndex2Nothing", 8192, 6, 0x94, 2, {0x11, 0x22, 0x33, 0x44}, -1, 1, {{0, 0}}},
    {"RgbIndex0", 8192, 6, 0x94, 0, {0x11, 0x22, 0x33, 0x44, 0x55}, -1, 1, {{0, 0x44332211}}},
    {"RgbNodeZero", 8192, 0, 0x94, 1, {0x11, 0x22, 0x33, 0x44, 0x55}, -1, 1, {{0, 0x44332211}}},
    {"RgbRs232Kind", 1, 6, 0x94, 1, {0x11, 0x22, 0x33, 0x44, 0x55}, -1, 1, {{0, 0x44332211}}},
    {"MotorOnByte", 256, 6, 0x95, 0, {0x7F, 0x99}, -1, 1, {{0, 0x7F}}},
    {"JogNodeFromD1", 256, 6, 0x9D, 0, {0x00, 0x11, 0x22, 0x33, 0x44}, -1, 1, {{0, 0x44332211}}},
    {"JogNodeZeroFromD0", 256, 0, 0x9D, 0, {0x11, 0x22, 0x33, 0x44}, -1, 1, {{0, 0x44332211}}},
    {"PvtStart16", 256, 6, 0xA3, 0, {0x34, 0x12, 0x99}, -1, 1, {{0, 0x1234}}},
    {"PvtComponent32", 256, 6, 0xA5, 0, {0x00, 0x00, 0x11, 0x22, 0x33, 0x44}, -1, 1, {{0, 0x44332211}}},
    {"PvtComponent8", 256, 6, 0xA7, 0, {0x00, 0x00, 0xAB, 0xCD}, -1, 1, {{0, 0xAB}}},
    {"QPvt",
     256,
     6,
     0xAB,
     0,
     {0x00, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77},
     -1,
     1,
     {{0, 0x332211}, {1, 0x665544}, {2, 0x77}}},
    {"Limits", 256, 6, 0xAC, 0, {0x00, 0x11, 0x22, 0x33, 0x44}, -1, 1, {{0, 0x44332211}}},
    {"DesiredSelector0", 256, 6, 0xAE, 0, {0x00, 0xAB, 0xCD}, -1, 1, {{0, 0xAB}}},
    {"DesiredSelector5", 256, 6, 0xAE, 5, {0x05, 0xAB, 0xCD}, -1, 1, {{0, 0xCDAB}}},
    {"DesiredSelector3", 256, 6, 0xAE, 0, {0x03, 0x11, 0x22, 0x33, 0x44}, -1, 1, {{0, 0x44332211}}},
    {"DesiredSelector9", 256, 6, 0xAE, 0, {0x09, 0x11, 0x22}, -1, 1, {{0, 0}}},
    {"DigitalIndex0", 256, 6, 0xB7, 0, {0x34, 0x12, 0x56}, -1, 1, {{0, 0x1234}}},
    {"DigitalIndex1", 256, 6, 0xB7, 1, {0x11, 0x22, 0x33, 0x44}, -1, 1, {{0, 0x44332211}}},
    {"DigitalIndex2", 256, 6, 0xB7, 2, {0x34, 0x12, 0x56}, -1, 1, {{0, 0x1234}}},
    {"DigitalIndex3", 256, 6, 0xB7, 3, {0x34, 0x12, 0x56}, -1, 1, {{0, 0}}},
    {"TemperatureNode", 256, 6, 0xBA, 0, {0x00, 0x34, 0x12}, -1, 1, {{0, 0x1234}}},
    {"TemperatureNodeZero", 256, 0, 0xBA, 0, {0x34, 0x12}, -1, 1, {{0, 0x1234}}},
    {"Command77", 256, 6, 0xCD, 0, {0x34, 0x12}, -1, 1, {{0, 0x1234}}},
    {"OperationFive",
     256,
     6,
     0xD1,
     0,
     {0xAA, 0xBB, 0x01, 0x02, 0x03},
     -1,
     1,
     {{0, 0xBBAA}, {1, 3}, {2, 0x5A030201}}},
    {"OperationTwo", 256, 6, 0xD1, 0, {0xAA, 0xBB}, -1, 1, {{0, 0xBBAA}}},
    {"OperationLengthAbove8", 256, 6, 0xD1, 0, {0xAA, 0xBB, 1, 2, 3, 4, 5, 6}, 12, 1, {{0, 0xBBAA}}},
    {"SystemCommand16", 256, 6, 0xFE, 0, {0x34, 0x12, 0x99}, -1, 1, {{0, 0x1234}}},
    {"FirmwareLineEcho",
     256,
     6,
     0xFF,
     0,
     {1, 2, 3, 4, 5, 6, 7, 8},
     -1,
     1,
     {{0, 0x04030201}, {1, 0x08070605}}},
    {"CommandZero", 256, 6, 0x80, 0, {1, 2}, -1, 0, {{0, 0}}},
    {"NoDecodingCommand", 256, 6, 0xBC, 0, {1, 2}, -1, 1, {{0, 0}}},
};

class DecodeFirstGenTable : public testing::TestWithParam<DecodeCase> {};

TEST_P(DecodeFirstGenTable, CopiesBytes) {
    const DecodeCase& c = GetParam();
    KymCanMsg answer = Answer(static_cast<uint8_t>(c.node), c.controlWord, c.bytes, c.length);
    KymReply r = Marked();
    EXPECT_EQ(DecodeFirstGen(c.kind, c.node, c.controlWord, c.index, &answer, &r), c.result);
    ExpectFields(r, c.want);
    EXPECT_TRUE(DataCleared(answer));
}

INSTANTIATE_TEST_SUITE_P(Codec, DecodeFirstGenTable, testing::ValuesIn(kDecodeCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(DecodeFirstGen, ErrorAnswerIsRefusedAndKeptForThePort) {
    KymCanMsg answer = Answer(6, 0x0F, {0x00, 0x07, 0x05});
    KymReply r = Marked();
    EXPECT_EQ(DecodeFirstGen(256, 6, 0x87, 0, &answer, &r), 0);
    ExpectFields(r, {});
    EXPECT_EQ(answer.data[2], 0x05);

    KymCanMsg errors = Answer(6, 0x8F, {0x09, 0x11, 0x22, 0x33, 0x44});
    EXPECT_EQ(DecodeFirstGen(256, 6, 0x8F, 127, &errors, &r), 1);  // the errors request itself
    EXPECT_EQ(static_cast<uint32_t>(r.field[0]), 0x44332211u);
}

TEST(DecodeFirstGen, NullArgumentsGiveZero) {
    KymCanMsg answer = Answer(6, 0x8E, {1, 2, 3, 4});
    KymReply r = Marked();
    EXPECT_EQ(DecodeFirstGen(256, 6, 0x8E, 0, nullptr, &r), 0);
    EXPECT_EQ(DecodeFirstGen(256, 6, 0x8E, 0, &answer, nullptr), 0);
    ExpectFields(r, {});
}

}  // namespace
