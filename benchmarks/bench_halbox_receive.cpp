// Halbox draining a simulated SJA1000 channel while a node floods the bus at its limit.
//
// The card runs in-process (PciCardServer, reached over its Unix-domain socket like norvane-sim);
// node 9 sends extended 8-byte frames as fast as a 1 Mbit/s bus carries them (131 bit times
// each, about 7,600 frames per second). Reported per run: frames per second that reached
// Halbox's ring, frames the controller lost to data overrun (the 64-byte FIFO holds four such
// frames), and register exchanges (and interrupt notifications) per frame.
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

void FloodAtTheBusLimit(benchmark::State& state) {
    const auto frames = static_cast<uint32_t>(state.range(0));
    sim::PciCardServer server("/tmp/halbox-bench-" + std::to_string(getpid()) + ".sock");
    sim::BusOptions bus;
    bus.bitRate = 1000000;
    bus.modelBusTime = true;
    auto* flood = static_cast<sim::nodes::FloodNode*>(
        server.AddChannel(0, 0, bus).AddNode(std::make_unique<sim::nodes::FloodNode>(9)));
    if (!server.Start()) {
        state.SkipWithError(server.ErrorText().c_str());
        return;
    }
    setenv("HALBOX_SIM", server.SocketPath().c_str(), 1);
    MarlixInitConfig config{};
    config.acceptanceMask = 0xFFFFFFFFu;
    config.busTiming1 = 0x14;  // 1 Mbit/s
    if (Marlix_OpenDevice(0) != 1 || Marlix_InitCan(0, 0, &config) != 1) {
        state.SkipWithError("card 0 did not open");
        return;
    }
    std::vector<MarlixFrame> buffer(1000);
    uint64_t taken = 0, lost = 0, exchanges = 0, interrupts = 0;
    double seconds = 0;
    for (auto _ : state) {
        const auto before = server.ChipCounters(0, 0);
        const uint64_t exchangesBefore = server.RegisterExchanges(0);
        const uint64_t interruptsBefore = server.InterruptsSent(0);
        const auto start = Clock::now();
        flood->Start(0x75, frames, 1000);  // the bus, not the node, sets the pace
        uint64_t got = 0;
        while (true) {
            const int32_t n = Marlix_Receive(0, 0, buffer.data(), static_cast<uint32_t>(buffer.size()), 200);
            if (n > 0) {
                got += static_cast<uint64_t>(n);
                continue;
            }
            const auto c = server.ChipCounters(0, 0);
            if (c.received + c.overruns - before.received - before.overruns >= frames &&
                got >= c.received - before.received)
                break;
        }
        const double elapsed = std::chrono::duration<double>(Clock::now() - start).count();
        state.SetIterationTime(elapsed);
        const auto after = server.ChipCounters(0, 0);
        taken += got;
        lost += after.overruns - before.overruns;
        exchanges += server.RegisterExchanges(0) - exchangesBefore;
        interrupts += server.InterruptsSent(0) - interruptsBefore;
        seconds += elapsed;
    }
    Marlix_CloseDevice(0);
    server.Stop();
    state.counters["frames_per_s"] = taken / seconds;
    state.counters["bus_limit_per_s"] = 1000000.0 / 131;
    state.counters["lost"] = static_cast<double>(lost);
    state.counters["exchanges_per_frame"] = taken ? static_cast<double>(exchanges) / taken : 0;
    state.counters["interrupts_per_frame"] = taken ? static_cast<double>(interrupts) / taken : 0;
}

BENCHMARK(FloodAtTheBusLimit)->Arg(7600)->Iterations(3)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
