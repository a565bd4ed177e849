#include "pcican/driver/sim_card_driver.h"

#include <poll.h>
#include <pthread.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <vector>

namespace norvane::halbox {
namespace {

using link::Message;
using link::Type;

bool SendAll(int fd, const uint8_t* bytes, size_t size) {
    while (size > 0) {
        const ssize_t n = send(fd, bytes, size, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        bytes += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

/// Reads the card's answer to Hello, waiting at most timeoutMs in all.
bool ReadHelloAnswer(int fd, Message& answer, int timeoutMs) {
    uint8_t buffer[link::kHeaderSize];
    size_t have = 0;
    while (have < sizeof buffer) {
        pollfd p{fd, POLLIN, 0};
        if (poll(&p, 1, timeoutMs) <= 0) return false;
        const ssize_t n = read(fd, buffer + have, sizeof buffer - have);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        have += static_cast<size_t>(n);
    }
    size_t used = 0;
    return link::Decode(buffer, have, answer, used) == link::DecodeResult::Complete &&
           answer.type == Type::HelloAnswer;
}

}  // namespace

std::unique_ptr<SimCardDriver> SimCardDriver::Connect(const std::string& path, uint32_t card,
                                                      uint32_t exchangeTimeoutMs) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.size() >= sizeof address.sun_path) return nullptr;
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return nullptr;
    Message hello;
    hello.type = Type::Hello;
    hello.address = card;
    uint8_t out[link::kHeaderSize];
    Message answer;
    if (connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        !SendAll(fd, out, link::Encode(hello, out)) ||
        !ReadHelloAnswer(fd, answer, static_cast<int>(exchangeTimeoutMs)) || answer.status != 0) {
        close(fd);
        return nullptr;
    }
    return std::unique_ptr<SimCardDriver>(new SimCardDriver(fd, exchangeTimeoutMs));
}

SimCardDriver::SimCardDriver(int fd, uint32_t exchangeTimeoutMs) : fd_(fd), timeoutMs_(exchangeTimeoutMs) {
    reader_ = std::thread([this] { ReadLoop(); });
    pthread_setname_np(reader_.native_handle(), "halbox-link");
}

SimCardDriver::~SimCardDriver() {
    shutdown(fd_, SHUT_RDWR);
    if (reader_.joinable()) reader_.join();
    close(fd_);
}

bool SimCardDriver::Send(const Message& message) {
    uint8_t out[link::kMaxMessage];
    const size_t size = link::Encode(message, out);
    std::lock_guard lock(sendMutex_);
    return SendAll(fd_, out, size);
}

uint64_t SimCardDriver::StaleAnswers() const {
    std::lock_guard lock(readMutex_);
    return staleAnswers_;
}

bool SimCardDriver::Exchange(const Message& untagged, Message& answer, uint32_t& error) {
    std::lock_guard turn(exchangeMutex_);
    Message request = untagged;
    if (++lastTag_ == 0) ++lastTag_;  // 0 is no request's tag
    request.tag = lastTag_;
    {
        std::lock_guard lock(readMutex_);
        if (broken_) {
            error = ENOTCONN;
            return false;
        }
        waiting_ = true;
        haveAnswer_ = false;
        expected_ = link::AnswerOf(request.type);
        expectedTag_ = request.tag;
    }
    const bool sent = Send(request);
    std::lock_guard lock(readMutex_);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs_);
    while (sent && !haveAnswer_ && !broken_) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) break;
        ReadAvailable(static_cast<int>(left.count()) + 1);
    }
    waiting_ = false;
    if (!haveAnswer_) {
        error = !sent || broken_ ? ENOTCONN : ETIMEDOUT;
        return false;
    }
    if (answer_.status != 0) {
        error = answer_.status;
        return false;
    }
    answer.type = answer_.type;
    answer.channel = answer_.channel;
    answer.count = answer_.count;
    answer.dataLength = answer_.dataLength;
    std::memcpy(answer.data, answer_.data, answer_.dataLength);
    return true;
}

