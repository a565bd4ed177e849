#pragma once
// A link moves units between the SDK and one gateway: bytes for TCP connections and serial
// lines, whole CAN frame records for CAN channels. It knows nothing of what the units mean;
// the port's wire format frames and unframes them.
//
// Threads: Send may be called from any thread (a link serialises its own sends); Receive is
// called by one thread at a time (the port's receive thread, or a probe while that thread does
// not run).
#include <cstddef>
#include <cstdint>

namespace norvane::sdk {

class Link {
public:
    virtual ~Link() = default;

    /// Sends every byte; the number sent, 0 when the link is closed or the send failed.
    virtual int Send(const uint8_t* bytes, size_t length) = 0;
    /// Receives once, waiting at most timeoutMs: the number of bytes, 0 when nothing arrived in
    /// time, -1 when the link is closed or broken for good.
    virtual int Receive(uint8_t* buffer, size_t capacity, uint32_t timeoutMs) = 0;
    /// True while the link is open (a closed peer does not close it).
    virtual bool IsOpen() const = 0;
    /// True once the peer has gone away while the link itself stays open (reads then return at
    /// once with nothing, so the receive loop paces itself).
    virtual bool PeerClosed() const { return false; }
};

}  // namespace norvane::sdk
