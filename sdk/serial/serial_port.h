#pragma once
// The RS-232 port: the serial-line port with command texts out and reply frames back. What is
// its own: the probes that find the gateway's rate and identity, and the first-generation
// registration broadcasts ("{*0;}sn;", and "{*0;}sn0;" for gateways of newer firmware).
//
// Threads: as CNvSerialLinePort.
#include <cstdint>
#include <vector>

#include "sdk/serial/serial_line_port.h"
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

class CNvSerialPort : public CNvSerialLinePort {
public:
    static constexpr uint32_t kKind = 1;
    static constexpr uint32_t kLegacyKind = 256;

    explicit CNvSerialPort(int portNumber);
    /// Stops the threads while this object's receive hooks still exist.
    ~CNvSerialPort() override { CloseLine(Handle()); }

    /// "ABC;" handshake at each candidate rate: 1 when a gateway identified itself.
    int Probe() override;
    /// ml / sn / pp[5] texts at each candidate rate: 1 when the gateway answered them.
    int ProbeLegacy() override;
    /// "{*0;}sn;" to every node: the nodes 5..125 that answered, sorted.
    int RegisterNodesLegacy(uint32_t handle, KymNodeRecord* records, int max) override;
    /// "{*0;}sn0;" to every node: the nodes 5..125 that answered, sorted.
    int RegisterAllNodes(uint32_t handle, KymNodeRecord* records, int max) override;

    // The gateway's own result values: every failure of a request is -1 (not running, no text,
    // not written, no answer in time, an answer that does not decode), never 0.
    /// 1 done; -1 failed; -code when the node refused the command.
    int SetCommand(uint32_t handle, uint32_t node, uint8_t controlWord, int index, const void* data,
                   KymReply* reply) override;
    /// 1 answered and decoded; -1 failed.
    int GetCommand(uint32_t handle, uint32_t node, uint8_t controlWord, int index, KymReply* reply) override;
    /// 1 done; -1 failed; -code when the node refused the command.
    int SetCommandLegacy(uint32_t handle, uint32_t node, uint8_t controlWord, int index, const void* data,
                         KymReply* reply) override;
    /// Without the answer bit: 0 once the text went out. With it: 1 answered and decoded; -1 failed.
    int GetCommandLegacy(uint32_t handle, uint32_t node, uint8_t controlWord, int index,
                         KymReply* reply) override;

    SerialProbeTiming probeTiming;

protected:
    void BeforeStart() override { wire_.SetLegacy(legacyProtocol == 1); }
    /// Second generation: with a pass-through callback registered, each reply frame goes to it
    /// (gateway id, frame bytes, frame length) and is not filed.
    void HandleUnit(const ReceivedUnit& unit, bool legacy) override;
    /// Registration: "{*0;}sn0;" first unless the firmware is old, then "{*0;}sn;".
    int RegisterLegacy(uint32_t handle, KymNodeRecord* records, int max) override;

private:
    /// Sends text and reads what comes back after the probe pause at rate: bytes read.
    int ProbeExchange(const char* text, uint32_t rate, uint8_t* answer, size_t capacity);
    /// A first-generation text exchange: the restored legacy frame with controlWord, or false.
    bool LegacyProbeAnswer(const char* text, uint32_t rate, uint8_t controlWord, uint8_t* frame,
                           size_t& length);
    bool ProbeLegacyAt(uint32_t rate);
    int Broadcast(const char* text, KymNodeRecord* records, int max);

    const SerialWireFormat& wire_;
};

}  // namespace norvane::sdk
