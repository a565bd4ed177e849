#pragma once
// Changes to the files of one folder through inotify: a file written and closed, created, moved
// in, removed or moved away. Open and the destructor from the owning thread; Take from one
// thread at a time (callers lock); Fd may be polled from any thread.
#include <string>
#include <vector>

namespace norvane::sim {

class DirWatch {
public:
    DirWatch() = default;
    ~DirWatch();
    DirWatch(const DirWatch&) = delete;
    DirWatch& operator=(const DirWatch&) = delete;

    /// Watches dir. false with error when inotify or the folder is not available.
    bool Open(const std::string& dir, std::string& error);
    /// Stops watching (Open may follow again).
    void Close();
    /// Readable when changes wait (-1 before Open).
    int Fd() const { return fd_; }
    /// The names of the files that changed since the last call, in order (repeats kept); an
    /// empty name when the kernel's queue overflowed and changes were lost. Never blocks.
    std::vector<std::string> Take();

private:
    int fd_ = -1;
};

}  // namespace norvane::sim
