#include "sim/nodes/temperature_controller.h"

namespace norvane::sim::nodes {

namespace {
constexpr int32_t kLowest = -400, kHighest = 1500;
constexpr uint64_t kStepMs = 100;

ModelBytes TemperatureModel(uint8_t code, uint16_t firmware) {
    if (code == 90) return ModelBytes{1, 90, 0, 0, firmware};  // "KYC90100"
    return ModelBytes{1, 89, 0x50, 100, firmware};             // "KYT500W": 5 x 100 W
}
}  // namespace

TemperatureController::TemperatureController(uint8_t id, uint8_t code, uint16_t firmware, uint32_t serial)
    : SecondGenNode(id, TemperatureModel(code, firmware), serial != 0 ? serial : 0x54430000u + id) {}

void TemperatureController::Restart() {
    running_ = false;
    desired_ = storedDesired_;
    measured_ = ambient_;
    carryMs_ = 0;
    dma_ = DmaWindow{};
}

bool TemperatureController::Running() const {
    std::lock_guard lock(mutex_);
    return running_;
}
int32_t TemperatureController::Ambient() const {
    std::lock_guard lock(mutex_);
    return ambient_;
}
int32_t TemperatureController::Desired() const {
    std::lock_guard lock(mutex_);
    return desired_;
}
int32_t TemperatureController::Measured() const {
    std::lock_guard lock(mutex_);
    return measured_;
}
int32_t TemperatureController::StoredDesired() const {
    std::lock_guard lock(mutex_);
    return storedDesired_;
}

void TemperatureController::SetAmbient(int32_t tenths) {
    std::lock_guard lock(mutex_);
    ambient_ = tenths;
}

void TemperatureController::Advance(uint64_t elapsedMs, Outbox& out) {
    (void)out;
    carryMs_ += elapsedMs;
    const int32_t target = running_ ? desired_ : ambient_;
    while (carryMs_ >= kStepMs && measured_ != target) {
        measured_ += measured_ < target ? 1 : -1;
        carryMs_ -= kStepMs;
    }
    if (measured_ == target) carryMs_ = 0;
}

bool TemperatureController::HandleCommand(const Request& r, Outbox& out) {
    switch (r.command) {
        case 1:
            running_ = !r.HasData() || r.Unsigned(0, 2) != 0;
            AnswerValue(r, running_ ? 1 : 0, 2, out);
            return true;
        case 2:
            running_ = false;
            AnswerValue(r, 0, 2, out);
            return true;
        case 11:
            AnswerValue(r, static_cast<uint32_t>(measured_), 4, out);
            return true;
        case 12:
            if (r.HasData()) {
                const int32_t v = r.Signed(0, 4);
                if (v < kLowest || v > kHighest) {
                    Refuse(r, kErrOutOfRange, out);
                    return true;
                }
                desired_ = v;
            }
            AnswerValue(r, static_cast<uint32_t>(desired_), 4, out);
            return true;
        case 54:
            storedDesired_ = desired_;
            AnswerValue(r, r.Byte(0), 1, out);
            return true;
        case 83: {
            if (r.HasData()) {
                Refuse(r, kErrUnknownCommand, out);
                return true;
            }
            if (dma_.NextReadStarts(now_)) {  // one snapshot for both halves of the record
                uint8_t record[12] = {static_cast<uint8_t>(running_ ? 1 : 0)};
                WriteLe(record + 1, static_cast<uint32_t>(ambient_), 2);
                WriteLe(record + 3, static_cast<uint32_t>(desired_), 2);
                WriteLe(record + 5, static_cast<uint32_t>(measured_), 2);
                dma_.Load(record, sizeof record);
            }
            uint8_t d[8] = {};
            Answer(r, d, dma_.Read(now_, d), out);
            return true;
        }
        default:
            return false;
    }
}

}  // namespace norvane::sim::nodes
