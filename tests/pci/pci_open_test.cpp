// Opening PCI channels: how the found nodes are named, and what a get gives on a channel whose
// receive thread does not run.
#include <gtest/gtest.h>

#include <algorithm>

#include "pci_bench.h"

namespace norvane::pci::test {
namespace {

constexpr uint32_t kSpd = 7;

// Second-generation nodes are named by their model answer (command 65), as on every other
// second-generation gateway; the first generation's model and settings numbers (0x8B, 0x81) mean
// position and enable in this generation and are not asked.
TEST(PciOpen, SecondGenerationNodesAreNamedByTheirModelAnswer) {
    PciBench bench;
    sim::VirtualBus& bus = bench.Channel(0, 0, 1000000, {5, 9});
    bench.Channel(0, 1, 1000000, {6});
    ASSERT_TRUE(bench.Start());
    ASSERT_EQ(SearchDevice(8, nullptr), 2);
    bus.ClearTraffic();
    KymNodeRecord records[8] = {};
    ASSERT_EQ(OpenGateWay(0x800, records, 8, nullptr), 2);
    for (int i = 0; i < 2; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(records[i].nodeId, i == 0 ? 5u : 9u);
        EXPECT_STREQ(records[i].model, "KYM24208");
        EXPECT_EQ(records[i].firmware, 1240u);
        EXPECT_EQ(records[i].handle, 0x800u);
    }
    int modelQueries = 0, otherQueries = 0;
    for (const auto& e : bus.Traffic()) {
        if (e.direction != sim::Direction::FromGateway || e.frame.id == 0x1F0FE0C0) continue;
        ((e.frame.id & 0xFF) == 0xC1 ? modelQueries : otherQueries)++;
    }
    EXPECT_EQ(modelQueries, 2);
    EXPECT_EQ(otherQueries, 0);
    EXPECT_EQ(CloseGateWay(0x800), 1);
}

// A get on a channel without its receive thread fails with -1 in both generations: before the
// channel is opened and after it is closed.
TEST(PciOpen, AGetWithoutReceiveThreadGivesMinusOne) {
    struct Case {
        uint32_t kind;
        uint32_t handle;
        bool firstGen;
    };
    const Case cases[] = {{8, 0x800, false}, {2048, 0x80000, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.kind);
        PciBench bench(c.kind);
        bench.Channel(0, 0, 1000000, {5}, c.firstGen);
        bench.Channel(0, 1, 1000000, {6}, c.firstGen);
        ASSERT_TRUE(bench.Start());
        KymDevInfo infos[4] = {};
        ASSERT_EQ(SearchGateway(8 | c.kind, nullptr, infos, 4), 2);
        const auto get = [&] {
            KymReply reply{};
            return c.firstGen ? GetSerialNumber(c.handle, 5, &reply)
                              : SingleCommandGet(c.handle, 5, kSpd, 0, &reply);
        };
        EXPECT_EQ(get(), -1) << "found, not opened";
        KymNodeRecord records[4] = {};
        ASSERT_EQ(OpenGateWay(c.handle, records, 4, nullptr), 1);
        EXPECT_EQ(get(), 1) << "open";
        EXPECT_EQ(CloseGateWay(c.handle), 1);
        EXPECT_EQ(get(), -1) << "closed";
    }
}

}  // namespace
}  // namespace norvane::pci::test
