#pragma once
// A simulated bus joined to a CAN network interface of the kernel (AF_CAN, CAN_RAW), e.g. a vcan
// interface: frames other programs send there reach the bus's nodes, the nodes' frames go out
// there. Needs a kernel with CAN and the interface up; the build needs only linux/can.h.
//
// Threads: Open, Start and Stop from the owning thread; Send from any thread (the bus thread);
// one reader thread, started by Start, calls fromInterface for every frame read.
#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <thread>

#include "sim/can_frame.h"

namespace norvane::sim {

class KernelCanBridge {
public:
    KernelCanBridge() = default;
    ~KernelCanBridge() { Stop(); }
    KernelCanBridge(const KernelCanBridge&) = delete;
    KernelCanBridge& operator=(const KernelCanBridge&) = delete;

    /// Binds a CAN_RAW socket to the interface. false with error where the kernel has no CAN
    /// or no interface of that name.
    bool Open(const std::string& interfaceName, std::string& error);
    void Start(std::function<void(const CanFrame&)> fromInterface);
    /// Puts a frame on the interface without waiting; false (counted) when the kernel's queue
    /// is full or the interface is down.
    bool Send(const CanFrame& frame);
    /// Ends the reader thread and closes the socket.
    void Stop();

    uint64_t SendFailures() const { return sendFailures_.load(); }

private:
    void Read(const std::function<void(const CanFrame&)>& fromInterface);

    int fd_ = -1;
    int wakePipe_[2] = {-1, -1};
    std::thread reader_;
    std::atomic<uint64_t> sendFailures_{0};
};

}  // namespace norvane::sim
