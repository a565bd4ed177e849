// First-generation RS-232 and UART gateways against their emulators on pseudo-terminals: the
// registration broadcast chosen by the gateway's firmware, naming, the answer-node rule of an
// address change, device errors, the UART's address-change report and the shortcut export.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "norvane/NorvaneFunc.h"
#include "platform/clock.h"
#include "sdk/serial/uart_gateway.h"
#include "sim/reply_frames.h"
#include "tests/serial/serial_fixture.h"

using norvane::sdk::CSerialLineGateway;
using norvane::sdk::CSerialPortCAN;
using norvane::sdk::CUartCAN;
using norvane::testing::SerialBench;

namespace {

constexpr uint32_t kRs232Handle = 0x10000;
constexpr uint32_t kUartHandle = 0x400000;
constexpr uint8_t kPpWithAnswer = 0x81, kSerialWithAnswer = 0x8C;

struct Gen1 {
    bool uart;
    uint32_t firmware;
    int com;
};

// An opened first-generation gateway with controllers at 5 and 9.
struct OpenGen1 {
    explicit OpenGen1(const Gen1& c)
        : emulator(bench.Add(c.com, c.uart ? 115200 : 57600, c.uart, 1, c.firmware)),
          handle(c.uart ? kUartHandle : kRs232Handle) {
        if (c.uart) {
            gateway = std::make_unique<CUartCAN>(16384);
        } else {
            auto serial = std::make_unique<CSerialPortCAN>(256);
            serial->probeTiming = SerialBench::FastProbe();
            gateway = std::move(serial);
        }
        gateway->searchFlag = static_cast<uint32_t>(c.com);
        gateway->searchValue = c.uart ? 0 : 57600;
        KymSearchRecord search[5] = {};
        found = gateway->SearchPorts(search, 5);
        name = search[0].name;
        // The UART's 200 ms get window is tight for a loaded machine under a sanitizer.
        if (c.uart && found == 1) gateway->LinePort(0)->timing.getTimeoutMs = 1000;
        opened = gateway->OpenPort(0, records, 126, &rate);
    }
    int SetPp(uint32_t node, int index, int32_t value) {
        KymReply reply{};
        return gateway->SetCommand(handle, node, kPpWithAnswer, index, &value, &reply);
    }
    int32_t GetPp(uint32_t node, int index) {
        KymReply reply{};
        return gateway->GetCommand(handle, node, kPpWithAnswer, index, &reply) == 1 ? reply.field[0] : -999;
    }

    SerialBench bench;
    norvane::sim::Rs232Gateway& emulator;
    const uint32_t handle;
    std::unique_ptr<CSerialLineGateway> gateway;
    KymNodeRecord records[126] = {};
    uint32_t rate = 99;
    int found = 0;
    int opened = 0;
    std::string name;
};

// The node-0 serial-number broadcasts the gateway received, in order.
std::vector<std::string> Broadcasts(const norvane::sim::Rs232Gateway& emulator) {
    std::vector<std::string> texts;
    for (const auto& text : emulator.ReceivedTexts())
        if (text.rfind("{*0;}sn", 0) == 0) texts.push_back(text);
    return texts;
}

}  // namespace

TEST(FirstGenSerial, OpensRegistersAndNamesTheNodes) {
    const struct {
        Gen1 gateway;
        const char* searchName;
        std::vector<std::string> broadcasts;
    } cases[] = {
        // Newer firmware is asked with the register-all text first; 0x709 knows only "sn;".
        {{false, 0x70A, 3}, "KYM2407,VER 1802,COM3,57600", {"{*0;}sn0;"}},
        {{false, 0x709, 3}, "KYM2407,VER 1801,COM3,57600", {"{*0;}sn;"}},
        {{true, 0x70A, 4}, "KYM0000,VER 0,,0", {}},
    };
    for (const auto& c : cases) {
        OpenGen1 g(c.gateway);
        SCOPED_TRACE(c.searchName);
        ASSERT_EQ(g.found, 1);
        EXPECT_EQ(g.name, c.searchName);
        ASSERT_EQ(g.opened, 2);
        EXPECT_EQ(g.records[0].nodeId, 5u);
        EXPECT_EQ(g.records[1].nodeId, 9u);
        EXPECT_STREQ(g.records[0].model, "KYM23H56P2");
        EXPECT_EQ(g.rate, 2u);  // the gateway's pp[5]
        if (!c.gateway.uart) {
            EXPECT_EQ(Broadcasts(g.emulator), c.broadcasts);
        }
        EXPECT_EQ(g.SetPp(5, 3, 7), 1);
        EXPECT_EQ(g.GetPp(5, 3), 7);
    }
}

