#include "sdk/can/usb_adapters.h"

#include <algorithm>
#include <map>
#include <utility>

#include "platform/clock.h"

namespace norvane::sdk::can {

using namespace usb;

UsbAdapters::UsbAdapters(std::shared_ptr<const UsbEntries> usb) : usb_(std::move(usb)) {}

UsbAdapters::~UsbAdapters() {
    // The process ends: every adapter still open is released, whoever holds it.
    std::lock_guard guard(lock_);
    for (Entry& entry : table_) {
        if (entry.handle != nullptr) Release(std::exchange(entry.handle, nullptr));
    }
}

bool UsbAdapters::IsOpen(uint32_t index) const {
    std::lock_guard guard(lock_);
    return HandleLocked(index) != nullptr;
}

bool UsbAdapters::Holds(uint32_t index, UsbOpening opening) const {
    if (opening == kAnyOpening) return false;
    std::lock_guard guard(lock_);
    return HandleLocked(index, opening) != nullptr;
}

usb_dev_handle* UsbAdapters::HandleLocked(uint32_t index, UsbOpening opening) const {
    if (index >= kTableSize) return nullptr;
    const Entry& entry = table_[index];
    if (opening == kAnyOpening) return entry.handle;
    const bool held =
        std::find(entry.openings.begin(), entry.openings.end(), opening) != entry.openings.end();
    return held ? entry.handle : nullptr;
}

template <typename Visit>
void UsbAdapters::Walk(Visit visit) {
    usb_->init();
    usb_->findBusses();
    usb_->findDevices();
    for (struct usb_bus* bus = usb_->getBusses(); bus != nullptr; bus = bus->next) {
        for (struct usb_device* device = bus->devices; device != nullptr; device = device->next) {
            if (device->descriptor.idVendor != kVendor || device->descriptor.idProduct != kProduct) continue;
            if (!visit(device)) return;
        }
    }
}

usb_dev_handle* UsbAdapters::Claim(struct usb_device* device) {
    usb_dev_handle* handle = usb_->open(device);
    if (handle == nullptr) return nullptr;
    if (usb_->setConfiguration(handle, kConfiguration) < 0 || usb_->claimInterface(handle, kInterface) < 0) {
        usb_->close(handle);
        return nullptr;
    }
    return handle;
}

void UsbAdapters::Release(usb_dev_handle* handle) {
    usb_->releaseInterface(handle, kInterface);
    if (usb_->reset != nullptr) usb_->reset(handle);
    usb_->close(handle);
}

int UsbAdapters::OpenDevice(uint32_t index, UsbOpening& opening) {
    opening = kAnyOpening;
    if (!usb_ || index >= kTableSize) return kNotReady;
    std::lock_guard enumeration(enumeration_);
    usb_dev_handle* found = nullptr;
    if (!IsOpen(index)) {
        Walk([&](struct usb_device* device) {
            if (device->descriptor.bcdDevice != index) return true;
            found = Claim(device);
            return found == nullptr;  // a busy device: the walk goes on
        });
        if (found == nullptr) return kNotReady;
    }
    opening = ++lastOpening_;
    std::lock_guard guard(lock_);
    Entry& entry = table_[index];
    if (found != nullptr) {
        entry.handle = found;
        openCount_.fetch_add(1);
    }
    entry.openings.push_back(opening);
    return 1;
}

int UsbAdapters::CloseDevice(uint32_t index, UsbOpening opening) {
    if (!usb_ || index >= kTableSize || opening == kAnyOpening) return 1;
    {
        // Under the enumeration lock too: an open sees the adapter either open or closed.
        std::scoped_lock guard(enumeration_, lock_);
        Entry& entry = table_[index];
        const auto held = std::find(entry.openings.begin(), entry.openings.end(), opening);
        if (held == entry.openings.end()) return 1;
        entry.openings.erase(held);
        if (!entry.openings.empty() || entry.handle == nullptr) return 1;
        Release(std::exchange(entry.handle, nullptr));
        openCount_.fetch_sub(1);
    }
    if (const uint32_t pause = closeSleepMs.load()) platform::SleepMs(pause);
    return 1;
}

int UsbAdapters::ListDevices(uint32_t* out, int room) {
    if (!usb_ || out == nullptr) return 0;
    std::lock_guard enumeration(enumeration_);
    int n = 0;
    Walk([&](struct usb_device* device) {
        if (n >= room) return false;
        usb_dev_handle* handle = Claim(device);
        if (handle == nullptr) return true;
        out[n++] = device->descriptor.bcdDevice;
        usb_->releaseInterface(handle, kInterface);
        usb_->close(handle);
        return true;
    });
    return n;
}

int UsbAdapters::ExchangeLocked(usb_dev_handle* device, const uint8_t* request, int length, uint8_t* reply,
                                int size, int timeoutMs) {
    exchanges.fetch_add(1, std::memory_order_relaxed);
    const int written =
        usb_->bulkWrite(device, kEndpointOut, reinterpret_cast<const char*>(request), length, kTimeoutMs);
    if (written != length) return kShortWrite;
    const int read = usb_->bulkRead(device, kEndpointIn, reinterpret_cast<char*>(reply), size, timeoutMs);
    return read < 0 ? kBadReply : read;
}

int UsbAdapters::Exchange(uint32_t index, UsbOpening opening, const uint8_t* request, int length,
                          uint8_t* reply, int size, int timeoutMs) {
    if (!usb_) return kNotReady;
    std::lock_guard guard(lock_);
    usb_dev_handle* device = HandleLocked(index, opening);
    if (device == nullptr) return kNotReady;
    return ExchangeLocked(device, request, length, reply, size, timeoutMs);
}

int UsbAdapters::Command(uint32_t index, uint8_t command, UsbOpening opening) {
    uint8_t reply[8] = {};
    const int read = Exchange(index, opening, &command, 1, reply, 1, kTimeoutMs);
    if (read < 0) return read;
    return EchoReply(reply, read, command) ? 1 : kBadReply;
}

int UsbAdapters::SetCanBaudRate(uint32_t index, uint8_t code) {
    int result = Command(index, kStop);
    if (result < 1) return result;
    uint8_t request[kConfigureBytes];
    ConfigureRequest(code, request);
    uint8_t reply[8] = {};
    result = Exchange(index, kAnyOpening, request, sizeof request, reply, 1, kTimeoutMs);
    if (result < 0) return result;
    if (!EchoReply(reply, result, kConfigure)) return kBadReply;
    result = Command(index, kStart);
    if (result < 1) return result;
    return Command(index, kCommit) == 1 ? 1 : 0;
}

int UsbAdapters::Transmit(uint32_t index, const KymCanFrame& record, UsbOpening opening) {
    uint8_t request[kTransmitBytes];
    TransmitRequest(record, request);
    uint8_t reply[8] = {};
    const int read = Exchange(index, opening, request, sizeof request, reply, 2, kTimeoutMs);
    return read < 0 ? read : TransmitReply(reply, read);
}

int UsbAdapters::PendingCount(uint32_t index, UsbOpening opening) {
    const uint8_t request = kPending;
    uint8_t reply[8] = {};
    const int read = Exchange(index, opening, &request, 1, reply, 3, kTimeoutMs);
    return read < 0 ? read : PendingReply(reply, read);
}

int UsbAdapters::Receive(uint32_t index, KymCanFrame* records, uint32_t room, UsbOpening opening) {
    if (records == nullptr || room == 0) return 0;
    const int pending = PendingCount(index, opening);
    if (pending == kNotReady) return kNotReady;
    // An unreadable count is taken as the most one call fetches.
    uint32_t n =
        pending < 0 || pending > static_cast<int>(kReceiveMax) ? kReceiveMax : static_cast<uint32_t>(pending);
    n = std::min(n, room);
    std::lock_guard guard(lock_);
    usb_dev_handle* device = HandleLocked(index, opening);
    if (device == nullptr) return kNotReady;
    uint32_t total = 0;
    uint8_t reply[64];
    // Frames already taken are returned even when a later exchange fails: they left the adapter.
    const auto failed = [&total](int result) { return total > 0 ? static_cast<int>(total) : result; };
    while (n > kFetchMax) {
        const uint8_t request[2] = {kFetch, static_cast<uint8_t>(kFetchMax)};
        const int read =
            ExchangeLocked(device, request, 2, reply, FetchReadBytes(kFetchMax), kReceiveTimeoutMs);
        if (read < 0) return failed(read);
        const uint32_t taken = FetchReply(reply, read, kFetchMax, records + total);
        total += taken;
        n -= taken;
        if (taken != kFetchMax) return static_cast<int>(total);  // the adapter had no more
    }
    if (n >= 1) {
        const uint8_t request[2] = {kFetch, static_cast<uint8_t>(n)};
        const int size = FetchReadBytes(n);
        const int read = ExchangeLocked(device, request, 2, reply, size, kReceiveTimeoutMs);
        if (read < 0) return failed(read);
        if (read < size) return failed(kBadReply);  // the last request must come back whole
        total += FetchReply(reply, read, n, records + total);
    }
    return static_cast<int>(total);
}

int UsbAdapters::SetIndex(uint32_t index, uint32_t newIndex) {
    const uint8_t request[2] = {kSetIndex, static_cast<uint8_t>(newIndex)};
    uint8_t reply[8] = {};
    const int read = Exchange(index, kAnyOpening, request, 2, reply, 2, kTimeoutMs);
    if (read < 0) return read;
    return read >= 2 && reply[0] == kSetIndex && reply[1] == request[1] ? 1 : kBadReply;
}

std::shared_ptr<UsbAdapters> SharedAdapters(const std::string& library) {
    const std::string name = library.empty() ? LibusbName() : library;
    static std::mutex lock;
    static auto* all = new std::map<std::string, std::shared_ptr<UsbAdapters>>();
    std::lock_guard guard(lock);
    auto& adapters = (*all)[name];
    if (!adapters) adapters = std::make_shared<UsbAdapters>(BindLibusb(name));
    return adapters;
}

}  // namespace norvane::sdk::can
