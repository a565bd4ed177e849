#include "pcican/socketcan/socketcan_channel.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <thread>
#include <vector>

#include "pcican/socketcan/bit_timing.h"
#include "platform/trace.h"

namespace norvane::halbox::socketcan {
namespace {

constexpr int kRetryMs = 200;          // between attempts to reopen an interface that went away
constexpr int kBackOffMs = 100;        // after a receive error the interface may recover from
constexpr int kDrainPerWake = 64;      // frames taken per wake before the stop is looked at again
constexpr int kQueueFullRetries = 50;  // 1 ms apart
constexpr uint8_t kInterruptEnableAfterInit = 0x89, kWarningLimitAfterInit = 0x60;
constexpr uint32_t kModeRegister = 0, kStatusRegister = 2, kInterruptEnableRegister = 4;
constexpr uint32_t kWarningLimitRegister = 13, kRxErrorRegister = 14, kTxErrorRegister = 15;

/// What to type to give the interface the rate and modes the caller asked for.
std::string IpLinkCommand(const std::string& name, uint32_t rate, LinkModes modes, bool up) {
    std::string command = up ? "ip link set " + name + " down && " : "";
    command += "ip link set " + name + " up type can bitrate " + std::to_string(rate);
    if (modes.listenOnly) command += " listen-only on";
    if (modes.loopback) command += " loopback on";
    return command;
}

}  // namespace

struct SocketCanChannel::Socket {
    explicit Socket(int descriptor) : fd(descriptor) {}
    ~Socket() { close(fd); }
    Socket(const Socket&) = delete;
    Socket& operator=(const Socket&) = delete;
    const int fd;
};

SocketCanChannel::SocketCanChannel(std::shared_ptr<CanLinks> links, std::string name)
    : links_(std::move(links)), name_(std::move(name)), stopFd_(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}

SocketCanChannel::~SocketCanChannel() {
    if (stopFd_ >= 0) close(stopFd_);
}

std::shared_ptr<SocketCanChannel::Socket> SocketCanChannel::OpenSocket(int& error) {
    const int fd = links_->Open(name_, error);
    return fd < 0 ? nullptr : std::make_shared<Socket>(fd);
}

bool SocketCanChannel::EnsureSocketLocked(bool trace) {
    if (socket_) return true;
    int error = 0;
    socket_ = OpenSocket(error);
    if (!socket_) {
        if (trace)
            platform::TraceF("halbox: %s: cannot open the interface (%s)", name_.c_str(),
                             std::strerror(error));
        return false;
    }
    (void)links_->SetFilters(socket_->fd, KernelFilters(filter_));
    // Self-reception requests go out here and come back on socket_ through the local loopback; this
    // socket itself takes nothing in (what a stand-in still sends it, the receive thread discards).
    selfSocket_ = OpenSocket(error);
    if (selfSocket_) (void)links_->SetFilters(selfSocket_->fd, {});
    return true;
}

bool SocketCanChannel::Initialise(const MarlixInitConfig& config) {
    const uint32_t rate = BitRateFromTiming(config.busTiming0, config.busTiming1);
    if (rate == 0) {
        platform::TraceF(
            "halbox: %s: bus timing 0x%02X/0x%02X gives a bit rate above 1 Mbit/s, which no CAN "
            "interface runs at",
            name_.c_str(), config.busTiming0, config.busTiming1);
        return false;
    }
    if (!links_->Exists(name_)) {
        platform::TraceF("halbox: %s: no such CAN interface", name_.c_str());
        return false;
    }
    const LinkModes modes{config.mode == 1, config.mode == 2};
    uint32_t current = links_->BitRate(name_);
    if (current == kAnyBitRate) current = rate;
    if (current != rate || modes.listenOnly || modes.loopback) {
        // Configure bounces the interface, so it is asked only when something must change.
        if (!links_->Configure(name_, rate, modes) && current != rate) {
            if (current == 0)
                platform::TraceF("halbox: %s is down and Halbox may not bring it up at %u bit/s: run `%s`",
                                 name_.c_str(), rate, IpLinkCommand(name_, rate, modes, false).c_str());
            else
                platform::TraceF(
                    "halbox: %s runs at %u bit/s, not %u, and Halbox may not change it: run `%s`",
                    name_.c_str(), current, rate, IpLinkCommand(name_, rate, modes, true).c_str());
            return false;
        }
        // With the right rate but the modes unchanged, listen-only is kept by refusing transmissions.
    }
    std::lock_guard lock(mutex_);
    filter_ = FilterOf(config);
    if (socket_)
        (void)links_->SetFilters(socket_->fd, KernelFilters(filter_));
    else if (!EnsureSocketLocked(true))
        return false;
    config_ = config;
    initialised_ = true;
    resetMode_ = false;
    interruptEnable_ = kInterruptEnableAfterInit;
    warningLimit_ = kWarningLimitAfterInit;
    errors_ = ErrorState{};
    busOffReported_ = false;
    return true;
}

bool SocketCanChannel::Reset() {
    std::lock_guard lock(mutex_);
    resetMode_ = true;
    return true;
}

bool SocketCanChannel::Transmit(MarlixFrame& frame) {
    if (frame.length > 8) frame.length = 8;
    std::shared_ptr<Socket> socket;
    {
        std::lock_guard lock(mutex_);
        if (!initialised_ || resetMode_ || config_.mode == 1 || errors_.busOff) return false;
        socket = frame.sendType != 0 ? selfSocket_ : socket_;
    }
    if (!socket || !links_->IsUp(name_)) return false;
    const can_frame out = ToCanFrame(frame);
    // A full transmit queue (a CAN interface's is short: txqueuelen 10 by default) answers ENOBUFS
    // at once rather than blocking; like the SJA1000's wait for its transmit buffer, try again for
    // a while before giving up.
    for (int attempt = 0;; ++attempt) {
        if (send(socket->fd, &out, sizeof out, MSG_NOSIGNAL) == static_cast<ssize_t>(sizeof out)) return true;
        if (errno != ENOBUFS || attempt >= kQueueFullRetries) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

uint8_t SocketCanChannel::State() {
    const bool up = links_->IsUp(name_);
    std::lock_guard lock(mutex_);
    return errors_.Status(up, warningLimit_);
}

bool SocketCanChannel::Info(MarlixInfo& info) {
    std::lock_guard lock(mutex_);
    if (resetMode_) return false;
    info.mode =
        static_cast<uint8_t>(0x80 | (config_.mode == 1 ? 0x02 : 0) | (config_.filterMode == 0 ? 0x08 : 0));
    info.interruptEnable = interruptEnable_;
    info.warningLimit = warningLimit_;
    return true;
}

bool SocketCanChannel::ReadRegisters(uint32_t address, uint8_t* out, uint32_t count) {
    const bool up = links_->IsUp(name_);
    std::lock_guard lock(mutex_);
    std::vector<uint8_t> values;
    for (uint32_t a = address; a - address < count; ++a) {
        switch (a) {
            case kModeRegister:
                values.push_back(static_cast<uint8_t>(
                    (resetMode_ ? 0x01 : 0) | (config_.mode == 1 ? 0x02 : 0) |
                    (config_.mode == 2 ? 0x04 : 0) | (config_.filterMode == 0 ? 0x08 : 0)));
                break;
            case kStatusRegister:
                values.push_back(errors_.Status(up, warningLimit_));
                break;
            case kInterruptEnableRegister:
                values.push_back(interruptEnable_);
                break;
            case kWarningLimitRegister:
                values.push_back(warningLimit_);
                break;
            case kRxErrorRegister:
                values.push_back(errors_.rxErrors);
                break;
            case kTxErrorRegister:
                values.push_back(errors_.txErrors);
                break;
            default:
                return false;  // a register the interface has no counterpart for
        }
    }
    if (count > 0) std::memcpy(out, values.data(), count);
    return true;
}

bool SocketCanChannel::WriteRegisters(uint32_t address, const uint8_t* data, uint32_t count) {
    std::lock_guard lock(mutex_);
    bool reset = resetMode_;
    uint8_t enable = interruptEnable_, limit = warningLimit_;
    for (uint32_t i = 0; i < count; ++i) {
        const uint8_t value = data[i];
        switch (address + i) {
            case kModeRegister: {
                // Only reset mode can be entered or left here; the other mode bits come from
                // Marlix_InitCan and must be written as they are.
                const uint8_t others =
                    static_cast<uint8_t>((config_.mode == 1 ? 0x02 : 0) | (config_.mode == 2 ? 0x04 : 0) |
                                         (config_.filterMode == 0 ? 0x08 : 0));
                if ((value & 0x1E) != others) return false;
                reset = (value & 0x01) != 0;
                if (!reset && !initialised_) return false;
                break;
            }
            case kInterruptEnableRegister:
                enable = value;
                break;
            case kWarningLimitRegister:
                limit = value;
                break;
            default:
                return false;
        }
    }
    resetMode_ = reset;
    interruptEnable_ = enable;
    warningLimit_ = limit;
    return true;
}

void SocketCanChannel::StopReceiving() {
    stopping_.store(true);
    const uint64_t one = 1;
    (void)!write(stopFd_, &one, sizeof one);
}

bool SocketCanChannel::StopRequested(int ms) {
    pollfd stop{stopFd_, POLLIN, 0};
    (void)poll(&stop, 1, ms);
    return stopping_.load();
}

void SocketCanChannel::Take(const can_frame& frame, FrameSink& sink) {
    if (frame.can_id & CAN_ERR_FLAG) {
        std::lock_guard lock(mutex_);
        errors_.Apply(frame);
        if (!errors_.busOff) busOffReported_ = false;
        return;
    }
    const MarlixFrame record = ToRecord(frame);
    {
        std::lock_guard lock(mutex_);
        if (!initialised_ || resetMode_ || !Accepts(filter_, record)) return;
    }
    sink.Deliver(record);
}

void SocketCanChannel::Receive(FrameSink& sink) {
    while (!stopping_.load()) {
        std::shared_ptr<Socket> main, self;
        {
            std::lock_guard lock(mutex_);
            if (!socket_ && initialised_) (void)EnsureSocketLocked(false);  // it may come back
            main = socket_;
            self = selfSocket_;
        }
        if (!main) {
            if (StopRequested(kRetryMs)) break;
            continue;
        }
        pollfd fds[3] = {{stopFd_, POLLIN, 0}, {main->fd, POLLIN, 0}, {self ? self->fd : -1, POLLIN, 0}};
        if (poll(fds, 3, -1) < 0) {
            if (errno != EINTR && StopRequested(kBackOffMs)) break;
            continue;
        }
        if (fds[0].revents != 0) break;
        alignas(8) uint8_t buffer[128];
        if (fds[2].revents != 0) {
            ssize_t n = 1;
            for (int i = 0; i < kDrainPerWake && n > 0; ++i)
                n = recv(self->fd, buffer, sizeof buffer, MSG_DONTWAIT);
            if (n == 0 || (n < 0 && errno != EAGAIN && errno != EINTR)) {
                std::lock_guard lock(mutex_);
                if (selfSocket_ == self) selfSocket_.reset();
            }
        }
        if (fds[1].revents == 0) continue;
        for (int i = 0; i < kDrainPerWake; ++i) {
            const ssize_t n = recv(main->fd, buffer, sizeof buffer, MSG_DONTWAIT);
            if (n == static_cast<ssize_t>(kCanFrameBytes)) {
                can_frame frame;
                std::memcpy(&frame, buffer, sizeof frame);
                Take(frame, sink);
                continue;
            }
            if (n > 0) {
                malformed_.fetch_add(1);
                continue;
            }
            if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) break;
            if (n < 0 && errno == ENETDOWN) {
                // The interface went down; the socket takes frames again once it is up.
                (void)StopRequested(kBackOffMs);
                break;
            }
            // The stand-in closed, or the interface disappeared: reopen it later.
            std::lock_guard lock(mutex_);
            if (socket_ == main) {
                socket_.reset();
                selfSocket_.reset();
            }
            break;
        }
    }
}

void SocketCanChannel::Watch(const MarlixInitConfig&) {
    // The interface keeps its own configuration across a restart, so the saved one is not needed.
    {
        std::lock_guard lock(mutex_);
        if (!initialised_ || !errors_.busOff) return;
    }
    if (links_->Restart(name_)) {
        std::lock_guard lock(mutex_);
        errors_ = ErrorState{};
        busOffReported_ = false;
        platform::TraceF("halbox: %s was bus-off and is restarted", name_.c_str());
        return;
    }
    std::lock_guard lock(mutex_);
    if (busOffReported_) return;
    busOffReported_ = true;
    platform::TraceF(
        "halbox: %s is bus-off and Halbox may not restart it: run `ip link set %s type can restart` "
        "(or give it restart-ms)",
        name_.c_str(), name_.c_str());
}

}  // namespace norvane::halbox::socketcan
