#pragma once
// A TCP client connection to one gateway address (IPv4, the configured server port).
//
// Threads: Open and Close are serialised with each other; Send serialises sends; Receive is
// used by one reader at a time. Close may run while another thread waits in Receive: the
// connection is shut down first (the wait ends at once) and the descriptor is closed only
// after no thread can be inside Send or Receive with it.
#include <atomic>
#include <cstdint>
#include <mutex>

#include "sdk/core/link.h"

namespace norvane::sdk {

class TcpLink : public Link {
public:
    static constexpr uint32_t kDefaultSendPauseMs = 2;
    /// address: IPv4 address of the gateway, host byte order.
    explicit TcpLink(uint32_t address) : address_(address) {}
    ~TcpLink() override { Close(); }

    /// Connects with a time-out of 2.5 s and sets keep-alive, no Nagle delay and a 100 ms send
    /// time-out. true when connected now; false when it failed or was already connected.
    bool Open();
    /// Shuts the connection down (a waiting Receive returns at once); Close ends it.
    void ShutDown();
    void Close();

    /// Sends all bytes, then pauses (2 ms unless set otherwise) before the next send may start:
    /// real gateways need a pause between frames.
    int Send(const uint8_t* bytes, size_t length) override;
    /// The pause after each send, 0 for none; any thread, takes effect with the next send.
    void SetSendPauseMs(uint32_t ms) { sendPauseMs_ = ms; }
    uint32_t SendPauseMs() const { return sendPauseMs_.load(); }
    int Receive(uint8_t* buffer, size_t capacity, uint32_t timeoutMs) override;
    bool IsOpen() const override { return socket_.load() >= 0; }
    bool PeerClosed() const override { return peerClosed_.load(); }

    uint32_t Address() const { return address_; }

private:
    const uint32_t address_;
    std::atomic<int> socket_{-1};
    std::atomic<bool> peerClosed_{false};
    std::atomic<uint32_t> sendPauseMs_{kDefaultSendPauseMs};
    std::mutex openLock_;
    std::mutex sendLock_;
    std::mutex receiveLock_;
    uint32_t receiveTimeoutMs_ = 0;  ///< the socket's receive time-out; 0 none set (receiveLock_)
};

}  // namespace norvane::sdk