bool SimCardDriver::ReadAvailable(int timeoutMs) {
    if (broken_) return false;
    pollfd p{fd_, POLLIN, 0};
    const int ready = poll(&p, 1, timeoutMs);
    if (ready < 0 && errno != EINTR) broken_ = true;
    if (ready <= 0) return !broken_;
    uint8_t in[4096];
    const ssize_t n = recv(fd_, in, sizeof in, MSG_DONTWAIT);
    if (n == 0 || (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)) {
        broken_ = true;
        return false;
    }
    if (n < 0) return true;
    pending_.insert(pending_.end(), in, in + n);
    size_t at = 0;
    Message m;
    for (;;) {
        size_t used = 0;
        const auto r = link::Decode(pending_.data() + at, pending_.size() - at, m, used);
        if (r == link::DecodeResult::NeedMore) break;
        if (r == link::DecodeResult::Malformed) {
            broken_ = true;
            return false;
        }
        at += used;
        if (m.type == Type::Interrupt) {
            if (m.channel < 2 && events_[m.channel]) events_[m.channel]->Set();
        } else if (!waiting_ || haveAnswer_ || m.type != expected_ || m.tag != expectedTag_) {
            ++staleAnswers_;  // the answer of a request that timed out (or of nobody's)
        } else {
            answer_.type = m.type;
            answer_.channel = m.channel;
            answer_.status = m.status;
            answer_.count = m.count;
            answer_.dataLength = m.dataLength;
            std::memcpy(answer_.data, m.data, m.dataLength);
            haveAnswer_ = true;
        }
    }
    pending_.erase(pending_.begin(), pending_.begin() + static_cast<std::ptrdiff_t>(at));
    return true;
}

void SimCardDriver::ReadLoop() {
    for (;;) {
        // Wait outside the lock; a caller in an exchange may take the bytes first.
        pollfd p{fd_, POLLIN, 0};
        if (poll(&p, 1, -1) < 0 && errno != EINTR) break;
        std::lock_guard lock(readMutex_);
        if (!ReadAvailable(0)) break;
    }
    std::lock_guard lock(readMutex_);
    broken_ = true;
}

bool SimCardDriver::ReadRegisters(uint32_t channel, uint32_t address, uint8_t* out, uint32_t count,
                                  uint32_t& delivered, uint32_t& error) {
    if (count > kMaxRegisterRead || channel > 255) {
        error = EINVAL;
        return false;
    }
    Message request;
    request.type = Type::Read;
    request.channel = static_cast<uint8_t>(channel);
    request.address = address;
    request.count = static_cast<uint16_t>(count);
    Message answer;
    if (!Exchange(request, answer, error)) return false;
    delivered = std::min<uint32_t>(answer.dataLength, count);
    std::memcpy(out, answer.data, delivered);
    return true;
}

bool SimCardDriver::WriteRegisters(uint32_t channel, uint32_t address, const uint8_t* data, uint32_t count) {
    if (count > kMaxRegisterWrite || channel > 255) return false;
    Message request;
    request.type = Type::Write;
    request.channel = static_cast<uint8_t>(channel);
    request.address = address;
    request.count = static_cast<uint16_t>(count);
    request.dataLength = static_cast<uint16_t>(count);
    std::memcpy(request.data, data, count);
    Message answer;
    uint32_t error = 0;
    return Exchange(request, answer, error);
}

bool SimCardDriver::SetNotification(uint32_t channel, std::shared_ptr<platform::Event> event) {
    if (channel > 1) return false;
    {
        std::lock_guard lock(readMutex_);
        events_[channel] = std::move(event);
    }
    Message request;
    request.type = Type::Notify;
    request.channel = static_cast<uint8_t>(channel);
    Message answer;
    uint32_t error = 0;
    return Exchange(request, answer, error);
}

bool SimCardDriver::BeforeWait() {
    Message request;
    request.type = Type::BeforeWait;
    Message answer;
    uint32_t error = 0;
    if (!Exchange(request, answer, error)) return false;
    // The answer names the channels whose interrupt is pending already.
    std::shared_ptr<platform::Event> pending[2];
    {
        std::lock_guard lock(readMutex_);
        for (int c = 0; c < 2; ++c)
            if (answer.count & (1u << c)) pending[c] = events_[c];
    }
    for (auto& event : pending)
        if (event) event->Set();
    return true;
}

bool SimCardDriver::OpenCloseRequest() {
    {
        std::lock_guard lock(readMutex_);
        events_[0].reset();
        events_[1].reset();
    }
    Message request;
    request.type = Type::OpenClose;
    Message answer;
    uint32_t error = 0;
    return Exchange(request, answer, error);
}

}  // namespace norvane::halbox
