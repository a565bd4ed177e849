// Halbox driven from several threads at once on one channel of the simulated card: every
// transmission reaches the bus whole, exactly once.
#include <gtest/gtest.h>

#include <map>
#include <thread>
#include <vector>

#include "card_bench.h"

namespace norvane::halbox::test {
namespace {

TEST(ChannelThreads, ConcurrentTransmissionsReachTheBusIntactExactlyOnce) {
    CardBench bench;
    ASSERT_TRUE(bench.started) << bench.server.ErrorText();
    ASSERT_TRUE(bench.OpenAndInit(true));
    constexpr int kThreads = 4, kFrames = 150;
    // Channel 1 carries only the flood node, which acknowledges and never answers.
    std::vector<std::thread> senders;
    std::vector<int> failed(kThreads, 0);
    for (int t = 0; t < kThreads; ++t) {
        senders.emplace_back([t, &failed] {
            for (int i = 0; i < kFrames; ++i) {
                const auto tag = static_cast<uint8_t>(t);
                const auto low = static_cast<uint8_t>(i), high = static_cast<uint8_t>(i >> 8);
                // Identifier and data both name the thread and the frame, so a mixed frame shows.
                MarlixFrame frame =
                    Extended(0x01000000u | (uint32_t(t) << 16) | uint32_t(i),
                             {tag, high, low, tag, high, low, 0xA5, static_cast<uint8_t>(~tag)});
                if (Marlix_Transmit(0, 1, &frame) != 1) ++failed[static_cast<size_t>(t)];
            }
        });
    }
    for (auto& s : senders) s.join();
    for (int t = 0; t < kThreads; ++t) EXPECT_EQ(failed[static_cast<size_t>(t)], 0) << "thread " << t;

    std::map<uint32_t, int> seen;
    int mixed = 0;
    for (const auto& e : bench.server.Bus(0, 1).Traffic()) {
        if (e.direction != sim::Direction::FromGateway) continue;
        const sim::CanFrame& f = e.frame;
        const uint32_t t = (f.id >> 16) & 0xFF, i = f.id & 0xFFFF;
        const bool intact = f.extended && f.length == 8 && f.data[0] == t && f.data[1] == (i >> 8) &&
                            f.data[2] == (i & 0xFF) && f.data[3] == t && f.data[6] == 0xA5 &&
                            f.data[7] == static_cast<uint8_t>(~t);
        if (!intact) ++mixed;
        ++seen[f.id];
    }
    EXPECT_EQ(mixed, 0);
    int missing = 0, duplicated = 0;
    for (uint32_t t = 0; t < kThreads; ++t)
        for (uint32_t i = 0; i < kFrames; ++i) {
            const auto it = seen.find(0x01000000u | (t << 16) | i);
            if (it == seen.end())
                ++missing;
            else if (it->second > 1)
                ++duplicated;
        }
    EXPECT_EQ(missing, 0);
    EXPECT_EQ(duplicated, 0);
    EXPECT_EQ(seen.size(), size_t{kThreads * kFrames});
}

}  // namespace
}  // namespace norvane::halbox::test
