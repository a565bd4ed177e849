// The kernel's SocketCAN: CAN_RAW sockets, the interface list and flags from /sys/class/net, and
// the link configuration through libsocketcan (netlink; changing it needs CAP_NET_ADMIN).
#include <fcntl.h>
#include <libsocketcan.h>
#include <linux/can/error.h>
#include <linux/can/netlink.h>
#include <linux/can/raw.h>
#include <net/if.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "pcican/socketcan/can_links.h"
#include "pcican/socketcan/card_map.h"

namespace norvane::halbox::socketcan {
namespace {

constexpr int kCanDeviceType = 280;  // ARPHRD_CAN

std::string ReadLine(const std::string& path) {
    std::ifstream in(path);
    std::string line;
    std::getline(in, line);
    return line;
}

/// Only CAN interfaces are opened or configured: a mistyped map entry such as "lo" or "eth0" must
/// never be taken down by the netlink calls, which would act on any interface.
bool IsCanInterface(const std::string& name) {
    return ValidInterfaceName(name) &&
           ReadLine("/sys/class/net/" + name + "/type") == std::to_string(kCanDeviceType);
}

class KernelCanLinks : public CanLinks {
public:
    std::vector<std::string> Interfaces() override {
        std::vector<std::string> names;
        std::error_code ec;
        for (const auto& entry : std::filesystem::directory_iterator("/sys/class/net", ec)) {
            const std::string name = entry.path().filename().string();
            if (IsCanInterface(name)) names.push_back(name);
        }
        return names;
    }

    bool Exists(const std::string& name) override { return IsCanInterface(name); }

    int Open(const std::string& name, int& error) override {
        const unsigned index = IsCanInterface(name) ? if_nametoindex(name.c_str()) : 0;
        if (index == 0) {
            error = ENODEV;
            return -1;
        }
        const int fd = socket(PF_CAN, SOCK_RAW | SOCK_CLOEXEC, CAN_RAW);
        if (fd < 0) {
            error = errno;
            return -1;
        }
        sockaddr_can address{};
        address.can_family = AF_CAN;
        address.can_ifindex = static_cast<int>(index);
        const can_err_mask_t errors = CAN_ERR_MASK;
        const timeval timeout{kSendTimeoutMs / 1000, (kSendTimeoutMs % 1000) * 1000};
        if (bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
            setsockopt(fd, SOL_CAN_RAW, CAN_RAW_ERR_FILTER, &errors, sizeof errors) != 0 ||
            setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &timeout, sizeof timeout) != 0) {
            error = errno;
            close(fd);
            return -1;
        }
        return fd;
    }

    bool SetFilters(int fd, const std::vector<can_filter>& filters) override {
        return setsockopt(fd, SOL_CAN_RAW, CAN_RAW_FILTER, filters.data(),
                          static_cast<socklen_t>(filters.size() * sizeof(can_filter))) == 0;
    }

    bool IsUp(const std::string& name) override {
        if (!ValidInterfaceName(name)) return false;
        const std::string flags = ReadLine("/sys/class/net/" + name + "/flags");
        return !flags.empty() && (std::strtoul(flags.c_str(), nullptr, 16) & IFF_UP) != 0;
    }

    uint32_t BitRate(const std::string& name) override {
        if (!IsUp(name)) return 0;
        // An interface that is up always has its bit timing, unless it is virtual (vcan).
        can_bittiming timing{};
        if (can_get_bittiming(name.c_str(), &timing) != 0 || timing.bitrate == 0) return kAnyBitRate;
        return timing.bitrate;
    }

    bool Configure(const std::string& name, uint32_t bitRate, LinkModes modes) override {
        if (!IsCanInterface(name)) return false;
        const bool wasUp = IsUp(name);
        if (wasUp && can_do_stop(name.c_str()) != 0) return false;
        can_ctrlmode mode{};
        mode.mask = CAN_CTRLMODE_LISTENONLY | CAN_CTRLMODE_LOOPBACK;
        mode.flags =
            (modes.listenOnly ? CAN_CTRLMODE_LISTENONLY : 0u) | (modes.loopback ? CAN_CTRLMODE_LOOPBACK : 0u);
        const bool set =
            can_set_bitrate(name.c_str(), bitRate) == 0 && can_set_ctrlmode(name.c_str(), &mode) == 0;
        if (set || wasUp) {
            const bool started = can_do_start(name.c_str()) == 0;
            return set && started;
        }
        return false;
    }

    bool Restart(const std::string& name) override {
        return IsCanInterface(name) && can_do_restart(name.c_str()) == 0;
    }
};

}  // namespace

std::shared_ptr<CanLinks> KernelLinks() {
    return std::make_shared<KernelCanLinks>();
}

}  // namespace norvane::halbox::socketcan
