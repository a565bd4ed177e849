#pragma once
// The UART port: the serial-line port with 12-byte command packets out and UART reply frames
// back. What is its own: the probes (one attempt at the port's rate), decoding the gateway's
// own frames (node 1 speaking for other nodes, flow-control notices), the flow-control pause,
// its waits per operation and the registration marks of address changes.
//
// Threads: as CNvSerialLinePort; the pause value and flag are written by the receive thread
// and taken by requesting threads.
#include <atomic>
#include <cstdint>

#include "sdk/serial/serial_line_port.h"

namespace norvane::sdk {

class CNvUartPort : public CNvSerialLinePort {
public:
    static constexpr uint32_t kKind = 32;
    static constexpr uint32_t kLegacyKind = 16384;
    static constexpr uint32_t kDefaultBaud = 115200;

    explicit CNvUartPort(int portNumber);
    /// Stops the threads while this object's receive hooks still exist.
    ~CNvUartPort() override { CloseLine(Handle()); }

    int Probe() override;
    int ProbeLegacy() override;
    /// Marks an address change (command 12) of the node: index 1 before sending, index 2 after.
    int SetCommandLegacy(uint32_t handle, uint32_t node, uint8_t controlWord, int index, const void* data,
                         KymReply* reply) override;
    /// First-generation register-all: the gateway is sent the packet of a serial-number request
    /// (index 1) to node 0 as the first-generation packer builds it (no data bytes); the answers
    /// are gathered as in the serial-number discovery.
    int RegisterAllNodes(uint32_t handle, KymNodeRecord* records, int max) override;

    /// Sleeps what the gateway's last flow-control notice asks for (10 - value ms, 10 ms for a
    /// negative value), once; returns the ms slept.
    uint32_t TakePause();
    /// A flow-control notice's value: below 10 arms the pause.
    void NoteFlowControl(int value);
    /// The registration mark of node (0 none, 1 or 2 by the index of its last address change).
    uint8_t RegistrationMode(uint32_t node) const {
        return node < static_cast<uint32_t>(kNodeSlots) ? registration_[node].load() : 0;
    }

    uint32_t probeWaitMs = 200;  ///< wait of each probe read

protected:
    void HandleUnit(const ReceivedUnit& unit, bool legacy) override;
    void BeforeStart() override;

private:
    bool ProbeAnswer(const char* text, uint8_t controlWord, uint8_t* frame, size_t& length);
    int ProbeWith(const char* text);

    std::atomic<int> pauseValue_{500};
    std::atomic<bool> pauseFlag_{false};
    std::atomic<uint8_t> registration_[kNodeSlots] = {};
};

}  // namespace norvane::sdk
