// Halbox's exports on SocketCAN channels, served by stand-in interfaces (HALBOX_SOCKETCAN_SIM).
#include <gtest/gtest.h>
#include <linux/can/error.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <thread>

#include "socketcan_bench.h"

namespace norvane::halbox::test {
namespace {

using testing::CanFrame;

/// Polls pred every 10 ms for up to ms; true once it held.
bool Eventually(const std::function<bool()>& pred, int ms = 3000) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (!pred()) {
        if (std::chrono::steady_clock::now() > until) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

MarlixFrame Frame(uint32_t id, bool extended, bool remote, std::initializer_list<uint8_t> data) {
    return testing::HalboxFrame(id, extended, remote, data);
}

can_frame ErrorFrame(canid_t what, uint8_t level = 0, uint8_t tx = 0, uint8_t rx = 0) {
    can_frame f = CanFrame(CAN_ERR_FLAG | what, {0, level, 0, 0, 0, 0, tx, rx});
    return f;
}

class SocketCanExports : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(bench.Started()); }
    SocketCanBench bench;
};

TEST_F(SocketCanExports, OpenInitTransmitReceiveAndCloseOnAPairOfInterfaces) {
    ASSERT_TRUE(bench.OpenAndInit());
    EXPECT_EQ(ThreadsNamed("halbox-rx0."), 2);
    EXPECT_EQ(ThreadsNamed("halbox-wd0."), 2);
    MarlixFrame request = Frame(0x05080081, 1, 0, {1, 2, 3});
    ASSERT_EQ(Marlix_Transmit(0, 0, &request), 1);
    auto got = bench.ReceiveUpTo(1, 1);
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].identifier, 0x05080081u);
    EXPECT_EQ(got[0].length, 3);
    MarlixFrame answer = Frame(0x00280081, 1, 0, {9});
    ASSERT_EQ(Marlix_Transmit(0, 1, &answer), 1);
    got = bench.ReceiveUpTo(0, 1);
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].identifier, 0x00280081u);
    // A channel does not take back what it sent itself.
    EXPECT_EQ(Marlix_Receive(0, 0, got.data(), 1, 100), 0);
    EXPECT_EQ(Marlix_Receive(0, 1, got.data(), 1, 0), 0);
    EXPECT_EQ(Marlix_CANGetState(0, 0), 0x0C);
    EXPECT_EQ(bench.can0->BitRate(), 500000u);  // already at the rate: left alone

    ASSERT_EQ(Marlix_CloseDevice(0), 1);
    EXPECT_EQ(ThreadsNamed("halbox-"), 0);
    EXPECT_EQ(Marlix_Transmit(0, 0, &request), 0);
    EXPECT_TRUE(Eventually([&] { return bench.can0->WaitConnections(0, 0) == 0; }));
}

