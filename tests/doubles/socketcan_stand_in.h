#pragma once
// A stand-in SocketCAN interface served in-process, for tests of whatever reaches interfaces
// through HALBOX_SOCKETCAN_SIM=DIR: interface NAME is a listening Unix SOCK_SEQPACKET socket at
// DIR/NAME, every message one 16-byte struct can_frame (linux/can.h), and DIR/NAME.bitrate holds
// the bit rate as text (no file: the interface is down).
//
// As the kernel does for a CAN interface, a frame a connection writes goes to the interface's
// other connections (local loopback) and onto the bus: to every connection of the interfaces
// joined to this one (JoinBus). Each interface has one serving thread; Send, Flood and the
// accessors may be called from any thread. A delivery waits up to a second for room in a
// connection's queue and counts a drop after that. Header-only, POSIX and linux/can.h only.
#include <linux/can.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace norvane::testing {

/// A fresh directory for stand-in interfaces, removed with what is left in it.
class StandInDir {
public:
    StandInDir() {
        char pattern[] = "/tmp/socketcan-test-XXXXXX";
        path_ = mkdtemp(pattern) ? pattern : "";
    }
    ~StandInDir() {
        if (!path_.empty()) (void)!std::system(("rm -rf '" + path_ + "'").c_str());
    }
    const std::string& Path() const { return path_; }

private:
    std::string path_;
};

class StandInInterface {
public:
    /// Listens at dir/name; bitRate 0 leaves the interface down (no .bitrate file).
    StandInInterface(const std::string& dir, const std::string& name, uint32_t bitRate)
        : path_(dir + "/" + name), wake_(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {
        SetBitRate(bitRate);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        if (path_.size() >= sizeof address.sun_path) return;
        std::memcpy(address.sun_path, path_.c_str(), path_.size() + 1);
        listener_ = socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0);
        unlink(path_.c_str());
        if (listener_ < 0 || bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
            listen(listener_, 16) != 0)
            return;
        started_ = true;
        thread_ = std::thread([this] { Serve(); });
    }
    ~StandInInterface() {
        stopping_ = true;
        const uint64_t one = 1;
        (void)!write(wake_, &one, sizeof one);
        if (thread_.joinable()) thread_.join();
        if (const std::shared_ptr<Bus> bus = BusOf()) {
            // Waits for a delivery another member is making to this one.
            std::lock_guard lock(bus->mutex);
            std::erase(bus->members, this);
        }
        if (listener_ >= 0) close(listener_);
        close(wake_);
        unlink(path_.c_str());
        std::remove(RatePath().c_str());
    }
    StandInInterface(const StandInInterface&) = delete;
    StandInInterface& operator=(const StandInInterface&) = delete;

    bool Started() const { return started_; }
    const std::string& Path() const { return path_; }
    std::string RatePath() const { return path_ + ".bitrate"; }

    /// Writes the .bitrate file (0: removes it, the interface goes down).
    void SetBitRate(uint32_t bitRate) const {
        if (bitRate == 0) {
            std::remove(RatePath().c_str());
            return;
        }
        std::ofstream(RatePath(), std::ios::trunc) << bitRate << "\n";
    }
    /// The rate the .bitrate file holds now (0: no file or no number).
    uint32_t BitRate() const {
        std::ifstream in(RatePath());
        uint32_t rate = 0;
        return in >> rate ? rate : 0;
    }
    /// Gives the .bitrate file no write permission bits: the interface's users may not change it.
    void ForbidChanges(bool forbid) const { chmod(RatePath().c_str(), forbid ? 0444 : 0644); }

    /// From now on frames written on this interface reach other's connections and the reverse.
    void JoinBus(StandInInterface& other) {
        std::shared_ptr<Bus> bus = BusOf();
        if (!bus) bus = other.BusOf();
        if (!bus) bus = std::make_shared<Bus>();
        std::lock_guard lock(bus->mutex);
        for (StandInInterface* member : {this, &other}) {
            if (std::find(bus->members.begin(), bus->members.end(), member) == bus->members.end())
                bus->members.push_back(member);
            std::lock_guard own(member->mutex_);
            member->bus_ = bus;
        }
    }

    /// Delivers frame to every connection, as a frame from the bus (or an error frame).
    void Send(const can_frame& frame) {
        for (const auto& c : Connections()) Deliver(*c, frame);
    }
    /// Sends count frames, frame(i) each, paced perSecond (0: as fast as they go); returns when all
    /// are sent.
    void Flood(uint32_t count, uint32_t perSecond, const std::function<can_frame(uint32_t)>& frame) {
        const auto start = std::chrono::steady_clock::now();
        for (uint32_t i = 0; i < count; ++i) {
            if (perSecond != 0)
                std::this_thread::sleep_until(
                    start + std::chrono::nanoseconds(uint64_t{i} * 1000000000u / perSecond));
            Send(frame(i));
        }
    }

