// Bad bytes from the host and injected faults: the gateway never crashes, hangs or stops serving.
#include <gtest/gtest.h>

#include <chrono>
#include <random>
#include <thread>

#include "echo_node.h"
#include "raw_client.h"
#include "sim/ethernet_gateway.h"

namespace norvane::sim::test {
namespace {

// Node 5, SPD with answer bit, value 1.
const Bytes kRequest = {0xAA, 0x72, 13, 0, 0, 0, 0x87, 0x00, 0x28, 0x01, 4, 1, 0, 0, 0, 0, 0, 0, 0, 0xCC};
const Bytes kAnswer = {0x87, 0x00, 0x00, 0x05, 4, 1, 0, 0, 0, 0, 0, 0, 0};

class GatewayFaultsTest : public ::testing::Test {
protected:
    void SetUp() override {
        EthernetGatewayOptions options;
        options.port = 0;
        gateway = std::make_unique<EthernetGateway>(options);
        gateway->Bus().AddNode(std::make_unique<EchoNode>(5));
        ASSERT_TRUE(gateway->Start());
        client = std::make_unique<RawClient>("127.0.0.1", gateway->Port());
    }
    void ExpectServed() {
        ASSERT_TRUE(client->Send(kRequest));
        const auto a = client->NextOf(0x73);
        ASSERT_TRUE(a);
        EXPECT_EQ(a->payload, kAnswer);
    }
    std::unique_ptr<EthernetGateway> gateway;
    std::unique_ptr<RawClient> client;
};

TEST_F(GatewayFaultsTest, BadFramesAreSkippedAndTheNextGoodFrameIsServed) {
    struct Case {
        const char* name;
        Bytes bytes;
    };
    const Case cases[] = {
        {"garbage", {0x01, 0x02, 0xCC, 0xFF, 0x00, 0x13}},
        {"huge length", {0xAA, 0x72, 0xFF, 0xFF, 0xFF, 0xFF, 0x01, 0x02}},
        {"length past the limit", {0xAA, 0x23, 0x00, 0x10, 0x00, 0x00, 'A', 'B'}},
        {"truncated frame", {0xAA, 0x72, 13, 0, 0, 0, 0x87, 0x00}},
        {"unknown command", {0xAA, 0x55, 0, 0, 0, 0, 0xCC}},
        {"short CAN payload", {0xAA, 0x72, 2, 0, 0, 0, 0x87, 0x00, 0xCC}},
        {"binary serial payload", {0xAA, 0x23, 3, 0, 0, 0, 0x01, 0xFF, 0x80, 0xCC}},
        {"unknown text", {0xAA, 0x23, 6, 0, 0, 0, 'N', 'O', 'P', 'E', '!', ';', 0xCC}},
        {"lone start byte", {0xAA}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(client->Send(c.bytes));
        ExpectServed();
    }
    EXPECT_GT(gateway->Counters().garbageBytes.load(), 0u);
    EXPECT_GE(gateway->Counters().unknownCommands.load(), 1u);
    EXPECT_GE(gateway->Counters().malformedFrames.load(), 3u);
}

TEST_F(GatewayFaultsTest, RandomBytesNeverStopTheGateway) {
    std::mt19937 random(1234);
    Bytes noise(64 * 1024);
    for (auto& b : noise) b = static_cast<uint8_t>(random());
    ASSERT_TRUE(client->Send(noise));
    // Whatever the noise left half-parsed is flushed by at most one maximal frame of padding.
    ASSERT_TRUE(client->Send(Bytes(300, 0x00)));
    ExpectServed();
}

TEST_F(GatewayFaultsTest, DroppedDelayedSplitAndErrorAnswers) {
    gateway->Faults().DropAnswers(1);
    ASSERT_TRUE(client->Send(kRequest));
    EXPECT_FALSE(client->NextOf(0x73, 200));
    ExpectServed();

    gateway->Faults().DelayAnswers(1, 300);
    const auto start = std::chrono::steady_clock::now();
    ExpectServed();
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(250));

    gateway->Faults().SplitAnswers(1, 50);
    ExpectServed();

    gateway->Faults().AnswerWithError(5);
    ASSERT_TRUE(client->Send(kRequest));
    const auto report = client->NextOf(0x73);
    ASSERT_TRUE(report);
    // Control word 15 from node 5, d1 = the refused command 7, d2 = the code.
    EXPECT_EQ(report->payload, (Bytes{0x0F, 0, 0, 5, 3, 0, 7, 5, 0, 0, 0, 0, 0}));
    ExpectServed();
}

TEST_F(GatewayFaultsTest, SilenceGarbageAndClosedConnection) {
    gateway->Faults().SetSilent(true);
    ASSERT_TRUE(client->Send(kRequest));
    EXPECT_FALSE(client->NextOf(0x73, 200));
    gateway->Faults().SetSilent(false);
    ExpectServed();

    gateway->SendRaw({0x13, 0x37, 0xCC});
    EXPECT_EQ(client->ReadRaw(500, 3), (Bytes{0x13, 0x37, 0xCC}));

    gateway->CloseClient();
    EXPECT_TRUE(client->PeerClosed(1000));
    client = std::make_unique<RawClient>("127.0.0.1", gateway->Port());
    ExpectServed();
}

TEST_F(GatewayFaultsTest, NewConnectionReplacesTheCurrentOne) {
    RawClient second("127.0.0.1", gateway->Port());
    EXPECT_TRUE(client->PeerClosed(1000));
    ASSERT_TRUE(second.Send(kRequest));
    EXPECT_TRUE(second.NextOf(0x73));
}

TEST(GatewayAddressTest, GatewaysShareAPortOnDifferentLoopbackAddresses) {
    EthernetGatewayOptions a, b;
    a.address = "127.0.0.2";
    a.port = 0;
    EthernetGateway first(a);
    ASSERT_TRUE(first.Start()) << first.ErrorText();
    b.address = "127.0.0.3";
    b.port = first.Port();
    EthernetGateway second(b);
    ASSERT_TRUE(second.Start()) << second.ErrorText();
    EthernetGatewayOptions clash = a;
    clash.port = first.Port();
    EthernetGateway third(clash);
    EXPECT_FALSE(third.Start());
    EXPECT_FALSE(third.ErrorText().empty());
}

}  // namespace
}  // namespace norvane::sim::test
