// Acknowledged SetSPD requests per second over a pseudo-terminal at 115200 baud against the
// simulator's RS-232 gateway (second generation, controller 5): through the SDK's exports (the
// RS-232 gateway, the generic port, the serial line), and from a minimal raw client on the
// same kind of line (one command text out, read until its reply frame is complete). Each runs
// with the emulator's line-time model off (argument 0) and on (argument 1).
//
// The line's own limit: every set moves its command text and its reply frame, 10 bit times per
// byte at 115200 baud. Reported: sets per second and the share of that limit they reach.
//
// "bench_serial_gateway commands N" instead sends N acknowledged sets through the exports and
// exits (for counting the SDK's instructions per command under callgrind).
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "norvane/NorvaneFunc.h"
#include "platform/serial_line.h"
#include "sim/nodes/node_factory.h"
#include "sim/reply_frames.h"
#include "sim/rs232_gateway.h"

namespace {

namespace sim = norvane::sim;

constexpr uint32_t kBaud = 115200;
constexpr uint32_t kSpd = 7;
constexpr int kComPlain = 7, kComTimed = 8;

// Emulators as COM7 (line time off) and COM8 (on), both published in the COM-number table.
struct Lines {
    Lines() {
        std::string map;
        for (const int com : {kComPlain, kComTimed}) {
            sim::Rs232GatewayOptions options;
            options.comNumber = com;
            options.baud = kBaud;
            options.modelLineTime = com == kComTimed;
            auto& gateway = com == kComPlain ? plain : timed;
            gateway = std::make_unique<sim::Rs232Gateway>(options);
            sim::nodes::NodeConfig config;
            config.id = 5;
            gateway->Bus().AddNode(sim::nodes::MakeNode(config));
            started = gateway->Start() && started;
            map += "COM" + std::to_string(com) + "=" + gateway->SlavePath() + ";";
        }
        setenv("NORVANE_SERIAL_PORTS", map.c_str(), 1);
    }
    sim::Rs232Gateway& Of(int com) { return com == kComPlain ? *plain : *timed; }
    std::unique_ptr<sim::Rs232Gateway> plain, timed;
    bool started = true;
};

Lines& TheLines() {
    static Lines* lines = new Lines();  // lives until the process ends, with the SDK's threads
    return *lines;
}

std::string SpdText(int32_t speed) {
    return "{ADR=5;}SPD" + std::to_string(speed) + ";";
}

// Bytes one acknowledged set moves on the line: its text and the reply frame of the answer.
double BytesPerSet(int32_t speed) {
    const uint8_t value[4] = {static_cast<uint8_t>(speed), static_cast<uint8_t>(speed >> 8), 0, 0};
    return static_cast<double>(SpdText(speed).size() + sim::EncodeReplyFrame(5, kSpd, value, 4).size());
}

void Report(benchmark::State& state, int64_t sets) {
    const double perSecondAtLimit = kBaud / 10.0 / BytesPerSet(1000);
    state.SetItemsProcessed(sets);
    state.counters["sets_per_s"] = benchmark::Counter(static_cast<double>(sets), benchmark::Counter::kIsRate);
    state.counters["line_share"] =
        benchmark::Counter(static_cast<double>(sets) / perSecondAtLimit, benchmark::Counter::kIsRate);
    state.counters["limit_per_s"] = perSecondAtLimit;
}

uint32_t OpenThroughExports(int com) {
    uint32_t params[10] = {static_cast<uint32_t>(com), kBaud};
    KymDevInfo infos[5] = {};
    if (SearchGateway(1, params, infos, 5) < 1) return 0;
    uint32_t ids[126] = {};
    int32_t rate = 0;
    if (OpenGateway(infos[0].handle, ids, 126, &rate) < 1) return 0;
    return infos[0].handle;
}

void SetSpdThroughSdk(benchmark::State& state) {
    const int com = state.range(0) == 0 ? kComPlain : kComTimed;
    if (!TheLines().started) return state.SkipWithError("no pseudo-terminal");
    const uint32_t handle = OpenThroughExports(com);
    if (handle == 0) return state.SkipWithError("RS-232 gateway did not open");
    int32_t speed = 1000;
    KymReply reply{};
    int64_t sets = 0;
    int64_t mismatches = 0;
    for (auto _ : state) {
        speed = speed == 1999 ? 1000 : speed + 1;
        if (SingleCommandSet(handle, 5, kSpd, 0, &speed, 1, &reply) != 1)
            return state.SkipWithError("set failed");
        if (reply.field[0] != speed) ++mismatches;  // an answer that is not this set's
        ++sets;
    }
    CloseGateway(handle);
    Report(state, sets);
    state.counters["mismatches"] = static_cast<double>(mismatches);
}

// Reads until a reply frame's end marker (0xFE or 0xFF) arrives.
bool ReadReply(norvane::platform::SerialLine& line) {
    uint8_t buffer[64];
    for (int reads = 0; reads < 20; ++reads) {
        const int n = line.Read(buffer, sizeof buffer, 200);
        if (n <= 0) return false;
        for (int i = 0; i < n; ++i)
            if (buffer[i] >= 0xFE) return true;
    }
    return false;
}

void SetSpdRawClient(benchmark::State& state) {
    const int com = state.range(0) == 0 ? kComPlain : kComTimed;
    if (!TheLines().started) return state.SkipWithError("no pseudo-terminal");
    norvane::platform::SerialLine line;
    if (!line.Open(TheLines().Of(com).SlavePath(), kBaud)) return state.SkipWithError("line did not open");
    int32_t speed = 1000;
    int64_t sets = 0;
    for (auto _ : state) {
        speed = speed == 1999 ? 1000 : speed + 1;
        const std::string text = SpdText(speed);
        if (line.Write(reinterpret_cast<const uint8_t*>(text.data()), text.size()) !=
                static_cast<int>(text.size()) ||
            !ReadReply(line))
            return state.SkipWithError("no answer");
        ++sets;
    }
    line.Close();
    Report(state, sets);
}

BENCHMARK(SetSpdThroughSdk)->Arg(0)->Arg(1)->UseRealTime()->MinTime(2.0);
BENCHMARK(SetSpdRawClient)->Arg(0)->Arg(1)->UseRealTime()->MinTime(2.0);

int RunCommands(int count) {
    if (!TheLines().started) return 1;
    const uint32_t handle = OpenThroughExports(kComPlain);
    if (handle == 0) return 1;
    KymReply reply{};
    int failed = 0;
    for (int32_t i = 0; i < count; ++i) {
        int32_t speed = 1000 + i % 1000;
        if (SingleCommandSet(handle, 5, kSpd, 0, &speed, 1, &reply) != 1) ++failed;
    }
    CloseGateway(handle);
    std::printf("%d commands, %d failed\n", count, failed);
    return failed == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], "commands") == 0) return RunCommands(std::atoi(argv[2]));
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
