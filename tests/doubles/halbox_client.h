#pragma once
// What Halbox tests do as a client of the exports, whatever backs the card: build frame records,
// take frames out of a channel's ring, count Halbox's threads.
#include <dirent.h>

#include <cstdint>
#include <fstream>
#include <initializer_list>
#include <string>
#include <vector>

#include "halbox/Halbox.h"

namespace norvane::testing {

/// A frame record with the given flags and data bytes (send type 0).
inline MarlixFrame HalboxFrame(uint32_t id, bool extended, bool remote,
                               std::initializer_list<uint8_t> data = {}) {
    MarlixFrame f{};
    f.identifier = id;
    f.extended = extended;
    f.remote = remote;
    for (uint8_t b : data) f.data[f.length++] = b;
    return f;
}

/// Receives from card device's channel until want frames came or waitMs passed without any.
inline std::vector<MarlixFrame> ReceiveUpTo(uint32_t device, uint32_t channel, size_t want, uint32_t waitMs) {
    std::vector<MarlixFrame> got;
    MarlixFrame buffer[256];
    while (got.size() < want) {
        const int32_t n = Marlix_Receive(device, channel, buffer, 256, waitMs);
        if (n <= 0) break;
        got.insert(got.end(), buffer, buffer + n);
    }
    return got;
}

/// Threads of this process whose name starts with prefix (Halbox names its threads halbox-...).
inline int ThreadsNamed(const std::string& prefix) {
    int n = 0;
    DIR* dir = opendir("/proc/self/task");
    while (dirent* e = dir ? readdir(dir) : nullptr) {
        std::ifstream comm(std::string("/proc/self/task/") + e->d_name + "/comm");
        std::string name;
        if (std::getline(comm, name) && name.rfind(prefix, 0) == 0) ++n;
    }
    if (dir) closedir(dir);
    return n;
}

}  // namespace norvane::testing
