// Traffic recording and send pacing, measured on acknowledged SetSPD requests through one
// Ethernet port to a simulated gateway whose bus models frame times at 1 Mbit/s:
// - pause 2 ms (the default) against 0, recording off: the pause caps a port at 500 per
//   second; without it the bus sets the limit (reported as bus_limit, request/answer pairs per
//   second from the bit times of the frames that crossed the bus, and bus_share, the share of
//   it reached);
// - recording on against off, at pause 0, where the recording's share is largest;
// - pause 0 with an answer spin of 100 us (the requester watches for its answer instead of
//   sleeping around the time it is due), against none;
// - the cost of recording one received frame (what the receive thread pays) with recording
//   off, with a file, and with a writer stalled on a FIFO nobody reads, where lines are dropped
//   and counted instead of waited for.
#include <arpa/inet.h>
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <memory>
#include <string>

#include "sdk/core/sdk_settings.h"
#include "sdk/core/traffic_recorder.h"
#include "sdk/ethernet/socket_client.h"
#include "sim/ethernet_gateway.h"
#include "sim/nodes/node_factory.h"
#include "sim/virtual_bus.h"

namespace {

using norvane::sdk::TrafficDirection;
using norvane::sdk::TrafficRecorder;

constexpr uint8_t kNode = 5;
constexpr uint8_t kSpdWithAnswer = 0x87;
const std::string kAddress = "127.0.43.1";

std::string TempPath(const char* name) {
    return "/tmp/norvane-bench-" + std::string(name) + "-" + std::to_string(getpid());
}

norvane::sim::EthernetGateway& Gateway() {
    static auto gateway = [] {
        norvane::sim::EthernetGatewayOptions options;
        options.address = kAddress;
        options.port = static_cast<uint16_t>(GetEthernetServerPort());
        options.bitRateCode = 0;
        options.bus.bitRate = 1000000;
        options.bus.modelBusTime = true;
        auto g = std::make_unique<norvane::sim::EthernetGateway>(options);
        norvane::sim::nodes::NodeConfig config;
        config.id = kNode;
        g->Bus().AddNode(norvane::sim::nodes::MakeNode(config));
        g->Start();
        return g;
    }();
    return *gateway;
}

void AcknowledgedSet(benchmark::State& state) {
    const auto pauseMs = static_cast<uint32_t>(state.range(0));
    const bool recording = state.range(1) != 0;
    norvane::sdk::SetAnswerSpinUs(static_cast<uint32_t>(state.range(2)));
    Gateway();
    norvane::sdk::SendPauses pauses;
    pauses.all = pauseMs;
    norvane::sdk::SetSendPauses(pauses);
    const std::string log = TempPath("acked");
    TrafficRecorder::Global().Configure(recording ? log : "");
    in_addr a{};
    inet_pton(AF_INET, kAddress.c_str(), &a);
    norvane::sdk::CNvSocketClient port(ntohl(a.s_addr));
    port.legacyProtocol = 0;
    port.portIndex = 1;
    port.Connect();
    port.StartReceiver(port.Handle());
    int32_t value = 1000;
    int failures = 0;
    norvane::sim::VirtualBus& bus = Gateway().Bus();
    bus.ClearTraffic();
    const auto start = std::chrono::steady_clock::now();
    for (auto _ : state) {
        KymReply reply{};
        if (port.SetCommand(port.Handle(), kNode, kSpdWithAnswer, 0, &value, &reply) != 1) ++failures;
    }
    const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
    port.Disconnect(port.Handle());
    port.StopThreads();
    norvane::sdk::SetAnswerSpinUs(0);
    TrafficRecorder::Global().Flush(5000);
    TrafficRecorder::Global().Configure("");
    unlink(log.c_str());
    state.SetItemsProcessed(state.iterations());
    state.counters["failures"] = failures;
    // The bus's own limit: request/answer pairs per second when the bus carries nothing else,
    // from the bit times the bus model gave the frames that crossed it (requests and answers,
    // counted in the same model: no stuff bits).
    uint64_t bits = 0, frames = 0;
    for (const norvane::sim::TrafficEntry& entry : bus.Traffic()) {
        bits += norvane::sim::ExtendedFrameBits(entry.frame.length);
        ++frames;
    }
    const double pairBits = frames >= 2 ? 2.0 * static_cast<double>(bits) / static_cast<double>(frames)
                                        : 2.0 * norvane::sim::ExtendedFrameBits(4);
    const double limit = bus.Options().bitRate / pairBits;
    state.counters["bus_limit"] = limit;
    state.counters["pair_bits"] = pairBits;
    // Share of the limit reached: acknowledged requests per second over the limit.
    state.counters["bus_share"] = static_cast<double>(state.iterations()) / elapsed.count() / limit;
}
BENCHMARK(AcknowledgedSet)
    ->ArgNames({"pause_ms", "recording", "spin_us"})
    ->Args({2, 0, 0})
    ->Args({0, 0, 0})
    ->Args({0, 1, 0})
    ->Args({2, 1, 0})
    ->Args({0, 0, 100})
    ->Args({0, 0, 150})
    ->Args({0, 1, 150})
    ->UseRealTime()
    ->MinTime(2.0);

// 0 off, 1 a file, 2 a FIFO nobody reads (the writer stalls in open; the queue fills, then drops).
void RecordReceivedFrame(benchmark::State& state) {
    const int mode = static_cast<int>(state.range(0));
    const std::string path = TempPath(mode == 2 ? "fifo" : "file");
    if (mode == 2) mkfifo(path.c_str(), 0600);
    TrafficRecorder& recorder = TrafficRecorder::Global();
    recorder.Configure(mode == 0 ? "" : path);
    const uint64_t droppedBefore = recorder.Dropped();
    KymCanMsg message{};
    message.node = kNode;
    message.controlWord = kSpdWithAnswer;
    message.length = 4;
    for (auto _ : state) {
        norvane::sdk::RecordTraffic(0x1001, TrafficDirection::Received, false, message);
    }
    state.counters["dropped"] = static_cast<double>(recorder.Dropped() - droppedBefore);
    if (mode == 2) {
        // Let the stalled writer finish: read the FIFO until the recorder closes it.
        const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK);
        char buffer[65536];
        while (!recorder.Flush(10)) (void)!read(fd, buffer, sizeof buffer);
        recorder.Configure("");
        close(fd);
    } else {
        recorder.Configure("");
    }
    unlink(path.c_str());
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(RecordReceivedFrame)->ArgName("mode")->Arg(0)->Arg(1)->Arg(2);

}  // namespace

BENCHMARK_MAIN();
