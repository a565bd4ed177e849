// The Ethernet gateway as a contract transport: the simulator's gateway on a loopback address.
#include <arpa/inet.h>

#include "contract_transport.h"
#include "norvane/NorvaneFunc.h"
#include "sim/ethernet_gateway.h"
#include "sim/nodes/node_factory.h"

namespace norvane::contract {
namespace {

class EthernetTransport : public ContractTransport {
public:
    EthernetTransport(std::string address, std::string name, bool serial)
        : address_(std::move(address)), name_(std::move(name)), serial_(serial) {}
    ~EthernetTransport() override {
        if (gateway_) gateway_->Stop();
    }

    bool Start(std::string& error) override {
        SetSerialTransmissision(serial_ ? 1 : 0);
        sim::EthernetGatewayOptions options;
        options.address = address_;
        options.port = static_cast<uint16_t>(GetEthernetServerPort());
        options.discoveryWindowMs = 300;
        gateway_ = std::make_unique<sim::EthernetGateway>(options);
        for (uint8_t id : {3, 5, 7, 9}) {
            sim::nodes::NodeConfig config;
            config.id = id;
            auto* node = gateway_->Bus().AddNode(sim::nodes::MakeNode(config));
            controllers_[id] = static_cast<sim::nodes::SecondGenController*>(node);
        }
        if (!gateway_->Start()) {
            error = gateway_->ErrorText();
            return false;
        }
        return true;
    }
    uint32_t SearchMask() const override { return 16; }
    std::vector<uint32_t> SearchParams() const override {
        in_addr a{};
        inet_pton(AF_INET, address_.c_str(), &a);
        return {0, 0, 0, 0, 1, ntohl(a.s_addr), 0, 0, 0, 0};
    }
    uint32_t ExpectedHandle() const override { return 0x1001; }
    uint32_t ExpectedKind() const override { return 16; }
    std::string ExpectedName() const override { return name_; }
    uint8_t BitRateCode() const override { return gateway_->BitRateCode(); }
    sim::nodes::SecondGenController* Controller(uint8_t id) override { return controllers_[id]; }
    sim::VirtualBus* Bus() override { return &gateway_->Bus(); }
    void SetSilent(bool silent) override { gateway_->Faults().SetSilent(silent); }
    void AnswerWithError(uint8_t code) override { gateway_->Faults().AnswerWithError(code, 1); }
    bool CarriesErrorReports() const override { return !serial_; }

private:
    const std::string address_;
    const std::string name_;
    const bool serial_;
    std::unique_ptr<sim::EthernetGateway> gateway_;
    sim::nodes::SecondGenController* controllers_[126] = {};
};

}  // namespace

std::unique_ptr<ContractTransport> MakeEthernetTransport(uint8_t subnet, uint8_t testOctet,
                                                         bool serialFraming) {
    const std::string address = "127.0." + std::to_string(subnet) + "." + std::to_string(testOctet);
    return std::make_unique<EthernetTransport>(address, "KYM" + address, serialFraming);
}

}  // namespace norvane::contract
