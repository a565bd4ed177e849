// The USB gateway through the exports, over libusb-sim.so and simulated adapters: listing and
// naming, bit-rate detection, fetch splitting, identifiers on the bus, the adapter routines'
// failures, unplugging, a busy adapter, the device index change, several adapters from several
// threads, and the first generation.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/trace.h"
#include "sim/nodes/second_gen_controller.h"
#include "sim/simulation.h"
#include "usb_bench.h"

namespace norvane::usb::test {
namespace {

using Clock = std::chrono::steady_clock;
using sdk::can::UsbAdapters;
namespace proto = sdk::can::usb;

constexpr uint32_t kEna = 1, kSpd = 7;

bool SawOnBus(const sim::VirtualBus& bus, uint32_t id, sim::Direction direction) {
    const auto traffic = bus.Traffic();
    return std::any_of(traffic.begin(), traffic.end(), [&](const sim::TrafficEntry& e) {
        return e.direction == direction && e.frame.id == id;
    });
}

long ElapsedMs(Clock::time_point since) {
    return static_cast<long>(
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - since).count());
}

sim::CanFrame NodeFrame(uint32_t n) {
    sim::CanFrame f;
    f.id = (5u << 19) | 0x40;
    f.length = 4;
    f.data[0] = static_cast<uint8_t>(n);
    return f;
}

TEST(UsbSearch, TwoAdaptersAreListedAndNamedByTheirReleaseNumbers) {
    UsbBench bench;
    bench.Adapter(0, 1, {5});
    bench.Adapter(1, 1, {6});
    ASSERT_TRUE(bench.Start());
    KymDevInfo infos[4] = {};
    ASSERT_EQ(SearchGateway(4, nullptr, infos, 4), 2);
    for (uint32_t i = 0; i < 2; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(infos[i].kind, 4u);
        EXPECT_EQ(infos[i].handle, 0x400 | i);
        EXPECT_STREQ(infos[i].name, i == 0 ? "USBC7200 DevID000" : "USBC7200 DevID001");
        EXPECT_EQ(infos[i].transportValue, 1u);
        EXPECT_EQ(infos[i].gatewayClass, 0x20000u);
        EXPECT_TRUE(bench.gateway->Port(i));
    }
    EXPECT_FALSE(bench.server.Claimed(0));  // the search closes what it opened
}

TEST(UsbSearch, AnAdapterBeyondThePortCountIsListedAtItsIndex) {
    UsbBench bench;
    bench.Adapter(7, 2, {5});
    ASSERT_TRUE(bench.Start());
    KymDevInfo infos[2] = {};
    ASSERT_EQ(SearchGateway(4, nullptr, infos, 2), 1);
    EXPECT_EQ(infos[0].handle, 0x407u);
    EXPECT_STREQ(infos[0].name, "USBC7200 DevID007");
    uint32_t ids[126] = {};
    int32_t rate = -1;
    ASSERT_EQ(OpenGateway(0x407, ids, 126, &rate), 1);
    EXPECT_EQ(rate, 2);
    EXPECT_EQ(ids[0], 5u);
    EXPECT_EQ(CloseGateway(0x407), 1);
}

TEST(UsbSearch, BusAtCodeZeroIsFoundOnTheThirdCandidate) {
    UsbBench bench;
    bench.Adapter(0, 0, {5});
    ASSERT_TRUE(bench.Start());
    ASSERT_EQ(SearchDevice(4, nullptr), 1);
    int32_t rate = -1;
    EXPECT_EQ(GetBTR(0x400, &rate), 1);
    EXPECT_EQ(rate, 0);
    // Polls (pending-count requests) after each configuration: codes 2 and 1 are given up after
    // 2^(code+1) + 2 polls, code 0 answers.
    std::vector<std::pair<int, int>> polls;  // code, polls
    for (const sim::UsbExchange& e : bench.server.Model(0).Exchanges()) {
        if (e.command == proto::kConfigure) polls.emplace_back(e.argument, 0);
        if (e.command == proto::kPending && !polls.empty()) ++polls.back().second;
    }
    ASSERT_EQ(polls.size(), 3u);
    EXPECT_EQ(polls[0], std::make_pair(2, 10));
    EXPECT_EQ(polls[1], std::make_pair(1, 6));
    EXPECT_EQ(polls[2].first, 0);
}

TEST(UsbSearch, ABusyAdapterIsSkippedAndAMissingLibraryFindsNothing) {
    UsbBench bench;
    bench.Adapter(0, 1, {5});
    bench.Adapter(1, 1, {6});
    ASSERT_TRUE(bench.Start());
    bench.server.SetBusy(0, true);
    KymDevInfo infos[4] = {};
    ASSERT_EQ(SearchGateway(4, nullptr, infos, 4), 1);
    EXPECT_EQ(infos[0].handle, 0x401u);
    auto missing = std::make_shared<UsbAdapters>(nullptr);
    sdk::can::CUSBC7200CAN gateway(4, missing);
    EXPECT_EQ(gateway.SearchPorts(nullptr, 5), 0);
    sdk::can::UsbOpening opening = 0;
    EXPECT_EQ(missing->OpenDevice(0, opening), -1);
    EXPECT_EQ(missing->PendingCount(0), -1);
}

// The adapter routines on an open adapter whose bus runs at code 1.
class UsbRoutines : public ::testing::Test {
protected:
    void SetUp() override {
        bench.Adapter(0, 1, {});
        ASSERT_TRUE(bench.Start());
        ASSERT_EQ(adapters.OpenDevice(0, opening), 1);
        ASSERT_EQ(adapters.SetCanBaudRate(0, 1), 1);
        bench.server.Model(0).ClearExchanges();
    }
    void TearDown() override { adapters.CloseDevice(0, opening); }
    std::vector<std::pair<int, int>> Fetches() {  // frames asked for, bytes read
        std::vector<std::pair<int, int>> fetches;
        for (const sim::UsbExchange& e : bench.server.Model(0).Exchanges()) {
            if (e.command == proto::kFetch) fetches.emplace_back(e.argument, e.readSize);
        }
        return fetches;
    }