TEST_F(SocketCanExports, FrameFlagsBothWays) {
    ASSERT_TRUE(bench.OpenAndInit());
    const struct {
        const char* name;
        MarlixFrame record;
        can_frame wire;
    } cases[] = {
        {"standard", Frame(0x123, 0, 0, {0x11, 0x22}), CanFrame(0x123, {0x11, 0x22})},
        {"extended", Frame(0x12345678, 1, 0, {1, 2, 3, 4, 5, 6, 7, 8}),
         CanFrame(0x12345678 | CAN_EFF_FLAG, {1, 2, 3, 4, 5, 6, 7, 8})},
        {"remote standard", Frame(0x7FF, 0, 1, {}), CanFrame(0x7FF | CAN_RTR_FLAG)},
        {"remote extended", Frame(0x1FFFFFFF, 1, 1, {}), CanFrame(0x1FFFFFFF | CAN_EFF_FLAG | CAN_RTR_FLAG)},
        {"empty", Frame(0x001, 0, 0, {}), CanFrame(0x001)},
    };
    size_t written = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        MarlixFrame out = c.record;
        ASSERT_EQ(Marlix_Transmit(0, 0, &out), 1);
        ASSERT_EQ(bench.can0->WaitWritten(++written, 2000), written);
        const can_frame sent = bench.can0->Written().back();
        EXPECT_EQ(sent.can_id, c.wire.can_id);
        EXPECT_EQ(sent.len, c.wire.len);
        EXPECT_EQ(0, std::memcmp(sent.data, c.wire.data, 8));
        (void)bench.ReceiveUpTo(1, 1);  // the other channel's copy

        bench.can0->Send(c.wire);
        const auto got = bench.ReceiveUpTo(0, 1);
        ASSERT_EQ(got.size(), 1u);
        EXPECT_EQ(got[0].identifier, c.record.identifier);
        EXPECT_EQ(got[0].extended, c.record.extended);
        EXPECT_EQ(got[0].remote, c.record.remote);
        EXPECT_EQ(got[0].length, c.record.length);
        EXPECT_EQ(got[0].sendType, 0);
        EXPECT_EQ(0, std::memcmp(got[0].data, c.record.data, 8));
    }
    // Length 12 sends 8 and leaves 8 in the record.
    MarlixFrame longer = Frame(0x10, 0, 0, {1, 2, 3, 4, 5, 6, 7, 8});
    longer.length = 12;
    ASSERT_EQ(Marlix_Transmit(0, 0, &longer), 1);
    EXPECT_EQ(longer.length, 8);
    ASSERT_EQ(bench.can0->WaitWritten(++written, 2000), written);
    EXPECT_EQ(bench.can0->Written().back().len, 8);
}

TEST_F(SocketCanExports, SelfReceptionComesBackThroughTheLoopback) {
    ASSERT_TRUE(bench.OpenAndInit());
    MarlixFrame self = Frame(0x0ABCDEF1, 1, 0, {0x42});
    self.sendType = 1;
    ASSERT_EQ(Marlix_Transmit(0, 0, &self), 1);
    const auto mine = bench.ReceiveUpTo(0, 1);
    ASSERT_EQ(mine.size(), 1u);
    EXPECT_EQ(mine[0].identifier, 0x0ABCDEF1u);
    EXPECT_EQ(mine[0].sendType, 0);
    EXPECT_EQ(bench.ReceiveUpTo(1, 1).size(), 1u);  // and it went onto the bus
}

TEST_F(SocketCanExports, AcceptanceFilterSingleAndDual) {
    const struct {
        const char* name;
        uint32_t code, mask;
        uint8_t filterMode;
        std::vector<uint32_t> passed;  // of the frames below, by identifier
    } cases[] = {
        {"all", 0, 0xFFFFFFFF, 0, {0x123, 0x124, 0x12345678, 0x12345679}},
        {"single standard 0x123", 0x24600000, 0x000FFFFF, 0, {0x123}},
        {"single extended 0x12345678", 0x91A2B3C0, 0x00000003, 0, {0x12345678}},
        {"dual standard 0x124 or 0x123", 0x24802460, 0x000F000F, 1, {0x123, 0x124}},
        {"dual extended bits 28-13", 0x91A20000, 0x00000000, 1, {0x12345678, 0x12345679}},
    };
    const can_frame frames[] = {CanFrame(0x123, {1}), CanFrame(0x124, {1}),
                                CanFrame(0x12345678 | CAN_EFF_FLAG, {1}),
                                CanFrame(0x12345679 | CAN_EFF_FLAG, {1})};
    ASSERT_EQ(Marlix_OpenDevice(0), 1);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        MarlixInitConfig config = FiveHundredKilobit();
        config.acceptanceCode = c.code;
        config.acceptanceMask = c.mask;
        config.filterMode = c.filterMode;
        ASSERT_EQ(Marlix_InitCan(0, 0, &config), 1);
        ASSERT_EQ(bench.can0->WaitConnections(2, 2000), 2u);
        for (const can_frame& f : frames) bench.can0->Send(f);
        bench.can0->Send(CanFrame(0x7FF, {0xEE}));  // passes "all" only; ends the wait early there
        std::vector<uint32_t> passed;
        for (const MarlixFrame& f : bench.ReceiveUpTo(0, c.passed.size() + 1, 300))
            if (f.identifier != 0x7FF) passed.push_back(f.identifier);
        EXPECT_EQ(passed, c.passed);
    }
}

