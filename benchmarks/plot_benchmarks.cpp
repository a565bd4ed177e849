// Kestrin's plot, measured:
// - sampling: 4 controllers x 3 quantities (position, speed, encoder) every 50 ms through the
//   SDK (libNorvaneFunc.so beside the program, bound as Kestrin binds it) over Ethernet to the
//   simulator, at the SDK's default pause; reported as the mean period between rounds (ms), its
//   deviation from 50 ms (%) and the missed and failed samples;
// - redraw: twelve curves each holding ten minutes at 50 ms (12000 points), the whole ten
//   minutes shown, one frame = the chart's update (decimation and line replacement) and its
//   painting into an image of 1000 x 600 (ms per frame, against a budget of 16 ms).
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <chrono>
#include <mutex>
#include <thread>

#include "bench/core/sdk_binding.h"
#include "bench/plot/sampler.h"
#include "bench/widgets/plot_view.h"
#include "platform/paths.h"
#include "sim/simulation.h"

namespace {

using namespace norvane::bench;

void BM_Sampling4x3At50ms(benchmark::State& state) {
    norvane::sim::SimConfig config;
    std::string error;
    norvane::sim::ParseSimConfig(
        "ethernet 127.0.44.1:0\nnode controller 1\nnode controller 2\nnode controller 3\nnode controller 4\n",
        config, error);
    norvane::sim::Simulation simulation;
    std::vector<std::string> notes;
    if (!simulation.Start(config, error, notes)) return state.SkipWithError(error.c_str());
    SdkLibrary sdk;
    if (!sdk.Bind(norvane::platform::ExecutableDirectory() + "/libNorvaneFunc.so").ok)
        return state.SkipWithError("libNorvaneFunc.so did not bind");
    const SdkTable& t = sdk.Table();
    t.SetEthernetServerPort(static_cast<uint32_t>(simulation.EthernetGateways().front()->Port()));
    uint32_t words[10] = {0, 0, 0, 0, 1, 0x7F002C01, 0, 0, 0, 0};
    KymDevInfo gateways[4] = {};
    if (t.SearchGateway(16, words, gateways, 4) < 1 || t.OpenKymDev(gateways[0].handle) < 0)
        return state.SkipWithError("no gateway");
    const uint32_t gateway = gateways[0].handle;
    std::vector<SamplePoint> points;
    for (int node = 1; node <= 4; ++node)
        for (Quantity q : {Quantity::Position, Quantity::Speed, Quantity::EncoderPosition})
            points.push_back({node, q});
    for (auto _ : state) {
        std::mutex lock;
        std::vector<int64_t> starts;
        Sampler sampler([&](int node, Quantity q) { return ReadQuantity(t, gateway, node, q); },
                        [&](std::vector<Sample>&& round) {
                            std::lock_guard<std::mutex> guard(lock);
                            starts.push_back(round.front().elapsedMs);
                        });
        sampler.Start(points, std::chrono::milliseconds(50));
        std::this_thread::sleep_for(std::chrono::seconds(5));
        sampler.Stop();
        const SamplerTotals totals = sampler.Totals();
        const double mean =
            starts.size() > 1 ? double(starts.back() - starts.front()) / double(starts.size() - 1) : 0;
        state.counters["mean_period_ms"] = mean;
        state.counters["deviation_pct"] = (mean - 50.0) / 50.0 * 100.0;
        state.counters["rounds"] = double(totals.rounds);
        state.counters["missed"] = double(totals.missed);
        state.counters["failed"] = double(totals.failed);
    }
    t.CloseGateway(gateway);
}
BENCHMARK(BM_Sampling4x3At50ms)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_Redraw12CurvesOf10Minutes(benchmark::State& state) {
    CurveStore store;
    for (int i = 0; i < 12000; ++i) {
        std::vector<Sample> round;
        for (int c = 0; c < 12; ++c) {
            Sample s;
            s.elapsedMs = i * 50;
            s.node = c / 3 + 1;
            s.quantity = static_cast<Quantity>(c % 3);
            s.reading = {1, (c + 1) * 1000.0 * std::sin(i / (50.0 + c)) + (i % 7)};
            round.push_back(s);
        }
        store.Add(round);
    }
    PlotView view;
    view.resize(1000, 600);
    QImage image(1000, 600, QImage::Format_ARGB32_Premultiplied);
    const auto name = [](const Curve& c) { return QString("Node %1 %2").arg(c.node).arg(int(c.quantity)); };
    view.Draw(store, 600, name);
    for (auto _ : state) {
        view.Draw(store, 600, name);
        QPainter painter(&image);
        view.render(&painter);
    }
}
BENCHMARK(BM_Redraw12CurvesOf10Minutes)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
