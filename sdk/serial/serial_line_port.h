#pragma once
// What the RS-232 and UART ports share: the generic port over the serial line of one COM port,
// the identity their probes learn, opening the line at the rate the gateway answered at and
// starting the threads, and closing. Each port adds its probes and its gateway's own frames.
//
// Threads: as CNvLinkPort. A probe opens and closes the line itself and runs only while the
// port is not open; CloseLine may be called from any thread, also while requests wait.
#include <cstdint>
#include <memory>
#include <string>

#include "sdk/core/link_port.h"
#include "sdk/serial/serial_link.h"

namespace norvane::sdk {

class CNvSerialLinePort : public CNvLinkPort {
public:
    CNvSerialLinePort(int portNumber, std::unique_ptr<WireFormat> format);
    ~CNvSerialLinePort() override;

    int Open(uint32_t handle, KymNodeRecord* records, int max, uint32_t* out) override;
    int OpenLegacy(uint32_t handle, KymNodeRecord* records, int max, uint32_t* out) override;

    /// Opens the line at the known rate (else the port's rate) and starts the threads in the
    /// generation of legacyProtocol: 1, else 0 (the line is closed again).
    int OpenLine(uint32_t handle);
    /// Stops the threads and closes the line. Always 1.
    int CloseLine(uint32_t handle);
    /// Opens the line and starts the threads for the gateway id's kind (32 and 1: second
    /// generation, else first) at the id's port index: the thread start's result, 0 when the
    /// line does not open.
    int Open753UartDevice(uint32_t gatewayId);

    int PortNumber() const { return line_.PortNumber(); }
    bool LineOpen() const { return line_.IsOpen(); }

    // ---- identity learned by the probes ----
    uint32_t baudRate = 0;    ///< rate used by the next open
    uint32_t knownBaud = 0;   ///< rate the gateway answered at (0: none yet)
    uint8_t gatewayNode = 1;  ///< node id of the gateway itself
    uint32_t serialNumber = 0;
    bool oldFirmware = false;  ///< first-generation firmware below 0x70A
    std::string displayName;

protected:
    /// Called after the line opened, before the threads start (the wire format picks its
    /// generation, the UART port clears its pause).
    virtual void BeforeStart() {}
    /// Sends text whole: false when not every byte went out.
    bool SendText(const char* text);

    SerialLink& line_;
};

}  // namespace norvane::sdk
