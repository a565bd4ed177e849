#pragma once
// Reading back a traffic log in the candump log format, "(seconds.micros) IFACE ID#DATA".
#include <cstddef>
#include <fstream>
#include <string>
#include <vector>

namespace norvane::testing {

struct CandumpLogLine {
    std::string iface;  ///< "eth-0-tx", ...
    std::string frame;  ///< "ID#DATA"
};

/// The log's lines from line skip on.
inline std::vector<CandumpLogLine> ReadCandumpLog(const std::string& path, size_t skip = 0) {
    std::vector<CandumpLogLine> lines;
    std::ifstream in(path);
    std::string stamp, iface, frame;
    for (size_t i = 0; in >> stamp >> iface >> frame; ++i) {
        if (i >= skip) lines.push_back({iface, frame});
    }
    return lines;
}

inline size_t LineCount(const std::string& path) {
    std::ifstream in(path);
    size_t n = 0;
    for (std::string line; std::getline(in, line);) ++n;
    return n;
}

}  // namespace norvane::testing