TEST_F(SocketCanExports, BitRatesTheInterfaceDoesNotHave) {
    TraceLines trace;
    ASSERT_EQ(Marlix_OpenDevice(0), 1);
    MarlixInitConfig tooFast = FiveHundredKilobit();
    tooFast.busTiming1 = 0x00;  // 2.67 Mbit/s
    EXPECT_EQ(Marlix_InitCan(0, 0, &tooFast), 0);
    EXPECT_EQ(trace.Containing("bus timing 0x00/0x00 gives a bit rate above 1 Mbit/s"), 1);

    // 250 kbit/s on an interface at 500 kbit/s that Halbox may not change: refused, with the command.
    MarlixInitConfig slower = FiveHundredKilobit();
    slower.busTiming0 = 0x01;
    bench.can0->ForbidChanges(true);
    EXPECT_EQ(Marlix_InitCan(0, 0, &slower), 0);
    EXPECT_EQ(
        trace.Containing("can0 runs at 500000 bit/s, not 250000, and Halbox may not change it: run `ip link "
                         "set can0 down && ip link set can0 up type can bitrate 250000`"),
        1);
    EXPECT_EQ(bench.can0->BitRate(), 500000u);
    EXPECT_EQ(ThreadsNamed("halbox-rx0.0"), 0);
    // Where it may, Halbox sets the rate.
    bench.can0->ForbidChanges(false);
    EXPECT_EQ(Marlix_InitCan(0, 0, &slower), 1);
    EXPECT_EQ(bench.can0->BitRate(), 250000u);

    // A rate file that holds no rate reads as an interface whose rate must be set.
    const MarlixInitConfig config = FiveHundredKilobit();
    for (const std::string& text :
         std::vector<std::string>{"fast\n", "500000 bit/s", std::string(4096, '5'), "99999999999\n"}) {
        std::ofstream(bench.can1->RatePath(), std::ios::trunc) << text;
        bench.can1->ForbidChanges(true);
        EXPECT_EQ(Marlix_InitCan(0, 1, &config), 0) << text.substr(0, 20);
        bench.can1->ForbidChanges(false);
    }
    EXPECT_EQ(Marlix_InitCan(0, 1, &config), 1);
    EXPECT_EQ(bench.can1->BitRate(), 500000u);
}

TEST_F(SocketCanExports, AnInterfaceThatIsDown) {
    bench.can0->SetBitRate(0);  // down: Halbox brings it up at the rate asked for
    ASSERT_EQ(Marlix_OpenDevice(0), 1);
    const MarlixInitConfig config = FiveHundredKilobit();
    ASSERT_EQ(Marlix_InitCan(0, 0, &config), 1);
    EXPECT_EQ(bench.can0->BitRate(), 500000u);

    bench.can0->SetBitRate(0);  // taken down under Halbox
    MarlixFrame frame = Frame(0x100, 0, 0, {1});
    EXPECT_EQ(Marlix_Transmit(0, 0, &frame), 0);
    EXPECT_EQ(Marlix_CANGetState(0, 0), 0x00);
    bench.can0->SetBitRate(500000);
    EXPECT_EQ(Marlix_Transmit(0, 0, &frame), 1);
    EXPECT_EQ(Marlix_CANGetState(0, 0), 0x0C);
}

