// Halbox through its exports against a simulated SJA1000 card reached over HALBOX_SIM.
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <thread>

#include "card_bench.h"
#include "pcican/card_table.h"

namespace norvane::halbox::test {
namespace {

class CardExports : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(bench.started) << bench.server.ErrorText(); }
    /// Frames the card put on channel 0's bus.
    std::vector<sim::CanFrame> SentOnBus() {
        std::vector<sim::CanFrame> sent;
        for (const auto& e : bench.server.Bus(0, 0).Traffic())
            if (e.direction == sim::Direction::FromGateway) sent.push_back(e.frame);
        return sent;
    }
    /// ENA with answer to node 5; true when node 5's answer comes back through the ring.
    bool RequestAnswered() {
        MarlixFrame request = Extended(0x05080081);
        if (Marlix_Transmit(0, 0, &request) != 1) return false;
        const auto got = bench.ReceiveUpTo(0, 1);
        return got.size() == 1 && got[0].identifier == 0x00280081u && got[0].extended == 1;
    }
    CardBench bench;
};

TEST_F(CardExports, AbsentCardsAndRefusalsOfACardThatIsNotOpen) {
    EXPECT_EQ(Marlix_OpenDevice(3), 0);  // no card 3 in the simulator
    EXPECT_EQ(Marlix_OpenDevice(8), 0);
    const std::string path = bench.server.SocketPath();
    setenv("HALBOX_SIM", (path + ".nobody").c_str(), 1);
    EXPECT_EQ(Marlix_OpenDevice(0), 0);  // nothing listens there
    unsetenv("HALBOX_SIM");
    EXPECT_EQ(Marlix_OpenDevice(0), 0);  // no simulator named: no card at all
    setenv("HALBOX_SIM", path.c_str(), 1);

    const MarlixInitConfig config = OneMegabit();
    MarlixFrame frame = Extended(0x05080081);
    MarlixInfo info{};
    uint8_t bytes[4] = {};
    const std::pair<const char*, int32_t> refused[] = {
        {"CloseDevice", Marlix_CloseDevice(0)},
        {"ResetCan", Marlix_ResetCan(0, 0)},
        {"InitCan", Marlix_InitCan(0, 0, &config)},
        {"Transmit", Marlix_Transmit(0, 0, &frame)},
        {"CANGetState", Marlix_CANGetState(0, 0)},
        {"CANGetInfo", Marlix_CANGetInfo(0, 0, &info)},
        {"CANAbortSend", Marlix_CANAbortSend(0, 0)},
        {"WriteReg", Marlix_WriteReg(0, 0, 4, bytes, 1)},
        {"ReadReg", Marlix_ReadReg(0, 0, 4, bytes, 1)},
        {"GetReceiveNum", Marlix_GetReceiveNum(0, 0)},
        {"ClearBuffer device 8", Marlix_ClearBuffer(8, 0)},
        {"ClearBuffer channel 2", Marlix_ClearBuffer(0, 2)},
    };
    for (const auto& [name, result] : refused) EXPECT_EQ(result, 0) << name;
    EXPECT_EQ(Marlix_ClearBuffer(0, 1), 1);  // does not look at the card
    EXPECT_EQ(bench.server.RegisterExchanges(0), 0u);
}

TEST_F(CardExports, OpenSetsTheDefaultsAndASecondOpenKeepsARunningChannel) {
    ASSERT_EQ(Marlix_OpenDevice(0), 1);
    for (uint32_t channel = 0; channel < 2; ++channel) {
        const MarlixInitConfig c = SavedConfig(0, channel);
        EXPECT_EQ(c.acceptanceCode, 0u);
        EXPECT_EQ(c.acceptanceMask, 0xFFFFFFFFu);
        EXPECT_EQ(c.reserved, 0u);
        EXPECT_EQ(c.filterMode, 0);
        EXPECT_EQ(c.busTiming0, 0x00);
        EXPECT_EQ(c.busTiming1, 0x14);
        EXPECT_EQ(c.mode, 0);
    }
    MarlixInitConfig listenOnly = OneMegabit();
    listenOnly.reserved = 77;
    listenOnly.mode = 1;
    ASSERT_EQ(Marlix_InitCan(0, 1, &listenOnly), 1);
    EXPECT_EQ(SavedConfig(0, 1).reserved, 77u);

    ASSERT_TRUE(bench.OpenAndInit());
    EXPECT_TRUE(RequestAnswered());
    EXPECT_EQ(Marlix_OpenDevice(0), 1);  // the card stays as it is
    EXPECT_EQ(SavedConfig(0, 1).mode, 1);
    EXPECT_TRUE(RequestAnswered());
    EXPECT_EQ(ThreadsNamed("halbox-rx0."), 2);
}

