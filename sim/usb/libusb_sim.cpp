// libusb-sim.so: libusb-0.1 as the SDK sees it, with one USB device per adapter that
// norvane-sim serves (vendor 0xF008, product 0x72FF, bcdDevice = the adapter's device index) on
// one bus "001". Every call that concerns a device goes to the simulator over the socket that
// NORVANE_USB_SIM names (default /tmp/norvane-usb.sock); without a simulator there are no
// devices and transfers fail with -ENODEV.
//
// Threads: one connection per process, one request and its answer at a time under a lock.
// Device records live for the whole process (libusb-0.1 hands out pointers to them); the bus
// list is rebuilt by usb_find_devices.
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>

#include "sim/usb/exported.h"
#include "sim/usb_link_messages.h"

struct usb_dev_handle {
    uint8_t slot;
};

namespace {

using namespace norvane::sim::usblink;

constexpr uint16_t kVendor = 0xF008, kProduct = 0x72FF;

struct State {
    std::mutex lock;
    int fd = -1;
    struct usb_bus bus {};
    std::array<struct usb_device, 256> devices{};
};

State& TheState() {
    static State* state = new State();  // lives as long as the process: handed-out pointers stay valid
    return *state;
}

std::string SocketPath() {
    const char* path = std::getenv("NORVANE_USB_SIM");
    return path != nullptr && *path != '\0' ? path : "/tmp/norvane-usb.sock";
}

// With the state lock held: connects when not connected.
bool ConnectLocked(State& s) {
    if (s.fd >= 0) return true;
    const std::string path = SocketPath();
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.size() >= sizeof address.sun_path) return false;
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return false;
    if (connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        close(fd);
        return false;
    }
    s.fd = fd;
    return true;
}

void DropLocked(State& s) {
    if (s.fd >= 0) close(s.fd);
    s.fd = -1;
}

// One request and its answer; false when the simulator cannot be reached.
bool Call(const Request& request, Answer& answer) {
    State& s = TheState();
    std::lock_guard guard(s.lock);
    // A connection the simulator closed is tried once more on a new one.
    for (int attempt = 0; attempt < 2; ++attempt) {
        if (!ConnectLocked(s)) return false;
        const std::vector<uint8_t> bytes = Encode(request);
        size_t at = 0;
        bool ok = true;
        while (ok && at < bytes.size()) {
            const ssize_t n = send(s.fd, bytes.data() + at, bytes.size() - at, MSG_NOSIGNAL);
            if (n < 0 && errno == EINTR) continue;
            ok = n > 0;
            if (ok) at += static_cast<size_t>(n);
        }
        std::vector<uint8_t> in;
        uint8_t chunk[4096];
        while (ok) {
            size_t used = 0;
            const Decoded decoded = DecodeAnswer(in.data(), in.size(), answer, used);
            if (decoded == Decoded::Complete) return true;
            if (decoded == Decoded::Malformed) break;
            const ssize_t n = recv(s.fd, chunk, sizeof chunk, 0);
            if (n < 0 && errno == EINTR) continue;
            ok = n > 0;
            if (ok) in.insert(in.end(), chunk, chunk + n);
        }
        DropLocked(s);
    }
    return false;
}

int Simple(Type type, uint8_t slot) {
    Request request;
    request.type = type;
    request.slot = slot;
    Answer answer;
    return Call(request, answer) ? answer.result : -ENODEV;
}

}  // namespace

USB_SIM_API void usb_init(void) {
    State& s = TheState();
    std::lock_guard guard(s.lock);
    std::snprintf(s.bus.dirname, sizeof s.bus.dirname, "001");
}

USB_SIM_API int usb_find_busses(void) {
    return 0;
}

