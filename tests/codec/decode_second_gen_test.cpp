#include <gtest/gtest.h>

#include "codec/codec_cases.h"
#include "sdk/core/codec/codec.h"

using namespace codec_test;
using norvane::sdk::DecodeSecondGen;
using norvane::sdk::ModelName;

namespace {

struct DecodeCase {
    const char* name;
    uint8_t controlWord;
    int index;
    Bytes bytes;
    int length;  // -1: the byte count
    Fields want;
};

const DecodeCase kDecodeCases[] = {
    {"StatusAck",
     0x80,
     0,
     {0x3F, 0x35, 0x10, 0x27, 0x78, 0x56, 0x34, 0x12},
     -1,
     {{1, 1}, {2, 0}, {3, 1}, {4, 16}, {5, 83}, {6, 10000}, {7, 0x12345678}}},
    {"StatusEnableIndex0",
     0x81,
     0,
     {0x3F, 0x35},
     -1,
     {{1, 1}, {2, 0}, {3, 1}, {4, 16}, {5, 83}, {6, 0}, {7, 0}}},
    {"StatusDirectionBitShortAnswer",
     0xBD,
     0,
     {0xA2, 0x0F},
     -1,
     {{1, 0}, {2, 1}, {3, 0}, {4, 3}, {5, 122}, {6, 0}, {7, 0}}},
    {"AdvancedEnableInteger", 0x81, 1, {0x34, 0x12}, -1, {{0, 0x1234}}},
    {"IntegerFourBytes", 0x8B, 0, {0xFF, 0xFF, 0xFF, 0xFF}, -1, {{0, 0xFFFFFFFF}}},
    {"IntegerTwoBytes", 0x87, 0, {0x34, 0x12}, -1, {{0, 0x1234}}},
    {"IntegerEmpty", 0x8A, 0, {}, -1, {{0, 0}}},
    {"IntegerLengthAbove8", 0xAA, 0, {1, 2, 3, 4, 5, 6, 7, 8}, 12, {{0, 0x04030201}}},
    {"RepeatTimeInteger", 0xD6, 0, {0x78, 0x56, 0x34, 0x12}, -1, {{0, 0x12345678}}},
    {"RepeatCountInteger", 0xD7, 0, {0x10, 0x27}, -1, {{0, 10000}}},
    {"DigitalOutByte", 0x84, 0, {0x81, 0x22}, -1, {{0, 0x81}}},
    {"DigitalOutEmptyUntouched", 0x84, 0, {}, -1, {}},
    {"AccelerationIndex1",
     0x86,
     1,
     {0x3F, 0x35, 0xF7, 0x00, 0x01, 0x00, 0x00, 0x00},
     -1,
     {{1, 1}, {2, 0}, {3, 1}, {4, 16}, {5, 83}, {6, 7}, {7, 1}}},
    {"AccelerationIndex0Integer", 0x86, 0, {0x3F, 0x35}, -1, {{0, 0x353F}}},
    {"McfgIndex1FourBytes", 0xAE, 1, {0x78, 0x56, 0x34, 0x12}, -1, {{0, 0x12345678}}},
    {"McfgIndex0TwoBytes", 0xAE, 0, {0x78, 0x56, 0x34, 0x12}, -1, {{0, 0x5678}}},
    {"SensorConfigIndex0", 0xAF, 0, {0xAB, 0xCD}, -1, {{0, 0xC}, {1, 0xD}, {2, 0xA}, {3, 0xB}}},
    {"SensorConfigIndex1", 0xAF, 1, {0, 0, 0x5A, 0xFB}, -1, {{0, 1}, {1, 3}, {2, 5}, {3, 0xA}, {4, 0xF}}},
    {"SensorConfigIndex2", 0xAF, 2, {0, 0, 0, 0, 0x34, 0x12}, -1, {{0, 0x1234}}},
    {"SensorConfigIndex3", 0xAF, 3, {0, 0, 0, 0, 0, 0, 0x78, 0x56}, -1, {{0, 0x5678}}},
    {"SensorConfigIndex4",
     0xAF,
     4,
     {0xAB, 0xCD, 0x5A, 0xFB, 0x34, 0x12, 0x78, 0x56},
     -1,
     {{0, 0xC},
      {1, 0xD},
      {2, 0xA},
      {3, 0xB},
      {4, 1},
      {5, 3},
      {6, 5},
      {7, 0xA},
      {8, 0xF},
      {9, 0x5678},
      {10, 0x1234}}},
    {"SensorConfigIndex5Nothing", 0xAF, 5, {0xAB, 0xCD}, -1, {}},
    {"SensorTiming", 0xB0, 0, {1, 2, 3, 4, 5, 6}, -1, {{1, 0x0201}, {2, 0x0403}, {3, 0x0605}}},
    {"BitRateByte", 0xB5, 0, {0x07, 0x99}, -1, {{0, 7}}},
    {"ProtocolSelectByte", 0xFE, 0, {0x01}, -1, {{0, 1}}},
    {"StreamSix",
     0xBE,
     0,
     {0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77, 0x88},
     -1,
     {{0, 6}, {1, 0x44332211}, {2, 0x5A5A6655}}},
    {"StreamThree", 0xBE, 0, {0x11, 0x22, 0x33}, -1, {{0, 3}, {1, 0x5A332211}}},
    {"IoConfig16", 0xC7, 0, {0x34, 0x12, 0x56}, -1, {{0, 0x1234}}},
    {"DvaIndex0", 0xC8, 0, {0x78, 0x56, 0x34, 0x12}, -1, {{0, 0x12345678}}},
    {"DvaIndex1", 0xC8, 1, {0x78, 0x56, 0x34, 0x12}, -1, {{0, 0x5678}}},
    {"DvaIndex2Nothing", 0xC8, 2, {0x78, 0x56}, -1, {}},
    {"Pmd32", 0xC9, 0, {0x78, 0x56, 0x34, 0x12}, -1, {{0, 0x12345678}}},
    {"Command77ThreeBytes", 0xCD, 0, {0x01, 0x02, 0x03}, -1, {{0, 0x030201}}},
    {"Command78LowHalfOfField1", 0xCE, 2, {0x02, 0x34, 0x12}, -1, {{1, 0x5A5A1234}}},
    {"Icfg16", 0xD1, 0, {0x34, 0x12, 0x99, 0x99}, -1, {{0, 0x1234}}},
    {"OperateFiveBytes",
     0xD2,
     0,
     {0xAA, 0xBB, 0x01, 0x02, 0x03},
     -1,
     {{0, 0x5A5ABBAA}, {1, 3}, {2, 0x5A030201}}},
    {"OperateSixBytes", 0xD2, 0, {0xAA, 0xBB, 1, 2, 3, 4}, -1, {{0, 0x5A5ABBAA}, {1, 4}, {2, 0x04030201}}},
    {"OperateSevenBytesOnlyHead", 0xD2, 0, {0xAA, 0xBB, 1, 2, 3, 4, 5}, -1, {{0, 0x5A5ABBAA}}},
    {"OperateTwoBytes", 0xD2, 0, {0xAA, 0xBB}, -1, {{0, 0x5A5ABBAA}, {1, 0}}},
    {"DmaSevenBytes", 0xD3, 0, {0x09, 1, 2, 3, 4, 5, 6}, -1, {{0, 9}, {1, 0x04030201}, {2, 0x5A5A0605}}},
    {"DmaOneByte", 0xD3, 0, {0x09}, -1, {{0, 9}}},
    {"SensorFeedbackBits", 0xBF, 0, {0x00, 0x70}, -1, {{0, 1}, {1, 1}, {2, 1}, {3, 0}}},
    {"NoDecodingCommand", 0x85, 0, {1, 2, 3, 4}, -1, {}},
    {"CommandNumber127", 0xFF, 0, {1, 2, 3, 4}, -1, {}},
};

class DecodeSecondGenTable : public testing::TestWithParam<DecodeCase> {};

TEST_P(DecodeSecondGenTable, FillsNamedFieldsOnly) {
    const DecodeCase& c = GetParam();
    KymCanMsg answer = Answer(5, c.controlWord, c.bytes, c.length);
    KymReply r = Marked();
    ASSERT_EQ(DecodeSecondGen(5, c.controlWord, c.index, &answer, 1, &r), 1);
    ExpectFields(r, c.want);
    EXPECT_TRUE(DataCleared(answer));
}

INSTANTIATE_TEST_SUITE_P(Codec, DecodeSecondGenTable, testing::ValuesIn(kDecodeCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(DecodeSecondGen, NullArgumentsGiveZero) {
    KymCanMsg answer = Answer(5, 0x80, {1, 2});
    KymReply r = Marked();
    EXPECT_EQ(DecodeSecondGen(5, 0x80, 0, &answer, 1, nullptr), 0);
    EXPECT_EQ(DecodeSecondGen(5, 0x80, 0, nullptr, 1, &r), 0);
    EXPECT_EQ(DecodeSecondGen(5, 0x80, 0, &answer, 0, &r), 0);
    ExpectFields(r, {});
}

TEST(DecodeSecondGen, SensorFeedbackAnalogVolts) {
    struct {
        uint8_t d0, d1;
        float volts;
    } const cases[] = {{0xFF, 0x0F, 5.0f}, {0x00, 0x00, 0.0f}, {0x00, 0x08, 2.5006105f}, {0xFF, 0xFF, 5.0f}};
    for (const auto& c : cases) {
        KymCanMsg answer = Answer(5, 0xBF, {c.d0, c.d1});
        KymReply r = Marked();
        ASSERT_EQ(DecodeSecondGen(5, 0xBF, 0, &answer, 1, &r), 1);
        float volts;
        std::memcpy(&volts, &r.field[3], sizeof volts);
        EXPECT_FLOAT_EQ(volts, c.volts) << int(c.d0) << " " << int(c.d1);
    }
}

TEST(DecodeSecondGen, AnalogChannelsFromTwoAnswers) {
    KymCanMsg answers[2] = {Answer(5, 0x4C, {0x34, 0x12, 0xFF, 0x8F, 0x00, 0x0F, 0x11, 0x95}),
                            Answer(5, 0x4C, {0x56, 0x34})};
    KymReply r = Marked();
    ASSERT_EQ(DecodeSecondGen(5, 0xCC, 0, answers, 2, &r), 1);
    ExpectFields(r, {{0, 0x85}, {1, 0x234}, {3, 0x456}, {8, 0xFFF}});
    EXPECT_TRUE(DataCleared(answers[0]));
    EXPECT_TRUE(DataCleared(answers[1]));
}

TEST(DecodeSecondGen, AnalogChannelsSingleAnswer) {
    for (size_t available : {size_t{1}}) {
        KymCanMsg answers[2] = {Answer(5, 0x4C, {0x34, 0x12}), Answer(5, 0x4C, {0x56, 0x34})};
        KymReply r = Marked();
        ASSERT_EQ(DecodeSecondGen(5, 0xCC, 0, answers, available, &r), 1);
        ExpectFields(r, {{0, 0x01}, {1, 0x234}});
        EXPECT_EQ(answers[1].data[0], 0x56);  // not read, so not cleared
    }
}

struct ModelCase {
    Bytes bytes;
    const char* name;
    Fields options;  // fields 3-7 for family 24
};

TEST(DecodeSecondGen, ModelRecordAndNames) {
    const ModelCase cases[] = {
        {{0x07, 24, 0x52, 0x02, 0x34, 0x12}, "KYM24702-M-S-IE", {{3, 1}, {4, 0}, {5, 1}, {6, 1}, {7, 0}}},
        {{0x07, 24, 0x24, 0x02, 0x34, 0x12}, "KYM24702-SP-E", {{3, 0}, {4, 1}, {5, 0}, {6, 0}, {7, 1}}},
        {{0x07, 24, 0x00, 0x02, 0x34, 0x12}, "KYM24702", {{3, 0}, {4, 0}, {5, 0}, {6, 0}, {7, 0}}},
        {{0xFF, 24, 0x74, 0xFF, 0x34, 0x12}, "KYM24255255-M-SP-IE", {{3, 1}, {4, 0}, {5, 1}, {6, 0}, {7, 1}}},
        {{0x07, 8, 0x03, 0x02, 0x34, 0x12}, "KYD0803", {}},
        {{0x01, 80, 0x00, 0x05, 0x34, 0x12}, "KYD80105", {}},
        {{0x01, 82, 0x00, 0x05, 0x34, 0x12}, "KYD82105", {}},
        {{0x01, 89, 0x30, 250, 0x34, 0x12}, "KYT700W", {}},
        {{0x01, 90, 0x00, 0x05, 0x34, 0x12}, "KYC90105", {}},
        {{0x01, 91, 0x00, 0x05, 0x34, 0x12}, "KYD91105", {}},
        {{0x01, 92, 0x00, 0x05, 0x34, 0x12}, "KYR92105", {}},
        {{0x01, 33, 0x00, 0x05, 0x34, 0x12}, "", {}},
    };
    for (const auto& c : cases) {
        KymCanMsg answer = Answer(9, 0x41, c.bytes);
        const KymCanMsg copy = answer;
        KymReply r = Marked();
        ASSERT_EQ(DecodeSecondGen(9, 0xC1, 0, &answer, 1, &r), 1);
        Fields want = c.options;
        want.insert(want.end(),
                    {{0, 9}, {1, uint32_t(c.bytes[1]) << 8 | c.bytes[0]}, {2, c.bytes[3]}, {8, 0x1234}});
        // Record bytes 36-55 (fields 9-13) hold the name: compare them as text, then as marked fields.
        char name[20];
        std::memcpy(name, reinterpret_cast<const char*>(r.field) + 36, sizeof name);
        for (int k = 9; k < 14; ++k) r.field[k] = static_cast<int32_t>(kMarker);
        SCOPED_TRACE(c.name);
        ExpectFields(r, want);
        EXPECT_STREQ(name, c.name);
        for (size_t k = std::strlen(c.name); k < 20; ++k) EXPECT_EQ(name[k], 0) << k;

        char only[32];
        std::memset(only, 'x', sizeof only);
        ModelName(copy, only, sizeof only);
        EXPECT_STREQ(only, c.name);
    }
}

TEST(ModelName, TruncatesToCapacity) {
    const KymCanMsg answer = Answer(9, 0x41, {0x07, 24, 0x52, 0x02});
    char text[8];
    std::memset(text, 'x', sizeof text);
    ModelName(answer, text, 6);
    EXPECT_STREQ(text, "KYM24");
    EXPECT_EQ(text[6], 'x');
    ModelName(answer, text, 0);
    EXPECT_EQ(text[0], 'K');
    ModelName(answer, nullptr, 8);
}

}  // namespace