TEST_F(CardExports, IdentifierRegisterBytesBothWays) {
    ASSERT_TRUE(bench.OpenAndInit());
    struct Case {
        const char* name;
        MarlixFrame frame;
        std::vector<uint8_t> registers;  // 16.. as the controller holds them
    };
    const Case cases[] = {
        {"standard 0x123", {0x123, 0, 0, 0, 1, {0x11}}, {0x01, 0x24, 0x60, 0x11}},
        {"extended 0x12345678", {0x12345678, 0, 1, 0, 1, {0x22}}, {0x81, 0x91, 0xA2, 0xB3, 0xC0, 0x22}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        MarlixFrame frame = c.frame;
        ASSERT_EQ(Marlix_Transmit(0, 0, &frame), 1);
        const auto tx = bench.server.TransmitBuffer(0, 0);
        EXPECT_EQ(std::vector<uint8_t>(tx.begin(), tx.begin() + static_cast<long>(c.registers.size())),
                  c.registers);
        // The same frame comes back from the bus.
        sim::CanFrame incoming;
        incoming.id = c.frame.identifier;
        incoming.extended = c.frame.extended == 1;
        incoming.length = 1;
        incoming.data[0] = c.frame.data[0];
        bench.server.InjectFromBus(0, 0, incoming);
        const auto got = bench.ReceiveUpTo(0, 1);
        ASSERT_EQ(got.size(), 1u);
        EXPECT_EQ(got[0].identifier, c.frame.identifier);
        EXPECT_EQ(got[0].extended, c.frame.extended);
        EXPECT_EQ(got[0].length, 1);
        EXPECT_EQ(got[0].data[0], c.frame.data[0]);
    }
}

TEST_F(CardExports, LengthTwelveSendsEightAndLeavesEightInTheRecord) {
    ASSERT_TRUE(bench.OpenAndInit());
    MarlixFrame frame = Extended(0x05080007, {1, 2, 3, 4, 5, 6, 7, 8});
    frame.length = 12;
    ASSERT_EQ(Marlix_Transmit(0, 0, &frame), 1);
    EXPECT_EQ(frame.length, 8);
    const auto tx = bench.server.TransmitBuffer(0, 0);
    EXPECT_EQ(tx[0], 0x88);  // extended, 8 data bytes
    EXPECT_EQ(std::vector<uint8_t>(tx.begin() + 5, tx.end()), (std::vector<uint8_t>{1, 2, 3, 4, 5, 6, 7, 8}));
}

TEST_F(CardExports, RequestToANodeIsAnsweredInTheNodesLayout) {
    ASSERT_TRUE(bench.OpenAndInit());
    EXPECT_TRUE(RequestAnswered());
    const auto sent = SentOnBus();
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].id, 0x05080081u);
    EXPECT_EQ(Marlix_GetReceiveNum(0, 0), 0);
    // Self-reception: the frame comes back through the controller's own receive buffer.
    MarlixFrame self = Extended(0x0ABCDEF1, {0x42});
    self.sendType = 1;
    ASSERT_EQ(Marlix_Transmit(0, 0, &self), 1);
    const auto got = bench.ReceiveUpTo(0, 1);
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].identifier, 0x0ABCDEF1u);
    EXPECT_EQ(got[0].sendType, 0);
}

