#include <gtest/gtest.h>

#include "codec/codec_cases.h"
#include "sdk/core/codec/codec.h"

using namespace codec_test;
using norvane::sdk::PackSecondGen;
using norvane::sdk::PackSecondGenGet;

namespace {

struct PackCase {
    const char* name;
    uint32_t node;
    uint8_t controlWord;
    int index;
    Words words;
    uint8_t wantNode;
    Bytes want;
};

const PackCase kPackCases[] = {
    {"AckNoData", 5, 0x80, 0, {}, 5, {}},
    {"EnableNoData", 5, 0x81, 0, {}, 5, {}},
    {"AdvancedEnable16Bit", 5, 0x81, 1, {{0x12345678}}, 5, {0x78, 0x56}},
    {"OriginFourBytes", 5, 0x03, 0, {{0xFFFFFFFE}}, 5, {0xFE, 0xFF, 0xFF, 0xFF}},
    {"OriginGetFormNoData", 5, 0x83, 0, {}, 5, {}},
    {"DigitalOutFirstByte", 5, 0x04, 0, {{0x1FF}}, 5, {0xFF}},
    {"SpeedFourBytes", 5, 0x07, 0, {{1000}}, 5, {0xE8, 0x03, 0x00, 0x00}},
    {"Mcs200Masked", 5, 0x08, 0, {{200}}, 5, {0x48}},
    {"AddressMasked", 5, 0x33, 0, {{0x85}}, 5, {0x05}},
    {"ProtocolSelectMasked", 5, 0x7E, 0, {{0xFF}}, 5, {0x7F}},
    {"GlobalOffNodeZero", 7, 0x16, 0, {{1}}, 0, {0x01}},
    {"SetgOrgNoValue", 9, 0x17, 0, {}, 0, {}},
    {"SetgDirValue5", 9, 0x17, 0, {{5}}, 0, {0x05, 0x00, 0x00, 0x00}},
    {"GlobalSpeed", 3, 0x1B, 0, {{0x01020304}}, 0, {0x04, 0x03, 0x02, 0x01}},
    {"MinStartSpeed16Bit", 5, 0x2C, 0, {{0x10203}}, 5, {0x03, 0x02}},
    {"SensorConfigIndex0", 5, 0x2F, 0, {{1, 2, 3, 4, 5}}, 5, {0x34, 0x12, 0x00}},
    {"SensorConfigIndex1", 5, 0x2F, 1, {{1, 2, 3, 4, 5}}, 5, {0x34, 0x5A, 0x01}},
    {"SensorConfigIndex1Modulo", 5, 0x2F, 1, {{0xFF, 7, 0x20, 0x0F, 0x80}}, 5, {0x0F, 0xFF, 0x01}},
    {"SensorConfigIndex2", 5, 0x2F, 2, {{0xABCD}}, 5, {0xCD, 0xAB, 0x02}},
    {"SensorConfigIndex3", 5, 0x2F, 3, {{0xABCD}}, 5, {0xCD, 0xAB, 0x03}},
    {"SensorConfigOtherIndex", 5, 0x2F, 5, {{1, 2, 3, 4, 5}}, 5, {0x00, 0x00, 0x05}},
    {"SensorConfigNoData", 5, 0xAF, 4, {}, 5, {}},
    {"SensorTimingSlot1", 5, 0x30, 0, {{1, 0x0201, 0x0403, 0x0605}}, 5, {0x01, 0x02, 0x00}},
    {"SensorTimingSlot2", 5, 0x30, 0, {{2, 0x0201, 0x0403, 0x0605}}, 5, {0x03, 0x04, 0x01}},
    {"SensorTimingSlot3", 5, 0x30, 0, {{3, 0x0201, 0x0403, 0x0605}}, 5, {0x05, 0x06, 0x02}},
    {"SensorTimingOther", 5, 0x30, 0, {{9, 0x0201, 0x0403, 0x0605}}, 5, {0x00, 0x00, 0x00}},
    {"BitRateByte", 5, 0x35, 0, {{0x1FF}}, 5, {0xFF}},
    {"AnalogMaskByte", 5, 0xCC, 0, {{0x0F}}, 5, {0x0F}},
    {"StreamThreeBytes", 5, 0x3E, 0, {{3, 0x44332211, 0x88776655}}, 5, {0x11, 0x22, 0x33}},
    {"StreamAtMostEight",
     5,
     0x3E,
     0,
     {{12, 0x44332211, 0x88776655, 0x99}},
     5,
     {0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77, 0x88}},
    {"DvaIndex0", 5, 0x48, 0, {{0x11223344}}, 5, {0x44, 0x33, 0x22, 0x11}},
    {"DvaIndex1", 5, 0x48, 1, {{0x11223344}}, 5, {0x44, 0x33}},
    {"DvaOtherIndex", 5, 0x48, 2, {{0x11223344}}, 5, {}},
    {"Command77Bytes", 5, 0x4D, 0, {{0x04030201}}, 5, {0x01, 0x02, 0x03, 0x04}},
    {"Command78IndexWithoutData", 5, 0xCE, 3, {}, 5, {0x03}},
    {"Command78WithData", 5, 0x4E, 3, {{0x04030201}}, 5, {0x01, 0x02, 0x03, 0x04}},
    {"IcfgTwoBytesPadded", 5, 0x51, 0, {{0x12345678}}, 5, {0x78, 0x56, 0x00, 0x00}},
    {"OperateTwoBytes", 5, 0x52, 0, {{2, 0xDDCCBBAA}}, 5, {0xAA, 0xBB}},
    {"OperateAtMostSeven",
     5,
     0x52,
     0,
     {{9, 0x44332211, 0x88776655}},
     5,
     {0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77}},
    {"DmaShortForm", 5, 0x53, 0, {{0x55, 0x44332211, 0x7766, 0}}, 5, {0x55}},
    {"DmaLongForm",
     5,
     0x53,
     0,
     {{0x55, 0x44332211, 0x7766, 1}},
     5,
     {0x55, 0x11, 0x22, 0x33, 0x44, 0x66, 0x77}},
    {"RepeatTimeFourBytes", 5, 0x56, 0, {{0x0A0B0C0D}}, 5, {0x0D, 0x0C, 0x0B, 0x0A}},
};

class PackSecondGenTable : public testing::TestWithParam<PackCase> {};

TEST_P(PackSecondGenTable, ProducesBytes) {
    const PackCase& c = GetParam();
    KymCanMsg out;
    std::memset(&out, 0xEE, sizeof out);
    ASSERT_EQ(PackSecondGen(c.node, c.controlWord, c.index, c.words ? c.words->data() : nullptr, &out), 1);
    EXPECT_EQ(out.node, c.wantNode);
    EXPECT_EQ(out.controlWord, c.controlWord);
    EXPECT_EQ(out.reserved, 0);
    EXPECT_EQ(out.extra, 0u);
    EXPECT_EQ(Packed(out), c.want);
    for (size_t k = out.length; k < 8; ++k) EXPECT_EQ(out.data[k], 0) << "byte " << k;
}

INSTANTIATE_TEST_SUITE_P(Codec, PackSecondGenTable, testing::ValuesIn(kPackCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(PackSecondGen, RefusesUnknownCommandsAndBadCounts) {
    const std::vector<uint32_t> words = {3, 0x44332211, 0x88776655, 1};
    for (uint8_t controlWord :
         {5, 13, 15, 21, 25, 33, 41, 49, 50, 52, 55, 57, 60, 67, 70, 79, 80, 84, 85, 88, 125, 0x7F, 0xFF}) {
        KymCanMsg out{};
        EXPECT_EQ(PackSecondGen(5, controlWord, 0, words.data(), &out), 0) << int(controlWord);
    }
    const std::vector<uint32_t> zero = {0, 0x44332211}, one = {1, 0x44332211};
    KymCanMsg out{};
    EXPECT_EQ(PackSecondGen(5, 0x3E, 0, zero.data(), &out), 0);  // stream count 0
    EXPECT_EQ(PackSecondGen(5, 0x3E, 0, nullptr, &out), 0);
    EXPECT_EQ(PackSecondGen(5, 0x52, 0, one.data(), &out), 0);  // operate count below 2
    EXPECT_EQ(PackSecondGen(5, 0x52, 0, nullptr, &out), 0);
    EXPECT_EQ(PackSecondGen(5, 0x53, 0, nullptr, &out), 0);  // DMA needs its structure
    EXPECT_EQ(PackSecondGen(5, 0x07, 0, words.data(), nullptr), 0);
}

TEST(PackSecondGen, RefusalLeavesOutputUntouched) {
    KymCanMsg out;
    std::memset(&out, 0xEE, sizeof out);
    EXPECT_EQ(PackSecondGen(5, 0x05, 0, nullptr, &out), 0);
    EXPECT_EQ(out.node, 0xEE);
    EXPECT_EQ(out.data[0], 0xEE);
}

TEST(PackSecondGen, McfgPrintsOneTraceLine) {
    const uint32_t value = 0x1234;
    KymCanMsg out{};
    testing::internal::CaptureStdout();
    ASSERT_EQ(PackSecondGen(5, 0x2E, 0, &value, &out), 1);
    std::fflush(stdout);
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "NvSimCanPackMSG dwDrvId=5,Data[0]=0x34,Data[1]=0x12,dwValue=4660 \n");
    EXPECT_EQ(Packed(out), (Bytes{0x34, 0x12, 0x00, 0x00}));
}

TEST(PackSecondGenGet, AllowedCommandsCarryNoDataExceptIndexOf78) {
    struct {
        uint32_t node;
        uint8_t controlWord;
        int index;
        uint8_t wantNode;
        Bytes want;
    } const cases[] = {
        {5, 0x80, 0, 5, {}}, {5, 0x83, 0, 5, {}},     {5, 0x8B, 0, 5, {}}, {5, 0xAF, 4, 5, {}},
        {5, 0x97, 0, 0, {}}, {5, 0x96, 0, 0, {}},     {5, 0xA0, 0, 0, {}}, {5, 0xCE, 2, 5, {0x02}},
        {5, 0xC1, 0, 5, {}}, {127, 0xC0, 0, 127, {}}, {5, 0xD6, 0, 5, {}}, {5, 0xFE, 0, 5, {}},
    };
    for (const auto& c : cases) {
        KymCanMsg out;
        std::memset(&out, 0xEE, sizeof out);
        ASSERT_EQ(PackSecondGenGet(c.node, c.controlWord, c.index, &out), 1) << int(c.controlWord);
        EXPECT_EQ(out.node, c.wantNode) << int(c.controlWord);
        EXPECT_EQ(out.controlWord, c.controlWord);
        EXPECT_EQ(Packed(out), c.want) << int(c.controlWord);
    }
}

TEST(PackSecondGenGet, RefusesCommandsNotAllowedForAGet) {
    for (uint8_t controlWord :
         {0x85, 0x8D, 0x8F, 0x99, 0xA5, 0xB1, 0xB2, 0xB4, 0xBE, 0xD2, 0xD4, 0xD5, 0xFF}) {
        KymCanMsg out{};
        EXPECT_EQ(PackSecondGenGet(5, controlWord, 0, &out), 0) << int(controlWord);
    }
    EXPECT_EQ(PackSecondGenGet(5, 0x80, 0, nullptr), 0);
}

// The data window (83) is read without data; its set form always carries an address.
TEST(PackSecondGenGet, DataWindowReadHasNoData) {
    KymCanMsg out{};
    out.data[0] = 0x77;
    EXPECT_EQ(PackSecondGenGet(5, 0xD3, 0, &out), 1);
    EXPECT_EQ(out.node, 5);
    EXPECT_EQ(out.controlWord, 0xD3);
    EXPECT_EQ(out.length, 0);
    EXPECT_EQ(out.data[0], 0);
    EXPECT_EQ(PackSecondGenGet(5, 0xD3, 0, nullptr), 0);
}

}  // namespace
