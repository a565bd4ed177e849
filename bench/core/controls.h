#pragma once
// The main window's controls by id, and the groups that are enabled and disabled together. The
// window logic decides which ids are enabled; the view applies the result to the widgets that
// carry those ids, so the rules are testable without a display.
#include <initializer_list>
#include <map>
#include <vector>

namespace norvane::bench {

/// Control ids the window logic names on their own.
namespace ctl {
inline constexpr int kGatewayList = 1001, kConnect = 1002, kDiscover = 1003, kCommandHistory = 1004,
                     kNodeList = 1007, kSearch = 1015, kGatewayNumber = 1019, kGatewayNumberSet = 1078,
                     kRs232Baud = 1348, kRs232BaudSet = 1063, kCanBitRate = 1349, kCanBitRateSet = 1067,
                     kFactoryReset = 1099, kNodeNumber = 1035, kBurnNodeId = 1087, kShowReturn = 1059,
                     kNotify = 1077, kClearNotices = 1060, kClearReturn = 1057, kMultiSelect = 1393,
                     kIoModule = 1092, kRfid = 1459, kTemperature = 1523, kLiquidLevel = 1534,
                     kKyd0606 = 1537, kAutoEnableTime = 1352, kAdvancedEnable = 1397, kInitialRegister = 1456,
                     kSensorMenu = 1457, kBacklash = 1101, kBacklashSet = 1102, kBacklashQuery = 1114,
                     kS12Con = 1090, kS34Con = 1093, kStore = 1096, kSensorStatus = 1091, kSpecialSet = 1039,
                     kSpecialQuery = 1115, kP4Set = 1131, kP4Query = 1130, kSpeedSet = 1017,
                     kPositionSet = 1023, kSpeedQuery = 1103, kEncoderSet = 1025, kEncoderQuery = 1129,
                     kCommandBox = 1521, kCommandSend = 1460, kHistorySend = 1009, kMonitorInterval = 1011;
}  // namespace ctl

enum class Group {
    GatewaySettings,
    MotionParameters,
    GlobalPanel,
    MessageControls,
    PerNodePanel,
    DeviceButtons
};

/// The ids of a group.
const std::vector<int>& GroupControls(Group group);
/// Sensor controls and the eight STO buttons, enabled with the per-node panel only by model.
const std::vector<int>& SensorControls();
const std::vector<int>& StoButtons();

/// Enabled state of every control the logic manages (ids not listed are left to the view).
class ControlStates {
public:
    void Enable(int id, bool on = true) { enabled_[id] = on; }
    void Disable(int id) { enabled_[id] = false; }
    void Set(Group group, bool on);
    void Set(std::initializer_list<int> ids, bool on);
    /// Whether id is enabled; ids never set count as enabled.
    bool Enabled(int id) const;
    const std::map<int, bool>& All() const { return enabled_; }

private:
    std::map<int, bool> enabled_;
};

}  // namespace norvane::bench
