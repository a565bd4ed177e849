#include "sim/nodes/level_detector.h"

namespace norvane::sim::nodes {

LevelDetector::LevelDetector(uint8_t id, uint16_t firmware, uint32_t serial)
    : SecondGenNode(id, ModelBytes{34, 24, 0, 3, firmware}, serial != 0 ? serial : 0x4C560000u + id) {}

void LevelDetector::Restart() {
    tip_ = storedTip_;
    level_ = storedLevel_;
    baseline_ = absolute_;
    wet_ = false;
}

int32_t LevelDetector::Absolute() const {
    std::lock_guard lock(mutex_);
    return absolute_;
}
int32_t LevelDetector::Relative() const {
    std::lock_guard lock(mutex_);
    return absolute_ - baseline_;
}
int32_t LevelDetector::TipThreshold() const {
    std::lock_guard lock(mutex_);
    return tip_;
}
int32_t LevelDetector::LevelThreshold() const {
    std::lock_guard lock(mutex_);
    return level_;
}

void LevelDetector::SetCapacitance(int32_t absolute) {
    std::lock_guard lock(mutex_);
    absolute_ = absolute;
    CheckLevel(pending_);
}

void LevelDetector::CheckLevel(Outbox& out) {
    const int64_t relative = int64_t{absolute_} - baseline_;
    const bool wet = relative >= level_;
    if (wet == wet_) return;
    wet_ = wet;
    uint8_t d[4];
    WriteLe(d, static_cast<uint32_t>(relative), 4);
    Notify(wet ? 0xF1 : 0x71, d, 4, out);
}

bool LevelDetector::HandleCommand(const Request& r, Outbox& out) {
    switch (r.command) {
        case 0:
        case 61:
        case 46:
        case 81: {
            const uint8_t d[8] = {};
            Answer(r, d, r.command == 46 || r.command == 81 ? 4 : 8, out);
            return true;
        }
        case 3:
            if (r.HasData() && r.Signed(0, 4) == 0) {  // reset: the present value becomes the baseline
                baseline_ = absolute_;
                CheckLevel(out);
            }
            AnswerValue(r, 0, 4, out);
            return true;
        case 10:
        case 11:
            if (r.HasData()) {
                Refuse(r, kErrUnknownCommand, out);  // readings only
                return true;
            }
            AnswerValue(r, static_cast<uint32_t>(r.command == 10 ? absolute_ - baseline_ : absolute_), 4,
                        out);
            return true;
        case 73:
        case 74: {
            int32_t& reg = r.command == 74 ? tip_ : level_;
            if (r.HasData()) {
                reg = r.Signed(0, 4);
                CheckLevel(out);
            }
            AnswerValue(r, static_cast<uint32_t>(reg), 4, out);
            return true;
        }
        case 54:
            storedTip_ = tip_;
            storedLevel_ = level_;
            AnswerValue(r, r.Byte(0), 1, out);
            return true;
        default:
            return false;
    }
}

}  // namespace norvane::sim::nodes
