#pragma once
// A pseudo-terminal pair for tests: the master side plays the device, the slave path is what
// the code under test opens.
#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <string>

namespace norvane::testing {

struct PtyPair {
    int master = -1;
    std::string slavePath;

    PtyPair() {
        master = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
        if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0) return;
        if (const char* name = ptsname(master)) slavePath = name;
    }
    ~PtyPair() { CloseMaster(); }
    PtyPair(const PtyPair&) = delete;
    PtyPair& operator=(const PtyPair&) = delete;

    void CloseMaster() {
        if (master >= 0) close(master);
        master = -1;
    }
};

}  // namespace norvane::testing
