// Status displays, the motor parameter row (microstep, current, standby current, auto-enable
// time) and the combined set and query buttons of the panel.
#include <cstring>

#include "bench/panel/panel_logic.h"

namespace norvane::bench {

namespace {

std::string StatusText(const KymReply& s) {
    return FormatText(" ACR:%1d, ENA:%1d, CUR:%1.0f, MCS: %2d, STP: %d, SPD: %d",
                      {int64_t{s.field[3]}, int64_t{s.field[1]}, s.field[5] / 10.0, int64_t{s.field[4]},
                       int64_t{s.field[7]}, int64_t{s.field[6]}});
}

std::string AckLine(const KymReply& s) {
    return FormatText(
        "%s (ENA:%d,DIR:%d,ACR:%d,MCS:%d,CUR:%d,SPD:%d,STP:%d)",
        {std::string_view("ACK;"), int64_t{s.field[1]}, int64_t{s.field[2]}, int64_t{s.field[3]},
         int64_t{s.field[4]}, int64_t{s.field[5]}, int64_t{s.field[6]}, int64_t{s.field[7]}});
}

}  // namespace

void PanelLogic::StatusBox(Getter call, const char* history, bool box) {
    EachNode(false, [&](const TickedNode& node) {
        KymReply s{};
        if (call(host_.Gateway(), static_cast<uint32_t>(node.id), &s) != 1) return false;
        Record(node.id, history, history);
        if (box) messages_.Inform("Current Status", StatusText(s));
        return true;
    });
}

void PanelLogic::CurrentStatus() {
    StatusBox(sdk_.KymFBK, "FBK;", true);
}

void PanelLogic::DriveParameters() {
    StatusBox(sdk_.KymACK, "ACK;", true);
}

bool PanelLogic::AllTickedEnabled() {
    std::vector<int> nodes;
    for (const TickedNode& node : host_.TickedNodes()) nodes.push_back(node.id);
    return AllNodesEnabled(sdk_, host_.Gateway(), nodes);
}

void PanelLogic::SensorStatus() {
    EachNode(false, [&](const TickedNode& node) {
        KymReply s{};
        if (sdk_.KymSFBK(host_.Gateway(), static_cast<uint32_t>(node.id), &s) != 1) return false;
        float analog = 0;
        std::memcpy(&analog, &s.field[3], sizeof analog);
        Record(node.id, "SFBK;",
               FormatText("%s (S1:%1d,S2:%1d,S3:%1d,AnalogInput:%fV)",
                          {std::string_view("SFBK;"), int64_t{s.field[0]}, int64_t{s.field[1]},
                           int64_t{s.field[2]}, double{analog}}));
        messages_.Inform(
            "Current Status",
            FormatText(" Sensor 1: %1d \n Sensor 2: %1d, \n Sensor 3: %1d, \n Analog Input: %fV",
                       {int64_t{s.field[0]}, int64_t{s.field[1]}, int64_t{s.field[2]}, double{analog}}));
        return true;
    });
}

void PanelLogic::SetMotorParameters() {
    const ExchangedNumber current = ExchangeNumber(fields_.current, 0, 8);
    if (!current.value) {
        // A current that is not a number of amperes is refused rather than sent as 0.
        messages_.Show(kApplicationTitle, current.message);
        return;
    }
    int32_t percent = 0, autoEnable = 0;
    if (!ExchangeInt(fields_.standbyPercent, 0, 100, percent)) return;
    if (!fields_.autoEnableTime.empty() && !ExchangeInt(fields_.autoEnableTime, 0, 60000, autoEnable)) return;
    if (percent < 2 || percent > 99) {
        Error("IDC_STATIC_ACR_RANGE_TIP");
        return;
    }
    const int32_t microstep = MicrostepOf(fields_.microstep);
    const int32_t tenths = CurrentTenths(*current.value);
    if (mode_ == PanelMode::Global) {
        fields_.globalMicrostep = fields_.microstep;
        fields_.globalCurrent = fields_.current;
        if (!RequireConnected()) return;
        GlobalMicrostep();
        GlobalCurrent();
        if (Global(sdk_.SetgACR(host_.Gateway(), AcrRegister(percent)))) {
            history_.Add(FormatText("gACR=%d;", {int64_t{percent}}));
            if (showReturn_) log_.Write(0, Text("IDS_G_ACR_SET", {int64_t{percent}}));
        }
        return;
    }
    EachNode(true, [&](const TickedNode& node) {
        const auto n = static_cast<uint32_t>(node.id);
        const uint32_t h = host_.Gateway();
        KymReply r{};
        if (sdk_.SetMCS(h, n, microstep, 0, &r) != 1) {
            Error("IDS_DATA_RECEIVE_ERROR");
            return false;
        }
        Record(node.id, FormatText("MCS=%d;", {int64_t{microstep}}),
               Text("IDS_SET_MCS", {int64_t{microstep}}));
        if (sdk_.SetCUR(h, n, tenths, 0, &r) != 1) {
            Error("IDS_SETTING_ERROR");
            return false;
        }
        Record(node.id, FormatText("CUR=%d;", {int64_t{tenths}}),
               Text("IDS_SET_CUR", {std::string_view(fields_.current)}));
        if (node.firmware < 1207) {  // such firmware takes only 0 (100 %) and 1 (50 %)
            Error("IDS_ACR_WARNING");
            return false;
        }
        r = KymReply{};
        if (sdk_.SetACR(h, n, percent, 1, &r) != 1 || r.field[0] != percent) {
            Error("IDS_SETTING_ERROR");
            return false;
        }
        Record(node.id, FormatText("ACR=%d;", {int64_t{percent}}), Text("IDS_SET_ACR", {int64_t{percent}}));
        if (node.firmware > 1231) {
            if (sdk_.KymAdvENA(h, n, autoEnable, 1, &r) != 1) {
                Error("IDS_SETTING_ERROR");
                return false;
            }
            Record(node.id, FormatText("ENA=%ld;", {int64_t{autoEnable}}),
                   Text("IDS_SET_ENA", {int64_t{autoEnable}}));
        }
        return true;
    });
}

void PanelLogic::QueryMotorParameters() {
    if (!Precheck()) return;
    const TickedNode node = host_.TickedNodes().front();
    const auto n = static_cast<uint32_t>(node.id);
    const uint32_t h = host_.Gateway();
    KymReply s{};
    if (sdk_.KymACK(h, n, &s) != 1) {
        Error("IDS_DATA_RECEIVE_ERROR");
        return;
    }
    Record(node.id, "ACK;", AckLine(s));
    int32_t percent = AcrPercent(s.field[3] == 0 ? 0 : 1);
    if (node.firmware >= 1208) {
        KymReply a{};
        if (sdk_.GetACR(h, n, &a) != 1) {
            Error("IDS_DATA_RECEIVE_ERROR");
            return;
        }
        percent = AcrPercent(a.field[0]);
        Record(node.id, "ACR;", Text("IDS_GET_ACR", {int64_t{percent}}));
    }
    int32_t autoEnable = -1;
    if (node.firmware > 1231) {
        KymReply t{};
        if (sdk_.KymGetAdvENA(h, n, &t) != 1) {
            Error("IDS_DATA_RECEIVE_ERROR");
        } else {
            autoEnable = t.field[0];
            Record(node.id, "ENAxFFFF;", Text("IDS_GET_AdvENA", {int64_t{autoEnable}}));
        }
    }
    fields_.microstep = MicrostepChoice(s.field[4]);
    fields_.current = FormatText("%.1f", {s.field[5] / 10.0});
    fields_.standbyPercent = std::to_string(percent);
    if (autoEnable != -1) fields_.autoEnableTime = std::to_string(autoEnable);
}

void PanelLogic::RunEnabled(std::initializer_list<Step> steps) {
    for (const auto& [id, step] : steps)
        if (host_.ControlEnabled(id)) (this->*step)();
}

void PanelLogic::CombinedSet() {
    if (!Precheck()) return;
    for (const TickedNode& node : host_.TickedNodes()) {
        if (ReadMotorState(sdk_, host_.Gateway(), node.id) != MotorState::Off) {
            Error("IDS_SETPARAM_NO_OFF_WARNING");
            return;
        }
    }
    using namespace panel_id;
    RunEnabled({{kAccTimeSet, &PanelLogic::SetAccelerationTime},
                {kDecTimeSet, &PanelLogic::SetDecelerationTime},
                {kAccValueSet, &PanelLogic::SetAccelerationValue},
                {kDecValueSet, &PanelLogic::SetDecelerationValue},
                {kStartSpeedSet, &PanelLogic::SetStartSpeed},
                {kStopSpeedSet, &PanelLogic::SetStopSpeed}});
}

void PanelLogic::CombinedQuery() {
    using namespace panel_id;
    RunEnabled({{kAccTimeQuery, &PanelLogic::QueryAccelerationTime},
                {kDecTimeQuery, &PanelLogic::QueryDecelerationTime},
                {kAccValueQuery, &PanelLogic::QueryAccelerationValue},
                {kDecValueQuery, &PanelLogic::QueryDecelerationValue},
                {kStartSpeedQuery, &PanelLogic::QueryStartSpeed},
                {kStopSpeedQuery, &PanelLogic::QueryStopSpeed}});
}

void PanelLogic::CombinedSpecialSet() {
    using namespace panel_id;
    RunEnabled({{kEncoderLinesSet, &PanelLogic::SetEncoderLines},
                {kStallSet, &PanelLogic::SetStall},
                {kBacklashSet, &PanelLogic::SetBacklash}});
}

void PanelLogic::CombinedSpecialQuery() {
    using namespace panel_id;
    RunEnabled({{kStallQuery, &PanelLogic::QueryStall},
                {kEncoderLinesQuery, &PanelLogic::QueryEncoderLines},
                {kBacklashQuery, &PanelLogic::QueryBacklash}});
}

void PanelLogic::ControllerTicked(bool expanded) {
    if (mode_ == PanelMode::Global) SetMode(PanelMode::PerNode);
    for (std::string* field :
         {&fields_.actualSpeed, &fields_.actualDisplacement, &fields_.actualPosition, &fields_.actualEncoder})
        *field = std::string(1, '0');
    if (!host_.Precheck()) return;
    prechecked_ = true;
    QueriesOfTick(expanded);
    prechecked_ = false;
}

void PanelLogic::QueriesOfTick(bool expanded) {
    using namespace panel_id;
    if (!expanded) {
        RunEnabled({{kMotorParamQuery, &PanelLogic::QueryMotorParameters}});
        return;
    }
    const CurrentNode& current = host_.Current();
    const Step acceleration = current.McfgHas(mcfg::kAccelerationByTime)
                                  ? Step{kAccTimeQuery, &PanelLogic::QueryAccelerationTime}
                                  : Step{kAccValueQuery, &PanelLogic::QueryAccelerationValue};
    const Step deceleration = current.McfgHas(mcfg::kDecelerationByTime)
                                  ? Step{kDecTimeQuery, &PanelLogic::QueryDecelerationTime}
                                  : Step{kDecValueQuery, &PanelLogic::QueryDecelerationValue};
    RunEnabled({acceleration,
                deceleration,
                {kStartSpeedQuery, &PanelLogic::QueryStartSpeed},
                {kStopSpeedQuery, &PanelLogic::QueryStopSpeed}});
    ExpandQueries();
}

void PanelLogic::ExpandQueries() {
    if (!Precheck()) return;
    const bool outer = prechecked_;
    prechecked_ = true;
    using namespace panel_id;
    RunEnabled({{kMotorParamQuery, &PanelLogic::QueryMotorParameters},
                {kSpecialQueryAll, &PanelLogic::CombinedSpecialQuery},
                {kSensorQuery, &PanelLogic::QuerySensors},
                {kP4Query, &PanelLogic::QueryP4Output}});
    prechecked_ = outer;
}

}  // namespace norvane::bench
