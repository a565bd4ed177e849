// Multi-step first-generation exports: order of their requests, where each answer lands, how
// a failing step ends them, and the exports whose result depends on the answer.
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>

#include "legacy_gateway_fake.h"
#include "norvane/NorvaneFunc.h"

using namespace norvane::testing;
using norvane::sdk::GatewaySlot;

namespace {

constexpr uint32_t H = 0x200000;

struct Step {
    bool set;
    uint8_t controlWord;
    int index;
    std::vector<uint8_t> bytes;
};

void ExpectSteps(const std::vector<Sent>& sent, const std::vector<Step>& steps, const char* what) {
    ASSERT_EQ(sent.size(), steps.size()) << what;
    for (size_t i = 0; i < steps.size(); ++i) {
        EXPECT_EQ(sent[i].set, steps[i].set) << what << " step " << i;
        EXPECT_EQ(sent[i].controlWord, steps[i].controlWord) << what << " step " << i;
        EXPECT_EQ(sent[i].index, steps[i].index) << what << " step " << i;
        EXPECT_EQ(sent[i].bytes, steps[i].bytes) << what << " step " << i;
    }
}

// Answers every request with field 0 = index * 10 + command number.
int EchoIndex(const Sent& sent, KymReply* out) {
    if (out != nullptr) out->field[0] = sent.index * 10 + (sent.controlWord & 0x7F);
    return 1;
}

class LegacyMultiStep : public ::testing::Test {
protected:
    RegistryScope scope;
    std::shared_ptr<LegacyFakeGateway> gateway = scope.Install(GatewaySlot::LegacyEthernet);
};

}  // namespace

TEST_F(LegacyMultiStep, SetsSendTheirStepsInOrder) {
    int32_t slave[4] = {0, 6, 7, 8};
    EXPECT_EQ(SetComm_CAN_Slave(H, 5, slave, 0, nullptr), 1);
    ExpectSteps(gateway->Requests(),
                {{true, 0x01, 5, {0x05, 0x06}}, {true, 0x01, 8, {0x08, 0x07}}, {true, 0x01, 6, {0x06, 0x08}}},
                "SetComm_CAN_Slave");
    gateway->Clear();
    int32_t motor[4] = {1, 2, 3, 4};
    EXPECT_EQ(SetMotorPara(H, 5, motor, 0, nullptr), 1);
    ExpectSteps(gateway->Requests(),
                {{true, 0x10, 0, {0x00, 0x01, 0x00}},
                 {true, 0x10, 1, {0x01, 0x02, 0x00}},
                 {true, 0x10, 2, {0x02, 0x03, 0x00}},
                 {true, 0x10, 3, {0x03, 0x04, 0x00}}},
                "SetMotorPara");
    gateway->Clear();
    EXPECT_EQ(UFQSetMotorPara(H, 5, motor, 0, nullptr), 1);
    ExpectSteps(gateway->Requests(),
                {{true, 0x10, 1, {0x01, 0x01, 0x00}}, {true, 0x10, 2, {0x02, 0x02, 0x00}}},
                "UFQSetMotorPara");
    gateway->Clear();
    int32_t pvt[4] = {10, 20, 30, 40};
    EXPECT_EQ(SetPVTMotionPara(H, 5, pvt, 0, nullptr), 1);
    ExpectSteps(gateway->Requests(),
                {{true, 0x22, 2, {0x02, 0x14, 0x00}},
                 {true, 0x22, 1, {0x01, 0x0A, 0x00}},
                 {true, 0x22, 3, {0x03, 0x1E, 0x00}},
                 {true, 0x22, 5, {0x05, 0x28, 0x00}}},
                "SetPVTMotionPara");
    gateway->Clear();
    int32_t point[4] = {0x100, 0x200, 0x300, 0x400};
    EXPECT_EQ(SetPVTPoint(H, 5, 3, point, 0, nullptr), 1);
    ExpectSteps(gateway->Requests(),
                {{true, 0x25, 3, {0x03, 0x00, 0x00, 0x01, 0x00, 0x00}},
                 {true, 0x26, 3, {0x03, 0x00, 0x00, 0x02, 0x00, 0x00}},
                 {true, 0x27, 3, {0x03, 0x00, 0x00, 0x03}},
                 {true, 0x28, 3, {0x03, 0x00, 0x00, 0x04}}},
                "SetPVTPoint");
    gateway->Clear();
    int32_t upvt[3] = {0x04030201, 0, 0x0605};
    EXPECT_EQ(SetUPVTPoint(H, 5, 2, upvt, 0, nullptr), 1);
    EXPECT_EQ(ClearPVTPara(H, 5, 0), 1);
    EXPECT_EQ(StorePVT(H, 5, 1), 1);
    ExpectSteps(gateway->Requests(),
                {{true, 0x29, 2, {0x02, 0x00, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06}},
                 {true, 0x22, 0, {0x00, 0x01, 0x00}},
                 {true, 0xA2, 0, {0x00, 0x02, 0x00}}},
                "UPVT, clear, store");
    gateway->Clear();
    int32_t encoder[2] = {1000, 200};
    EXPECT_EQ(SetEncoderCfg(H, 5, encoder, 0, nullptr), 1);
    int32_t limits[3] = {1, 2, 3};
    EXPECT_EQ(SetMoveLimitCfg(H, 5, limits, 0, nullptr), 1);
    ExpectSteps(gateway->Requests(),
                {{true, 0x3D, 0, {0x00, 0xE8, 0x03}},
                 {true, 0x3D, 1, {0x01, 0xC8, 0x00}},
                 {true, 0x2C, 0, {0x00, 0x01, 0, 0, 0}},
                 {true, 0x2C, 1, {0x01, 0x02, 0, 0, 0}},
                 {true, 0x2C, 2, {0x02, 0x03, 0, 0, 0}}},
                "encoder and limits");
}

