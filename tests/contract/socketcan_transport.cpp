// A PCI gateway over SocketCAN as a contract transport: norvane-sim's "socketcan" interfaces
// can0 and can1 (as its configuration lines make them) in a folder of their own, mapped to card 0
// through HALBOX_SOCKETCAN and reached by libHalbox.so through HALBOX_SOCKETCAN_SIM, with the
// controllers behind fault filters (faulty_node.h).
#include <unistd.h>

#include <cstdlib>

#include "contract_transport.h"
#include "faulty_node.h"
#include "norvane/NorvaneFunc.h"
#include "sim/nodes/node_factory.h"
#include "sim/simulation.h"

namespace norvane::contract {
namespace {

class SocketCanTransport : public ContractTransport {
public:
    explicit SocketCanTransport(uint8_t octet)
        : dir_("/tmp/norvane-contract-socketcan-" + std::to_string(getpid()) + "-" + std::to_string(octet)) {}
    ~SocketCanTransport() override {
        simulation_.Stop();
        rmdir(dir_.c_str());
        unsetenv("HALBOX_SOCKETCAN_SIM");
        unsetenv("HALBOX_SOCKETCAN");
    }

    bool Start(std::string& error) override {
        SetSerialTransmissision(0);
        sim::SimConfig config;
        if (!sim::ParseSimConfig("socketcan can0 bitrate-code=0 bus-time\n"
                                 "socketcan can1 bitrate-code=0 bus-time\n"
                                 "node controller 11\n",
                                 config, error))
            return false;
        config.socketcanDir = dir_;
        std::vector<std::string> notes;
        if (!simulation_.Start(config, error, notes)) return false;
        interfaces_ = simulation_.SocketCans();
        for (uint8_t id : {3, 5, 7, 9}) {
            sim::nodes::NodeConfig node;
            node.id = id;
            auto controller = sim::nodes::MakeNode(node);
            controllers_[id] = static_cast<sim::nodes::SecondGenController*>(controller.get());
            interfaces_->Bus("can0").AddNode(std::make_unique<FaultyNode>(std::move(controller), faults_));
        }
        // HALBOX_SIM would choose the simulated SJA1000 cards instead.
        unsetenv("HALBOX_SIM");
        setenv("HALBOX_SOCKETCAN_SIM", dir_.c_str(), 1);
        setenv("HALBOX_SOCKETCAN", "can0,can1", 1);
        return true;
    }
    uint32_t SearchMask() const override { return 8; }
    std::vector<uint32_t> SearchParams() const override { return std::vector<uint32_t>(10, 0); }
    uint32_t ExpectedHandle() const override { return 0x800; }
    uint32_t ExpectedKind() const override { return 8; }
    std::string ExpectedName() const override { return "Halbox DevID000, Can Index 0"; }
    uint8_t BitRateCode() const override { return 0; }  // index of 1 Mbit/s in the bit-rate table
    sim::nodes::SecondGenController* Controller(uint8_t id) override { return controllers_[id]; }
    sim::VirtualBus* Bus() override { return &interfaces_->Bus("can0"); }
    void SetSilent(bool silent) override { faults_.silent = silent; }
    void AnswerWithError(uint8_t code) override { faults_.errorCode = code; }
    int ExpectedPorts() const override { return 2; }
    uint32_t AnswerTimeoutMs() const override { return 200; }
    int ClosedGetResult() const override { return -1; }

private:
    Faults faults_;  // outlives the nodes that read it
    const std::string dir_;
    sim::Simulation simulation_;
    sim::SocketCanServer* interfaces_ = nullptr;
    sim::nodes::SecondGenController* controllers_[126] = {};
};

}  // namespace

std::unique_ptr<ContractTransport> MakeSocketCanTransport(uint8_t testOctet) {
    return std::make_unique<SocketCanTransport>(testOctet);
}

}  // namespace norvane::contract
