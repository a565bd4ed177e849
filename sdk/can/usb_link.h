#pragma once
// One USB-CAN adapter as a link: its units are 24-byte CAN frame records, sent with the
// adapter's transmit command and fetched with its pending-count and fetch commands.
//
// Threads: Send from any thread, Receive from one reader; the adapter lock serialises the
// exchanges of both.
#include <atomic>
#include <memory>

#include "sdk/can/usb_adapters.h"
#include "sdk/core/link.h"

namespace norvane::sdk::can {

class UsbLink : public Link {
public:
    UsbLink(std::shared_ptr<UsbAdapters> adapters, uint32_t index)
        : adapters_(std::move(adapters)), index_(index) {}

    /// Sends each whole record; the bytes sent, 0 when a length is no whole number of records or
    /// the adapter took nothing.
    int Send(const uint8_t* bytes, size_t length) override;
    /// Whole records into buffer (at most 126 per call). With nothing there (or a failed
    /// exchange, as when the adapter was unplugged) it pauses 1 ms and gives 0; -1 once closed.
    int Receive(uint8_t* buffer, size_t capacity, uint32_t timeoutMs) override;
    bool IsOpen() const override { return open_.load(); }
    void SetOpen(bool open) { open_.store(open); }

    UsbAdapters& Adapters() const { return *adapters_; }
    uint32_t Index() const { return index_; }

private:
    const std::shared_ptr<UsbAdapters> adapters_;
    const uint32_t index_;
    std::atomic<bool> open_{false};
};

}  // namespace norvane::sdk::can
