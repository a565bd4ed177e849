#include "sdk/can/usb_link.h"

#include <algorithm>
#include <cstring>

#include "platform/clock.h"
#include "sdk/can/can_wire_format.h"

namespace norvane::sdk::can {

int UsbLink::Send(const uint8_t* bytes, size_t length) {
    const UsbOpening opening = opening_.load();
    if (opening == kAnyOpening || bytes == nullptr || length == 0 || length % kRecordBytes != 0) return 0;
    for (size_t at = 0; at < length; at += kRecordBytes) {
        KymCanFrame record;
        std::memcpy(&record, bytes + at, kRecordBytes);
        if (adapters_->Transmit(index_, record, opening) < 1) return 0;
    }
    return static_cast<int>(length);
}

int UsbLink::Receive(uint8_t* buffer, size_t capacity, uint32_t) {
    UsbOpening opening = opening_.load();
    if (opening == kAnyOpening) return -1;
    KymCanFrame records[usb::kReceiveMax];
    const auto room = static_cast<uint32_t>(std::min<size_t>(capacity / kRecordBytes, usb::kReceiveMax));
    const int n = adapters_->Receive(index_, records, room, opening);
    if (n == usb::kNotReady && !adapters_->Holds(index_, opening)) {
        // The opening was released: the adapter is closed for this link (or open for another).
        opening_.compare_exchange_strong(opening, kAnyOpening);
        return -1;
    }
    if (n <= 0) {
        platform::SleepMs(1);
        return 0;
    }
    std::memcpy(buffer, records, static_cast<size_t>(n) * kRecordBytes);
    return n * static_cast<int>(kRecordBytes);
}

}  // namespace norvane::sdk::can
