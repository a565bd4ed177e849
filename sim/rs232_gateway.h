#pragma once
// Emulated RS-232 (or UART) gateway on a pseudo-terminal: the host opens the slave side as its COM port;
// the emulator works the master side, in front of one virtual bus.
//
// It answers only while the host's line settings (read on the master) carry the rate it
// listens at, so a host's rate search is real. Command texts are cut from the byte stream;
// requests go on the bus, node answers come back as frames. Second generation: the "ABC;"
// probe, second-generation texts, reply frames, and a discovery ("gREG;") answered with one
// node list after the window. First generation: first-generation texts ("{*1;}ml;",
// "{*0;}sn;", "{*0;}sn0;", "pp[5];" ...), requests on the bus in the first-generation layout,
// legacy reply frames back. The UART gateway takes 12-byte packets in both generations and
// answers with UART frames. With the line-time model on, every byte the emulator sends takes
// its 10 bit times at the rate, and a received text or packet is acted on only after its own
// line time.
//
// Threads: one reader thread; the bus thread sends node answers. Start and Stop from one thread.
#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "sim/fault_injector.h"
#include "sim/gateway_node.h"
#include "sim/virtual_bus.h"

namespace norvane::sim {

struct Rs232GatewayOptions {
    int comNumber = 1;         ///< n of COMn, as listed in the serial map
    uint32_t baud = 57600;     ///< rate the gateway listens at
    uint8_t model = 0x18;      ///< identity byte 3 (0x18 or 0x19 for gateways the host accepts)
    uint8_t variant = 0x07;    ///< identity byte 4
    uint32_t firmware = 1802;  ///< identity version
    uint8_t bitRateCode = 2;   ///< 0 1000k ... 7 10k
    uint32_t serialNumber = 0x20240001;
    uint8_t generation = 2;  ///< protocol generation the gateway speaks (1 or 2)
    uint32_t discoveryWindowMs = 300;
    bool modelLineTime = false;
    /// A UART gateway instead: 12-byte command packets in (probe texts aside), UART reply
    /// frames out, node lists and the gateway's own frames from node 1.
    bool uart = false;
    BusOptions bus;
};

class Rs232Gateway {
public:
    explicit Rs232Gateway(Rs232GatewayOptions options);
    ~Rs232Gateway();
    Rs232Gateway(const Rs232Gateway&) = delete;
    Rs232Gateway& operator=(const Rs232Gateway&) = delete;

    /// Creates the pseudo-terminal and starts; false when none can be made.
    bool Start();
    void Stop();
    /// Path of the slave side: what "COMn" maps to.
    const std::string& SlavePath() const { return slavePath_; }
    const Rs232GatewayOptions& Options() const { return options_; }
    VirtualBus& Bus() { return bus_; }
    FaultInjector& Faults() { return faults_; }

    /// UART: sends a flow-control notice with value (f7 low byte, f8 high byte).
    void SendFlowControl(uint16_t value);
    /// Hangs up: the master side closes, the host's line sees a hang-up.
    void HangUp();
    /// Puts bytes on the line as they stand (garbage for tests).
    void SendRaw(const std::vector<uint8_t>& bytes);
    /// Texts received at the listening rate, in order (for tests).
    std::vector<std::string> ReceivedTexts() const;
    /// Rates the host's line had while it sent something (consecutive repeats folded).
    std::vector<uint32_t> RatesSeen() const;
    uint64_t MalformedTexts() const { return malformed_.load(); }

private:
    void ReadLoop();
    void HandleText(const std::string& text);
    void HandleLegacyText(const std::string& text);
    void LogText(const std::string& text);
    /// UART: takes packets and probe texts from the front of stream; false when more is needed.
    bool TakeUartInput(std::string& stream);
    void HandleUartText(const std::string& text);
    /// A message from node to the host in the gateway's framing.
    void SendMessage(uint8_t node, uint8_t controlWord, const uint8_t* data, size_t length);
    void Request(uint8_t node, uint8_t controlWord, const uint8_t* data, uint8_t length);
    void OnBusFrame(const CanFrame& frame);
    void SendFrame(std::vector<uint8_t> frame);
    void WriteLine(const uint8_t* bytes, size_t length);
    /// With the line-time model: waits the time bytes take on the line at the listening rate.
    void SpendLineTime(size_t bytes) const;
    void FinishDiscovery();
    uint32_t HostRate() const;

    const Rs232GatewayOptions options_;
    VirtualBus bus_;
    FaultInjector faults_;
    std::atomic<int> master_{-1};
    int keeper_ = -1;  ///< the emulator's own slave handle: the master never sees a hang-up
    std::string slavePath_;
    std::atomic<bool> running_{false};
    std::thread reader_;
    std::mutex writeLock_;
    GatewayNode gatewayNode_;
    std::atomic<uint64_t> malformed_{0};

    mutable std::mutex logLock_;
    std::vector<std::string> texts_;
    std::vector<uint32_t> rates_;
    NodeListCollector nodeList_;
};

}  // namespace norvane::sim
