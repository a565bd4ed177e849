// The SocketCAN stand-in (HALBOX_SOCKETCAN_SIM=DIR): interface NAME is the SOCK_SEQPACKET socket
// DIR/NAME, its bit rate the text of DIR/NAME.bitrate (see can_links.h).
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "pcican/socketcan/can_links.h"
#include "pcican/socketcan/card_map.h"

namespace norvane::halbox::socketcan {
namespace {

constexpr size_t kMaxRateText = 32;

/// The rate a .bitrate file holds: decimal digits, optionally followed by white space; 0 otherwise.
uint32_t ParseRate(const std::string& text) {
    uint64_t rate = 0;
    size_t i = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        rate = rate * 10 + static_cast<uint64_t>(text[i] - '0');
        if (rate > 0xFFFFFFFFu) return 0;
    }
    if (i == 0) return 0;
    for (; i < text.size(); ++i)
        if (text[i] != ' ' && text[i] != '\n' && text[i] != '\r' && text[i] != '\t') return 0;
    return static_cast<uint32_t>(rate);
}

class StandInCanLinks : public CanLinks {
public:
    explicit StandInCanLinks(std::string dir) : dir_(std::move(dir)) {}

    std::vector<std::string> Interfaces() override {
        std::vector<std::string> names;
        std::error_code ec;
        for (const auto& entry : std::filesystem::directory_iterator(dir_, ec)) {
            const std::string name = entry.path().filename().string();
            if (ValidInterfaceName(name) && entry.is_socket(ec)) names.push_back(name);
        }
        return names;
    }

    bool Exists(const std::string& name) override {
        struct stat st {};
        return ValidInterfaceName(name) && stat(SocketPath(name).c_str(), &st) == 0 && S_ISSOCK(st.st_mode);
    }

    int Open(const std::string& name, int& error) override {
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        const std::string path = SocketPath(name);
        if (!ValidInterfaceName(name) || path.size() >= sizeof address.sun_path) {
            error = ENAMETOOLONG;
            return -1;
        }
        std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
        const int fd = socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0);
        if (fd < 0) {
            error = errno;
            return -1;
        }
        // The send time-out also bounds a connect to a stand-in whose queue of connections is full.
        const timeval timeout{kSendTimeoutMs / 1000, (kSendTimeoutMs % 1000) * 1000};
        if (setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &timeout, sizeof timeout) != 0 ||
            connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
            error = errno;
            close(fd);
            return -1;
        }
        return fd;
    }

    bool SetFilters(int, const std::vector<can_filter>&) override { return false; }

    bool IsUp(const std::string& name) override {
        struct stat st {};
        return stat(RatePath(name).c_str(), &st) == 0;
    }

    uint32_t BitRate(const std::string& name) override {
        std::ifstream in(RatePath(name));
        if (!in) return 0;
        // A rate is a few digits: a longer file is not a rate, however long it is.
        char text[kMaxRateText + 1];
        in.read(text, sizeof text);
        const auto length = static_cast<size_t>(in.gcount());
        return length > kMaxRateText ? 0 : ParseRate(std::string(text, length));
    }

    bool Configure(const std::string& name, uint32_t bitRate, LinkModes) override {
        return Permitted(name) && WriteRate(name, bitRate);
    }

    bool Restart(const std::string& name) override {
        const uint32_t rate = BitRate(name);
        return rate != 0 && Permitted(name) && WriteRate(name, rate);
    }

private:
    std::string SocketPath(const std::string& name) const { return dir_ + "/" + name; }
    std::string RatePath(const std::string& name) const { return dir_ + "/" + name + ".bitrate"; }

    /// A rate file without any write permission bit stands for an interface this process may not
    /// configure (checked on the bits, since root may write any file).
    bool Permitted(const std::string& name) const {
        struct stat st {};
        if (stat(RatePath(name).c_str(), &st) != 0) return errno == ENOENT;
        return (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) != 0;
    }

    /// Replaces the rate file in one step, so that a reader never sees half of it.
    bool WriteRate(const std::string& name, uint32_t rate) const {
        const std::string path = RatePath(name);
        const std::string temporary = path + ".new" + std::to_string(getpid());
        {
            std::ofstream out(temporary, std::ios::trunc);
            out << rate << "\n";
            if (!out.flush()) {
                std::remove(temporary.c_str());
                return false;
            }
        }
        if (std::rename(temporary.c_str(), path.c_str()) != 0) {
            std::remove(temporary.c_str());
            return false;
        }
        return true;
    }

    const std::string dir_;
};

}  // namespace

std::shared_ptr<CanLinks> StandInLinks(const std::string& dir) {
    return std::make_shared<StandInCanLinks>(dir);
}

}  // namespace norvane::halbox::socketcan
