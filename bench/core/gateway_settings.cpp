// The gateway settings of the main window: CAN bit rate, gateway number and factory reset. A
// call succeeds only with a result of 1; a refused set (negative code) or an unanswered one (0)
// is reported like any other failure.
#include <cstdint>

#include "bench/core/text_format.h"
#include "bench/core/window_logic.h"

namespace norvane::bench {

namespace {

constexpr int32_t kAck = 1;
constexpr uint32_t kFirstAdvancedFirmware = 1232;

}  // namespace

void WindowLogic::SetCanBitRate(int index) {
    if (!connected_) {
        Error("IDS_DEVICE_NOT_CONNECT_PLEASE_CONNECT_IT_AND_OP");
        return;
    }
    const bool wasMonitoring = monitor_.Running();
    if (wasMonitoring) monitor_.Stop();
    int32_t returned = index;
    if (Failed(sdk_.SetBTR(handle_, index, 1, &returned), "IDS_SETTING_ERROR")) return;  // stays stopped
    if (returned >= 0 && returned < 5) bitRate_ = returned;
    if (wasMonitoring) monitor_.Start();
    messages_.Inform(language_.Lookup("IDS_CONGRATULATIONS"), language_.Lookup("IDS_CAN_BAUDRATE_SET_SUC"));
}

void WindowLogic::SetGatewayNumber(int number) {
    if (!connected_) {
        Error("IDS_DEVICE_NOT_CONNECT_PLEASE_CONNECT_IT_AND_OP");
        return;
    }
    if (messages_.Ask(language_.Lookup("IDS_WARING"), language_.Lookup("IDS_SET_CANDEVID_WARNING")) !=
        Answer::Yes)
        return;
    if (monitor_.Running()) monitor_.Stop();
    if (Failed(sdk_.SetDevIndex(handle_, 1024 + static_cast<uint32_t>(number)), "IDS_SETTING_ERROR")) return;
    // The gateway no longer answers under the old handle: back to the state without gateways.
    connected_ = false;
    gateways_.clear();
    selected_ = -1;
    ClearNodes();
    handle_ = static_cast<uint32_t>(number);
    gatewayNumber_ = number;
    DisableConnectionControls();
    controls_.Disable(ctl::kConnect);
}

bool WindowLogic::MotorOff(int node) {
    return CheckMotorOff(sdk_, handle_, node, language_, messages_);
}

void WindowLogic::FactoryReset() {
    if (!connected_) {
        Error("IDS_DEVICE_NOT_CONNECT_PLEASE_CONNECT_IT_AND_OP");
        return;
    }
    if (!Precheck()) return;
    if (!MotorOff(*list_.FirstTicked())) return;
    if (messages_.Ask(language_.Lookup("IDS_WARING"),
                      language_.Lookup("IDS_CONFIRM_RESET_FACTORY_SETTING")) != Answer::Yes)
        return;
    if (monitor_.Running()) monitor_.Stop();
    for (int id : list_.TickedIds()) {
        const NodeEntry* node = FindNode(id);
        if (!node) continue;
        const uint32_t kind = (node->DeviceCode() >> 8) & 0xFF;
        if (kind == 0x18)
            ResetController(*node);
        else if (kind == 0x52)
            ResetIoModule(id);
        else
            break;  // a node that is neither ends the loop
    }
}

void WindowLogic::ResetController(const NodeEntry& node) {
    const auto n = static_cast<uint32_t>(node.id);
    const uint32_t f = node.Firmware();
    const std::string question = FormatText(language_.Lookup("IDS_CAN_BTR_SET_WARNING"), {int64_t{node.id}});
    if (messages_.Ask(language_.Lookup("IDS_WARING"), question) != Answer::Yes) return;
    KymReply r{};
    if (Failed(sdk_.SetMCS(handle_, n, 16, 0, &r), "IDS_SETTING_ERROR")) return;
    if (Failed(sdk_.SetCUR(handle_, n, 12, 0, &r), "IDS_SETTING_ERROR")) return;
    if (Failed(sdk_.SetACR(handle_, n, f < 1207 ? 1 : 50, kAck, &r), "IDS_SETTING_ERROR")) return;
    if (f > 1231 && Failed(sdk_.KymAdvENA(handle_, n, 100, kAck, &r), "IDS_SETTING_ERROR")) return;
    const int32_t factoryMcfg = 0x0700;
    const int32_t previousMcfg = current_.Mcfg();
    r = KymReply{};
    if (Failed(sdk_.SetKymMCFG(handle_, n, &factoryMcfg, kAck, &r), "IDS_SETTING_ERROR")) {
        current_.SetMcfg(previousMcfg);
        return;
    }
    current_.SetMcfg(r.field[0]);
    // A set whose reply differs from the value sent did not take.
    auto setAndCompare = [&](auto call, int32_t value, const char* callFailedKey) {
        KymReply reply{};
        const int32_t result = (sdk_.*call)(handle_, n, value, kAck, &reply);
        if (result != 1)
            Error(callFailedKey);
        else if (reply.field[0] != value)
            Error("IDS_SETTING_ERROR");
        return result == 1 && reply.field[0] == value;
    };
    if (node.model.field[5] != 0) {
        setAndCompare(&SdkTable::SetmACC, 500, "IDS_DATA_RECEIVE_ERROR");
        setAndCompare(&SdkTable::SetmDEC, 500, "IDS_DATA_RECEIVE_ERROR");
        setAndCompare(&SdkTable::SetmMSS, 0, "IDS_SETTING_ERROR");
        setAndCompare(&SdkTable::SetmMDS, 0, "IDS_SETTING_ERROR");
        if (f >= kFirstAdvancedFirmware) {
            const int32_t zero = 0;
            if (sdk_.KymAdvSTORE(handle_, n, &zero, kAck, &r) != 1) Error("IDS_DATA_SEND_EROR_CHECK_DEVICE");
        }
    }
    if (!setAndCompare(&SdkTable::SetQER, 500, "IDS_SETTING_ERROR")) return;
    setAndCompare(&SdkTable::SetSQT, 1000, "IDS_SETTING_ERROR");
}

void WindowLogic::ResetIoModule(int id) {
    const auto n = static_cast<uint32_t>(id);
    const int32_t zero = 0, allInputs = 0xFFFF;
    KymReply r{};
    if (sdk_.SetKYDMCFG(handle_, n, &zero, kAck, &r) != 1)
        messages_.Show(language_.Lookup("IDS_ERR"), "设置MCFG失败");
    if (sdk_.SetIOconfig(handle_, n, &allInputs, kAck, &r) != 1)
        messages_.Show(language_.Lookup("IDS_ERR"), "设置IOC失败");
}

}  // namespace norvane::bench
