#pragma once
// The RS-232 gateway object: probes the COM ports the system lists (or the one fixed port),
// keeps up to five ports whose gateway answered and routes the per-port calls to them.
//
// searchFlag is the fixed COM port (0: all listed ports), searchValue the fixed baud rate
// (0: the probe's rate list). A new search closes and frees the ports of the earlier one that
// are not open; an open port keeps its position and keeps working.
//
// Any host thread may call; operations work on their own reference to the port.
#include <memory>

#include "sdk/serial/serial_line_gateway.h"
#include "sdk/serial/serial_port.h"

namespace norvane::sdk {

class CSerialPortCAN : public CSerialLineGateway {
public:
    /// kind: the gateway kind that caused the object (1, or 256 for the first generation).
    explicit CSerialPortCAN(uint32_t kind);

    /// Probes each listed COM port (blocking while each probe tries its rates); the port count.
    int SearchPorts(void* records, int maxRecords) override;
    /// Only for first-generation handles (bit 16); 0 otherwise.
    int RegisterAllNodes(uint32_t handle, KymNodeRecord* records, int max) override;

    /// The serial port at the handle's position, or null.
    std::shared_ptr<CNvSerialPort> SerialPort(uint32_t handle) const {
        return std::static_pointer_cast<CNvSerialPort>(PortOf(handle));
    }
    /// Probe timing given to the ports of later searches (tests shorten it).
    SerialProbeTiming probeTiming;
};

}  // namespace norvane::sdk
