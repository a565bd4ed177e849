// Operation commands (82) and the RFID block data (83): bytes on the wire and answer handling.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <vector>

#include "command_recorder.h"
#include "norvane/NorvaneFunc.h"

using norvane::testing::CommandRecorder;
using norvane::testing::RecorderSlots;
using Bytes = std::vector<uint8_t>;

namespace {

constexpr uint32_t kEth = 0x001001;
constexpr uint32_t kNode = 12;

uint8_t* RecordBytes(KymReply* reply) {
    return reinterpret_cast<uint8_t*>(reply->field);
}

}  // namespace

TEST(Operation, EachExportSendsItsOperationBytes) {
    struct Row {
        const char* name;
        std::function<int()> call;
        Bytes bytes;
    };
    KymReply reply{};
    KymOperation out{};
    const Row rows[] = {
        {"OPR_FillDMA", [&] { return OPR_FillDMA(kEth, kNode, 0x105, 0, &out); }, {0x00, 0x01, 0x05}},
        {"OPR_ClearFlash", [&] { return OPR_ClearFlash(kEth, kNode, 0, &out); }, {0x00, 0x02}},
        {"OPR_BurnFlash",
         [&] { return OPR_BurnFlash(kEth, kNode, 0x1234, 0, &out); },
         {0x00, 0x03, 0x34, 0x12}},
        {"OPR_ReadLine", [&] { return OPR_ReadLine(kEth, kNode, 0x0102, 0); }, {0x00, 0x04, 0x02, 0x01}},
        {"OPR_ReadCurrPtr", [&] { return OPR_ReadCurrPtr(kEth, kNode, 0, &out); }, {0x00, 0x05}},
        {"OPR_OpenAntenna", [&] { return OPR_OpenAntenna(kEth, kNode, 0, &reply); }, {0x01, 0x04}},
        {"OPR_CloseAntenna", [&] { return OPR_CloseAntenna(kEth, kNode, 0, &reply); }, {0x01, 0x03}},
        {"OPR_FindRFID", [&] { return OPR_FindRFID(kEth, kNode, 0, &reply); }, {0x01, 0x0B}},
        {"OPR_CloseRFID", [&] { return OPR_CloseRFID(kEth, kNode, 0, &reply); }, {0x01, 0x0A}},
        {"OPR_RFIDRead key A", [&] { return OPR_RFIDRead(kEth, kNode, 0, 1, 9, &reply); }, {0x01, 12, 9}},
        {"OPR_RFIDRead key B", [&] { return OPR_RFIDRead(kEth, kNode, 0, 0, 200, &reply); }, {0x01, 13, 200}},
        {"OPR_RFIDWrite key A", [&] { return OPR_RFIDWrite(kEth, kNode, 0, 1, 4, &reply); }, {0x01, 14, 4}},
        {"OPR_RFIDWrite key B", [&] { return OPR_RFIDWrite(kEth, kNode, 0, 0, 4, &reply); }, {0x01, 15, 4}},
    };
    for (const Row& row : rows) {
        RecorderSlots slots;
        EXPECT_EQ(row.call(), 1) << row.name;
        ASSERT_EQ(slots.recorder->calls.size(), 1u) << row.name;
        EXPECT_EQ(slots.recorder->calls[0].controlWord, 82) << row.name;
        EXPECT_EQ(slots.recorder->calls[0].packed, 1) << row.name;
        EXPECT_EQ(slots.recorder->Bytes(0), row.bytes) << row.name;
    }
}

TEST(Operation, RfidAnswerGoesToTheCallersRecordAsDecoded) {
    RecorderSlots slots;
    slots.recorder->answer = [](const CommandRecorder::Call&, KymReply* out) { RecordBytes(out)[9] = 0x07; };
    KymReply reply{};
    EXPECT_EQ(OPR_FindRFID(kEth, kNode, 1, &reply), 1);
    EXPECT_EQ(slots.recorder->calls[0].controlWord, 0xD2);
    EXPECT_EQ(RecordBytes(&reply)[9], 0x07);
}

TEST(Operation, OperateSendsCodeAndPayloadAndReturnsTheAnswerInTheSameLayout) {
    RecorderSlots slots;
    slots.recorder->answer = [](const CommandRecorder::Call&, KymReply* out) {
        uint8_t* b = RecordBytes(out);
        b[0] = 0x00;
        b[1] = 0x03;
        out->field[1] = 3;
        b[8] = 0xAA;
        b[9] = 0xBB;
        b[10] = 0xCC;
    };
    KymOperation in{};
    in.code[0] = 0x00;
    in.code[1] = 0x03;
    in.length = 2;
    in.payload[0] = 0x10;
    in.payload[1] = 0x20;
    in.payload[2] = 0x99;  // beyond the length: not sent
    KymOperation out{};
    EXPECT_EQ(Operate(kEth, kNode, &in, 1, &out), 1);
    EXPECT_EQ(slots.recorder->calls[0].controlWord, 0xD2);
    EXPECT_EQ(slots.recorder->Bytes(0), (Bytes{0x00, 0x03, 0x10, 0x20}));
    EXPECT_EQ(out.code[1], 0x03);
    EXPECT_EQ(out.length, 3);
    EXPECT_EQ(out.payload[0], 0xAA);
    EXPECT_EQ(out.payload[2], 0xCC);

    // Without acknowledgement the out record is left alone.
    KymOperation untouched{};
    untouched.length = 77;
    EXPECT_EQ(Operate(kEth, kNode, &in, 0, &untouched), 1);
    EXPECT_EQ(untouched.length, 77);
    EXPECT_EQ(slots.recorder->calls[1].controlWord, 82);
}