TEST_F(SocketCanExports, BusOffThroughErrorFramesAndTheRestart) {
    TraceLines trace;
    ASSERT_TRUE(bench.OpenAndInit());
    bench.can0->Send(ErrorFrame(CAN_ERR_CRTL | CAN_ERR_CNT, CAN_ERR_CRTL_TX_WARNING, 100, 5));
    ASSERT_TRUE(Eventually([] { return Marlix_CANGetState(0, 0) == 0x4C; }));
    uint8_t counters[2] = {};
    ASSERT_EQ(Marlix_ReadReg(0, 0, 14, counters, 2), 1);
    EXPECT_EQ(counters[0], 5);    // receive error counter
    EXPECT_EQ(counters[1], 100);  // transmit error counter

    bench.can0->Send(ErrorFrame(CAN_ERR_BUSOFF));
    ASSERT_TRUE(Eventually([] { return Marlix_CANGetState(0, 0) == 0xC0; }));
    MarlixFrame frame = Frame(0x100, 0, 0, {1});
    EXPECT_EQ(Marlix_Transmit(0, 0, &frame), 0);
    // The watchdog restarts the interface within its period.
    ASSERT_TRUE(Eventually([] { return Marlix_CANGetState(0, 0) == 0x0C; }));
    EXPECT_EQ(trace.Containing("can0 was bus-off and is restarted"), 1);
    EXPECT_EQ(Marlix_Transmit(0, 0, &frame), 1);

    // Where it may not restart it, it says so once and the channel stays bus-off.
    bench.can1->ForbidChanges(true);
    bench.can1->Send(ErrorFrame(CAN_ERR_BUSOFF));
    ASSERT_TRUE(Eventually([] { return Marlix_CANGetState(0, 1) == 0xC0; }));
    ASSERT_TRUE(
        Eventually([&] { return trace.Containing("can1 is bus-off and Halbox may not restart it") == 1; }));
    std::this_thread::sleep_for(std::chrono::milliseconds(1200));
    EXPECT_EQ(trace.Containing("can1 is bus-off and Halbox may not restart it"), 1);
    EXPECT_EQ(Marlix_CANGetState(0, 1), 0xC0);
    bench.can1->Send(ErrorFrame(CAN_ERR_RESTARTED));  // restarted by someone who may
    ASSERT_TRUE(Eventually([] { return Marlix_CANGetState(0, 1) == 0x0C; }));
}

TEST_F(SocketCanExports, RegistersHalboxStandsInFor) {
    ASSERT_EQ(Marlix_OpenDevice(0), 1);
    MarlixInfo info{0x11, 0x22, 0x33};
    EXPECT_EQ(Marlix_CANGetInfo(0, 0, &info), 0);  // not initialised: reset mode
    EXPECT_EQ(info.mode, 0x11);
    MarlixInitConfig listenOnly = FiveHundredKilobit();
    listenOnly.mode = 1;
    ASSERT_EQ(Marlix_InitCan(0, 0, &listenOnly), 1);
    ASSERT_EQ(Marlix_CANGetInfo(0, 0, &info), 1);
    EXPECT_EQ(info.mode, 0x8A);  // PeliCAN, single filter, listen-only
    EXPECT_EQ(info.interruptEnable, 0x89);
    EXPECT_EQ(info.warningLimit, 0x60);
    MarlixFrame frame = Frame(0x100, 0, 0, {1});
    EXPECT_EQ(Marlix_Transmit(0, 0, &frame), 0);  // listen-only sends nothing

    const struct {
        uint32_t address, count;
        int32_t result;
        std::vector<uint8_t> bytes;
    } reads[] = {
        {0, 1, 1, {0x0A}},
        {2, 1, 1, {0x0C}},
        {4, 1, 1, {0x89}},
        {13, 3, 1, {0x60, 0, 0}},
        {1, 1, 0, {0xEE}},
        {3, 1, 0, {0xEE}},
        {0, 5, 0, {0xEE, 0xEE, 0xEE, 0xEE, 0xEE}},
        {16, 4, 0, {0xEE, 0xEE, 0xEE, 0xEE}},
        {31, 1, 0, {0xEE}},
        {0x100, 1, 0, {0xEE}},
    };
    for (const auto& r : reads) {
        std::vector<uint8_t> buffer(r.count, 0xEE);
        EXPECT_EQ(Marlix_ReadReg(0, 0, r.address, buffer.data(), r.count), r.result) << r.address;
        EXPECT_EQ(buffer, r.bytes) << r.address;
    }
    const struct {
        uint32_t address;
        std::vector<uint8_t> bytes;
        int32_t result;
    } writes[] = {
        {13, {0x10}, 1}, {4, {0x01}, 1}, {14, {0}, 0},
        {2, {0}, 0},     {1, {0x01}, 0}, {0, {0x08}, 0},  // leaving listen-only is Marlix_InitCan's
        {0, {0x0B}, 1},                                   // reset mode
    };
    for (const auto& w : writes)
        EXPECT_EQ(Marlix_WriteReg(0, 0, w.address, w.bytes.data(), static_cast<uint32_t>(w.bytes.size())),
                  w.result)
            << w.address;
    EXPECT_EQ(Marlix_CANGetInfo(0, 0, &info), 0);  // in reset mode now
    const uint8_t leave = 0x0A;
    ASSERT_EQ(Marlix_WriteReg(0, 0, 0, &leave, 1), 1);
    ASSERT_EQ(Marlix_CANGetInfo(0, 0, &info), 1);
    EXPECT_EQ(info.interruptEnable, 0x01);
    EXPECT_EQ(info.warningLimit, 0x10);
    EXPECT_EQ(Marlix_ResetCan(0, 0), 1);
    EXPECT_EQ(Marlix_CANGetInfo(0, 0, &info), 0);
    EXPECT_EQ(Marlix_CANAbortSend(0, 0), 1);
}

