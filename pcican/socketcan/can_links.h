#pragma once
// Every socket and link-configuration call of Halbox's SocketCAN channels, behind one seam.
//
// Two implementations: the kernel's (AF_CAN CAN_RAW sockets, /sys/class/net, libsocketcan's
// netlink calls) and a stand-in for machines without AF_CAN, chosen by HALBOX_SOCKETCAN_SIM=DIR:
// interface NAME is then a Unix SOCK_SEQPACKET socket at DIR/NAME whose every message is one
// 16-byte struct can_frame as linux/can.h lays it out, and its bit rate in bit/s is the text of
// DIR/NAME.bitrate (no file: the interface is down; a file without write permission bits: Halbox
// may not change the interface's configuration). Like the kernel's local loopback, a stand-in
// delivers a frame written on one connection to the interface's other connections too.
//
// Every call may come from any thread and blocks at most for one system call (writes on an opened
// socket give up after kSendTimeoutMs).
#include <linux/can.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace norvane::halbox::socketcan {

constexpr int kSendTimeoutMs = 1000;
/// BitRate of an interface that is up without any bit timing (a virtual one such as vcan), which
/// carries frames at whatever rate is asked for.
constexpr uint32_t kAnyBitRate = 0xFFFFFFFFu;

/// Controller modes beside the bit rate (MarlixInitConfig modes 1 and 2).
struct LinkModes {
    bool listenOnly = false;
    bool loopback = false;
};

class CanLinks {
public:
    virtual ~CanLinks() = default;

    /// The CAN interfaces present, in no particular order.
    virtual std::vector<std::string> Interfaces() = 0;
    virtual bool Exists(const std::string& name) = 0;
    /// A socket on the interface that reads and writes whole struct can_frame messages and receives
    /// error frames; -1 with error set (an errno value) when it cannot be had.
    virtual int Open(const std::string& name, int& error) = 0;
    /// Installs the kernel's receive filters on an opened socket (the stand-in has none: false).
    virtual bool SetFilters(int fd, const std::vector<can_filter>& filters) = 0;
    virtual bool IsUp(const std::string& name) = 0;
    /// The bit rate the interface runs at; 0 when it is down or the rate cannot be read,
    /// kAnyBitRate when it is up and has no bit timing.
    virtual uint32_t BitRate(const std::string& name) = 0;
    /// Sets the bit rate and modes and brings the interface up; false when that is not permitted or
    /// failed (the interface is then left as it was where possible).
    virtual bool Configure(const std::string& name, uint32_t bitRate, LinkModes modes) = 0;
    /// Restarts a bus-off interface; false when not permitted or failed.
    virtual bool Restart(const std::string& name) = 0;
};

/// The kernel's CAN interfaces.
std::shared_ptr<CanLinks> KernelLinks();
/// The stand-in interfaces in dir.
std::shared_ptr<CanLinks> StandInLinks(const std::string& dir);

}  // namespace norvane::halbox::socketcan
