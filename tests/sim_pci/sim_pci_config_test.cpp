// PCI card lines of the simulator's configuration, the node answer layout on a raw bus, and the
// card server as norvane-sim runs it.
#include <gtest/gtest.h>
#include <unistd.h>

#include "sim/bus_identifier.h"
#include "sim/nodes/node_factory.h"
#include "sim/simulation.h"
#include "sim/virtual_bus.h"

namespace norvane::sim {
namespace {

TEST(PciConfig, CardChannelLinesWithTheirNodes) {
    SimConfig config;
    std::string error;
    ASSERT_TRUE(
        ParseSimConfig("pci 0:1 bitrate-code=3 bus-time log=/tmp/p.log\n"
                       "node controller 5\n"
                       "pci 7:0\n",
                       config, error))
        << error;
    ASSERT_EQ(config.gateways.size(), 2u);
    EXPECT_EQ(config.gateways[0].kind, GatewaySpec::Kind::Pci);
    EXPECT_EQ(config.gateways[0].card, 0);
    EXPECT_EQ(config.gateways[0].channel, 1);
    EXPECT_EQ(config.gateways[0].bitRateCode, 3);
    EXPECT_TRUE(config.gateways[0].busTime);
    EXPECT_EQ(config.gateways[0].nodes.size(), 1u);
    EXPECT_EQ(config.gateways[1].card, 7);

    const std::pair<const char*, const char*> bad[] = {
        {"pci 8:0\n", "line 1: expected card:channel (0-7:0-1) after pci"},
        {"pci 0:2\n", "line 1: expected card:channel (0-7:0-1) after pci"},
        {"pci 0\n", "line 1: expected card:channel (0-7:0-1) after pci"},
        {"pci 1:1\npci 1:1\n", "line 2: pci 1:1 configured twice"},
        {"pci 1:1 speed=3\n", "line 1: bad gateway setting 'speed=3'"},
    };
    for (const auto& [text, want] : bad) {
        EXPECT_FALSE(ParseSimConfig(text, config, error)) << text;
        EXPECT_EQ(error, want);
    }
}

TEST(NodeIdentifiers, NodesAnswerWithTheirIdAtBits19To23And8To10) {
    struct Case {
        uint32_t id;
        uint8_t node, controlWord;
    };
    const Case cases[] = {
        {0x00280081, 5, 0x81},    // second generation, node 5
        {0x00200340, 100, 0x40},  // node 100: bits 0-4 = 4, bits 5-6 = 3
        {0x00000181, 32, 0x81},   // node 32: nothing at 19-23
        {0x0500000C, 5, 0x0C},    // first generation: bits 24-28 and 16-17
        {0x0403000B, 100, 0x0B}, {0x0001000C, 32, 0x0C},
    };
    for (const Case& c : cases) {
        const BusAddress a = DecodeNodeIdentifier(c.id);
        EXPECT_EQ(a.node, c.node) << std::hex << c.id;
        EXPECT_EQ(a.controlWord, c.controlWord) << std::hex << c.id;
    }

    // What a simulated controller puts on the bus for node 5's ENA with answer.
    VirtualBus bus;
    nodes::NodeConfig controller;
    controller.id = 5;
    bus.AddNode(nodes::MakeNode(controller));
    std::mutex m;
    std::condition_variable cv;
    std::vector<uint32_t> ids;
    bus.SetGatewayListener([&](const CanFrame& f) {
        std::lock_guard lock(m);
        ids.push_back(f.id);
        cv.notify_all();
    });
    bus.Start();
    bus.Send(CanFrame{0x05080081, 0, {}});
    std::unique_lock lock(m);
    ASSERT_TRUE(cv.wait_for(lock, std::chrono::seconds(2), [&] { return !ids.empty(); }));
    EXPECT_EQ(ids[0], 0x00280081u);
}

TEST(PciSimulation, ServesConfiguredCardsAtTheSocket) {
    SimConfig config;
    std::string error;
    ASSERT_TRUE(ParseSimConfig("pci 2:0 bitrate-code=0\nnode controller 5\n", config, error));
    config.pciSocket = "/tmp/norvane-pci-test-" + std::to_string(getpid()) + ".sock";
    Simulation simulation;
    std::vector<std::string> notes;
    ASSERT_TRUE(simulation.Start(config, error, notes)) << error;
    ASSERT_NE(simulation.PciCards(), nullptr);
    EXPECT_TRUE(simulation.PciCards()->CardPresent(2));
    EXPECT_FALSE(simulation.PciCards()->CardPresent(0));
    EXPECT_EQ(simulation.PciCards()->Bus(2, 0).NodeCount(), 1u);
    EXPECT_EQ(simulation.PciCards()->Bus(2, 0).Options().bitRate, 1000000u);
    EXPECT_EQ(access(config.pciSocket.c_str(), F_OK), 0);
    // A second simulator at the same socket is refused while the first serves.
    Simulation second;
    EXPECT_FALSE(second.Start(config, error, notes));
    EXPECT_EQ(error, "PCI socket " + config.pciSocket + " is in use");
    simulation.Stop();
    EXPECT_NE(access(config.pciSocket.c_str(), F_OK), 0);
}

}  // namespace
}  // namespace norvane::sim
