// The Ethernet gateway in serial transmission framing, over real TCP.
#include <gtest/gtest.h>

#include <cstring>

#include "echo_node.h"
#include "raw_client.h"
#include "sim/ethernet_gateway.h"

namespace norvane::sim::test {
namespace {

Bytes TextFrame(const char* text) {
    return Frame(0x23, Bytes(text, text + std::strlen(text)));
}

class SerialModeTest : public ::testing::Test {
protected:
    void SetUp() override {
        EthernetGatewayOptions options;
        options.port = 0;
        options.discoveryWindowMs = 100;
        gateway = std::make_unique<EthernetGateway>(options);
        gateway->Bus().AddNode(std::make_unique<EchoNode>(70));
        gateway->Bus().AddNode(std::make_unique<EchoNode>(5));
        ASSERT_TRUE(gateway->Start());
        client = std::make_unique<RawClient>("127.0.0.1", gateway->Port());
        ASSERT_TRUE(client->Send({0xAA, 0x22, 0, 0, 0, 0, 0xCC}));
        ASSERT_TRUE(client->NextOf(0x22));
    }
    std::unique_ptr<EthernetGateway> gateway;
    std::unique_ptr<RawClient> client;
};

TEST_F(SerialModeTest, ProbeTextIsAnsweredWithTwentyBytes) {
    ASSERT_TRUE(client->Send(TextFrame("ABC;")));
    EXPECT_EQ(client->ReadRaw(1000, 20), (Bytes{0xCC, 0x24, 13, 0,    0,    0,    0xAA, 0xAB, 0xAC, 0x19,
                                                0x01, 0,    0,  0x00, 0x02, 0x05, 0,    0,    0xFF, 0xAA}));
}

TEST_F(SerialModeTest, TextCommandReachesTheBusAndTheAnswerIsAReplyFrame) {
    ASSERT_TRUE(client->Send(TextFrame("{ADR=5;}SPD1000;")));
    const auto answer = client->NextOf(0x24);
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->payload, (Bytes{0xAA, 0x05, 0xB5, 0x00, 0x07, 0x68, 0xFE}));
    const auto traffic = gateway->Bus().Traffic();
    ASSERT_FALSE(traffic.empty());
    EXPECT_EQ(traffic[0].frame.id, 0x05080087u);
    EXPECT_EQ(Bytes(traffic[0].frame.data, traffic[0].frame.data + traffic[0].frame.length),
              (Bytes{0xE8, 0x03, 0, 0}));
}

TEST_F(SerialModeTest, DiscoveryIsAnsweredWithOneSortedNodeList) {
    ASSERT_TRUE(client->Send(TextFrame("gREG;")));
    const auto list = client->NextOf(0x24);
    ASSERT_TRUE(list);
    EXPECT_EQ(list->payload, (Bytes{0xAA, 0x02, 0xD0, 0x05, 0x46, 0xFE}));
    EXPECT_EQ(gateway->Bus().Traffic().at(0).frame.id, 0x1F0FE0C0u);
}

TEST_F(SerialModeTest, RecordHandshakeAndBitRateAreAnsweredByTheGateway) {
    // 12-byte record: length 2, node 1, control word 0xFE, d0 = 20.
    ASSERT_TRUE(client->Send(Frame(0x23, {2, 1, 0xFE, 20, 0, 0, 0, 0, 0, 0, 0, 0})));
    auto answer = client->NextOf(0x24);
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->payload, (Bytes{1, 1, 0x7E, 20, 0, 0, 0, 0, 0, 0, 0, 0}));
    ASSERT_TRUE(client->Send(TextFrame("BTR;")));
    answer = client->NextOf(0x24);
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->payload, (Bytes{0xAA, 0x02, 0xBC, 0xFE}));
    EXPECT_TRUE(gateway->Bus().Traffic().empty());
}

}  // namespace
}  // namespace norvane::sim::test
