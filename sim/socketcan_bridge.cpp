#include "sim/socketcan_bridge.h"

#include <fcntl.h>
#include <linux/can.h>
#include <linux/can/raw.h>
#include <net/if.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "sim/socketcan_frames.h"

namespace norvane::sim {

bool KernelCanBridge::Open(const std::string& interfaceName, std::string& error) {
    Stop();
    fd_ = socket(PF_CAN, SOCK_RAW | SOCK_CLOEXEC, CAN_RAW);
    if (fd_ < 0) {
        error = "no CAN in this kernel (socket(AF_CAN): " + std::string(std::strerror(errno)) + ")";
        return false;
    }
    sockaddr_can address{};
    address.can_family = AF_CAN;
    address.can_ifindex = static_cast<int>(if_nametoindex(interfaceName.c_str()));
    if (address.can_ifindex == 0 || bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        error = "no CAN interface " + interfaceName + " (" +
                (address.can_ifindex == 0 ? "not found" : std::strerror(errno)) + ")";
        close(fd_);
        fd_ = -1;
        return false;
    }
    if (pipe2(wakePipe_, O_CLOEXEC) != 0) {
        error = std::string("pipe: ") + std::strerror(errno);
        close(fd_);
        fd_ = -1;
        return false;
    }
    return true;
}

void KernelCanBridge::Start(std::function<void(const CanFrame&)> fromInterface) {
    if (fd_ < 0 || reader_.joinable()) return;
    reader_ = std::thread([this, deliver = std::move(fromInterface)] { Read(deliver); });
}

bool KernelCanBridge::Send(const CanFrame& frame) {
    const CanFrameRecord record = EncodeCanFrameRecord(frame);
    if (fd_ >= 0 && send(fd_, record.data(), record.size(), MSG_DONTWAIT | MSG_NOSIGNAL) ==
                        static_cast<ssize_t>(record.size()))
        return true;
    ++sendFailures_;
    return false;
}

void KernelCanBridge::Stop() {
    if (reader_.joinable()) {
        const uint8_t byte = 1;
        (void)!write(wakePipe_[1], &byte, 1);
        reader_.join();
    }
    for (int* fd : {&fd_, &wakePipe_[0], &wakePipe_[1]}) {
        if (*fd >= 0) close(*fd);
        *fd = -1;
    }
}

void KernelCanBridge::Read(const std::function<void(const CanFrame&)>& fromInterface) {
    for (;;) {
        pollfd fds[2] = {{fd_, POLLIN, 0}, {wakePipe_[0], POLLIN, 0}};
        if (poll(fds, 2, -1) < 0) {
            if (errno == EINTR) continue;
            return;
        }
        if (fds[1].revents) return;
        uint8_t bytes[sizeof(can_frame)];
        const ssize_t n = recv(fd_, bytes, sizeof bytes, MSG_DONTWAIT);
        if (n < 0 && (errno == EINTR || errno == EAGAIN)) continue;
        if (n <= 0) return;  // the interface went away
        CanFrame frame;
        if (DecodeCanFrameRecord(bytes, static_cast<size_t>(n), frame) == RecordKind::Frame)
            fromInterface(frame);
    }
}

}  // namespace norvane::sim
