// The contract of first-generation gateways through the public first-generation exports:
// search, open with registration and naming, set with answer, get, time-out, device error,
// register-all, close and reopen. One opened gateway is shared by the tests of a row; each test
// leaves it open.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <thread>

#include "contract_transport.h"
#include "norvane/NorvaneFunc.h"
#include "straying_node.h"

namespace {

using Clock = std::chrono::steady_clock;
using norvane::contract::FirstGenRig;

struct Row {
    std::string name;
    uint32_t searchHandle;    ///< the handle the search reports (open, register-all, close)
    uint32_t handle;          ///< the handle commands go through
    std::string gatewayName;  ///< the search record's name; empty: the search does no I/O
    uint8_t filled;           ///< the search record's byte 12
    uint32_t rate;            ///< what the open reports
    int failedGet;            ///< what an unanswered get gives
    std::function<std::unique_ptr<FirstGenRig>()> make;
};
void PrintTo(const Row& row, std::ostream* out) {
    *out << row.name;
}

struct Shared {
    std::string name;
    uint32_t searchHandle = 0;
    std::unique_ptr<FirstGenRig> rig;
    bool open = false;
    norvane::contract::StrayingNode* straying = nullptr;  ///< on the rig's bus once added
};
Shared& TheShared() {
    static Shared shared;
    return shared;
}

long ElapsedMs(Clock::time_point since) {
    return static_cast<long>(
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - since).count());
}

class FirstGenContract : public ::testing::TestWithParam<Row> {
protected:
    void SetUp() override {
        Shared& shared = TheShared();
        const Row& row = GetParam();
        searchHandle = row.searchHandle;
        handle = row.handle;
        if (shared.name == row.name) return;
        CloseShared();
        shared.rig = row.make();
        std::string error;
        ASSERT_TRUE(shared.rig->Start(error)) << error;
        shared.name = row.name;
        shared.searchHandle = row.searchHandle;
    }
    static void TearDownTestSuite() { CloseShared(); }
    static void CloseShared() {
        Shared& shared = TheShared();
        if (shared.open) CloseGateWay(shared.searchHandle);
        shared.open = false;
        shared.straying = nullptr;
        shared.rig.reset();
        shared.name.clear();
    }

    FirstGenRig& Gateway() { return *TheShared().rig; }
    int Search(KymSearchRecord* records) {
        TheShared().open = false;
        return Gateway().Search(records);
    }
    int Open(KymNodeRecord* records, uint32_t* rate) {
        const int n = OpenGateWay(searchHandle, records, 126, rate);
        TheShared().open = n > 0;
        return n;
    }
    void EnsureOpen() {
        if (TheShared().open) return;
        KymSearchRecord found[5] = {};
        ASSERT_EQ(Search(found), 1);
        KymNodeRecord records[126] = {};
        uint32_t rate = 0;
        ASSERT_EQ(Open(records, &rate), 3);
    }

    uint32_t searchHandle = 0;
    uint32_t handle = 0;
};

TEST_P(FirstGenContract, SearchFindsTheGatewayAndDescribesIt) {
    KymSearchRecord records[5] = {};
    ASSERT_EQ(Search(records), 1);
    EXPECT_EQ(records[0].handle & 0xFFFF00, searchHandle);
    EXPECT_EQ(records[0].filled, GetParam().filled);
    if (GetParam().gatewayName.empty())
        GTEST_SKIP() << "the search does no I/O: its record names no gateway yet";
    EXPECT_STREQ(records[0].name, GetParam().gatewayName.c_str());
}

TEST_P(FirstGenContract, OpenRegistersNodesFromFiveUpAndNamesThem) {
    KymSearchRecord found[5] = {};
    ASSERT_EQ(Search(found), 1);
    KymNodeRecord records[126] = {};
    uint32_t rate = 99;
    ASSERT_EQ(Open(records, &rate), 3);
    EXPECT_EQ(records[0].nodeId, 5u);
    EXPECT_EQ(records[1].nodeId, 7u);
    EXPECT_EQ(records[2].nodeId, 9u);
    EXPECT_STREQ(records[2].model, "KYM23H56P2");
    EXPECT_EQ(rate, GetParam().rate);
}

TEST_P(FirstGenContract, SetWithAnswerLandsAndGetReadsItBack) {
    EnsureOpen();
    KymReply reply{};
    ASSERT_EQ(SetPP(handle, 5, 3, 21, 1, &reply), 1);
    ASSERT_EQ(SetPP(handle, 9, 3, 42, 0, nullptr), 1);  // without an answer: returns at once
    ASSERT_EQ(GetPP(handle, 5, 3, &reply), 1);
    EXPECT_EQ(reply.field[0], 21);
    ASSERT_EQ(GetPP(handle, 9, 3, &reply), 1);
    EXPECT_EQ(reply.field[0], 42);
}

