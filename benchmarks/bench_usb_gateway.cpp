// Acknowledged SetSPD requests per second through a simulated USB-CAN adapter at 1 Mbit/s:
// through the USB gateway (the exports, the generic port, libusb-sim.so loaded by name through
// NORVANE_LIBUSB), and from a raw client of the same simulated adapter speaking the bulk
// commands itself (send the frame, ask the pending count until the answer waits, fetch it).
//
// Each acknowledged set puts two extended frames on the bus; at 1 Mbit/s about 3,800 sets per
// second is the bus's ceiling. Reported: sets per second, the share of the bus they use, and
// bulk exchanges per set (each a write and a read under the adapter lock; through the gateway
// this includes the receive thread's polling).
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <memory>

#include "norvane/NorvaneFunc.h"
#include "sdk/can/can_identifier.h"
#include "sdk/can/can_wire_format.h"
#include "sdk/can/usb_adapters.h"
#include "sdk/core/codec/codec.h"
#include "sim/nodes/node_factory.h"
#include "sim/usb_adapter_server.h"

namespace {

namespace sim = norvane::sim;
namespace can = norvane::sdk::can;

constexpr double kBusFramesPerSecond = 7600;
constexpr uint32_t kSpd = 7;
constexpr uint8_t kBusCode = 2;

// Adapter 0 with controller 5 (for the gateway) and adapter 1 with controller 6 (raw client).
struct Adapters {
    Adapters() : server("/tmp/norvane-usb-bench-" + std::to_string(getpid()) + ".sock") {
        sim::BusOptions bus;
        bus.bitRate = 1000000;
        bus.modelBusTime = true;
        for (uint8_t index : {uint8_t{0}, uint8_t{1}}) {
            sim::nodes::NodeConfig config;
            config.id = static_cast<uint8_t>(5 + index);
            server.AddAdapter(index, kBusCode, bus).AddNode(sim::nodes::MakeNode(config));
        }
        started = server.Start();
        setenv("NORVANE_USB_SIM", server.SocketPath().c_str(), 1);
        const auto beside = std::filesystem::read_symlink("/proc/self/exe").parent_path() / "libusb-sim.so";
        setenv("NORVANE_LIBUSB", beside.c_str(), 1);
    }
    sim::UsbAdapterServer server;
    bool started = false;
};

Adapters& TheAdapters() {
    static Adapters* adapters = new Adapters();  // lives until the process ends, with the SDK's threads
    return *adapters;
}

void Report(benchmark::State& state, int64_t sets, uint64_t exchanges) {
    state.SetItemsProcessed(sets);
    state.counters["sets_per_s"] = benchmark::Counter(static_cast<double>(sets), benchmark::Counter::kIsRate);
    state.counters["bus_share"] = benchmark::Counter(2.0 * static_cast<double>(sets) / kBusFramesPerSecond,
                                                     benchmark::Counter::kIsRate);
    state.counters["exchanges_per_set"] =
        sets > 0 ? static_cast<double>(exchanges) / static_cast<double>(sets) : 0.0;
}

void SetSpdThroughUsbGateway(benchmark::State& state) {
    if (!TheAdapters().started) return state.SkipWithError("adapters did not start");
    uint32_t ids[126] = {};
    if (SearchDevice(4, nullptr) < 1 || OpenGateway(0x400, ids, 126, nullptr) != 1)
        return state.SkipWithError("USB adapter did not open");
    can::UsbAdapters& adapters = *can::SharedAdapters();
    int32_t speed = 0;
    KymReply reply{};
    int64_t sets = 0;
    const uint64_t before = adapters.exchanges.load();
    for (auto _ : state) {
        ++speed;
        if (SingleCommandSet(0x400, 5, kSpd, 0, &speed, 1, &reply) != 1)
            return state.SkipWithError("set failed");
        ++sets;
    }
    const uint64_t exchanges = adapters.exchanges.load() - before;
    CloseGateway(0x400);
    Report(state, sets, exchanges);
}

void SetSpdRawAdapter(benchmark::State& state) {
    if (!TheAdapters().started) return state.SkipWithError("adapters did not start");
    can::UsbAdapters& adapters = *can::SharedAdapters();
    can::UsbOpening opening = can::kAnyOpening;
    if (!adapters.Bound() || adapters.OpenDevice(1, opening) != 1 ||
        adapters.SetCanBaudRate(1, kBusCode) != 1)
        return state.SkipWithError("libusb-sim.so or adapter 1 missing");
    const uint8_t controlWord = 0x80 | kSpd;
    int32_t speed = 0;
    int64_t sets = 0;
    KymCanFrame answers[can::usb::kReceiveMax];
    const uint64_t before = adapters.exchanges.load();
    for (auto _ : state) {
        ++speed;
        KymCanMsg message{};
        norvane::sdk::PackSecondGen(6, controlWord, 0, &speed, &message);
        if (adapters.Transmit(1, can::RequestFrame(can::SecondGenRequestId(6, controlWord), message)) != 1)
            return state.SkipWithError("transmit failed");
        bool answered = false;
        for (int polls = 0; !answered; ++polls) {
            if (polls > 100000) return state.SkipWithError("no answer");
            const int n = adapters.Receive(1, answers, can::usb::kReceiveMax);
            for (int i = 0; i < n; ++i) {
                const auto got = can::DecodeSecondGenId(answers[i].identifier);
                answered = answered || (got.node == 6 && got.controlWord == controlWord);
            }
        }
        ++sets;
    }
    const uint64_t exchanges = adapters.exchanges.load() - before;
    adapters.CloseDevice(1, opening);
    Report(state, sets, exchanges);
}

BENCHMARK(SetSpdThroughUsbGateway)->UseRealTime()->MinTime(2.0);
BENCHMARK(SetSpdRawAdapter)->UseRealTime()->MinTime(2.0);

}  // namespace

BENCHMARK_MAIN();
