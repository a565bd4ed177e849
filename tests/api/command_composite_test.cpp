// Exports made of several requests (order, skipped words, stop on -1) and exports that check
// their arguments before anything is sent.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "command_recorder.h"
#include "norvane/NorvaneFunc.h"

using norvane::sdk::GatewaySlot;
using norvane::testing::CommandRecorder;
using norvane::testing::RecorderSlots;
using Bytes = std::vector<uint8_t>;

namespace {

constexpr uint32_t kEth = 0x001001;
constexpr uint32_t kNode = 9;

struct Step {
    uint8_t controlWord;
    int index;
    Bytes bytes;
};

void ExpectSteps(const CommandRecorder& recorder, const std::vector<Step>& steps) {
    ASSERT_EQ(recorder.calls.size(), steps.size());
    for (size_t n = 0; n < steps.size(); ++n) {
        SCOPED_TRACE(::testing::Message() << "step " << n);
        EXPECT_EQ(recorder.calls[n].controlWord, steps[n].controlWord);
        EXPECT_EQ(recorder.calls[n].index, steps[n].index);
        EXPECT_EQ(recorder.calls[n].withAnswer, (steps[n].controlWord & 0x80) != 0);
        EXPECT_EQ(recorder.Bytes(n), steps[n].bytes);
    }
}

// Answers every request with its own control word in field 0.
void EchoControlWord(CommandRecorder& recorder) {
    recorder.answer = [](const CommandRecorder::Call& call, KymReply* out) {
        out->field[0] = call.controlWord;
    };
}

}  // namespace

TEST(Composite, BasicMoveSendsPositionThenSpeedWithAnswers) {
    {
        RecorderSlots slots;
        const int32_t record[] = {500, 1000};
        EXPECT_EQ(SetBasicMov(kEth, kNode, record, 0), 1);
        ExpectSteps(*slots.recorder, {{0x8B, 0, {0xE8, 0x03, 0, 0}}, {0x87, 0, {0xF4, 0x01, 0, 0}}});
    }
    {
        RecorderSlots slots;
        const int32_t record[] = {-1, 1000};
        EXPECT_EQ(SetBasicMov(kEth, kNode, record, 1), 1);
        ExpectSteps(*slots.recorder, {{0x8C, 0, {0xE8, 0x03, 0, 0}}});
    }
    {
        RecorderSlots slots;
        const int32_t record[] = {-1, -1};
        EXPECT_EQ(SetBasicMov(kEth, kNode, record, 0), 1);
        EXPECT_TRUE(slots.recorder->calls.empty());
        EXPECT_EQ(SetBasicMov(kEth, kNode, nullptr, 0), -1);
        EXPECT_TRUE(slots.recorder->calls.empty());
    }
}

TEST(Composite, StopsAtMinusOneButNotAtZero) {
    const int32_t record[] = {500, 1000};
    {
        RecorderSlots slots;
        slots.recorder->results = {-1};
        EXPECT_EQ(SetBasicMov(kEth, kNode, record, 0), -1);
        EXPECT_EQ(slots.recorder->calls.size(), 1u);
    }
    {
        RecorderSlots slots;
        slots.recorder->results = {0};
        EXPECT_EQ(SetBasicMov(kEth, kNode, record, 0), 1);
        EXPECT_EQ(slots.recorder->calls.size(), 2u);
    }
    {
        RecorderSlots slots;
        slots.recorder->results = {1, 1, -1};
        const int32_t sensor[] = {1, 2, 3, 4, 5, 6};
        EXPECT_EQ(SetSensorMov(kEth, kNode, 3, sensor), -1);
        EXPECT_EQ(slots.recorder->calls.size(), 3u);
    }
}

TEST(Composite, GetBasicMoveFillsSpeedThenPosition) {
    RecorderSlots slots;
    EchoControlWord(*slots.recorder);
    int32_t out[2] = {};
    EXPECT_EQ(GetBasicMov(kEth, kNode, out, 0), 1);
    EXPECT_EQ(out[0], 0x87);
    EXPECT_EQ(out[1], 0x8B);
    EXPECT_EQ(GetBasicMov(kEth, kNode, out, 1), 1);
    EXPECT_EQ(out[1], 0x8C);
    EXPECT_TRUE(slots.recorder->calls[0].get);
    EXPECT_EQ(GetBasicMov(kEth, kNode, nullptr, 0), -1);
    EXPECT_EQ(slots.recorder->calls.size(), 4u);
}

