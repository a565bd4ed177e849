#include "sim/usb_adapter_server.h"

#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstring>

#include "sim/usb_link_messages.h"

namespace norvane::sim {
namespace {

using namespace usblink;

bool SendAll(int fd, const std::vector<uint8_t>& bytes) {
    size_t at = 0;
    while (at < bytes.size()) {
        const ssize_t n = send(fd, bytes.data() + at, bytes.size() - at, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        at += static_cast<size_t>(n);
    }
    return true;
}

}  // namespace

std::string DefaultUsbSocketPath() {
    return "/tmp/norvane-usb.sock";
}

struct UsbAdapterServer::Adapter {
    Adapter(uint8_t index, uint8_t busCode, const BusOptions& options)
        : bus(std::make_unique<VirtualBus>(options)),
          model(index, busCode, [this](const CanFrame& frame) { bus->Send(frame); }) {
        bus->SetGatewayListener([this](const CanFrame& frame) { model.FromBus(frame); });
    }
    std::unique_ptr<VirtualBus> bus;
    UsbAdapterModel model;
    mutable std::mutex mutex;  ///< guards the flags below
    std::condition_variable unplugged;
    bool present = true;
    bool busy = false;
    bool claimed = false;
};

UsbAdapterServer::UsbAdapterServer(std::string socketPath) : listener_(std::move(socketPath)) {}

UsbAdapterServer::~UsbAdapterServer() {
    Stop();
}

VirtualBus& UsbAdapterServer::AddAdapter(uint8_t deviceIndex, uint8_t busCode, const BusOptions& bus) {
    adapters_.push_back(std::make_unique<Adapter>(deviceIndex, busCode, bus));
    return *adapters_.back()->bus;
}

VirtualBus& UsbAdapterServer::Bus(size_t slot) {
    return *adapters_.at(slot)->bus;
}

UsbAdapterModel& UsbAdapterServer::Model(size_t slot) {
    return adapters_.at(slot)->model;
}

bool UsbAdapterServer::Claimed(size_t slot) const {
    const Adapter& a = *adapters_.at(slot);
    std::lock_guard lock(a.mutex);
    return a.claimed;
}

void UsbAdapterServer::Unplug(size_t slot) {
    Adapter& a = *adapters_.at(slot);
    std::lock_guard lock(a.mutex);
    a.present = false;
    a.claimed = false;
    a.model.PowerOff();
    a.unplugged.notify_all();
}

void UsbAdapterServer::Replug(size_t slot) {
    Adapter& a = *adapters_.at(slot);
    std::lock_guard lock(a.mutex);
    a.present = true;
}

void UsbAdapterServer::SetBusy(size_t slot, bool busy) {
    Adapter& a = *adapters_.at(slot);
    std::lock_guard lock(a.mutex);
    a.busy = busy;
}

void UsbAdapterServer::InjectFromBus(size_t slot, const CanFrame& frame) {
    adapters_.at(slot)->model.FromBus(frame);
}

bool UsbAdapterServer::Start() {
    if (!listener_.Listen("USB", error_)) return false;
    for (auto& a : adapters_) a->bus->Start();
    listener_.Accept([this](int fd) { Serve(fd); });
    return true;
}

void UsbAdapterServer::Stop() {
    const bool wasRunning = listener_.Stop([this] {
        for (auto& a : adapters_) {
            std::lock_guard lock(a->mutex);
            a->unplugged.notify_all();  // a read waiting for a reply ends now
        }
    });
    if (!wasRunning) return;
    for (auto& a : adapters_) a->bus->Stop();
}

void UsbAdapterServer::Serve(int fd) {
    std::vector<uint8_t> pending;
    uint8_t in[4096];
    Request request;
    for (;;) {
        size_t used = 0;
        const Decoded decoded = DecodeRequest(pending.data(), pending.size(), request, used);
        if (decoded == Decoded::Malformed) break;
        if (decoded == Decoded::NeedMore) {
            const ssize_t n = read(fd, in, sizeof in);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) break;
            pending.insert(pending.end(), in, in + n);
            continue;
        }
        pending.erase(pending.begin(), pending.begin() + static_cast<std::ptrdiff_t>(used));
        Answer answer;
        Adapter* a = request.slot < adapters_.size() ? adapters_[request.slot].get() : nullptr;
        const auto present = [a] {
            std::lock_guard lock(a->mutex);
            return a->present;
        };
        switch (request.type) {
            case Type::List:
                for (size_t slot = 0; slot < adapters_.size(); ++slot) {
                    if (!listener_.Running()) break;
                    Adapter& each = *adapters_[slot];
                    std::lock_guard lock(each.mutex);
                    if (!each.present) continue;
                    answer.payload.push_back(static_cast<uint8_t>(slot));
                    answer.payload.push_back(each.model.DeviceIndex());
                }
                break;
            case Type::Claim:
                if (a == nullptr) {
                    answer.result = -ENODEV;
                } else {
                    std::lock_guard lock(a->mutex);
                    answer.result = !a->present ? -ENODEV : a->busy || a->claimed ? -EBUSY : 0;
                    if (answer.result == 0) a->claimed = true;
                }
                break;
            case Type::Release:
                if (a != nullptr) {
                    std::lock_guard lock(a->mutex);
                    a->claimed = false;
                }
                break;
            case Type::Reset:
                answer.result = a != nullptr && present() ? 0 : -ENODEV;
                break;
            case Type::Write:
                answer.result = a == nullptr || !present()
                                    ? -ENODEV
                                    : a->model.Write(request.payload.data(), request.payload.size());
                break;
            case Type::Read: {
                if (a == nullptr || !present()) {
                    answer.result = -ENODEV;
                    break;
                }
                const size_t size = std::min<size_t>(request.value & 0xFFFF, kMaxPayload);
                answer.payload.resize(size);
                const int n = a->model.Read(answer.payload.data(), size);
                if (n >= 0) {
                    answer.payload.resize(static_cast<size_t>(n));
                    answer.result = n;
                    break;
                }
                // No reply: the read waits its time-out, unless the device goes away first.
                answer.payload.clear();
                std::unique_lock lock(a->mutex);
                a->unplugged.wait_for(lock, std::chrono::milliseconds(request.value >> 16),
                                      [&] { return !a->present || !listener_.Running(); });
                answer.result = a->present ? -ETIMEDOUT : -ENODEV;
                break;
            }
        }
        if (!SendAll(fd, Encode(answer))) break;
    }
}

}  // namespace norvane::sim
