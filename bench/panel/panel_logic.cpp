#include "bench/panel/panel_logic.h"

#include <cstring>

namespace norvane::bench {

namespace {

constexpr int64_t kSpeedMin = -65535, kSpeedMax = 65535;
constexpr int64_t kStepMin = -200000000, kStepMax = 200000000;
// The position fields reach further up than down.
constexpr int64_t kPositionMin = -200000000, kPositionMax = 2000000000;

}  // namespace

PanelLogic::PanelLogic(const SdkTable& sdk, const Language& language, const LogWriter& log,
                       UserMessages& messages, PanelHost& host, MonitorControl& monitor)
    : sdk_(sdk), language_(language), log_(log), messages_(messages), host_(host), monitor_(monitor) {}

void PanelLogic::SetMode(PanelMode mode) {
    mode_ = mode;
    if (mode == PanelMode::Global) host_.UntickAll();
}

void PanelLogic::Error(const char* key, const char* captionKey) {
    messages_.Show(language_.Lookup(captionKey), language_.Lookup(key));
}

std::string PanelLogic::Text(const char* key, std::initializer_list<FormatArg> args) const {
    return FormatText(language_.Lookup(key), args);
}

std::string PanelLogic::LogText(const char* key, LogArgs args, int32_t value, int32_t reply) const {
    switch (args) {
        case LogArgs::None:
            return language_.Lookup(key);
        case LogArgs::Value:
            return Text(key, {int64_t{value}});
        case LogArgs::Reply:
            return Text(key, {int64_t{reply}});
        case LogArgs::ValueReply:
            return Text(key, {int64_t{value}, int64_t{reply}});
    }
    return {};
}

bool PanelLogic::ExchangeInt(const std::string& text, int64_t lo, int64_t hi, int32_t& out) {
    const Exchanged e = ExchangeInteger(text, lo, hi);
    if (!e.value) {
        messages_.Show(kApplicationTitle, e.message);
        return false;
    }
    out = static_cast<int32_t>(*e.value);
    return true;
}

bool PanelLogic::MotionInput(const std::string& text, int64_t lo, int64_t hi, std::string& globalField,
                             void (PanelLogic::*global)(), int32_t& out) {
    if (!MotionTextValid(text)) {
        Error("IDS_INPUT_VALID_NUM");
        return false;
    }
    if (mode_ == PanelMode::Global) {
        globalField = text;
        (this->*global)();
        return false;
    }
    return ExchangeInt(text, lo, hi, out);
}

void PanelLogic::Record(int node, std::string_view history, const std::string& logText) {
    history_.Add(history);
    if (showReturn_) log_.Write(node, logText);
}

void PanelLogic::EachNode(bool motorOff, const std::function<bool(const TickedNode&)>& step) {
    if (!Precheck()) return;
    for (const TickedNode& node : host_.TickedNodes()) {
        if (motorOff && !CheckMotorOff(sdk_, host_.Gateway(), node.id, language_, messages_)) return;
        if (!step(node)) return;
    }
}

void PanelLogic::RunSet(const SetRow& row, int32_t value) {
    EachNode(row.motorOff, [&](const TickedNode& node) {
        KymReply reply{};
        if (row.call(host_.Gateway(), static_cast<uint32_t>(node.id), value, 1, &reply) != 1) {
            Error(row.failKey);
            return false;
        }
        if (row.replyKey && reply.field[0] != value) {
            Error(row.replyKey);
            return false;
        }
        Record(node.id, FormatText(row.history, {int64_t{value}}),
               LogText(row.logKey, row.logArgs, value, reply.field[0]));
        return true;
    });
}

void PanelLogic::RunQuery(const QueryRow& row) {
    EachNode(false, [&](const TickedNode& node) {
        KymReply reply{};
        if (row.call(host_.Gateway(), static_cast<uint32_t>(node.id), &reply) != 1) {
            Error(row.failKey);
            return false;
        }
        const int32_t v = reply.field[0];
        *row.field = std::to_string(v);
        if (row.actual) *row.actual = std::to_string(v);
        Record(node.id, row.history, Text(row.logKey, {int64_t{v}}));
        return true;
    });
}

// Enable and Off report a failing node and go on with the next one.
void PanelLogic::Enable() {
    EachNode(false, [&](const TickedNode& node) {
        KymReply status{};
        if (sdk_.KymENA(host_.Gateway(), static_cast<uint32_t>(node.id), 1, &status) != 1)
            Error("IDS_FAIL");
        else
            Record(node.id, "ENA;", language_.Lookup("IDS_ENA"));
        return true;
    });
}

void PanelLogic::Off() {
    EachNode(false, [&](const TickedNode& node) {
        KymReply status{};
        if (sdk_.KymOFF(host_.Gateway(), static_cast<uint32_t>(node.id), 1, &status) != 1)
            Error("IDS_FAIL");
        else
            Record(node.id, "OFF;", language_.Lookup("IDS_OFF"));
        return true;
    });
}

void PanelLogic::Run() {
    int32_t v = 0;
    if (!MotionInput(fields_.speed, kSpeedMin, kSpeedMax, fields_.globalSpeed, &PanelLogic::GlobalSpeed, v))
        return;
    RunSet({sdk_.SetSPD, "SPD=%d;", "IDS_SET_SPD", LogArgs::Reply, "IDS_SETTING_ERROR", "IDS_SETTING_ERROR",
            false},
           v);
}

void PanelLogic::Stop() {
    if (mode_ == PanelMode::Global) {
        // The global speed command with 0; the global speed field keeps its text.
        if (!RequireConnected()) return;
        if (Global(sdk_.SetgSPD(host_.Gateway(), 0)) && showReturn_)
            log_.Write(0, Text("IDS_SET_G_SPD", {int64_t{0}}));
        return;
    }
    RunSet({sdk_.SetSPD, "SPD=%d;", "IDS_SET_SPD", LogArgs::Reply, "IDS_SETTING_ERROR", "IDS_SETTING_ERROR",
            false},
           0);
}

void PanelLogic::SetDisplacement() {
    int32_t v = 0;
    if (!MotionInput(fields_.displacement, kStepMin, kStepMax, fields_.globalDisplacement,
                     &PanelLogic::GlobalDisplacement, v))
        return;
    EachNode(false, [&](const TickedNode& node) {
        KymReply reply{};
        if (sdk_.SetSTP(host_.Gateway(), static_cast<uint32_t>(node.id), v, 1, &reply) != 1 ||
            reply.field[0] != v) {
            Error("IDS_SETTING_ERROR");
            return false;
        }
        if (v == 0) Error("IDS_STP_ZERO_WARNING", "IDS_WARING");
        Record(node.id, FormatText("STP=%d;", {int64_t{v}}),
               Text("IDS_SET_STP", {int64_t{v}, int64_t{reply.field[0]}}));
        return true;
    });
}

void PanelLogic::SetPosition() {
    int32_t v = 0;
    if (!MotionInput(fields_.position, kPositionMin, kPositionMax, fields_.globalPosition,
                     &PanelLogic::GlobalPosition, v))
        return;
    RunSet({sdk_.SetPOS, "POS=%d;", "IDS_SET_POS", LogArgs::ValueReply, "IDS_SETTING_ERROR", nullptr, false},
           v);
}

void PanelLogic::SetEncoderPosition() {
    int32_t v = 0;
    if (!MotionInput(fields_.encoder, kPositionMin, kPositionMax, fields_.globalEncoder,
                     &PanelLogic::GlobalEncoderPosition, v))
        return;
    RunSet({sdk_.SetQEC, "QEC=%d;", "IDS_SET_QEC", LogArgs::Value, "IDS_SETTING_ERROR", nullptr, false}, v);
}

void PanelLogic::Origin() {
    if (mode_ == PanelMode::Global) {
        GlobalOrigin();
        return;
    }
    bool done = false;
    EachNode(false, [&](const TickedNode& node) {
        KymReply reply{};
        if (sdk_.SetORG(host_.Gateway(), static_cast<uint32_t>(node.id), 0, 1, &reply) != 1) {
            Error("IDS_DATA_RECEIVE_ERROR");
            return false;
        }
        done = true;
        Record(node.id, "ORG;", language_.Lookup("IDS_ZERO"));
        return true;
    });
    if (done && monitor_.Running()) {
        fields_.actualSpeed = "Waiting";
        fields_.actualDisplacement = fields_.actualPosition = fields_.actualEncoder = "0";
    }
}

void PanelLogic::QuerySpeed() {
    RunQuery(
        {sdk_.GetSPD, "SPD;", "IDS_SPD_GET", "IDS_DATA_RECEIVE_ERROR", &fields_.speed, &fields_.actualSpeed});
}

void PanelLogic::QueryDisplacement() {
    RunQuery({sdk_.GetSTP, "STP;", "IDS_STP_GET", "IDS_DATA_RECEIVE_ERROR", &fields_.displacement,
              &fields_.actualDisplacement});
}

void PanelLogic::QueryPosition() {
    // A failing node is reported with a fixed text and skipped; the next one is still read.
    EachNode(false, [&](const TickedNode& node) {
        KymReply reply{};
        if (sdk_.GetPOS(host_.Gateway(), static_cast<uint32_t>(node.id), &reply) != 1) {
            messages_.Show("Error", "Execute GetPOS failed");
            return true;
        }
        fields_.position = fields_.actualPosition = std::to_string(reply.field[0]);
        Record(node.id, "POS;", Text("IDS_POS_GET", {int64_t{reply.field[0]}}));
        return true;
    });
}

void PanelLogic::QueryEncoderPosition() {
    RunQuery({sdk_.GetQEC, "QEC;", "IDS_QEC_GET", "IDS_DATA_RECEIVE_ERROR", &fields_.encoder,
              &fields_.actualEncoder});
}

void PanelLogic::SetStartSpeed() {
    int32_t v = 0;
    if (!ExchangeInt(fields_.startSpeed, 0, 65000, v)) return;
    RunSet({sdk_.SetmMSS, "mMSS=%d;", "IDS_SET_MSS", LogArgs::Value, "IDS_SETTING_ERROR", "IDS_SETTING_ERROR",
            false},
           v);
}

void PanelLogic::SetStopSpeed() {
    int32_t v = 0;
    if (!ExchangeInt(fields_.stopSpeed, 0, 65000, v)) return;
    RunSet({sdk_.SetmMDS, "mMDS=%d;", "IDS_SET_MDS", LogArgs::Value, "IDS_SETTING_ERROR", "IDS_SETTING_ERROR",
            false},
           v);
}

void PanelLogic::QueryStartSpeed() {
    RunQuery({sdk_.GetmMSS, "mMSS;", "IDS_GET_MSS", "IDS_SETTING_ERROR", &fields_.startSpeed, nullptr});
}

void PanelLogic::QueryStopSpeed() {
    RunQuery({sdk_.GetmMDS, "mMDS;", "IDS_GET_MDS", "IDS_SETTING_ERROR", &fields_.stopSpeed, nullptr});
}

void PanelLogic::SetEncoderLines() {
    int32_t v = 0;
    if (!ExchangeInt(fields_.encoderLines, 0, 65000, v)) return;
    RunSet({sdk_.SetQER, "QER=%d;", "IDS_SET_QER", LogArgs::Value, "IDS_SETTING_ERROR", "IDS_SETTING_ERROR",
            true},
           v);
}

void PanelLogic::QueryEncoderLines() {
    RunQuery({sdk_.GetQER, "QER;", "IDS_QER_GET", "IDS_DATA_RECEIVE_ERROR", &fields_.encoderLines, nullptr});
}

void PanelLogic::SetStall() {
    int32_t v = 0;
    if (!ExchangeInt(fields_.stall, 0, 65535, v)) return;
    RunSet({sdk_.SetSQT, "SQT=%d;", "IDS_SQT_SET", LogArgs::Value, "IDS_SETTING_ERROR", "IDS_SETTING_ERROR",
            true},
           v);
}

void PanelLogic::QueryStall() {
    RunQuery({sdk_.GetSQT, "SQT;", "IDS_SQT_GET", "IDS_DATA_RECEIVE_ERROR", &fields_.stall, nullptr});
}

void PanelLogic::SetBacklash() {
    int32_t v = 0;
    if (!ExchangeInt(fields_.backlash, 0, 65534, v)) return;
    RunSet({sdk_.SetBLC, "BLC=%d;", "IDS_SET_BLC", LogArgs::Value, "IDS_SETTING_ERROR", "IDS_SETTING_ERROR",
            true},
           v);
}

void PanelLogic::QueryBacklash() {
    RunQuery({sdk_.GetBLC, "BLC;", "IDS_GET_BLC", "IDS_DATA_RECEIVE_ERROR", &fields_.backlash, nullptr});
}

void PanelLogic::SetP4Output() {
    RunSet({sdk_.SetDOUT, "DOU=%d;", "IDS_SET_DOUT", LogArgs::Value, "IDS_SETTING_ERROR", "IDS_SETTING_ERROR",
            true},
           p4Level_);
}

void PanelLogic::QueryP4Output() {
    EachNode(false, [&](const TickedNode& node) {
        KymReply reply{};
        if (sdk_.GetDOUT(host_.Gateway(), static_cast<uint32_t>(node.id), &reply) != 1) {
            Error("IDS_DATA_RECEIVE_ERROR");
            return false;
        }
        p4Level_ = reply.field[0] != 0 ? 1 : 0;
        Record(node.id, "DOU;", Text("IDS_GET_DOUT", {int64_t{reply.field[0]}}));
        return true;
    });
}

void PanelLogic::SetAtcon(bool high) {
    int32_t v = 0;
    if (!ExchangeInt(high ? fields_.atconH : fields_.atconL, 0, 4095, v)) return;
    EachNode(true, [&](const TickedNode& node) {
        KymReply reply{};
        const Setter call = high ? sdk_.SetATCONH : sdk_.SetATCONL;
        if (call(host_.Gateway(), static_cast<uint32_t>(node.id), v, 1, &reply) != 1) {
            Error("IDS_SETTING_ERROR");
            return false;
        }
        if (reply.field[0] != v) {
            Error("IDS_SET_S1_ATCONH_ERROR");
            return false;
        }
        if (showReturn_)
            log_.Write(node.id, Text(high ? "IDS_ATCONH_UP_LIMIT" : "IDS_ATCONH_DOWN_LIMIT", {int64_t{v}}));
        return true;
    });
}

void PanelLogic::SetHoldOff(int sensor) {
    if (sensor < 1 || sensor > 3) return;
    int32_t v = 0;
    if (!ExchangeInt(fields_.holdOff[static_cast<size_t>(sensor - 1)], INT32_MIN, INT32_MAX, v)) return;
    EachNode(true, [&](const TickedNode& node) {
        // Only the slot of this sensor is meaningful to the controller.
        int32_t record[4] = {sensor, 0, 0, 0};
        record[sensor] = v;
        if (sdk_.SetSTG(host_.Gateway(), static_cast<uint32_t>(node.id), record, 0, nullptr) != 1) {
            Error("IDS_SETTING_ERROR");
            return false;
        }
        Record(node.id, FormatText("STG=%d %d;", {int64_t{v}, int64_t{sensor}}),
               Text("IDS_SET_STG", {int64_t{sensor}, int64_t{v}}));
        return true;
    });
}

void PanelLogic::QuerySensors() {
    EachNode(false, [&](const TickedNode& node) {
        const auto n = static_cast<uint32_t>(node.id);
        if (node.firmware > 1222) {
            KymReply r{};
            if (sdk_.GetSTG(host_.Gateway(), n, &r) != 1) {
                Error("IDS_DATA_RECEIVE_ERROR");
                return false;
            }
            for (size_t k = 0; k < 3; ++k) fields_.holdOff[k] = std::to_string(r.field[k + 1]);
            Record(node.id, "STG;",
                   Text("IDS_GET_STG", {int64_t{r.field[1]}, int64_t{r.field[2]}, int64_t{r.field[3]}}));
        }
        KymReply s{};
        if (sdk_.KymSFBK(host_.Gateway(), n, &s) != 1) return true;  // a failed sensor read shows nothing
        for (size_t k = 0; k < 3; ++k) fields_.sensorLevel[k] = s.field[k] != 0 ? "5" : "0";
        float analog = 0;
        std::memcpy(&analog, &s.field[3], sizeof analog);
        if (showReturn_)
            log_.Write(node.id, FormatText("%s (S1:%1d,S2:%1d,S3:%1d,AnalogInput:%fV)",
                                           {std::string_view("SFBK;"), int64_t{s.field[0]},
                                            int64_t{s.field[1]}, int64_t{s.field[2]}, double{analog}}));
        return true;
    });
}

bool PanelLogic::RequireConnected() {
    if (host_.Connected()) return true;
    Error("IDS_DEVICE_NOT_CONNECT_PLEASE_CONNECT_IT_AND_OP");
    return false;
}

bool PanelLogic::Global(int32_t result) {
    if (result == 1) return true;
    Error("IDS_DATA_SEND_EROR_CHECK_DEVICE");
    return false;
}

bool PanelLogic::RunForEdit(int editId) {
    using namespace panel_id;
    switch (editId) {
        case kSpeed:
            Run();
            return true;
        case kDisplacement:
            SetDisplacement();
            return true;
        case kPosition:
            SetPosition();
            return true;
        case kEncoder:
            SetEncoderPosition();
            return true;
        case kEncoderLines:
            SetEncoderLines();
            return true;
        case kAccTime:
            SetAccelerationTime();
            return true;
        case kDecTime:
            SetDecelerationTime();
            return true;
        case kAccValue:
            SetAccelerationValue();
            return true;
        case kDecValue:
            SetDecelerationValue();
            return true;
        case kStartSpeed:
            SetStartSpeed();
            return true;
        case kStopSpeed:
            SetStopSpeed();
            return true;
        case kGlobalCurrent:
            GlobalCurrent();
            return true;
        case kGlobalSpeed:
            GlobalSpeed();
            return true;
        case kGlobalDisplacement:
            GlobalDisplacement();
            return true;
        case kGlobalPosition:
            GlobalPosition();
            return true;
        case kGlobalEncoder:
            GlobalEncoderPosition();
            return true;
        case kAtconL:
            SetAtconL();
            return true;
        case kAtconH:
            SetAtconH();
            return true;
        case kNodeNumber:
            BurnNodeId();
            return true;
        default:
            return false;
    }
}

}  // namespace norvane::bench