TEST(Composite, AdvancedMoveOrderIsAccDecStopStart) {
    RecorderSlots slots;
    const int32_t record[] = {10, 20, 30, 40};  // acc, dec, mss, mds
    EXPECT_EQ(SetAdvMov(kEth, kNode, record), 1);
    ExpectSteps(*slots.recorder,
                {{42, 0, {10, 0, 0, 0}}, {43, 0, {20, 0, 0, 0}}, {45, 0, {40, 0}}, {44, 0, {30, 0}}});

    slots.recorder->calls.clear();
    EchoControlWord(*slots.recorder);
    int32_t out[4] = {};
    EXPECT_EQ(GetAdvMov(kEth, kNode, out), 1);
    EXPECT_EQ(out[0], 0xAA);
    EXPECT_EQ(out[1], 0xAB);
    EXPECT_EQ(out[2], 0xAC);
    EXPECT_EQ(out[3], 0xAD);
    EXPECT_EQ(slots.recorder->calls[2].controlWord, 0xAD);
    EXPECT_EQ(SetAdvMov(kEth, kNode, nullptr), -1);
    EXPECT_EQ(GetAdvMov(kEth, kNode, nullptr), -1);
}

TEST(Composite, SensorMoveEndsWithStore) {
    RecorderSlots slots;
    const int32_t record[] = {100, 200, 3, 4, 5, 6};  // speed, steps, acc, dec, mss, mds
    EXPECT_EQ(SetSensorMov(kEth, kNode, 0x102, record), 1);
    ExpectSteps(*slots.recorder, {{7, 0, {100, 0, 0, 0}},
                                  {10, 0, {200, 0, 0, 0}},
                                  {42, 0, {3, 0, 0, 0}},
                                  {43, 0, {4, 0, 0, 0}},
                                  {45, 0, {6, 0}},
                                  {44, 0, {5, 0}},
                                  {54, 0, {2}}});
}

TEST(Composite, DeviceParametersAndSensorBlock) {
    {
        RecorderSlots slots;
        EXPECT_EQ(SetDevPara(kEth, kNode, 16, 1, 20), 1);
        ExpectSteps(*slots.recorder, {{8, 0, {16}}, {9, 0, {20}}, {6, 1, {1}}});
    }
    {
        RecorderSlots slots;
        const int32_t block[11] = {1, 2, 3, 4, 5, 6, 7, 8, 1, 0x0304, 0x0102};
        EXPECT_EQ(SetSCFG(kEth, kNode, block), 1);
        ExpectSteps(*slots.recorder, {{47, 0, {0x34, 0x12, 0}},
                                      {47, 1, {0x78, 0x3E, 1}},
                                      {47, 3, {0x04, 0x03, 3}},
                                      {47, 2, {0x02, 0x01, 2}},
                                      {54, 0, {0}}});
        slots.recorder->calls.clear();
        EXPECT_EQ(SetSCFG(kEth, kNode, nullptr), -1);
        EXPECT_TRUE(slots.recorder->calls.empty());
    }
}

TEST(Composite, ConfigurationPairNeedsBothRecords) {
    RecorderSlots slots;
    const int32_t icfg[] = {0x0102}, mcfg[] = {0x0304};
    KymReply a{}, b{};
    EXPECT_EQ(SetCFG(kEth, kNode, icfg, nullptr), -1);
    EXPECT_EQ(GetCFG(kEth, kNode, &a, nullptr), -1);
    EXPECT_TRUE(slots.recorder->calls.empty());

    EchoControlWord(*slots.recorder);
    EXPECT_EQ(GetCFG(kEth, kNode, &a, &b), 1);
    EXPECT_EQ(a.field[0], 0xD1);
    EXPECT_EQ(b.field[0], 0xAE);

    slots.recorder->calls.clear();
    EXPECT_EQ(SetCFG(kEth, kNode, icfg, mcfg), 1);
    ExpectSteps(*slots.recorder, {{0xD1, 0, {2, 1, 0, 0}}, {0xAE, 0, {4, 3, 0, 0}}});
}

