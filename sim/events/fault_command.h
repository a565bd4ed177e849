#pragma once
// Faults armed on a running simulation through the control channel, one per line:
//
//   fault 127.0.0.2:28877 drop 3        the next 3 answers to the host are dropped
//   fault 127.0.0.2:28877 delay 2 900   the next 2 answers leave 900 ms late
//   fault COM3 split 4 30               the next 4 answers go out in two pieces 30 ms apart
//   fault COM3 silent on|off            the gateway relays requests but answers nothing
//   fault 127.0.0.2:28877 garbage 40    40 bytes that frame nothing are sent to the host
//   fault 127.0.0.2:28877 close         the gateway drops its host connection
//   fault pci0:1 busoff                 the channel goes bus-off (the host sees an interrupt)
//   fault usb0 unplug | replug          the adapter with device index 0 leaves / returns
//   fault can0 busoff                   the SocketCAN interface goes bus-off (an error frame)
//   fault can0 silent on|off, drop 3    frames from its bus do not reach its clients
//   fault 127.0.0.2:28877 reset         disarms the answer faults
//
// Gateways are named as in the event commands: ADDRESS:PORT (Ethernet gateways and zone
// devices), COMn, pciCARD:CHANNEL, usbINDEX, a SocketCAN interface's name. Answer faults (drop,
// delay, split, silent, reset) and garbage reach the TCP and serial gateways; close the TCP
// ones; busoff, drop, silent and reset the SocketCAN interfaces (a bridged one takes no busoff).
#include <cstdint>
#include <string>
#include <string_view>

#include "sim/simulation.h"

namespace norvane::sim::events {

enum class FaultAction { Drop, Delay, Split, Silent, Garbage, Close, Reset, BusOff, Unplug, Replug };

struct FaultCommand {
    std::string gateway;
    FaultAction action = FaultAction::Reset;
    uint32_t count = 0;  ///< answers (drop, delay, split) or bytes (garbage)
    uint32_t ms = 0;     ///< delay or split pause
    bool on = false;     ///< silent
};

/// Parses the words after "fault". false with error when they are no fault command.
bool ParseFaultCommand(std::string_view arguments, FaultCommand& command, std::string& error);

/// Arms the fault on the simulation's gateway: "ok" or "error: ..." (no such gateway, or a fault
/// that kind of gateway does not take).
std::string ApplyFault(const FaultCommand& command, const Simulation& simulation);

/// A "fault ..." line: parsed and applied. Other lines give an empty string.
std::string RunFaultLine(std::string_view line, const Simulation& simulation);

}  // namespace norvane::sim::events