TEST_F(SocketCanExports, TheRingUnderAFloodAtTheOneMegabitLimit) {
    MarlixInitConfig config = FiveHundredKilobit();
    config.busTiming1 = 0x14;  // 1 Mbit/s
    ASSERT_TRUE(bench.OpenAndInit(config));
    EXPECT_EQ(bench.can0->BitRate(), 1000000u);
    constexpr uint32_t kFrames = 7634;  // one second of extended 8-byte frames (131 bit times each)
    bench.can0->Flood(kFrames, kFrames, [](uint32_t i) {
        const auto b = [i](int shift) { return static_cast<uint8_t>(i >> shift); };
        return CanFrame(0x1F000000u | i | CAN_EFF_FLAG, {b(0), b(8), b(16), 0, 0, 0, 0, 0});
    });
    ASSERT_TRUE(Eventually([] { return Marlix_GetReceiveNum(0, 0) == static_cast<int32_t>(kFrames); }));
    const auto got = bench.ReceiveUpTo(0, kFrames);
    ASSERT_EQ(got.size(), kFrames);
    uint32_t outOfOrder = 0;
    for (uint32_t i = 0; i < kFrames; ++i) outOfOrder += got[i].identifier != (0x1F000000u | i);
    EXPECT_EQ(outOfOrder, 0u);
    EXPECT_EQ(bench.can0->Dropped(), 0u);

    // Beyond the ring's 100000 frames the newest are dropped and the count stays.
    bench.can0->Flood(100010, 0, [](uint32_t i) { return CanFrame(0x1F000000u | i | CAN_EFF_FLAG, {}); });
    ASSERT_TRUE(Eventually([] { return Marlix_GetReceiveNum(0, 0) == 100000; }, 10000));
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_EQ(Marlix_GetReceiveNum(0, 0), 100000);
    MarlixFrame first;
    ASSERT_EQ(Marlix_Receive(0, 0, &first, 1, 0), 1);
    EXPECT_EQ(first.identifier, 0x1F000000u);
}