TEST(FirstGenSerial, AddressChangeWaitsForTheNewNodeAndErrorsGiveTheirCode) {
    for (const bool uart : {false, true}) {
        OpenGen1 g({uart, 0x70A, 5});
        SCOPED_TRACE(uart ? "uart" : "rs232");
        ASSERT_EQ(g.opened, 2);
        // Words: unused, new address, serial number.
        const uint32_t change[3] = {0, 20, 0x12345678};
        KymReply reply{};
        EXPECT_EQ(g.gateway->SetCommand(g.handle, 9, kSerialWithAnswer, 1, change, &reply), 1);
        EXPECT_EQ(g.GetPp(20, 3), 0);  // node 9 answers at its new address
        g.emulator.Faults().AnswerWithError(5);
        EXPECT_EQ(g.SetPp(5, 3, 1), -5);
        EXPECT_EQ(g.SetPp(5, 3, 2), 1);
    }
}

TEST(FirstGenSerial, UartGatewayReportOfANewAddressAnswersTheBroadcastChange) {
    OpenGen1 g({true, 0x70A, 6});
    ASSERT_EQ(g.opened, 2);
    auto port = std::static_pointer_cast<norvane::sdk::CNvUartPort>(g.gateway->LinePort(0));
    // An address change sent to every node (node 0, index 1) waits for the new node; the
    // gateway reports it from node 1 with the new id in f3 and the serial number from data
    // byte 2 on.
    int result = 0;
    std::thread change([&] {
        const uint32_t words[3] = {0, 33, 0x0A0B0C0D};
        KymReply reply{};
        result = g.gateway->SetCommand(g.handle, 0, kSerialWithAnswer, 1, words, &reply);
    });
    for (int i = 0; i < 100 && port->RegistrationMode(0) != 1; ++i) norvane::platform::SleepMs(2);
    EXPECT_EQ(port->RegistrationMode(0), 1);
    const uint8_t report[6] = {33, 0, 0x0D, 0x0C, 0x0B, 0x0A};
    g.emulator.SendRaw(norvane::sim::EncodeUartFrame(1, 0x0C, report, sizeof report));
    change.join();
    EXPECT_EQ(result, 1);
}

TEST(FirstGenSerial, UartRegisterAllSendsTheSerialNumberPacketAndKeepsNoNodeQueue) {
    OpenGen1 g({true, 0x70A, 7});
    ASSERT_EQ(g.opened, 2);
    const size_t before = g.emulator.ReceivedTexts().size();
    KymNodeRecord all[126] = {};
    ASSERT_EQ(g.gateway->RegisterAllNodes(g.handle, all, 126), 2);
    EXPECT_EQ(all[0].nodeId, 5u);
    EXPECT_EQ(all[1].nodeId, 9u);
    // A serial-number request (index 1) to node 0 as the packer builds it: no data bytes.
    const auto texts = g.emulator.ReceivedTexts();
    ASSERT_EQ(texts.size(), before + 1);
    EXPECT_EQ(texts.back(), std::string({0, 0, '\x8C', 0, 0, 0, 0, 0, 0, 0, 0, 0}));
    // The port keeps no per-node queue to pop from.
    KymCanMsg message{};
    EXPECT_EQ(g.gateway->PopNodeMessage(g.handle, 5, &message), -1);
    EXPECT_EQ(g.gateway->PopNodeMessage(g.handle, 0, nullptr), -1);
}

TEST(FirstGenSerial, OpenSerialGatewaySearchesAndOpensTheFirstPort) {
    SerialBench bench;
    bench.Add(3, 57600, false, 1);
    EXPECT_EQ(OpenSerialGateway(), 0x10000);
    KymReply reply{};
    EXPECT_EQ(GetPP(0x10000, 5, 3, &reply), 1);
    EXPECT_EQ(CloseGateWay(0x10000), 1);
}
