// The RS-232 port and gateway against emulated gateways on real pseudo-terminals.
#include <gtest/gtest.h>

#include <algorithm>
#include <thread>
#include <vector>

#include "platform/clock.h"
#include "sim/reply_frames.h"
#include "tests/serial/serial_fixture.h"

using norvane::sdk::CNvSerialPort;
using norvane::sdk::CSerialPortCAN;
using norvane::testing::SerialBench;

namespace {

constexpr uint8_t kSpdWithAnswer = 0x87;
constexpr uint32_t kHandle0 = 0x100;

std::unique_ptr<CSerialPortCAN> FastGateway(uint32_t baud = 0) {
    auto gateway = std::make_unique<CSerialPortCAN>(1);
    gateway->probeTiming = SerialBench::FastProbe();
    gateway->searchValue = baud;
    return gateway;
}

int SetSpeed(CSerialPortCAN& gateway, uint32_t handle, uint32_t node, int32_t value) {
    KymReply reply{};
    return gateway.SetCommand(handle, node, kSpdWithAnswer, 0, &value, &reply);
}

int32_t GetSpeed(CSerialPortCAN& gateway, uint32_t handle, uint32_t node) {
    KymReply reply{};
    return gateway.GetCommand(handle, node, kSpdWithAnswer, 0, &reply) == 1 ? reply.field[0] : -999999;
}

}  // namespace

TEST(Rs232Probe, TriesTheRatesInOrderUntilTheGatewayAnswers) {
    const struct {
        uint32_t listening;
        uint32_t known;
        int result;
        std::vector<uint32_t> rates;
    } cases[] = {
        {230400, 0, 0, {9600, 57600, 115200, 19200, 38400, 4800}},  // nobody answers
        {38400, 0, 1, {9600, 57600, 115200, 19200, 38400}},
        {57600, 115200, 0, {115200}},  // a known rate is the only one tried
        {19200, 19200, 1, {19200}},
    };
    for (const auto& c : cases) {
        SerialBench bench;
        auto& emulator = bench.Add(4, c.listening);
        CNvSerialPort port(4);
        port.probeTiming = SerialBench::FastProbe();
        port.knownBaud = c.known;
        EXPECT_EQ(port.Probe(), c.result) << c.listening;
        EXPECT_EQ(emulator.RatesSeen(), c.rates) << c.listening;
        if (c.result == 1) {
            EXPECT_EQ(port.knownBaud, c.listening);
            EXPECT_EQ(port.displayName, "COM4: KYM2407 - V1802");
        }
        EXPECT_FALSE(port.LineOpen());
    }
}

TEST(Rs232Probe, TakesAnIdentityThatArrivesInTwoPieces) {
    SerialBench bench;
    auto& emulator = bench.Add(4);
    emulator.Faults().SplitAnswers(1, 30);
    CNvSerialPort port(4);
    port.probeTiming = SerialBench::FastProbe();
    port.knownBaud = 57600;
    EXPECT_EQ(port.Probe(), 1);
    EXPECT_EQ(port.modelNumber, 0x1807u);
}

TEST(Rs232Probe, APortWithoutDeviceFailsAtOnce) {
    SerialBench bench;
    bench.AddMissing(8);
    CNvSerialPort port(8);
    EXPECT_EQ(port.Probe(), 0);
    CNvSerialPort unlisted(99);
    EXPECT_EQ(unlisted.ProbeLegacy(), 0);
}

TEST(Rs232Search, KeepsAnsweringPortsUpToTheRoomAndDescribesThem) {
    SerialBench bench;
    bench.AddMissing(2);
    for (int number : {3, 5, 6}) bench.Add(number);
    auto gateway = FastGateway(57600);
    KymSearchRecord records[5] = {};
    EXPECT_EQ(gateway->SearchPorts(records, 2), 2);
    EXPECT_STREQ(records[0].name, "KYM2407,VER 1802,COM3: KYM2407 - V1802,57600");
    EXPECT_STREQ(records[1].name, "KYM2407,VER 1802,COM5: KYM2407 - V1802,57600");
    EXPECT_EQ(records[1].handle, 0x101u);
    EXPECT_EQ(records[2].filled, 0);
    KymDevInfo info{};
    EXPECT_EQ(gateway->DescribePort(1, &info), 21);
    EXPECT_STREQ(info.name, "COM5: KYM2407 - V1802");
    EXPECT_EQ(info.gatewayClass, 0x10000u);
    EXPECT_EQ(info.transportValue, 57600u);

    // A fixed COM port is the only one probed.
    gateway->searchFlag = 6;
    EXPECT_EQ(gateway->SearchPorts(records, 5), 1);
    EXPECT_STREQ(records[0].name, "KYM2407,VER 1802,COM6: KYM2407 - V1802,57600");
}

