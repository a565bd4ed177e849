#pragma once
// The node control panel without a display: every per-node and global button of the main window
// as one handler, with the field exchange, the node-selection precheck, the per-node loop in row
// order (stop on the first failure; Enable and Off go on), the motor-off check, the MCFG input
// mode of acceleration and deceleration, the command history and the log lines. Handlers run on
// the user-interface thread and block for their SDK calls; the view copies its fields in before
// a handler and shows them (and the history) afterwards.
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "bench/core/language.h"
#include "bench/core/log_writer.h"
#include "bench/core/monitor_control.h"
#include "bench/core/sdk_table.h"
#include "bench/core/text_format.h"
#include "bench/core/user_messages.h"
#include "bench/panel/command_history.h"
#include "bench/panel/panel_fields.h"
#include "bench/panel/panel_host.h"

namespace norvane::bench {

enum class PanelMode { PerNode, Global, Command };

/// Panel control ids the logic names (edits the Enter key runs a command for, and the buttons
/// the combined set and query look at).
namespace panel_id {
inline constexpr int kSpeed = 1016, kDisplacement = 1020, kPosition = 1022, kEncoder = 1024,
                     kEncoderLines = 1367, kAccTime = 1033, kDecTime = 1034, kAccValue = 1045,
                     kDecValue = 1046, kStartSpeed = 1047, kStopSpeed = 1048, kGlobalCurrent = 1076,
                     kGlobalSpeed = 1071, kGlobalDisplacement = 1072, kGlobalPosition = 1073,
                     kGlobalEncoder = 1074, kAtconL = 1098, kAtconH = 1368, kNodeNumber = 1035,
                     kMonitorInterval = 1011;
inline constexpr int kAccTimeSet = 1037, kDecTimeSet = 1038, kAccValueSet = 1049, kDecValueSet = 1050,
                     kStartSpeedSet = 1051, kStopSpeedSet = 1052, kAccTimeQuery = 1041, kDecTimeQuery = 1042,
                     kAccValueQuery = 1053, kDecValueQuery = 1054, kStartSpeedQuery = 1055,
                     kStopSpeedQuery = 1056, kEncoderLinesSet = 1069, kEncoderLinesQuery = 1061,
                     kStallSet = 1094, kStallQuery = 1100, kBacklashSet = 1102, kBacklashQuery = 1114,
                     kMotorParamQuery = 1136, kSpecialQueryAll = 1115, kSensorQuery = 1122, kP4Query = 1130;
}  // namespace panel_id

class PanelLogic {
public:
    PanelLogic(const SdkTable& sdk, const Language& language, const LogWriter& log, UserMessages& messages,
               PanelHost& host, MonitorControl& monitor);

    PanelFields& Fields() { return fields_; }
    const CommandHistory& History() const { return history_; }
    /// A successful command of a register dialog joins the history too.
    void AddHistory(std::string_view text) { history_.Add(text); }
    PanelMode Mode() const { return mode_; }
    /// Global mode unticks every node (the view also disables the auto-enable time field).
    void SetMode(PanelMode mode);
    /// The show-return-messages box: log lines only while it is ticked.
    void SetShowReturn(bool on) { showReturn_ = on; }
    /// The P4 level choice of the "5V" (1) and "0V" (0) buttons.
    int P4Level() const { return p4Level_; }
    void SetP4Level(int level) { p4Level_ = level; }

    // --- per-node commands ---
    void Enable();
    void Off();
    void EnableOffToggle(bool down) { down ? Enable() : Off(); }
    void Run();
    void Stop();
    void SetDisplacement();
    void SetPosition();
    void SetEncoderPosition();
    void Origin();
    void QuerySpeed();
    void QueryDisplacement();
    void QueryPosition();
    void QueryEncoderPosition();
    void SetAccelerationTime() { RunRamp(Ramp::AccTime, true); }
    void SetDecelerationTime() { RunRamp(Ramp::DecTime, true); }
    void SetAccelerationValue() { RunRamp(Ramp::AccValue, true); }
    void SetDecelerationValue() { RunRamp(Ramp::DecValue, true); }
    void QueryAccelerationTime() { RunRamp(Ramp::AccTime, false); }
    void QueryDecelerationTime() { RunRamp(Ramp::DecTime, false); }
    void QueryAccelerationValue() { RunRamp(Ramp::AccValue, false); }
    void QueryDecelerationValue() { RunRamp(Ramp::DecValue, false); }
    void SetStartSpeed();
    void SetStopSpeed();
    void QueryStartSpeed();
    void QueryStopSpeed();
    void SetEncoderLines();
    void QueryEncoderLines();
    void SetStall();
    void QueryStall();
    void SetBacklash();
    void QueryBacklash();
    /// sensor 1..3
    void SetHoldOff(int sensor);
    void QuerySensors();
    void SetP4Output();
    void QueryP4Output();
    void SetAtconH() { SetAtcon(true); }
    void SetAtconL() { SetAtcon(false); }
    void CurrentStatus();
    void DriveParameters();
    void SensorStatus();
    void SetMotorParameters();
    void QueryMotorParameters();
    void BurnNodeId();
    void CombinedSet();
    void CombinedQuery();
    void CombinedSpecialSet();
    void CombinedSpecialQuery();