    UsbBench bench;
    UsbAdapters& adapters = *SimAdapters();
    sdk::can::UsbOpening opening = 0;
};

TEST_F(UsbRoutines, NineWaitingFramesAreFetchedFourFourOne) {
    for (uint32_t n = 0; n < 9; ++n) bench.server.InjectFromBus(0, NodeFrame(n));
    KymCanFrame records[126] = {};
    ASSERT_EQ(adapters.Receive(0, records, 126), 9);
    EXPECT_EQ(Fetches(), (std::vector<std::pair<int, int>>{{4, 64}, {4, 64}, {1, 16}}));
    for (uint32_t n = 0; n < 9; ++n) {
        EXPECT_EQ(records[n].identifier, (5u << 19) | 0x40);
        EXPECT_EQ(records[n].data[0], n);
        EXPECT_EQ(records[n].length, 4);
    }
}

TEST_F(UsbRoutines, APendingCountOf300IsFetchedAtMost126AtATime) {
    for (uint32_t n = 0; n < 300; ++n) bench.server.InjectFromBus(0, NodeFrame(n));
    EXPECT_EQ(adapters.PendingCount(0), 300);
    KymCanFrame records[200] = {};
    ASSERT_EQ(adapters.Receive(0, records, 200), 126);
    const auto fetches = Fetches();
    ASSERT_EQ(fetches.size(), 32u);  // 31 of four, then the last two
    EXPECT_EQ(fetches.back(), std::make_pair(2, 32));
    EXPECT_EQ(records[125].data[0], 125);
    EXPECT_EQ(adapters.PendingCount(0), 300 - 126);
}

TEST_F(UsbRoutines, ShortWritesBadRepliesAndClosedAdaptersFail) {
    bench.server.Model(0).ShortWriteNext();
    EXPECT_EQ(adapters.Command(0, proto::kStart), -2);
    bench.server.Model(0).WrongReplyNext();
    EXPECT_EQ(adapters.PendingCount(0), -3);
    bench.server.Model(0).WrongReplyNext();
    EXPECT_EQ(adapters.SetCanBaudRate(0, 1), -3);
    EXPECT_EQ(adapters.Command(0, proto::kStart), 1);  // the adapter works again
    EXPECT_EQ(adapters.PendingCount(1), -1);           // no handle at index 1
    adapters.CloseDevice(0, opening);
    EXPECT_EQ(adapters.Command(0, proto::kStart), -1);
}

TEST(UsbRequests, IdentifiersOnTheBusAnswersAndGlobals) {
    UsbBench bench;
    sim::VirtualBus& bus = bench.Adapter(0, 1, {5, 6});
    ASSERT_TRUE(bench.Start());
    ASSERT_EQ(SearchDevice(4, nullptr), 1);
    uint32_t ids[126] = {};
    ASSERT_EQ(OpenGateway(0x400, ids, 126, nullptr), 2);
    bus.ClearTraffic();
    KymReply reply{};
    ASSERT_EQ(SingleCommandSet(0x400, 5, kEna, 0, nullptr, 1, &reply), 1);
    EXPECT_TRUE(SawOnBus(bus, 0x05080081, sim::Direction::FromGateway));
    ASSERT_EQ(SetgSPD(0x400, 2500), 1);
    for (uint32_t node : {5u, 6u}) {
        ASSERT_EQ(SingleCommandGet(0x400, node, kSpd, 0, &reply), 1);
        EXPECT_EQ(reply.field[0], 2500) << node;
    }
    // The global speed went out with node 127's bits (0x1F0FE000) and command 27.
    const auto traffic = bus.Traffic();
    EXPECT_TRUE(std::any_of(traffic.begin(), traffic.end(), [](const sim::TrafficEntry& e) {
        return e.direction == sim::Direction::FromGateway && e.frame.id == (0x1F0FE000u | 27);
    }));
    // An unanswered get fails with -1 on this gateway.
    EXPECT_EQ(SingleCommandGet(0x400, 9, kSpd, 0, &reply), -1);
    EXPECT_EQ(CloseGateway(0x400), 1);
    EXPECT_EQ(CloseGateway(0x400 | 3), 0);  // no port there
}

TEST(UsbRequests, TheReceiveLoopTracesItsSignalWhenItStarts) {
    UsbBench bench;
    bench.Adapter(0, 1, {5});
    ASSERT_TRUE(bench.Start());
    ASSERT_EQ(SearchDevice(4, nullptr), 1);
    std::mutex lock;
    std::vector<std::string> lines;
    platform::SetTraceCapture([&](const std::string& line) {
        std::lock_guard guard(lock);
        lines.push_back(line);
    });
    uint32_t ids[126] = {};
    const int opened = OpenGateway(0x400, ids, 126, nullptr);
    platform::SetTraceCapture({});
    ASSERT_EQ(opened, 1);
    EXPECT_EQ(CloseGateway(0x400), 1);
    std::vector<std::string> steps;  // the open's trace lines without their time stamps
    for (const std::string& line : lines) {
        if (line.find("<---") != std::string::npos) steps.push_back(line.substr(line.find("<---")));
    }
    ASSERT_GE(steps.size(), 3u);
    EXPECT_EQ(steps[0], "<---USBC_OpenDevice bRetValue = 1\n\n");
    EXPECT_EQ(steps[1], "<---USBC_SetCanBaudRate bRetValue = 1\n\n");
    EXPECT_EQ(steps[2], "<---SDK_EVENT_SIGNAL\n\n");
    EXPECT_EQ(std::count(steps.begin(), steps.end(), steps[2]), 1);
}

TEST(UsbFaults, UnpluggingDuringARequestFailsInTimeAndCloseReturns) {
    UsbBench bench;
    bench.Adapter(0, 1, {5});
    ASSERT_TRUE(bench.Start());
    ASSERT_EQ(SearchDevice(4, nullptr), 1);
    uint32_t ids[126] = {};
    ASSERT_EQ(OpenGateway(0x400, ids, 126, nullptr), 1);
    std::atomic<int> result{0};
    const auto start = Clock::now();
    std::thread request([&] {
        KymReply reply{};
        int32_t speed = 10;
        for (int i = 0; i < 20 && result == 0; ++i) {
            const int r = SingleCommandSet(0x400, 5, kSpd, 0, &speed, 1, &reply);
            if (r != 1) result = r;
        }
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    bench.server.Unplug(0);
    request.join();
    EXPECT_EQ(result, -1);
    EXPECT_LT(ElapsedMs(start), 3000);
    EXPECT_EQ(CloseGateway(0x400), 1);
    EXPECT_EQ(SearchDevice(4, nullptr), 0);  // gone from the bus
}

// An unplugged adapter loses its power: nothing it queued survives the replug, nothing reaches
// the old port, and the host's reopen reads the nodes' values afresh.
TEST(UsbFaults, AReplugComesBackUnconfiguredAndTheReopenedPortReadsFreshValues) {
    UsbBench bench;
    bench.Adapter(0, 1, {5});
    ASSERT_TRUE(bench.Start());
    ASSERT_EQ(SearchDevice(4, nullptr), 1);
    uint32_t ids[126] = {};
    ASSERT_EQ(OpenGateway(0x400, ids, 126, nullptr), 1);
    KymReply reply{};
    int32_t speed = 321;
    ASSERT_EQ(SingleCommandSet(0x400, 5, kSpd, 0, &speed, 1, &reply), 1);
    bench.server.Unplug(0);
    bench.server.InjectFromBus(0, NodeFrame(7));  // arrives while the adapter is without power
    EXPECT_EQ(bench.server.Model(0).Waiting(), 0u);
    bench.server.Replug(0);
    EXPECT_NE(SingleCommandGet(0x400, 5, kSpd, 0, &reply), 1);
    EXPECT_EQ(CloseGateway(0x400), 1);
    ASSERT_EQ(SearchDevice(4, nullptr), 1);
    ASSERT_EQ(OpenGateway(0x400, ids, 126, nullptr), 1);
    reply = {};
    EXPECT_EQ(SingleCommandGet(0x400, 5, kSpd, 0, &reply), 1);
    EXPECT_EQ(reply.field[0], 321);
    EXPECT_EQ(CloseGateway(0x400), 1);
}

TEST(UsbIndex, ANewDeviceIndexSurvivesReEnumeration) {
    UsbBench bench;
    bench.Adapter(0, 1, {5});
    ASSERT_TRUE(bench.Start());
    ASSERT_EQ(SearchDevice(4, nullptr), 1);
    uint32_t ids[126] = {};
    ASSERT_EQ(OpenGateway(0x400, ids, 126, nullptr), 1);
    EXPECT_EQ(SetDevIndex(0x400, 0x8), -1);  // the new handle must be a USB handle too
    EXPECT_EQ(SetDevIndex(0x400, 0x405), 1);
    EXPECT_EQ(SetDevIndex(0x403, 0x404), 0);  // no port at 3
    EXPECT_EQ(CloseGateway(0x400), 1);
    KymDevInfo infos[2] = {};
    ASSERT_EQ(SearchGateway(4, nullptr, infos, 2), 1);
    EXPECT_EQ(infos[0].handle, 0x405u);
    EXPECT_EQ(bench.server.Model(0).DeviceIndex(), 5);
}

TEST(UsbThreads, SeveralAdaptersServeSeveralThreads) {
    UsbBench bench;
    bench.Adapter(0, 1, {5, 7});
    bench.Adapter(1, 1, {6, 8});
    ASSERT_TRUE(bench.Start());
    ASSERT_EQ(SearchDevice(4, nullptr), 2);
    uint32_t ids[126] = {};
    ASSERT_EQ(OpenGateway(0x400, ids, 126, nullptr), 2);
    ASSERT_EQ(OpenGateway(0x401, ids, 126, nullptr), 2);
    // Two threads per adapter, each with a node of its own. Under a loaded machine a request
    // may miss its 200 ms answer wait; what is answered must be the thread's own value.
    std::atomic<int> answered{0}, wrong{0};
    std::vector<std::thread> threads;
    for (uint32_t t = 0; t < 4; ++t) {
        threads.emplace_back([&, t] {
            const uint32_t handle = 0x400 | (t & 1), node = 5 + t;
            for (int32_t i = 0; i < 20; ++i) {
                KymReply reply{};
                int32_t speed = static_cast<int32_t>(t * 1000) + i;
                if (SingleCommandSet(handle, node, kSpd, 0, &speed, 1, &reply) != 1) continue;
                if (SingleCommandGet(handle, node, kSpd, 0, &reply) != 1) continue;
                ++answered;
                if (reply.field[0] != speed) ++wrong;
            }
        });
    }
    for (auto& t : threads) t.join();
    EXPECT_GT(answered, 0);
    EXPECT_EQ(wrong, 0);
    EXPECT_EQ(CloseGateway(0x400), 1);
    EXPECT_EQ(CloseGateway(0x401), 1);
}

TEST(UsbFirstGen, SearchDetectsTheRateAndRegistersAllNodes) {
    UsbBench bench(4096);
    bench.Adapter(0, 3, {5, 9}, true);
    ASSERT_TRUE(bench.Start());
    KymSearchRecord records[4] = {};
    ASSERT_EQ(bench.gateway->SearchPorts(records, 4), 1);
    EXPECT_EQ(records[0].handle, 0x100000u);
    EXPECT_EQ(records[0].transportValue, 3u);
    EXPECT_STREQ(records[0].name, "USBC7200 DevID000");
    KymNodeRecord nodes[126] = {};
    uint32_t out = 0;
    ASSERT_EQ(OpenGateWay(0x100000, nodes, 126, &out), 2);
    EXPECT_EQ(nodes[0].nodeId, 5u);
    EXPECT_EQ(nodes[1].nodeId, 9u);
    // The register-all answers name their node in data byte 0.
    KymNodeRecord all[126] = {};
    ASSERT_EQ(Register753AllDevice(0x100000, all, 126), 2);
    EXPECT_EQ(all[0].nodeId, 5u);
    EXPECT_EQ(all[1].nodeId, 9u);
    KymReply reply{};
    EXPECT_EQ(SingleCommandGet(0x100000, 9, 0x8B, 0, &reply), 1);
    EXPECT_EQ(CloseGateWay(0x100000), 1);
}

}  // namespace
}  // namespace norvane::usb::test

namespace norvane::usb::test {
namespace {

TEST(UsbSimulator, UsbLinesServeAdaptersThatTheSearchFinds) {
    sim::SimConfig config;
    std::string error;
    ASSERT_TRUE(sim::ParseSimConfig("usb 7 bitrate-code=0 bus-time\nnode controller 5\n", config, error))
        << error;
    ASSERT_EQ(config.gateways.size(), 1u);
    EXPECT_EQ(config.gateways[0].kind, sim::GatewaySpec::Kind::Usb);
    EXPECT_EQ(config.gateways[0].usbIndex, 7);
    EXPECT_EQ(config.gateways[0].bitRateCode, 0);
    const std::pair<const char*, const char*> bad[] = {
        {"usb 100\n", "line 1: expected a device index (0-99) after usb"},
        {"usb\n", "line 1: expected a device index (0-99) after usb"},
        {"usb 1\nusb 1\n", "line 2: usb 1 configured twice"},
    };
    for (const auto& [text, want] : bad) {
        sim::SimConfig other;
        EXPECT_FALSE(sim::ParseSimConfig(text, other, error)) << text;
        EXPECT_EQ(error, want);
    }
    config.usbSocket = "/tmp/norvane-usb-cli-" + std::to_string(getpid()) + ".sock";
    sim::Simulation simulation;
    std::vector<std::string> notes;
    ASSERT_TRUE(simulation.Start(config, error, notes)) << error;
    setenv("NORVANE_USB_SIM", config.usbSocket.c_str(), 1);
    SimAdapters()->closeSleepMs = 5;
    auto gateway = std::make_shared<sdk::can::CUSBC7200CAN>(4, SimAdapters());
    sdk::InstallGateway(sdk::GatewaySlot::Usb, gateway);
    KymDevInfo infos[2] = {};
    EXPECT_EQ(SearchGateway(4, nullptr, infos, 2), 1);
    EXPECT_EQ(infos[0].handle, 0x407u);
    EXPECT_EQ(infos[0].transportValue, 0u);
    sdk::RemoveGateway(sdk::GatewaySlot::Usb);
    gateway.reset();
    simulation.Stop();
}

}  // namespace
}  // namespace norvane::usb::test
