// Every command export reduces to the expected request: command number, index, node, data
// bytes (as the frame a second-generation port packs) and the answer bit rule.
#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "command_recorder.h"
#include "norvane/NorvaneFunc.h"

using norvane::testing::CommandRecorder;
using norvane::testing::RecorderSlots;
using Bytes = std::vector<uint8_t>;

namespace {

constexpr uint32_t kEth = 0x001001;  // Ethernet gateway, port 1
constexpr uint32_t kNode = 7;

struct SetRow {
    const char* name;
    std::function<int(int32_t ackFlag, KymReply* ack)> call;
    uint8_t command;
    int index;
    Bytes bytes;
};

struct GetRow {
    const char* name;
    std::function<int(KymReply*)> call;
    uint8_t controlWord;
    int index;
};

const int32_t kWord1234[] = {0x1234};
const int32_t kWord4321[] = {0x11223344};
const int32_t kStg[] = {1, 0x0B0A, 0, 0};
const int32_t kS12[] = {1, 2, 3, 4};
const int32_t kS34[] = {1, 2, 3, 4, 1};
const int32_t kIo[] = {0x0A0B0C0D};
const int32_t kDva[] = {0x01020304};
const int32_t kSto[] = {0x1FF};
const int32_t kNrd[] = {3, 0x00CCBBAA};
const uint8_t kDma[16] = {0x18, 0, 0, 0, 1, 2, 3, 4, 5, 6, 0, 0, 1, 0, 0, 0};

const std::vector<SetRow>& SetRows() {
    static const std::vector<SetRow> rows = {
        {"KymENA", [](int32_t a, KymReply* r) { return KymENA(kEth, kNode, a, r); }, 1, 0, {}},
        {"KymOFF", [](int32_t a, KymReply* r) { return KymOFF(kEth, kNode, a, r); }, 2, 0, {}},
        {"SetSPD",
         [](int32_t a, KymReply* r) { return SetSPD(kEth, kNode, 0x01020304, a, r); },
         7,
         0,
         {4, 3, 2, 1}},
        {"SetSPD negative",
         [](int32_t a, KymReply* r) { return SetSPD(kEth, kNode, -2, a, r); },
         7,
         0,
         {0xFE, 0xFF, 0xFF, 0xFF}},
        {"SetPOS",
         [](int32_t a, KymReply* r) { return SetPOS(kEth, kNode, 100000, a, r); },
         11,
         0,
         {0xA0, 0x86, 1, 0}},
        {"SetSTP",
         [](int32_t a, KymReply* r) { return SetSTP(kEth, kNode, 0x100, a, r); },
         10,
         0,
         {0, 1, 0, 0}},
        {"SetQEC", [](int32_t a, KymReply* r) { return SetQEC(kEth, kNode, 5, a, r); }, 12, 0, {5, 0, 0, 0}},
        {"SetORG", [](int32_t a, KymReply* r) { return SetORG(kEth, kNode, 9, a, r); }, 3, 0, {9, 0, 0, 0}},
        {"SetDOUT", [](int32_t a, KymReply* r) { return SetDOUT(kEth, kNode, 0x1FF, a, r); }, 4, 0, {0xFF}},
        {"SetMCS", [](int32_t a, KymReply* r) { return SetMCS(kEth, kNode, 200, a, r); }, 8, 0, {0x48}},
        {"SetCUR", [](int32_t a, KymReply* r) { return SetCUR(kEth, kNode, 30, a, r); }, 9, 0, {30}},
        {"SetACR on", [](int32_t a, KymReply* r) { return SetACR(kEth, kNode, 1, a, r); }, 6, 1, {1}},
        {"SetACR off", [](int32_t a, KymReply* r) { return SetACR(kEth, kNode, 0, a, r); }, 6, 1, {0}},
        {"SetACR level", [](int32_t a, KymReply* r) { return SetACR(kEth, kNode, 2, a, r); }, 6, 0, {2}},
        {"SetmACC",
         [](int32_t a, KymReply* r) { return SetmACC(kEth, kNode, 1000, a, r); },
         42,
         0,
         {0xE8, 3, 0, 0}},
        {"SetmDEC",
         [](int32_t a, KymReply* r) { return SetmDEC(kEth, kNode, 2000, a, r); },
         43,
         0,
         {0xD0, 7, 0, 0}},
        {"SetmMSS",
         [](int32_t a, KymReply* r) { return SetmMSS(kEth, kNode, 0x30102, a, r); },
         44,
         0,
         {2, 1}},
        {"SetmMDS", [](int32_t a, KymReply* r) { return SetmMDS(kEth, kNode, 0x0201, a, r); }, 45, 0, {1, 2}},
        {"SetQER top",
         [](int32_t a, KymReply* r) { return SetQER(kEth, kNode, 16000, a, r); },
         56,
         0,
         {0x80, 0x3E}},
        {"SetQER bottom", [](int32_t a, KymReply* r) { return SetQER(kEth, kNode, 1, a, r); }, 56, 0, {1, 0}},
        {"SetSQT", [](int32_t a, KymReply* r) { return SetSQT(kEth, kNode, 200, a, r); }, 58, 0, {0xC8, 0}},
        {"SetBLC", [](int32_t a, KymReply* r) { return SetBLC(kEth, kNode, 300, a, r); }, 59, 0, {0x2C, 1}},
        {"SetPBR", [](int32_t a, KymReply* r) { return SetPBR(kEth, kNode, 7, a, r); }, 75, 0, {7, 0, 0, 0}},
        {"SetPMB",
         [](int32_t a, KymReply* r) { return SetPMB(kEth, kNode, kWord4321, a, r); },
         74,
         0,
         {0x44, 0x33, 0x22, 0x11}},
        {"SetPMD",
         [](int32_t a, KymReply* r) { return SetPMD(kEth, kNode, kWord4321, a, r); },
         73,
         0,
         {0x44, 0x33, 0x22, 0x11}},
        {"SetSTG",
         [](int32_t a, KymReply* r) { return SetSTG(kEth, kNode, kStg, a, r); },
         48,
         0,
         {0x0A, 0x0B, 0}},
        {"SetKymMCFG",
         [](int32_t a, KymReply* r) { return SetKymMCFG(kEth, kNode, kWord1234, a, r); },
         46,
         0,
         {0x34, 0x12, 0, 0}},
        {"SetMIOMCFG",
         [](int32_t a, KymReply* r) { return SetMIOMCFG(kEth, kNode, kWord1234, a, r); },
         46,
         1,
         {0x34, 0x12, 0, 0}},
        {"SetKYDMCFG",
         [](int32_t a, KymReply* r) { return SetKYDMCFG(kEth, kNode, kWord1234, a, r); },
         46,
         1,
         {0x34, 0x12, 0, 0}},
        {"SetS12CON",
         [](int32_t a, KymReply* r) { return SetS12CON(kEth, kNode, kS12, a, r); },
         47,
         0,
         {0x34, 0x12, 0}},
        {"SetS34CON",
         [](int32_t a, KymReply* r) { return SetS34CON(kEth, kNode, kS34, a, r); },
         47,
         1,
         {0x34, 0x1A, 1}},
        {"SetATCONL",
         [](int32_t a, KymReply* r) { return SetATCONL(kEth, kNode, 0x1234, a, r); },
         47,
         2,
         {0x34, 0x12, 2}},
        {"SetATCONH",
         [](int32_t a, KymReply* r) { return SetATCONH(kEth, kNode, 0x1234, a, r); },
         47,
         3,
         {0x34, 0x12, 3}},
        {"GetATCONL", [](int32_t a, KymReply* r) { return GetATCONL(kEth, kNode, a, r); }, 47, 2, {}},
        {"GetATCONH", [](int32_t a, KymReply* r) { return GetATCONH(kEth, kNode, a, r); }, 47, 3, {}},
        {"SetIOconfig",
         [](int32_t a, KymReply* r) { return SetIOconfig(kEth, kNode, kIo, a, r); },
         71,
         0,
         {0x0D, 0x0C, 0x0B, 0x0A}},
        {"SetDVAInfo",
         [](int32_t a, KymReply* r) { return SetDVAInfo(kEth, kNode, kDva, a, r); },
         72,
         0,
         {4, 3, 2, 1}},
        {"SetMIODVAInfo",
         [](int32_t a, KymReply* r) { return SetMIODVAInfo(kEth, kNode, kDva, a, r); },
         72,
         1,
         {4, 3}},
        {"Set0606DVAInfo",
         [](int32_t a, KymReply* r) { return Set0606DVAInfo(kEth, kNode, kDva, a, r); },
         72,
         1,
         {4, 3}},
        {"KymAdvENA",
         [](int32_t a, KymReply* r) { return KymAdvENA(kEth, kNode, 0x12345, a, r); },
         1,
         1,
         {0x45, 0x23}},
        {"SetDMA",
         [](int32_t a, KymReply* r) { return SetDMA(kEth, kNode, kDma, a, r); },
         83,
         0,
         {0x18, 1, 2, 3, 4, 5, 6}},
        {"SetSTO", [](int32_t a, KymReply* r) { return SetSTO(kEth, kNode, kSto, a, r); }, 54, 0, {0xFF}},
        {"KymAdvSTORE",
         [](int32_t a, KymReply* r) { return KymAdvSTORE(kEth, kNode, kSto, a, r); },
         54,
         0,
         {0xFF}},
        {"KymSTORE", [](int32_t a, KymReply* r) { return KymSTORE(kEth, kNode, a, r); }, 54, 0, {}},
        {"SetKymICFG",
         [](int32_t a, KymReply* r) { return SetKymICFG(kEth, kNode, kWord1234, a, r); },
         81,
         0,
         {0x34, 0x12, 0, 0}},
        {"SetNRD",
         [](int32_t a, KymReply* r) { return SetNRD(kEth, kNode, kNrd, a, r); },
         62,
         0,
         {0xAA, 0xBB, 0xCC}},
        {"Kym153SetBtr",
         [](int32_t a, KymReply* r) { return Kym153SetBtr(kEth, kNode, 3, a, r); },
         66,
         0,
         {3, 0, 0, 0}},
        {"SetRPT",
         [](int32_t a, KymReply* r) { return SetRPT(kEth, kNode, 0x0102, a, r); },
         86,
         0,
         {2, 1, 0, 0}},
        {"SetRPC",
         [](int32_t a, KymReply* r) { return SetRPC(kEth, kNode, 0x0102, a, r); },
         87,
         0,
         {2, 1, 0, 0}},
    };
    return rows;
}

const std::vector<GetRow>& GetRows() {
    static const std::vector<GetRow> rows = {
        {"KymACK", [](KymReply* r) { return KymACK(kEth, kNode, r); }, 0x80, 0},
        {"KymFBK", [](KymReply* r) { return KymFBK(kEth, kNode, r); }, 0xBD, 0},
        {"KymSFBK", [](KymReply* r) { return KymSFBK(kEth, kNode, r); }, 0xBF, 0},
        {"GetMDL", [](KymReply* r) { return GetMDL(kEth, kNode, r); }, 0xC1, 0},
        {"GetSPD", [](KymReply* r) { return GetSPD(kEth, kNode, r); }, 0x87, 0},
        {"GetPOS", [](KymReply* r) { return GetPOS(kEth, kNode, r); }, 0x8B, 0},
        {"GetSTP", [](KymReply* r) { return GetSTP(kEth, kNode, r); }, 0x8A, 0},
        {"GetQEC", [](KymReply* r) { return GetQEC(kEth, kNode, r); }, 0x8C, 0},
        {"GetDOUT", [](KymReply* r) { return GetDOUT(kEth, kNode, r); }, 0x84, 0},
        {"GetACR", [](KymReply* r) { return GetACR(kEth, kNode, r); }, 0x86, 0},
        {"GetmACC", [](KymReply* r) { return GetmACC(kEth, kNode, r); }, 0xAA, 0},
        {"GetmDEC", [](KymReply* r) { return GetmDEC(kEth, kNode, r); }, 0xAB, 0},
        {"GetmMSS", [](KymReply* r) { return GetmMSS(kEth, kNode, r); }, 0xAC, 0},
        {"GetSTG", [](KymReply* r) { return GetSTG(kEth, kNode, r); }, 0xB0, 0},
        {"GetQER", [](KymReply* r) { return GetQER(kEth, kNode, r); }, 0xB8, 0},
        {"GetBLC", [](KymReply* r) { return GetBLC(kEth, kNode, r); }, 0xBB, 0},
        {"GetPBR", [](KymReply* r) { return GetPBR(kEth, kNode, r); }, 0xCB, 0},
        {"GetPMB", [](KymReply* r) { return GetPMB(kEth, kNode, r); }, 0xCA, 0},
        {"GetPMD", [](KymReply* r) { return GetPMD(kEth, kNode, r); }, 0xC9, 0},
        {"GetKymMCFG", [](KymReply* r) { return GetKymMCFG(kEth, kNode, r); }, 0xAE, 0},
        {"GetMIOMCFG", [](KymReply* r) { return GetMIOMCFG(kEth, kNode, r); }, 0xAE, 1},
        {"GetKYDMCFG", [](KymReply* r) { return GetKYDMCFG(kEth, kNode, r); }, 0xAE, 1},
        {"GetS12CON", [](KymReply* r) { return GetS12CON(kEth, kNode, r); }, 0xAF, 0},
        {"GetS34CON", [](KymReply* r) { return GetS34CON(kEth, kNode, r); }, 0xAF, 1},
        {"GetSCFG", [](KymReply* r) { return GetSCFG(kEth, kNode, r); }, 0xAF, 4},
        {"GetIOconfig", [](KymReply* r) { return GetIOconfig(kEth, kNode, r); }, 0xC7, 0},
        {"GetDVAInfo", [](KymReply* r) { return GetDVAInfo(kEth, kNode, r); }, 0xC8, 0},
        {"GetMIODVAInfo", [](KymReply* r) { return GetMIODVAInfo(kEth, kNode, r); }, 0xC8, 1},
        {"Get0606DVAInfo", [](KymReply* r) { return Get0606DVAInfo(kEth, kNode, r); }, 0xC8, 1},
        {"GetKymICFG", [](KymReply* r) { return GetKymICFG(kEth, kNode, r); }, 0xD1, 0},
        {"GetRPT", [](KymReply* r) { return GetRPT(kEth, kNode, r); }, 0xD6, 0},
        {"GetRPC", [](KymReply* r) { return GetRPC(kEth, kNode, r); }, 0xD7, 0},
    };
    return rows;
}

}  // namespace

