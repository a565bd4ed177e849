// A PCI card channel as a contract transport: simulated card 0 served where HALBOX_SIM points,
// reached through libHalbox.so, with its controllers behind fault filters (faulty_node.h).
#include <unistd.h>

#include <cstdlib>

#include "contract_transport.h"
#include "faulty_node.h"
#include "norvane/NorvaneFunc.h"
#include "sim/nodes/node_factory.h"
#include "sim/pci_card_server.h"

namespace norvane::contract {
namespace {

class PciTransport : public ContractTransport {
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
        sim::VirtualBus& channel0 = server_.AddChannel(0, 0, bus);
        for (uint8_t id : {3, 5, 7, 9}) {
            sim::nodes::NodeConfig config;
            config.id = id;
            auto node = sim::nodes::MakeNode(config);
            controllers_[id] = static_cast<sim::nodes::SecondGenController*>(node.get());
            channel0.AddNode(std::make_unique<FaultyNode>(std::move(node), faults_));
        }
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
    uint32_t SearchMask() const override { return 8; }
    std::vector<uint32_t> SearchParams() const override { return std::vector<uint32_t>(10, 0); }
    uint32_t ExpectedHandle() const override { return 0x800; }
    uint32_t ExpectedKind() const override { return 8; }
    std::string ExpectedName() const override { return "Halbox DevID000, Can Index 0"; }
    uint8_t BitRateCode() const override { return 0; }  // index of 1 Mbit/s in the bit-rate table
    sim::nodes::SecondGenController* Controller(uint8_t id) override { return controllers_[id]; }
    sim::VirtualBus* Bus() override { return &server_.Bus(0, 0); }
    void SetSilent(bool silent) override { faults_.silent = silent; }
    void AnswerWithError(uint8_t code) override { faults_.errorCode = code; }
    int ExpectedPorts() const override { return 2; }
    uint32_t AnswerTimeoutMs() const override { return 200; }
    int ClosedGetResult() const override { return -1; }

private:
    Faults faults_;  // outlives the nodes that read it
    sim::PciCardServer server_;
    sim::nodes::SecondGenController* controllers_[126] = {};
};

}  // namespace

std::unique_ptr<ContractTransport> MakePciTransport(uint8_t testOctet) {
    return std::make_unique<PciTransport>(testOctet);
}

}  // namespace norvane::contract
