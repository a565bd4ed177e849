// The contract of first-generation serial gateways through the public first-generation
// exports: quick-scan parameters, search, open with registration and naming, set with answer,
// get, time-out, device error, register-all, close and reopen. One opened gateway is shared by
// the tests of a row; each test leaves it open.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <chrono>
#include <memory>
#include <string>

#include "norvane/NorvaneFunc.h"
#include "sim/nodes/node_factory.h"
#include "sim/rs232_gateway.h"

namespace {

using Clock = std::chrono::steady_clock;

struct Row {
    std::string name;
    bool uart;
    int com;
};
void PrintTo(const Row& row, std::ostream* out) {
    *out << row.name;
}

struct Shared {
    std::string name;
    std::unique_ptr<norvane::sim::Rs232Gateway> emulator;
    bool open = false;
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
        // The dispatchers do not take the UART's first-generation kind (16384): its commands go
        // through the kind-32 handle of the same port, in the generation the search chose.
        searchHandle = row.uart ? 0x400000 : 0x10000;
        handle = row.uart ? 0x2000 : 0x10000;
        if (shared.name == row.name) return;
        CloseShared();
        norvane::sim::Rs232GatewayOptions options;
        options.comNumber = row.com;
        options.uart = row.uart;
        options.baud = row.uart ? 115200 : 57600;
        options.generation = 1;
        shared.emulator = std::make_unique<norvane::sim::Rs232Gateway>(options);
        for (uint8_t id : {3, 5, 7, 9}) {
            norvane::sim::nodes::NodeConfig config;
            config.id = id;
            config.kind = norvane::sim::nodes::NodeKind::FirstGenController;
            shared.emulator->Bus().AddNode(norvane::sim::nodes::MakeNode(config));
        }
        ASSERT_TRUE(shared.emulator->Start()) << "no pseudo-terminal";
        const std::string map = "COM" + std::to_string(row.com) + "=" + shared.emulator->SlavePath();
        setenv("NORVANE_SERIAL_PORTS", map.c_str(), 1);
        shared.name = row.name;
    }
    static void TearDownTestSuite() { CloseShared(); }
    static void CloseShared() {
        Shared& shared = TheShared();
        if (shared.open) CloseGateWay(shared.emulator->Options().uart ? 0x400000 : 0x10000);
        shared.open = false;
        shared.emulator.reset();
        shared.name.clear();
    }

    norvane::sim::Rs232Gateway& Emulator() { return *TheShared().emulator; }
    int Search(KymSearchRecord* records) {
        const Row& row = GetParam();
        TheShared().open = false;
        SetQuickScan(static_cast<uint32_t>(row.com), row.uart ? 0 : 57600, 0);
        return SearchGateWay(row.uart ? 16384 : 256, records, 5);
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
    EXPECT_EQ(records[0].filled, 1);
    if (GetParam().uart) GTEST_SKIP() << "the UART search does no I/O: its record names no gateway yet";
    EXPECT_STREQ(records[0].name,
                 ("KYM2407,VER 1802,COM" + std::to_string(GetParam().com) + ",57600").c_str());
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
    EXPECT_EQ(rate, 2u);
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
    Emulator().Faults().SetSilent(true);
    KymReply reply{};
    const auto start = Clock::now();
    EXPECT_EQ(SetPP(handle, 5, 3, 1, 1, &reply), -1);
    EXPECT_GE(ElapsedMs(start), 450);
    EXPECT_LT(ElapsedMs(start), 5000);
    EXPECT_LE(GetPP(handle, 5, 3, &reply), 0);
    Emulator().Faults().SetSilent(false);
    EXPECT_EQ(SetPP(handle, 5, 3, 2, 1, &reply), 1);
}

TEST_P(FirstGenContract, DeviceErrorGivesTheNegativeCode) {
    EnsureOpen();
    Emulator().Faults().AnswerWithError(5);
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

INSTANTIATE_TEST_SUITE_P(SerialLines, FirstGenContract,
                         ::testing::Values(Row{"Rs232FirstGen", false, 13}, Row{"UartFirstGen", true, 14}),
                         [](const ::testing::TestParamInfo<Row>& info) { return info.param.name; });

}  // namespace