TEST_P(FirstGenContract, UnansweredRequestsTimeOut) {
    EnsureOpen();
    Gateway().SetSilent(true);
    KymReply reply{};
    const auto start = Clock::now();
    EXPECT_EQ(SetPP(handle, 5, 3, 1, 1, &reply), -1);
    EXPECT_GE(ElapsedMs(start), 450);
    EXPECT_LT(ElapsedMs(start), 5000);
    EXPECT_EQ(GetPP(handle, 5, 3, &reply), GetParam().failedGet);
    Gateway().SetSilent(false);
    EXPECT_EQ(SetPP(handle, 5, 3, 2, 1, &reply), 1);
}

TEST_P(FirstGenContract, DeviceErrorGivesTheNegativeCode) {
    EnsureOpen();
    Gateway().AnswerWithError(5);
    KymReply reply{};
    EXPECT_EQ(SetPP(handle, 7, 3, 1, 1, &reply), -5);
    EXPECT_EQ(SetPP(handle, 7, 3, 1, 1, &reply), 1);
}

TEST_P(FirstGenContract, RegisterAllFindsTheNodes) {
    EnsureOpen();
    KymNodeRecord records[126] = {};
    ASSERT_EQ(Register753AllDevice(searchHandle, records, 126), 3);
    EXPECT_EQ(records[0].nodeId, 5u);
    EXPECT_EQ(records[2].nodeId, 9u);
}

TEST_P(FirstGenContract, ClosedGatewayRefusesRequestsUntilSearchedAndOpenedAgain) {
    EnsureOpen();
    ASSERT_EQ(CloseGateWay(handle), 1);
    TheShared().open = false;
    KymReply reply{};
    const auto start = Clock::now();
    EXPECT_NE(SetPP(handle, 5, 3, 3, 1, &reply), 1);
    EXPECT_LT(ElapsedMs(start), 450);  // refused at once
    EnsureOpen();
    EXPECT_EQ(SetPP(handle, 5, 3, 4, 1, &reply), 1);
}

// Another node's answer, a late answer or a duplicate never completes a first-generation
// request; what no request awaits shows as unmatched.
TEST_P(FirstGenContract, OnlyTheAskedNodesAnswerCompletesARequest) {
    using norvane::contract::Company;
    using norvane::contract::StrayingNode;
    EnsureOpen();
    Shared& shared = TheShared();
    if (shared.straying == nullptr) {
        shared.straying =
            static_cast<StrayingNode*>(Gateway().Bus().AddNode(std::make_unique<StrayingNode>(true)));
    }
    StrayingNode& node = *shared.straying;
    constexpr uint32_t kNode = StrayingNode::kId;
    KymReply reply{};
    ASSERT_EQ(SetPP(handle, 5, 3, 55, 1, &reply), 1);
    KymPortCounters before{};
    NvGetPortCounters(handle, &before);
    // Every pp read and write is one command: each step lets its strays arrive before the next.
    const auto settle = [] { std::this_thread::sleep_for(std::chrono::milliseconds(60)); };
    for (int32_t value : {11, 12}) {
        node.Arm(Company::StrayFirst);
        EXPECT_EQ(SetPP(handle, kNode, 3, value, 1, &reply), 1);
        node.Arm(Company::Twice);
        reply = KymReply{};
        EXPECT_EQ(GetPP(handle, kNode, 3, &reply), 1);
        EXPECT_EQ(reply.field[0], value);
        settle();
    }
    node.Arm(Company::StrayOnly);
    EXPECT_LE(GetPP(handle, kNode, 3, &reply), 0);
    settle();
    node.Arm(Company::Late);
    EXPECT_LE(GetPP(handle, kNode, 3, &reply), 0);
    node.Arm(Company::None);
    const auto until = Clock::now() + std::chrono::milliseconds(700);  // the late answer comes meanwhile
    while (Clock::now() < until) {
        reply = KymReply{};
        EXPECT_EQ(GetPP(handle, 5, 3, &reply), 1);
        EXPECT_EQ(reply.field[0], 55);
    }
    reply = KymReply{};
    EXPECT_EQ(GetPP(handle, kNode, 3, &reply), 1);
    EXPECT_EQ(reply.field[0], 12);
    KymPortCounters after{};
    NvGetPortCounters(handle, &after);
    EXPECT_GE(after.unmatchedAnswers - before.unmatchedAnswers, 5u);  // 2 duplicates, 3 strays or late
}

// The dispatchers do not take the UART's first-generation kind (16384): its commands go through
// the kind-32 handle of the same port, in the generation the search chose.
INSTANTIATE_TEST_SUITE_P(
    Gateways, FirstGenContract,
    ::testing::Values(Row{"Rs232FirstGen", 0x10000, 0x10000, "KYM2407,VER 1802,COM13,57600", 1, 2, -1,
                          [] { return norvane::contract::MakeSerialFirstGenRig(false, 13); }},
                      Row{"UartFirstGen", 0x400000, 0x2000, "", 1, 2, 0,
                          [] { return norvane::contract::MakeSerialFirstGenRig(true, 14); }},
                      Row{"UsbFirstGen", 0x100000, 0x100000, "USBC7200 DevID000", 0, 2, 0,
                          [] { return norvane::contract::MakeUsbFirstGenRig(1); }}),
    [](const ::testing::TestParamInfo<Row>& info) { return info.param.name; });

}  // namespace
