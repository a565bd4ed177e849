#include "sim/gateway_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/clock.h"
#include "platform/thread.h"

namespace norvane::sim {

GatewayServer::GatewayServer(std::string address, uint16_t port)
    : address_(std::move(address)), port_(port) {}

GatewayServer::~GatewayServer() {
    Stop();
}

bool GatewayServer::Start() {
    if (running_) return true;
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(port_);
    if (inet_pton(AF_INET, address_.c_str(), &addr.sin_addr) != 1) {
        error_ = "not an IPv4 address: " + address_;
        return false;
    }
    listenFd_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (listenFd_ < 0) {
        error_ = std::string("socket: ") + std::strerror(errno);
        return false;
    }
    int one = 1;
    setsockopt(listenFd_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    if (bind(listenFd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || listen(listenFd_, 4) != 0) {
        error_ = "cannot listen on " + address_ + ":" + std::to_string(port_) + ": " + std::strerror(errno);
        close(listenFd_);
        listenFd_ = -1;
        return false;
    }
    socklen_t len = sizeof addr;
    if (getsockname(listenFd_, reinterpret_cast<sockaddr*>(&addr), &len) == 0) port_ = ntohs(addr.sin_port);
    running_ = true;
    ioThread_ = std::thread([this] { IoLoop(); });
    writerThread_ = std::thread([this] { WriterLoop(); });
    return true;
}

void GatewayServer::Stop() {
    if (!running_.exchange(false)) return;
    OnStopping();
    outCv_.notify_all();
    if (ioThread_.joinable()) ioThread_.join();
    if (writerThread_.joinable()) writerThread_.join();
    {
        std::lock_guard lock(clientMutex_);
        DropClientLocked();
    }
    if (listenFd_ >= 0) close(listenFd_);
    listenFd_ = -1;
}

bool GatewayServer::ClientConnected() const {
    std::lock_guard lock(clientMutex_);
    return clientFd_ >= 0 && !closeRequested_;
}

void GatewayServer::DropClientLocked() {
    if (clientFd_ < 0) return;
    shutdown(clientFd_, SHUT_RDWR);
    close(clientFd_);
    clientFd_ = -1;
    closeRequested_ = false;
    ++connectionId_;
}

void GatewayServer::CloseClient() {
    // Only the I/O thread closes the descriptor (it may be polling it right now, and a closed
    // number can be reused by the next accept); here the link is shut down and marked.
    std::lock_guard lock(clientMutex_);
    if (clientFd_ < 0 || closeRequested_) return;
    shutdown(clientFd_, SHUT_RDWR);
    closeRequested_ = true;
    ++connectionId_;  // frames still queued for this link are not sent
}

void GatewayServer::SendRaw(const std::vector<uint8_t>& bytes) {
    std::lock_guard lock(clientMutex_);
    if (clientFd_ >= 0) WriteAll(clientFd_, bytes.data(), bytes.size());
}

bool GatewayServer::WriteAll(int fd, const uint8_t* bytes, size_t count) {
    while (count > 0) {
        const ssize_t n = send(fd, bytes, count, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        bytes += n;
        count -= static_cast<size_t>(n);
    }
    return true;
}

void GatewayServer::QueueAnswer(std::vector<uint8_t> bytes) {
    const AnswerFate fate = faults_.NextAnswerFate();
    if (fate.drop) {
        ++counters_.droppedOut;
        return;
    }
    Outgoing item;
    item.bytes = std::move(bytes);
    item.dueMs = platform::TickMs() + fate.delayMs;
    item.splitPauseMs = fate.splitPauseMs;
    {
        std::lock_guard lock(clientMutex_);
        item.connection = connectionId_;
    }
    {
        std::lock_guard lock(outMutex_);
        // Nothing queued or being written, nothing to delay: written now, without waking the
        // writer thread (a hand-over per answer would add its wake-up to every exchange).
        // Whatever the socket does not take at once goes to the writer, in order.
        if (out_.empty() && !writerBusy_ && fate.delayMs == 0 && fate.splitPauseMs == 0 &&
            WriteWithoutWaiting(item)) {
            return;
        }
        out_.push_back(std::move(item));
    }
    outCv_.notify_all();
}

bool GatewayServer::WriteWithoutWaiting(Outgoing& item) {
    std::lock_guard clientLock(clientMutex_);
    if (clientFd_ < 0 || item.connection != connectionId_) return true;  // gone: not sent
    size_t done = 0;
    while (done < item.bytes.size()) {
        const ssize_t n =
            send(clientFd_, item.bytes.data() + done, item.bytes.size() - done, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) break;
        if (n <= 0) return true;  // a broken link: dropped, as the writer would
        done += static_cast<size_t>(n);
    }
    if (done == item.bytes.size()) {
        ++counters_.framesOut;
        return true;
    }
    item.bytes.erase(item.bytes.begin(), item.bytes.begin() + static_cast<std::ptrdiff_t>(done));
    return false;
}

void GatewayServer::WriterLoop() {
    std::unique_lock lock(outMutex_);
    while (running_) {
        if (out_.empty()) {
            outCv_.wait_for(lock, std::chrono::milliseconds(50));
            continue;
        }
        const uint64_t now = platform::TickMs();
        if (out_.front().dueMs > now) {
            outCv_.wait_for(lock, std::chrono::milliseconds(out_.front().dueMs - now));
            continue;
        }
        Outgoing item = std::move(out_.front());
        out_.pop_front();
        writerBusy_ = true;
        lock.unlock();
        {
            std::lock_guard clientLock(clientMutex_);
            // Frames queued for a connection that has gone are not sent to its successor.
            if (clientFd_ >= 0 && item.connection == connectionId_) {
                const size_t first = item.splitPauseMs ? item.bytes.size() / 2 : item.bytes.size();
                bool ok = WriteAll(clientFd_, item.bytes.data(), first);
                if (ok && first < item.bytes.size()) {
                    platform::SleepMs(item.splitPauseMs);
                    ok = WriteAll(clientFd_, item.bytes.data() + first, item.bytes.size() - first);
                }
                if (ok) ++counters_.framesOut;
            }
        }
        lock.lock();
        writerBusy_ = false;
    }
}

void GatewayServer::AcceptClient() {
    const int fd = accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd < 0) return;
    timeval timeout{1, 0};  // a host that stops reading must not block the writer for long
    setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &timeout, sizeof timeout);
    // Every frame goes out at once, as a gateway sends it: no Nagle delay behind an unacked one.
    int one = 1;
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    {
        std::lock_guard lock(clientMutex_);
        DropClientLocked();
        clientFd_ = fd;
    }
    parser_.Clear();
    ++counters_.connections;
    OnClientConnected();
}

void GatewayServer::IoLoop() {
    // A gateway is a device of its own: other programs on the machine do not delay its answers
    // (best effort, as for the bus).
    platform::RaiseCurrentThreadPriority(platform::Priority::Highest);
    uint8_t buffer[4096];
    while (running_) {
        int clientFd;
        {
            std::lock_guard lock(clientMutex_);
            if (closeRequested_) {
                DropClientLocked();
                parser_.Clear();
            }
            clientFd = clientFd_;
        }
        pollfd fds[2] = {{listenFd_, POLLIN, 0}, {clientFd, POLLIN, 0}};
        const int ready = poll(fds, clientFd >= 0 ? 2 : 1, 10);
        if (ready > 0 && (fds[0].revents & POLLIN)) AcceptClient();
        if (ready > 0 && clientFd >= 0 && (fds[1].revents & (POLLIN | POLLHUP | POLLERR))) {
            const ssize_t n = recv(clientFd, buffer, sizeof buffer, MSG_DONTWAIT);
            if (n > 0) {
                const uint64_t garbageBefore = parser_.Counters().garbageBytes;
                parser_.Feed(buffer, static_cast<size_t>(n));
                while (auto frame = parser_.Next()) {
                    ++counters_.framesIn;
                    OnHostFrame(*frame);
                }
                counters_.garbageBytes += parser_.Counters().garbageBytes - garbageBefore;
            } else if (n == 0 || (errno != EAGAIN && errno != EINTR)) {
                std::lock_guard lock(clientMutex_);
                if (clientFd_ == clientFd) DropClientLocked();
                parser_.Clear();
            }
        }
        OnIdle();
    }
}

}  // namespace norvane::sim
