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
    Rs232Transport(int comNumber, bool uart) : comNumber_(comNumber), uart_(uart) {}
    ~Rs232Transport() override {
        if (gateway_) gateway_->Stop();
    }

    bool Start(std::string& error) override {
        sim::Rs232GatewayOptions options;
        options.comNumber = comNumber_;
        options.baud = uart_ ? 115200 : 57600;
        options.uart = uart_;
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
    uint32_t SearchMask() const override { return uart_ ? 32 : 1; }
    std::vector<uint32_t> SearchParams() const override {
        return {static_cast<uint32_t>(comNumber_), gateway_->Options().baud, 0, 0, 0, 0, 0, 0, 0, 0};
    }
    uint32_t ExpectedHandle() const override { return uart_ ? 0x2000 : 0x100; }
    uint32_t ExpectedKind() const override { return uart_ ? 32 : 1; }
    // The UART search does no I/O: the name stays empty until the port is probed.
    std::string ExpectedName() const override {
        return uart_ ? "" : "COM" + std::to_string(comNumber_) + ": KYM2407 - V1802";
    }
    uint8_t BitRateCode() const override { return gateway_->Options().bitRateCode; }
    sim::nodes::SecondGenController* Controller(uint8_t id) override { return controllers_[id]; }
    sim::VirtualBus* Bus() override { return &gateway_->Bus(); }
    void SetSilent(bool silent) override { gateway_->Faults().SetSilent(silent); }
    void AnswerWithError(uint8_t code) override { gateway_->Faults().AnswerWithError(code, 1); }
    bool CarriesErrorReports() const override { return uart_; }
    uint32_t ExpectedGatewayClass() const override { return uart_ ? 0x20000 : 0x10000; }
    bool SearchKeepsOpenPort() const override { return true; }
    // The UART gateway answers within a few bytes' time: a set waits 100 ms.
    uint32_t AnswerTimeoutMs() const override { return uart_ ? 100 : 500; }
    // The RS-232 gateway reports every failed get as -1.
    int FailedGetResult() const override { return uart_ ? 0 : -1; }

private:
    const int comNumber_;
    const bool uart_;
    std::unique_ptr<sim::Rs232Gateway> gateway_;
    sim::nodes::SecondGenController* controllers_[126] = {};
};

}  // namespace

std::unique_ptr<ContractTransport> MakeRs232Transport(int comNumber) {
    return std::make_unique<Rs232Transport>(comNumber, false);
}

std::unique_ptr<ContractTransport> MakeUartTransport(int comNumber) {
    return std::make_unique<Rs232Transport>(comNumber, true);
}

}  // namespace norvane::contract
