#pragma once
// The Ethernet port: the generic port over a TCP link to one Ethernet gateway, in the
// gateway's wire format. What is its own: the connection with its hello and goodbye frames,
// and the probes.
//
// Threads: as CNvLinkPort. Connect and Disconnect may be called from any thread, also from a
// callback running on this port's own threads; no lock is held while Disconnect waits for the
// port's threads to end.
#include <cstdint>
#include <memory>
#include <mutex>

#include "sdk/core/link_port.h"
#include "sdk/ethernet/tcp_link.h"

namespace norvane::sdk {

class CNvSocketClient : public CNvLinkPort {
public:
    /// address: IPv4 address of the gateway, host byte order.
    explicit CNvSocketClient(uint32_t address);
    ~CNvSocketClient() override;

    int ProbeLegacy() override;
    int Probe() override;
    int OpenLegacy(uint32_t handle, KymNodeRecord* records, int max, uint32_t* out) override;
    int Open(uint32_t handle, KymNodeRecord* records, int max, uint32_t* out) override;

    /// 1 connected (hello sent; blocks about 0.5 s in CAN framing), 0 failed (after at most
    /// 2.5 s for an unreachable address) or already connected.
    int Connect();
    /// Sends goodbye, stops the threads and closes the connection. Always 1.
    int Disconnect(uint32_t handle);
    /// Sends all bytes, then pauses 2 ms. Bytes sent; 0 on failure, on a closed connection, a
    /// null buffer or length 0.
    int SendBytes(const uint8_t* bytes, size_t length) { return tcp_.Send(bytes, length); }
    /// Receives once, waiting at most timeoutMs. Bytes received; 0 on time-out or when the peer
    /// has closed; -1 on a closed connection or an error.
    int ReceiveBytes(uint8_t* buffer, size_t capacity, uint32_t timeoutMs) {
        return tcp_.Receive(buffer, capacity, timeoutMs);
    }

    bool IsConnected() const { return tcp_.IsOpen(); }
    uint32_t Address() const { return tcp_.Address(); }

protected:
    /// For ports that speak another wire format over the same connection (the zone device).
    CNvSocketClient(uint32_t address, std::unique_ptr<WireFormat> format);

private:
    std::mutex stateLock_;  ///< serialises the hello and goodbye exchanges (never held while joining)
    TcpLink& tcp_;
};

}  // namespace norvane::sdk