TEST_F(LegacyMultiStep, AcknowledgedStepsFillSuccessiveWords) {
    gateway->responder = EchoIndex;
    int32_t motor[4] = {1, 2, 3, 4};
    KymReply ack{};
    ack.field[4] = 77;
    EXPECT_EQ(SetMotorPara(H, 5, motor, 1, &ack), 1);
    EXPECT_EQ(ack.field[0], 16);
    EXPECT_EQ(ack.field[1], 26);
    EXPECT_EQ(ack.field[2], 36);
    EXPECT_EQ(ack.field[3], 46);
    EXPECT_EQ(ack.field[4], 77);
    for (const Sent& sent : gateway->Requests()) EXPECT_EQ(sent.controlWord, 0x90);
}

TEST_F(LegacyMultiStep, GetsReadEachIndexIntoItsWord) {
    gateway->responder = EchoIndex;
    KymReply out{};
    EXPECT_EQ(GetComm_CAN_Slave(H, 5, &out), 1);
    EXPECT_EQ(out.field[0], 71);
    EXPECT_EQ(out.field[1], 51);
    EXPECT_EQ(out.field[2], 81);
    EXPECT_EQ(out.field[3], 61);
    KymReply master{};
    EXPECT_EQ(GetComm_CAN_Master(H, 5, &master), 1);
    EXPECT_EQ(master.field[0], 71);
    EXPECT_EQ(master.field[1], 51);
    KymReply pvt{};
    EXPECT_EQ(GetPVTMotionPara(H, 5, &pvt), 1);
    EXPECT_EQ(pvt.field[0], 10 + 34);
    EXPECT_EQ(pvt.field[1], 20 + 34);
    EXPECT_EQ(pvt.field[2], 30 + 34);
    EXPECT_EQ(pvt.field[3], 50 + 34);
    KymReply point{};
    EXPECT_EQ(GetPVTPoint(H, 5, 4, &point), 1);
    EXPECT_EQ(point.field[0], 40 + 37);
    EXPECT_EQ(point.field[3], 40 + 40);
    KymReply encoder{}, limits{}, motor{};
    EXPECT_EQ(GetEncoderCfg(H, 5, &encoder), 1);
    EXPECT_EQ(encoder.field[1], 10 + 61);
    EXPECT_EQ(GetMoveLimitCfg(H, 5, &limits), 1);
    EXPECT_EQ(limits.field[2], 20 + 44);
    EXPECT_EQ(UFQGetMotorPara(H, 5, &motor), 1);
    EXPECT_EQ(motor.field[0], 10 + 16);
    EXPECT_EQ(motor.field[1], 20 + 16);
}