TEST(CommandRouting, SetExportsSendTheirCommandAndAskForAnAnswerOnlyWithFlagAndRecord) {
    for (const SetRow& row : SetRows()) {
        struct Mode {
            int32_t ackFlag;
            bool record;
            bool answered;
        };
        for (const Mode mode :
             {Mode{0, false, false}, Mode{1, true, true}, Mode{1, false, false}, Mode{0, true, false}}) {
            RecorderSlots slots;
            slots.recorder->defaultResult = 5;
            KymReply ack{};
            EXPECT_EQ(row.call(mode.ackFlag, mode.record ? &ack : nullptr), 5) << row.name;
            ASSERT_EQ(slots.recorder->calls.size(), 1u) << row.name;
            const auto& call = slots.recorder->calls[0];
            SCOPED_TRACE(::testing::Message()
                         << row.name << " ackFlag " << mode.ackFlag << " record " << mode.record);
            EXPECT_FALSE(call.get);
            EXPECT_EQ(call.handle, kEth);
            EXPECT_EQ(call.node, kNode);
            EXPECT_EQ(call.controlWord, mode.answered ? (row.command | 0x80) : row.command);
            EXPECT_EQ(call.withAnswer, mode.answered);
            EXPECT_EQ(call.index, row.index);
            EXPECT_EQ(call.packed, 1);
            EXPECT_EQ(slots.recorder->Bytes(0), row.bytes);
        }
    }
}

