#include "sdk/ethernet/tcp_link.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>

#include "platform/clock.h"
#include "platform/trace.h"
#include "sdk/core/switches.h"

namespace norvane::sdk {
namespace {

constexpr int kConnectWaitMs = 2500;

bool SetBlocking(int fd, bool blocking) {
    const int flags = fcntl(fd, F_GETFL, 0);
    if (flags < 0) return false;
    return fcntl(fd, F_SETFL, blocking ? flags & ~O_NONBLOCK : flags | O_NONBLOCK) == 0;
}

bool SetOption(int fd, int level, int name, int value) {
    return setsockopt(fd, level, name, &value, sizeof value) == 0;
}

// Connects fd without blocking longer than the connect wait.
bool ConnectWithin(int fd, const sockaddr_in& peer) {
    if (!SetBlocking(fd, false)) return false;
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&peer), sizeof peer) != 0) {
        if (errno != EINPROGRESS) return false;
        pollfd p{fd, POLLOUT, 0};
        int error = 0;
        socklen_t size = sizeof error;
        const bool connected = ::poll(&p, 1, kConnectWaitMs) == 1 && (p.revents & POLLOUT) != 0 &&
                               getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &size) == 0 && error == 0;
        if (!connected) return false;
    }
    return SetBlocking(fd, true);
}

}  // namespace

bool TcpLink::Open() {
    std::lock_guard open(openLock_);
    if (socket_.load() >= 0) return false;
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        platform::TraceF("socket() failed: %d/n", errno);
        return false;
    }
    sockaddr_in peer{};
    peer.sin_family = AF_INET;
    peer.sin_port = htons(static_cast<uint16_t>(GlobalSwitches().ethernetServerPort.load() & 0xFFFF));
    peer.sin_addr.s_addr = htonl(address_);
    // Keep-alive notices a dead gateway; the send time-out keeps a stuck peer from blocking a
    // request. No Nagle delay: every frame is one complete request.
    const timeval sendTimeout{0, 100 * 1000};
    const bool ready = ConnectWithin(fd, peer) && SetOption(fd, SOL_SOCKET, SO_KEEPALIVE, 1) &&
                       SetOption(fd, IPPROTO_TCP, TCP_KEEPIDLE, 3) &&
                       SetOption(fd, IPPROTO_TCP, TCP_KEEPINTVL, 1) &&
                       SetOption(fd, IPPROTO_TCP, TCP_NODELAY, 1) &&
                       setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &sendTimeout, sizeof sendTimeout) == 0;
    if (!ready) {
        ::shutdown(fd, SHUT_RDWR);
        ::close(fd);
        return false;
    }
    peerClosed_ = false;
    {
        std::lock_guard receive(receiveLock_);
        receiveTimeoutMs_ = 0;
    }
    socket_ = fd;
    return true;
}

void TcpLink::ShutDown() {
    const int fd = socket_.load();
    if (fd >= 0) ::shutdown(fd, SHUT_RDWR);
}

void TcpLink::Close() {
    std::lock_guard open(openLock_);
    ShutDown();
    std::scoped_lock locks(sendLock_, receiveLock_);
    const int fd = socket_.exchange(-1);
    if (fd >= 0) ::close(fd);
}

int TcpLink::Send(const uint8_t* bytes, size_t length) {
    if (bytes == nullptr || length == 0) return 0;
    std::lock_guard lock(sendLock_);
    const int fd = socket_.load();
    if (fd < 0) return 0;
    size_t sent = 0;
    while (sent < length) {
        const ssize_t n = ::send(fd, bytes + sent, length - sent, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return 0;
        sent += static_cast<size_t>(n);
    }
    // Inside the send lock: a send from another thread waits out the pause too.
    if (const uint32_t pause = sendPauseMs_.load(); pause > 0) platform::SleepMs(pause);
    return static_cast<int>(sent);
}

int TcpLink::Receive(uint8_t* buffer, size_t capacity, uint32_t timeoutMs) {
    std::lock_guard lock(receiveLock_);
    const int fd = socket_.load();
    if (fd < 0) return -1;
    if (buffer == nullptr || capacity == 0) return 0;
    // One blocking read with the socket's receive time-out, rather than a poll and a read: the
    // receive loop pays one system call per wake-up. The time-out is set again only when it
    // changes (the loop always asks for the same).
    int flags = 0;
    if (timeoutMs == 0) {
        flags = MSG_DONTWAIT;
    } else if (timeoutMs != receiveTimeoutMs_) {
        const timeval timeout{static_cast<time_t>(timeoutMs / 1000),
                              static_cast<suseconds_t>(timeoutMs % 1000 * 1000)};
        if (setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout) != 0) return -1;
        receiveTimeoutMs_ = timeoutMs;
    }
    const ssize_t n = ::recv(fd, buffer, capacity, flags);
    if (n < 0) return errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK ? 0 : -1;
    if (n == 0) peerClosed_ = true;
    return static_cast<int>(n);
}

}  // namespace norvane::sdk
