#include "bench/dialogs/level_logic.h"

#include "bench/dialogs/io_ports.h"

namespace norvane::bench {

namespace {

constexpr int32_t kAck = 1;
constexpr const char* kCapacitanceFailed = "Execute GetPOS failed";

}  // namespace

void LevelLogic::Open() {
    QueryTip();
    QueryLevel();
    QueryRelative();
    QueryAbsolute();
}

bool LevelLogic::Read(ReadCall call, std::string& field) {
    KymReply r{};
    if ((t_.sdk.*call)(t_.handle, t_.node, &r) != 1) return false;
    field = std::to_string(r.field[0]);
    return true;
}

void LevelLogic::QueryTip() {
    if (!Read(&SdkTable::GetPMB, s_.tip)) t_.Error("IDS_NO_DEVICE_FIND");
}
void LevelLogic::QueryLevel() {
    if (!Read(&SdkTable::GetPMD, s_.level)) t_.Error("IDS_NO_DEVICE_FIND");
}
void LevelLogic::QueryRelative() {
    if (!Read(&SdkTable::GetSTP, s_.relative)) t_.messages.Show("Error", kCapacitanceFailed);
}
void LevelLogic::QueryAbsolute() {
    if (!Read(&SdkTable::GetPOS, s_.absolute)) t_.messages.Show("Error", kCapacitanceFailed);
}

void LevelLogic::Write(WriteCall call, const std::string& field) {
    const auto value = ParseSigned(field);
    if (!value) {
        t_.Error("IDS_INPUT_VALID_NUM");
        return;
    }
    KymReply r{};
    t_.Failed((t_.sdk.*call)(t_.handle, t_.node, &*value, kAck, &r), "IDS_NO_DEVICE_FIND");
}

void LevelLogic::SetTip() {
    Write(&SdkTable::SetPMB, s_.tip);
}
void LevelLogic::SetLevel() {
    Write(&SdkTable::SetPMD, s_.level);
}

void LevelLogic::Reset() {
    KymReply r{};
    t_.Failed(t_.sdk.SetORG(t_.handle, t_.node, 0, kAck, &r), "IDS_DATA_RECEIVE_ERROR");
}

}  // namespace norvane::bench