TEST(Composite, AnalogChannelsGoInGroupsOfFour) {
    struct Row {
        uint8_t mask;
        std::vector<uint8_t> groups;
    };
    const Row rows[] = {{0x1F, {0x0F, 0x10}}, {0xFF, {0x0F, 0xF0}}, {0x0F, {0x0F}},
                        {0x05, {0x05}},       {0xA9, {0xA9}},       {0xFB, {0x1B, 0xE0}}};
    for (const Row& row : rows) {
        RecorderSlots slots;
        KymReply reply{};
        EXPECT_EQ(GetAVAInfo(kEth, kNode, &row.mask, 1, &reply), 1) << int(row.mask);
        ASSERT_EQ(slots.recorder->calls.size(), row.groups.size()) << int(row.mask);
        for (size_t n = 0; n < row.groups.size(); ++n) {
            EXPECT_EQ(slots.recorder->calls[n].controlWord, 0xCC);
            EXPECT_EQ(slots.recorder->Bytes(n), Bytes{row.groups[n]}) << int(row.mask);
        }
    }
    RecorderSlots slots;
    const uint8_t none = 0, all = 0xFF;
    EXPECT_EQ(GetAVAInfo(kEth, kNode, &none, 1, nullptr), 0);
    EXPECT_EQ(GetAVAInfo(kEth, kNode, nullptr, 1, nullptr), -1);
    EXPECT_TRUE(slots.recorder->calls.empty());
    slots.recorder->results = {0};
    EXPECT_EQ(GetAVAInfo(kEth, kNode, &all, 0, nullptr), 0);
    EXPECT_EQ(slots.recorder->calls.size(), 1u);
    EXPECT_EQ(slots.recorder->calls[0].controlWord, 76);
}

TEST(Composite, StreamSendCutsSixByteChunks) {
    const uint8_t bytes[13] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13};
    {
        RecorderSlots slots;
        EXPECT_EQ(Kym153Send(kEth, kNode, bytes, 13), 13);
        ExpectSteps(*slots.recorder,
                    {{62, 0, {1, 2, 3, 4, 5, 6}}, {62, 0, {7, 8, 9, 10, 11, 12}}, {62, 0, {13}}});
    }
    {
        RecorderSlots slots;
        EXPECT_EQ(Kym153Send(kEth, kNode, bytes, 12), 12);
        EXPECT_EQ(slots.recorder->calls.size(), 2u);
        slots.recorder->calls.clear();
        EXPECT_EQ(Kym153Send(kEth, kNode, bytes, 0), -1);
        EXPECT_EQ(Kym153Send(kEth, kNode, nullptr, 5), -1);
        EXPECT_TRUE(slots.recorder->calls.empty());
        slots.recorder->results = {1, -1};
        EXPECT_EQ(Kym153Send(kEth, kNode, bytes, 13), -1);
        EXPECT_EQ(slots.recorder->calls.size(), 2u);
    }
}

TEST(Composite, StreamReceiveRoutesByKindBits) {
    RecorderSlots slots;
    const uint8_t stored[] = {0xA1, 0xA2, 0xA3};
    std::memcpy(slots.recorder->streamBytes, stored, 3);
    slots.recorder->streamCount = 3;
    uint8_t buffer[8] = {};
    EXPECT_EQ(Kym153Recv(kEth, kNode, buffer, 2), 2);
    EXPECT_EQ(buffer[1], 0xA2);
    EXPECT_EQ(Kym153Recv(0x010000, kNode, buffer, 8), 0);  // kind 256: none of the second-generation bits
    EXPECT_EQ(Kym153Recv(0x000200, kNode, buffer, 8), 0);
    EXPECT_EQ(slots.recorder->calls.size(), 1u);
    slots.Remove(GatewaySlot::Uart);
    EXPECT_EQ(Kym153Recv(0x002000, kNode, buffer, 8), -1);
    EXPECT_EQ(Kym153Recv(0x000100, kNode, buffer, 8), 3);  // RS-232 still there
    EXPECT_EQ(Kym153Recv(kEth, kNode, nullptr, 8), -1);
}

TEST(ArgumentChecks, RejectedValuesSendNothing) {
    RecorderSlots slots;
    KymReply ack{};
    EXPECT_EQ(SetQER(kEth, kNode, 16001, 1, &ack), -1);
    EXPECT_EQ(SetQER(kEth, kNode, 0, 1, &ack), -1);
    EXPECT_EQ(SetSQT(kEth, kNode, 199, 1, &ack), -1);
    EXPECT_EQ(SetADR(kEth, 5, 130), -1);  // 130 & 0x7F = 2
    EXPECT_EQ(SetADR(kEth, 5, 4), -1);
    EXPECT_EQ(SetADR(kEth, 5, 126), -1);
    EXPECT_TRUE(slots.recorder->calls.empty());
}

