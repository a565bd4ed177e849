#pragma once
// Simulated SocketCAN interfaces, each on its own virtual bus, for Halbox's SocketCAN backend
// (HALBOX_SOCKETCAN_SIM=DIR) and any other client of the stand-in: interface NAME is a Unix
// SOCK_SEQPACKET socket at DIR/NAME, each message one 16-byte struct can_frame
// (sim/socketcan_frames.h), and its bit rate in bit/s is the text of DIR/NAME.bitrate, which the
// server writes at start with the bus's rate and clients rewrite to set theirs; no file means
// the interface is down. How rate, bus-off and restarts behave: sim/socketcan_link.h.
//
// Several clients may connect to one interface, as several CAN_RAW sockets may bind one: every
// frame on the bus goes to every client, a frame one client sends goes to the bus and to the
// other clients (never back to itself). A client that does not read loses frames (counted),
// as a CAN_RAW socket whose receive queue is full does. Error frames tell every client of a
// bus-off (CAN_ERR_BUSOFF) and of the restart that ends it (CAN_ERR_RESTARTED).
//
// A bridged interface (`socketcan vcan0 bridge`) is a real kernel interface instead: no socket
// or bit-rate file, the bus joined to it through KernelCanBridge.
//
// Threads: one accept thread and one thread per client for each interface, each bus's thread,
// and one thread that follows the bit-rate files (inotify) and runs automatic restarts. Every
// public function may be called from any thread once Start returned (AddInterface before).
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "sim/dir_watch.h"
#include "sim/fault_injector.h"
#include "sim/virtual_bus.h"

namespace norvane::sim {

/// Where norvane-sim serves the interfaces unless told otherwise.
std::string DefaultSocketCanDir();

/// What happened on one interface since Start (a client frame or a bus frame counts once,
/// however many clients it went to).
struct SocketCanCounters {
    uint64_t toBus = 0;           ///< client frames put on the bus
    uint64_t toClients = 0;       ///< bus frames handed to the clients
    uint64_t lostDown = 0;        ///< frames either way while the interface was down
    uint64_t lostWrongRate = 0;   ///< frames either way while its rate differed from the bus's
    uint64_t lostBusOff = 0;      ///< frames either way while it was bus-off
    uint64_t lostFault = 0;       ///< bus frames dropped by an armed fault (silent, drop)
    uint64_t refused = 0;         ///< client messages that were no frame (size, length code, error flag)
    uint64_t clientOverruns = 0;  ///< frames a client missed because it did not read
    uint64_t busOffs = 0;
    uint64_t restarts = 0;
    size_t clients = 0;  ///< connected now
};

class SocketCanServer {
public:
    explicit SocketCanServer(std::string dir);
    ~SocketCanServer();
    SocketCanServer(const SocketCanServer&) = delete;
    SocketCanServer& operator=(const SocketCanServer&) = delete;

    /// Before Start: interface name on a bus of its own (bus.bitRate is the bus's bit rate).
    /// restartMs: automatic restart after bus-off (0: none). bridge: join the bus to the kernel's
    /// interface of that name instead of serving a stand-in. Returns the bus, for nodes.
    VirtualBus& AddInterface(const std::string& name, const BusOptions& bus, uint32_t restartMs, bool bridge);
    /// Creates the folder when missing, listens at each interface's socket (a stale socket file
    /// is replaced; one in use is not), writes the bit-rate files, opens the bridges and starts
    /// the buses. false with ErrorText when any of it fails.
    bool Start();
    /// Closes every client, removes the sockets and bit-rate files, joins the threads.
    void Stop();

    const std::string& Dir() const { return dir_; }
    const std::string& ErrorText() const { return error_; }
    /// The interfaces' names in the order they were added.
    std::vector<std::string> Names() const;
    bool Has(const std::string& name) const;
    bool Bridged(const std::string& name) const;
    std::string SocketPath(const std::string& name) const { return dir_ + "/" + name; }
    std::string BitRatePath(const std::string& name) const { return dir_ + "/" + name + ".bitrate"; }
    VirtualBus& Bus(const std::string& name);
    SocketCanCounters Counters(const std::string& name) const;
    bool BusOff(const std::string& name) const;

    // Faults.
    /// The interface goes bus-off (its clients get the error frame); false when there is no such
    /// stand-in interface or it is down or bus-off already.
    bool ForceBusOff(const std::string& name);
    /// Silence and dropped frames towards the clients (or the bridged interface).
    FaultInjector& Faults(const std::string& name);
    /// A frame arrives from the interface's bus as if another participant sent it (any format).
    void InjectFromBus(const std::string& name, const CanFrame& frame);

private:
    struct Interface;

    Interface& At(const std::string& name) const;
    void Serve(Interface& i, int fd);
    void FromBus(Interface& i, const CanFrame& frame);
    /// Takes the bit-rate files' changes into the interfaces' state (any thread).
    void FollowFiles();
    void Watch();
    /// With i.mutex held: the message to every client but except.
    void ToClients(Interface& i, const uint8_t* record, int except);

    const std::string dir_;
    std::string error_;
    std::vector<std::unique_ptr<Interface>> interfaces_;
    std::mutex watchMutex_;  ///< serialises FollowFiles
    DirWatch watch_;
    int wakePipe_[2] = {-1, -1};
    std::thread watcher_;
    bool started_ = false;  ///< owning thread only
    std::atomic<bool> stopping_{false};
};

}  // namespace norvane::sim
