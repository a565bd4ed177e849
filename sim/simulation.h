#pragma once
// A running set of simulated gateways and devices built from a SimConfig, for norvane-sim and
// for tests that want the whole setup in-process. Start and Stop from one thread.
#include <memory>
#include <string>
#include <vector>

#include "sim/ethernet_gateway.h"
#include "sim/pci_card_server.h"
#include "sim/rs232_gateway.h"
#include "sim/sim_config.h"
#include "sim/socketcan_server.h"
#include "sim/usb_adapter_server.h"
#include "sim/zone_device.h"

namespace norvane::sim {

/// One bus of a running simulation and the name its gateway goes by: "ADDRESS:PORT" (Ethernet),
/// "ADDRESS:PORT/ZONE" (zone devices), "COMn" (serial), "pciCARD:CHANNEL", "usbINDEX" or a
/// SocketCAN interface's name.
struct NamedBus {
    std::string name;
    VirtualBus* bus = nullptr;
};

class Simulation {
public:
    ~Simulation() { Stop(); }
    /// Builds and starts everything. Devices the node factory cannot build yet are skipped and
    /// reported in notes; false (with error) when a gateway cannot listen.
    bool Start(const SimConfig& config, std::string& error, std::vector<std::string>& notes);
    void Stop();
    /// One line per gateway and device, for people.
    std::vector<std::string> Describe() const;

    const std::vector<std::unique_ptr<EthernetGateway>>& EthernetGateways() const { return ethernet_; }
    const std::vector<std::unique_ptr<ZoneDevice>>& ZoneDevices() const { return zone_; }
    const std::vector<std::unique_ptr<Rs232Gateway>>& Rs232Gateways() const { return rs232_; }
    /// One "COMn=PATH" entry per serial gateway: the COM-number table that reaches them.
    std::vector<std::string> SerialMap() const;
    /// Every bus in configuration order (valid until Stop).
    const std::vector<NamedBus>& Buses() const { return buses_; }
    /// The PCI cards, when the configuration has any.
    PciCardServer* PciCards() const { return pci_.get(); }
    /// The USB adapters, when the configuration has any.
    UsbAdapterServer* UsbAdapters() const { return usb_.get(); }
    /// The SocketCAN interfaces, when the configuration has any.
    SocketCanServer* SocketCans() const { return socketcan_.get(); }

private:
    std::vector<std::unique_ptr<EthernetGateway>> ethernet_;
    std::vector<std::unique_ptr<ZoneDevice>> zone_;
    std::vector<std::unique_ptr<Rs232Gateway>> rs232_;
    std::unique_ptr<PciCardServer> pci_;
    std::unique_ptr<UsbAdapterServer> usb_;
    std::unique_ptr<SocketCanServer> socketcan_;
    std::vector<std::string> description_;
    std::vector<NamedBus> buses_;
};

}  // namespace norvane::sim