TEST(Rs232Gateway, SetsAndGetsThroughAnOpenPort) {
    SerialBench bench;
    auto& emulator = bench.Add(3);
    auto gateway = FastGateway(57600);
    ASSERT_EQ(gateway->SearchPorts(nullptr, 5), 1);
    ASSERT_EQ(gateway->OpenPort(0, nullptr, 0, nullptr), 0);  // no records: nothing registered
    EXPECT_EQ(SetSpeed(*gateway, kHandle0, 5, 1234), 1);
    EXPECT_EQ(GetSpeed(*gateway, kHandle0, 5), 1234);
    // Garbage on the line and an answer in two pieces are taken in stride.
    emulator.SendRaw({0x12, 0xFE, 0x41, 0xEE, 0x05, 0xFF});
    emulator.Faults().SplitAnswers(2, 15);
    EXPECT_EQ(SetSpeed(*gateway, kHandle0, 9, -77), 1);
    EXPECT_EQ(GetSpeed(*gateway, kHandle0, 9), -77);
    // A start byte and a node id swallow the next answer (its start byte sits where a reply code
    // goes): that answer is lost, and the set fails rather than report success without it.
    emulator.SendRaw({0xEE, 0x05});
    EXPECT_EQ(SetSpeed(*gateway, kHandle0, 9, 12), -1);
    // The lost answer is owed: the next request of that command cannot tell its own answer from
    // a late one and fails; the one after it reads the value.
    EXPECT_NE(GetSpeed(*gateway, kHandle0, 9), 12);
    EXPECT_EQ(GetSpeed(*gateway, kHandle0, 9), 12);
    KymNodeRecord records[8] = {};
    EXPECT_EQ(gateway->RegisterNodes(kHandle0, records, 8), 2);
    EXPECT_EQ(records[0].nodeId, 5u);
    EXPECT_EQ(records[1].nodeId, 9u);
    EXPECT_EQ(gateway->ClosePort(kHandle0), 1);
    EXPECT_EQ(SetSpeed(*gateway, kHandle0, 5, 1), -1);
}

TEST(Rs232Gateway, HangUpDuringARequestFailsItAndCloseReturns) {
    SerialBench bench;
    auto& emulator = bench.Add(3);
    auto gateway = FastGateway(57600);
    ASSERT_EQ(gateway->SearchPorts(nullptr, 5), 1);
    gateway->OpenPort(0, nullptr, 0, nullptr);
    emulator.Faults().SetSilent(true);
    int result = 0;
    std::thread request([&] { result = SetSpeed(*gateway, kHandle0, 5, 42); });
    emulator.HangUp();
    request.join();
    EXPECT_EQ(result, -1);
    EXPECT_EQ(SetSpeed(*gateway, kHandle0, 5, 43), -1);
    EXPECT_EQ(gateway->ClosePort(kHandle0), 1);
    EXPECT_FALSE(gateway->SerialPort(0)->LineOpen());
}

TEST(Rs232Gateway, TwoLinesServeSeveralThreadsAtOnce) {
    SerialBench bench;
    bench.Add(3);
    bench.Add(4);
    auto gateway = FastGateway(57600);
    ASSERT_EQ(gateway->SearchPorts(nullptr, 5), 2);
    gateway->OpenPort(0, nullptr, 0, nullptr);
    gateway->OpenPort(1, nullptr, 0, nullptr);
    std::vector<std::thread> threads;
    std::atomic<int> failures{0};
    for (uint32_t t = 0; t < 4; ++t) {
        threads.emplace_back([&, t] {
            const uint32_t handle = kHandle0 + (t % 2);
            const uint32_t node = t < 2 ? 5 : 9;
            for (int i = 0; i < 10; ++i) {
                const int32_t value = static_cast<int32_t>(t * 100 + i);
                if (SetSpeed(*gateway, handle, node, value) != 1 || GetSpeed(*gateway, handle, node) != value)
                    ++failures;
            }
        });
    }
    for (auto& thread : threads) thread.join();
    EXPECT_EQ(failures.load(), 0);
}

TEST(Rs232Gateway, ASecondSearchKeepsTheOpenPortAndFreesTheOthers) {
    SerialBench bench;
    bench.Add(3);
    bench.Add(4);
    auto gateway = FastGateway(57600);
    ASSERT_EQ(gateway->SearchPorts(nullptr, 5), 2);
    gateway->OpenPort(0, nullptr, 0, nullptr);
    const auto open = gateway->SerialPort(0);
    const std::weak_ptr<CNvSerialPort> closed = gateway->SerialPort(1);
    EXPECT_EQ(gateway->SearchPorts(nullptr, 5), 2);
    EXPECT_EQ(gateway->SerialPort(0), open);  // still there and still working
    EXPECT_EQ(SetSpeed(*gateway, kHandle0, 5, 5), 1);
    EXPECT_TRUE(closed.expired());  // the unopened port of the first search is gone
    EXPECT_EQ(gateway->SerialPort(1)->PortNumber(), 4);
}

