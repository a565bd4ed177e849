// First-generation gateways for the contract suite: the serial-line emulators in the first
// generation, and a USB adapter whose first-generation controllers sit behind fault filters.
#include <stdlib.h>
#include <unistd.h>

#include "contract_transport.h"
#include "doubles/sim_controllers.h"
#include "faulty_node.h"
#include "sim/rs232_gateway.h"
#include "sim/usb_adapter_server.h"

namespace norvane::contract {
namespace {

std::unique_ptr<sim::SimNode> Controller(uint8_t id) {
    return testing::SimController(id, true);
}

class SerialRig : public FirstGenRig {
public:
    SerialRig(bool uart, int com) : uart_(uart), com_(com) {}
    bool Start(std::string& error) override {
        sim::Rs232GatewayOptions options;
        options.comNumber = com_;
        options.uart = uart_;
        options.baud = uart_ ? 115200 : 57600;
        options.generation = 1;
        emulator_ = std::make_unique<sim::Rs232Gateway>(options);
        for (uint8_t id : {3, 5, 7, 9}) emulator_->Bus().AddNode(Controller(id));
        if (!emulator_->Start()) {
            error = "no pseudo-terminal";
            return false;
        }
        const std::string map = "COM" + std::to_string(com_) + "=" + emulator_->SlavePath();
        setenv("NORVANE_SERIAL_PORTS", map.c_str(), 1);
        return true;
    }
    int Search(KymSearchRecord* records) override {
        SetQuickScan(static_cast<uint32_t>(com_), uart_ ? 0 : 57600, 0);
        return SearchGateWay(uart_ ? 16384 : 256, records, 5);
    }
    void SetSilent(bool silent) override { emulator_->Faults().SetSilent(silent); }
    void AnswerWithError(uint8_t code) override { emulator_->Faults().AnswerWithError(code); }
    sim::VirtualBus& Bus() override { return emulator_->Bus(); }

private:
    const bool uart_;
    const int com_;
    std::unique_ptr<sim::Rs232Gateway> emulator_;
};

class UsbRig : public FirstGenRig {
public:
    explicit UsbRig(uint8_t octet)
        : server_("/tmp/norvane-contract-usbv1-" + std::to_string(getpid()) + "-" + std::to_string(octet) +
                  ".sock") {}
    ~UsbRig() override { server_.Stop(); }
    bool Start(std::string& error) override {
        sim::BusOptions bus;
        bus.bitRate = 500000;
        bus.modelBusTime = true;
        sim::VirtualBus& adapter = server_.AddAdapter(0, 2, bus);  // 2: the first code the search tries
        for (uint8_t id : {3, 5, 7, 9})
            adapter.AddNode(std::make_unique<FaultyNode>(Controller(id), faults_, true));
        if (!server_.Start()) {
            error = server_.ErrorText();
            return false;
        }
        setenv("NORVANE_USB_SIM", server_.SocketPath().c_str(), 1);
        setenv("NORVANE_LIBUSB", USB_SIM_LIBRARY, 1);
        return true;
    }
    // The first-generation search takes the USB gateway that a search by mask created.
    int Search(KymSearchRecord* records) override {
        SearchDevice(0x1004, nullptr);
        return SearchGateWay(0x1000, records, 5);
    }
    void SetSilent(bool silent) override { faults_.silent = silent; }
    void AnswerWithError(uint8_t code) override { faults_.errorCode = code; }
    sim::VirtualBus& Bus() override { return server_.Bus(0); }

private:
    Faults faults_;  // outlives the nodes that read it
    sim::UsbAdapterServer server_;
};

}  // namespace

std::unique_ptr<FirstGenRig> MakeSerialFirstGenRig(bool uart, int com) {
    return std::make_unique<SerialRig>(uart, com);
}

std::unique_ptr<FirstGenRig> MakeUsbFirstGenRig(uint8_t testOctet) {
    return std::make_unique<UsbRig>(testOctet);
}

}  // namespace norvane::contract