TEST_F(LegacyMultiStep, NegativeStepEndsTheExportAndAMissedAnswerIsReported) {
    gateway->responder = [](const Sent& sent, KymReply*) { return sent.index == 1 ? -5 : 1; };
    int32_t motor[4] = {1, 2, 3, 4};
    EXPECT_EQ(SetMotorPara(H, 5, motor, 1, nullptr), -5);
    EXPECT_EQ(gateway->Requests().size(), 2u);
    gateway->Clear();
    KymReply out{};
    gateway->responder = [](const Sent& sent, KymReply*) { return sent.index == 2 ? 0 : 1; };
    EXPECT_EQ(GetPVTMotionPara(H, 5, &out), 0);
    EXPECT_EQ(gateway->Requests().size(), 4u);
}

TEST_F(LegacyMultiStep, PowerUpSendsOnlyChangedFlags) {
    const uint32_t current = 0b000000101;
    gateway->responder = [current](const Sent& sent, KymReply* out) {
        if (!sent.set && out != nullptr) {
            out->field[0] = static_cast<int32_t>((current >> sent.index) & 1) | 0x80;
        }
        if (sent.set && out != nullptr) out->field[0] = sent.bytes.size() > 1 ? sent.bytes[1] : 0;
        return 1;
    };
    KymReply read{};
    EXPECT_EQ(GetPowerUpCfg(H, 5, &read), 1);
    EXPECT_EQ(read.field[0] & 0x1FF, 0b000000101);
    gateway->Clear();
    uint32_t wanted = 0b100000110;
    uint32_t answered = 0xF000;
    EXPECT_EQ(SetPowerUpCfg(H, 5, &wanted, 1, &answered), 1);
    std::vector<Sent> sets;
    for (const Sent& sent : gateway->Requests()) {
        if (sent.set) sets.push_back(sent);
    }
    ExpectSteps(sets,
                {{true, 0x86, 0, {0x00, 0x00}}, {true, 0x86, 1, {0x01, 0x01}}, {true, 0x86, 8, {0x08, 0x01}}},
                "SetPowerUpCfg");
    EXPECT_EQ(answered, 0xF000u | 0b100000010);
}

TEST_F(LegacyMultiStep, InterruptFlagsDependOnTheNode) {
    uint32_t flags = 0xFFF;
    EXPECT_EQ(SetInterruptCfg(H, 2, &flags, 0, nullptr), 1);
    std::vector<int> indexes;
    for (const Sent& sent : gateway->Requests()) indexes.push_back(sent.index);
    EXPECT_EQ(indexes, (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7}));
    gateway->Clear();
    gateway->responder = [](const Sent& sent, KymReply* out) {
        if (out != nullptr) out->field[0] = sent.index == 9 ? 1 : 0;
        return 1;
    };
    uint32_t read = 0x10000;
    EXPECT_EQ(GetInterruptCfg(H, 9, &read), 1);
    indexes.clear();
    for (const Sent& sent : gateway->Requests()) indexes.push_back(sent.index);
    EXPECT_EQ(indexes, (std::vector<int>{0, 1, 2, 3, 8, 9, 10, 11}));
    EXPECT_EQ(read, 0x10000u | (1u << 9));
}

TEST_F(LegacyMultiStep, UnlockAndRebootSendOperationThenSystemCommand) {
    KymReply ack{};
    EXPECT_EQ(SystemReboot(H, 5, 1, &ack), 1);
    EXPECT_EQ(SystemUnlock(H, 5, 0, nullptr), 1);
    ExpectSteps(gateway->Requests(),
                {{true, 0x51, 0, {0x02, 0x00, 0x00}},
                 {true, 0xFE, 0, {0x01, 0x00}},
                 {true, 0x51, 0, {0x02, 0x00, 0x00}},
                 {true, 0x7E, 0, {0x00, 0x00}}},
                "reboot, unlock");
}

