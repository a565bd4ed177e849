#pragma once
// norvane-sim's control channel: event commands (event_command.h) arrive as lines on a local
// (Unix-domain) stream socket and, when asked, on a pair of descriptors such as standard input and
// output; each line gets its reply lines, the last one "ok" or "error: ...".
//
// Threads: one server thread polls the listening socket, its clients and the stream; Start and Stop
// from one owning thread. Stop wakes the server through a pipe and joins it. The simulation must
// outlive the control (stop the control first).
#include <string>
#include <thread>
#include <vector>

#include "sim/simulation.h"

namespace norvane::sim::events {

class EventControl {
public:
    explicit EventControl(const Simulation& simulation) : simulation_(simulation) {}
    ~EventControl() { Stop(); }
    EventControl(const EventControl&) = delete;
    EventControl& operator=(const EventControl&) = delete;

    /// Listen on a socket at path (an old socket file there is replaced). Before Start.
    bool Listen(const std::string& path, std::string& error);
    /// Also serve lines read from in, replies written to out (e.g. 0 and 1). Before Start.
    void ServeStream(int in, int out);
    bool Start(std::string& error);
    /// Stops and joins the server; closes the clients and removes the socket file.
    void Stop();
    const std::string& SocketPath() const { return path_; }

    /// Longest line accepted; longer ones are answered with an error and skipped.
    static constexpr size_t kMaxLine = 256;

private:
    struct Peer {
        int in = -1, out = -1;
        std::string pending;
        bool overlong = false;
        bool ownsFd = true;
    };
    void Run();
    /// Reads what is there; false when the peer is finished (end of input or error).
    bool Serve(Peer& peer);

    const Simulation& simulation_;
    std::string path_;
    int listen_ = -1;
    int wake_[2] = {-1, -1};
    std::vector<Peer> peers_;  ///< owned by the server thread once started
    std::thread thread_;
};

}  // namespace norvane::sim::events
