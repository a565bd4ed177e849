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

#include "sdk/core/gateway.h"
#include "sdk/serial/serial_port.h"

namespace norvane::sdk {

class CSerialPortCAN : public CSDKGWCAN {
public:
    /// kind: the gateway kind that caused the object (1, or 256 for the first generation).
    explicit CSerialPortCAN(uint32_t kind);
    ~CSerialPortCAN() override;

    /// Probes each listed COM port (blocking while each probe tries its rates); the port count.
    int SearchPorts(void* records, int maxRecords) override;
    int OpenPort(uint32_t portIndex, KymNodeRecord* records, int max, uint32_t* out) override;
    int ClosePort(uint32_t handle) override;
    /// Only for first-generation handles (bit 16); 0 otherwise.
    int RegisterAllNodes(uint32_t handle, KymNodeRecord* records, int max) override;
    /// Kind, handle, port index, rate and the display name of the port.
    int DescribePort(uint32_t handle, KymDevInfo* info) override;

    /// The serial port at the handle's position, or null.
    std::shared_ptr<CNvSerialPort> SerialPort(uint32_t handle) const;
    /// Probe timing given to the ports of later searches (tests shorten it).
    SerialProbeTiming probeTiming;

private:
    void FillRecord(const CNvSerialPort& port, uint32_t index, KymSearchRecord& record) const;
};

}  // namespace norvane::sdk
