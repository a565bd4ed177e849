// Acknowledged SetSPD requests per second on a simulated PCI card channel at 1 Mbit/s: through
// the PCI gateway (the exports, the generic port, libHalbox.so loaded by name), and from a raw
// client of the same library on the same channel (one request frame out, its answer back).
//
// Each acknowledged set puts two extended frames on the bus (request and answer); the bus
// carries about 7,600 extended 8-byte frames per second at 1 Mbit/s, so about 3,800 sets per
// second is the ceiling. Reported: sets per second and the share of the bus they use.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdlib>
#include <memory>

#include "norvane/NorvaneFunc.h"
#include "sdk/can/can_identifier.h"
#include "sdk/can/can_wire_format.h"
#include "sdk/can/halbox_link.h"
#include "sdk/core/codec/codec.h"
#include "sim/nodes/node_factory.h"
#include "sim/pci_card_server.h"

namespace {

namespace sim = norvane::sim;
namespace can = norvane::sdk::can;

constexpr double kBusFramesPerSecond = 7600;
constexpr uint32_t kSpd = 7;

// One card with controller 5 on channel 0 and controller 6 on channel 1, both at 1 Mbit/s.
struct Card {
    Card() : server("/tmp/norvane-pci-bench-" + std::to_string(getpid()) + ".sock") {
        sim::BusOptions bus;
        bus.bitRate = 1000000;
        bus.modelBusTime = true;
        for (uint8_t channel : {uint8_t{0}, uint8_t{1}}) {
            sim::nodes::NodeConfig config;
            config.id = static_cast<uint8_t>(5 + channel);
            server.AddChannel(0, channel, bus).AddNode(sim::nodes::MakeNode(config));
        }
        started = server.Start();
        setenv("HALBOX_SIM", server.SocketPath().c_str(), 1);
    }
    sim::PciCardServer server;
    bool started = false;
};

Card& TheCard() {
    static Card* card = new Card();  // lives until the process ends, with the SDK's threads
    return *card;
}

void Report(benchmark::State& state, int64_t sets) {
    state.SetItemsProcessed(sets);
    state.counters["sets_per_s"] = benchmark::Counter(static_cast<double>(sets), benchmark::Counter::kIsRate);
    state.counters["bus_share"] = benchmark::Counter(2.0 * static_cast<double>(sets) / kBusFramesPerSecond,
                                                     benchmark::Counter::kIsRate);
}

void SetSpdThroughPciGateway(benchmark::State& state) {
    if (!TheCard().started) return state.SkipWithError("card did not start");
    uint32_t ids[126] = {};
    if (SearchDevice(8, nullptr) < 1 || OpenGateway(0x800, ids, 126, nullptr) != 1)
        return state.SkipWithError("PCI channel did not open");
    int32_t speed = 0;
    KymReply reply{};
    int64_t sets = 0;
    for (auto _ : state) {
        ++speed;
        if (SingleCommandSet(0x800, 5, kSpd, 0, &speed, 1, &reply) != 1)
            return state.SkipWithError("set failed");
        ++sets;
    }
    CloseGateway(0x800);
    Report(state, sets);
}

void SetSpdRawHalbox(benchmark::State& state) {
    if (!TheCard().started) return state.SkipWithError("card did not start");
    const auto halbox = can::BindHalbox();
    if (!halbox || halbox->openDevice(0) != 1) return state.SkipWithError("libHalbox.so or card 0 missing");
    MarlixInitConfig config{};
    config.acceptanceMask = 0xFFFFFFFFu;
    config.busTiming1 = 0x14;  // 1 Mbit/s
    if (halbox->initCan(0, 0, &config) != 1) return state.SkipWithError("channel 0 did not start");
    halbox->clearBuffer(0, 0);
    const uint8_t controlWord = 0x80 | kSpd;
    int32_t speed = 0;
    int64_t sets = 0;
    MarlixFrame answers[16];
    for (auto _ : state) {
        ++speed;
        KymCanMsg message{};
        norvane::sdk::PackSecondGen(5, controlWord, 0, &speed, &message);
        MarlixFrame frame =
            can::ToMarlixFrame(can::RequestFrame(can::SecondGenRequestId(5, controlWord), message));
        if (halbox->transmit(0, 0, &frame) == 0) return state.SkipWithError("transmit failed");
        bool answered = false;
        while (!answered) {
            const int32_t n = halbox->receive(0, 0, answers, 16, 200);
            if (n <= 0) return state.SkipWithError("no answer");
            for (int32_t i = 0; i < n; ++i) {
                const auto got = can::DecodeSecondGenId(answers[i].identifier);
                answered = answered || (got.node == 5 && got.controlWord == controlWord);
            }
        }
        ++sets;
    }
    halbox->resetCan(0, 0);
    Report(state, sets);
}

BENCHMARK(SetSpdThroughPciGateway)->UseRealTime()->MinTime(2.0);
BENCHMARK(SetSpdRawHalbox)->UseRealTime()->MinTime(2.0);

}  // namespace

BENCHMARK_MAIN();