    /// Frames connections wrote, in the order they came.
    std::vector<can_frame> Written() const {
        std::lock_guard lock(mutex_);
        return written_;
    }
    /// Waits up to ms until connections wrote at least n frames; returns how many they wrote.
    size_t WaitWritten(size_t n, int ms) const {
        std::unique_lock lock(mutex_);
        changed_.wait_for(lock, std::chrono::milliseconds(ms), [&] { return written_.size() >= n; });
        return written_.size();
    }
    /// Waits up to ms until at least n connections are open; returns how many are.
    size_t WaitConnections(size_t n, int ms) const {
        std::unique_lock lock(mutex_);
        changed_.wait_for(lock, std::chrono::milliseconds(ms), [&] { return connections_.size() >= n; });
        return connections_.size();
    }
    /// Closes every connection (the interface disappears for its users; the socket still listens).
    void DropConnections() {
        std::lock_guard lock(mutex_);
        connections_.clear();
    }
    uint64_t Dropped() const { return dropped_.load(); }
    uint64_t Malformed() const { return malformed_.load(); }

private:
    struct Connection {
        explicit Connection(int descriptor) : fd(descriptor) {}
        ~Connection() { close(fd); }
        const int fd;
    };
    using Connections_t = std::vector<std::shared_ptr<Connection>>;

    Connections_t Connections() const {
        std::lock_guard lock(mutex_);
        return connections_;
    }
    /// The interfaces joined on one bus; a delivery to a member holds the mutex, so a member
    /// leaving waits for it.
    struct Bus {
        std::mutex mutex;
        std::vector<StandInInterface*> members;
    };
    std::shared_ptr<Bus> BusOf() const {
        std::lock_guard lock(mutex_);
        return bus_;
    }

    void Deliver(const Connection& c, const can_frame& frame) {
        for (int attempt = 0; attempt < 2; ++attempt) {
            if (send(c.fd, &frame, sizeof frame, MSG_DONTWAIT | MSG_NOSIGNAL) == sizeof frame) return;
            if (errno != EAGAIN && errno != EWOULDBLOCK) break;
            pollfd room{c.fd, POLLOUT, 0};
            (void)poll(&room, 1, 1000);
        }
        dropped_.fetch_add(1);
    }

    void Serve() {
        for (;;) {
            const Connections_t connections = Connections();
            std::vector<pollfd> fds{{wake_, POLLIN, 0}, {listener_, POLLIN, 0}};
            for (const auto& c : connections) fds.push_back({c->fd, POLLIN, 0});
            // A short time-out picks up connections dropped from another thread.
            if (poll(fds.data(), fds.size(), 50) < 0 && errno != EINTR) return;
            if (stopping_) return;
            if (fds[1].revents & POLLIN) {
                const int fd = accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
                if (fd >= 0) {
                    std::lock_guard lock(mutex_);
                    connections_.push_back(std::make_shared<Connection>(fd));
                    changed_.notify_all();
                }
            }
            for (size_t i = 0; i < connections.size(); ++i)
                if (fds[i + 2].revents != 0) Take(connections[i]);
        }
    }

    void Take(const std::shared_ptr<Connection>& from) {
        alignas(8) uint8_t buffer[128];
        const ssize_t n = recv(from->fd, buffer, sizeof buffer, MSG_DONTWAIT);
        if (n < 0 && (errno == EAGAIN || errno == EINTR)) return;
        if (n <= 0) {
            std::lock_guard lock(mutex_);
            std::erase(connections_, from);
            changed_.notify_all();
            return;
        }
        if (n != sizeof(can_frame)) {
            malformed_.fetch_add(1);
            return;
        }
        can_frame frame;
        std::memcpy(&frame, buffer, sizeof frame);
        std::shared_ptr<Bus> bus;
        Connections_t others;
        {
            std::lock_guard lock(mutex_);
            written_.push_back(frame);
            changed_.notify_all();
            bus = bus_;
            for (const auto& c : connections_)
                if (c != from) others.push_back(c);
        }
        for (const auto& c : others) Deliver(*c, frame);
        if (!bus) return;
        std::lock_guard lock(bus->mutex);
        for (StandInInterface* member : bus->members)
            if (member != this) member->Send(frame);
    }

    const std::string path_;
    const int wake_;
    int listener_ = -1;
    bool started_ = false;
    std::atomic<bool> stopping_{false};
    std::atomic<uint64_t> dropped_{0}, malformed_{0};
    mutable std::mutex mutex_;  ///< guards the members below
    mutable std::condition_variable changed_;
    Connections_t connections_;
    std::shared_ptr<Bus> bus_;
    std::vector<can_frame> written_;
    std::thread thread_;
};

/// A frame as a test writes it: identifier with its flags, then the data bytes.
inline can_frame CanFrame(canid_t id, std::initializer_list<uint8_t> data = {}) {
    can_frame f;
    std::memset(&f, 0, sizeof f);
    f.can_id = id;
    for (uint8_t b : data) f.data[f.len++] = b;
    return f;
}

}  // namespace norvane::testing
