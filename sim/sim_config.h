#pragma once
// The simulator's configuration: which gateways to serve and which devices sit behind them.
// Read from a small line-based text (see README, section "Simulator"). Pure code.
//
//   ethernet 127.0.0.1:28877 bitrate-code=2 bus-time log=bus.log old
//   zone 127.0.0.2:28877 zones=3
//   node controller 5 options=-M-S-IE firmware=1240 serial=5
//   node io 8 code=80 zone=2
//   pci 0:1 bitrate-code=3
//   rs232 COM3 baud=57600 line-time
//   uart COM4 baud=115200 generation=1
//   usb 0 bitrate-code=0 bus-time log=usb0.log
//   socketcan can0 bitrate-code=2 restart-ms=100
//   socketcan vcan0 bridge
//
// "node" lines belong to the gateway above them; "#" starts a comment.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "sim/nodes/node_factory.h"

namespace norvane::sim {

struct NodeSpec {
    nodes::NodeKind kind = nodes::NodeKind::Controller;
    uint8_t id = 0;
    uint8_t zone = 1;  ///< zone devices only
    std::string options;
    uint8_t code = 0;
    uint16_t firmware = 0;
    uint32_t serial = 0;
};

struct GatewaySpec {
    enum class Kind { Ethernet, Zone, Pci, Rs232, Uart, Usb, SocketCan } kind = Kind::Ethernet;
    std::string address = "127.0.0.1";
    uint16_t port = 28877;
    uint8_t bitRateCode = 2;
    bool busTime = false;
    bool old = false;  ///< Ethernet: leave the protocol selection unanswered
    uint8_t zones = 2;
    uint8_t card = 0;           ///< PCI: card 0-7
    uint8_t channel = 0;        ///< PCI: channel 0-1
    uint8_t usbIndex = 0;       ///< USB: the adapter's device index 0-99 (its release number)
    uint16_t comNumber = 0;     ///< RS-232: n of COMn
    uint32_t baud = 57600;      ///< RS-232: rate the gateway listens at
    bool lineTime = false;      ///< RS-232: each byte takes its line time at the rate
    uint8_t generation = 2;     ///< RS-232/UART: protocol generation the gateway speaks
    std::string interfaceName;  ///< SocketCAN: the interface's name
    uint32_t restartMs = 0;     ///< SocketCAN: automatic restart after bus-off, 0 none
    bool bridge = false;        ///< SocketCAN: join the kernel's interface instead of a stand-in
    std::string log;
    std::vector<NodeSpec> nodes;
};

struct SimConfig {
    std::vector<GatewaySpec> gateways;
    std::string pciSocket;     ///< where PCI cards are served; empty = DefaultPciSocketPath()
    std::string usbSocket;     ///< where USB adapters are served; empty = DefaultUsbSocketPath()
    std::string socketcanDir;  ///< where SocketCAN interfaces are served; empty = DefaultSocketCanDir()
};

/// The name the control socket's commands know a gateway by: "pciCARD:CHANNEL", "usbINDEX",
/// "COMn", a SocketCAN interface's name; empty for Ethernet gateways and zone devices (their
/// address, known once they listen).
std::string EventName(const GatewaySpec& gateway);
/// Parses a whole configuration text. false with error = "line N: what" on the first fault.
bool ParseSimConfig(std::string_view text, SimConfig& config, std::string& error);
/// One Ethernet gateway at 127.0.0.1:28877 with controllers of several models, an I/O module,
/// an RFID reader and a temperature controller.
SimConfig DefaultSimConfig();

}  // namespace norvane::sim
