// The UART port and gateway against the emulated UART gateway on a pseudo-terminal.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>
#include <vector>

#include "sdk/serial/uart_gateway.h"
#include "tests/serial/serial_fixture.h"

using norvane::sdk::CUartCAN;
using norvane::testing::SerialBench;

namespace {

constexpr uint32_t kHandle = 0x2000;
constexpr uint8_t kSpdWithAnswer = 0x87;

struct OpenUart {
    SerialBench bench;
    norvane::sim::Rs232Gateway& emulator = bench.Add(2, 115200, true);
    CUartCAN gateway{32};

    OpenUart() {
        gateway.searchFlag = 2;
        gateway.SearchPorts(nullptr, 5);
        gateway.OpenPort(0, nullptr, 0, nullptr);
    }
    int Set(uint32_t node, int32_t value) {
        KymReply reply{};
        return gateway.SetCommand(kHandle, node, kSpdWithAnswer, 0, &value, &reply);
    }
    int32_t Get(uint32_t node) {
        KymReply reply{};
        return gateway.GetCommand(kHandle, node, kSpdWithAnswer, 0, &reply) == 1 ? reply.field[0] : -999999;
    }
};

}  // namespace

TEST(UartSearch, WithoutFixedPortTakesCom1WithoutTouchingIt) {
    SerialBench bench;
    bench.AddMissing(1);  // COM1 leads nowhere: any I/O would fail the search
    CUartCAN gateway(32);
    KymSearchRecord records[2] = {};
    EXPECT_EQ(gateway.SearchPorts(records, 2), 1);
    EXPECT_EQ(gateway.UartPort(0)->PortNumber(), 1);
    EXPECT_FALSE(gateway.UartPort(0)->LineOpen());
    EXPECT_STREQ(records[0].name, "KYM0000,VER 0,,0");  // identity unknown until a probe
    EXPECT_EQ(records[1].filled, 0);
}

TEST(UartProbe, LearnsTheIdentityAndBitRateAtThePortsRate) {
    SerialBench bench;
    bench.Add(2, 115200, true);
    CUartCAN gateway(32);
    gateway.searchFlag = 2;
    ASSERT_EQ(gateway.SearchPorts(nullptr, 5), 1);
    auto port = gateway.UartPort(0);
    port->probeWaitMs = 50;
    EXPECT_EQ(port->Probe(), 1);
    EXPECT_EQ(port->modelNumber, 0x1807u);
    EXPECT_EQ(port->firmwareNumber, 1802u);
    EXPECT_EQ(port->bitRateCode, 2u);
    EXPECT_EQ(port->displayName, "COM2");
    EXPECT_EQ(port->ProbeLegacy(), 1);
    EXPECT_EQ(port->kind, 16384u);
    EXPECT_FALSE(port->LineOpen());
}

TEST(UartGateway, SetsGetsAndRegistersThroughPackets) {
    OpenUart uart;
    EXPECT_EQ(uart.Set(5, 4321), 1);
    EXPECT_EQ(uart.Get(5), 4321);
    uart.emulator.SendRaw({0x00, 0xC5, 0x13});  // noise between frames
    uart.emulator.Faults().SplitAnswers(1, 10);
    EXPECT_EQ(uart.Set(9, -8), 1);
    EXPECT_EQ(uart.Get(9), -8);
    KymNodeRecord records[4] = {};
    EXPECT_EQ(uart.gateway.RegisterNodes(kHandle, records, 4), 2);
    EXPECT_EQ(records[0].nodeId, 5u);
    EXPECT_EQ(records[1].nodeId, 9u);
}

TEST(UartGateway, GatewayErrorFrameIsFiledForTheNodeItNames) {
    OpenUart uart;
    uart.emulator.Faults().AnswerWithError(5);
    EXPECT_EQ(uart.Set(9, 1), -5);
    EXPECT_EQ(uart.Set(9, 2), 1);
}

TEST(UartGateway, FlowControlNoticeBelowTenPausesTheNextRequestOnce) {
    OpenUart uart;
    auto port = uart.gateway.UartPort(0);
    // A request straight to the port (which does not pause) makes sure the notice, ahead of its
    // answer on the line, has been taken in.
    auto settle = [&] {
        int32_t value = 1;
        KymReply reply{};
        ASSERT_EQ(port->SetCommand(kHandle, 5, kSpdWithAnswer, 0, &value, &reply), 1);
    };
    const struct {
        uint16_t value;
        uint32_t pauseMs;
    } cases[] = {{3, 7}, {12, 0}, {0, 10}, {9, 1}};
    for (const auto& c : cases) {
        uart.emulator.SendFlowControl(c.value);
        settle();
        EXPECT_EQ(port->TakePause(), c.pauseMs) << c.value;
        EXPECT_EQ(port->TakePause(), 0u) << "only once";
    }
    // The gateway's requests take the pause before they send.
    uart.emulator.SendFlowControl(3);
    settle();
    EXPECT_EQ(uart.Get(5), 1);
    EXPECT_EQ(port->TakePause(), 0u);
}

TEST(UartGateway, OutputLevelAndStoreAnswersCarryTheirValueInTheControlWord) {
    OpenUart uart;
    auto port = uart.gateway.UartPort(0);
    port->timing.getTimeoutMs = port->timing.setTimeoutMs = 2000;
    uart.emulator.Faults().SetSilent(true);  // the node's own answers stay away; the case's frame answers
    // Control word exactly 4: one data byte, bit 7 of the control word (0); exactly 0x36: one data
    // byte, the control word itself; with bit 7 set (0x84, 0xB6) the frame's data stands.
    const struct {
        uint8_t request;
        std::vector<uint8_t> frame;  // UART reply frame from node 5
        int32_t field0;
    } cases[] = {
        {0x84, {0x80, 0x05, 0x04, 0x01, 0xC0}, 0}, {0x84, {0x80, 0x05, 0x04, 0x01, 0x07, 0xC0}, 0},
        {0x84, {0x82, 0x05, 0x04, 0x01, 0xC0}, 1}, {0xB6, {0x80, 0x05, 0x36, 0x03, 0xC0}, 0x36},
        {0xB6, {0x82, 0x05, 0x36, 0x03, 0xC0}, 3},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.frame));
        std::thread answer([&] {
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            uart.emulator.SendRaw(c.frame);
        });
        KymReply reply{};
        reply.field[0] = -1;
        const int32_t slot = 3;
        const int result = c.request == 0x84
                               ? uart.gateway.GetCommand(kHandle, 5, c.request, 0, &reply)
                               : uart.gateway.SetCommand(kHandle, 5, c.request, 0, &slot, &reply);
        answer.join();
        EXPECT_EQ(result, 1);
        EXPECT_EQ(reply.field[0], c.field0);
    }
}
