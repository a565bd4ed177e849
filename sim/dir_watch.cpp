#include "sim/dir_watch.h"

#include <sys/inotify.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace norvane::sim {

DirWatch::~DirWatch() {
    Close();
}

void DirWatch::Close() {
    if (fd_ >= 0) close(fd_);
    fd_ = -1;
}

bool DirWatch::Open(const std::string& dir, std::string& error) {
    Close();
    fd_ = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    const uint32_t events = IN_CLOSE_WRITE | IN_CREATE | IN_MOVED_TO | IN_DELETE | IN_MOVED_FROM;
    if (fd_ < 0 || inotify_add_watch(fd_, dir.c_str(), events) < 0) {
        error = "cannot watch " + dir + ": " + std::strerror(errno);
        if (fd_ >= 0) close(fd_);
        fd_ = -1;
        return false;
    }
    return true;
}

std::vector<std::string> DirWatch::Take() {
    std::vector<std::string> names;
    alignas(inotify_event) char buffer[4096];
    for (;;) {
        const ssize_t n = read(fd_, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        for (ssize_t at = 0; at + static_cast<ssize_t>(sizeof(inotify_event)) <= n;) {
            inotify_event event;
            std::memcpy(&event, buffer + at, sizeof event);
            const char* name = buffer + at + sizeof(inotify_event);
            if (event.len > 0) names.emplace_back(name, strnlen(name, event.len));
            // An overflowed queue lost changes: the caller rereads everything it watches.
            if (event.mask & IN_Q_OVERFLOW) names.emplace_back();
            at += static_cast<ssize_t>(sizeof(inotify_event) + event.len);
        }
    }
    return names;
}

}  // namespace norvane::sim
