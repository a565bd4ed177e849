// Acceleration and deceleration, given as a time (ms) or as a value (pps/s). Which of the two the
// controller takes is the input-mode bit of its MCFG word (AM for acceleration, DM for
// deceleration): a time command needs the bit set, a value command needs it clear, and a query
// switches the node into the mode it reads. Each node's own word is read and only that bit is
// changed, so the other configuration bits of the nodes are never overwritten.
#include "bench/panel/panel_logic.h"

namespace norvane::bench {

namespace {

struct RampRow {
    int32_t bit;
    bool byTime;
    const char* setLog;
    const char* getLog;
    const char* history;
    const char* queryHistory;
    const char* notAllowed;
    const char* zeroQuestion;
};

RampRow RowOf(int ramp) {
    static const RampRow rows[] = {
        {mcfg::kAccelerationByTime, true, "IDS_SET_MACC", "IDS_GET_MACC", "mACC=%d;", "mACC;",
         "IDS_MACC_TIME_0_NOTALLOW", "IDS_MACC_TIME_0"},
        {mcfg::kDecelerationByTime, true, "IDS_SET_MDEC", "IDS_GET_MEDC", "mDEC=%d;", "mDEC;",
         "IDS_MDEC_TIME_0_NOTALLOW", "IDS_MDEC_TIME_0"},
        {mcfg::kAccelerationByTime, false, "IDS_SET_MACC_VALUE", "IDS_GET_MACC_VALUE", "mACC=%d;", "mACC;",
         "IDS_MACC_VALUE_0_NOTALLOW", "IDS_MACC_VALUE_0"},
        {mcfg::kDecelerationByTime, false, "IDS_SET_MDEC_VALUE", "IDS_GET_MDEC_VALUE", "mDEC=%d;", "mDEC;",
         "IDS_MDEC_VALUE_0_NOTALLOW", "IDS_MDEC_VALUE_0"},
    };
    return rows[ramp];
}

}  // namespace

bool PanelLogic::RampZeroAllowed(Ramp ramp, int32_t value) {
    if (value != 0) return true;
    const RampRow row = RowOf(static_cast<int>(ramp));
    if (host_.Current().Firmware() > 1231) {
        Error(row.notAllowed, "IDS_WARING");
        return false;
    }
    return messages_.Ask(language_.Lookup("IDS_WARING"), language_.Lookup(row.zeroQuestion)) == Answer::Yes;
}

bool PanelLogic::BringInputMode(const TickedNode& node, Ramp ramp) {
    const RampRow row = RowOf(static_cast<int>(ramp));
    const auto n = static_cast<uint32_t>(node.id);
    CurrentNode& current = host_.Current();
    KymReply read{};
    if (sdk_.GetKymMCFG(host_.Gateway(), n, &read) != 1) {
        Error("IDS_DATA_RECEIVE_ERROR");
        return false;
    }
    int32_t word = read.field[0];
    const bool isCurrent = node.id == current.Id();
    if (isCurrent) current.SetMcfg(word);
    if (((word & row.bit) != 0) == row.byTime) return true;
    word = row.byTime ? (word | row.bit) : (word & ~row.bit);
    KymReply reply{};
    if (sdk_.SetKymMCFG(host_.Gateway(), n, &word, 1, &reply) != 1 ||
        ((reply.field[0] & row.bit) != 0) != row.byTime) {
        Error("IDS_SETTING_ERROR");
        return false;
    }
    if (isCurrent) current.SetMcfg(reply.field[0]);
    return true;
}

void PanelLogic::RunRamp(Ramp ramp, bool set) {
    const RampRow row = RowOf(static_cast<int>(ramp));
    const bool acceleration = ramp == Ramp::AccTime || ramp == Ramp::AccValue;
    std::string& field = ramp == Ramp::AccTime    ? fields_.accTime
                         : ramp == Ramp::DecTime  ? fields_.decTime
                         : ramp == Ramp::AccValue ? fields_.accValue
                                                  : fields_.decValue;
    int32_t v = 0;
    if (set) {
        if (!ExchangeInt(field, 0, row.byTime ? 60000 : 65000000, v)) return;
        if (!RampZeroAllowed(ramp, v)) return;
    }
    EachNode(false, [&](const TickedNode& node) {
        if (!BringInputMode(node, ramp)) return false;
        const auto n = static_cast<uint32_t>(node.id);
        KymReply reply{};
        if (!set) {
            if ((acceleration ? sdk_.GetmACC : sdk_.GetmDEC)(host_.Gateway(), n, &reply) != 1) {
                Error("IDS_DATA_RECEIVE_ERROR");
                return false;
            }
            field = std::to_string(reply.field[0]);
            Record(node.id, row.queryHistory, Text(row.getLog, {int64_t{reply.field[0]}}));
            return true;
        }
        if ((acceleration ? sdk_.SetmACC : sdk_.SetmDEC)(host_.Gateway(), n, v, 1, &reply) != 1) {
            Error("IDS_DATA_RECEIVE_ERROR");
            return false;
        }
        if (reply.field[0] != v) {
            Error("IDS_SETTING_ERROR");
            return false;
        }
        Record(node.id, FormatText(row.history, {int64_t{v}}), Text(row.setLog, {int64_t{v}}));
        return true;
    });
}

}  // namespace norvane::bench
