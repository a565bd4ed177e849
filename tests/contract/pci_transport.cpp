// A PCI card channel as a contract transport: simulated card 0 served where HALBOX_SIM points,
// reached through libHalbox.so.
#include <unistd.h>

#include <cstdlib>

#include "halbox_transport.h"
#include "norvane/NorvaneFunc.h"
#include "sim/pci_card_server.h"

namespace norvane::contract {
namespace {

class PciTransport : public HalboxTransport {
public:
    explicit PciTransport(uint8_t octet)
        : server_("/tmp/norvane-contract-pci-" + std::to_string(getpid()) + "-" + std::to_string(octet) +
                  ".sock") {}
    ~PciTransport() override { server_.Stop(); }

    bool Start(std::string& error) override {
        SetSerialTransmissision(0);
        sim::BusOptions bus;
        bus.bitRate = 1000000;
        bus.modelBusTime = true;
        AddControllers(server_.AddChannel(0, 0, bus));
        sim::nodes::NodeConfig other;
        other.id = 11;
        server_.AddChannel(0, 1, bus).AddNode(sim::nodes::MakeNode(other));
        if (!server_.Start()) {
            error = server_.ErrorText();
            return false;
        }
        setenv("HALBOX_SIM", server_.SocketPath().c_str(), 1);
        return true;
    }
    sim::VirtualBus* Bus() override { return &server_.Bus(0, 0); }

private:
    sim::PciCardServer server_;
};

}  // namespace

std::unique_ptr<ContractTransport> MakePciTransport(uint8_t testOctet) {
    return std::make_unique<PciTransport>(testOctet);
}

}  // namespace norvane::contract
