#pragma once
// The control panel on a recording SDK table with a fake main window: three ticked controller
// nodes (5, 6, 7) on an Ethernet gateway, a language table whose texts show their keys, the
// messages and log lines recorded.
#include <set>

#include "bench/panel/panel_logic.h"
#include "bench_fixtures.h"
#include "recording_sdk.h"

namespace norvane::bench::test {

struct FakeHost : PanelHost {
    uint32_t gateway = 0x1000;
    bool connected = true;
    std::vector<TickedNode> ticked{{5, 1240}, {6, 1240}, {7, 1240}};
    bool precheck = true;
    std::set<int> disabled;
    CurrentNode current;
    int unticks = 0, rediscoveries = 0, disconnects = 0, baud = 0, prechecks = 0;

    uint32_t Gateway() const override { return gateway; }
    bool Connected() const override { return connected; }
    std::vector<TickedNode> TickedNodes() const override { return ticked; }
    bool Precheck() override { return ++prechecks, precheck && !ticked.empty(); }
    bool ControlEnabled(int id) const override { return disabled.count(id) == 0; }
    CurrentNode& Current() override { return current; }
    void UntickAll() override { ++unticks, ticked.clear(); }
    void Rediscover() override { ++rediscoveries; }
    void Disconnected() override { ++disconnects; }
    void SetBaudRate(int b) override { baud = b; }
};

struct AskingMessages : RecordedMessages {
    Answer answer = Answer::Yes;
    Answer Ask(const std::string& caption, const std::string& body, bool) override {
        Show(caption, body);
        return answer;
    }
};

struct FakeMonitor : MonitorControl {
    bool running = false;
    int stops = 0;
    bool Running() const override { return running; }
    void Stop() override { running = false, ++stops; }
    void Start() override { running = true; }
};

/// A language table whose every key the panel uses reads as the key itself, so expectations
/// name keys; log keys carry the formats of the shipped English file.
inline Language KeyLanguage() {
    return ShippedLanguage("English.ini");
}

struct PanelRig {
    PanelRig() {
        host.current.SetId(5);
        host.current.SetFirmware(1240);
    }
    std::vector<std::string> Shown() {
        std::lock_guard<std::mutex> lock(messages.mutex);
        return messages.shown;
    }
    /// The calls made, without the motor-off checks' KymACK.
    std::vector<std::string> Calls() { return sdk.Calls(); }
    std::string Msg(const char* key, const char* caption = "IDS_ERR") const {
        return "[" + language.Lookup(caption) + "] " + language.Lookup(key);
    }

    RecordingSdk sdk;
    Language language = KeyLanguage();
    std::vector<std::string> logged;
    LogWriter log{language, [this](const std::string& line) { logged.push_back(line); }};
    AskingMessages messages;
    FakeHost host;
    FakeMonitor monitor;
    PanelLogic panel{sdk.table, language, log, messages, host, monitor};
};

}  // namespace norvane::bench::test
