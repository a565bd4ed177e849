#pragma once
// What the PCI gateway's contract transports share, whichever Halbox backend carries card 0:
// channel 0 at 1 Mbit/s with controllers 3, 5, 7, 9 behind fault filters (faulty_node.h), and
// channel 1 answering too, so the search does not spend its bit-rate tries on an empty bus.
#include <memory>
#include <string>
#include <vector>

#include "contract_transport.h"
#include "faulty_node.h"
#include "sim/nodes/node_factory.h"

namespace norvane::contract {

class HalboxTransport : public ContractTransport {
public:
    uint32_t SearchMask() const override { return 8; }
    std::vector<uint32_t> SearchParams() const override { return std::vector<uint32_t>(10, 0); }
    uint32_t ExpectedHandle() const override { return 0x800; }
    uint32_t ExpectedKind() const override { return 8; }
    std::string ExpectedName() const override { return "Halbox DevID000, Can Index 0"; }
    uint8_t BitRateCode() const override { return 0; }  // index of 1 Mbit/s in the bit-rate table
    sim::nodes::SecondGenController* Controller(uint8_t id) override { return controllers_[id]; }
    void SetSilent(bool silent) override { faults_.silent = silent; }
    void AnswerWithError(uint8_t code) override { faults_.errorCode = code; }
    int ExpectedPorts() const override { return 2; }
    uint32_t AnswerTimeoutMs() const override { return 200; }
    int ClosedGetResult() const override { return -1; }

protected:
    /// Puts controllers 3, 5, 7 and 9, behind the fault filters, on channel 0's bus.
    void AddControllers(sim::VirtualBus& channel0) {
        for (uint8_t id : {3, 5, 7, 9}) {
            sim::nodes::NodeConfig config;
            config.id = id;
            auto node = sim::nodes::MakeNode(config);
            controllers_[id] = static_cast<sim::nodes::SecondGenController*>(node.get());
            channel0.AddNode(std::make_unique<FaultyNode>(std::move(node), faults_));
        }
    }

    Faults faults_;  // outlives the nodes that read it: derived classes own the buses
    sim::nodes::SecondGenController* controllers_[126] = {};
};

}  // namespace norvane::contract
