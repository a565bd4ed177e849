// Halbox draining a SocketCAN channel while the bus is flooded at its limit.
//
// The interface is the stand-in (HALBOX_SOCKETCAN_SIM), served in-process over its SOCK_SEQPACKET
// socket; a thread sends extended 8-byte frames paced at the bus limit (131 bit times each: 7,634
// frames per second at 1 Mbit/s) while the benchmark takes them out of the ring with
// Marlix_Receive, then as fast as the stand-in sends them. Reported per run: frames per second that reached
// Halbox's ring, the bus limit, and frames lost (sent but never taken, or dropped by the stand-in for lack of
// room).
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <thread>
#include <vector>

#include "halbox/Halbox.h"
#include "tests/doubles/socketcan_stand_in.h"

namespace {

using Clock = std::chrono::steady_clock;
namespace testing = norvane::testing;

constexpr uint32_t kBitRate = 1000000;
constexpr uint32_t kBusLimit = kBitRate / 131;  // extended frames with 8 data bytes

/// can0 up at 1 Mbit/s and Halbox's card 0 channel 0 initialised on it.
struct Channel {
    Channel() : can0(dir.Path(), "can0", kBitRate) {
        unsetenv("HALBOX_SIM");
        setenv("HALBOX_SOCKETCAN", "can0,", 1);
        setenv("HALBOX_SOCKETCAN_SIM", dir.Path().c_str(), 1);
        MarlixInitConfig config{};
        config.acceptanceMask = 0xFFFFFFFFu;
        config.busTiming1 = 0x14;  // 1 Mbit/s at 16 MHz
        open = can0.Started() && Marlix_OpenDevice(0) == 1 && Marlix_InitCan(0, 0, &config) == 1 &&
               can0.WaitConnections(2, 2000) == 2;
    }
    ~Channel() { Marlix_CloseDevice(0); }
    testing::StandInDir dir;
    testing::StandInInterface can0;
    bool open = false;
};

/// Argument: frames per second the stand-in sends (0: as fast as it can, which shows the headroom).
/// Each run floods one second's worth of frames at the bus limit.
void Flood(benchmark::State& state) {
    const auto pace = static_cast<uint32_t>(state.range(0));
    Channel channel;
    if (!channel.open) {
        state.SkipWithError("card 0 did not open");
        return;
    }
    std::vector<MarlixFrame> buffer(1000);
    uint64_t sent = 0, taken = 0;
    double seconds = 0;
    for (auto _ : state) {
        const uint64_t droppedBefore = channel.can0.Dropped();
        const auto start = Clock::now();
        auto last = start;
        std::thread flood([&] {
            channel.can0.Flood(kBusLimit, pace, [](uint32_t i) {
                const auto b = [i](int shift) { return static_cast<uint8_t>(i >> shift); };
                return testing::CanFrame(0x1F000000u | i | CAN_EFF_FLAG, {b(0), b(8), b(16), 1, 2, 3, 4, 5});
            });
        });
        uint64_t got = 0;
        while (got < kBusLimit) {
            const int32_t n = Marlix_Receive(0, 0, buffer.data(), static_cast<uint32_t>(buffer.size()), 200);
            if (n > 0) {
                got += static_cast<uint64_t>(n);
                last = Clock::now();
            } else if (Clock::now() - last > std::chrono::seconds(2)) {
                break;  // the rest is lost
            }
        }
        flood.join();
        const double elapsed = std::chrono::duration<double>(last - start).count();
        state.SetIterationTime(elapsed);
        sent += kBusLimit - (channel.can0.Dropped() - droppedBefore);
        taken += got;
        seconds += elapsed;
        (void)Marlix_ClearBuffer(0, 0);
    }
    state.counters["frames_per_s"] = static_cast<double>(taken) / seconds;
    state.counters["bus_limit_per_s"] = kBusLimit;
    const uint64_t flooded = static_cast<uint64_t>(state.iterations()) * kBusLimit;
    state.counters["lost"] = static_cast<double>(flooded - taken);
    state.counters["stand_in_dropped"] = static_cast<double>(flooded - sent);
}

BENCHMARK(Flood)->Arg(kBusLimit)->Arg(0)->Iterations(3)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