TEST_F(CardExports, ReceiveRefusalsAndWaits) {
    ASSERT_TRUE(bench.OpenAndInit());
    static MarlixFrame frames[4];
    EXPECT_EQ(Marlix_Receive(0, 0, frames, 100001, 10000), 0);
    EXPECT_EQ(Marlix_Receive(8, 0, frames, 1, 0), 0);
    EXPECT_EQ(Marlix_Receive(0, 2, frames, 1, 0), 0);
    EXPECT_EQ(Marlix_Receive(0, 0, nullptr, 1, 0), 0);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(Marlix_Receive(0, 0, frames, 0, 60), 0);
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(60));
}

TEST_F(CardExports, InfoIsRefusedInResetModeAndFilledOutsideIt) {
    ASSERT_EQ(Marlix_OpenDevice(0), 1);
    MarlixInfo info;
    std::memset(&info, 0xEE, sizeof info);
    EXPECT_EQ(Marlix_CANGetInfo(0, 0, &info), 0);  // a controller starts in reset mode
    EXPECT_EQ(info.mode, 0xEE);
    EXPECT_EQ(info.interruptEnable, 0xEE);
    EXPECT_EQ(info.warningLimit, 0xEE);
    ASSERT_TRUE(bench.OpenAndInit());
    ASSERT_EQ(Marlix_CANGetInfo(0, 0, &info), 1);
    EXPECT_EQ(info.mode, 0x88);  // PeliCAN clock divider bit, single filter
    EXPECT_EQ(info.interruptEnable, 0x89);
    EXPECT_EQ(info.warningLimit, 0x60);
    EXPECT_EQ(Marlix_CANGetState(0, 0), 0x0C);  // transmit buffer released, last transmission complete
    EXPECT_EQ(Marlix_ResetCan(0, 0), 1);
    std::memset(&info, 0xEE, sizeof info);
    EXPECT_EQ(Marlix_CANGetInfo(0, 0, &info), 0);
    EXPECT_EQ(info.mode, 0xEE);
}

TEST_F(CardExports, WatchdogReinitialisesAfterBusOffAndFramesFlowAgain) {
    ASSERT_TRUE(bench.OpenAndInit());
    ASSERT_TRUE(RequestAnswered());
    bench.server.ForceBusOff(0, 0);  // no interrupt: only the status register shows it
    EXPECT_EQ(Marlix_CANGetState(0, 0) & 0x80, 0x80);
    ASSERT_TRUE(bench.server.WaitForChip(
        0, 0, [](const sim::Sja1000Counters& c) { return c.hostRecoveries == 1; }, 5000));
    EXPECT_EQ(Marlix_CANGetState(0, 0) & 0x80, 0);
    EXPECT_TRUE(RequestAnswered());
    EXPECT_EQ(ThreadsNamed("halbox-rx0.0"), 1);
    EXPECT_EQ(ThreadsNamed("halbox-wd0.0"), 1);
}

TEST_F(CardExports, ATransmitOnABusOffChannelFailsAtOnceAndTheWatchdogStillRecoversIt) {
    ASSERT_TRUE(bench.OpenAndInit());
    ASSERT_TRUE(RequestAnswered());
    bench.server.ForceBusOff(0, 0);
    // Polling a bus-off controller for completion would hold the channel for seconds, blocking
    // the watchdog that recovers it.
    MarlixFrame request = Extended(0x05080081);
    const auto start = std::chrono::steady_clock::now();
    const int32_t sent = Marlix_Transmit(0, 0, &request);
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_LT(took, std::chrono::milliseconds(300));
    if (bench.server.ChipCounters(0, 0).hostRecoveries == 0) {
        EXPECT_EQ(sent, 0);  // unless the watchdog recovered it first
    }
    ASSERT_TRUE(bench.server.WaitForChip(
        0, 0, [](const sim::Sja1000Counters& c) { return c.hostRecoveries == 1; }, 3000));
    EXPECT_TRUE(RequestAnswered());
}