    // --- queries the window runs for a ticked motor controller (each only when its button is
    // enabled, so a row the node's model or MCFG does not use is not asked) ---
    /// A motor controller was ticked: per-node mode, "0" in the actual values, then folded the
    /// motor parameter query; expanded the ramp queries the MCFG input modes select, the start
    /// and stop speed queries and the expand queries.
    void ControllerTicked(bool expanded);
    /// The window expanded with a motor controller ticked: motor parameters, special
    /// parameters, sensors and the P4 output.
    void ExpandQueries();

    // --- global commands ---
    void GlobalSpeed();
    void GlobalDisplacement();
    void GlobalPosition();
    void GlobalEncoderPosition();
    void GlobalCurrent();
    void GlobalMicrostep();
    void GlobalHalving();
    void GlobalTtl();
    void GlobalOff();
    void GlobalOrigin();

    // --- settings ---
    void ChangeRs232Baud();

    /// The Enter key in the edit with this control id runs its command; false when the edit has
    /// none (the command box and the monitor interval are the window's).
    bool RunForEdit(int editId);

    /// Whether every ticked node answers its status with ENA set (the status query without box).
    bool AllTickedEnabled();

    /// A successful command: its text goes into the history and, while the show-return-messages
    /// box is ticked, logText into the log (also used by the store commands).
    void Record(int node, std::string_view history, const std::string& logText);

private:
    using Setter = int32_t (*)(uint32_t, uint32_t, int32_t, int32_t, KymReply*);
    using Getter = int32_t (*)(uint32_t, uint32_t, KymReply*);
    enum class LogArgs { None, Value, Reply, ValueReply };
    struct SetRow {
        Setter call;
        const char* history;  ///< with %d for the value
        const char* logKey;
        LogArgs logArgs;
        const char* failKey;   ///< the call failed
        const char* replyKey;  ///< the reply differs from the value; nullptr: not compared
        bool motorOff;
    };
    struct QueryRow {
        Getter call;
        const char* history;
        const char* logKey;
        const char* failKey;
        std::string* field;
        std::string* actual;  ///< the actual-value field, or nullptr
    };
    enum class Ramp { AccTime, DecTime, AccValue, DecValue };
    using Step = std::pair<int, void (PanelLogic::*)()>;  ///< a button's control id and handler

    void QueriesOfTick(bool expanded);

    /// Runs the steps in order, each only when its button is enabled.
    void RunEnabled(std::initializer_list<Step> steps);
    /// The node-selection precheck, passed at once inside a query sequence that ran it already
    /// (so an old RS-232 gateway's question comes once per tick, not once per query).
    bool Precheck() { return prechecked_ || host_.Precheck(); }

    void Error(const char* key, const char* captionKey = "IDS_ERR");
    bool ExchangeInt(const std::string& text, int64_t lo, int64_t hi, int32_t& out);
    /// The motion fields: text check, global redirect, exchange. false: the command ends here.
    bool MotionInput(const std::string& text, int64_t lo, int64_t hi, std::string& globalField,
                     void (PanelLogic::*global)(), int32_t& out);
    std::string Text(const char* key, std::initializer_list<FormatArg> args = {}) const;
    std::string LogText(const char* key, LogArgs args, int32_t value, int32_t reply) const;
    /// Runs step for each ticked node in row order after the precheck; step returns false to
    /// stop. motorOff runs the motor-off check on each node first.
    void EachNode(bool motorOff, const std::function<bool(const TickedNode&)>& step);
    void RunSet(const SetRow& row, int32_t value);
    void RunQuery(const QueryRow& row);
    void RunRamp(Ramp ramp, bool set);
    bool RampZeroAllowed(Ramp ramp, int32_t value);
    bool BringInputMode(const TickedNode& node, Ramp ramp);
    void SetAtcon(bool high);
    bool Global(int32_t result);
    bool RequireConnected();
    void StatusBox(Getter call, const char* history, bool box);

    const SdkTable& sdk_;
    const Language& language_;
    const LogWriter& log_;
    UserMessages& messages_;
    PanelHost& host_;
    MonitorControl& monitor_;
    PanelFields fields_;
    CommandHistory history_;
    PanelMode mode_ = PanelMode::PerNode;
    bool showReturn_ = true;
    int p4Level_ = 1;
    bool prechecked_ = false;  ///< inside a query sequence whose precheck said go
};

}  // namespace norvane::bench
