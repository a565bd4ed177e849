// The RS-232 gateway as a contract transport: the simulator's emulator on a pseudo-terminal,
// reached as COMn through the COM-number table in the environment.
#include <stdlib.h>

#include "contract_transport.h"
#include "sim/nodes/node_factory.h"
#include "sim/rs232_gateway.h"

namespace norvane::contract {
namespace {

class Rs232Transport : public ContractTransport {
public:
    explicit Rs232Transport(int comNumber) : comNumber_(comNumber) {}
    ~Rs232Transport() override {
        if (gateway_) gateway_->Stop();
    }

    bool Start(std::string& error) override {
        sim::Rs232GatewayOptions options;
        options.comNumber = comNumber_;
        options.baud = 57600;
        gateway_ = std::make_unique<sim::Rs232Gateway>(options);
        for (uint8_t id : {3, 5, 7, 9}) {
            sim::nodes::NodeConfig config;
            config.id = id;
            auto* node = gateway_->Bus().AddNode(sim::nodes::MakeNode(config));
            controllers_[id] = static_cast<sim::nodes::SecondGenController*>(node);
        }
        if (!gateway_->Start()) {
            error = "no pseudo-terminal";
            return false;
        }
        const std::string map = "COM" + std::to_string(comNumber_) + "=" + gateway_->SlavePath();
        setenv("NORVANE_SERIAL_PORTS", map.c_str(), 1);
        return true;
    }
    uint32_t SearchMask() const override { return 1; }
    std::vector<uint32_t> SearchParams() const override {
        return {static_cast<uint32_t>(comNumber_), gateway_->Options().baud, 0, 0, 0, 0, 0, 0, 0, 0};
    }
    uint32_t ExpectedHandle() const override { return 0x100; }
    uint32_t ExpectedKind() const override { return 1; }
    std::string ExpectedName() const override {
        return "COM" + std::to_string(comNumber_) + ": KYM2407 - V1802";
    }
    uint8_t BitRateCode() const override { return gateway_->Options().bitRateCode; }
    sim::nodes::SecondGenController* Controller(uint8_t id) override { return controllers_[id]; }
    void SetSilent(bool silent) override { gateway_->Faults().SetSilent(silent); }
    void AnswerWithError(uint8_t code) override { gateway_->Faults().AnswerWithError(code, 1); }
    bool CarriesErrorReports() const override { return false; }
    uint32_t ExpectedGatewayClass() const override { return 0x10000; }
    bool SearchKeepsOpenPort() const override { return true; }

private:
    const int comNumber_;
    std::unique_ptr<sim::Rs232Gateway> gateway_;
    sim::nodes::SecondGenController* controllers_[126] = {};
};

}  // namespace

std::unique_ptr<ContractTransport> MakeRs232Transport(int comNumber) {
    return std::make_unique<Rs232Transport>(comNumber);
}

}  // namespace norvane::contract
