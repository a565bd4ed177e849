#pragma once
// Simulated PCI cards for the PCI gateway tests, in-process: channels with second-generation
// controllers on buses at given bit rates, served where HALBOX_SIM points, and the process-wide
// PCI gateway installed with probe waits long enough for a loaded machine (what a probe finds
// does not depend on them: a channel at another bit rate receives nothing at all).
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "doubles/sim_controllers.h"
#include "norvane/NorvaneFunc.h"
#include "sdk/can/pci_gateway.h"
#include "sdk/core/gateway_registry.h"
#include "sim/nodes/second_gen_controller.h"
#include "sim/pci_card_server.h"

namespace norvane::pci::test {

struct PciBench {
    explicit PciBench(uint32_t kind = 8) : server("/tmp/norvane-pci-" + std::to_string(getpid()) + ".sock") {
        gateway = std::make_shared<sdk::can::CPCIPortCAN>(kind);
        gateway->probeTiming.answerWaitMs = 100;
        sdk::InstallGateway(sdk::GatewaySlot::Pci, gateway);
    }
    ~PciBench() {
        sdk::RemoveGateway(sdk::GatewaySlot::Pci);
        gateway.reset();
        server.Stop();
    }
    /// A channel whose bus runs at bitRate with controllers at the given ids (the frame times of
    /// the bus are modelled).
    sim::VirtualBus& Channel(uint8_t card, uint8_t channel, uint32_t bitRate,
                             std::initializer_list<uint8_t> ids, bool firstGen = false) {
        sim::BusOptions bus;
        bus.bitRate = bitRate;
        bus.modelBusTime = true;
        sim::VirtualBus& b = server.AddChannel(card, channel, bus);
        testing::AddControllers(b, ids, firstGen);
        return b;
    }
    bool Start() {
        if (!server.Start()) return false;
        setenv("HALBOX_SIM", server.SocketPath().c_str(), 1);
        return true;
    }

    sim::PciCardServer server;
    std::shared_ptr<sdk::can::CPCIPortCAN> gateway;
};

}  // namespace norvane::pci::test
