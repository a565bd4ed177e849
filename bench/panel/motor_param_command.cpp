#include "bench/panel/motor_param_command.h"

#include "bench/core/text_format.h"
#include "bench/panel/panel_fields.h"

namespace norvane::bench {

void MotorParamCommand::Error(const char* key) {
    messages_.Show(language_.Lookup("IDS_ERR"), language_.Lookup(key));
}

std::optional<MotorParams> MotorParamCommand::Prepare() {
    if (!host_.Precheck()) return std::nullopt;
    node_ = host_.TickedNodes().front();
    const uint32_t h = host_.Gateway();
    const auto n = static_cast<uint32_t>(node_.id);
    if (!CheckMotorOff(sdk_, h, node_.id, language_, messages_)) return std::nullopt;
    KymReply s{};
    if (sdk_.KymACK(h, n, &s) != 1) {
        Error("IDS_DATA_RECEIVE_ERROR");
        return std::nullopt;
    }
    int32_t percent = s.field[3] == 0 ? 100 : 50;
    if (node_.firmware >= 1208) {
        KymReply a{};
        if (sdk_.GetACR(h, n, &a) != 1) {
            Error("IDS_DATA_RECEIVE_ERROR");
            return std::nullopt;
        }
        percent = AcrPercent(a.field[0]);
    }
    read_ = {MicrostepChoice(s.field[4]), FormatText("%.1f", {s.field[5] / 10.0}), std::to_string(percent)};
    return read_;
}

bool MotorParamCommand::Apply(const MotorParams& chosen) {
    const Exchanged percent = ExchangeInteger(chosen.percent, 1, 100);
    if (!percent.value) {
        messages_.Show(kApplicationTitle, percent.message);
        return false;
    }
    const bool currentChanged = chosen.current != read_.current;
    const ExchangedNumber current = ExchangeNumber(chosen.current, 0, 8);
    if (currentChanged && !current.value) {
        // A current that is not a number of amperes is refused rather than sent as 0.
        messages_.Show(kApplicationTitle, current.message);
        return false;
    }
    const uint32_t h = host_.Gateway();
    const auto n = static_cast<uint32_t>(node_.id);
    KymReply r{};
    if (chosen.microstep != read_.microstep && sdk_.SetMCS(h, n, MicrostepOf(chosen.microstep), 0, &r) != 1) {
        Error("IDS_DATA_RECEIVE_ERROR");
        return true;
    }
    if (currentChanged && sdk_.SetCUR(h, n, CurrentTenths(*current.value), 0, &r) != 1) {
        Error("IDS_SETTING_ERROR");
        return true;
    }
    const auto p = static_cast<int32_t>(*percent.value);
    if (std::to_string(p) == read_.percent) return true;
    int32_t value = AcrRegister(p);
    if (node_.firmware < 1207) {
        // Such firmware reads register 1 as 50 %: only 100 % and 50 % can be expressed.
        if (p != 100 && p != 50) {
            Error("IDS_ACR_WARNING");
            return true;
        }
        value = p == 100 ? 0 : 1;
    }
    r = KymReply{};
    if (sdk_.SetACR(h, n, value, 1, &r) != 1 || (p != 100 && r.field[0] != value)) Error("IDS_SETTING_ERROR");
    return true;
}

}  // namespace norvane::bench
