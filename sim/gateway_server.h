#pragma once
// TCP side shared by the Ethernet gateway and the zone device emulators.
//
// Listens on one IPv4 address and port (bind to the exact address, so several gateways can
// share a port on 127.0.0.x). One client at a time: a new connection replaces the current one,
// which is closed (a host that reconnects quickly is never refused). Threads: an I/O thread
// accepts, reads and hands complete host frames to OnHostFrame; a writer thread sends queued
// frames (so delayed answers never hold up reading). A frame with nothing ahead of it and no
// delay is written by the queueing thread itself when the socket takes it at once. Subclasses
// queue frames from any thread.
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "sim/fault_injector.h"
#include "sim/host_frames.h"

namespace norvane::sim {

struct GatewayCounters {
    std::atomic<uint64_t> connections{0};
    std::atomic<uint64_t> framesIn{0};
    std::atomic<uint64_t> framesOut{0};
    std::atomic<uint64_t> droppedOut{0};       ///< dropped by fault injection or silence
    std::atomic<uint64_t> malformedFrames{0};  ///< well-framed but unusable payloads
    std::atomic<uint64_t> unknownCommands{0};
    std::atomic<uint64_t> garbageBytes{0};
};

class GatewayServer {
public:
    GatewayServer(std::string address, uint16_t port);
    virtual ~GatewayServer();
    GatewayServer(const GatewayServer&) = delete;
    GatewayServer& operator=(const GatewayServer&) = delete;

    /// Binds and starts the threads. false (with ErrorText) when the address cannot be bound.
    bool Start();
    /// Closes the client and the listener and joins the threads. Subclasses call it first in
    /// their destructor.
    void Stop();

    const std::string& Address() const { return address_; }
    /// The bound port (the real one when 0 was asked for).
    uint16_t Port() const { return port_; }
    const std::string& ErrorText() const { return error_; }
    bool ClientConnected() const;

    FaultInjector& Faults() { return faults_; }
    const GatewayCounters& Counters() const { return counters_; }

    /// Writes raw bytes to the client now, bypassing framing and faults (garbage injection).
    void SendRaw(const std::vector<uint8_t>& bytes);
    /// Drops the client connection from the gateway side.
    void CloseClient();

protected:
    /// A complete frame from the host (I/O thread).
    virtual void OnHostFrame(const HostFrame& frame) = 0;
    /// A new client replaced the previous one (I/O thread).
    virtual void OnClientConnected() {}
    /// Called about every 10 ms on the I/O thread.
    virtual void OnIdle() {}
    /// Stops the subclass' own activity before the threads end.
    virtual void OnStopping() {}

    /// Queues a frame to the host, subject to fault injection.
    void QueueAnswer(std::vector<uint8_t> bytes);
    GatewayCounters& MutableCounters() { return counters_; }

private:
    struct Outgoing {
        std::vector<uint8_t> bytes;
        uint64_t dueMs = 0;
        uint32_t splitPauseMs = 0;
        uint64_t connection = 0;
    };

    void IoLoop();
    void WriterLoop();
    void AcceptClient();
    void DropClientLocked();
    bool WriteAll(int fd, const uint8_t* bytes, size_t count);
    /// Writes what the socket takes without blocking (outMutex_ held). true when the item is
    /// done with (sent, or its connection has gone); false with the unsent rest left in item.
    bool WriteWithoutWaiting(Outgoing& item);

    std::string address_;
    uint16_t port_;
    std::string error_;
    int listenFd_ = -1;

    mutable std::mutex clientMutex_;  ///< guards clientFd_ and connectionId_; held while writing
    int clientFd_ = -1;
    bool closeRequested_ = false;  ///< CloseClient shut the link down; the I/O thread closes it
    uint64_t connectionId_ = 0;

    std::mutex outMutex_;
    std::condition_variable outCv_;
    std::deque<Outgoing> out_;
    bool writerBusy_ = false;  ///< the writer thread holds a frame it took from out_

    std::atomic<bool> running_{false};
    std::thread ioThread_;
    std::thread writerThread_;
    HostFrameParser parser_;
    FaultInjector faults_;
    GatewayCounters counters_;
};

}  // namespace norvane::sim
