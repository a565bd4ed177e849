#pragma once
// The UART port: the generic port over the serial line of one COM port, with 12-byte command
// packets out and UART reply frames back. What is its own: the probes (one attempt at the
// port's rate), decoding the gateway's own frames (node 1 speaking for other nodes, flow
// control notices) and the flow-control pause.
//
// Threads: as CNvLinkPort; the pause value and flag are written by the receive thread and
// taken by requesting threads.
#include <atomic>
#include <cstdint>
#include <string>

#include "sdk/core/link_port.h"
#include "sdk/serial/serial_link.h"

namespace norvane::sdk {

class CNvUartPort : public CNvLinkPort {
public:
    static constexpr uint32_t kKind = 32;
    static constexpr uint32_t kLegacyKind = 16384;
    static constexpr uint32_t kDefaultBaud = 115200;

    explicit CNvUartPort(int portNumber);
    ~CNvUartPort() override;

    int Probe() override;
    int ProbeLegacy() override;
    int Open(uint32_t handle, KymNodeRecord* records, int max, uint32_t* out) override;
    int OpenLegacy(uint32_t handle, KymNodeRecord* records, int max, uint32_t* out) override;

    int OpenLine(uint32_t handle);
    int CloseLine(uint32_t handle);
    bool LineOpen() const { return line_.IsOpen(); }
    int PortNumber() const { return line_.PortNumber(); }

    /// Sleeps what the gateway's last flow-control notice asks for (10 - value ms, 10 ms for a
    /// negative value), once; returns the ms slept.
    uint32_t TakePause();
    /// A flow-control notice's value: below 10 arms the pause.
    void NoteFlowControl(int value);

    uint32_t baudRate = kDefaultBaud;
    uint32_t knownBaud = 0;
    uint8_t gatewayNode = 1;
    std::string displayName;
    uint32_t probeWaitMs = 200;  ///< wait of each probe read

protected:
    void HandleUnit(const ReceivedUnit& unit, bool legacy) override;

private:
    bool ProbeAnswer(const char* text, uint8_t controlWord, uint8_t* frame, size_t& length);
    int ProbeWith(const char* text);

    SerialLink& line_;
    std::atomic<int> pauseValue_{500};
    std::atomic<bool> pauseFlag_{false};
};

}  // namespace norvane::sdk
