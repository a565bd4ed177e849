// The PCI gateway through the exports, over libHalbox.so loaded by name and simulated cards:
// search, bit-rate search, identifiers on the bus, notices and stream data, both generations,
// a missing card library, and closing one channel of a card while the other is in use.
#include <gtest/gtest.h>

#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <string>
#include <vector>

#include "pci_bench.h"

namespace norvane::pci::test {
namespace {

constexpr uint32_t kEna = 1, kSpd = 7;

bool SawOnBus(const sim::VirtualBus& bus, uint32_t id, sim::Direction direction) {
    const auto traffic = bus.Traffic();
    return std::any_of(traffic.begin(), traffic.end(), [&](const sim::TrafficEntry& e) {
        return e.direction == direction && e.frame.id == id && e.frame.extended;
    });
}

TEST(PciSearch, TwoCardsWithBothChannelsGiveFourPortsInPositionOrder) {
    PciBench bench;
    bench.Channel(0, 0, 1000000, {5});
    bench.Channel(0, 1, 1000000, {6});
    bench.Channel(1, 0, 1000000, {7});
    bench.Channel(1, 1, 1000000, {8});
    ASSERT_TRUE(bench.Start());
    KymDevInfo infos[8] = {};
    ASSERT_EQ(SearchGateway(8, nullptr, infos, 8), 4);
    const struct {
        uint32_t handle;
        const char* name;
    } expected[] = {{0x800, "Halbox DevID000, Can Index 0"},
                    {0x810, "Halbox DevID000, Can Index 1"},
                    {0x801, "Halbox DevID001, Can Index 0"},
                    {0x811, "Halbox DevID001, Can Index 1"}};
    for (int i = 0; i < 4; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(infos[i].kind, 8u);
        EXPECT_EQ(infos[i].handle, expected[i].handle);
        EXPECT_STREQ(infos[i].name, expected[i].name);
        EXPECT_EQ(infos[i].gatewayClass, 0x20000u);
        auto port = bench.gateway->Port(i);  // positions 0-3
        ASSERT_TRUE(port);
        EXPECT_EQ(port->portIndex, expected[i].handle & 0xFF);
    }
    EXPECT_EQ(SearchGateway(8, nullptr, infos, 3), -1);  // more ports than room
}

TEST(PciSearch, A250kBusIsFoundOnTheFourthTry) {
    PciBench bench;
    bench.Channel(0, 0, 250000, {5});
    bench.Channel(0, 1, 1000000, {6});  // answers at once: an empty channel costs six failed sends
    ASSERT_TRUE(bench.Start());
    ASSERT_EQ(SearchDevice(8, nullptr), 2);
    int32_t rate = -1;
    EXPECT_EQ(GetBTR(0x800, &rate), 1);
    EXPECT_EQ(rate, 3);
    uint32_t ids[126] = {};
    rate = -1;
    ASSERT_EQ(OpenGateway(0x800, ids, 126, &rate), 1);
    EXPECT_EQ(ids[0], 5u);
    EXPECT_EQ(rate, 3);
    // Re-initialising the open channel at a table index keeps it working.
    EXPECT_EQ(bench.gateway->SetChannelBitRate(0x800, 8), 0);
    EXPECT_EQ(bench.gateway->SetChannelBitRate(0x800, 3), 1);
    KymReply reply{};
    EXPECT_EQ(SingleCommandGet(0x800, 5, kSpd, 0, &reply), 1);
}

TEST(PciSearch, MissingCardLibraryGivesNoPorts) {
    PciBench bench;
    bench.Channel(0, 0, 1000000, {5});
    ASSERT_TRUE(bench.Start());
    sdk::can::CPCIPortCAN gateway(8, "libHalboxMissing.so");
    EXPECT_EQ(gateway.SearchPorts(nullptr, 5), 0);
    EXPECT_EQ(gateway.OpenPort(0, nullptr, 0, nullptr), 0);
    EXPECT_EQ(gateway.ClosePort(0x800), 1);
}

TEST(PciRequests, IdentifiersOnTheBusAndAnswersDecoded) {
    PciBench bench;
    sim::VirtualBus& bus = bench.Channel(0, 0, 1000000, {5});
    bench.Channel(0, 1, 1000000, {6});  // answers at once: an empty channel costs six failed sends
    ASSERT_TRUE(bench.Start());
    ASSERT_EQ(SearchDevice(8, nullptr), 2);
    uint32_t ids[126] = {};
    int32_t rate = -1;
    ASSERT_EQ(OpenGateway(0x800, ids, 126, &rate), 1);
    EXPECT_EQ(rate, 0);
    EXPECT_TRUE(SawOnBus(bus, 0x1F0FE0C0, sim::Direction::FromGateway));  // discovery
    bus.ClearTraffic();
    KymReply reply{};
    ASSERT_EQ(SingleCommandSet(0x800, 5, kEna, 0, nullptr, 1, &reply), 1);
    EXPECT_TRUE(SawOnBus(bus, 0x05080081, sim::Direction::FromGateway));
    EXPECT_TRUE(SawOnBus(bus, 0x00280081, sim::Direction::FromNode));  // node 5's answer, filed for 5
    int32_t speed = 4321;
    ASSERT_EQ(SingleCommandSet(0x800, 5, kSpd, 0, &speed, 1, &reply), 1);
    ASSERT_EQ(SingleCommandGet(0x800, 5, kSpd, 0, &reply), 1);
    EXPECT_EQ(reply.field[0], 4321);
    EXPECT_EQ(CloseGateway(0x800), 1);
    EXPECT_EQ(SingleCommandGet(0x800, 5, kSpd, 0, &reply), -1);  // no receive thread any more
}

struct Notices {
    std::mutex mutex;
    std::condition_variable changed;
    std::vector<std::pair<uint32_t, uint32_t>> seen;  // handle, identifier
} notices;
void OnNotice(uint32_t handle, KymNoticeFrame* frame, int32_t) {
    std::lock_guard lock(notices.mutex);
    notices.seen.emplace_back(handle, frame->identifier);
    notices.changed.notify_all();
}

TEST(PciReceive, NoticesReachTheCallbackAndStreamDataTheNodesBuffer) {
    PciBench bench;
    bench.Channel(0, 0, 1000000, {5});
    bench.Channel(0, 1, 1000000, {6});  // answers at once: an empty channel costs six failed sends
    ASSERT_TRUE(bench.Start());
    ASSERT_EQ(SearchDevice(8, nullptr), 2);
    uint32_t ids[126] = {};
    ASSERT_EQ(OpenGateway(0x800, ids, 126, nullptr), 1);
    KYMRegRtcnCallBack(0, nullptr, OnNotice);
    sim::CanFrame stream;
    stream.id = (5u << 19) | 0x3E;
    stream.length = 3;
    stream.data[0] = 'a', stream.data[1] = 'b', stream.data[2] = 'c';
    bench.server.InjectFromBus(0, 0, stream);
    sim::CanFrame moved;
    moved.id = (5u << 19) | 0x75;
    bench.server.InjectFromBus(0, 0, moved);
    std::unique_lock lock(notices.mutex);
    const bool seen = notices.changed.wait_for(lock, std::chrono::seconds(3), [] {
        return std::count(notices.seen.begin(), notices.seen.end(),
                          std::make_pair(0x800u, (5u << 19) | 0x75)) == 1;
    });
    lock.unlock();
    KYMRegRtcnCallBack(0, nullptr, nullptr);
    EXPECT_TRUE(seen);
    // The stream frame came before the notice, so its bytes are filed by now.
    uint8_t bytes[8] = {};
    EXPECT_EQ(Kym153Recv(0x800, 5, bytes, sizeof bytes), 3);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(bytes), 3), "abc");
}

