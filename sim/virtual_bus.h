#pragma once
// One simulated CAN bus: the nodes behind one gateway (or one zone) and the thread that
// carries frames between them.
//
// Threads: one bus thread per bus delivers every frame (gateway -> nodes, node -> gateway and
// other nodes) and calls each node's Tick every tickMs; node callbacks run only there. Any
// thread may Send, add nodes, or read the traffic record. The gateway listener runs on the
// bus thread and must not block for long.
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "sim/can_frame.h"
#include "sim/sim_node.h"

namespace norvane::sim {

enum class Direction { FromGateway, FromNode };

/// One frame that crossed the bus.
struct TrafficEntry {
    uint64_t timeUs = 0;  ///< steady-clock microseconds since the bus was created
    Direction direction = Direction::FromGateway;
    CanFrame frame;
};

struct BusOptions {
    uint32_t bitRate = 500000;  ///< bits per second, used by the bus-time model
    /// Each frame occupies the bus for its bit time: a node's frame reaches the gateway when its
    /// last bit has crossed, and what nodes send in reply to a frame starts no earlier than that
    /// frame's modelled end.
    bool modelBusTime = false;
    uint32_t tickMs = 5;            ///< node Tick period
    std::string logPath;            ///< candump log file; empty = no log
    std::string channel = "vcan0";  ///< interface name written in the log
    size_t trafficLimit = 100000;   ///< oldest entries are dropped beyond this (counted)
};

/// Bits a 29-bit data frame with `length` data bytes occupies (no stuff bits).
uint32_t ExtendedFrameBits(uint8_t length);
/// One candump log line (without newline): "(sec.usec) channel IIIIIIII#DDDD" ("III#" for a
/// standard frame, "#R" for a remote frame).
std::string CandumpLine(uint64_t wallUs, const std::string& channel, const CanFrame& frame);

class VirtualBus {
public:
    explicit VirtualBus(BusOptions options = {});
    ~VirtualBus();
    VirtualBus(const VirtualBus&) = delete;
    VirtualBus& operator=(const VirtualBus&) = delete;

    /// Takes ownership; returns the node for tests to keep (valid while the bus lives).
    SimNode* AddNode(std::unique_ptr<SimNode> node);
    /// Receiver of every node frame; set before Start.
    void SetGatewayListener(std::function<void(const CanFrame&)> listener);
    void Start();
    /// Stops and joins the bus thread; frames still queued are discarded.
    void Stop();

    /// Queues a frame from the gateway side; returns at once. Nodes see extended data frames only.
    void Send(const CanFrame& frame);

    std::vector<TrafficEntry> Traffic() const;
    void ClearTraffic();
    uint64_t DroppedTrafficEntries() const;
    size_t NodeCount() const;
    const BusOptions& Options() const { return options_; }
    /// Runs fn on every node under the node lock (not on the bus thread; nodes lock themselves).
    void ForEachNode(const std::function<void(SimNode&)>& fn) const;

private:
    struct Pending {
        CanFrame frame;
        int source;  ///< node index, -1 for the gateway
        std::chrono::steady_clock::time_point queued;
        /// When the frame's last bit crossed the bus (its time in the traffic record and log):
        /// with the bus-time model the modelled time, not the moment the bus thread woke.
        std::chrono::steady_clock::time_point arrived{};
    };
    class NodeTransmitter;

    void Run();
    /// Waits with queueMutex_ held in lock until at (precisely); false when the bus stops.
    bool WaitUntil(std::unique_lock<std::mutex>& lock, std::chrono::steady_clock::time_point at);
    void Deliver(const Pending& p);
    void Record(const Pending& p);
    /// at: when the frame was queued (a modelled time, also a future one); the zero time point
    /// means now.
    void Enqueue(const CanFrame& frame, int source, std::chrono::steady_clock::time_point at);

    const BusOptions options_;
    const uint64_t startUs_;

    mutable std::mutex nodesMutex_;  ///< guards nodes_ and transmitters_ (held during delivery)
    std::vector<std::unique_ptr<SimNode>> nodes_;
    std::vector<std::unique_ptr<NodeTransmitter>> transmitters_;
    std::function<void(const CanFrame&)> listener_;
    /// While nodes take a frame (bus thread only): its modelled arrival, the time their answers
    /// are queued at; the zero time point otherwise.
    std::chrono::steady_clock::time_point delivering_{};

    std::mutex queueMutex_;
    std::condition_variable queueCv_;
    std::deque<Pending> queue_;
    bool stopping_ = false;
    std::thread thread_;

    mutable std::mutex trafficMutex_;
    std::deque<TrafficEntry> traffic_;
    uint64_t droppedTraffic_ = 0;
    FILE* log_ = nullptr;
};

}  // namespace norvane::sim
