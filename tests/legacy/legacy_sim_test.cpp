// The first-generation API against the in-process simulator: search and open of a
// first-generation Ethernet gateway over real TCP, and each family of settings changing and
// reading back a simulated first-generation controller.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>
#include <memory>
#include <string>

#include "norvane/NorvaneFunc.h"
#include "sdk/api/node_locks.h"
#include "sdk/core/gateway_registry.h"
#include "sim/ethernet_gateway.h"
#include "sim/nodes/first_gen_controller.h"

namespace {

using norvane::sim::EthernetGateway;
namespace nodes = norvane::sim::nodes;

constexpr const char* kAddress = "127.0.0.41";
constexpr uint32_t kHandle = 0x200000;
constexpr uint32_t kNode = 5;

uint32_t HostAddress(const char* text) {
    in_addr a{};
    inet_pton(AF_INET, text, &a);
    return ntohl(a.s_addr);
}

struct Bench {
    std::unique_ptr<EthernetGateway> gateway;
    nodes::FirstGenController* controller = nullptr;
    KymSearchRecord found{};
    int searched = 0;
    int opened = 0;
    KymNodeRecord nodes[8] = {};
};

Bench& TheBench() {
    static Bench bench;
    return bench;
}

// One simulated gateway per test process (ctest runs them side by side): its own server port.
void StartSimulator(Bench& bench) {
    SetSerialTransmissision(0);
    SetEthernetServerPort(20000 + static_cast<uint32_t>(getpid()) % 12000);
    norvane::sim::EthernetGatewayOptions options;
    options.address = kAddress;
    options.port = static_cast<uint16_t>(GetEthernetServerPort());
    bench.gateway = std::make_unique<EthernetGateway>(options);
    bench.controller = static_cast<nodes::FirstGenController*>(
        bench.gateway->Bus().AddNode(std::make_unique<nodes::FirstGenController>(kNode)));
    bench.gateway->Bus().AddNode(std::make_unique<nodes::FirstGenController>(7));
}

class FirstGenOnSimulator : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        Bench& bench = TheBench();
        StartSimulator(bench);
        if (!bench.gateway->Start()) return;
        KymSearchRecord records[5] = {};
        records[0].address = HostAddress(kAddress);
        bench.searched = SearchGateWay(0x2000, records, 5);
        bench.found = records[0];
        bench.opened = OpenGateWay(kHandle, bench.nodes, 8, nullptr);
    }
    static void TearDownTestSuite() {
        CloseGateWay(kHandle);
        TheBench().gateway->Stop();
        TheBench().gateway.reset();
    }
    void SetUp() override {
        ASSERT_EQ(TheBench().opened, 2) << "first-generation gateway with two nodes did not open";
    }
    nodes::FirstGenController& Controller() { return *TheBench().controller; }
};

}  // namespace

TEST_F(FirstGenOnSimulator, SearchFillsTheRecordAndOpenListsTheNodes) {
    const Bench& bench = TheBench();
    EXPECT_EQ(bench.searched, 1);
    EXPECT_EQ(bench.found.handle, 0x200000u);
    EXPECT_EQ(bench.found.filled, 1);
    EXPECT_STREQ(bench.found.name, "KYM127.0..41 Version 261");  // a zero third octet prints as nothing
    EXPECT_EQ(bench.nodes[0].nodeId, 5u);
    EXPECT_EQ(bench.nodes[1].nodeId, 7u);
    EXPECT_TRUE(norvane::sdk::NodeLocksExist());
}

TEST_F(FirstGenOnSimulator, CommunicationSettings) {
    KymReply ack{};
    ASSERT_EQ(SetPP(kHandle, kNode, 8, 2, 1, &ack), 1);
    EXPECT_EQ(Controller().CommSetting(8), 2);
    KymReply reply{};
    ASSERT_EQ(GetComm_CAN_Slave(kHandle, kNode, &reply), 1);
    EXPECT_EQ(reply.field[1], 3);  // index 5: the bit-rate code
    EXPECT_EQ(reply.field[2], 2);  // index 8
    EXPECT_EQ(Comm_Update(kHandle, kNode, 4, 1, &ack), 0);
}

TEST_F(FirstGenOnSimulator, PowerUpAndInterruptFlags) {
    uint32_t flags = 0b101000011;
    uint32_t answered = 0;
    ASSERT_EQ(SetPowerUpCfg(kHandle, kNode, &flags, 1, &answered), 1);
    KymReply read{};
    ASSERT_EQ(GetPowerUpCfg(kHandle, kNode, &read), 1);
    EXPECT_EQ(read.field[0] & 0x1FF, 0b101000011);
    uint32_t interrupts = 0b111100001001;
    ASSERT_EQ(SetInterruptCfg(kHandle, kNode, &interrupts, 0, nullptr), 1);
    uint32_t back = 0;
    ASSERT_EQ(GetInterruptCfg(kHandle, kNode, &back), 1);
    EXPECT_EQ(back, 0b111100001001u);
}

