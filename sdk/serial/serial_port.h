#pragma once
// The RS-232 port: the generic port over the serial line of one COM port, with command texts
// out and reply frames back. What is its own: opening the line at the right rate, the probes
// that find that rate and the gateway's identity, and closing.
//
// Threads: as CNvLinkPort. A probe opens and closes the line itself and runs only while the
// port is not open; CloseLine may be called from any thread, also while requests wait.
#include <cstdint>
#include <string>
#include <vector>

#include "sdk/core/link_port.h"
#include "sdk/serial/serial_link.h"
#include "sdk/serial/serial_wire_format.h"

namespace norvane::sdk {

/// How long the probes wait for a gateway at each rate.
struct SerialProbeTiming {
    /// The pause after each probe text is delayNumerator / rate ms (480 ms at 9600 baud).
    uint32_t delayNumerator = 4608000;
    uint32_t readMs = 200;  ///< wait of each read after the pause
    uint32_t restMs = 50;   ///< pause and wait for the rest of an identity answer in pieces
};

/// Rates a probe tries: the known rate alone, else the gateway's rate list in its order.
std::vector<uint32_t> ProbeRates(uint32_t knownBaud);

class CNvSerialPort : public CNvLinkPort {
public:
    static constexpr uint32_t kKind = 1;
    static constexpr uint32_t kLegacyKind = 256;

    explicit CNvSerialPort(int portNumber);
    ~CNvSerialPort() override;

    /// "ABC;" handshake at each candidate rate: 1 when a gateway identified itself.
    int Probe() override;
    /// ml / sn / pp[5] texts at each candidate rate: 1 when the gateway answered them.
    int ProbeLegacy() override;
    int Open(uint32_t handle, KymNodeRecord* records, int max, uint32_t* out) override;
    int OpenLegacy(uint32_t handle, KymNodeRecord* records, int max, uint32_t* out) override;

    /// Opens the line at the known rate (else the port's rate) for the generation of
    /// legacyProtocol and starts the threads: 1, else 0.
    int OpenLine(uint32_t handle);
    /// Stops the threads and closes the line. Always 1.
    int CloseLine(uint32_t handle);

    int PortNumber() const { return line_.PortNumber(); }
    bool LineOpen() const { return line_.IsOpen(); }

    // ---- identity learned by the probes ----
    uint32_t baudRate = 0;    ///< rate used by the next open
    uint32_t knownBaud = 0;   ///< rate the gateway answered at (0: none yet)
    uint8_t gatewayNode = 1;  ///< node id of the gateway itself
    uint32_t serialNumber = 0;
    bool oldFirmware = false;  ///< first-generation firmware below 0x70A
    std::string displayName;

    SerialProbeTiming probeTiming;

private:
    /// Sends text and reads what comes back after the probe pause at rate: bytes read.
    int ProbeExchange(const char* text, uint32_t rate, uint8_t* answer, size_t capacity);
    /// A first-generation text exchange: the restored legacy frame with controlWord, or false.
    bool LegacyProbeAnswer(const char* text, uint32_t rate, uint8_t controlWord, uint8_t* frame,
                           size_t& length);
    bool ProbeLegacyAt(uint32_t rate);

    SerialLink& line_;
    const SerialWireFormat& wire_;
};

}  // namespace norvane::sdk
