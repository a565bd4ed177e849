#pragma once
// What every emulated gateway answers itself instead of passing to the bus: the requests to
// the gateway node (node 1) and the node list that answers a serial-framed discovery. Shared by
// the Ethernet and the serial-line (RS-232, UART) gateway emulators.
//
// Threads: Answer runs on the gateway's reader thread; the bit-rate code is atomic. The
// collector is locked inside: its reader and the bus thread offer and take at once.
#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <vector>

namespace norvane::sim {

constexpr uint8_t kGatewayNodeId = 1;

/// Bits per second of a bit-rate code (500000 for an unknown code).
uint32_t BitRateOfCode(uint8_t code);

class GatewayNode {
public:
    /// model: answered as d0 = high byte, d1 = low byte; firmware as d4 = low, d5 = high byte.
    GatewayNode(uint16_t model, uint16_t firmware, uint32_t serialNumber, uint8_t bitRateCode)
        : model_(model), firmware_(firmware), serialNumber_(serialNumber), bitRateCode_(bitRateCode) {}

    using Send = std::function<void(uint8_t node, uint8_t controlWord, const uint8_t* data, uint8_t length)>;

    /// A request to the gateway node: second generation model (65) and bus bit-rate code (53,
    /// set when data carries a valid code); first generation model (11), serial number (12) and
    /// communication settings (1: the index back and the bit-rate code). Answers only what asks
    /// for an answer; true when the request was the gateway's own.
    bool Answer(bool firstGeneration, uint8_t node, uint8_t controlWord, const uint8_t* data, uint8_t length,
                const Send& send);
    uint8_t BitRateCode() const { return bitRateCode_.load(); }

private:
    const uint16_t model_;
    const uint16_t firmware_;
    const uint32_t serialNumber_;
    std::atomic<uint8_t> bitRateCode_;
};

/// Node ids answering a discovery, gathered for a window and then listed once, sorted.
class NodeListCollector {
public:
    void Begin(uint32_t windowMs);
    void Reset();
    /// true when the node's discovery answer was taken into the list (a window is open).
    bool Offer(uint8_t node);
    /// The gathered ids, sorted, once the window has ended; nullopt before or without one.
    std::optional<std::vector<uint8_t>> TakeWhenDone();

private:
    std::mutex lock_;
    bool collecting_ = false;
    uint64_t untilMs_ = 0;
    std::vector<uint8_t> nodes_;
};

}  // namespace norvane::sim