TEST_F(CardExports, CloseEndsEveryThreadAndASecondInitKeepsOneSet) {
    ASSERT_TRUE(bench.OpenAndInit(true));
    const MarlixInitConfig c = OneMegabit();
    ASSERT_EQ(Marlix_InitCan(0, 0, &c), 1);
    EXPECT_EQ(ThreadsNamed("halbox-rx0.0"), 1);
    EXPECT_EQ(ThreadsNamed("halbox-wd0.0"), 1);
    EXPECT_EQ(ThreadsNamed("halbox-"), 5);  // two receive threads, two watchdogs, the card link
    EXPECT_TRUE(RequestAnswered());
    EXPECT_EQ(Marlix_CloseDevice(0), 1);
    EXPECT_EQ(ThreadsNamed("halbox-"), 0);  // joined before close returned
    EXPECT_EQ(Marlix_CloseDevice(0), 0);
    EXPECT_EQ(Marlix_GetReceiveNum(0, 0), 0);
}

TEST_F(CardExports, ACardThatDisappearsFailsItsRequestsAndCanBeClosed) {
    ASSERT_TRUE(bench.OpenAndInit());
    bench.server.RemoveCard(0);
    ::testing::internal::CaptureStdout();
    EXPECT_EQ(Marlix_CANGetState(0, 0), 0);
    MarlixFrame request = Extended(0x05080081);
    EXPECT_EQ(Marlix_Transmit(0, 0, &request), 0);
    const std::string printed = ::testing::internal::GetCapturedStdout();
    EXPECT_NE(printed.find("ERROR: DeviceIoControl returns 6b."), std::string::npos) << printed;  // ENOTCONN
    EXPECT_EQ(Marlix_CloseDevice(0), 1);
    EXPECT_EQ(Marlix_OpenDevice(0), 0);
    bench.server.RestoreCard(0);
    ASSERT_TRUE(bench.OpenAndInit());
    EXPECT_TRUE(RequestAnswered());
}

TEST_F(CardExports, SlowDrainingOverrunsTheFifoAndTheChannelRecovers) {
    ASSERT_TRUE(bench.OpenAndInit(true));
    bench.server.SetSlowDraining(0, 2000);
    bench.flood->Start(0x75, 200, 20);
    ASSERT_TRUE(bench.server.WaitForChip(
        0, 1, [](const sim::Sja1000Counters& c) { return c.overruns > 0; }, 5000));
    bench.server.SetSlowDraining(0, 0);
    ASSERT_TRUE(bench.server.WaitForChip(
        0, 1, [](const sim::Sja1000Counters& c) { return c.received + c.overruns == 200; }, 10000));
    const auto counters = bench.server.ChipCounters(0, 1);
    // Every frame the chip kept reaches the ring, in order; the lost ones are the chip's overruns.
    const auto got = bench.ReceiveUpTo(1, counters.received);
    EXPECT_EQ(got.size(), counters.received);
    for (size_t i = 1; i < got.size(); ++i)
        EXPECT_LT(got[i - 1].data[0], got[i].data[0]);  // sequence numbers < 200
    const uint8_t marker[2] = {0xCA, 0xFE};
    bench.flood->Inject(0x75, marker, 2);
    const auto after = bench.ReceiveUpTo(1, 1);
    ASSERT_EQ(after.size(), 1u);
    EXPECT_EQ(after[0].data[0], 0xCA);
}

TEST_F(CardExports, CountAndClearWhileTheReceiveThreadPushes) {
    ASSERT_TRUE(bench.OpenAndInit(true));
    bench.flood->Start(0x75, 3000, 50);
    std::thread reader([] {
        static MarlixFrame frames[64];
        for (int i = 0; i < 2000; ++i) (void)Marlix_Receive(0, 1, frames, 64, 0);
    });
    while (bench.flood->Sent() < 3000) {
        EXPECT_LE(Marlix_GetReceiveNum(0, 1), 100000);
        EXPECT_EQ(Marlix_ClearBuffer(0, 1), 1);
    }
    reader.join();
    EXPECT_EQ(Marlix_CloseDevice(0), 1);
}

}  // namespace
}  // namespace norvane::halbox::test
