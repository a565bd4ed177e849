// Rules of the serial gateways against their emulators on pseudo-terminals: the pass-through
// callbacks, the RS-232 gateway's result values, the gateway node a search probes and the
// bit-rate read of a first-generation open.
#include <gtest/gtest.h>

#include <mutex>
#include <string>
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

constexpr uint8_t kSpdWithAnswer = 0x87, kPpWithAnswer = 0x81, kPp = 0x01;

struct Passed {
    uint32_t handle;
    std::vector<uint8_t> frame;
};
std::mutex passedLock;
std::vector<Passed> passed;

void OnFrame(uint32_t handle, const uint8_t* bytes, int32_t length) {
    std::lock_guard lock(passedLock);
    passed.push_back({handle, std::vector<uint8_t>(bytes, bytes + length)});
}

std::vector<Passed> WaitForFrames(size_t n) {
    for (int i = 0; i < 200; ++i) {
        {
            std::lock_guard lock(passedLock);
            if (passed.size() >= n) return passed;
        }
        norvane::platform::SleepMs(5);
    }
    std::lock_guard lock(passedLock);
    return passed;
}

// A gateway searched and opened (without registration) on COM<com>.
struct Opened {
    Opened(bool uart, bool firstGen, int com, uint32_t fixedNode = 1)
        : emulator(bench.Add(com, uart ? 115200 : 57600, uart, firstGen ? 1 : 2)) {
        const uint32_t kind = uart ? (firstGen ? 16384 : 32) : (firstGen ? 256 : 1);
        if (uart) {
            gateway = std::make_unique<CUartCAN>(kind);
        } else {
            auto serial = std::make_unique<CSerialPortCAN>(kind);
            serial->probeTiming = SerialBench::FastProbe();
            gateway = std::move(serial);
        }
        gateway->searchFlag = static_cast<uint32_t>(com);
        gateway->searchValue = uart ? 0 : 57600;
        gateway->searchDefault = fixedNode;
        handle = kind << 8;
        found = gateway->SearchPorts(search, 5);
    }
    int Open(uint32_t* rate = nullptr) { return gateway->OpenPort(0, records, 126, rate); }
    int Get(uint32_t node, uint8_t controlWord, int index) {
        KymReply reply{};
        return gateway->GetCommand(handle, node, controlWord, index, &reply);
    }
    uint64_t Unmatched() { return gateway->LinePort(0)->counters.unmatchedAnswers.load(); }

    SerialBench bench;
    norvane::sim::Rs232Gateway& emulator;
    std::unique_ptr<CSerialLineGateway> gateway;
    uint32_t handle = 0;
    KymSearchRecord search[5] = {};
    KymNodeRecord records[126] = {};
    int found = 0;
};

}  // namespace

TEST(SerialPassThrough, RegisteredCallbackTakesEveryFrameAndNothingIsFiled) {
    const uint8_t speed[4] = {0x10, 0x27, 0, 0};
    const struct {
        const char* name;
        bool uart;
        int32_t (*registerCallback)(KymSerialCallBack);
        std::vector<uint8_t> frame;
        uint8_t controlWord;  ///< of the request that then goes unanswered
        int index;
    } cases[] = {
        {"rs232 second generation", false, KYMReg318SerialTranslateCallBack,
         norvane::sim::EncodeReplyFrame(5, 0x07, speed, 4), kSpdWithAnswer, 0},
        {"uart first generation", true, KYMRegSerialTranslateCallBack,
         norvane::sim::EncodeUartFrame(5, 0x01, speed, 4), kPpWithAnswer, 3},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Opened g(c.uart, c.uart, c.uart ? 21 : 22);
        ASSERT_EQ(g.found, 1);
        ASSERT_EQ(g.gateway->OpenPort(0, nullptr, 0, nullptr), 0);  // no records: opened, none registered
        {
            std::lock_guard lock(passedLock);
            passed.clear();
        }
        c.registerCallback(OnFrame);
        g.emulator.SendRaw(c.frame);
        const auto frames = WaitForFrames(1);
        ASSERT_EQ(frames.size(), 1u);
        EXPECT_EQ(frames[0].handle, g.handle);
        EXPECT_EQ(frames[0].frame, c.frame);
        // The node's answer goes to the callback too: the request is not answered.
        EXPECT_NE(g.Get(5, c.controlWord, c.index), 1);
        EXPECT_EQ(WaitForFrames(2).size(), 2u);
        EXPECT_EQ(g.Unmatched(), 0u);
        c.registerCallback(nullptr);
        EXPECT_EQ(g.Get(5, c.controlWord, c.index), 1);
    }
}

TEST(Rs232Results, FailuresAreMinusOneAndAGetWithoutAnswerBitIsZero) {
    const struct {
        bool firstGen;
        uint8_t controlWord;
        int index;
        bool silent;
        bool closed;
        int result;
    } cases[] = {
        {false, kSpdWithAnswer, 0, true, false, -1},  // time-out
        {false, kSpdWithAnswer, 0, false, true, -1},  // port not running
        {true, kPpWithAnswer, 3, true, false, -1},
        {true, kPpWithAnswer, 3, false, true, -1},
        {true, kPp, 3, false, false, 0},  // sent, nothing awaited
        {true, kPpWithAnswer, 3, false, false, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.firstGen << " " << int{c.controlWord} << " " << c.silent);
        Opened g(false, c.firstGen, 23);
        ASSERT_EQ(g.found, 1);
        g.gateway->OpenPort(0, nullptr, 0, nullptr);
        g.emulator.Faults().SetSilent(c.silent);
        if (c.closed) g.gateway->ClosePort(g.handle);
        EXPECT_EQ(g.Get(5, c.controlWord, c.index), c.result);
    }
}

TEST(Rs232Search, ProbesTheFixedGatewayNode) {
    const struct {
        bool firstGen;
        uint32_t fixedNode;
        const char* modelText;  ///< first generation: the probe's model request
        uint8_t recordNode;     ///< second generation: the node the search record names
    } cases[] = {
        {true, 7, "{*7;}ml;", 0}, {true, 1, "{*1;}ml;", 0},
        {true, 0, "{*1;}ml;", 0},  // 0 is the broadcast address: the gateway stays node 1
        {false, 7, nullptr, 7},   {false, 0, nullptr, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.firstGen << " " << c.fixedNode);
        Opened g(false, c.firstGen, 24, c.fixedNode);
        if (c.firstGen) {
            const auto texts = g.emulator.ReceivedTexts();
            ASSERT_FALSE(texts.empty());
            EXPECT_EQ(texts.front(), c.modelText);
        } else {
            ASSERT_EQ(g.found, 1);
            EXPECT_EQ(g.search[0].reserved[0], c.recordNode);
        }
    }
}

TEST(FirstGenSerialOpen, UnansweredBitRateReadFailsTheOpen) {
    for (const bool uart : {false, true}) {
        SCOPED_TRACE(uart ? "uart" : "rs232");
        Opened g(uart, true, 25);
        ASSERT_EQ(g.found, 1);
        if (uart) g.gateway->LinePort(0)->timing.getTimeoutMs = 1000;
        g.emulator.Faults().DropAnswers(1);  // the answer to pp[5]
        uint32_t rate = 99;
        EXPECT_EQ(g.Open(&rate), 0);
        // The nodes answer as before: a second open goes through.
        EXPECT_EQ(g.Open(&rate), 2);
        EXPECT_EQ(rate, 2u);
    }
}