TEST(CommandRouting, GetExportsAlwaysAskForAnAnswer) {
    for (const GetRow& row : GetRows()) {
        RecorderSlots slots;
        slots.recorder->defaultResult = 3;
        KymReply reply{};
        EXPECT_EQ(row.call(&reply), 3) << row.name;
        ASSERT_EQ(slots.recorder->calls.size(), 1u) << row.name;
        const auto& call = slots.recorder->calls[0];
        EXPECT_TRUE(call.get) << row.name;
        EXPECT_EQ(call.node, kNode) << row.name;
        EXPECT_EQ(call.controlWord, row.controlWord) << row.name;
        EXPECT_EQ(call.index, row.index) << row.name;
        EXPECT_TRUE(call.withAnswer) << row.name;
        EXPECT_EQ(call.packed, 1) << row.name;
        EXPECT_EQ(call.frame.length, 0) << row.name;
    }
}

TEST(CommandRouting, GlobalExportsGoToNodeZeroWithoutAnswer) {
    struct Row {
        const char* name;
        std::function<int()> call;
        uint8_t command;
        Bytes bytes;
    };
    const Row rows[] = {
        {"SetgOFF", [] { return SetgOFF(kEth); }, 22, {}},
        {"SetgCUR", [] { return SetgCUR(kEth); }, 29, {}},
        {"SetgORG", [] { return SetgORG(kEth); }, 23, {}},
        {"SetgDIR", [] { return SetgDIR(kEth, 5); }, 23, {5, 0, 0, 0}},
        {"SetgSPD", [] { return SetgSPD(kEth, 0x100); }, 27, {0, 1, 0, 0}},
        {"SetgSTP", [] { return SetgSTP(kEth, -1); }, 30, {0xFF, 0xFF, 0xFF, 0xFF}},
        {"SetgPOS", [] { return SetgPOS(kEth, 0x01020304); }, 31, {4, 3, 2, 1}},
        {"SetgQEC", [] { return SetgQEC(kEth, 2); }, 32, {2, 0, 0, 0}},
        {"SetgMCS", [] { return SetgMCS(kEth, 200); }, 28, {200}},
        {"SetgDOUT", [] { return SetgDOUT(kEth, 0x0F); }, 24, {0x0F}},
        {"SetgACR", [] { return SetgACR(kEth, 1); }, 26, {1}},
    };
    for (const Row& row : rows) {
        RecorderSlots slots;
        EXPECT_EQ(row.call(), 1) << row.name;
        ASSERT_EQ(slots.recorder->calls.size(), 1u) << row.name;
        const auto& call = slots.recorder->calls[0];
        EXPECT_EQ(call.node, 0u) << row.name;
        EXPECT_EQ(call.controlWord, row.command) << row.name;
        EXPECT_FALSE(call.withAnswer) << row.name;
        EXPECT_EQ(call.frame.node, 0) << row.name;
        EXPECT_EQ(slots.recorder->Bytes(0), row.bytes) << row.name;
    }
}

