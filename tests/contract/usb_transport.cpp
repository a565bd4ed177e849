// A USB-CAN adapter as a contract transport: simulated adapter 0 served where NORVANE_USB_SIM
// points, reached through libusb-sim.so bound by NORVANE_LIBUSB, with its controllers behind
// fault filters (faulty_node.h).
#include <unistd.h>

#include <cstdlib>

#include "contract_transport.h"
#include "faulty_node.h"
#include "norvane/NorvaneFunc.h"
#include "sim/nodes/node_factory.h"
#include "sim/usb_adapter_server.h"

namespace norvane::contract {
namespace {

constexpr uint8_t kBusCode = 2;  // the first code the search tries

class UsbTransport : public ContractTransport {
public:
    explicit UsbTransport(uint8_t octet)
        : server_("/tmp/norvane-contract-usb-" + std::to_string(getpid()) + "-" + std::to_string(octet) +
                  ".sock") {}
    ~UsbTransport() override { server_.Stop(); }

    bool Start(std::string& error) override {
        SetSerialTransmissision(0);
        sim::BusOptions bus;
        bus.bitRate = 500000;
        bus.modelBusTime = true;
        sim::VirtualBus& adapter = server_.AddAdapter(0, kBusCode, bus);
        for (uint8_t id : {3, 5, 7, 9}) {
            sim::nodes::NodeConfig config;
            config.id = id;
            auto node = sim::nodes::MakeNode(config);
            controllers_[id] = static_cast<sim::nodes::SecondGenController*>(node.get());
            adapter.AddNode(std::make_unique<FaultyNode>(std::move(node), faults_));
        }
        if (!server_.Start()) {
            error = server_.ErrorText();
            return false;
        }
        setenv("NORVANE_USB_SIM", server_.SocketPath().c_str(), 1);
        setenv("NORVANE_LIBUSB", USB_SIM_LIBRARY, 1);
        return true;
    }
    uint32_t SearchMask() const override { return 4; }
    std::vector<uint32_t> SearchParams() const override { return std::vector<uint32_t>(10, 0); }
    uint32_t ExpectedHandle() const override { return 0x400; }
    uint32_t ExpectedKind() const override { return 4; }
    std::string ExpectedName() const override { return "USBC7200 DevID000"; }
    uint8_t BitRateCode() const override { return kBusCode; }
    sim::nodes::SecondGenController* Controller(uint8_t id) override { return controllers_[id]; }
    sim::VirtualBus* Bus() override { return &server_.Bus(0); }
    void SetSilent(bool silent) override { faults_.silent = silent; }
    void AnswerWithError(uint8_t code) override { faults_.errorCode = code; }
    uint32_t AnswerTimeoutMs() const override { return 200; }
    int FailedGetResult() const override { return -1; }

private:
    Faults faults_;  // outlives the nodes that read it
    sim::UsbAdapterServer server_;
    sim::nodes::SecondGenController* controllers_[126] = {};
};

}  // namespace

std::unique_ptr<ContractTransport> MakeUsbTransport(uint8_t testOctet) {
    return std::make_unique<UsbTransport>(testOctet);
}

}  // namespace norvane::contract
