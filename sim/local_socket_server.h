#pragma once
// The listening side of the simulator's device servers (PCI cards, USB adapters, SocketCAN
// interfaces): a local (Unix-domain) stream or seqpacket socket whose connections are each
// served on a thread of their own.
//
// Threads: one accept thread, and one thread per connection that runs the server's serve(fd)
// and then closes fd. Listen, Accept and Stop from the owning thread; Running from any.
#include <sys/socket.h>

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace norvane::sim {

class LocalSocketServer {
public:
    /// type: SOCK_STREAM or SOCK_SEQPACKET.
    explicit LocalSocketServer(std::string path, int type = SOCK_STREAM)
        : path_(std::move(path)), type_(type) {}
    ~LocalSocketServer() { Stop(); }
    LocalSocketServer(const LocalSocketServer&) = delete;
    LocalSocketServer& operator=(const LocalSocketServer&) = delete;

    /// Listens at the path (a stale socket file is replaced; one in use is not). false with error
    /// naming what is served ("PCI", "USB") when it cannot.
    bool Listen(const std::string& what, std::string& error);
    /// After Listen: accepts connections and runs serve(fd) for each on its own thread.
    void Accept(std::function<void(int fd)> serve);
    /// Stops accepting, removes the socket file, shuts every connection down, calls wake (for
    /// serves that wait on something else than their socket) and joins them. false when it was
    /// not running.
    bool Stop(const std::function<void()>& wake = {});

    bool Running() const { return running_; }
    const std::string& Path() const { return path_; }

private:
    struct Connection {
        std::thread thread;
        std::shared_ptr<std::atomic<bool>> done;
    };
    void AcceptLoop();

    const std::string path_;
    const int type_;
    int listenFd_ = -1;
    int wakePipe_[2] = {-1, -1};
    std::atomic<bool> running_{false};
    std::function<void(int)> serve_;
    std::thread acceptThread_;
    std::mutex connectionsMutex_;  ///< guards connections_ and fds_
    std::vector<Connection> connections_;
    std::vector<int> fds_;
};

}  // namespace norvane::sim
