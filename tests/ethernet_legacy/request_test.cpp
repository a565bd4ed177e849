// First-generation sets and gets through an Ethernet gateway: answer comparison, error reports,
// answers from another node's slot, time-outs and the identification light.
#include <gtest/gtest.h>

#include <algorithm>

#include "sdk/core/gateway_registry.h"
#include "sdk/ethernet/eth_gateway.h"
#include "tests/ethernet_legacy/legacy_bench.h"

namespace {

using legacy_bench::Bench;
using legacy_bench::ElapsedMs;
using legacy_bench::kHandle;
using legacy_bench::TraceLines;

constexpr uint32_t kAbsent = 9;

size_t CountEndingWith(const std::vector<std::string>& lines, const std::string& end) {
    return static_cast<size_t>(std::count_if(lines.begin(), lines.end(), [&](const std::string& line) {
        return line.size() >= end.size() && line.compare(line.size() - end.size(), end.size(), end) == 0;
    }));
}

TEST(LegacyRequest, SetComparesTheAnswerWithTheValueSent) {
    Bench bench("127.0.73.1");
    auto& node = bench.Add(5);
    ASSERT_TRUE(bench.Start());
    KymNodeRecord records[4] = {};
    ASSERT_EQ(bench.Open(records, 4), 1);

    KymReply ack{};
    EXPECT_EQ(SetPTPSpeed(kHandle, 5, 2500, 1, &ack), 1);
    EXPECT_EQ(ack.field[0], 2500);
    EXPECT_EQ(SetPTPSpeed(kHandle, 5, 3000, 0, nullptr), 1);
    EXPECT_EQ(node.PtpSpeed(), 3000);

    // A motor parameter keeps 16 bits: the answer differs from the value sent.
    EXPECT_EQ(SetMT(kHandle, 5, 0, 70000, 1, &ack), -1);
    EXPECT_EQ(node.MotorParameter(0), 70000 & 0xFFFF);

    // A refused request answers with an error report naming it: its code, negated.
    EXPECT_EQ(SetPP(kHandle, 5, 0, 9, 1, &ack), -2);
    ASSERT_EQ(SetAcceleration(kHandle, 5, 100, 1, &ack), 1);
    bench.Gateway().Faults().AnswerWithError(7);  // the gateway refuses in the node's place
    EXPECT_EQ(SetAcceleration(kHandle, 5, 200, 1, &ack), -7);
    bench.Gateway().Faults().AnswerWithError(7);
    KymReply read{};
    EXPECT_EQ(GetAcceleration(kHandle, 5, &read), 0);
    ASSERT_EQ(GetAcceleration(kHandle, 5, &read), 1);
    EXPECT_EQ(read.field[0], 100);
}

TEST(LegacyRequest, AnswersFromAnotherNodesSlot) {
    Bench bench("127.0.74.1");
    auto& first = bench.Add(1);
    auto& fifth = bench.Add(5);
    ASSERT_TRUE(bench.Start());
    KymNodeRecord records[4] = {};
    ASSERT_EQ(bench.Open(records, 4), 1);

    // The bus-wide update with value 1 is confirmed by node 1.
    KymReply ack{};
    EXPECT_EQ(Comm_Update(kHandle, 0, 1, 1, &ack), 1);
    EXPECT_EQ(first.CommSetting(0), 1);
    EXPECT_EQ(fifth.CommSetting(0), 1);
    // Other values wait in node 0's slot, where nothing arrives.
    EXPECT_EQ(Comm_Update(kHandle, 0, 2, 1, &ack), -1);
    EXPECT_EQ(fifth.CommSetting(0), 2);

    // An address change is answered by the new address (with the serial number).
    int32_t change[2] = {5, 10};
    EXPECT_EQ(Set_ADR(kHandle, 5, change), 1);
    EXPECT_EQ(fifth.NodeId(), 10);
    KymReply serial{};
    ASSERT_EQ(GetSerialNumber(kHandle, 10, &serial), 1);
    EXPECT_EQ(static_cast<uint32_t>(serial.field[0]), 0x07530005u);
}

TEST(LegacyRequest, TimeOuts) {
    Bench bench("127.0.75.1");
    bench.Add(5);
    ASSERT_TRUE(bench.Start());
    KymNodeRecord records[4] = {};
    ASSERT_EQ(bench.Open(records, 4), 1);
    TraceLines trace;

    KymReply ack{};
    int result = 0;
    // An unanswered update to 0 counts as done; any other unanswered set fails.
    const long quiet = ElapsedMs([&] { result = Comm_Update(kHandle, kAbsent, 0, 1, &ack); });
    EXPECT_EQ(result, 1);
    EXPECT_GE(quiet, 450);
    EXPECT_LT(quiet, 5000);  // the 500 ms time-out, far from the system check's 10.5 s
    EXPECT_EQ(Comm_Update(kHandle, kAbsent, 2, 1, &ack), -1);
    EXPECT_EQ(SetPTPSpeed(kHandle, kAbsent, 100, 1, &ack), -1);
    EXPECT_EQ(CountEndingWith(trace.Lines(), ":SDK_WaitForSingleTimout\n\n"), 3u);

    trace.Clear();
    KymReply read{};
    const long get = ElapsedMs([&] { result = GetSerialNumber(kHandle, kAbsent, &read); });
    EXPECT_EQ(result, 0);
    EXPECT_GE(get, 450);
    EXPECT_LT(get, 5000);
    const auto lines = trace.Lines();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(CountEndingWith(lines, ":SDK_WaitForSingleTimout\n"), 1u);
    EXPECT_EQ(CountEndingWith(lines, "\n\n"), 0u);
}

TEST(LegacyRequest, LightFlashIsSentAndAnsweredByTheNodeItself) {
    Bench bench("127.0.76.1");
    auto& node = bench.Add(5);
    ASSERT_TRUE(bench.Start());
    KymNodeRecord records[4] = {};
    ASSERT_EQ(bench.Open(records, 4), 1);
    bench.Gateway().Bus().ClearTraffic();

    EXPECT_EQ(SetLightFlash(kHandle, 5, 1, 0), 1);
    EXPECT_EQ(SetLightFlash(kHandle, 5, 1, 1), 1);
    EXPECT_EQ(node.NodeId(), 5);  // the light leaves the address alone
    const auto traffic = bench.Gateway().Bus().Traffic();
    const auto flashes =
        std::count_if(traffic.begin(), traffic.end(), [](const norvane::sim::TrafficEntry& e) {
            return e.direction == norvane::sim::Direction::FromGateway && e.frame.length == 5 &&
                   e.frame.data[0] == 254 && e.frame.data[1] == 1;
        });
    EXPECT_EQ(flashes, 2);

    int result = 0;
    const long silent = ElapsedMs([&] { result = SetLightFlash(kHandle, kAbsent, 1, 1); });
    EXPECT_EQ(result, -1);
    EXPECT_LT(silent, 5000);
}

// Operations wait 500 ms like any set, except the system check, which takes its time (10.5 s
// by default; shortened here so the rule is tested without waiting that out).
TEST(LegacyRequest, OnlyTheSystemCheckWaitsLong) {
    EXPECT_EQ(norvane::sdk::PortTiming{}.systemCheckTimeoutMs, 10500u);
    Bench bench("127.0.78.1");
    bench.Add(5);
    ASSERT_TRUE(bench.Start());
    KymNodeRecord records[4] = {};
    ASSERT_EQ(bench.Open(records, 4), 1);
    const auto gateway = std::dynamic_pointer_cast<norvane::sdk::CETHCAN>(
        norvane::sdk::GatewayAt(norvane::sdk::GatewaySlot::LegacyEthernet));
    ASSERT_TRUE(gateway);
    const auto port = gateway->EthernetPort(kHandle);
    ASSERT_TRUE(port);
    port->timing.systemCheckTimeoutMs = 2500;
    KymReply ack{};
    int result = 0;
    const long operation = ElapsedMs([&] { result = OPR_UFQGetErr(kHandle, kAbsent, 1, &ack); });
    EXPECT_EQ(result, -1);
    EXPECT_GE(operation, 450);
    EXPECT_LT(operation, 2000);  // the 500 ms time-out, not the (shortened) system check's
    const long check = ElapsedMs([&] { result = OPR_SystemCheck(kHandle, kAbsent, 1, 1, &ack); });
    EXPECT_EQ(result, -1);
    EXPECT_GE(check, 2400);
    ASSERT_EQ(OPR_SystemCheck(kHandle, 5, 1, 1, &ack), 1);
}

}  // namespace
