#include "platform/serial_line.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>

namespace norvane::platform {
namespace {

constexpr int kWriteLimitMs = 100;

int MsUntil(std::chrono::steady_clock::time_point deadline) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now())
            .count();
    return left > 0 ? static_cast<int>(left) : 0;
}

}  // namespace

SerialLine::SerialLine() : wake_(eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)) {}

SerialLine::~SerialLine() {
    Close();
    if (wake_ >= 0) ::close(wake_);
}

speed_t SerialLine::SpeedFor(uint32_t baud) {
    switch (baud) {
        case 1200:
            return B1200;
        case 2400:
            return B2400;
        case 4800:
            return B4800;
        case 9600:
            return B9600;
        case 19200:
            return B19200;
        case 38400:
            return B38400;
        case 57600:
            return B57600;
        case 115200:
            return B115200;
        case 230400:
            return B230400;
        case 460800:
            return B460800;
        case 921600:
            return B921600;
        default:
            return B0;
    }
}

bool SerialLine::Open(const std::string& path, uint32_t baud) {
    std::lock_guard open(openLock_);
    if (fd_.load() >= 0 || wake_ < 0) return false;
    const speed_t speed = SpeedFor(baud);
    if (speed == B0) return false;
    const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return false;
    // TIOCEXCL keeps other programs out; the lock also keeps out privileged ones and other
    // handles of this process, which TIOCEXCL lets through.
    termios settings{};
    if (!isatty(fd) || flock(fd, LOCK_EX | LOCK_NB) != 0 || ioctl(fd, TIOCEXCL) != 0 ||
        tcgetattr(fd, &saved_) != 0) {
        ::close(fd);
        return false;
    }
    settings = saved_;
    cfmakeraw(&settings);
    settings.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | CSTOPB | CRTSCTS);
    settings.c_cflag |= CS8 | CLOCAL | CREAD;
    settings.c_cc[VMIN] = 0;
    settings.c_cc[VTIME] = 0;
    if (cfsetispeed(&settings, speed) != 0 || cfsetospeed(&settings, speed) != 0 ||
        tcsetattr(fd, TCSANOW, &settings) != 0) {
        tcsetattr(fd, TCSANOW, &saved_);
        ioctl(fd, TIOCNXCL);
        ::close(fd);
        return false;
    }
    tcflush(fd, TCIOFLUSH);
    uint64_t stale = 0;
    while (::read(wake_, &stale, sizeof stale) > 0) {
    }
    broken_.store(false);
    fd_.store(fd);
    return true;
}

bool SerialLine::Close() {
    std::lock_guard open(openLock_);
    if (fd_.load() < 0) return true;
    const uint64_t one = 1;
    (void)!::write(wake_, &one, sizeof one);
    // A reader or writer still inside leaves at once through the wake-up; then nobody holds
    // the descriptor and it can go.
    std::scoped_lock users(readLock_, writeLock_);
    const int fd = fd_.exchange(-1);
    tcsetattr(fd, TCSANOW, &saved_);
    ioctl(fd, TIOCNXCL);
    ::close(fd);
    uint64_t count = 0;
    while (::read(wake_, &count, sizeof count) > 0) {
    }
    return true;
}

int SerialLine::Write(const uint8_t* bytes, size_t length) {
    if (bytes == nullptr || length == 0) return -1;
    std::lock_guard lock(writeLock_);
    const int fd = fd_.load();
    if (fd < 0 || broken_.load()) return -1;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kWriteLimitMs);
    size_t done = 0;
    while (done < length) {
        const ssize_t n = ::write(fd, bytes + done, length - done);
        if (n > 0) {
            done += static_cast<size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && errno != EAGAIN) {
            MarkBroken();
            return -1;
        }
        pollfd fds[2] = {{fd, POLLOUT, 0}, {wake_, POLLIN, 0}};
        const int ready = poll(fds, 2, MsUntil(deadline));
        if (ready < 0 && errno == EINTR) continue;
        if (ready <= 0 || (fds[1].revents & POLLIN) != 0) return -1;
        if ((fds[0].revents & (POLLHUP | POLLERR | POLLNVAL)) != 0) {
            MarkBroken();
            return -1;
        }
    }
    return static_cast<int>(done);
}

int SerialLine::Read(uint8_t* buffer, size_t capacity, uint32_t waitMs) {
    if (buffer == nullptr || capacity == 0) return 0;
    std::lock_guard lock(readLock_);
    const int fd = fd_.load();
    if (fd < 0 || broken_.load()) return -1;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMs);
    for (;;) {
        pollfd fds[2] = {{fd, POLLIN, 0}, {wake_, POLLIN, 0}};
        const int ready = poll(fds, 2, MsUntil(deadline));
        if (ready < 0 && errno == EINTR) continue;
        if (ready < 0 || (fds[1].revents & POLLIN) != 0) return -1;
        if (ready == 0) return 0;
        if ((fds[0].revents & POLLIN) == 0) {
            MarkBroken();  // hang-up or error with nothing left to read
            return -1;
        }
        const ssize_t n = ::read(fd, buffer, capacity);
        if (n > 0) return static_cast<int>(n);
        if (n < 0 && (errno == EAGAIN || errno == EINTR)) {
            if (MsUntil(deadline) == 0) return 0;
            continue;
        }
        MarkBroken();  // end of file on a terminal, or an I/O error: the line is gone
        return -1;
    }
}

void SerialLine::Purge(bool both) {
    std::lock_guard lock(readLock_);
    const int fd = fd_.load();
    if (fd >= 0) tcflush(fd, both ? TCIOFLUSH : TCIFLUSH);
}

}  // namespace norvane::platform