TEST(Rs232Gateway, NodeListKeepsIdsFiveTo125Sorted) {
    SerialBench bench;
    auto& emulator = bench.Add(3);
    auto gateway = FastGateway(57600);
    ASSERT_EQ(gateway->SearchPorts(nullptr, 5), 1);
    gateway->OpenPort(0, nullptr, 0, nullptr);
    gateway->SerialPort(0)->timing.discoveryWaitMs = 400;
    emulator.Faults().DropAnswers(1);  // the emulator's own list: this test sends its own
    KymNodeRecord records[8] = {};
    int found = -1;
    std::thread discovery([&] { found = gateway->RegisterNodes(kHandle0, records, 8); });
    auto asked = [&] {
        const auto texts = emulator.ReceivedTexts();
        return std::find(texts.begin(), texts.end(), "gREG;") != texts.end();
    };
    for (int i = 0; i < 200 && !asked(); ++i) norvane::platform::SleepMs(2);
    // Count 6, ids 9 3 126 7 4 125: 3, 4 and 126 are outside the node range.
    emulator.SendRaw({0xAA, 6, 0xD0, 9, 3, 126, 7, 4, 125, 0xFE});
    discovery.join();
    ASSERT_EQ(found, 3);
    EXPECT_EQ(records[0].nodeId, 7u);
    EXPECT_EQ(records[1].nodeId, 9u);
    EXPECT_EQ(records[2].nodeId, 125u);
}

TEST(Rs232Gateway, StreamNoticesBeyond1024BytesAreNotAppended) {
    SerialBench bench;
    auto& emulator = bench.Add(3);
    auto gateway = FastGateway(57600);
    ASSERT_EQ(gateway->SearchPorts(nullptr, 5), 1);
    gateway->OpenPort(0, nullptr, 0, nullptr);
    const auto port = gateway->SerialPort(0);
    std::vector<uint8_t> line;
    for (uint8_t k = 0; k < 132; ++k) {
        const uint8_t bytes[8] = {k, 1, 2, 3, 4, 5, 6, 7};
        const auto frame = norvane::sim::EncodeReplyFrame(5, 62, bytes, 8);
        line.insert(line.end(), frame.begin(), frame.end());
    }
    emulator.SendRaw(line);
    for (int i = 0; i < 300 && port->counters.droppedStreamBytes.load() == 0; ++i)
        norvane::platform::SleepMs(5);
    EXPECT_GT(port->counters.droppedStreamBytes.load(), 0u);
    std::vector<uint8_t> stream(2048);
    const int n = gateway->ReadNodeStream(kHandle0, 5, stream.data(), static_cast<int>(stream.size()));
    EXPECT_LE(n, 1024);
    EXPECT_GE(n, 1016);
    for (int at = 0; at + 8 <= n; at += 8) ASSERT_EQ(stream[static_cast<size_t>(at)], at / 8) << at;
}

TEST(Rs232Gateway, AnswersToCommandZeroAreFiledAs0x6FExceptTheGatewaysOwn) {
    SerialBench bench;
    auto& emulator = bench.Add(3);
    auto gateway = FastGateway(57600);
    ASSERT_EQ(gateway->SearchPorts(nullptr, 5), 1);
    gateway->OpenPort(0, nullptr, 0, nullptr);
    const auto port = gateway->SerialPort(0);
    auto& table = *port->TableFor(kHandle0);
    for (const uint32_t node : {1u, 5u}) {
        ASSERT_EQ(gateway->SetCommand(kHandle0, node, 0x00, 0, nullptr, nullptr), 1);  // no answer awaited
        EXPECT_EQ(table.expectedCommand[node], 0x6F);
    }
    const uint8_t speed[4] = {0x10, 0, 0, 0};
    for (const uint8_t node : {uint8_t{1}, uint8_t{5}})
        emulator.SendRaw(norvane::sim::EncodeReplyFrame(node, 0x07, speed, 4));
    auto filed = [&](uint32_t node) {
        std::lock_guard lock(table.storeLock);
        return table.answers[node][0].controlWord;
    };
    for (int i = 0; i < 200 && (filed(1) == 0 || filed(5) == 0); ++i) norvane::platform::SleepMs(5);
    EXPECT_EQ(filed(5), 0x6F);
    EXPECT_EQ(filed(1), 0x07);
}
