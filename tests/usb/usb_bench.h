#pragma once
// Simulated USB-CAN adapters for the USB tests, in-process: adapters with controllers on buses
// at given bit-rate codes, served where NORVANE_USB_SIM points, reached through libusb-sim.so
// loaded by path (the process-wide adapters of that library), and the USB gateway installed.
#include <unistd.h>

#include <cstdlib>
#include <initializer_list>
#include <string>

#include "doubles/sim_controllers.h"
#include "norvane/NorvaneFunc.h"
#include "sdk/can/usb_gateway.h"
#include "sdk/core/gateway_registry.h"
#include "sim/usb_adapter_server.h"

namespace norvane::usb::test {

inline std::shared_ptr<sdk::can::UsbAdapters> SimAdapters() {
    return sdk::can::SharedAdapters(USB_SIM_LIBRARY);
}

struct UsbBench {
    explicit UsbBench(uint32_t kind = 4) : server("/tmp/norvane-usb-" + std::to_string(getpid()) + ".sock") {
        SimAdapters()->closeSleepMs = 5;
        gateway = std::make_shared<sdk::can::CUSBC7200CAN>(kind, SimAdapters());
        sdk::InstallGateway(sdk::GatewaySlot::Usb, gateway);
    }
    ~UsbBench() {
        sdk::RemoveGateway(sdk::GatewaySlot::Usb);
        gateway.reset();
        server.Stop();
    }
    /// An adapter with device index on a bus at busCode with nodes at the given ids.
    sim::VirtualBus& Adapter(uint8_t index, uint8_t busCode, std::initializer_list<uint8_t> ids,
                             bool firstGen = false) {
        sim::BusOptions bus;
        bus.modelBusTime = true;
        bus.bitRate = 1000000;
        sim::VirtualBus& b = server.AddAdapter(index, busCode, bus);
        testing::AddControllers(b, ids, firstGen);
        return b;
    }
    bool Start() {
        if (!server.Start()) return false;
        setenv("NORVANE_USB_SIM", server.SocketPath().c_str(), 1);
        return true;
    }

    sim::UsbAdapterServer server;
    std::shared_ptr<sdk::can::CUSBC7200CAN> gateway;
};

}  // namespace norvane::usb::test
