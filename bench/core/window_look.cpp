#include "bench/core/window_look.h"

#include <algorithm>

#include "bench/core/controls.h"

namespace norvane::bench {

const std::map<int, const char*>& ToolTipKeys() {
    static const std::map<int, const char*> keys{{ctl::kGatewayList, "IDC_COMBO_COM"},
                                                 {ctl::kGatewayNumber, "IDE_SET_DEVINDEX"},
                                                 {ctl::kRs232Baud, "IDC_COMBO_SET_232BAUNDRATE"},
                                                 {ctl::kCommandHistory, "IDC_COMBO_LATESTCMD"},
                                                 {ctl::kMonitorInterval, "IDE_POLLTIME_INTER"}};
    return keys;
}

const std::vector<int>& SectionTitles() {
    static const std::vector<int> ids{1476, 1478, 1479, 1488, 1493, 1497, 1520};
    return ids;
}

const std::vector<int>& FilledGroups() {
    static const std::vector<int> ids{1355, 1463, 1464, 1465, 1466, 1467};
    return ids;
}

EnterAction EnterActionFor(int controlId) {
    // Speed, displacement, position, encoder position, encoder lines, ramp times and values, start
    // and stop speeds, the global current, speed, displacement, position and encoder position,
    // ATCONL, ATCONH and the node-number box.
    static const int panelEdits[] = {1016,
                                     1020,
                                     1022,
                                     1024,
                                     1367,
                                     1033,
                                     1034,
                                     1045,
                                     1046,
                                     1047,
                                     1048,
                                     1076,
                                     1071,
                                     1072,
                                     1073,
                                     1074,
                                     1098,
                                     1368,
                                     ctl::kNodeNumber};
    if (controlId == ctl::kCommandBox) return EnterAction::SendCommand;
    if (controlId == ctl::kCommandHistory) return EnterAction::SendHistory;
    if (controlId == ctl::kMonitorInterval) return EnterAction::Refresh;
    if (std::find(std::begin(panelEdits), std::end(panelEdits), controlId) != std::end(panelEdits))
        return EnterAction::PanelCommand;
    return EnterAction::None;
}

}  // namespace norvane::bench