USB_SIM_API int usb_find_devices(void) {
    Request request;
    request.type = Type::List;
    Answer answer;
    const bool reached = Call(request, answer);
    State& s = TheState();
    std::lock_guard guard(s.lock);
    struct usb_device* first = nullptr;
    struct usb_device* last = nullptr;
    for (size_t at = 0; reached && at + 1 < answer.payload.size(); at += 2) {
        struct usb_device& d = s.devices[answer.payload[at]];
        d = {};
        std::snprintf(d.filename, sizeof d.filename, "%03u", answer.payload[at] + 1u);
        d.bus = &s.bus;
        d.devnum = static_cast<uint8_t>(answer.payload[at] + 1);
        d.descriptor.bLength = USB_DT_DEVICE_SIZE;
        d.descriptor.bDescriptorType = USB_DT_DEVICE;
        d.descriptor.bcdUSB = 0x0110;
        d.descriptor.bMaxPacketSize0 = 64;
        d.descriptor.idVendor = kVendor;
        d.descriptor.idProduct = kProduct;
        d.descriptor.bcdDevice = answer.payload[at + 1];
        d.descriptor.bNumConfigurations = 1;
        d.prev = last;
        if (last != nullptr) last->next = &d;
        if (first == nullptr) first = &d;
        last = &d;
    }
    s.bus.devices = first;
    return last == nullptr ? 0 : static_cast<int>(answer.payload.size() / 2);
}

USB_SIM_API struct usb_bus* usb_get_busses(void) {
    return &TheState().bus;
}

USB_SIM_API usb_dev_handle* usb_open(struct usb_device* dev) {
    if (dev == nullptr || dev->devnum == 0) return nullptr;
    return new usb_dev_handle{static_cast<uint8_t>(dev->devnum - 1)};
}

USB_SIM_API int usb_set_configuration(usb_dev_handle* dev, int configuration) {
    if (dev == nullptr) return -EINVAL;
    return configuration == 1 ? 0 : -EINVAL;
}

USB_SIM_API int usb_claim_interface(usb_dev_handle* dev, int interface) {
    if (dev == nullptr || interface != 0) return -EINVAL;
    return Simple(Type::Claim, dev->slot);
}

USB_SIM_API int usb_release_interface(usb_dev_handle* dev, int interface) {
    if (dev == nullptr || interface != 0) return -EINVAL;
    return Simple(Type::Release, dev->slot);
}

USB_SIM_API int usb_reset(usb_dev_handle* dev) {
    return dev == nullptr ? -EINVAL : Simple(Type::Reset, dev->slot);
}

USB_SIM_API int usb_close(usb_dev_handle* dev) {
    delete dev;
    return 0;
}

USB_SIM_API int usb_bulk_write(usb_dev_handle* dev, int ep, const char* bytes, int size, int timeout) {
    if (dev == nullptr || ep != 0x01 || bytes == nullptr || size < 0 ||
        static_cast<size_t>(size) > kMaxPayload)
        return -EINVAL;
    Request request;
    request.type = Type::Write;
    request.slot = dev->slot;
    request.value = static_cast<uint32_t>(timeout & 0xFFFF) << 16;
    request.payload.assign(reinterpret_cast<const uint8_t*>(bytes),
                           reinterpret_cast<const uint8_t*>(bytes) + size);
    Answer answer;
    return Call(request, answer) ? answer.result : -ENODEV;
}

USB_SIM_API int usb_bulk_read(usb_dev_handle* dev, int ep, char* bytes, int size, int timeout) {
    if (dev == nullptr || ep != 0x81 || bytes == nullptr || size < 0) return -EINVAL;
    Request request;
    request.type = Type::Read;
    request.slot = dev->slot;
    request.value = (static_cast<uint32_t>(timeout & 0xFFFF) << 16) | (static_cast<uint32_t>(size) & 0xFFFF);
    Answer answer;
    if (!Call(request, answer)) return -ENODEV;
    if (answer.result < 0) return answer.result;
    const size_t n = std::min(answer.payload.size(), static_cast<size_t>(size));
    std::memcpy(bytes, answer.payload.data(), n);
    return static_cast<int>(n);
}
