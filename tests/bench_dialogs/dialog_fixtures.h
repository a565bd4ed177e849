#pragma once
// Shared pieces of the dialog logic tests: a main window stand-in for the register commands and
// a recorded log.
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "bench/core/log_writer.h"
#include "bench/dialogs/register_commands.h"
#include "bench_fixtures.h"
#include "recording_sdk.h"

namespace norvane::bench::test {

inline constexpr uint32_t kGatewayHandle = 4096;

/// A controller's model record: capability flags as digits ("47" = C4 and C7) and firmware.
inline NodeEntry Controller(int id, const char* flags, uint32_t firmware) {
    NodeEntry node;
    node.id = id;
    node.model.field[0] = id;
    node.model.field[1] = 0x1800;
    for (const char* f = flags; *f; ++f) node.model.field[*f - '0'] = 1;
    node.model.field[8] = static_cast<int32_t>(firmware);
    return node;
}

/// The main window as the register commands see it; records what they ask of it.
struct FakeHost : RegisterHost {
    std::vector<NodeEntry> nodes;  ///< ticked, in row order
    int32_t mcfg = 0;
    bool precheck = true, motorOff = true, showReturn = true;
    std::vector<std::string> asked;  ///< "MotorOff(5)", "AutoEnable(1)", "Toggle(0)", "McfgChanged"
    std::vector<std::string> history;

    uint32_t Gateway() const override { return kGatewayHandle; }
    bool Precheck() override { return precheck; }
    std::vector<int> TickedNodes() const override {
        std::vector<int> ids;
        for (const NodeEntry& n : nodes) ids.push_back(n.id);
        return ids;
    }
    const NodeEntry* FindNode(int id) const override {
        for (const NodeEntry& n : nodes)
            if (n.id == id) return &n;
        return nullptr;
    }
    int32_t CachedMcfg() const override { return mcfg; }
    void SetCachedMcfg(int32_t word) override { mcfg = word; }
    bool MotorOff(int node) override {
        asked.push_back("MotorOff(" + std::to_string(node) + ")");
        return motorOff;
    }
    void AddHistory(const std::string& text) override { history.push_back(text); }
    bool ShowReturnMessages() const override { return showReturn; }
    void McfgChanged() override { asked.push_back("McfgChanged"); }
    void SetAutoEnableTimeEnabled(bool on) override {
        asked.push_back("AutoEnable(" + std::to_string(on) + ")");
    }
    void SetEnableToggle(bool on) override { asked.push_back("Toggle(" + std::to_string(on) + ")"); }
};

/// A log writer whose lines (without the time) land in a vector.
struct RecordedLog {
    explicit RecordedLog(const Language& language)
        : writer(language,
                 [this](const std::string& line) { lines.push_back(line.substr(line.find(": ", 3) + 2)); }) {}
    std::vector<std::string> lines;
    LogWriter writer;
};

/// A KymReply whose first fields are values.
inline KymReply Reply(std::initializer_list<int32_t> values) {
    KymReply r{};
    size_t i = 0;
    for (int32_t v : values) r.field[i++] = v;
    return r;
}

}  // namespace norvane::bench::test
