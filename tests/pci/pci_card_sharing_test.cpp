// Both channels of one PCI card used from different threads: a search that visits the card
// while a channel of it is opened must leave that channel running, and the card closes with
// its last user only.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "pci_bench.h"
#include "sdk/can/card_use.h"

namespace norvane::pci::test {
namespace {

constexpr uint32_t kFirstGenPort = 0x80000;  // kind 2048, card 0, channel 0

// The first-generation search opens and closes the card for every bit rate it tries on channel 1
// (nobody answers there, so it tries all six); channel 0, kept already, is opened meanwhile.
TEST(PciCardSharing, ASearchLeavesTheChannelOpenedMeanwhileRunning) {
    PciBench bench(2048);
    bench.Channel(0, 0, 1000000, {5}, true);
    ASSERT_TRUE(bench.Start());
    std::atomic<int> found{-1};
    std::thread search([&] {
        KymDevInfo infos[4] = {};
        found = SearchGateway(8 | 2048, nullptr, infos, 4);
    });
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!bench.gateway->PciPort(kFirstGenPort) && std::chrono::steady_clock::now() < giveUp)
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    KymNodeRecord records[8] = {};
    const int opened = OpenGateWay(kFirstGenPort, records, 8, nullptr);
    search.join();
    EXPECT_EQ(found, 1);
    ASSERT_EQ(opened, 1);
    EXPECT_EQ(records[0].nodeId, 5u);
    // After the search ended the channel still works: the card was not closed under it.
    EXPECT_TRUE(bench.server.CardLinked(0));
    KymReply reply{};
    EXPECT_EQ(GetSerialNumber(kFirstGenPort, 5, &reply), 1);
    EXPECT_EQ(CloseGateWay(kFirstGenPort), 1);
    const auto halbox = sdk::can::BindHalbox();
    ASSERT_TRUE(halbox);
    EXPECT_EQ(sdk::can::CardUse::Process().Users(*halbox, 0), 0u);
}

// Leases of one card from many threads: the card is open exactly while a lease is held.
TEST(PciCardSharing, TheCardClosesWithItsLastLease) {
    PciBench bench;
    bench.Channel(0, 0, 1000000, {5});
    ASSERT_TRUE(bench.Start());
    const auto halbox = sdk::can::BindHalbox();
    ASSERT_TRUE(halbox);
    sdk::can::CardUse& cards = sdk::can::CardUse::Process();
    EXPECT_FALSE(cards.Acquire(halbox, 3));  // no card 3
    EXPECT_EQ(cards.Users(*halbox, 3), 0u);
    {
        sdk::can::CardLease first = cards.Acquire(halbox, 0);
        ASSERT_TRUE(first);
        std::vector<std::thread> users;
        std::atomic<int> failed{0};
        for (int t = 0; t < 4; ++t)
            users.emplace_back([&] {
                for (int i = 0; i < 20; ++i) {
                    sdk::can::CardLease lease = cards.Acquire(halbox, 0);
                    // While any lease is held the card answers (it was never closed in between).
                    if (!lease || !bench.server.CardLinked(0)) ++failed;
                }
            });
        for (auto& u : users) u.join();
        EXPECT_EQ(failed, 0);
        EXPECT_EQ(cards.Users(*halbox, 0), 1u);
        sdk::can::CardLease moved = std::move(first);
        EXPECT_FALSE(first);
        moved.Release();
        moved.Release();  // given back once only
        EXPECT_EQ(cards.Users(*halbox, 0), 0u);
    }
    MarlixInitConfig config{};
    EXPECT_EQ(halbox->initCan(0, 0, &config), 0);  // closed: the library refuses the channel
}

}  // namespace
}  // namespace norvane::pci::test
