#include "bench/headless/headless_runner.h"

#include <pthread.h>
#include <signal.h>

#include <algorithm>
#include <mutex>
#include <thread>

#include "bench/core/gw_param.h"
#include "bench/core/interpreter.h"
#include "bench/core/language.h"
#include "bench/core/log_writer.h"
#include "bench/core/node_table.h"
#include "bench/core/script_runner.h"
#include "bench/core/startup.h"
#include "bench/dialogs/batch_writer.h"
#include "bench/plot/record_writer.h"

namespace norvane::bench {

namespace {

constexpr int kMaxGateways = 5;

// Message boxes as lines on the error stream.
class StreamMessages : public UserMessages {
public:
    explicit StreamMessages(std::ostream& err) : err_(err) {}
    void Show(const std::string& caption, const std::string& body) override {
        std::lock_guard<std::mutex> lock(mutex_);
        err_ << "[" << caption << "] " << body << std::endl;
    }

private:
    std::mutex mutex_;
    std::ostream& err_;
};

// Log lines as the pane would hold them, one per output line (a trailing line break of the text
// itself, as in the discovery summary, is not repeated).
class StreamLog {
public:
    explicit StreamLog(std::ostream& out) : out_(out) {}
    void Write(std::string line) {
        while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
        std::lock_guard<std::mutex> lock(mutex_);
        out_ << line << std::endl;
    }

private:
    std::mutex mutex_;
    std::ostream& out_;
};

// Waits for SIGINT or SIGTERM on a thread of its own and ends the sleeps, which also ends the
// command lists and the script after the current command; the signals are blocked in every other thread (the
// SDK's threads inherit the mask). SIGUSR1 from the destructor ends the watcher.
class SignalWatch {
public:
    explicit SignalWatch(Sleeper& sleeper) {
        sigemptyset(&set_);
        sigaddset(&set_, SIGINT);
        sigaddset(&set_, SIGTERM);
        sigaddset(&set_, SIGUSR1);
        pthread_sigmask(SIG_BLOCK, &set_, &previous_);
        thread_ = std::thread([this, &sleeper] {
            int signal = 0;
            while (sigwait(&set_, &signal) == 0 && signal != SIGUSR1) sleeper.Shutdown();
        });
    }
    ~SignalWatch() {
        pthread_kill(thread_.native_handle(), SIGUSR1);
        thread_.join();
        pthread_sigmask(SIG_SETMASK, &previous_, nullptr);
    }

private:
    sigset_t set_;
    sigset_t previous_;
    std::thread thread_;
};

// The batch writer's steps on one node; after each, the list rows and the information line.
void RunBatch(const std::vector<BatchStep>& steps, const SdkTable& sdk, const Language& language,
              UserMessages& messages, uint32_t gateway, int node, Sleeper& sleeper, std::ostream& out) {
    BatchWriter writer(sdk, language, messages, gateway, node, [&sleeper](int ms) { sleeper.SleepFor(ms); });
    for (const BatchStep& step : steps) {
        if (sleeper.IsShutDown()) return;
        switch (step.kind) {
            case BatchStep::Kind::Import:
                writer.ImportFile(step.file);
                break;
            case BatchStep::Kind::Read:
                writer.Read();
                break;
            case BatchStep::Kind::Write:
                writer.Write();
                break;
            case BatchStep::Kind::Eeprom:
                writer.WriteEeprom();
                break;
            case BatchStep::Kind::Export:
                writer.ExportFile(step.file);
                break;
        }
        const auto& rows = writer.Rows();
        for (size_t i = 0; i < rows.size(); ++i)
            out << "batch: " << i + 1 << "," << rows[i].key << "," << rows[i].value << "," << rows[i].result
                << "\n";
        out << "info: " << writer.Info() << std::endl;
    }
}

// Samples the ticked nodes' quantities into the CSV file for the asked duration (a signal ends it
// early), then prints the counts. 0 when every sample succeeded and every row was written.
int RunRecording(const HeadlessOptions& options, const std::vector<NodeEntry>& nodes, const SdkTable& sdk,
                 uint32_t gateway, Sleeper& sleeper, std::ostream& out, std::ostream& err) {
    std::string error;
    const std::vector<Quantity> quantities =
        ParseQuantityList(options.quantities, error).value_or(std::vector<Quantity>{});
    // Each ticked node samples the listed quantities its kind offers; a quantity no ticked node
    // offers is reported.
    std::vector<SamplePoint> points;
    for (int tick : options.ticks) {
        const auto node =
            std::find_if(nodes.begin(), nodes.end(), [&](const NodeEntry& n) { return n.id == tick; });
        if (node == nodes.end()) continue;  // already reported
        for (Quantity quantity : quantities)
            if (Offers(KindOfDevice(node->DeviceCode()), quantity)) points.push_back({tick, quantity});
    }
    for (Quantity quantity : quantities) {
        if (std::none_of(points.begin(), points.end(),
                         [&](const SamplePoint& p) { return p.quantity == quantity; }))
            err << "kestrin: no ticked node has " << NameOf(quantity) << std::endl;
    }
    if (points.empty()) {
        err << "kestrin: --record has nothing to sample" << std::endl;
        return 1;
    }
    RecordWriter writer;
    if (!writer.Open(*options.record, error)) {
        err << "kestrin: " << error << std::endl;
        return 1;
    }
    Sampler sampler([&](int node, Quantity quantity) { return ReadQuantity(sdk, gateway, node, quantity); },
                    [&writer](std::vector<Sample>&& round) { writer.Push(round); });
    sampler.Start(points, std::chrono::milliseconds(options.periodMs == 0 ? 100 : options.periodMs));
    sleeper.SleepFor(static_cast<int>(options.durationS == 0 ? 10 : options.durationS) * 1000);
    sampler.Stop();
    const bool written = writer.Close();
    const SamplerTotals totals = sampler.Totals();
    out << "record: " << totals.samples << " samples, " << totals.failed << " failed" << std::endl;
    if (totals.missed != 0)
        err << "kestrin: " << totals.missed << " samples missed: a round took longer than the period"
            << std::endl;
    if (writer.Dropped() != 0) err << "kestrin: " << writer.Dropped() << " rows dropped" << std::endl;
    if (!written) err << "kestrin: " << *options.record << ": " << writer.WriteError() << std::endl;
    return totals.failed == 0 && totals.samples != 0 && writer.Dropped() == 0 && written ? 0 : 1;
}

SearchArguments ArgumentsFor(const HeadlessOptions& options, const std::string& programDir) {
    if (!options.ip && !options.com && !options.mask) {
        GwParams params;
        LoadGwParams(programDir, params);
        return BuildSearchArguments(params);
    }
    SearchArguments args;
    if (options.com) {
        args.kindMask |= 1;
        args.words[0] = static_cast<uint32_t>(*options.com);
        args.words[1] = static_cast<uint32_t>(*options.baud);
        args.passWords = true;
    }
    if (options.ip) {
        args.kindMask |= 16;
        args.words[4] = 1;
        args.words[5] = *options.ip;
        args.passWords = true;
    }
    if (options.mask) args.kindMask = *options.mask;
    return args;
}

}  // namespace

int RunHeadless(const std::vector<std::string>& args, const std::string& executableDir, std::ostream& out,
                std::ostream& err) {
    HeadlessOptions options;
    std::string error;
    if (!ParseHeadlessOptions(args, options, error)) {
        err << "kestrin: " << error << "\n" << HeadlessUsage();
        return 2;
    }
    const std::string programDir = options.programDir.empty() ? executableDir : options.programDir;
    StreamMessages messages(err);
    Language language;
    language.Load(programDir, {options.language.value_or(""), false}, messages);
    if (!options.lookups.empty()) {
        for (const std::string& key : options.lookups) out << language.Lookup(key) << "\n";
        return 0;
    }

    SdkLibrary sdk;
    if (!BindSdkOrExplain(sdk, language, messages)) return 1;
    const SdkTable& t = sdk.Table();
    StreamLog stream(out);
    const LogWriter log(language, [&stream](const std::string& line) { stream.Write(line); });
    Sleeper sleeper;
    SignalWatch signals(sleeper);
    auto fail = [&](const char* key) {
        messages.Show(language.Lookup("IDS_ERR"), language.Lookup(key));
        return 1;
    };

    // Search and connect, as the search and connect buttons do.
    if (options.port) t.SetEthernetServerPort(*options.port);
    SearchArguments search = ArgumentsFor(options, programDir);
    KymDevInfo gateways[kMaxGateways] = {};
    const int32_t found = t.SearchGateway(search.kindMask, search.passWords ? search.words.data() : nullptr,
                                          gateways, kMaxGateways);
    if (found < 1) return fail("IDS_CAN_NOT_FIND_DEVICE_ERROR");
    if (options.gateway >= std::min(found, kMaxGateways)) return fail("IDS_PLEASE_SELECT_DEVECE");
    const uint32_t handle = gateways[options.gateway].handle;
    if (t.OpenKymDev(handle) < 0) return fail("IDS_OPEN_DEVICE_ERROR");

    CommandState state;
    state.gateway = handle;
    const Discovery discovery = DiscoverNodes(t, handle);
    if (discovery.result < 1)
        fail("IDS_NO_DEVICE_FIND");
    else
        log.WritePlain(SiteSumText(discovery.nodes.size()));

    // The node argument of the command box: the first ticked row (rows are in ascending id order).
    int firstTicked = 0;
    for (const NodeEntry& node : discovery.nodes) {
        if (std::find(options.ticks.begin(), options.ticks.end(), node.id) != options.ticks.end()) {
            firstTicked = node.id;
            break;
        }
    }
    for (int tick : options.ticks) {
        const bool listed = std::any_of(discovery.nodes.begin(), discovery.nodes.end(),
                                        [&](const NodeEntry& node) { return node.id == tick; });
        if (!listed) err << "kestrin: node " << tick << " is not in the node list" << std::endl;
    }

    const Interpreter interpreter(t, language, log, messages, state, sleeper);
    for (const std::string& line : options.commands) {
        if (interpreter.Ending()) break;
        interpreter.RunText(line, firstTicked);
    }
    if (options.script && !interpreter.Ending()) {
        ScriptRunner runner(interpreter, messages);
        runner.StartFile(*options.script);
        runner.Wait();
    }
    if (!options.batch.empty()) {
        // The batch writer opens on the first ticked node; without one nothing opens.
        if (firstTicked == 0)
            err << "kestrin: --batch needs a ticked node in the node list" << std::endl;
        else
            RunBatch(options.batch, t, language, messages, handle, firstTicked, sleeper, out);
    }
    int status = 0;
    if (options.record && !sleeper.IsShutDown())
        status = RunRecording(options, discovery.nodes, t, handle, sleeper, out, err);
    t.CloseGateway(handle);
    return status;
}

}  // namespace norvane::bench
