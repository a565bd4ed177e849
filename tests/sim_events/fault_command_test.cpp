// Faults armed over norvane-sim's control channel: the command words and what each one arms on
// the gateways of a running simulation.
#include "sim/events/fault_command.h"

#include <gtest/gtest.h>

namespace norvane::sim::events {
namespace {

TEST(FaultCommandTest, ParsesAndRefuses) {
    const std::pair<const char*, const char*> cases[] = {
        {"COM3 drop 3", "COM3 0 n3 ms0 off"},
        {"127.0.0.2:28877 DELAY 2 900", "127.0.0.2:28877 1 n2 ms900 off"},
        {"COM3 split 4 30", "COM3 2 n4 ms30 off"},
        {"COM3 silent on", "COM3 3 n0 ms0 on"},
        {"127.0.0.2:28877 garbage 40", "127.0.0.2:28877 4 n40 ms0 off"},
        {"127.0.0.2:28877 close", "127.0.0.2:28877 5 n0 ms0 off"},
        {"COM3 reset", "COM3 6 n0 ms0 off"},
        {"pci0:1 busoff", "pci0:1 7 n0 ms0 off"},
        {"usb0 unplug", "usb0 8 n0 ms0 off"},
        {"usb0 replug", "usb0 9 n0 ms0 off"},
        {"COM3", "usage"},
        {"COM3 drop", "usage"},
        {"COM3 drop 0", "usage"},
        {"COM3 delay 1", "usage"},
        {"COM3 delay 1 60001", "usage"},
        {"COM3 silent maybe", "usage"},
        {"COM3 close now", "usage"},
        {"COM3 melt", "usage"},
    };
    for (const auto& [line, expected] : cases) {
        FaultCommand c;
        std::string error;
        const bool parsed = ParseFaultCommand(line, c, error);
        const std::string got = parsed ? c.gateway + " " + std::to_string(static_cast<int>(c.action)) + " n" +
                                             std::to_string(c.count) + " ms" + std::to_string(c.ms) +
                                             (c.on ? " on" : " off")
                                       : error.substr(0, 5);
        EXPECT_EQ(got, expected) << line;
    }
}

TEST(FaultCommandTest, ArmsTheNamedGateway) {
    SimConfig config;
    std::string error;
    ASSERT_TRUE(
        ParseSimConfig("ethernet 127.0.0.95:0\nnode controller 5\nzone 127.0.0.96:0\n", config, error));
    Simulation sim;
    std::vector<std::string> notes;
    ASSERT_TRUE(sim.Start(config, error, notes)) << error;
    EthernetGateway& ethernet = *sim.EthernetGateways()[0];
    ZoneDevice& zone = *sim.ZoneDevices()[0];
    const std::string eth = "127.0.0.95:" + std::to_string(ethernet.Port());
    const std::string zon = "127.0.0.96:" + std::to_string(zone.Port());

    EXPECT_EQ(RunFaultLine("sensor 5 1 high", sim), "");  // not a fault line: left to the events
    EXPECT_EQ(RunFaultLine("fault " + eth + " drop 2", sim), "ok\n");
    EXPECT_TRUE(ethernet.Faults().NextAnswerFate().drop);
    EXPECT_TRUE(ethernet.Faults().NextAnswerFate().drop);
    EXPECT_FALSE(ethernet.Faults().NextAnswerFate().drop);
    EXPECT_EQ(RunFaultLine("fault " + zon + " delay 1 700", sim), "ok\n");
    EXPECT_EQ(zone.Faults().NextAnswerFate().delayMs, 700u);
    EXPECT_FALSE(ethernet.Faults().Silent());  // only the named gateway is armed
    EXPECT_EQ(RunFaultLine("fault " + eth + " silent on", sim), "ok\n");
    EXPECT_TRUE(ethernet.Faults().Silent());
    EXPECT_EQ(RunFaultLine("fault " + eth + " reset", sim), "ok\n");
    EXPECT_FALSE(ethernet.Faults().Silent());

    EXPECT_EQ(RunFaultLine("fault " + eth + " busoff", sim), "error: " + eth + " takes no such fault\n");
    EXPECT_EQ(RunFaultLine("fault COM9 drop 1", sim), "error: no gateway COM9\n");
    EXPECT_EQ(RunFaultLine("fault pci0:0 busoff", sim), "error: no gateway pci0:0\n");
    EXPECT_EQ(RunFaultLine("fault usb0 unplug", sim), "error: no gateway usb0\n");
    EXPECT_EQ(RunFaultLine("fault " + eth, sim).substr(0, 14), "error: usage: ");
}

}  // namespace
}  // namespace norvane::sim::events
