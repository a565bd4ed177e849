#pragma once
// The Ethernet port: a TCP client of one Ethernet gateway (one IPv4 address), wrapping every
// CAN message into the gateway's frames, running the receive loop that files what arrives,
// and implementing the request operations with their time-outs.
//
// Threads: host threads call the request operations (serialised per table by the answer
// table's locks, sends by the send lock); the receive thread runs ReceiveLoop; probes and
// ExchangeWithGateway read the socket themselves and run only while the receive thread does
// not (the search disconnects before an open). Connect and Disconnect are serialised.
#include <atomic>
#include <cstdint>
#include <mutex>

#include "sdk/core/port.h"
#include "sdk/ethernet/ethernet_frames.h"

namespace norvane::sdk {

class CNvSocketClient : public CNvCallBackFunc {
public:
    /// address: IPv4 address of the gateway, host byte order.
    explicit CNvSocketClient(uint32_t address);
    ~CNvSocketClient() override;

    // ---- slots ----
    int ProbeLegacy() override;
    int Probe() override;
    int SetCommandLegacy(uint32_t handle, uint32_t node, uint8_t controlWord, int index, const void* data,
                         KymReply* reply) override;
    int SetCommand(uint32_t handle, uint32_t node, uint8_t controlWord, int index, const void* data,
                   KymReply* reply) override;
    int GetCommandLegacy(uint32_t handle, uint32_t node, uint8_t controlWord, int index,
                         KymReply* reply) override;
    int GetCommand(uint32_t handle, uint32_t node, uint8_t controlWord, int index, KymReply* reply) override;
    int ReceiveLoop(uint32_t portIndex) override;
    int ReceiveLoopLegacy(uint32_t portIndex) override;
    int RegisterNodesLegacy(uint32_t handle, KymNodeRecord* records, int max) override;
    int RegisterNodes(uint32_t handle, KymNodeRecord* records, int max) override;
    int OpenLegacy(uint32_t handle, KymNodeRecord* records, int max, uint32_t* out) override;
    int Open(uint32_t handle, KymNodeRecord* records, int max, uint32_t* out) override;
    int SendCanMessage(uint32_t handle, const KymCanMsg* message, KymCanMsg* out, int max,
                       int* countOut) override;

    /// First-generation register-all exchange (serial-number request with two zero bytes).
    int RegisterAllNodes(uint32_t handle, KymNodeRecord* records, int max);

    // ---- connection ----
    /// 1 connected (hello sent; blocks about 0.5 s in CAN framing), 0 failed (after at most
    /// 2.5 s for an unreachable address) or already connected.
    int Connect();
    /// Sends goodbye, stops the threads and closes the socket. Always 1.
    int Disconnect(uint32_t handle);
    /// Sends all bytes under the send lock, then pauses 2 ms. Bytes sent; 0 on failure, on a
    /// closed socket, a null buffer or length 0.
    int SendBytes(const uint8_t* bytes, size_t length);
    /// Receives once, waiting at most timeoutMs. Bytes received; 0 on time-out or when the peer
    /// has closed; -1 on a closed socket or an error.
    int ReceiveBytes(uint8_t* buffer, size_t capacity, uint32_t timeoutMs);
    /// 1 when the gateway confirmed the protocol of legacyProtocol (20 or 30), else 0.
    int SelectProtocol();
    /// Sends a first-generation request to node 1 (the gateway) and waits for the answer with
    /// the same command number. 1 with the answer in *answer, else 0.
    int ExchangeWithGateway(KymCanMsg* answer, uint8_t controlWord, const void* data, uint32_t timeoutMs);

    bool IsConnected() const { return socket_.load() >= 0; }
    uint32_t Address() const { return address_; }

private:
    bool SerialFraming() const;
    /// Frames one message in the current framing and sends it.
    bool SendMessage(const KymCanMsg& message, uint8_t i3 = 1);
    /// Sends msg and waits for the frame whose control word has expectedCommand's number.
    int Exchange(const KymCanMsg& request, uint8_t expectedCommand, uint32_t timeoutMs, KymCanMsg* answer);
    void HandleFrame(const uint8_t* frame, size_t length);
    void HandleSerialPayload(const uint8_t* payload, size_t length);
    void HandleLegacyFrame(const uint8_t* frame, size_t length);
    void FileLegacyMessage(const KymCanMsg& message);
    int RunLegacyDiscovery(uint32_t handle, KymNodeRecord* records, int max, bool withData);
    void DescribeNodes(KymNodeRecord* records, int n, bool* lastFailed);
    /// Names first-generation nodes and reads their words 2 and 6; false when the model query
    /// of the last record went unanswered.
    bool DescribeLegacyNodes(KymNodeRecord* records, int n);
    /// The frame of a first-generation request in the current framing; 0 when it cannot be built.
    size_t BuildLegacyRequest(uint32_t node, uint8_t controlWord, int index, const void* data, uint8_t* frame,
                              size_t capacity);
    void CloseSocketLocked();

    const uint32_t address_;
    std::atomic<int> socket_{-1};
    std::atomic<bool> peerClosed_{false};
    std::mutex stateLock_;  ///< serialises Connect and Disconnect
    std::mutex sendLock_;
    std::mutex receiveLock_;
};

}  // namespace norvane::sdk
