#pragma once
// One simulated PCI card for Halbox tests, in-process: card 0 with controller 5 on channel 0 and
// flood node 9 on channel 1, both buses at 1 Mbit/s with frame times; HALBOX_SIM points at it.
// Each test runs in its own process under ctest; the bench closes card 0 when it ends.
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <string>

#include "doubles/halbox_client.h"
#include "halbox/Halbox.h"
#include "sim/nodes/flood_node.h"
#include "sim/nodes/node_factory.h"
#include "sim/pci_card_server.h"

namespace norvane::halbox::test {

/// Bus timing 0x00/0x14 (1 Mbit/s), accept everything, normal mode.
inline MarlixInitConfig OneMegabit() {
    MarlixInitConfig c{};
    c.acceptanceMask = 0xFFFFFFFFu;
    c.busTiming1 = 0x14;
    return c;
}

inline MarlixFrame Extended(uint32_t id, std::initializer_list<uint8_t> data = {}) {
    MarlixFrame f{};
    f.identifier = id;
    f.extended = 1;
    for (uint8_t b : data) f.data[f.length++] = b;
    return f;
}

using testing::ThreadsNamed;

struct CardBench {
    CardBench() : server("/tmp/halbox-test-" + std::to_string(getpid()) + ".sock") {
        sim::BusOptions bus;
        bus.bitRate = 1000000;
        bus.modelBusTime = true;
        sim::nodes::NodeConfig controller;
        controller.id = 5;
        server.AddChannel(0, 0, bus).AddNode(sim::nodes::MakeNode(controller));
        flood = static_cast<sim::nodes::FloodNode*>(
            server.AddChannel(0, 1, bus).AddNode(std::make_unique<sim::nodes::FloodNode>(9)));
        started = server.Start();
        setenv("HALBOX_SIM", server.SocketPath().c_str(), 1);
    }
    ~CardBench() {
        Marlix_CloseDevice(0);
        server.Stop();
    }
    /// Opens card 0 and initialises the channels at 1 Mbit/s.
    bool OpenAndInit(bool both = false) {
        const MarlixInitConfig c = OneMegabit();
        return Marlix_OpenDevice(0) == 1 && Marlix_InitCan(0, 0, &c) == 1 &&
               (!both || Marlix_InitCan(0, 1, &c) == 1);
    }
    /// Receives until want frames came or waitMs passed without any; returns what came.
    std::vector<MarlixFrame> ReceiveUpTo(uint32_t channel, size_t want, uint32_t waitMs = 2000) {
        return testing::ReceiveUpTo(0, channel, want, waitMs);
    }

    sim::PciCardServer server;
    sim::nodes::FloodNode* flood = nullptr;
    bool started = false;
};

}  // namespace norvane::halbox::test
