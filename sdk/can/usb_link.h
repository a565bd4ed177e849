#pragma once
// One USB-CAN adapter as a link: its units are 24-byte CAN frame records, sent with the
// adapter's transmit command and fetched with its pending-count and fetch commands. The link is
// open while it holds an opening of the adapter (given by its port); it reaches the adapter only
// through that opening, so an adapter released under it is never polled on someone else's
// behalf.
//
// Threads: Send from any thread, Receive from one reader; the adapter lock serialises the
// exchanges of both. Attach and Detach from the port's opening and closing threads.
#include <atomic>
#include <memory>

#include "sdk/can/usb_adapters.h"
#include "sdk/core/link.h"

namespace norvane::sdk::can {

class UsbLink : public Link {
public:
    UsbLink(std::shared_ptr<UsbAdapters> adapters, uint32_t index)
        : adapters_(std::move(adapters)), index_(index) {}

    /// Sends each whole record; the bytes sent, 0 when a length is no whole number of records,
    /// the link is closed or the adapter took nothing.
    int Send(const uint8_t* bytes, size_t length) override;
    /// Whole records into buffer (at most 126 per call). With nothing there (or a failed
    /// exchange, as when the adapter was unplugged) it pauses 1 ms and gives 0; -1 once closed,
    /// and -1 (closing the link) when its opening is no longer held.
    int Receive(uint8_t* buffer, size_t capacity, uint32_t timeoutMs) override;
    bool IsOpen() const override { return opening_.load() != kAnyOpening; }

    /// Opens the link on an opening of the adapter its port made.
    void Attach(UsbOpening opening) { opening_.store(opening); }
    /// Closes the link: the opening it held (kAnyOpening when none), for its port to release.
    UsbOpening Detach() { return opening_.exchange(kAnyOpening); }
    /// The opening held, kAnyOpening when closed.
    UsbOpening Opening() const { return opening_.load(); }

    UsbAdapters& Adapters() const { return *adapters_; }
    uint32_t Index() const { return index_; }

private:
    const std::shared_ptr<UsbAdapters> adapters_;
    const uint32_t index_;
    std::atomic<UsbOpening> opening_{kAnyOpening};
};

}  // namespace norvane::sdk::can