TEST_F(LegacyMultiStep, StreamBytesGoInChunksOfSix) {
    const uint8_t bytes[13] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13};
    EXPECT_EQ(Kym8143Send(H, 5, bytes, 13), 13);
    ExpectSteps(
        gateway->Requests(),
        {{true, 0x55, 0, {1, 2, 3, 4, 5, 6}}, {true, 0x55, 0, {7, 8, 9, 10, 11, 12}}, {true, 0x55, 0, {13}}},
        "Kym8143Send");
    gateway->Clear();
    EXPECT_EQ(Kym8143Send(H, 5, bytes, 12), 12);
    EXPECT_EQ(gateway->Requests().size(), 2u);
    gateway->responder = [](const Sent&, KymReply*) { return -1; };
    EXPECT_EQ(Kym8143Send(H, 5, bytes, 13), -1);
}

TEST_F(LegacyMultiStep, OperationAnswersDecideTheResult) {
    // Answers in the decoded operation layout: bytes 0-1, count word, further bytes from 8.
    auto answerWith = [](std::vector<uint8_t> further) {
        return [further](const Sent&, KymReply* out) {
            if (out == nullptr) return 1;
            out->field[1] = static_cast<int32_t>(further.size());
            std::memcpy(reinterpret_cast<uint8_t*>(out->field) + 8, further.data(), further.size());
            return 1;
        };
    };
    gateway->responder = answerWith({0x02, 0x01, 0x56, 0x34, 0x12});
    EXPECT_EQ(OPR_ServoGetValue(H, 5, 0x0102, 0, nullptr), 0x123456);
    EXPECT_EQ(gateway->Requests().back().controlWord, 0xD1);
    EXPECT_EQ(gateway->Requests().back().bytes, (std::vector<uint8_t>{0x03, 0x01, 0x02, 0x01}));
    EXPECT_EQ(OPR_ServoGetValue(H, 5, 0x0103, 0, nullptr), -1);
    gateway->responder = answerWith({0x07});
    KymReply ack{};
    EXPECT_EQ(OPR_UFQStateCheck(H, 5, 0, &ack), 7);
    EXPECT_EQ(ack.field[1], 1);
    EXPECT_EQ(OPR_ResetCommand(H, 5, 7, 1, &ack), 1);
    EXPECT_EQ(OPR_ResetCommand(H, 5, 6, 1, &ack), -1);
    gateway->responder = answerWith({0x07, 0x08});
    EXPECT_EQ(OPR_UFQStateCheck(H, 5, 0, nullptr), -1);
    gateway->responder = answerWith({0x01});
    EXPECT_EQ(OPR_ServoAuthorization(H, 5, 1, 1, &ack), 1);
    EXPECT_EQ(OPR_ServoAuthorization(H, 5, 0, 1, &ack), -1);
    gateway->responder = [](const Sent&, KymReply*) { return 0; };
    EXPECT_EQ(OPR_ServoGetValue(H, 5, 0x0102, 0, nullptr), 0);
}

