#pragma once
// Emulated Ethernet gateway: a TCP server in front of one virtual bus.
//
// CAN framing: 0x71 hello / 0x74 goodbye, each 0x72 frame becomes one bus frame, each node
// frame goes back as 0x73. Serial transmission framing: 0x22 hello / 0x25 goodbye, 0x23 carries
// a 12-byte message record or a command text; answers go back as 0x24 frames carrying serial
// reply frames. 0x49 carries first-generation 16-byte messages (answered as 0x49). Node frames
// are sent in the framing of the host's latest request. Requests go on the bus with the
// first-generation identifier layout once protocol 30 was selected (and for 0x49), else with
// the second-generation layout.
//
// The gateway itself is node 1 for a few requests and answers them without the bus: protocol
// selection (command 126 with 20 or 30, or without data to read it back), model (65) and bus
// bit-rate code (53) in the second generation; model (11), serial number (12) and
// communication settings (1) once the first generation was selected.
#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "sim/gateway_node.h"
#include "sim/gateway_server.h"
#include "sim/virtual_bus.h"

namespace norvane::sim {

struct EthernetGatewayOptions {
    std::string address = "127.0.0.1";
    uint16_t port = 28877;
    uint16_t model = 0x0119;     ///< answered as d0 = high byte, d1 = low byte
    uint16_t firmware = 0x0105;  ///< answered as d4 = low byte, d5 = high byte
    uint32_t serialNumber = 0x20240001;
    uint8_t bitRateCode = 2;               ///< 0 1000k, 1 800k, 2 500k, 3 250k, 4 125k, 5 50k, 6 20k, 7 10k
    bool answersProtocolSelection = true;  ///< false: behaves like an old gateway
    uint32_t discoveryWindowMs = 300;      ///< serial framing: node list sent after this
    BusOptions bus;
};

class EthernetGateway : public GatewayServer {
public:
    explicit EthernetGateway(EthernetGatewayOptions options);
    ~EthernetGateway() override;

    /// Starts the bus and the server. false when the address cannot be bound.
    bool Start();
    void Stop();

    VirtualBus& Bus() { return bus_; }
    /// 0 before any protocol selection, else 20 or 30.
    uint8_t SelectedProtocol() const { return protocol_; }
    uint8_t BitRateCode() const { return gatewayNode_.BitRateCode(); }
    const EthernetGatewayOptions& Options() const { return options_; }

protected:
    void OnHostFrame(const HostFrame& frame) override;
    void OnClientConnected() override;
    void OnIdle() override;

private:
    enum class Framing : uint8_t { Can, Serial, Zone };

    void HandleCanMessage(const std::vector<uint8_t>& payload);
    void HandleZoneMessage(const std::vector<uint8_t>& payload);
    void HandleSerialMessage(const std::vector<uint8_t>& payload);
    /// A request from the host, already decoded; put on the bus or answered here.
    void Request(uint8_t node, uint8_t controlWord, const uint8_t* data, uint8_t length);
    bool AnswerAsGateway(uint8_t node, uint8_t controlWord, const uint8_t* data, uint8_t length);
    void OnBusFrame(const CanFrame& frame);
    /// Sends a message from `node` to the host in the current framing.
    void SendMessage(uint8_t node, uint8_t controlWord, const uint8_t* data, uint8_t length);
    void SendSerialRecord(uint8_t node, uint8_t controlWord, const uint8_t* data, uint8_t length);

    const EthernetGatewayOptions options_;
    VirtualBus bus_;
    std::atomic<uint8_t> protocol_{0};
    GatewayNode gatewayNode_;
    std::atomic<Framing> framing_{Framing::Can};
    NodeListCollector nodeList_;  ///< serial framing discovery
};

}  // namespace norvane::sim
