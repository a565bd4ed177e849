#include "sim/local_socket_server.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace norvane::sim {
namespace {

bool FillAddress(const std::string& path, sockaddr_un& address) {
    address = {};
    address.sun_family = AF_UNIX;
    if (path.empty() || path.size() >= sizeof address.sun_path) return false;
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    return true;
}

}  // namespace

bool LocalSocketServer::Listen(const std::string& what, std::string& error) {
    sockaddr_un address;
    if (!FillAddress(path_, address)) {
        error = "bad " + what + " socket path '" + path_ + "'";
        return false;
    }
    // A socket file nobody listens at is left over from an earlier run; one in use is not ours.
    const int probe = socket(AF_UNIX, type_ | SOCK_CLOEXEC, 0);
    if (probe >= 0) {
        const bool inUse = connect(probe, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
        close(probe);
        if (inUse) {
            error = what + " socket " + path_ + " is in use";
            return false;
        }
    }
    unlink(path_.c_str());
    listenFd_ = socket(AF_UNIX, type_ | SOCK_CLOEXEC, 0);
    if (listenFd_ < 0 || bind(listenFd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        listen(listenFd_, 16) != 0 || pipe2(wakePipe_, O_CLOEXEC) != 0) {
        error = "cannot listen at " + path_ + ": " + std::strerror(errno);
        if (listenFd_ >= 0) close(listenFd_);
        listenFd_ = -1;
        return false;
    }
    return true;
}

void LocalSocketServer::Accept(std::function<void(int fd)> serve) {
    serve_ = std::move(serve);
    running_ = true;
    acceptThread_ = std::thread([this] { AcceptLoop(); });
}

bool LocalSocketServer::Stop(const std::function<void()>& wake) {
    if (!running_.exchange(false)) return false;
    const uint8_t byte = 1;
    (void)!write(wakePipe_[1], &byte, 1);
    if (acceptThread_.joinable()) acceptThread_.join();
    close(listenFd_);
    listenFd_ = -1;
    unlink(path_.c_str());
    std::vector<Connection> threads;
    {
        std::lock_guard lock(connectionsMutex_);
        for (const int fd : fds_) shutdown(fd, SHUT_RDWR);
        threads.swap(connections_);
    }
    if (wake) wake();
    for (auto& t : threads) t.thread.join();
    close(wakePipe_[0]);
    close(wakePipe_[1]);
    wakePipe_[0] = wakePipe_[1] = -1;
    return true;
}

void LocalSocketServer::AcceptLoop() {
    while (running_) {
        pollfd fds[2] = {{listenFd_, POLLIN, 0}, {wakePipe_[0], POLLIN, 0}};
        if (poll(fds, 2, -1) < 0) {
            if (errno == EINTR) continue;
            return;
        }
        if (fds[1].revents || !running_) return;
        const int fd = accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0) continue;
        std::lock_guard lock(connectionsMutex_);
        // Connections that ended are joined here, so a long-running simulator does not gather threads.
        std::erase_if(connections_, [](Connection& c) {
            if (!c.done->load()) return false;
            c.thread.join();
            return true;
        });
        fds_.push_back(fd);
        auto done = std::make_shared<std::atomic<bool>>(false);
        connections_.push_back({std::thread([this, fd, done] {
                                    serve_(fd);
                                    {
                                        std::lock_guard lock(connectionsMutex_);
                                        std::erase(fds_, fd);
                                        close(fd);
                                    }
                                    *done = true;
                                }),
                                done});
    }
}

}  // namespace norvane::sim