TEST(PciFirstGen, SearchFindsTheRateAndDiscoversTheNodes) {
    PciBench bench(2048);
    bench.Channel(0, 0, 800000, {5, 9}, true);
    bench.Channel(0, 1, 1000000, {7}, true);
    ASSERT_TRUE(bench.Start());
    KymDevInfo infos[4] = {};
    ASSERT_EQ(SearchGateway(8 | 2048, nullptr, infos, 4), 2);
    EXPECT_EQ(infos[0].kind, 2048u);
    EXPECT_EQ(infos[0].handle, 0x80000u);
    EXPECT_EQ(infos[1].handle, 0x80010u);
    int32_t rate = -1;
    EXPECT_EQ(GetBTR(0x80000, &rate), 1);
    EXPECT_EQ(rate, 1);
    KymNodeRecord records[126] = {};
    ASSERT_EQ(OpenGateWay(0x80000, records, 126, nullptr), 2);
    EXPECT_EQ(records[0].nodeId, 5u);
    EXPECT_EQ(records[1].nodeId, 9u);
    EXPECT_EQ(records[0].handle, 0x80000u);
    EXPECT_EQ(CloseGateWay(0x80000), 1);
}

// Closing one channel of a card must not stop the other: the card closes with its last channel.
TEST(PciClose, ClosingOneChannelKeepsTheOtherChannelOfTheCardWorking) {
    PciBench bench;
    bench.Channel(0, 0, 1000000, {5});
    bench.Channel(0, 1, 1000000, {6});
    ASSERT_TRUE(bench.Start());
    ASSERT_EQ(SearchDevice(8, nullptr), 2);
    uint32_t ids[126] = {};
    ASSERT_EQ(OpenGateway(0x800, ids, 126, nullptr), 1);
    ASSERT_EQ(OpenGateway(0x810, ids, 126, nullptr), 1);
    EXPECT_EQ(ids[0], 6u);
    ASSERT_EQ(CloseGateway(0x800), 1);
    KymReply reply{};
    int32_t speed = 77;
    EXPECT_EQ(SingleCommandSet(0x810, 6, kSpd, 0, &speed, 1, &reply), 1);
    ASSERT_EQ(SingleCommandGet(0x810, 6, kSpd, 0, &reply), 1);
    EXPECT_EQ(reply.field[0], 77);
    EXPECT_TRUE(bench.server.CardLinked(0));
    // Reopening the closed channel works beside the open one.
    ASSERT_EQ(OpenGateway(0x800, ids, 126, nullptr), 1);
    EXPECT_EQ(SingleCommandGet(0x800, 5, kSpd, 0, &reply), 1);
    EXPECT_EQ(CloseGateway(0x810), 1);
    EXPECT_EQ(SingleCommandGet(0x800, 5, kSpd, 0, &reply), 1);
    EXPECT_EQ(CloseGateway(0x800), 1);
}

}  // namespace
}  // namespace norvane::pci::test
