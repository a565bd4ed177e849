// The traffic view's log without a display: filters by node and command, the bounded rows and
// the changes a view announces, pause and clear; and the feed from the SDK's real traffic tap
// under a flood the view does not drain.
#include "bench/traffic/traffic_log.h"

#include <gtest/gtest.h>

#include <chrono>
#include <optional>
#include <thread>
#include <vector>

#include "bench/traffic/traffic_feed.h"
#include "sdk/core/traffic_recorder.h"
#include "sdk/core/traffic_tap.h"

namespace norvane::bench {
namespace {

// A second-generation answer of node to command (control word with the answer bit).
TrafficRow Answer(int node, uint8_t command, uint64_t micros = 1) {
    KymTrafficFrame f{};
    f.timeMicros = micros;
    f.handle = 0x1001;
    f.direction = 1;
    f.extended = 1;
    f.identifier = static_cast<uint32_t>(0x80 | command | (node & 0x1F) << 19 | (node >> 5) << 8);
    return DecodeTrafficFrame(f);
}

std::vector<int> NodesShown(const TrafficLog& log) {
    std::vector<int> nodes;
    for (const TrafficRow& row : log.Shown()) nodes.push_back(row.node);
    return nodes;
}

TEST(TrafficLog, FiltersByNodeAndCommand) {
    const struct {
        std::optional<int> node, command;
        std::vector<int> shown;
    } cases[] = {
        {{}, {}, {5, 37, 5, 6}}, {5, {}, {5, 5}}, {{}, 7, {5, 37}}, {5, 11, {5}}, {9, {}, {}},
    };
    for (const auto& c : cases) {
        TrafficLog log;
        log.SetFilter({c.node, c.command});
        log.Append({Answer(5, 7), Answer(37, 7), Answer(5, 11), Answer(6, 65)});
        EXPECT_EQ(NodesShown(log), c.shown) << c.node.value_or(-1) << "/" << c.command.value_or(-1);
        EXPECT_EQ(log.Taken(), 4u);
        EXPECT_EQ(log.Nodes(), (std::set<int>{5, 6, 37}));
        EXPECT_EQ(log.Commands(),
                  (std::set<std::pair<int, std::string>>{{7, "SPD"}, {11, "POS"}, {65, "MDL"}}));
    }
    // Changing the filter later shows the rows taken before it.
    TrafficLog log;
    log.SetFilter({37, {}});
    log.Append({Answer(5, 7), Answer(37, 7)});
    log.SetFilter({});
    EXPECT_EQ(NodesShown(log), (std::vector<int>{5, 37}));
}

TEST(TrafficLog, KeepsTheNewestRowsAndTellsTheViewWhatChanged) {
    TrafficLog log(3);
    const struct {
        std::vector<int> nodes;
        size_t removedFront, added;
        std::vector<int> shown;
    } steps[] = {
        {{1, 2}, 0, 2, {1, 2}},
        {{3, 4}, 1, 2, {2, 3, 4}},
        {{5, 6, 7, 8, 9}, 3, 3, {7, 8, 9}},  // a batch larger than the log: its newest rows
        {{}, 0, 0, {7, 8, 9}},
    };
    TrafficLog announced(3);  // the view's order: the removal first, then the append
    for (const auto& step : steps) {
        std::vector<TrafficRow> rows;
        for (int node : step.nodes) rows.push_back(Answer(node, 7));
        const auto planned = log.Plan(rows);
        const auto change = log.Append(rows);
        EXPECT_EQ(planned.removedFront, change.removedFront);
        EXPECT_EQ(planned.added, change.added);
        EXPECT_EQ(change.removedFront, step.removedFront);
        EXPECT_EQ(change.added, step.added);
        EXPECT_EQ(NodesShown(log), step.shown);
        EXPECT_LE(log.Taken(), 3u);

        const auto first = announced.Plan(rows);
        announced.DropShownFront(first.removedFront);
        const size_t before = announced.Shown().size();
        const auto second = announced.Append(rows);
        EXPECT_EQ(second.removedFront, 0u);
        EXPECT_EQ(announced.Shown().size(), before + first.added);
        EXPECT_EQ(NodesShown(announced), step.shown);
    }
}

TEST(TrafficLog, PauseHoldsTheViewAndClearEmptiesIt) {
    TrafficLog log;
    log.Append({Answer(1, 7)});
    log.SetPaused(true);
    const auto change = log.Append({Answer(2, 7), Answer(3, 7)});
    EXPECT_EQ(change.added, 0u);
    EXPECT_EQ(NodesShown(log), (std::vector<int>{1}));
    log.SetPaused(false);  // the rows taken meanwhile show
    EXPECT_EQ(NodesShown(log), (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(
        log.CandumpText(),
        "(0.000001) eth-1-rx 00080087#\n(0.000001) eth-1-rx 00100087#\n(0.000001) eth-1-rx 00180087#\n");
    log.Clear();
    EXPECT_TRUE(log.Shown().empty());
    EXPECT_EQ(log.Taken(), 0u);
    EXPECT_TRUE(log.Nodes().empty());
    EXPECT_EQ(log.CandumpText(), "");
}

// The feed over the SDK's own tap: the table's two entries reach the real tap.
SdkTable TapTable() {
    SdkTable table;
    FillWithFailingCalls(table);
    table.NvRegTrafficCallBack = [](KymTrafficCallBack callback, void* context) -> int32_t {
        sdk::TrafficTap::Global().Set(callback, context);
        return 1;
    };
    table.NvGetTrafficCounts = [](uint64_t* delivered, uint64_t* dropped) -> int32_t {
        if (delivered != nullptr) *delivered = sdk::TrafficTap::Global().Delivered();
        if (dropped != nullptr) *dropped = sdk::TrafficTap::Global().Dropped();
        return 1;
    };
    table.present.set(static_cast<size_t>(SdkFunction::NvRegTrafficCallBack));
    table.present.set(static_cast<size_t>(SdkFunction::NvGetTrafficCounts));
    return table;
}

TEST(TrafficFeed, WithoutTheExportsItSaysSoAndTakesNothing) {
    SdkTable table;
    FillWithFailingCalls(table);
    TrafficFeed feed(table);
    EXPECT_FALSE(feed.Available());
    EXPECT_FALSE(feed.Start());
    EXPECT_TRUE(feed.Drain().empty());
    EXPECT_EQ(feed.Dropped(), 0u);
}

TEST(TrafficFeed, AFloodTheViewDoesNotDrainIsBoundedAndEveryFrameIsCounted) {
    const SdkTable table = TapTable();
    TrafficFeed feed(table);
    ASSERT_TRUE(feed.Start());
    ASSERT_TRUE(sdk::TrafficWanted());  // the tap alone makes the ports record: no file needed
    const size_t total = TrafficFeed::kInboxFrames + 3 * sdk::TrafficTap::kQueueFrames;
    sdk::BusFrame frame;
    frame.length = 1;
    for (size_t i = 0; i < total; ++i) {
        frame.data[0] = static_cast<uint8_t>(i);
        sdk::RecordBusFrame(0x1001, sdk::TrafficDirection::Received, frame);
    }
    // Every frame is either waiting in the tap, in the inbox, or counted as dropped; the inbox
    // never holds more than its bound.
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    uint64_t arrived = feed.Drain().size();
    EXPECT_LE(arrived, TrafficFeed::kInboxFrames);
    for (int i = 0; i < 2000 && arrived + feed.Dropped() < total; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
        arrived = feed.Drain().size() + arrived;
    }
    feed.Stop();
    EXPECT_FALSE(sdk::TrafficWanted());
    EXPECT_EQ(arrived + feed.Dropped(), total);
    EXPECT_LE(arrived, total);
}

}  // namespace
}  // namespace norvane::bench
