// Command exports against the in-process simulator behind a real Ethernet gateway connection:
// composite exports change the simulated controller as a whole, rejected arguments put nothing
// on the bus, and the RFID exports drive a simulated reader.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <memory>
#include <thread>
#include <vector>

#include "norvane/NorvaneFunc.h"
#include "sim/bus_identifier.h"
#include "sim/ethernet_gateway.h"
#include "sim/nodes/node_factory.h"
#include "sim/nodes/rfid_reader.h"

namespace {

using norvane::sim::Direction;
using norvane::sim::EthernetGateway;
using norvane::sim::TrafficEntry;
namespace nodes = norvane::sim::nodes;

constexpr const char* kAddress = "127.0.0.31";
constexpr uint32_t kHandle = 0x1001;
constexpr uint32_t kController = 5;
constexpr uint32_t kReader = 8;

struct Bench {
    std::unique_ptr<EthernetGateway> gateway;
    nodes::SecondGenController* controller = nullptr;
    nodes::RfidReader* reader = nullptr;
    int32_t bitRate = -1;
    int opened = 0;
};

Bench& TheBench() {
    static Bench bench;
    return bench;
}

struct Request {
    uint8_t node;
    uint8_t controlWord;
    std::vector<uint8_t> bytes;
};

// Requests the gateway put on the bus since the last clear.
std::vector<Request> Requests() {
    std::vector<Request> requests;
    for (const TrafficEntry& entry : TheBench().gateway->Bus().Traffic()) {
        if (entry.direction != Direction::FromGateway) continue;
        const auto address = norvane::sim::DecodeBusIdentifier(entry.frame.id);
        requests.push_back(
            {address.node, address.controlWord, {entry.frame.data, entry.frame.data + entry.frame.length}});
    }
    return requests;
}

class CommandsOnSimulator : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        Bench& bench = TheBench();
        // ctest runs every test in its own process, at the same time: a port per process keeps
        // their simulated gateways apart.
        SetSerialTransmissision(0);
        SetEthernetServerPort(20000 + static_cast<uint32_t>(getpid()) % 12000);
        norvane::sim::EthernetGatewayOptions options;
        options.address = kAddress;
        options.port = static_cast<uint16_t>(GetEthernetServerPort());
        bench.gateway = std::make_unique<EthernetGateway>(options);
        nodes::NodeConfig controller;
        controller.id = kController;
        bench.controller = static_cast<nodes::SecondGenController*>(
            bench.gateway->Bus().AddNode(nodes::MakeNode(controller)));
        nodes::NodeConfig reader;
        reader.kind = nodes::NodeKind::RfidReader;
        reader.id = kReader;
        bench.reader = static_cast<nodes::RfidReader*>(bench.gateway->Bus().AddNode(nodes::MakeNode(reader)));
        if (!bench.gateway->Start()) return;

        in_addr a{};
        inet_pton(AF_INET, kAddress, &a);
        uint32_t params[10] = {0, 0, 0, 0, 1, ntohl(a.s_addr), 0, 0, 0, 0};
        KymDevInfo infos[5] = {};
        if (SearchGateway(16, params, infos, 5) != 1) return;
        uint32_t ids[126] = {};
        bench.opened = OpenGateway(kHandle, ids, 126, &bench.bitRate);
    }
    static void TearDownTestSuite() {
        CloseGateway(kHandle);
        TheBench().gateway->Stop();
        TheBench().gateway.reset();
    }
    void SetUp() override {
        ASSERT_EQ(TheBench().opened, 2) << "gateway with two nodes did not open";
        TheBench().gateway->Bus().ClearTraffic();
    }
    nodes::SecondGenController& Controller() { return *TheBench().controller; }
};

TEST_F(CommandsOnSimulator, BitRateOfTheOpenedGatewayIsTheGatewaysCode) {
    EXPECT_EQ(TheBench().bitRate, TheBench().gateway->BitRateCode());
    int32_t code = -1;
    EXPECT_EQ(GetBTR(kHandle, &code), 1);
    EXPECT_EQ(code, TheBench().gateway->BitRateCode());
}

TEST_F(CommandsOnSimulator, AdvancedMoveProfileIsWrittenAndReadBack) {
    const int32_t profile[] = {3000, 4000, 120, 150};  // acc, dec, mss, mds
    ASSERT_EQ(SetAdvMov(kHandle, kController, profile), 1);
    int32_t back[4] = {};
    ASSERT_EQ(GetAdvMov(kHandle, kController, back), 1);
    EXPECT_EQ(back[0], 3000);
    EXPECT_EQ(back[1], 4000);
    EXPECT_EQ(back[2], 120);
    EXPECT_EQ(back[3], 150);
    const auto registers = Controller().Registers();
    EXPECT_EQ(registers.acc, 3000u);
    EXPECT_EQ(registers.mds, 150);
    const auto requests = Requests();
    ASSERT_GE(requests.size(), 4u);
    EXPECT_EQ(requests[0].controlWord, 42);
    EXPECT_EQ(requests[1].controlWord, 43);
    EXPECT_EQ(requests[2].controlWord, 45);
    EXPECT_EQ(requests[3].controlWord, 44);
}

