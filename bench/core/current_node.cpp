#include "bench/core/current_node.h"

namespace norvane::bench {

MotorState ReadMotorState(const SdkTable& sdk, uint32_t gateway, int node) {
    KymReply status{};
    if (sdk.KymACK(gateway, static_cast<uint32_t>(node), &status) != 1) return MotorState::Unknown;
    return status.field[1] == 0 ? MotorState::Off : MotorState::Running;
}

bool AllNodesEnabled(const SdkTable& sdk, uint32_t gateway, const std::vector<int>& nodes) {
    for (int node : nodes) {
        KymReply s{};
        if (sdk.KymFBK(gateway, static_cast<uint32_t>(node), &s) != 1 || s.field[1] == 0) return false;
    }
    return true;
}

bool CheckMotorOff(const SdkTable& sdk, uint32_t gateway, int node, const Language& language,
                   UserMessages& messages) {
    switch (ReadMotorState(sdk, gateway, node)) {
        case MotorState::Off:
            return true;
        case MotorState::Unknown:
            // An unread status counts as not off: both boxes, as for a running motor.
            messages.Show(language.Lookup("IDS_ERR"), language.Lookup("IDS_DATA_RECEIVE_ERROR"));
            break;
        case MotorState::Running:
            break;
    }
    messages.Show(language.Lookup("IDS_ERR"), language.Lookup("IDS_SETPARAM_NO_OFF_WARNING"));
    return false;
}

}  // namespace norvane::bench
