// Acknowledged SetSPD requests per second on a PCI gateway channel at 1 Mbit/s, with no send
// pause, over two Halbox backends: a simulated card (SJA1000 registers over norvane-sim's card
// socket, HALBOX_SIM) and a SocketCAN interface (norvane-sim's stand-in interface over its
// seqpacket socket, HALBOX_SOCKETCAN_SIM). Each through the PCI gateway (the exports, the
// generic port, libHalbox.so loaded by name) and from a raw client of the same library on the
// same channel (one request frame out, its answer back).
//
// Each acknowledged set puts two extended frames on the bus, a request and its answer. Reported:
// sets per second; bus_limit, the sets per second the bus itself allows, from the bit times of
// the frames that crossed it (a SetSPD request and its answer carry 4 data bytes, 99 bit times
// each in the simulator's model, which counts no stuff bits: 5,050 per second); bus_share, the
// share of that limit reached.
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
#include "sim/simulation.h"

namespace {

namespace sim = norvane::sim;
namespace can = norvane::sdk::can;

constexpr uint32_t kSpd = 7;

/// Card 0 of one backend, controller 5 on channel 0 and controller 6 on channel 1, both buses at
/// 1 Mbit/s with their frame times modelled. Use() points Halbox at it.
class Backend {
public:
    virtual ~Backend() = default;
    virtual bool Started() const = 0;
    virtual void Use() const = 0;
    virtual sim::VirtualBus& Channel0() = 0;
};

class Sja1000Card : public Backend {
public:
    Sja1000Card() : server_("/tmp/norvane-pci-bench-" + std::to_string(getpid()) + ".sock") {
        sim::BusOptions bus;
        bus.bitRate = 1000000;
        bus.modelBusTime = true;
        for (uint8_t channel : {uint8_t{0}, uint8_t{1}}) {
            sim::nodes::NodeConfig config;
            config.id = static_cast<uint8_t>(5 + channel);
            server_.AddChannel(0, channel, bus).AddNode(sim::nodes::MakeNode(config));
        }
        started_ = server_.Start();
    }
    bool Started() const override { return started_; }
    void Use() const override { setenv("HALBOX_SIM", server_.SocketPath().c_str(), 1); }
    sim::VirtualBus& Channel0() override { return server_.Bus(0, 0); }

private:
    sim::PciCardServer server_;
    bool started_ = false;
};

class SocketCanInterfaces : public Backend {
public:
    SocketCanInterfaces() : dir_("/tmp/norvane-socketcan-bench-" + std::to_string(getpid())) {
        sim::SimConfig config;
        std::string error;
        std::vector<std::string> notes;
        sim::ParseSimConfig(
            "socketcan can0 bitrate-code=0 bus-time\nnode controller 5\n"
            "socketcan can1 bitrate-code=0 bus-time\nnode controller 6\n",
            config, error);
        config.socketcanDir = dir_;
        started_ = simulation_.Start(config, error, notes);
    }
    bool Started() const override { return started_; }
    void Use() const override {
        unsetenv("HALBOX_SIM");  // it would choose the simulated cards
        setenv("HALBOX_SOCKETCAN_SIM", dir_.c_str(), 1);
        setenv("HALBOX_SOCKETCAN", "can0,can1", 1);
    }
    sim::VirtualBus& Channel0() override { return simulation_.SocketCans()->Bus("can0"); }

private:
    const std::string dir_;
    sim::Simulation simulation_;
    bool started_ = false;
};

enum Kind : int64_t { kSja1000 = 0, kSocketCan = 1 };

Backend& TheBackend(int64_t kind) {
    // Both live until the process ends, with the SDK's threads.
    static Backend* card = new Sja1000Card();
    static Backend* interfaces = new SocketCanInterfaces();
    Backend& backend = kind == kSocketCan ? *interfaces : *card;
    backend.Use();
    setenv("NORVANE_SEND_PAUSE_MS", "0", 1);
    return backend;
}

void Report(benchmark::State& state, int64_t sets, int64_t failed, sim::VirtualBus& bus) {
    uint64_t bits = 0, frames = 0;
    for (const sim::TrafficEntry& entry : bus.Traffic()) {
        bits += sim::ExtendedFrameBits(entry.frame.length);
        ++frames;
    }
    const double pairBits = frames >= 2 ? 2.0 * static_cast<double>(bits) / static_cast<double>(frames)
                                        : 2.0 * sim::ExtendedFrameBits(4);
    const double limit = bus.Options().bitRate / pairBits;
    state.SetItemsProcessed(sets);
    state.counters["sets_per_s"] = benchmark::Counter(static_cast<double>(sets), benchmark::Counter::kIsRate);
    state.counters["bus_limit"] = limit;
    state.counters["bus_share"] =
        benchmark::Counter(static_cast<double>(sets) / limit, benchmark::Counter::kIsRate);
    // Sets that got no answer in time (the machine's other work can starve a thread that long).
    state.counters["failed"] = static_cast<double>(failed);
}

void SetSpdThroughPciGateway(benchmark::State& state) {
    Backend& backend = TheBackend(state.range(0));
    if (!backend.Started()) return state.SkipWithError("the simulated channel did not start");
    uint32_t ids[126] = {};
    if (SearchDevice(8, nullptr) < 1 || OpenGateway(0x800, ids, 126, nullptr) != 1)
        return state.SkipWithError("PCI channel did not open");
    backend.Channel0().ClearTraffic();
    int32_t speed = 0;
    KymReply reply{};
    int64_t sets = 0, failed = 0;
    for (auto _ : state) {
        ++speed;
        ++(SingleCommandSet(0x800, 5, kSpd, 0, &speed, 1, &reply) == 1 ? sets : failed);
    }
    CloseGateway(0x800);
    Report(state, sets, failed, backend.Channel0());
}

void SetSpdRawHalbox(benchmark::State& state) {
    Backend& backend = TheBackend(state.range(0));
    if (!backend.Started()) return state.SkipWithError("the simulated channel did not start");
    const auto halbox = can::BindHalbox();
    if (!halbox || halbox->openDevice(0) != 1) return state.SkipWithError("libHalbox.so or card 0 missing");
    MarlixInitConfig config{};
    config.acceptanceMask = 0xFFFFFFFFu;
    config.busTiming1 = 0x14;  // 1 Mbit/s
    // The card is closed again on every way out, so that the next run (of either backend) opens it anew.
    struct CloseCard {
        const can::HalboxEntries& api;
        ~CloseCard() {
            api.resetCan(0, 0);
            api.closeDevice(0);
        }
    } closeCard{*halbox};
    if (halbox->initCan(0, 0, &config) != 1) return state.SkipWithError("channel 0 did not start");
    halbox->clearBuffer(0, 0);
    backend.Channel0().ClearTraffic();
    const uint8_t controlWord = 0x80 | kSpd;
    int32_t speed = 0;
    int64_t sets = 0, failed = 0;
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
            if (n <= 0) break;
            for (int32_t i = 0; i < n; ++i) {
                const auto got = can::DecodeSecondGenId(answers[i].identifier);
                answered = answered || (got.node == 5 && got.controlWord == controlWord);
            }
        }
        ++(answered ? sets : failed);
    }
    Report(state, sets, failed, backend.Channel0());
}

BENCHMARK(SetSpdThroughPciGateway)
    ->ArgName("socketcan")
    ->Arg(kSja1000)
    ->Arg(kSocketCan)
    ->UseRealTime()
    ->MinTime(2.0);
BENCHMARK(SetSpdRawHalbox)->ArgName("socketcan")->Arg(kSja1000)->Arg(kSocketCan)->UseRealTime()->MinTime(2.0);

}  // namespace

BENCHMARK_MAIN();
