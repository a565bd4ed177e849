#include "sim/socketcan_link.h"

#include "sim/socketcan_frames.h"

namespace norvane::sim {

bool SocketCanLink::FileChanged(std::optional<std::string_view> text) {
    up_ = text.has_value();
    clientRate_ = up_ ? ParseBitRateText(*text) : std::nullopt;
    const bool restarted = up_ && busOff_;
    busOff_ = false;  // down and up again, or a restart: the controller starts error-active
    return restarted;
}

SocketCanLink::Verdict SocketCanLink::FromClient(uint64_t nowMs, bool& enteredBusOff) {
    enteredBusOff = false;
    if (!up_) return Verdict::Down;
    if (busOff_) return Verdict::BusOff;
    if (clientRate_ != busBitRate_) {
        EnterBusOff(nowMs);
        enteredBusOff = true;
        return Verdict::WrongRate;
    }
    return Verdict::Pass;
}

SocketCanLink::Verdict SocketCanLink::FromBus() const {
    if (!up_) return Verdict::Down;
    if (busOff_) return Verdict::BusOff;
    return clientRate_ == busBitRate_ ? Verdict::Pass : Verdict::WrongRate;
}

bool SocketCanLink::ForceBusOff(uint64_t nowMs) {
    if (!up_ || busOff_) return false;
    EnterBusOff(nowMs);
    return true;
}

void SocketCanLink::EnterBusOff(uint64_t nowMs) {
    busOff_ = true;
    restartAtMs_ = nowMs + restartMs_;
}

bool SocketCanLink::RestartDue(uint64_t nowMs) {
    if (!busOff_ || restartMs_ == 0 || nowMs < restartAtMs_) return false;
    busOff_ = false;
    return true;
}

std::optional<uint64_t> SocketCanLink::RestartAtMs() const {
    if (!busOff_ || restartMs_ == 0) return std::nullopt;
    return restartAtMs_;
}

}  // namespace norvane::sim
