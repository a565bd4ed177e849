#pragma once
// Halbox on a pair of stand-in SocketCAN interfaces: can0 and can1 in a fresh directory, joined to
// one bus (what channel 0 sends, channel 1 receives), both up at 500 kbit/s;
// HALBOX_SOCKETCAN_SIM points at them and HALBOX_SIM is unset. Card 0 is can0/can1. Each test runs
// in its own process under ctest; the bench closes every card when it ends.
#include <cstdlib>
#include <fstream>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "doubles/halbox_client.h"
#include "doubles/socketcan_stand_in.h"
#include "halbox/Halbox.h"
#include "platform/trace.h"

namespace norvane::halbox::test {

/// Bus timing 0x00/0x1C (500 kbit/s), accept everything, normal mode.
inline MarlixInitConfig FiveHundredKilobit() {
    MarlixInitConfig c{};
    c.acceptanceMask = 0xFFFFFFFFu;
    c.busTiming1 = 0x1C;
    return c;
}

using testing::ThreadsNamed;

/// Collects the trace lines written while it lives.
class TraceLines {
public:
    TraceLines() {
        platform::SetTraceCapture([this](const std::string& line) {
            std::lock_guard lock(mutex_);
            lines_.push_back(line);
        });
    }
    ~TraceLines() { platform::SetTraceCapture({}); }
    /// How many lines contain text.
    int Containing(const std::string& text) const {
        std::lock_guard lock(mutex_);
        int n = 0;
        for (const std::string& line : lines_) n += line.find(text) != std::string::npos;
        return n;
    }

private:
    mutable std::mutex mutex_;
    std::vector<std::string> lines_;
};

struct SocketCanBench {
    explicit SocketCanBench(uint32_t bitRate = 500000)
        : can0(std::make_unique<testing::StandInInterface>(dir.Path(), "can0", bitRate)),
          can1(std::make_unique<testing::StandInInterface>(dir.Path(), "can1", bitRate)) {
        can0->JoinBus(*can1);
        unsetenv("HALBOX_SIM");
        unsetenv("HALBOX_SOCKETCAN");
        setenv("HALBOX_SOCKETCAN_SIM", dir.Path().c_str(), 1);
    }
    ~SocketCanBench() {
        for (uint32_t d = 0; d < 8; ++d) Marlix_CloseDevice(d);
    }
    bool Started() const { return !dir.Path().empty() && can0->Started() && can1->Started(); }

    /// Opens card 0 and initialises both channels with config.
    bool OpenAndInit(const MarlixInitConfig& config = FiveHundredKilobit()) {
        return Marlix_OpenDevice(0) == 1 && Marlix_InitCan(0, 0, &config) == 1 &&
               Marlix_InitCan(0, 1, &config) == 1 && can0->WaitConnections(2, 2000) == 2 &&
               can1->WaitConnections(2, 2000) == 2;
    }
    /// Receives until want frames came or waitMs passed without any; returns what came.
    std::vector<MarlixFrame> ReceiveUpTo(uint32_t channel, size_t want, uint32_t waitMs = 2000) {
        return testing::ReceiveUpTo(0, channel, want, waitMs);
    }

    testing::StandInDir dir;
    std::unique_ptr<testing::StandInInterface> can0, can1;
};

}  // namespace norvane::halbox::test
