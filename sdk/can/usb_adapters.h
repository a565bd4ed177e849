#pragma once
// The process-wide state of the USB-CAN adapters and the routines that speak the adapter's bulk
// protocol: the libusb binding, a table of 100 open device handles indexed by device index (the
// device's release number), and the adapter lock around every bulk exchange.
//
// Ownership: every successful OpenDevice is an opening with a token of its own. An adapter
// stays open while any opening of it is held, and CloseDevice releases only the opening whose
// token it is given, so an object that closes late (a port destroyed when its last thread ends)
// never closes the adapter a newer object opened at the same index. Routines given a token
// reach the adapter only while that opening is held.
//
// Results: 1 or a count when done; kNotReady (-1) without library, without any open adapter,
// without a handle at the index or when the given opening is not held; kShortWrite (-2) and
// kBadReply (-3) from the exchanges.
// Threads: every routine may be called from any thread. Each exchange (write and read) holds the
// adapter lock, so the receive threads of several adapters and requesting threads never
// interleave a request and its reply. Enumeration (open, list) and the table part of a close run under a lock
// of its own, since libusb-0.1's bus list is not thread-safe. A bulk read blocks at most its time-out (1000
// ms, 2000 ms when fetching frames) with the adapter lock held.
#include <usb.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "norvane/NorvaneFunc.h"
#include "sdk/can/usb_binding.h"
#include "sdk/can/usb_protocol.h"

namespace norvane::sdk::can {

/// Token of one opening of an adapter (never 0 for a held one).
using UsbOpening = uint64_t;
/// Given to a routine instead of a token: the adapter at the index, whoever opened it.
constexpr UsbOpening kAnyOpening = 0;

class UsbAdapters {
public:
    static constexpr uint32_t kTableSize = 100;

    /// usb: the bound library, null when it is missing (every routine then gives kNotReady).
    explicit UsbAdapters(std::shared_ptr<const UsbEntries> usb);
    ~UsbAdapters();
    UsbAdapters(const UsbAdapters&) = delete;
    UsbAdapters& operator=(const UsbAdapters&) = delete;

    bool Bound() const { return usb_ != nullptr; }
    /// Whether any adapter is open (the adapter lock exists).
    bool LockReady() const { return openCount_.load() > 0; }
    bool IsOpen(uint32_t index) const;
    /// Whether the opening is held at index (the adapter is open for its owner).
    bool Holds(uint32_t index, UsbOpening opening) const;

    /// Finds the device with release number index, opens, configures and claims it and keeps the
    /// handle: 1 with a new token in opening, or kNotReady when no device qualified. An index
    /// already open gives 1 at once with a token of its own (the adapter is shared).
    int OpenDevice(uint32_t index, UsbOpening& opening);
    /// Releases the opening; when it was the adapter's last, releases, resets and closes the
    /// handle at index and waits closeSleepMs. An opening not held (released already, or of an
    /// adapter opened anew since) changes nothing. 1.
    int CloseDevice(uint32_t index, UsbOpening opening);
    /// Release numbers of every adapter that can be opened, configured and claimed (each is
    /// closed again), at most room of them; the number written.
    int ListDevices(uint32_t* out, int room);
    /// Commands 0x02, 0x01 with the code, 0x03, 0x07, stopping at the first failure (its result);
    /// 0 when 0x07 is not echoed; otherwise 1.
    int SetCanBaudRate(uint32_t index, uint8_t code);
    /// One-byte command echoed by the adapter (0x02, 0x03, 0x07): 1, or the failure.
    int Command(uint32_t index, uint8_t command, UsbOpening opening = kAnyOpening);
    /// Sends one frame: the frames the adapter took, or the failure.
    int Transmit(uint32_t index, const KymCanFrame& record, UsbOpening opening = kAnyOpening);
    /// Received frames waiting in the adapter, or the failure.
    int PendingCount(uint32_t index, UsbOpening opening = kAnyOpening);
    /// Fetches the waiting frames (at most min(room, 126)) in requests of up to four: the number
    /// of records written, or the failure.
    int Receive(uint32_t index, KymCanFrame* records, uint32_t room, UsbOpening opening = kAnyOpening);
    /// Gives the adapter another device index (the handle stays at the old one): 1, or the failure.
    int SetIndex(uint32_t index, uint32_t newIndex);

    /// Pause after closing a device (the device needs it before it can be opened again).
    std::atomic<uint32_t> closeSleepMs{100};
    /// Bulk exchanges made since creation (benchmarks count exchanges per command).
    std::atomic<uint64_t> exchanges{0};

private:
    /// With lock_ held: write request, read up to size bytes into reply. Bytes read, or a failure.
    int ExchangeLocked(usb_dev_handle* device, const uint8_t* request, int length, uint8_t* reply, int size,
                       int timeoutMs);
    /// One exchange under the lock with the handle at index (while opening is held).
    int Exchange(uint32_t index, UsbOpening opening, const uint8_t* request, int length, uint8_t* reply,
                 int size, int timeoutMs);
    /// With lock_ held: the handle at index, null when none or when opening is not held there.
    usb_dev_handle* HandleLocked(uint32_t index, UsbOpening opening = kAnyOpening) const;
    /// The first device after walking the busses for which match holds; enumeration_ held.
    template <typename Visit>
    void Walk(Visit visit);
    usb_dev_handle* Claim(struct usb_device* device);
    void Release(usb_dev_handle* handle);

    const std::shared_ptr<const UsbEntries> usb_;
    std::mutex enumeration_;
    /// One adapter of the table: its handle and the openings that hold it.
    struct Entry {
        usb_dev_handle* handle = nullptr;
        std::vector<UsbOpening> openings;
    };

    mutable std::mutex lock_;  ///< the adapter lock: table_ and every bulk exchange
    Entry table_[kTableSize];
    UsbOpening lastOpening_ = 0;  ///< guarded by enumeration_
    std::atomic<int> openCount_{0};
};

/// The adapters of the library LibusbName() names (or of the given library name), one object per
/// name for the whole process.
std::shared_ptr<UsbAdapters> SharedAdapters(const std::string& library = {});

}  // namespace norvane::sdk::can
