#include "bench/dialogs/register_commands.h"

#include "bench/core/text_format.h"

namespace norvane::bench {

namespace {

constexpr uint32_t kSensorTimesFirmware = 1222;  // trigger settings exist above this firmware
constexpr uint32_t kModelCodeFirmware = 1231;    // ICFG carries the model code above this firmware
constexpr uint32_t kS3InputFirmware = 1301;      // every node from this firmware has an S3 input
constexpr int32_t kEncoderBits = 0x2800;         // MCFG QEI | QEM

uint16_t Low16(int32_t value) {
    return static_cast<uint16_t>(value & 0xFFFF);
}

}  // namespace

RegisterCommands::RegisterCommands(const SdkTable& sdk, const Language& language, const LogWriter& log,
                                   UserMessages& messages, RegisterHost& host)
    : sdk_(sdk), language_(language), log_(log), messages_(messages), host_(host) {}

void RegisterCommands::Error(const char* key) {
    messages_.Show(language_.Lookup("IDS_ERR"), language_.Lookup(key));
}

void RegisterCommands::Log(int node, const std::string& text) {
    if (host_.ShowReturnMessages()) log_.Write(node, text);
}

bool RegisterCommands::Answered(int32_t result) {
    if (result == 1) return true;
    Error("IDS_DATA_RECEIVE_ERROR");
    return false;
}

std::optional<int> RegisterCommands::FirstNode() {
    if (!host_.Precheck()) return std::nullopt;
    const std::vector<int> ticked = host_.TickedNodes();
    if (ticked.empty()) return std::nullopt;
    return ticked.front();
}

NodeCapabilities RegisterCommands::Capabilities(int node) {
    const NodeEntry* entry = host_.FindNode(node);
    NodeCapabilities caps = entry ? CapabilitiesOf(entry->model) : NodeCapabilities{};
    if (caps.firmware > kModelCodeFirmware) {
        auto known = modelCodes_.find(node);
        if (known == modelCodes_.end()) {
            KymReply r{};
            // An unanswered read leaves the code unknown, to be asked again next time.
            if (sdk_.GetKymICFG(host_.Gateway(), static_cast<uint32_t>(node), &r) == 1)
                known = modelCodes_.emplace(node, (r.field[0] >> 14) & 3).first;
        }
        if (known != modelCodes_.end()) ApplyModelCode(caps, known->second);
    }
    return caps;
}

// ---- MCFG ----

std::optional<McfgEditor> RegisterCommands::BeginMcfg() {
    const auto node = FirstNode();
    if (!node) return std::nullopt;
    mcfgBefore_ = host_.CachedMcfg();
    KymReply r{};
    if (sdk_.GetKymMCFG(host_.Gateway(), static_cast<uint32_t>(*node), &r) != 1) {
        // The cache keeps the word it had: nothing may later be composed from a failed read.
        Error("IDS_SETTING_ERROR");
        return std::nullopt;
    }
    host_.SetCachedMcfg(r.field[0]);
    return McfgEditor(Low16(r.field[0]), Capabilities(*node));
}

void RegisterCommands::FinishMcfg(const McfgEditor& editor) {
    const std::vector<int> nodes = host_.TickedNodes();
    if (nodes.empty() || !host_.MotorOff(nodes.front())) return;
    int32_t word = editor.Word();
    host_.SetCachedMcfg(word);
    for (int node : nodes) {
        KymReply r{};
        if (sdk_.SetKymMCFG(host_.Gateway(), static_cast<uint32_t>(node), &word, 1, &r) != 1) {
            Error("IDS_SETTING_ERROR");
            host_.SetCachedMcfg(mcfgBefore_);
            return;
        }
        host_.SetCachedMcfg(r.field[0]);
        if (!McfgEchoMatches(Low16(word), Low16(r.field[0]))) {
            Error("IDS_SETTING_ERROR");
            return;
        }
        host_.AddHistory(FormatText("MCFG=%d;", {int64_t{r.field[0]}}));
        Log(node, FormatText(language_.Lookup("IDS_SET_MCFG"), {int64_t{r.field[0]}}));
        host_.McfgChanged();
    }
}

// ---- ICFG ----

std::optional<IcfgEditor> RegisterCommands::BeginIcfg() {
    const auto node = FirstNode();
    if (!node) return std::nullopt;
    KymReply r{};
    if (!Answered(sdk_.GetKymICFG(host_.Gateway(), static_cast<uint32_t>(*node), &r))) return std::nullopt;
    return IcfgEditor(Low16(r.field[0]));
}

void RegisterCommands::FinishIcfg(const IcfgEditor& editor) {
    const std::vector<int> nodes = host_.TickedNodes();
    if (nodes.empty() || !host_.MotorOff(nodes.front())) return;
    int32_t word = editor.Word();
    for (int node : nodes) {
        KymReply r{};
        if (sdk_.SetKymICFG(host_.Gateway(), static_cast<uint32_t>(node), &word, 1, &r) != 1) {
            Error("IDS_SETTING_ERROR");
            // The node's own error report goes to the pane whether or not messages are shown.
            KymReply error{};
            if (sdk_.GetLastErr(host_.Gateway(), static_cast<uint32_t>(node), &error) == 1)
                log_.Write(node, FormatText("ICFG: error %d", {int64_t{error.field[0]}}));
            else
                log_.Write(node, "ICFG: no error report");
            return;
        }
        if (!IcfgEchoMatches(Low16(word), Low16(r.field[0]))) {
            Error("IDS_SETTING_ERROR");
            return;
        }
        host_.SetAutoEnableTimeEnabled((r.field[0] & 1) != 0);
        host_.AddHistory(FormatText("ICFG=%d;", {int64_t{r.field[0]}}));
        Log(node, FormatText(language_.Lookup("IDS_SET_ICFG"), {int64_t{r.field[0]}}));
    }
    host_.SetEnableToggle((word & 1) != 0);
}

// ---- S12CON / S34CON ----

std::optional<S12Setup> RegisterCommands::BeginS12() {
    const auto node = FirstNode();
    if (!node) return std::nullopt;
    const uint32_t h = host_.Gateway(), n = static_cast<uint32_t>(*node);
    KymReply r{};
    if (!Answered(sdk_.GetSCFG(h, n, &r))) return std::nullopt;
    const NodeCapabilities caps = Capabilities(*node);
    if ((host_.CachedMcfg() & kEncoderBits) != 0 && caps.c4) {
        Error("IDS_S12_USEDBYENCODER_ERROR");
        return std::nullopt;
    }
    S12Setup setup;
    setup.codes = S12Con::FromRecord(r);
    setup.firmware = caps.firmware;
    setup.editable = caps.c6 || caps.c7;
    setup.triggers = caps.firmware > kSensorTimesFirmware;
    if (setup.triggers) {
        KymReply stg{};
        if (!Answered(sdk_.GetSTG(h, n, &stg))) return std::nullopt;
        setup.s1.Load(stg.field[1]);
        setup.s2.Load(stg.field[2]);
    }
    return setup;
}

void RegisterCommands::WriteSensorTimes(int node, const std::vector<std::pair<int, int32_t>>& times,
                                        bool& failed) {
    for (const auto& [sensor, time] : times) {
        int32_t record[4] = {sensor, 0, 0, 0};
        record[sensor] = time;
        if (sdk_.SetSTG(host_.Gateway(), static_cast<uint32_t>(node), record, 0, nullptr) != 1) {
            Error("IDS_SETTING_ERROR");
            failed = true;
            return;
        }
    }
}

void RegisterCommands::FinishS12(const S12Setup& setup) {
    const std::vector<int> nodes = host_.TickedNodes();
    if (nodes.empty() || !host_.MotorOff(nodes.front())) return;
    for (int node : nodes) {
        bool failed = false;
        if (setup.triggers) WriteSensorTimes(node, {{1, setup.s1.Time()}, {2, setup.s2.Time()}}, failed);
        if (failed) return;
        KymReply r{};
        if (sdk_.SetS12CON(host_.Gateway(), static_cast<uint32_t>(node), setup.codes.codes.data(), 1, &r) !=
            1) {
            Error("IDS_SETTING_ERROR");
            return;
        }
        if (S12Con::FromRecord(r) == setup.codes)
            messages_.Inform(language_.Lookup("IDS_CONGRATULATIONS"), language_.Lookup("IDS_S12CON_SET_SUC"));
        else
            Error("IDS_S12CON_SET_FAIL");
    }
}

std::optional<S34Setup> RegisterCommands::BeginS34() {
    const auto node = FirstNode();
    if (!node) return std::nullopt;
    const uint32_t h = host_.Gateway(), n = static_cast<uint32_t>(*node);
    KymReply r{};
    if (!Answered(sdk_.GetSCFG(h, n, &r))) return std::nullopt;
    const NodeCapabilities caps = Capabilities(*node);
    S34Setup setup;
    setup.codes = S34Con::FromRecord(r, 4);
    setup.firmware = caps.firmware;
    setup.triggers = caps.firmware > kSensorTimesFirmware;
    setup.stall = caps.c3 || caps.c4;
    setup.s3 = caps.c7 || caps.firmware >= kS3InputFirmware;
    if (setup.triggers) {
        KymReply stg{};
        if (!Answered(sdk_.GetSTG(h, n, &stg))) return std::nullopt;
        setup.s3Time.Load(stg.field[3]);
    }
    return setup;
}

void RegisterCommands::FinishS34(const S34Setup& setup) {
    const std::vector<int> nodes = host_.TickedNodes();
    if (nodes.empty() || !host_.MotorOff(nodes.front())) return;
    const auto record = setup.codes.Record();
    for (int node : nodes) {
        bool failed = false;
        if (setup.triggers) WriteSensorTimes(node, {{3, setup.s3Time.Time()}}, failed);
        if (failed) return;
        KymReply r{};
        if (sdk_.SetS34CON(host_.Gateway(), static_cast<uint32_t>(node), record.data(), 1, &r) != 1) {
            Error("IDS_SETTING_ERROR");
            return;
        }
        if (S34Con::FromRecord(r) == setup.codes)
            messages_.Inform(language_.Lookup("IDS_CONGRATULATIONS"), language_.Lookup("IDS_S34CON_SET_SUC"));
        else
            Error("IDS_S34CON_SET_FAIL");
    }
}

}  // namespace norvane::bench