TEST_F(CommandsOnSimulator, BasicMoveSpeedIsAcknowledgedAndReadBack) {
    const int32_t move[] = {1500, -1};  // speed only
    ASSERT_EQ(SetBasicMov(kHandle, kController, move, 0), 1);
    EXPECT_EQ(Controller().Speed(), 1500);
    KymReply reply{};
    ASSERT_EQ(GetSPD(kHandle, kController, &reply), 1);
    EXPECT_EQ(reply.field[0], 1500);
    const auto requests = Requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0].controlWord, 0x87);
    EXPECT_EQ(requests[0].bytes, (std::vector<uint8_t>{0xDC, 0x05, 0, 0}));
}

TEST_F(CommandsOnSimulator, RejectedArgumentsPutNothingOnTheBus) {
    KymReply ack{};
    const int32_t skipAll[] = {-1, -1};
    EXPECT_EQ(SetQER(kHandle, kController, 16001, 1, &ack), -1);
    EXPECT_EQ(SetSQT(kHandle, kController, 199, 1, &ack), -1);
    EXPECT_EQ(SetADR(kHandle, kController, 130), -1);
    EXPECT_EQ(SetBasicMov(kHandle, kController, skipAll, 0), 1);
    EXPECT_EQ(Kym153Send(kHandle, kController, nullptr, 3), -1);
    // One answered request afterwards: everything before it has reached the bus by then.
    ASSERT_EQ(KymACK(kHandle, kController, &ack), 1);
    const auto requests = Requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].controlWord, 0x80);
}

TEST_F(CommandsOnSimulator, StreamSendGoesOutInSixByteChunks) {
    const uint8_t bytes[13] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13};
    ASSERT_EQ(Kym153Send(kHandle, kController, bytes, 13), 13);
    KymReply ack{};
    ASSERT_EQ(KymACK(kHandle, kController, &ack), 1);
    const auto requests = Requests();
    ASSERT_EQ(requests.size(), 4u);
    EXPECT_EQ(requests[0].bytes, (std::vector<uint8_t>{1, 2, 3, 4, 5, 6}));
    EXPECT_EQ(requests[1].bytes, (std::vector<uint8_t>{7, 8, 9, 10, 11, 12}));
    EXPECT_EQ(requests[2].bytes, (std::vector<uint8_t>{13}));
    for (int n = 0; n < 3; ++n) EXPECT_EQ(requests[n].controlWord, 62);
}

TEST_F(CommandsOnSimulator, RfidCardNumberAndBlockRoundTrip) {
    TheBench().reader->PlaceCard(nodes::CardType::S40, 0xC0FFEE11);
    KymReply reply{};
    ASSERT_EQ(OPR_OpenAntenna(kHandle, kReader, 1, &reply), 1);
    EXPECT_TRUE(TheBench().reader->AntennaOn());
    reply = KymReply{};
    ASSERT_EQ(OPR_FindRFID(kHandle, kReader, 1, &reply), 1);
    EXPECT_EQ(reinterpret_cast<uint8_t*>(reply.field)[9], 0) << "find failed";
    uint8_t number[4] = {};
    ASSERT_EQ(OPR_GetRFIDCardNum(kHandle, kReader, number), 1);
    EXPECT_EQ(number[0], 0x11);
    EXPECT_EQ(number[3], 0xC0);

    uint8_t block[16];
    for (int k = 0; k < 16; ++k) block[k] = static_cast<uint8_t>(0x30 + k);
    ASSERT_EQ(OPR_SetRFIDBlkData(kHandle, kReader, block), 1);
    reply = KymReply{};
    ASSERT_EQ(OPR_RFIDWrite(kHandle, kReader, 1, 1, 6, &reply), 1);
    EXPECT_EQ(reinterpret_cast<uint8_t*>(reply.field)[9], 0) << "write failed";
    const auto stored = TheBench().reader->Block(6);
    EXPECT_EQ(stored[0], 0x30);
    EXPECT_EQ(stored[15], 0x3F);

    reply = KymReply{};
    ASSERT_EQ(OPR_RFIDRead(kHandle, kReader, 1, 0, 6, &reply), 1);
    EXPECT_EQ(reinterpret_cast<uint8_t*>(reply.field)[9], 0) << "read failed";
    uint8_t back[16] = {};
    ASSERT_EQ(OPR_GetRFIDBlkData(kHandle, kReader, back), 1);
    for (int k = 0; k < 16; ++k) EXPECT_EQ(back[k], 0x30 + k) << k;
}

TEST_F(CommandsOnSimulator, SensorBlockGoesOutInOrderEndingWithStore) {
    const int32_t block[11] = {1, 2, 3, 4, 5, 6, 7, 8, 1, 0x0304, 0x0102};
    ASSERT_EQ(SetSCFG(kHandle, kController, block), 1);
    KymReply ack{};
    ASSERT_EQ(KymACK(kHandle, kController, &ack), 1);
    const auto requests = Requests();
    ASSERT_EQ(requests.size(), 6u);
    const uint8_t expected[] = {47, 47, 47, 47, 54, 0x80};
    for (int n = 0; n < 6; ++n) EXPECT_EQ(requests[n].controlWord, expected[n]) << n;
    EXPECT_EQ(requests[2].bytes, (std::vector<uint8_t>{0x04, 0x03, 3}));
}

}  // namespace