TEST(Operation, OperateRejectsMissingRecordsAndOversizedPayloads) {
    RecorderSlots slots;
    KymOperation in{}, out{};
    EXPECT_EQ(Operate(kEth, kNode, nullptr, 1, &out), -1);
    EXPECT_EQ(Operate(kEth, kNode, &in, 1, nullptr), -1);
    in.length = 6;
    EXPECT_EQ(Operate(kEth, kNode, &in, 1, &out), -1);
    in.length = -1;
    EXPECT_EQ(Operate(kEth, kNode, &in, 1, &out), -1);
    EXPECT_TRUE(slots.recorder->calls.empty());
    in.length = 5;
    EXPECT_EQ(Operate(kEth, kNode, &in, 0, &out), 1);
    EXPECT_EQ(slots.recorder->Bytes(0).size(), 7u);
}

TEST(RfidBlock, ReadTakesThreeChunksOfTheWindow) {
    RecorderSlots slots;
    // Successive reads answer chunks 0, 6, 12 of the window at record bytes 4-9.
    int chunk = 0;
    slots.recorder->answer = [&chunk](const CommandRecorder::Call&, KymReply* out) {
        for (int k = 0; k < 6; ++k) RecordBytes(out)[4 + k] = static_cast<uint8_t>(0x40 + chunk * 6 + k);
        ++chunk;
    };
    uint8_t block[16] = {};
    EXPECT_EQ(OPR_GetRFIDBlkData(kEth, kNode, block), 1);
    ASSERT_EQ(slots.recorder->calls.size(), 3u);
    for (int n = 0; n < 3; ++n) {
        EXPECT_TRUE(slots.recorder->calls[n].get);
        EXPECT_EQ(slots.recorder->calls[n].controlWord, 0xD3);
        EXPECT_EQ(slots.recorder->calls[n].packed, 1);
        EXPECT_TRUE(slots.recorder->Bytes(n).empty());
    }
    for (int k = 0; k < 16; ++k) EXPECT_EQ(block[k], 0x40 + k) << k;
}

TEST(RfidBlock, FailedReadIsReportedAndLeavesTheBufferAlone) {
    RecorderSlots slots;
    slots.recorder->results = {1, -1};
    uint8_t block[16];
    std::memset(block, 0x5A, sizeof block);
    EXPECT_EQ(OPR_GetRFIDBlkData(kEth, kNode, block), -1);
    EXPECT_EQ(block[0], 0x5A);
    EXPECT_EQ(slots.recorder->calls.size(), 2u);
    EXPECT_EQ(OPR_GetRFIDBlkData(kEth, kNode, nullptr), -1);
}

TEST(RfidBlock, WriteSendsAddressAndSixBytesPerChunk) {
    RecorderSlots slots;
    uint8_t block[16];
    for (int k = 0; k < 16; ++k) block[k] = static_cast<uint8_t>(0xA0 + k);
    EXPECT_EQ(OPR_SetRFIDBlkData(kEth, kNode, block), 1);
    ASSERT_EQ(slots.recorder->calls.size(), 3u);
    EXPECT_EQ(slots.recorder->calls[0].controlWord, 0xD3);
    EXPECT_EQ(slots.recorder->Bytes(0), (Bytes{24, 0xA0, 0xA1, 0xA2, 0xA3, 0xA4, 0xA5}));
    EXPECT_EQ(slots.recorder->Bytes(1), (Bytes{30, 0xA6, 0xA7, 0xA8, 0xA9, 0xAA, 0xAB}));
    EXPECT_EQ(slots.recorder->Bytes(2), (Bytes{36, 0xAC, 0xAD, 0xAE, 0xAF, 0, 0}));
    slots.recorder->calls.clear();
    slots.recorder->results = {0};
    EXPECT_EQ(OPR_SetRFIDBlkData(kEth, kNode, block), 0);
    EXPECT_EQ(slots.recorder->calls.size(), 1u);
}

TEST(RfidBlock, CardNumberAndDmaReadAreDataLessReads) {
    RecorderSlots slots;
    slots.recorder->answer = [](const CommandRecorder::Call&, KymReply* out) {
        const uint8_t number[] = {0xDE, 0xAD, 0xBE, 0xEF};
        std::memcpy(RecordBytes(out) + 4, number, 4);
    };
    uint8_t card[4] = {};
    EXPECT_EQ(OPR_GetRFIDCardNum(kEth, kNode, card), 1);
    EXPECT_EQ(card[0], 0xDE);
    EXPECT_EQ(card[3], 0xEF);
    KymReply reply{};
    EXPECT_EQ(GetDMA(kEth, kNode, 0x20, &reply), 1);
    ASSERT_EQ(slots.recorder->calls.size(), 2u);
    for (const auto& call : slots.recorder->calls) {
        EXPECT_TRUE(call.get);
        EXPECT_EQ(call.controlWord, 0xD3);
        EXPECT_EQ(call.frame.length, 0);
    }
    EXPECT_EQ(OPR_GetRFIDCardNum(kEth, kNode, nullptr), -1);
}