TEST_F(FirstGenOnSimulator, MotorParametersAndMotion) {
    int32_t motor[4] = {32, 25, 60, 1};
    KymReply ack{};
    ASSERT_EQ(SetMotorPara(kHandle, kNode, motor, 1, &ack), 1);
    EXPECT_EQ(Controller().MotorParameter(2), 60);
    KymReply read{};
    ASSERT_EQ(GetMotorPara(kHandle, kNode, &read), 1);
    EXPECT_EQ(read.field[0], 32);
    EXPECT_EQ(read.field[3], 1);
    ASSERT_EQ(SetPTPSpeed(kHandle, kNode, 2500, 1, &ack), 1);
    EXPECT_EQ(Controller().PtpSpeed(), 2500);
    ASSERT_EQ(SetMotorOn(kHandle, kNode, 1, 1, &ack), 1);
    EXPECT_TRUE(Controller().MotorOn());
    ASSERT_EQ(SetMotorOn(kHandle, kNode, 0, 0, nullptr), 1);
}

TEST_F(FirstGenOnSimulator, PvtParametersAndPoints) {
    int32_t para[4] = {10, 200, 3, 5};
    ASSERT_EQ(SetPVTMotionPara(kHandle, kNode, para, 0, nullptr), 1);
    KymReply read{};
    ASSERT_EQ(GetPVTMotionPara(kHandle, kNode, &read), 1);
    EXPECT_EQ(read.field[0], 10);
    EXPECT_EQ(read.field[1], 200);
    EXPECT_EQ(read.field[3], 5);
    int32_t point[4] = {123456, 40, 200, 7};
    ASSERT_EQ(SetPVTPoint(kHandle, kNode, 17, point, 1, &read), 1);
    KymReply back{};
    ASSERT_EQ(GetPVTPoint(kHandle, kNode, 17, &back), 1);
    EXPECT_EQ(back.field[0], 123456);
    EXPECT_EQ(back.field[1], 40);
    EXPECT_EQ(back.field[2], 200);
    EXPECT_EQ(back.field[3], 7);
}

TEST_F(FirstGenOnSimulator, EncoderLimitsAndOutputs) {
    int32_t encoder[2] = {4000, 500};
    ASSERT_EQ(SetEncoderCfg(kHandle, kNode, encoder, 0, nullptr), 1);
    KymReply read{};
    ASSERT_EQ(GetEncoderCfg(kHandle, kNode, &read), 1);
    EXPECT_EQ(read.field[0], 4000);
    EXPECT_EQ(read.field[1], 500);
    int32_t limits[3] = {-1000, 1000, 50};
    ASSERT_EQ(SetMoveLimitCfg(kHandle, kNode, limits, 0, nullptr), 1);
    KymReply limitsBack{};
    ASSERT_EQ(GetMoveLimitCfg(kHandle, kNode, &limitsBack), 1);
    EXPECT_EQ(limitsBack.field[0], -1000);
    EXPECT_EQ(limitsBack.field[2], 50);
    uint32_t outputs = 0x00A5;
    ASSERT_EQ(SetIOOutput(kHandle, kNode, &outputs, 0, nullptr), 1);
    KymReply io{};
    ASSERT_EQ(GetIOOutput(kHandle, kNode, &io), 1);
    EXPECT_EQ(io.field[0], 0xA5);
}

TEST_F(FirstGenOnSimulator, OperationsAndFirmwareLines) {
    KymReply ack{};
    ASSERT_EQ(OPR_UFQSetGroupID(kHandle, kNode, 90, 1, &ack), 1);
    EXPECT_EQ(Controller().UfqGroup(), 90);
    KymReply group{};
    ASSERT_EQ(OPR_UFQGetGroupID(kHandle, kNode, 1, &group), 1);
    EXPECT_EQ(reinterpret_cast<const uint8_t*>(group.field)[8], 90);
    ASSERT_EQ(OPR_ServoSetValue(kHandle, kNode, 0x0102, 0x00345678, 0, nullptr), 1);
    EXPECT_EQ(OPR_ServoGetValue(kHandle, kNode, 0x0102, 0, nullptr), 0x345678);
    const int before = Controller().FirmwareLines();
    ASSERT_EQ(UpdateFirmwareLine(kHandle, kNode, "ZFx0102030405060708\r\n", 0, nullptr), 1);
    ASSERT_EQ(UpdateFirmwareLine(kHandle, kNode, ":1", 0, nullptr), 1);
    EXPECT_EQ(Controller().FirmwareLines(), before + 1);
}

// A second-generation search on the same gateway: port 1 of kind 16 and the firmware number.
TEST(FirstGenSearch, SecondGenerationEthernetSearchRecord) {
    Bench bench;
    StartSimulator(bench);
    ASSERT_TRUE(bench.gateway->Start());
    KymSearchRecord records[5] = {};
    records[0].address = HostAddress(kAddress);
    ASSERT_EQ(SearchGateWay(0x10, records, 5), 1);
    EXPECT_EQ(records[0].handle, 0x1001u);
    const std::string name = records[0].name;
    EXPECT_EQ(name.substr(name.size() - std::strlen(" Version 261")), " Version 261");
    EXPECT_EQ(CloseGateWay(0x1001), 1);
    EXPECT_EQ(norvane::sdk::GatewayAt(norvane::sdk::GatewaySlot::Ethernet), nullptr);
    bench.gateway->Stop();
}
