#include "sim/events/event_control.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "sim/events/event_apply.h"
#include "sim/events/fault_command.h"

namespace norvane::sim::events {
namespace {

void WriteAll(int fd, const std::string& text) {
    size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::send(fd, text.data() + done, text.size() - done, MSG_NOSIGNAL);
        if (n < 0 && errno == ENOTSOCK) {
            const ssize_t w = ::write(fd, text.data() + done, text.size() - done);
            if (w <= 0 && errno != EINTR) return;
            done += w > 0 ? static_cast<size_t>(w) : 0;
            continue;
        }
        if (n <= 0 && errno != EINTR) return;  // the peer went away: its reply is lost
        done += n > 0 ? static_cast<size_t>(n) : 0;
    }
}

}  // namespace

bool EventControl::Listen(const std::string& path, std::string& error) {
    sockaddr_un addr{};
    if (path.empty() || path.size() >= sizeof addr.sun_path) {
        error = "control socket path must be 1-" + std::to_string(sizeof addr.sun_path - 1) + " characters";
        return false;
    }
    addr.sun_family = AF_UNIX;
    std::memcpy(addr.sun_path, path.c_str(), path.size() + 1);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    ::unlink(path.c_str());
    if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || ::listen(fd, 8) != 0) {
        error = "cannot listen on " + path + ": " + std::strerror(errno);
        if (fd >= 0) ::close(fd);
        return false;
    }
    listen_ = fd;
    path_ = path;
    return true;
}

void EventControl::ServeStream(int in, int out) {
    Peer peer;
    peer.in = in;
    peer.out = out;
    peer.ownsFd = false;
    peers_.push_back(std::move(peer));
}

bool EventControl::Start(std::string& error) {
    if (::pipe2(wake_, O_CLOEXEC) != 0) {
        error = std::string("cannot make the control pipe: ") + std::strerror(errno);
        return false;
    }
    thread_ = std::thread([this] { Run(); });
    return true;
}

void EventControl::Stop() {
    if (thread_.joinable()) {
        const char byte = 0;
        while (::write(wake_[1], &byte, 1) < 0 && errno == EINTR) {
        }
        thread_.join();
    }
    for (Peer& p : peers_)
        if (p.ownsFd) ::close(p.in);
    peers_.clear();
    for (int& fd : wake_) {
        if (fd >= 0) ::close(fd);
        fd = -1;
    }
    if (listen_ >= 0) {
        ::close(listen_);
        ::unlink(path_.c_str());
        listen_ = -1;
    }
}

void EventControl::Run() {
    for (;;) {
        std::vector<pollfd> fds{{wake_[0], POLLIN, 0}};
        if (listen_ >= 0) fds.push_back({listen_, POLLIN, 0});
        const size_t first = fds.size();
        for (const Peer& p : peers_) fds.push_back({p.in, POLLIN, 0});
        if (::poll(fds.data(), fds.size(), -1) < 0) {
            if (errno == EINTR) continue;
            return;
        }
        if (fds[0].revents != 0) return;  // Stop
        if (listen_ >= 0 && (fds[1].revents & POLLIN) != 0) {
            const int client = ::accept4(listen_, nullptr, nullptr, SOCK_CLOEXEC);
            if (client >= 0) {
                // A client that stops reading must not stall the control for the others.
                const timeval limit{1, 0};
                ::setsockopt(client, SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof limit);
                peers_.push_back(Peer{client, client, {}, false, true});
            }
        }
        // Serve the peers that polled ready; finished ones leave the list.
        std::vector<Peer> kept;
        for (size_t i = 0; i < peers_.size(); ++i) {
            Peer& p = peers_[i];
            const bool ready = first + i < fds.size() && fds[first + i].revents != 0;
            if (ready && !Serve(p)) {
                if (p.ownsFd) ::close(p.in);
                continue;
            }
            kept.push_back(std::move(p));
        }
        peers_ = std::move(kept);
    }
}

bool EventControl::Serve(Peer& peer) {
    char buffer[512];
    const ssize_t n = ::read(peer.in, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) return true;
    if (n <= 0) return false;
    for (ssize_t i = 0; i < n; ++i) {
        const char c = buffer[i];
        if (c != '\n') {
            if (peer.pending.size() < kMaxLine)
                peer.pending += c;
            else
                peer.overlong = true;
            continue;
        }
        std::string reply;
        if (peer.overlong)
            reply = "error: line longer than " + std::to_string(kMaxLine) + " characters\n";
        else if (reply = RunFaultLine(peer.pending, simulation_); reply.empty())
            reply = RunEventLine(peer.pending, simulation_.Buses());
        peer.pending.clear();
        peer.overlong = false;
        WriteAll(peer.out, reply);
    }
    return true;
}

}  // namespace norvane::sim::events
