#pragma once
// A link over one COM port: the serial line of the device path the COM-number table gives for
// the port number, at the rate set before opening.
//
// Threads: as SerialLine (Close may run while the receive thread waits in Receive).
#include <cstdint>

#include "platform/serial_line.h"
#include "sdk/core/link.h"

namespace norvane::sdk {

class SerialLink : public Link {
public:
    explicit SerialLink(int portNumber) : portNumber_(portNumber) {}

    /// Opens COMn at baud: false when the table has no path for it or the line cannot be opened.
    bool Open(uint32_t baud);
    bool Close() { return line_.Close(); }
    /// Drops what waits in the receive queue (the probes start each rate clean).
    void Purge() { line_.Purge(); }

    int Send(const uint8_t* bytes, size_t length) override;
    int Receive(uint8_t* buffer, size_t capacity, uint32_t timeoutMs) override {
        return line_.Read(buffer, capacity, timeoutMs);
    }
    bool IsOpen() const override { return line_.IsOpen(); }

    int PortNumber() const { return portNumber_; }

private:
    const int portNumber_;
    platform::SerialLine line_;
};

}  // namespace norvane::sdk
