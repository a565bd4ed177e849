// The virtual bus: delivery between participants, bus time, and the candump log line.
#include "sim/virtual_bus.h"

#include <gtest/gtest.h>

#include <chrono>
#include <mutex>
#include <thread>
#include <vector>

#include "echo_node.h"

namespace norvane::sim::test {
namespace {

TEST(VirtualBusTest, NodeFramesReachTheGatewayAndOtherNodesWithDirectionRecorded) {
    VirtualBus bus;
    auto* five = static_cast<EchoNode*>(bus.AddNode(std::make_unique<EchoNode>(5)));
    auto* six = static_cast<EchoNode*>(bus.AddNode(std::make_unique<EchoNode>(6)));
    std::atomic<int> atGateway{0};
    bus.SetGatewayListener([&](const CanFrame&) { ++atGateway; });
    bus.Start();
    bus.Send(CanFrame{0x05080087, 1, {9}});
    for (int i = 0; i < 200 && atGateway == 0; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    bus.Stop();
    EXPECT_EQ(atGateway.load(), 1);
    EXPECT_EQ(five->seen.load(), 1);  // the request only; a node does not hear itself
    EXPECT_EQ(six->seen.load(), 2);   // the request and node 5's answer
    const auto traffic = bus.Traffic();
    ASSERT_EQ(traffic.size(), 2u);
    EXPECT_EQ(traffic[0].direction, Direction::FromGateway);
    EXPECT_EQ(traffic[1].direction, Direction::FromNode);
    EXPECT_EQ(traffic[1].frame.id, 0x00280087u);  // node 5 answers with its id at bits 19-23
}

TEST(VirtualBusTest, BusTimeModelSpacesFramesByTheirBitTime) {
    BusOptions options;
    options.bitRate = 125000;
    options.modelBusTime = true;
    VirtualBus bus(options);
    bus.Start();
    for (int i = 0; i < 50; ++i) bus.Send(CanFrame{0x05080007, 8, {}});
    for (int i = 0; i < 400 && bus.Traffic().size() < 50; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    bus.Stop();
    const auto traffic = bus.Traffic();
    ASSERT_EQ(traffic.size(), 50u);
    // 131 bits each at 125 kbit/s: 1048 us per frame, 49 gaps >= 51 ms.
    EXPECT_GE(traffic.back().timeUs - traffic.front().timeUs, 51000u);
    EXPECT_EQ(ExtendedFrameBits(8), 131u);
    EXPECT_EQ(ExtendedFrameBits(0), 67u);
}

TEST(VirtualBusTest, AnswerStartsWhenItsRequestEndsAndReachesTheGatewayNoEarlier) {
    BusOptions options;
    options.bitRate = 1000000;
    options.modelBusTime = true;
    const auto created = std::chrono::steady_clock::now();
    VirtualBus bus(options);
    bus.AddNode(std::make_unique<EchoNode>(5));
    std::vector<uint64_t> heardUs;  // when the gateway heard each answer, since before the bus began
    std::mutex heardLock;
    bus.SetGatewayListener([&](const CanFrame&) {
        const auto since = std::chrono::steady_clock::now() - created;
        std::lock_guard lock(heardLock);
        heardUs.push_back(
            static_cast<uint64_t>(std::chrono::duration_cast<std::chrono::microseconds>(since).count()));
    });
    bus.Start();
    auto heard = [&] {
        std::lock_guard lock(heardLock);
        return heardUs.size();
    };
    for (size_t round = 1; round <= 3; ++round) {
        bus.Send(CanFrame{0x05080087, 1, {9}});
        for (int i = 0; i < 400 && heard() < round; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    bus.Stop();
    const auto traffic = bus.Traffic();
    ASSERT_EQ(traffic.size(), 6u);
    for (size_t i = 0; i < 6; i += 2) {
        // 75 bit times each: the node answers as the request's last bit arrives, however late
        // the bus thread woke, and its answer is heard only once it has crossed the bus.
        EXPECT_NEAR(static_cast<double>(traffic[i + 1].timeUs - traffic[i].timeUs), 75.0, 1.0) << i;
        EXPECT_GE(heardUs[i / 2], traffic[i + 1].timeUs) << i;
    }
}

TEST(VirtualBusTest, CandumpLineFormat) {
    EXPECT_EQ(CandumpLine(1700000000123456ull, "vcan0", CanFrame{0x1F0FE040, 0, {}}),
              "(1700000000.123456) vcan0 1F0FE040#");
    EXPECT_EQ(CandumpLine(5ull, "vcan1", CanFrame{0x00280081, 3, {0x01, 0xAB, 0x00}}),
              "(0.000005) vcan1 00280081#01AB00");
}

}  // namespace
}  // namespace norvane::sim::test