TEST(ArgumentChecks, AddressChangeSendsTheNewAddressWithoutAnswer) {
    RecorderSlots slots;
    EXPECT_EQ(SetADR(kEth, 5, 136), 1);
    EXPECT_EQ(SetADR(kEth, 5, 125), 1);
    ExpectSteps(*slots.recorder, {{51, 0, {8}}, {51, 0, {125}}});
    EXPECT_EQ(slots.recorder->calls[0].node, 5u);
}

TEST(ArgumentChecks, UfqModeNarrowsTheAddressRange) {
    RecorderSlots slots;
    SetNorvaneSDKUFQ(1);
    EXPECT_EQ(SetADR(kEth, 5, 81), -1);
    EXPECT_EQ(SetADR(kEth, 5, 80), 1);
    SetNorvaneSDKUFQ(0);
    EXPECT_EQ(SetADR(kEth, 5, 81), 1);
    EXPECT_EQ(slots.recorder->calls.size(), 2u);
}

TEST(BitRate, BusBitRateGoesToNodeOne) {
    RecorderSlots slots;
    SetBDR(kEth, 3);
    ASSERT_EQ(slots.recorder->calls.size(), 1u);
    EXPECT_EQ(slots.recorder->calls[0].node, 1u);
    EXPECT_EQ(slots.recorder->calls[0].controlWord, 52);
    EXPECT_FALSE(slots.recorder->calls[0].withAnswer);
}

TEST(BitRate, SetBroadcastsOnceOrTwiceByKind) {
    {
        RecorderSlots slots;
        int32_t code = -1;
        EXPECT_EQ(SetBTR(kEth, 4, 1, &code), 1);
        EXPECT_EQ(code, 4);
        ExpectSteps(*slots.recorder, {{53, 0, {4}}});
        EXPECT_EQ(slots.recorder->calls[0].node, 127u);
    }
    {
        RecorderSlots slots;
        slots.recorder->results = {1, 0};
        EXPECT_EQ(SetBTR(0x002000, 2, 1, nullptr), 0);  // UART: twice, the second result counts
        EXPECT_EQ(slots.recorder->calls.size(), 2u);
    }
    {
        RecorderSlots slots;
        slots.Remove(GatewaySlot::Pci);
        slots.Remove(GatewaySlot::Usb);
        EXPECT_EQ(SetBTR(0x000800, 2, 1, nullptr), -1);
        EXPECT_EQ(SetBTR(0x000400, 2, 1, nullptr), -1);
        EXPECT_TRUE(slots.recorder->calls.empty());
    }
}

TEST(BitRate, GetAsksNodeOneAndKeepsTheValueOnFailure) {
    RecorderSlots slots;
    slots.recorder->answer = [](const CommandRecorder::Call&, KymReply* out) { out->field[0] = 4; };
    int32_t code = -1;
    EXPECT_EQ(GetBTR(kEth, &code), 1);
    EXPECT_EQ(code, 4);
    ASSERT_EQ(slots.recorder->calls.size(), 1u);
    EXPECT_EQ(slots.recorder->calls[0].node, 1u);
    EXPECT_EQ(slots.recorder->calls[0].controlWord, 0xB5);
    slots.recorder->results = {1, 0};
    code = -1;
    EXPECT_EQ(GetBTR(kEth, &code), 0);
    EXPECT_EQ(code, -1);
    EXPECT_EQ(GetBTR(0x000200, &code), -1);
}

TEST(ForceStop, SearchesOpensPortZeroSendsZeroInterruptConfigAndCloses) {
    RecorderSlots slots;
    EXPECT_EQ(ForceStopProgram(16, nullptr, 7), 1);
    ASSERT_EQ(slots.recorder->calls.size(), 1u);
    const auto& call = slots.recorder->calls[0];
    EXPECT_EQ(call.handle, 0x1000u);
    EXPECT_EQ(call.node, 7u);
    EXPECT_EQ(call.controlWord, 81);
    EXPECT_FALSE(call.withAnswer);
    EXPECT_EQ(slots.recorder->Bytes(0), (Bytes{0, 0, 0, 0}));
}
