#include "sim/simulation.h"

namespace norvane::sim {
namespace {

std::unique_ptr<SimNode> Build(const NodeSpec& spec) {
    nodes::NodeConfig c;
    c.kind = spec.kind;
    c.id = spec.id;
    c.deviceCode = spec.code;
    c.firmware = spec.firmware;
    c.serial = spec.serial;
    if (!spec.options.empty()) nodes::ParseModelOptions(spec.options, &c.controller);
    return nodes::MakeNode(c);
}

BusOptions BusOf(const GatewaySpec& g) {
    BusOptions b;
    b.modelBusTime = g.busTime;
    b.logPath = g.log;
    return b;
}

}  // namespace

bool Simulation::Start(const SimConfig& config, std::string& error, std::vector<std::string>& notes) {
    Stop();
    for (const GatewaySpec& g : config.gateways) {
        const bool pci = g.kind == GatewaySpec::Kind::Pci;
        const bool usb = g.kind == GatewaySpec::Kind::Usb;
        const bool serial = g.kind == GatewaySpec::Kind::Rs232 || g.kind == GatewaySpec::Kind::Uart;
        const bool socketcan = g.kind == GatewaySpec::Kind::SocketCan;
        const std::string where = socketcan ? "socketcan " + g.interfaceName
                                  : usb     ? "usb " + std::to_string(g.usbIndex)
                                  : pci    ? "pci " + std::to_string(g.card) + ":" + std::to_string(g.channel)
                                  : serial ? "COM" + std::to_string(g.comNumber)
                                           : g.address + ":" + std::to_string(g.port);
        VirtualBus* buses[10] = {};
        bool started = false;
        if (socketcan) {
            if (!socketcan_) {
                socketcan_ = std::make_unique<SocketCanServer>(
                    config.socketcanDir.empty() ? DefaultSocketCanDir() : config.socketcanDir);
            }
            BusOptions bus = BusOf(g);
            bus.bitRate = BitRateOfCode(g.bitRateCode);
            bus.channel = g.interfaceName;
            buses[1] = &socketcan_->AddInterface(g.interfaceName, bus, g.restartMs, g.bridge);
            description_.push_back(
                g.bridge ? where + " bridged to the kernel's interface " + g.interfaceName
                         : where + " at " + socketcan_->SocketPath(g.interfaceName) + " (" +
                               std::to_string(bus.bitRate) + " bit/s, bit-rate code " +
                               std::to_string(g.bitRateCode) +
                               (g.restartMs ? ", restart after " + std::to_string(g.restartMs) + " ms" : "") +
                               ")");
        } else if (usb) {
            if (!usb_) {
                usb_ = std::make_unique<UsbAdapterServer>(config.usbSocket.empty() ? DefaultUsbSocketPath()
                                                                                   : config.usbSocket);
            }
            BusOptions bus = BusOf(g);
            bus.bitRate = BitRateOfCode(g.bitRateCode);
            bus.channel = "usb" + std::to_string(g.usbIndex);
            buses[1] = &usb_->AddAdapter(g.usbIndex, g.bitRateCode, bus);
            description_.push_back("usb adapter " + std::to_string(g.usbIndex) + " at " + usb_->SocketPath() +
                                   " (bit-rate code " + std::to_string(g.bitRateCode) + ")");
        } else if (pci) {
            if (!pci_) {
                pci_ = std::make_unique<PciCardServer>(config.pciSocket.empty() ? DefaultPciSocketPath()
                                                                                : config.pciSocket);
            }
            BusOptions bus = BusOf(g);
            bus.bitRate = BitRateOfCode(g.bitRateCode);
            bus.channel = "pci" + std::to_string(g.card) + "." + std::to_string(g.channel);
            buses[1] = &pci_->AddChannel(g.card, g.channel, bus);
            description_.push_back("pci card " + std::to_string(g.card) + " channel " +
                                   std::to_string(g.channel) + " at " + pci_->SocketPath() +
                                   " (bit-rate code " + std::to_string(g.bitRateCode) + ")");
        } else if (serial) {
            Rs232GatewayOptions o;
            o.comNumber = g.comNumber;
            o.baud = g.baud;
            o.bitRateCode = g.bitRateCode;
            o.modelLineTime = g.lineTime;
            o.generation = g.generation;
            o.uart = g.kind == GatewaySpec::Kind::Uart;
            o.bus = BusOf(g);
            o.bus.bitRate = BitRateOfCode(g.bitRateCode);
            rs232_.push_back(std::make_unique<Rs232Gateway>(o));
            buses[1] = &rs232_.back()->Bus();
            description_.push_back(std::string(o.uart ? "uart" : "rs232") + " gateway " + where + " at " +
                                   std::to_string(g.baud) + " baud, generation " +
                                   std::to_string(g.generation) + (g.lineTime ? " with line time" : "") +
                                   " (bit-rate code " + std::to_string(g.bitRateCode) + ")");
        } else if (g.kind == GatewaySpec::Kind::Ethernet) {
            EthernetGatewayOptions o;
            o.address = g.address;
            o.port = g.port;
            o.bitRateCode = g.bitRateCode;
            o.answersProtocolSelection = !g.old;
            o.bus = BusOf(g);
            o.bus.bitRate = BitRateOfCode(g.bitRateCode);
            ethernet_.push_back(std::make_unique<EthernetGateway>(o));
            buses[1] = &ethernet_.back()->Bus();
            description_.push_back("ethernet gateway " + where + " (bit-rate code " +
                                   std::to_string(g.bitRateCode) +
                                   (g.old ? ", old: no protocol selection" : "") + ")");
        } else {
            ZoneDeviceOptions o;
            o.address = g.address;
            o.port = g.port;
            o.zones = g.zones;
            o.bus = BusOf(g);
            zone_.push_back(std::make_unique<ZoneDevice>(o));
            for (uint8_t z = 1; z <= zone_.back()->ZoneCount(); ++z) buses[z] = &zone_.back()->Zone(z);
            description_.push_back("zone device " + where + " (" + std::to_string(g.zones) + " zones)");
        }
        for (const NodeSpec& n : g.nodes) {
            const uint8_t zone = g.kind == GatewaySpec::Kind::Zone ? n.zone : 1;
            const std::string name =
                std::string(nodes::NodeKindName(n.kind)) + " " + std::to_string(n.id) +
                (g.kind == GatewaySpec::Kind::Zone ? " in zone " + std::to_string(zone) : "");
            auto node = Build(n);
            if (!node || !buses[zone]) {
                notes.push_back(where + ": " + name + " is not available, left out");
                continue;
            }
            buses[zone]->AddNode(std::move(node));
            description_.push_back("  node " + name + (n.options.empty() ? "" : " " + n.options));
        }
        // Named as the event control knows them: "pciC:CH", "usbN", "COMn", the interface's name.
        if (pci || serial || usb || socketcan) buses_.push_back({EventName(g), buses[1]});
        if (pci || usb || socketcan) continue;  // all cards, adapters and interfaces start together below
        if (serial) {
            if (!rs232_.back()->Start()) {
                error = where + ": no pseudo-terminal available";
                Stop();
                return false;
            }
            continue;
        }
        started = g.kind == GatewaySpec::Kind::Ethernet ? ethernet_.back()->Start() : zone_.back()->Start();
        if (!started) {
            error = g.kind == GatewaySpec::Kind::Ethernet ? ethernet_.back()->ErrorText()
                                                          : zone_.back()->ErrorText();
            Stop();
            return false;
        }
        // Named after starting: port 0 in the configuration becomes the port the system chose.
        const uint16_t port =
            g.kind == GatewaySpec::Kind::Ethernet ? ethernet_.back()->Port() : zone_.back()->Port();
        const std::string endpoint = g.address + ":" + std::to_string(port);
        if (g.kind == GatewaySpec::Kind::Ethernet) buses_.push_back({endpoint, buses[1]});
        for (uint8_t z = 1; g.kind == GatewaySpec::Kind::Zone && z <= zone_.back()->ZoneCount(); ++z)
            buses_.push_back({endpoint + "/" + std::to_string(z), buses[z]});
    }
    if (pci_ && !pci_->Start()) {
        error = pci_->ErrorText();
        Stop();
        return false;
    }
    if (usb_ && !usb_->Start()) {
        error = usb_->ErrorText();
        Stop();
        return false;
    }
    if (socketcan_ && !socketcan_->Start()) {
        error = socketcan_->ErrorText();
        Stop();
        return false;
    }
    return true;
}

void Simulation::Stop() {
    for (auto& g : ethernet_) g->Stop();
    for (auto& z : zone_) z->Stop();
    for (auto& r : rs232_) r->Stop();
    if (pci_) pci_->Stop();
    pci_.reset();
    if (usb_) usb_->Stop();
    usb_.reset();
    if (socketcan_) socketcan_->Stop();
    socketcan_.reset();
    ethernet_.clear();
    zone_.clear();
    rs232_.clear();
    description_.clear();
    buses_.clear();
}

std::vector<std::string> Simulation::SerialMap() const {
    std::vector<std::string> map;
    for (const auto& r : rs232_)
        map.push_back("COM" + std::to_string(r->Options().comNumber) + "=" + r->SlavePath());
    return map;
}

std::vector<std::string> Simulation::Describe() const {
    return description_;
}

}  // namespace norvane::sim