TEST(LegacyGenerations, IoOutputAndInterruptEnableFollowTheHandleKind) {
    RegistryScope scope;
    auto second = scope.Install(GatewaySlot::Ethernet);
    auto first = scope.Install(GatewaySlot::LegacyEthernet);
    second->responder = [](const Sent&, KymReply* out) {
        if (out != nullptr) out->field[0] = 0x1234;
        return 1;
    };
    uint32_t data = 0x00CD00AB;
    KymReply ack{};
    EXPECT_EQ(SetIOOutput(0x1001, 3, &data, 1, &ack), 1);
    EXPECT_EQ(SetIOOutput(0x1001, 1, &data, 0, nullptr), 1);
    EXPECT_EQ(SetIOOutput(0x1001, 3, nullptr, 0, nullptr), -1);
    ExpectSteps(second->Requests(),
                {{true, 0xC8, 1, {0xAB, 0xCD}}, {true, 0x4D, 0, {0xAB, 0x00, 0xCD, 0x00}}},
                "second-generation SetIOOutput");
    const auto* halves = reinterpret_cast<const uint16_t*>(ack.field);
    EXPECT_EQ(halves[0], 0x34);
    EXPECT_EQ(halves[1], 0x12);
    second->Clear();
    KymReply out{};
    EXPECT_EQ(GetIOOutput(0x1001, 3, &out), 1);
    halves = reinterpret_cast<const uint16_t*>(out.field);
    EXPECT_EQ(halves[0], 0x34);
    EXPECT_EQ(halves[1], 0x12);
    EXPECT_EQ(GetGWIOOutput(0x1001, &out), 1);
    EXPECT_EQ(SetGWIE(0x1001, &data, 0, nullptr), 1);
    EXPECT_EQ(GetInterruptEnable(0x1001, 4, 2, &out), 1);
    ExpectSteps(second->Requests(),
                {{false, 0xC8, 1, {}},
                 {false, 0xCD, 0, {}},
                 {true, 0x4E, 0, {0xAB, 0x00, 0xCD, 0x00}},
                 {false, 0xCE, 2, {0x02}}},
                "second-generation reads");
    EXPECT_EQ(GetInterruptEnable(H, 4, 2, &out), 1);
    EXPECT_EQ(GetGWIE(H, 3, &out), 1);
    ExpectSteps(first->Requests(), {{false, 0x87, 2, {0x02}}, {false, 0x87, 3, {0x03}}},
                "first-generation reads");
    EXPECT_EQ(first->Requests()[1].node, 1u);
    EXPECT_EQ(GetIOOutput(0x040000, 3, &out), -1);
    EXPECT_EQ(SetIOOutput(0x800000, 3, &data, 0, nullptr), -1);
}

TEST(LegacyGenerations, SerialCommunicationNeedsTheSerialPortZeroHandle) {
    RegistryScope scope;
    auto serial = scope.Install(GatewaySlot::Serial);
    EXPECT_EQ(SetComm_RS232(0x10000, 5, 9600, 0, nullptr), 1);
    EXPECT_EQ(SetComm_RS232(0x100, 5, 9600, 0, nullptr), -1);
    ASSERT_EQ(serial->Requests().size(), 1u);
    EXPECT_EQ(serial->Requests()[0].bytes, (std::vector<uint8_t>{0x01, 0x80}));
}

TEST(LegacyRaw, RawTrafficReachesTheGatewayOfTheKind) {
    RegistryScope scope;
    auto ethernet = scope.Install(GatewaySlot::LegacyEthernet);
    auto zone = scope.Install(GatewaySlot::Zone);
    auto usb = scope.Install(GatewaySlot::Usb);
    EXPECT_EQ(SendRS232CmdStr(H, "ABC;", 4), 4);
    EXPECT_EQ(ethernet->raw, (std::vector<std::string>{"ABC;"}));
    EXPECT_EQ(SendRS232CmdStr(0x040000, "ABC;", 4), -1);
    EXPECT_EQ(SendRS232CmdStr(H, nullptr, 4), -1);
    KymCanMsg message{};
    int count = 0;
    EXPECT_EQ(NvSendSingleCANCmd(H, &message, nullptr, 0, &count), 5);
    EXPECT_EQ(NvSendSingleCANCmd(0x400000, &message, nullptr, 0, &count), -1);
    EXPECT_EQ(SendFloatballCmd(0x800002, &message, nullptr, 0, &count), 5);
    uint8_t buffer[8];
    EXPECT_EQ(Kym8143Recv(0x100002, 5, buffer, 8), 8);
    EXPECT_EQ(Kym8143Recv(0x0402, 5, buffer, 8), 8);
    // Only the UART kinds turn an identifier into a command text.
    EXPECT_EQ(SendSingleCANCmd(H, 0x8B), 8192);
    EXPECT_EQ(SendSingleCANCmd(0x2000, 0x8B), -1);
    auto uart = scope.Install(GatewaySlot::Uart);
    EXPECT_GT(SendSingleCANCmd(0x400000, 0x0508008B), 0);
    ASSERT_EQ(uart->raw.size(), 1u);
}