TEST(CommandRouting, AdvancedEnableQueryAsksWithAllOnesWhenGivenARecord) {
    RecorderSlots slots;
    KymReply reply{};
    KymGetAdvENA(kEth, kNode, &reply);
    KymGetAdvENA(kEth, kNode, nullptr);
    auto& calls = slots.recorder->calls;
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0].controlWord, 0x81);
    EXPECT_EQ(calls[0].index, 1);
    EXPECT_EQ(slots.recorder->Bytes(0), (Bytes{0xFF, 0xFF}));
    EXPECT_EQ(calls[1].controlWord, 0x01);
    EXPECT_FALSE(calls[1].withAnswer);
}

TEST(CommandRouting, StopSpeedClearsTheOldAnswerFirst) {
    RecorderSlots slots;
    KymReply ack{};
    ack.field[0] = 1234;
    ack.field[1] = 55;
    SetmMDS(kEth, kNode, 10, 1, &ack);
    EXPECT_EQ(ack.field[0], 0);
    EXPECT_EQ(ack.field[1], 55);
}

TEST(CommandRouting, UnknownKindOrMissingGatewayGivesMinusOne) {
    RecorderSlots slots;
    KymReply reply{};
    EXPECT_EQ(SetSPD(0x040000, kNode, 1, 1, &reply), -1);  // kind 1024 is never routed
    slots.Remove(norvane::sdk::GatewaySlot::Ethernet);
    EXPECT_EQ(GetSPD(kEth, kNode, &reply), -1);
    EXPECT_TRUE(slots.recorder->calls.empty());
}
