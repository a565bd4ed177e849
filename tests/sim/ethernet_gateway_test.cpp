// The Ethernet gateway emulator over real TCP, driven by hand-built frames.
#include "sim/ethernet_gateway.h"

#include <gtest/gtest.h>

#include <thread>

#include "echo_node.h"
#include "raw_client.h"

namespace norvane::sim::test {
namespace {

class EthernetGatewayTest : public ::testing::Test {
protected:
    void SetUp() override {
        EthernetGatewayOptions options;
        options.port = 0;
        options.discoveryWindowMs = 100;
        gateway = std::make_unique<EthernetGateway>(options);
        node5 = static_cast<EchoNode*>(gateway->Bus().AddNode(std::make_unique<EchoNode>(5)));
        gateway->Bus().AddNode(std::make_unique<EchoNode>(70));
        ASSERT_TRUE(gateway->Start()) << gateway->ErrorText();
        client = std::make_unique<RawClient>("127.0.0.1", gateway->Port());
        ASSERT_TRUE(client->Connected());
    }

    std::unique_ptr<EthernetGateway> gateway;
    std::unique_ptr<RawClient> client;
    EchoNode* node5 = nullptr;
};

const Bytes kCanHello = {0xAA, 0x71, 0, 0, 0, 0, 0xCC};
const Bytes kCanGoodbye = {0xAA, 0x74, 0, 0, 0, 0, 0xCC};

TEST_F(EthernetGatewayTest, HelloIsAcknowledgedAndGoodbyeLeavesTheHostToClose) {
    ASSERT_TRUE(client->Send(kCanHello));
    EXPECT_EQ(client->ReadRaw(1000, 7), (Bytes{0xCC, 0x71, 0, 0, 0, 0, 0xAA}));
    ASSERT_TRUE(client->Send(kCanGoodbye));
    EXPECT_FALSE(client->PeerClosed(100));
    EXPECT_TRUE(gateway->ClientConnected());
}

struct RelayCase {
    const char* name;
    Bytes request;   // 0x72 payload
    uint32_t busId;  // identifier the nodes see
    Bytes answer;    // 0x73 payload expected back
};

TEST_F(EthernetGatewayTest, AcknowledgedSetReachesTheNodeAndComesBackAsCanAnswer) {
    const RelayCase cases[] = {
        // Node 5, SPD 1000 with answer bit: I1 = 0, I2 = 5 << 3.
        {"node 5",
         {0x87, 0x00, 0x28, 0x01, 0x04, 0xE8, 0x03, 0, 0, 0, 0, 0, 0},
         0x05080087,
         {0x87, 0x00, 0x00, 0x05, 0x04, 0xE8, 0x03, 0, 0, 0, 0, 0, 0}},
        // Node 70 = 0x46: bits 5-6 in I1 bits 6-7 (0x80), bits 0-4 in I2 (6 << 3).
        {"node 70",
         {0x8B, 0x80, 0x30, 0x01, 0x00, 0, 0, 0, 0, 0, 0, 0, 0},
         0x0608408B,
         {0x8B, 0x00, 0x02, 0x06, 0x00, 0, 0, 0, 0, 0, 0, 0, 0}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        gateway->Bus().ClearTraffic();
        Bytes frame = {0xAA, 0x72, 13, 0, 0, 0};
        frame.insert(frame.end(), c.request.begin(), c.request.end());
        frame.push_back(0xCC);
        ASSERT_TRUE(client->Send(frame));
        const auto answer = client->NextOf(0x73);
        ASSERT_TRUE(answer);
        EXPECT_EQ(answer->payload, c.answer);
        const auto traffic = gateway->Bus().Traffic();
        ASSERT_EQ(traffic.size(), 2u);
        EXPECT_EQ(traffic[0].direction, Direction::FromGateway);
        EXPECT_EQ(traffic[0].frame.id, c.busId);
        EXPECT_EQ(traffic[1].direction, Direction::FromNode);
    }
}

TEST_F(EthernetGatewayTest, AnswersProtocolSelectionModelAndBitRateAsNodeOne) {
    struct Case {
        const char* name;
        Bytes request;  // 0x72 payload to node 1 (I1 0, I2 0x08)
        Bytes answer;   // 0x73 payload
    };
    const Case cases[] = {
        {"select 20",
         {0xFE, 0, 0x08, 0x01, 2, 20, 0, 0, 0, 0, 0, 0, 0},
         {0x7E, 0, 0, 1, 1, 20, 0, 0, 0, 0, 0, 0, 0}},
        {"read back",
         {0xFE, 0, 0x08, 0x01, 0, 0, 0, 0, 0, 0, 0, 0, 0},
         {0x7E, 0, 0, 1, 1, 20, 0, 0, 0, 0, 0, 0, 0}},
        {"model",
         {0xC1, 0, 0x08, 0x01, 0, 0, 0, 0, 0, 0, 0, 0, 0},
         {0x41, 0, 0, 1, 6, 0x01, 0x19, 0, 0, 0x05, 0x01, 0, 0}},
        {"bit rate",
         {0xB5, 0, 0x08, 0x01, 0, 0, 0, 0, 0, 0, 0, 0, 0},
         {0x35, 0, 0, 1, 1, 2, 0, 0, 0, 0, 0, 0, 0}},
        {"select 30",
         {0xFE, 0, 0x08, 0x01, 2, 30, 0, 0, 0, 0, 0, 0, 0},
         {0x7E, 0, 0, 1, 1, 30, 0, 0, 0, 0, 0, 0, 0}},
        {"first-gen model",
         {0x8B, 0, 0x08, 0x01, 0, 0, 0, 0, 0, 0, 0, 0, 0},
         {0x0B, 0, 0, 1, 6, 0x01, 0x19, 0, 0, 0x05, 0x01, 0, 0}},
        {"first-gen settings",
         {0x81, 0, 0x08, 0x01, 1, 5, 0, 0, 0, 0, 0, 0, 0},
         {0x01, 0, 0, 1, 2, 5, 2, 0, 0, 0, 0, 0, 0}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Bytes frame = {0xAA, 0x72, 13, 0, 0, 0};
        frame.insert(frame.end(), c.request.begin(), c.request.end());
        frame.push_back(0xCC);
        ASSERT_TRUE(client->Send(frame));
        const auto answer = client->NextOf(0x73);
        ASSERT_TRUE(answer);
        EXPECT_EQ(answer->payload, c.answer);
    }
    EXPECT_EQ(gateway->SelectedProtocol(), 30);
    // None of these reached the bus.
    EXPECT_TRUE(gateway->Bus().Traffic().empty());
}

TEST_F(EthernetGatewayTest, OldGatewayModeLeavesProtocolSelectionUnanswered) {
    gateway.reset();
    EthernetGatewayOptions options;
    options.port = 0;
    options.answersProtocolSelection = false;
    gateway = std::make_unique<EthernetGateway>(options);
    ASSERT_TRUE(gateway->Start());
    RawClient c("127.0.0.1", gateway->Port());
    ASSERT_TRUE(c.Send({0xAA, 0x72, 13, 0, 0, 0, 0xFE, 0, 0x08, 0x01, 2, 20, 0, 0, 0, 0, 0, 0, 0, 0xCC}));
    EXPECT_FALSE(c.NextOf(0x73, 300));
}

TEST_F(EthernetGatewayTest, FramesSplitAndBatchedAreAllRelayed) {
    const Bytes one = {0xAA, 0x72, 13, 0, 0, 0, 0x80, 0x00, 0x28, 0x01, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xCC};
    Bytes two = one;
    two.insert(two.end(), one.begin(), one.end());
    ASSERT_TRUE(client->Send(Bytes(two.begin(), two.begin() + 9)));
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    ASSERT_TRUE(client->Send(Bytes(two.begin() + 9, two.end())));
    EXPECT_TRUE(client->NextOf(0x73));
    EXPECT_TRUE(client->NextOf(0x73));
}

}  // namespace
}  // namespace norvane::sim::test
