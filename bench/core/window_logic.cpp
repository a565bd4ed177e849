#include "bench/core/window_logic.h"

#include <algorithm>
#include <cstring>

#include "bench/core/device_kind.h"
#include "bench/core/mcfg_controls.h"
#include "bench/core/settings_place.h"
#include "bench/core/text_format.h"

namespace norvane::bench {

namespace {

const std::vector<std::string> kBaudRates{"9600", "19200", "38400", "57600", "115200"};
constexpr int kDefaultBitRate = 1;  // "800K"

uint32_t SecondByte(uint32_t code) {
    return (code >> 8) & 0xFF;
}

// The liquid-level detector and the KYD0606 carry model names that the SDK's naming never
// produces ("KYM03403", "KYD0606"); besides those names they are known by their device code and
// the name the SDK builds from it: the detector answers as family 24 with d0 34 and d3 3
// ("KYM243403"), the KYD0606 as family 82 with d0 6 and d3 6 ("KYD82606").
bool IsLiquidLevel(uint32_t code, const std::string& name) {
    return name == "KYM03403" || ((code & 0xFFFF) == 0x1822 && name.size() > 2 && name.ends_with("03"));
}

bool IsKyd0606(uint32_t code, const std::string& name) {
    return name == "KYD0606" || ((code & 0xFFFF) == 0x5206 && name.size() > 2 && name.ends_with("06"));
}

bool Has524(const char* name) {
    const std::string text(name, strnlen(name, sizeof(KymDevInfo::name)));
    return text.find("524") != std::string::npos || text.find("5102") != std::string::npos;
}

}  // namespace

std::optional<uint32_t> GatewayVersion(const std::string& name) {
    const size_t at = name.find("Version:");
    if (at == std::string::npos) return std::nullopt;
    size_t i = at + 8;
    if (i >= name.size() || name[i] < '0' || name[i] > '9') return std::nullopt;
    uint64_t value = 0;
    for (; i < name.size() && name[i] >= '0' && name[i] <= '9'; ++i)
        value = std::min<uint64_t>(value * 10 + static_cast<uint64_t>(name[i] - '0'), UINT32_MAX);
    return static_cast<uint32_t>(value);
}

WindowLogic::WindowLogic(const SdkTable& sdk, const Language& language, const LogWriter& log,
                         UserMessages& messages, MonitorControl& monitor, std::string programDir)
    : sdk_(sdk),
      language_(language),
      log_(log),
      messages_(messages),
      monitor_(monitor),
      programDir_(std::move(programDir)),
      baudList_(kBaudRates),
      bitRate_(kDefaultBitRate) {
    // Everything that needs a connection starts disabled.
    DisableConnectionControls();
    controls_.Disable(ctl::kConnect);
}

void WindowLogic::Error(const char* key) {
    messages_.Show(language_.Lookup("IDS_ERR"), language_.Lookup(key));
}

bool WindowLogic::Failed(int32_t result, const char* key) {
    if (result == 1) return false;
    Error(key);
    return true;
}

std::vector<std::string> WindowLogic::GatewayNames() const {
    std::vector<std::string> names;
    for (const KymDevInfo& info : gateways_)
        names.emplace_back(info.name, strnlen(info.name, sizeof info.name));
    return names;
}

bool WindowLogic::SelectedNameHas524() const {
    return selected_ >= 0 && selected_ < static_cast<int>(gateways_.size()) &&
           Has524(gateways_[static_cast<size_t>(selected_)].name);
}

void WindowLogic::DisableNodeControls() {
    controllerShown_ = false;
    for (Group group : {Group::GatewaySettings, Group::MotionParameters, Group::PerNodePanel})
        controls_.Set(group, false);
    controls_.Set({ctl::kIoModule, ctl::kRfid, ctl::kTemperature}, false);
}

void WindowLogic::DisableConnectionControls() {
    DisableNodeControls();
    for (Group group : {Group::GlobalPanel, Group::MessageControls, Group::DeviceButtons})
        controls_.Set(group, false);
    // The sensor menu, sensor fields and STO buttons go with the per-node panel, and the command
    // box talks to nodes: none of them is of use without a gateway.
    for (int id : SensorControls()) controls_.Disable(id);
    for (int id : StoButtons()) controls_.Disable(id);
    controls_.Set({ctl::kCommandBox, ctl::kCommandSend, ctl::kHistorySend}, false);
}

void WindowLogic::ClearNodes() {
    controllerShown_ = false;
    list_.Clear();
    nodes_.clear();
}

GwParams WindowLogic::ReadSearchParameters() {
    LoadGwParams(programDir_, params_);
    return params_;
}

bool WindowLogic::WriteSearchParameters(const GwParams& params) {
    params_ = params;
    if (SaveGwParams(programDir_, params_)) return true;
    // Unsaved, the next search would look in the old places without a word: say so, and where.
    const SettingsPlace place(programDir_, kGwParamFile);
    messages_.Show(language_.Lookup("IDS_ERR"),
                   language_.Lookup("IDS_GWPARAM_SAVE_FAILED") + "\n" +
                       (place.UserPath().empty() ? place.ProgramPath() : place.UserPath()));
    return false;
}

bool WindowLogic::Search(bool leftShift) {
    // A new search closes the open gateway: the operator is asked first, as before the serial
    // tool, so that a click does not drop a connection with motors running.
    if (!leftShift && connected_ &&
        messages_.Ask(language_.Lookup("IDS_WARING"), language_.Lookup("IDS_STATIC_DISCONNECT_CONFIRM")) !=
            Answer::Yes)
        return false;
    if (monitor_.Running()) monitor_.Stop();
    if (leftShift) {
        messages_.Show(kApplicationTitle, FormatText("R(%s)", {std::string_view("177")}));
        return false;
    }
    ClearNodes();
    if (connected_) {
        if (sdk_.CloseGateway(gateways_[static_cast<size_t>(selected_)].handle) < 0)
            Error("IDS_CLOSE_DEVICE_ERROR");
        connected_ = false;
    }
    // Whatever the search finds, nothing is connected afterwards: no control that needs a
    // gateway stays enabled (not only the node controls).
    DisableConnectionControls();
    gateways_.clear();
    selected_ = -1;
    controls_.Disable(ctl::kConnect);
    LoadGwParams(programDir_, params_);
    SearchArguments args = BuildSearchArguments(params_);
    KymDevInfo found[kMaxGatewayRecords] = {};
    const int32_t count = sdk_.SearchGateway(args.kindMask, args.passWords ? args.words.data() : nullptr,
                                             found, kMaxGatewayRecords);
    if (count < 1) {
        // The window says where the search looks are set (a first run has no GWParam.cfg).
        messages_.Show(language_.Lookup("IDS_ERR"), language_.Lookup("IDS_CAN_NOT_FIND_DEVICE_ERROR") + "\n" +
                                                        language_.Lookup("IDS_SEARCH_PARAMETERS_HINT"));
        return false;
    }
    gateways_.assign(found, found + std::min(count, kMaxGatewayRecords));
    selected_ = 0;
    controls_.Enable(ctl::kConnect);
    return true;
}

void WindowLogic::SelectGateway(int index) {
    if (index < 0 || index >= static_cast<int>(gateways_.size()) || index == selected_) return;
    if (connected_) {
        if (monitor_.Running()) monitor_.Stop();
        if (sdk_.CloseGateway(gateways_[static_cast<size_t>(selected_)].handle) < 0) {
            Error("IDS_CLOSE_DEVICE_ERROR");
            return;
        }
        connected_ = false;
        ClearNodes();
        DisableConnectionControls();
    }
    selected_ = index;
}

void WindowLogic::ToggleConnection() {
    if (selected_ < 0 || selected_ >= static_cast<int>(gateways_.size())) {
        Error("IDS_PLEASE_SELECT_DEVECE");
        return;
    }
    const KymDevInfo& record = gateways_[static_cast<size_t>(selected_)];
    if (connected_) {
        if (monitor_.Running()) monitor_.Stop();
        connected_ = false;
        DisableConnectionControls();
        if (sdk_.CloseGateway(record.handle) < 0) {
            Error("IDS_CLOSE_DEVICE_ERROR");
            return;
        }
        ClearNodes();
        return;
    }
    // Over Ethernet a successful open returns 0: only a negative result is a failure.
    if (sdk_.OpenKymDev(record.handle) < 0) {
        Error("IDS_OPEN_DEVICE_ERROR");
        return;
    }
    controls_.Set(Group::GlobalPanel, true);
    handle_ = record.handle;
    gatewayNumber_ = static_cast<int>(handle_ & 0xFF);
    connected_ = true;
    int32_t index = -1;
    if (sdk_.GetBTR(handle_, &index) == 1 && index >= 0 && index < 5) bitRate_ = index;
    controls_.Set(Group::GatewaySettings, true);
    controls_.Set(Group::MessageControls, true);
    controls_.Set({ctl::kCommandBox, ctl::kCommandSend, ctl::kHistorySend}, true);
    const uint32_t kind = SecondByte(handle_);
    const bool rs232 = kind == 1, cardOrUsb = kind == 4 || kind == 8;
    controls_.Set({ctl::kRs232Baud, ctl::kRs232BaudSet}, rs232 || !cardOrUsb);
    controls_.Set({ctl::kGatewayNumber, ctl::kGatewayNumberSet}, cardOrUsb || !rs232);
    // Gateways of the 524 and 5102 families keep their bit rate and have no 115200 baud.
    if (Has524(record.name)) {
        controls_.Set({ctl::kCanBitRate, ctl::kCanBitRateSet, ctl::kP4Query}, false);
        baudList_.assign(kBaudRates.begin(), kBaudRates.end() - 1);
    } else {
        baudList_ = kBaudRates;
    }
    const auto baud = std::find(baudList_.begin(), baudList_.end(), std::to_string(record.transportValue));
    if (baud != baudList_.end()) baudSelection_ = static_cast<int>(baud - baudList_.begin());
    baudSelection_ = std::min(baudSelection_, static_cast<int>(baudList_.size()) - 1);
    ClearNodes();
}

bool WindowLogic::Discover() {
    if (!connected_) {
        Error("IDS_DEVICE_NOT_CONNECT_PLEASE_CONNECT_IT_AND_OP");
        return false;
    }
    // The worker is asked to end and joined instead of waiting one interval for it.
    if (monitor_.Running()) monitor_.Stop();
    // The emptied list leaves nothing ticked: the node-dependent controls go off.
    ClearNodes();
    controls_.Set(Group::PerNodePanel, false);
    controls_.Set(Group::MotionParameters, false);
    controls_.Set({ctl::kIoModule, ctl::kRfid, ctl::kTemperature}, false);
    Discovery found = DiscoverNodes(sdk_, handle_);
    if (found.result < 1 || found.nodes.empty()) {
        Error("IDS_NO_DEVICE_FIND");
        return false;
    }
    std::vector<NodeRow> rows;
    for (const NodeEntry& node : found.nodes)
        rows.push_back({node.id, node.ModelName(), std::to_string(node.Firmware()), false});
    nodes_ = std::move(found.nodes);
    list_.Fill(std::move(rows));
    log_.WritePlain(SiteSumText(nodes_.size(), language_));
    return true;
}

const NodeEntry* WindowLogic::FindNode(int id) const {
    for (const NodeEntry& node : nodes_)
        if (node.id == id) return &node;
    return nullptr;
}

bool WindowLogic::TickRow(size_t row) {
    const NodeList::TickResult result = list_.Tick(row);
    if (result == NodeList::TickResult::Refused) Error("IDS_CHECK_SOME_MODEL");
    if (result != NodeList::TickResult::Ticked) return false;
    AfterRowChange(row, true);
    return controllerShown_;
}

void WindowLogic::UntickRow(size_t row) {
    if (list_.Untick(row)) AfterRowChange(row, false);
}

void WindowLogic::SetMultiSelect(bool on) {
    if (list_.SetMultiSelect(on)) AfterRowChange(0, false);
}

void WindowLogic::AfterRowChange(size_t row, bool newlyTicked) {
    if (!newlyTicked) {
        // The ramp buttons go with the panel: nothing ticked, nothing to address.
        controllerShown_ = false;
        controls_.Set(Group::PerNodePanel, false);
        controls_.Set(Group::MotionParameters, false);
        controls_.Set({ctl::kIoModule, ctl::kRfid, ctl::kTemperature}, false);
        return;
    }
    if (monitor_.Running()) monitor_.Stop();
    encoderFunctions_ = false;
    controllerShown_ = false;
    if (const NodeEntry* node = FindNode(list_.Rows()[row].id)) ApplyModel(*node);
}

void WindowLogic::ApplyModel(const NodeEntry& node) {
    const uint32_t code = node.DeviceCode();
    const KymReply& m = node.model;
    if (IsController(code)) {
        current_.SetId(node.id);
        current_.SetFirmware(node.Firmware());
        KymReply r{};
        if (Failed(sdk_.GetKymMCFG(handle_, static_cast<uint32_t>(node.id), &r), "IDS_SETTING_ERROR")) return;
        current_.SetMcfg(r.field[0]);
        const bool newFirmware = current_.Firmware() >= 1232;
        KymReply icfg{};
        const bool autoEnable = newFirmware &&
                                sdk_.GetKymICFG(handle_, static_cast<uint32_t>(node.id), &icfg) == 1 &&
                                (icfg.field[0] & 1) != 0;
        controls_.Set(Group::PerNodePanel, true);
        controls_.Set(Group::MotionParameters, true);  // the ramp rows follow MCFG below
        const bool sensors = m.field[6] != 0 || m.field[7] != 0;
        for (int id : SensorControls()) controls_.Enable(id, sensors);
        // Storing motion parameters is for nodes that are not all enabled.
        const bool allEnabled = AllNodesEnabled(sdk_, handle_, list_.TickedIds());
        for (int id : StoButtons()) controls_.Enable(id, !allEnabled);
        if (m.field[6] != 0)
            controls_.Disable(ctl::kS34Con);
        else if (m.field[7] != 0)
            controls_.Enable(ctl::kSensorStatus);
        else
            controls_.Set({ctl::kS12Con, ctl::kS34Con, ctl::kStore, ctl::kSensorStatus}, false);
        controls_.Set({ctl::kAdvancedEnable, ctl::kInitialRegister, ctl::kBacklash, ctl::kBacklashSet,
                       ctl::kBacklashQuery},
                      newFirmware);
        controls_.Enable(ctl::kAutoEnableTime, autoEnable);
        // Gateways of the 524 and 5102 families have no P4 output: ticking does not bring it back.
        if (SelectedNameHas524()) controls_.Set({ctl::kP4Set, ctl::kP4Query}, false);
        controllerShown_ = true;
        ApplyMcfg();
    } else {
        controls_.Set(Group::PerNodePanel, false);
        controls_.Set(Group::MotionParameters, false);
        for (int id : SensorControls()) controls_.Disable(id);
        for (int id : StoButtons()) controls_.Disable(id);
    }
    controls_.Enable(ctl::kIoModule, IsIoModule(code));
    if ((code & 0xFFFF) == 0x5B52)
        controls_.Set({ctl::kSpeedSet, ctl::kSpeedQuery, ctl::kEncoderSet, ctl::kEncoderQuery}, true);
    controls_.Enable(ctl::kRfid, SecondByte(code) == 0x5C);
    controls_.Enable(ctl::kTemperature, IsTemperatureController(code));
    controls_.Enable(ctl::kLiquidLevel, IsLiquidLevel(code, node.ModelName()));
    controls_.Enable(ctl::kKyd0606, IsKyd0606(code, node.ModelName()));
    versionCheck_ = true;
}

void WindowLogic::ApplyMcfg() {
    encoderFunctions_ = ApplyMcfgControls(current_.Mcfg(), controls_);
    controls_.Set({ctl::kSpecialSet, ctl::kSpecialQuery}, encoderFunctions_ || current_.Firmware() >= 1232);
}

void WindowLogic::McfgChanged() {
    if (controllerShown_) ApplyMcfg();
}

void WindowLogic::UntickAll() {
    // The panel stays enabled: in global mode its motion buttons broadcast instead.
    list_.UntickAll();
}

void WindowLogic::ForgetConnection() {
    if (monitor_.Running()) monitor_.Stop();
    connected_ = false;
    gateways_.clear();
    selected_ = -1;
    ClearNodes();
    DisableConnectionControls();
    controls_.Disable(ctl::kConnect);
}

bool WindowLogic::Precheck() {
    const auto first = list_.FirstTicked();
    if (!first) {
        Error("IDS_PLEASE_SELECT_CAN_NODE_WANT_TO_SET");
        return false;
    }
    uint32_t firmware = 0;
    for (const NodeRow& row : list_.Rows())
        if (row.ticked) {
            firmware = static_cast<uint32_t>(std::strtoul(row.firmware.c_str(), nullptr, 10));
            break;
        }
    const bool rs232 = selected_ >= 0 && selected_ < static_cast<int>(gateways_.size()) &&
                       SecondByte(gateways_[static_cast<size_t>(selected_)].handle) == 1;
    if (!rs232 || !versionCheck_) return true;
    const auto version = GatewayVersion(GatewayNames()[static_cast<size_t>(selected_)]);
    if (!version || *version >= firmware) return true;
    switch (messages_.Ask(language_.Lookup("IDS_WARING"), language_.Lookup("IDS_KYM4703VERSIONISSUE_WARNING"),
                          true)) {
        case Answer::No:
            return false;
        case Answer::Cancel:
            versionCheck_ = false;
            return true;
        case Answer::Yes:
            return true;
    }
    return true;
}

bool WindowLogic::SetExpanded(bool expanded) {
    expanded_ = expanded;
    if (!expanded || !connected_) return false;
    // The panel of the first ticked motor controller is enabled by its model again.
    bool shown = false;
    for (int id : list_.TickedIds()) {
        const NodeEntry* node = FindNode(id);
        if (!node || !IsController(node->DeviceCode())) continue;
        controllerShown_ = false;
        ApplyModel(*node);
        shown = controllerShown_;
        break;
    }
    KymDevInfo info{};
    if (sdk_.GetKymDevInfo(handle_, &info) == 1 && Has524(info.name))
        controls_.Set({ctl::kP4Set, ctl::kP4Query}, false);
    return shown;
}

void WindowLogic::CloseForForcedStop() {
    if (selected_ < 0 || selected_ >= static_cast<int>(gateways_.size())) return;
    if (monitor_.Running()) monitor_.Stop();
    sdk_.CloseGateway(gateways_[static_cast<size_t>(selected_)].handle);  // the stop goes on whatever it says
    if (!connected_) return;
    // The gateway is closed now: the window shows it disconnected rather than a dead connection.
    connected_ = false;
    DisableConnectionControls();
    ClearNodes();
}

void WindowLogic::CloseForExit() {
    if (selected_ < 0 || selected_ >= static_cast<int>(gateways_.size())) return;
    if (monitor_.Running()) monitor_.Stop();
    sdk_.CloseGateway(gateways_[static_cast<size_t>(selected_)].handle);  // the result is not needed any more
    connected_ = false;
}

}  // namespace norvane::bench
