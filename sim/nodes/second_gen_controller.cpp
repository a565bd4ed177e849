#include "sim/nodes/second_gen_controller.h"

#include <cstdlib>

#include "sim/nodes/analog_answer.h"

namespace norvane::sim::nodes {

namespace {

constexpr uint8_t kDeviceCode = 24;

uint16_t ModelCode(const ControllerOptions& o) {
    const uint16_t code = o.ie ? 3 : o.e ? 2 : o.m ? 1 : 0;
    return static_cast<uint16_t>(code << 14);
}

ModelBytes MakeModel(const ControllerOptions& o) {
    return ModelBytes{o.d0, kDeviceCode, ControllerModelFlags(o), o.d3, o.firmware};
}

uint32_t SerialOf(const ControllerOptions& o, uint8_t id) {
    return o.serial != 0 ? o.serial : 0x24180000u + id;
}

int32_t Magnitude(int32_t v) {
    const int64_t m = std::llabs(static_cast<int64_t>(v));
    return m == 0 ? static_cast<int32_t>(MotionModel::kDefaultMoveSpeed)
                  : static_cast<int32_t>(m > INT32_MAX ? INT32_MAX : m);
}

}  // namespace

uint8_t ControllerModelFlags(const ControllerOptions& o) {
    uint8_t flags = 0;
    if (o.m) flags |= 0x10;
    if (o.sp)
        flags |= 0x04;
    else if (o.s)
        flags |= 0x02;
    if (o.ie)
        flags |= 0x40;
    else if (o.e)
        flags |= 0x20;
    return flags;
}

SecondGenController::SecondGenController(uint8_t id, const ControllerOptions& options)
    : SecondGenNode(id, MakeModel(options), SerialOf(options, id)), options_(options) {
    eeprom_.config.icfg = ModelCode(options);
    Restart();
}

void SecondGenController::Restart() {
    cfg_ = eeprom_.config;
    cfg_.icfg = static_cast<uint16_t>((cfg_.icfg & ~kIcfgModelMask) | ModelCode(options_));
    group_ = eeprom_.slots[0];
    motion_ = MotionModel{};
    dma_ = DmaWindow{};
    enabled_ = (cfg_.icfg & kIcfgAutoEnable) != 0;
    locked_ = false;
    output_ = false;
    for (bool& t : triggered_) t = false;
}

// ---- accessors and hooks ----

int32_t SecondGenController::Speed() const {
    std::lock_guard lock(mutex_);
    return group_.speed;
}
int64_t SecondGenController::Position() const {
    std::lock_guard lock(mutex_);
    return motion_.Position();
}
int64_t SecondGenController::Encoder() const {
    return Position();
}
bool SecondGenController::Enabled() const {
    std::lock_guard lock(mutex_);
    return enabled_;
}
bool SecondGenController::Moving() const {
    std::lock_guard lock(mutex_);
    return motion_.Moving();
}
bool SecondGenController::Locked() const {
    std::lock_guard lock(mutex_);
    return locked_;
}
bool SecondGenController::Output() const {
    std::lock_guard lock(mutex_);
    return output_;
}
ControllerConfig SecondGenController::Config() const {
    std::lock_guard lock(mutex_);
    return cfg_;
}
MotionGroup SecondGenController::Registers() const {
    std::lock_guard lock(mutex_);
    return group_;
}
ControllerEeprom SecondGenController::Eeprom() const {
    std::lock_guard lock(mutex_);
    return eeprom_;
}

void SecondGenController::SetSensor(int sensor, bool level) {
    std::lock_guard lock(mutex_);
    if (sensor < 1 || sensor > 3 || sensors_[sensor - 1] == level) return;
    sensors_[sensor - 1] = level;
    if ((cfg_.icfg & (kIcfgSensorOff1 << (sensor - 1))) != 0) return;  // sensor switched off
    SensorEdge(sensor, level, pending_);
}

void SecondGenController::SetAnalog(uint16_t value) {
    std::lock_guard lock(mutex_);
    analog_ = value > 4095 ? 4095 : value;
}

void SecondGenController::InjectStall() {
    std::lock_guard lock(mutex_);
    const uint8_t action = StallAction(cfg_);
    if (action != 0 && (cfg_.mcfg & kMcfgStallNotice) != 0) MotorNotice(0x77, pending_);
    Execute(action, 1, pending_);
}

// ---- helpers ----

void SecondGenController::AnswerStatus(const Request& r, Outbox& out) const {
    uint8_t d[8];
    AddressAnswer(d);
    Answer(r, d, 8, out);
}

size_t SecondGenController::AddressAnswer(uint8_t* out8) const {
    StatusFields s;
    s.enabled = enabled_;
    s.reverse = motion_.Reverse();
    s.acr = cfg_.acr;
    s.mcs = cfg_.mcs;
    s.cur = cfg_.cur;
    s.speed = group_.speed;
    s.steps = group_.steps;
    EncodeStatus(s, out8);
    return 8;
}

bool SecondGenController::Refused(const Request& r, Outbox& out) {
    if (!locked_) return false;
    Refuse(r, kErrNotReady, out);
    return true;
}

void SecondGenController::MotorNotice(uint8_t controlWord, Outbox& out) const {
    uint8_t d[4];
    WriteLe(d, static_cast<uint32_t>(motion_.Position()), 4);
    Notify(controlWord, d, 4, out);
}

void SecondGenController::SetOutputLevel(bool level, Outbox& out) {
    if (level == output_) return;
    output_ = level;
    if ((cfg_.mcfg & kMcfgP4Notice) != 0) MotorNotice(level ? 0xF4 : 0x74, out);
}

void SecondGenController::Disable() {
    enabled_ = false;
    motion_.Stop();
}

void SecondGenController::Store(int slot) {
    eeprom_.config = cfg_;
    if (slot >= 0) {
        eeprom_.slots[slot] = group_;
        return;
    }
    eeprom_.slots[0] = group_;  // STORE without a slot: system group and every sensor edge
    for (int s = 2; s < kEepromSlots; ++s) eeprom_.slots[s] = group_;
}

void SecondGenController::Execute(uint8_t action, int slot, Outbox& out) {
    (void)out;
    const MotionGroup& g = eeprom_.slots[slot].speed != 0 ? eeprom_.slots[slot] : group_;
    const int32_t speed = Magnitude(g.speed);
    const int64_t steps = std::llabs(static_cast<int64_t>(g.steps));
    const bool canMove = enabled_ && !locked_;
    const bool lockAfterStop = (cfg_.icfg & kIcfgLock) != 0;
    switch (action) {
        case 0x2:
            if (canMove) motion_.Run(-speed);
            break;
        case 0xA:
            if (canMove) motion_.Run(speed);
            break;
        case 0x3:
            motion_.Stop();
            break;
        case 0xB:
            motion_.Stop();
            motion_.SetPosition(0);
            break;
        case 0x7:
            motion_.SetPosition(0);
            if (canMove) motion_.MoveBy(g.steps, speed);
            break;
        case 0x4:
        case 0xC:
            motion_.Stop();
            if (action == 0xC) motion_.SetPosition(0);
            locked_ = locked_ || lockAfterStop;
            break;
        case 0x5:
            if (canMove) motion_.MoveBy(-steps, speed);
            break;
        case 0xD:
            if (canMove) motion_.MoveBy(steps, speed);
            break;
        case 0x6:
            motion_.SetPosition(0);
            break;
        case 0x9: {
            const bool reverse = !motion_.Reverse();
            motion_.SetReverse(reverse);
            if (canMove) motion_.MoveBy(reverse ? -steps : steps, speed);
            break;
        }
        case 0xE: {
            const bool reverse = !motion_.Reverse();
            motion_.SetReverse(reverse);
            if (canMove) motion_.Run(reverse ? -speed : speed);
            break;
        }
        case 0xF:
            Disable();
            locked_ = locked_ || lockAfterStop;
            break;
        default:  // 0000, 0001: no action; 1000: interrupt function (no user program here)
            break;
    }
}

void SecondGenController::SensorEdge(int sensor, bool rising, Outbox& out) {
    if (motion_.CurrentMode() == MotionModel::Mode::Origin && sensor == 1 && rising) {
        motion_.FoundOrigin();
        if ((cfg_.mcfg & kMcfgOriginNotice) != 0) MotorNotice(0x76, out);
        return;
    }
    const int i = sensor - 1;
    const uint16_t holdOff = cfg_.stg[i];
    if (triggered_[i] && (holdOff == 60001 || (holdOff > 0 && now_ < lastTrigger_[i] + holdOff))) return;
    triggered_[i] = true;
    lastTrigger_[i] = now_;
    const uint8_t action = EdgeAction(cfg_, sensor, rising);
    if (action != 0 && (cfg_.mcfg & (1u << i)) != 0) {
        MotorNotice(static_cast<uint8_t>((0x70 + sensor) | (rising ? 0x80 : 0)), out);
    }
    Execute(action, EdgeSlot(sensor, rising), out);
}

void SecondGenController::AnswerAnalog(const Request& r, Outbox& out) const {
    const uint8_t mask = r.HasData() ? r.Byte(0) : 1;
    const uint16_t values[8] = {analog_};
    const AnalogMessages m = EncodeAnalog(mask & 0x01, values);  // one analog input: channel 1
    Answer(r, m.data[0], m.length[0], out);
    Answer(r, m.data[1], m.length[1], out);
}

// ---- commands ----

void SecondGenController::Advance(uint64_t elapsedMs, Outbox& out) {
    if (!motion_.Advance(elapsedMs)) return;
    if ((cfg_.mcfg & kMcfgMoveNotice) != 0)
        MotorNotice((cfg_.mcfg & kMcfgClosedLoop) != 0 ? 0xF5 : 0x75, out);
}

void SecondGenController::HandleGlobal(const Request& r, Outbox& out) {
    if (r.command == 23) {  // gORG without a value, gDIR with one
        if (r.HasData()) {
            motion_.SetReverse((r.Byte(0) & 1) != 0);
        } else if (enabled_ && !locked_) {
            motion_.SearchOrigin(cfg_.originSpeed);
        }
        return;
    }
    static constexpr uint8_t kNodeCommand[] = {2, 0, 4, 0, 6, 7, 8, 9, 10, 11, 12};  // 22..32
    const uint8_t command = kNodeCommand[r.command - 22];
    if (command == 0) return;
    Request n = r;
    n.command = command;
    HandleCommand(n, out);
}

bool SecondGenController::HandleCommand(const Request& r, Outbox& out) {
    switch (r.command) {
        case 0:
        case 61:
            AnswerStatus(r, out);
            return true;
        case 1:
            if (!r.HasData()) {
                if (Refused(r, out)) return true;
                enabled_ = true;
                AnswerStatus(r, out);
            } else {
                const uint32_t v = r.Unsigned(0, 2);
                if (v != 0xFFFF) cfg_.autoEnableMs = static_cast<uint16_t>(v);  // 0xFFFF reads the time
                AnswerValue(r, cfg_.autoEnableMs, 2, out);
            }
            return true;
        case 2:
            Disable();
            AnswerStatus(r, out);
            return true;
        case 3: {
            if (!r.HasData()) {
                AnswerValue(r, static_cast<uint32_t>(cfg_.originSpeed), 4, out);
                return true;
            }
            if (Refused(r, out)) return true;
            const int32_t v = r.Signed(0, 4);
            if (v != 0) cfg_.originSpeed = v;
            if (v == 0) {  // the current place becomes the origin
                motion_.FoundOrigin();
                if ((cfg_.mcfg & kMcfgOriginNotice) != 0) MotorNotice(0x76, out);
            } else if (enabled_) {
                motion_.SearchOrigin(v);
            }
            AnswerValue(r, static_cast<uint32_t>(v), 4, out);
            return true;
        }
        case 4:
            if (r.HasData()) SetOutputLevel((r.Byte(0) & 1) != 0, out);
            AnswerValue(r, output_ ? 1 : 0, 1, out);
            return true;
        case 6:
            if (r.HasData()) {
                if (r.Byte(0) > 100) {
                    Refuse(r, kErrOutOfRange, out);
                    return true;
                }
                cfg_.acr = r.Byte(0);
                if (cfg_.acr <= 1) {  // old-style on/off value: answered with the status record
                    AnswerStatus(r, out);
                    return true;
                }
            }
            AnswerValue(r, cfg_.acr, 1, out);
            return true;
        case 7:
            if (r.HasData()) {
                const int32_t v = r.Signed(0, 4);
                if (v != 0 && Refused(r, out)) return true;
                group_.speed = v;
                if (enabled_ && !locked_) {
                    if (motion_.CurrentMode() == MotionModel::Mode::Idle ||
                        motion_.CurrentMode() == MotionModel::Mode::Run) {
                        motion_.Run(v);
                    } else {
                        motion_.ChangeSpeed(v);
                    }
                }
            }
            AnswerValue(r, static_cast<uint32_t>(group_.speed), 4, out);
            return true;
        case 8:
            if (r.HasData()) {
                if (!ValidMicrostep(r.Byte(0))) {
                    Refuse(r, kErrOutOfRange, out);
                    return true;
                }
                cfg_.mcs = r.Byte(0);
            }
            AnswerStatus(r, out);
            return true;
        case 9:
            if (r.HasData()) {
                if (r.Byte(0) < 1 || r.Byte(0) > options_.maxCurrent) {
                    Refuse(r, kErrOutOfRange, out);
                    return true;
                }
                cfg_.cur = r.Byte(0);
            }
            AnswerStatus(r, out);
            return true;
        case 10:
            if (r.HasData()) {
                if (Refused(r, out)) return true;
                group_.steps = r.Signed(0, 4);
                if (enabled_) motion_.MoveBy(group_.steps, group_.speed);
            }
            AnswerValue(r, static_cast<uint32_t>(group_.steps), 4, out);
            return true;
        case 11:
        case 12:
            if (r.HasData()) {
                if (Refused(r, out)) return true;
                const int32_t v = r.Signed(0, 4);
                if (enabled_) motion_.MoveTo(v, group_.speed);
                AnswerValue(r, static_cast<uint32_t>(v), 4, out);
            } else {
                AnswerValue(r, static_cast<uint32_t>(motion_.Position()), 4, out);
            }
            return true;
        case 42:
            if (r.HasData()) group_.acc = r.Unsigned(0, 4);
            AnswerValue(r, group_.acc, 4, out);
            return true;
        case 43:
            if (r.HasData()) group_.dec = r.Unsigned(0, 4);
            AnswerValue(r, group_.dec, 4, out);
            return true;
        case 44:
            if (r.HasData()) group_.mss = static_cast<uint16_t>(r.Unsigned(0, 2));
            AnswerValue(r, group_.mss, 2, out);
            return true;
        case 45:
            if (r.HasData()) group_.mds = static_cast<uint16_t>(r.Unsigned(0, 2));
            AnswerValue(r, group_.mds, 2, out);
            return true;
        case 46:
            if (r.HasData()) cfg_.mcfg = static_cast<uint16_t>(r.Unsigned(0, 2));
            AnswerValue(r, cfg_.mcfg, 4, out);
            return true;
        case 47: {
            if (r.HasData() && !ApplySensorRegister(cfg_, r.Byte(0), r.Byte(1), r.Byte(2))) {
                Refuse(r, kErrOutOfRange, out);
                return true;
            }
            uint8_t d[8];
            EncodeSensorBlock(cfg_, d);
            Answer(r, d, 8, out);
            return true;
        }
        case 48: {
            if (r.HasData()) {
                const uint32_t t = r.Unsigned(0, 2);
                const uint8_t sensor = r.Byte(2);
                if (sensor > 2 || t > 60001) {
                    Refuse(r, kErrOutOfRange, out);
                    return true;
                }
                cfg_.stg[sensor] = static_cast<uint16_t>(t);
                triggered_[sensor] = false;
            }
            uint8_t d[6];
            EncodeSensorTimes(cfg_, d);
            Answer(r, d, 6, out);
            return true;
        }
        case 54:
            if (r.HasData() && r.Byte(0) >= kEepromSlots) {
                Refuse(r, kErrOutOfRange, out);
                return true;
            }
            Store(r.HasData() ? r.Byte(0) : -1);
            AnswerValue(r, r.Byte(0), 1, out);
            return true;
        case 56:
            if (r.HasData()) {
                const uint32_t v = r.Unsigned(0, 2);
                if (v < 1 || v > 16000) {
                    Refuse(r, kErrOutOfRange, out);
                    return true;
                }
                cfg_.qer = static_cast<uint16_t>(v);
            }
            AnswerValue(r, cfg_.qer, 2, out);
            return true;
        case 58:
            if (r.HasData()) {
                const uint32_t v = r.Unsigned(0, 2);
                if (v < 200) {
                    Refuse(r, kErrOutOfRange, out);
                    return true;
                }
                cfg_.sqt = static_cast<uint16_t>(v);
            }
            AnswerValue(r, cfg_.sqt, 2, out);
            return true;
        case 59:
            if (r.HasData()) cfg_.blc = static_cast<uint16_t>(r.Unsigned(0, 2));
            AnswerValue(r, cfg_.blc, 2, out);
            return true;
        case 63: {
            const uint8_t d[2] = {static_cast<uint8_t>(analog_ & 0xFF),
                                  static_cast<uint8_t>((analog_ >> 8 & 0x0F) | (sensors_[0] ? 0x10 : 0) |
                                                       (sensors_[1] ? 0x20 : 0) | (sensors_[2] ? 0x40 : 0))};
            Answer(r, d, 2, out);
            return true;
        }
        case 66:
            if (r.HasData()) cfg_.btr153 = r.Unsigned(0, 4);
            AnswerValue(r, cfg_.btr153, 4, out);
            return true;
        case 71:
            if (r.HasData()) cfg_.ioConfig = static_cast<uint16_t>(r.Unsigned(0, 2));
            AnswerValue(r, cfg_.ioConfig, 2, out);
            return true;
        case 72:
            if (r.HasData()) cfg_.dva = r.Unsigned(0, 4);
            AnswerValue(r, cfg_.dva, 4, out);
            return true;
        case 73:
            if (r.HasData()) cfg_.pmd = r.Unsigned(0, 4);
            AnswerValue(r, cfg_.pmd, 4, out);
            return true;
        case 74:
            if (r.HasData()) cfg_.pmb = r.Unsigned(0, 4);
            AnswerValue(r, cfg_.pmb, 4, out);
            return true;
        case 75:
            if (r.HasData()) cfg_.pbr = r.Unsigned(0, 4);
            AnswerValue(r, cfg_.pbr, 4, out);
            return true;
        case 76:
            AnswerAnalog(r, out);
            return true;
        case 77:
            if (r.HasData()) cfg_.reg77 = r.Unsigned(0, 4);
            AnswerValue(r, cfg_.reg77, 4, out);
            return true;
        case 78: {
            if (r.Length() >= 2) cfg_.interruptEnable = static_cast<uint16_t>(r.Unsigned(0, 2));
            const uint8_t d[3] = {static_cast<uint8_t>(r.Length() == 1 ? r.Byte(0) : 0),
                                  static_cast<uint8_t>(cfg_.interruptEnable),
                                  static_cast<uint8_t>(cfg_.interruptEnable >> 8)};
            Answer(r, d, 3, out);
            return true;
        }
        case 81:
            if (r.HasData()) {
                const uint16_t v = static_cast<uint16_t>(r.Unsigned(0, 2));
                cfg_.icfg = static_cast<uint16_t>((v & ~kIcfgModelMask) | (cfg_.icfg & kIcfgModelMask));
                locked_ = false;  // an ICFG command releases a sensor lock (and stops a user program)
            }
            AnswerValue(r, cfg_.icfg, 4, out);
            return true;
        case 82: {
            const uint8_t d[4] = {r.Byte(0), r.Byte(1), 0, 0};  // accepted; no flash program to run
            Answer(r, d, 4, out);
            return true;
        }
        case 83: {
            uint8_t d[8] = {};
            if (r.HasData()) {
                if (!dma_.Write(*r.frame)) {
                    Refuse(r, kErrOutOfRange, out);
                    return true;
                }
                dma_.Load(dma_.Written(), DmaWindow::kCapacity);
                for (size_t i = 0; i < r.Length(); ++i) d[i] = r.Byte(i);
                Answer(r, d, r.Length(), out);
                return true;
            }
            Answer(r, d, dma_.Read(now_, d), out);
            return true;
        }
        case 86:
            if (r.HasData()) cfg_.rpt = r.Unsigned(0, 4);
            AnswerValue(r, cfg_.rpt, 4, out);
            return true;
        case 87:
            if (r.HasData()) cfg_.rpc = r.Unsigned(0, 4);
            AnswerValue(r, cfg_.rpc, 4, out);
            return true;
        default:
            return false;
    }
}

}  // namespace norvane::sim::nodes