TEST_F(SocketCanExports, CardsFromTheVariableOrTheInterfacesPresent) {
    testing::StandInInterface can2(bench.dir.Path(), "can2", 500000),
        can10(bench.dir.Path(), "can10", 500000);
    const MarlixInitConfig config = FiveHundredKilobit();
    const struct {
        const char* map;                          // nullptr: unset
        std::vector<std::vector<int32_t>> cards;  // per card 0-2: open, init ch 0, init ch 1
    } cases[] = {
        {nullptr, {{1, 1, 1}, {1, 1, 1}, {0, 0, 0}}},  // can0,can1; can2,can10
        {"can10,", {{1, 1, 0}, {0, 0, 0}, {0, 0, 0}}},
        {";,can2;nothere,can1", {{0, 0, 0}, {1, 0, 1}, {1, 0, 1}}},
        {"nothere,gone", {{0, 0, 0}, {0, 0, 0}, {0, 0, 0}}},
        {"../can0,can1", {{1, 0, 1}, {0, 0, 0}, {0, 0, 0}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.map ? c.map : "(unset)");
        if (c.map)
            setenv("HALBOX_SOCKETCAN", c.map, 1);
        else
            unsetenv("HALBOX_SOCKETCAN");
        for (uint32_t d = 0; d < 3; ++d) {
            EXPECT_EQ(Marlix_OpenDevice(d), c.cards[d][0]) << "card " << d;
            EXPECT_EQ(Marlix_InitCan(d, 0, &config), c.cards[d][1]) << "card " << d;
            EXPECT_EQ(Marlix_InitCan(d, 1, &config), c.cards[d][2]) << "card " << d;
            Marlix_CloseDevice(d);
        }
    }
    // The simulated SJA1000 cards win when HALBOX_SIM is set: nothing listens there, so no card.
    unsetenv("HALBOX_SOCKETCAN");
    setenv("HALBOX_SIM", (bench.dir.Path() + "/no-card.sock").c_str(), 1);
    EXPECT_EQ(Marlix_OpenDevice(0), 0);
    unsetenv("HALBOX_SIM");
}

TEST_F(SocketCanExports, ThreadsTransmittingWhileFramesComeInAndStateIsRead) {
    ASSERT_TRUE(bench.OpenAndInit());
    constexpr uint32_t kThreads = 4, kFrames = 100;
    std::vector<std::thread> threads;
    std::atomic<int> failed{0};
    for (uint32_t t = 0; t < kThreads; ++t)
        threads.emplace_back([t, &failed] {
            for (uint32_t i = 0; i < kFrames; ++i) {
                MarlixFrame f =
                    Frame(t << 8 | i, true, false, {static_cast<uint8_t>(t), static_cast<uint8_t>(i)});
                if (Marlix_Transmit(0, 0, &f) != 1 || (Marlix_CANGetState(0, 0) & 0x0C) != 0x0C) ++failed;
            }
        });
    threads.emplace_back(
        [this] { bench.can0->Flood(kThreads * kFrames, 0, [](uint32_t i) { return CanFrame(i); }); });
    for (auto& t : threads) t.join();
    EXPECT_EQ(failed.load(), 0);
    ASSERT_EQ(bench.can0->WaitWritten(kThreads * kFrames, 3000), size_t{kThreads * kFrames});
    int mixed = 0;
    for (const can_frame& f : bench.can0->Written())
        mixed += f.len != 2 || f.data[0] != ((f.can_id >> 8) & 0xFF) || f.data[1] != (f.can_id & 0xFF);
    EXPECT_EQ(mixed, 0);
    EXPECT_EQ(bench.ReceiveUpTo(0, kThreads * kFrames).size(), size_t{kThreads * kFrames});
    EXPECT_EQ(bench.ReceiveUpTo(1, kThreads * kFrames).size(), size_t{kThreads * kFrames});
}

TEST_F(SocketCanExports, AStandInThatGoesAwayAndComesBack) {
    ASSERT_TRUE(bench.OpenAndInit());
    bench.can0->DropConnections();
    ASSERT_TRUE(Eventually([&] { return bench.can0->WaitConnections(2, 0) == 2; }));
    bench.can0->Send(CanFrame(0x321, {7}));
    const auto got = bench.ReceiveUpTo(0, 1);
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].identifier, 0x321u);
}

// Without the stand-in the kernel's interfaces are used; only CAN interfaces count, so a map entry
// naming another interface never reaches the link configuration (which would take "lo" down).
TEST(SocketCanKernel, OnlyCanInterfacesMakeACard) {
    unsetenv("HALBOX_SIM");
    unsetenv("HALBOX_SOCKETCAN_SIM");
    const char* maps[] = {"lo", "lo,lo", "nocan0,nocan1", "../lo"};
    for (const char* map : maps) {
        setenv("HALBOX_SOCKETCAN", map, 1);
        EXPECT_EQ(Marlix_OpenDevice(0), 0) << map;
        Marlix_CloseDevice(0);
    }
    unsetenv("HALBOX_SOCKETCAN");
}

}  // namespace
}  // namespace norvane::halbox::test
