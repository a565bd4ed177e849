// Halbox draining a simulated SJA1000 channel while a node floods the bus at its limit.
//
// The card runs in-process (PciCardServer, reached over its Unix-domain socket like norvane-sim);
// node 9 sends extended 8-byte frames as fast as the bus carries them (131 bit times each: about
// 7,600 frames per second at 1 Mbit/s, 6,100 at 800 kbit/s, 3,800 at 500 kbit/s). Reported per run: frames
// per second that reached Halbox's ring, frames the controller lost to data overrun (the 64-byte FIFO holds
// four such frames), and register exchanges (and interrupt notifications) per frame.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <vector>

#include "halbox/Halbox.h"
#include "sim/nodes/flood_node.h"
#include "sim/pci_card_server.h"

namespace {

using Clock = std::chrono::steady_clock;
namespace sim = norvane::sim;

/// Bit rates of the bench's bus and the controller's bus timing for them (16 MHz clock).
struct Rate {
    uint32_t bitsPerSecond;
    uint8_t timing0, timing1;
};
constexpr Rate kRates[] = {{1000000, 0x00, 0x14}, {800000, 0x00, 0x16}, {500000, 0x00, 0x1C}};

/// The simulated card on channel 0 (a bus with frame times and flood node 9), Halbox bound to it.
struct Card {
    explicit Card(const Rate& rate = kRates[0])
        : server("/tmp/halbox-bench-" + std::to_string(getpid()) + ".sock") {
        sim::BusOptions bus;
        bus.bitRate = rate.bitsPerSecond;
        bus.modelBusTime = true;
        flood = static_cast<sim::nodes::FloodNode*>(
            server.AddChannel(0, 0, bus).AddNode(std::make_unique<sim::nodes::FloodNode>(9)));
        if (!server.Start()) return;
        setenv("HALBOX_SIM", server.SocketPath().c_str(), 1);
        MarlixInitConfig config{};
        config.acceptanceMask = 0xFFFFFFFFu;
        config.busTiming0 = rate.timing0;
        config.busTiming1 = rate.timing1;
        open = Marlix_OpenDevice(0) == 1 && Marlix_InitCan(0, 0, &config) == 1;
    }
    ~Card() {
        Marlix_CloseDevice(0);
        server.Stop();
    }
    sim::PciCardServer server;
    sim::nodes::FloodNode* flood = nullptr;
    bool open = false;
};

/// Argument: index into kRates. Each run floods one second's worth of frames at the bus limit.
void FloodAtTheBusLimit(benchmark::State& state) {
    const Rate& rate = kRates[state.range(0)];
    const double busLimit = rate.bitsPerSecond / 131.0;  // extended frames with 8 data bytes
    const auto frames = static_cast<uint32_t>(busLimit);
    Card card(rate);
    if (!card.open) {
        state.SkipWithError("card 0 did not open");
        return;
    }
    std::vector<MarlixFrame> buffer(1000);
    uint64_t taken = 0, lost = 0, exchanges = 0, interrupts = 0;
    double seconds = 0;
    for (auto _ : state) {
        const auto before = card.server.ChipCounters(0, 0);
        const uint64_t exchangesBefore = card.server.RegisterExchanges(0);
        const uint64_t interruptsBefore = card.server.InterruptsSent(0);
        const auto start = Clock::now();
        auto last = start;
        card.flood->Start(0x75, frames, 1000);  // the bus, not the node, sets the pace
        uint64_t got = 0;
        for (;;) {
            const int32_t n = Marlix_Receive(0, 0, buffer.data(), static_cast<uint32_t>(buffer.size()), 200);
            if (n > 0) {
                got += static_cast<uint64_t>(n);
                last = Clock::now();
                continue;
            }
            const auto c = card.server.ChipCounters(0, 0);
            if (c.received + c.overruns - before.received - before.overruns >= frames &&
                got >= c.received - before.received)
                break;
        }
        const double elapsed = std::chrono::duration<double>(last - start).count();
        state.SetIterationTime(elapsed);
        taken += got;
        lost += card.server.ChipCounters(0, 0).overruns - before.overruns;
        exchanges += card.server.RegisterExchanges(0) - exchangesBefore;
        interrupts += card.server.InterruptsSent(0) - interruptsBefore;
        seconds += elapsed;
    }
    state.counters["frames_per_s"] = static_cast<double>(taken) / seconds;
    state.counters["bus_limit_per_s"] = busLimit;
    state.counters["lost"] = static_cast<double>(lost);
    state.counters["exchanges_per_frame"] =
        taken ? static_cast<double>(exchanges) / static_cast<double>(taken) : 0;
    state.counters["interrupts_per_frame"] =
        taken ? static_cast<double>(interrupts) / static_cast<double>(taken) : 0;
}

/// One register read through the link: what every register access of Halbox costs.
void RegisterExchange(benchmark::State& state) {
    Card card;
    if (!card.open) {
        state.SkipWithError("card 0 did not open");
        return;
    }
    for (auto _ : state) benchmark::DoNotOptimize(Marlix_CANGetState(0, 0));
    state.counters["exchanges_per_s"] =
        benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}

BENCHMARK(FloodAtTheBusLimit)
    ->DenseRange(0, 2)
    ->Iterations(3)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(RegisterExchange)->Unit(benchmark::kMicrosecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
