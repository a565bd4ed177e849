#include "sim/socketcan_server.h"

#include <fcntl.h>
#include <linux/can/error.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <fstream>
#include <optional>
#include <sstream>
#include <stdexcept>

#include "sim/local_socket_server.h"
#include "sim/socketcan_bridge.h"
#include "sim/socketcan_frames.h"
#include "sim/socketcan_link.h"

namespace norvane::sim {
namespace {

uint64_t NowMs() {
    using namespace std::chrono;
    return static_cast<uint64_t>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

std::optional<std::string> ReadFile(const std::string& path) {
    std::ifstream file(path);
    if (!file) return std::nullopt;
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

/// Room for a few hundred frames towards each client, about what a CAN_RAW socket's receive
/// queue holds (the kernel caps it at its wmem_max).
constexpr int kClientBuffer = 512 * 1024;

}  // namespace

std::string DefaultSocketCanDir() {
    return "/tmp/norvane-socketcan";
}

struct SocketCanServer::Interface {
    Interface(std::string n, const BusOptions& options, uint32_t restartMs, bool bridged,
              std::string socketPath)
        : name(std::move(n)),
          bus(std::make_unique<VirtualBus>(options)),
          link(options.bitRate, restartMs),
          bridge(bridged),
          listener(std::move(socketPath), SOCK_SEQPACKET) {}
    const std::string name;
    std::unique_ptr<VirtualBus> bus;
    mutable std::mutex mutex;  ///< guards link, clients and counters; held while writing to clients
    SocketCanLink link;
    std::vector<int> clients;
    SocketCanCounters counters;
    FaultInjector faults;
    const bool bridge;
    bool wroteRateFile = false;  ///< owning thread only
    KernelCanBridge kernel;
    LocalSocketServer listener;
};

SocketCanServer::SocketCanServer(std::string dir) : dir_(std::move(dir)) {}

SocketCanServer::~SocketCanServer() {
    Stop();
}

VirtualBus& SocketCanServer::AddInterface(const std::string& name, const BusOptions& bus, uint32_t restartMs,
                                          bool bridge) {
    interfaces_.push_back(std::make_unique<Interface>(name, bus, restartMs, bridge, SocketPath(name)));
    Interface& i = *interfaces_.back();
    i.bus->SetGatewayListener([this, &i](const CanFrame& f) { FromBus(i, f); });
    return *i.bus;
}

bool SocketCanServer::Start() {
    Stop();
    bool standIns = false;
    for (const auto& i : interfaces_) standIns = standIns || !i->bridge;
    if (standIns && mkdir(dir_.c_str(), 0755) != 0 && errno != EEXIST) {
        error_ = "cannot create " + dir_ + ": " + std::strerror(errno);
        return false;
    }
    if ((standIns && !watch_.Open(dir_, error_)) || pipe2(wakePipe_, O_CLOEXEC | O_NONBLOCK) != 0) {
        if (error_.empty()) error_ = std::string("pipe: ") + std::strerror(errno);
        return false;
    }
    started_ = true;  // from here on Stop undoes what was done
    stopping_ = false;
    for (auto& i : interfaces_) i->bus->Start();
    for (auto& owned : interfaces_) {
        Interface& i = *owned;
        std::string why;
        if (i.bridge) {
            if (!i.kernel.Open(i.name, why)) {
                error_ = "socketcan " + i.name + " bridge: " + why;
                Stop();
                return false;
            }
            i.kernel.Start([&i](const CanFrame& f) {
                {
                    std::lock_guard lock(i.mutex);
                    ++i.counters.toBus;
                }
                i.bus->Send(f);
            });
            continue;
        }
        if (!i.listener.Listen("SocketCAN interface", error_)) {
            Stop();
            return false;
        }
        const std::string rate = std::to_string(i.link.BusBitRate()) + "\n";
        std::ofstream file(BitRatePath(i.name), std::ios::trunc);
        file << rate;
        file.close();
        i.wroteRateFile = true;
        if (!file) {
            error_ = "cannot write " + BitRatePath(i.name) + ": " + std::strerror(errno);
            Stop();
            return false;
        }
        {
            std::lock_guard lock(i.mutex);
            i.link.FileChanged(rate);
        }
        i.listener.Accept([this, &i](int fd) { Serve(i, fd); });
    }
    watcher_ = std::thread([this] { Watch(); });
    return true;
}

void SocketCanServer::Stop() {
    if (!started_) return;
    started_ = false;
    stopping_ = true;
    if (watcher_.joinable()) {
        const uint8_t byte = 1;
        (void)!write(wakePipe_[1], &byte, 1);
        watcher_.join();
    }
    for (auto& i : interfaces_) {
        i->listener.Stop();
        i->kernel.Stop();
        i->bus->Stop();
        if (i->wroteRateFile) unlink(BitRatePath(i->name).c_str());
        i->wroteRateFile = false;
    }
    for (int* fd : {&wakePipe_[0], &wakePipe_[1]}) {
        if (*fd >= 0) close(*fd);
        *fd = -1;
    }
    std::lock_guard lock(watchMutex_);
    watch_.Close();
}

std::vector<std::string> SocketCanServer::Names() const {
    std::vector<std::string> names;
    for (const auto& i : interfaces_) names.push_back(i->name);
    return names;
}

bool SocketCanServer::Has(const std::string& name) const {
    for (const auto& i : interfaces_)
        if (i->name == name) return true;
    return false;
}

SocketCanServer::Interface& SocketCanServer::At(const std::string& name) const {
    for (const auto& i : interfaces_)
        if (i->name == name) return *i;
    throw std::out_of_range("no SocketCAN interface " + name);
}

bool SocketCanServer::Bridged(const std::string& name) const {
    return At(name).bridge;
}

VirtualBus& SocketCanServer::Bus(const std::string& name) {
    return *At(name).bus;
}

SocketCanCounters SocketCanServer::Counters(const std::string& name) const {
    const Interface& i = At(name);
    std::lock_guard lock(i.mutex);
    SocketCanCounters c = i.counters;
    c.clients = i.clients.size();
    return c;
}

bool SocketCanServer::BusOff(const std::string& name) const {
    const Interface& i = At(name);
    std::lock_guard lock(i.mutex);
    return i.link.BusOff();
}

FaultInjector& SocketCanServer::Faults(const std::string& name) {
    return At(name).faults;
}

bool SocketCanServer::ForceBusOff(const std::string& name) {
    if (!Has(name) || At(name).bridge) return false;
    FollowFiles();
    Interface& i = At(name);
    {
        std::lock_guard lock(i.mutex);
        if (!i.link.ForceBusOff(NowMs())) return false;
        ++i.counters.busOffs;
        ToClients(i, ErrorFrameRecord(CAN_ERR_BUSOFF).data(), -1);
    }
    const uint8_t byte = 0;  // the watcher learns of the restart it may have to run
    (void)!write(wakePipe_[1], &byte, 1);
    return true;
}

void SocketCanServer::InjectFromBus(const std::string& name, const CanFrame& frame) {
    FromBus(At(name), frame);
}

void SocketCanServer::ToClients(Interface& i, const uint8_t* record, int except) {
    for (const int fd : i.clients) {
        if (fd == except) continue;
        if (send(fd, record, kCanFrameRecordSize, MSG_DONTWAIT | MSG_NOSIGNAL) < 0 &&
            (errno == EAGAIN || errno == EWOULDBLOCK || errno == ENOBUFS))
            ++i.counters.clientOverruns;
    }
}

void SocketCanServer::Serve(Interface& i, int fd) {
    (void)setsockopt(fd, SOL_SOCKET, SO_SNDBUF, &kClientBuffer, sizeof kClientBuffer);
    {
        std::lock_guard lock(i.mutex);
        i.clients.push_back(fd);
    }
    uint8_t message[64];
    for (;;) {
        const ssize_t n = recv(fd, message, sizeof message, 0);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) break;
        if (n == 0) {
            // An empty message and the end of the connection both read as 0 bytes.
            pollfd p{fd, POLLIN, 0};
            if (poll(&p, 1, 0) != 0 && (p.revents & (POLLHUP | POLLERR)) != 0) break;
        }
        FollowFiles();  // a rate the client set just before this frame counts for it
        CanFrame frame;
        const RecordKind kind = DecodeCanFrameRecord(message, static_cast<size_t>(n), frame);
        bool toBus = false;
        bool enteredBusOff = false;
        {
            std::lock_guard lock(i.mutex);
            if (kind != RecordKind::Frame) {
                ++i.counters.refused;
                continue;
            }
            switch (i.link.FromClient(NowMs(), enteredBusOff)) {
                case SocketCanLink::Verdict::Pass:
                    ++i.counters.toBus;
                    ToClients(i, EncodeCanFrameRecord(frame).data(), fd);
                    toBus = true;
                    break;
                case SocketCanLink::Verdict::Down:
                    ++i.counters.lostDown;
                    break;
                case SocketCanLink::Verdict::WrongRate:
                    ++i.counters.lostWrongRate;
                    break;
                case SocketCanLink::Verdict::BusOff:
                    ++i.counters.lostBusOff;
                    break;
            }
            if (enteredBusOff) {
                ++i.counters.busOffs;
                ToClients(i, ErrorFrameRecord(CAN_ERR_BUSOFF).data(), -1);
            }
        }
        if (toBus) i.bus->Send(frame);
        if (enteredBusOff) {
            const uint8_t byte = 0;
            (void)!write(wakePipe_[1], &byte, 1);
        }
    }
    std::lock_guard lock(i.mutex);
    std::erase(i.clients, fd);
}

void SocketCanServer::FromBus(Interface& i, const CanFrame& frame) {
    if (!i.bridge) FollowFiles();
    std::lock_guard lock(i.mutex);
    const auto verdict = i.bridge ? SocketCanLink::Verdict::Pass : i.link.FromBus();
    if (verdict == SocketCanLink::Verdict::Down) {
        ++i.counters.lostDown;
    } else if (verdict == SocketCanLink::Verdict::WrongRate) {
        ++i.counters.lostWrongRate;
    } else if (verdict == SocketCanLink::Verdict::BusOff) {
        ++i.counters.lostBusOff;
    } else if (i.faults.NextAnswerFate().drop) {
        ++i.counters.lostFault;
    } else {
        ++i.counters.toClients;
        if (i.bridge)
            i.kernel.Send(frame);
        else
            ToClients(i, EncodeCanFrameRecord(frame).data(), -1);
    }
}

void SocketCanServer::FollowFiles() {
    std::lock_guard watchLock(watchMutex_);
    if (watch_.Fd() < 0) return;
    const std::vector<std::string> changed = watch_.Take();
    if (changed.empty()) return;
    for (auto& owned : interfaces_) {
        Interface& i = *owned;
        if (i.bridge) continue;
        bool touched = false;
        for (const std::string& name : changed)
            touched = touched || name.empty() || name == i.name + ".bitrate";
        if (!touched) continue;
        // The file as it is now: of several changes in a row the last one counts.
        const std::optional<std::string> text = ReadFile(BitRatePath(i.name));
        std::lock_guard lock(i.mutex);
        if (i.link.FileChanged(text ? std::optional<std::string_view>(*text) : std::nullopt)) {
            ++i.counters.restarts;
            ToClients(i, ErrorFrameRecord(CAN_ERR_RESTARTED).data(), -1);
        }
    }
}

void SocketCanServer::Watch() {
    for (;;) {
        int timeoutMs = -1;
        const uint64_t now = NowMs();
        for (const auto& i : interfaces_) {
            std::lock_guard lock(i->mutex);
            if (const auto at = i->link.RestartAtMs()) {
                const int wait = *at > now ? static_cast<int>(*at - now) : 0;
                timeoutMs = timeoutMs < 0 ? wait : std::min(timeoutMs, wait);
            }
        }
        pollfd fds[2] = {{watch_.Fd(), POLLIN, 0}, {wakePipe_[0], POLLIN, 0}};
        if (poll(fds, 2, timeoutMs) < 0 && errno != EINTR) return;
        if (fds[1].revents) {
            uint8_t bytes[64];
            (void)!read(wakePipe_[0], bytes, sizeof bytes);
            if (stopping_) return;
        }
        FollowFiles();
        for (auto& i : interfaces_) {
            std::lock_guard lock(i->mutex);
            if (i->link.RestartDue(NowMs())) {
                ++i->counters.restarts;
                ToClients(*i, ErrorFrameRecord(CAN_ERR_RESTARTED).data(), -1);
            }
        }
    }
}

}  // namespace norvane::sim
