#pragma once
// A bare TCP client for gateway tests: frames are written as literal bytes and the answers
// are split by hand (CC, command, 4-byte length, payload, AA), independent of the simulator's
// own frame code.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace norvane::sim::test {

using Bytes = std::vector<uint8_t>;

/// AA, command, length, payload, CC — written out byte by byte.
inline Bytes Frame(uint8_t command, const Bytes& payload) {
    Bytes f(payload.size() + 7, 0);
    f[0] = 0xAA;
    f[1] = command;
    f[2] = static_cast<uint8_t>(payload.size());
    for (size_t i = 0; i < payload.size(); ++i) f[6 + i] = payload[i];
    f[6 + payload.size()] = 0xCC;
    return f;
}

struct Received {
    uint8_t command = 0;
    Bytes payload;
};

class RawClient {
public:
    RawClient(const std::string& address, uint16_t port) {
        fd_ = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_port = htons(port);
        inet_pton(AF_INET, address.c_str(), &addr.sin_addr);
        if (connect(fd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
            close(fd_);
            fd_ = -1;
        }
    }
    ~RawClient() {
        if (fd_ >= 0) close(fd_);
    }
    bool Connected() const { return fd_ >= 0; }
    bool Send(const Bytes& bytes) {
        return fd_ >= 0 &&
               send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(bytes.size());
    }
    /// Raw bytes within the time, as they came.
    Bytes ReadRaw(int timeoutMs, size_t atLeast = 1) {
        const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        while (held_.size() < atLeast && Fill(until)) {
        }
        Bytes out;
        out.swap(held_);
        return out;
    }
    /// The next complete gateway frame, or nothing within the time.
    std::optional<Received> Next(int timeoutMs = 1000) {
        const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        for (;;) {
            if (auto f = Take()) return f;
            if (!Fill(until)) return std::nullopt;
        }
    }
    /// Next frame with this command, skipping others.
    std::optional<Received> NextOf(uint8_t command, int timeoutMs = 1000) {
        const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        for (;;) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                                  until - std::chrono::steady_clock::now())
                                  .count();
            auto f = Next(static_cast<int>(left > 0 ? left : 0));
            if (!f || f->command == command) return f;
        }
    }
    /// True when the gateway closed the connection within the time.
    bool PeerClosed(int timeoutMs) {
        const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        while (std::chrono::steady_clock::now() < until) {
            pollfd p{fd_, POLLIN, 0};
            if (poll(&p, 1, 10) > 0) {
                uint8_t b[256];
                const ssize_t n = recv(fd_, b, sizeof b, 0);
                if (n <= 0) return true;
            }
        }
        return false;
    }

private:
    bool Fill(std::chrono::steady_clock::time_point until) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(until - std::chrono::steady_clock::now())
                .count();
        if (left <= 0 || fd_ < 0) return false;
        pollfd p{fd_, POLLIN, 0};
        if (poll(&p, 1, static_cast<int>(left)) <= 0) return false;
        uint8_t b[4096];
        const ssize_t n = recv(fd_, b, sizeof b, 0);
        if (n <= 0) return false;
        held_.insert(held_.end(), b, b + n);
        return true;
    }
    std::optional<Received> Take() {
        size_t i = 0;
        while (i < held_.size() && held_[i] != 0xCC) ++i;
        held_.erase(held_.begin(), held_.begin() + static_cast<long>(i));
        if (held_.size() < 6) return std::nullopt;
        const uint32_t len = held_[2] | held_[3] << 8 | held_[4] << 16 | uint32_t(held_[5]) << 24;
        if (held_.size() < len + 7) return std::nullopt;
        Received r;
        r.command = held_[1];
        r.payload.assign(held_.begin() + 6, held_.begin() + 6 + len);
        const bool ends = held_[6 + len] == 0xAA;
        held_.erase(held_.begin(), held_.begin() + static_cast<long>(len + 7));
        if (!ends) return Take();
        return r;
    }
    int fd_ = -1;
    Bytes held_;
};

}  // namespace norvane::sim::test
