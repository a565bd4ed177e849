#include "sim/nodes/first_gen_controller.h"

#include "sim/nodes/frame_codec.h"

namespace norvane::sim::nodes {

namespace {
constexpr uint8_t kCmdComm = 1, kCmdModel = 11, kCmdSerial = 12, kCmdError = 15;
constexpr uint8_t kLightFlash = 254;
constexpr uint8_t kMoveNotice = 0x5A;
}  // namespace

FirstGenController::FirstGenController(uint8_t id, const FirstGenOptions& options)
    : options_(options),
      id_(id),
      storedId_(id),
      serial_(options.serial != 0 ? options.serial : 0x07530000u + id) {
    pp_[5] = 3;  // CAN bit-rate code
    pp_[6] = 0;
    pp_[8] = 0;
    mt_ = {16, 20, 50, 0};
}

uint8_t FirstGenController::NodeId() const {
    std::lock_guard lock(mutex_);
    return id_;
}
uint32_t FirstGenController::SerialNumber() const {
    std::lock_guard lock(mutex_);
    return serial_;
}
bool FirstGenController::MotorOn() const {
    std::lock_guard lock(mutex_);
    return motorOn_;
}
int64_t FirstGenController::Position() const {
    std::lock_guard lock(mutex_);
    return motion_.Position();
}
bool FirstGenController::Moving() const {
    std::lock_guard lock(mutex_);
    return motion_.Moving();
}
int32_t FirstGenController::PtpSpeed() const {
    std::lock_guard lock(mutex_);
    return ptpSpeed_;
}
uint8_t FirstGenController::CommSetting(int index) const {
    std::lock_guard lock(mutex_);
    return index >= 0 && index < 16 ? pp_[static_cast<size_t>(index)] : 0;
}
uint16_t FirstGenController::MotorParameter(int index) const {
    std::lock_guard lock(mutex_);
    return index >= 0 && index < 4 ? mt_[static_cast<size_t>(index)] : 0;
}
int FirstGenController::FirmwareLines() const {
    std::lock_guard lock(mutex_);
    return firmwareLines_;
}
uint8_t FirstGenController::UfqGroup() const {
    std::lock_guard lock(mutex_);
    return ufqGroup_;
}

void FirstGenController::PowerCycle() {
    std::lock_guard lock(mutex_);
    Restart();
}

void FirstGenController::Restart() {
    id_ = storedId_;
    motorOn_ = false;
    motion_ = MotionModel{};
    poweredAt_ = now_;
    pending_.Clear();
}

void FirstGenController::Tick(uint64_t nowMs, BusTransmitter& bus) {
    Outbox out;
    {
        std::lock_guard lock(mutex_);
        const uint64_t elapsed = ticked_ && nowMs > now_ ? nowMs - now_ : 0;
        if (!ticked_) poweredAt_ = nowMs;
        if (!ticked_ || nowMs > now_) now_ = nowMs;
        ticked_ = true;
        out.Append(pending_);
        if (motion_.Advance(elapsed) && ie_[0] != 0) {
            uint8_t d[4];
            WriteLe(d, static_cast<uint32_t>(motion_.Position()), 4);
            out.Push(MakeFrame(FirstGenAnswerIdentifier(id_, kMoveNotice), d, 4));
        }
    }
    out.SendTo(bus);
}

void FirstGenController::OnFrame(const CanFrame& frame, BusTransmitter& bus) {
    const FrameAddress a = ParseFirstGenRequestIdentifier(frame.id);
    Request r;
    r.controlWord = a.controlWord;
    r.command = a.controlWord & 0x7F;
    r.answer = (a.controlWord & kAnswerBit) != 0;
    r.frame = &frame;
    Outbox out;
    {
        std::lock_guard lock(mutex_);
        out.Append(pending_);
        if (a.node == 0) {
            // Node 0 reaches every node; only the queries that hosts broadcast are honoured.
            if (r.answer && (r.command == kCmdSerial || r.command == kCmdModel)) {
                Request q = r;
                CanFrame empty = frame;
                empty.length = 0;  // the register-all form carries two zero bytes: still a query
                q.frame = &empty;
                Handle(r.command, q, out);
            } else if (r.answer && r.command == kCmdComm && r.Byte(0) == 0 && r.Length() >= 2) {
                Request q = r;
                q.answer = id_ == 1;  // the host waits for node 1's answer to a bus-wide update
                Handle(r.command, q, out);
            }
        } else if (a.node == id_) {
            Handle(r.command, r, out);
        }
    }
    out.SendTo(bus);
}

void FirstGenController::Answer(uint8_t command, const uint8_t* data, size_t length, Outbox& out) const {
    out.Push(MakeFrame(FirstGenAnswerIdentifier(id_, command), data, length));
}

void FirstGenController::AnswerIndexed(uint8_t command, uint8_t index, uint32_t value, size_t bytes,
                                       Outbox& out) const {
    uint8_t d[8] = {index};
    WriteLe(d + 1, value, bytes > 4 ? 4 : bytes);
    Answer(command, d, 1 + (bytes > 4 ? 4 : bytes), out);
}

void FirstGenController::AnswerValue(uint8_t command, uint32_t value, size_t bytes, Outbox& out) const {
    uint8_t d[4];
    WriteLe(d, value, 4);
    Answer(command, d, bytes > 4 ? 4 : bytes, out);
}

void FirstGenController::Refuse(uint8_t command, uint8_t code, Outbox& out) const {
    const uint8_t d[3] = {0, command, code};
    Answer(kCmdError, d, 3, out);
}

void FirstGenController::BeginMotion() {
    if (!motorOn_) return;
    switch (format_) {
        case 0:
            motion_.MoveTo(ptpAbs_, ptpSpeed_);
            break;
        case 1:
            motion_.MoveBy(ptpRel_, ptpSpeed_);
            break;
        default:
            motion_.Run(jog_);
            break;
    }
}

void FirstGenController::Handle(uint8_t command, const Request& r, Outbox& out) {
    Outbox answer;  // built unconditionally, sent only when the request wants an answer
    const size_t n = r.Length();
    const uint8_t i = r.Byte(0);
    auto indexed16 = [&](auto& regs, size_t setLength) {
        if (i >= regs.size()) return Refuse(command, kErrOutOfRange, answer);
        if (n >= setLength) regs[i] = static_cast<uint16_t>(r.Unsigned(1, 2));
        AnswerIndexed(command, i, regs[i], 2, answer);
    };
    auto value32 = [&](int32_t& reg, size_t bytes) {
        if (n > 0) reg = r.Signed(0, 4);
        AnswerValue(command, static_cast<uint32_t>(reg), bytes, answer);
    };
    auto dataValue32 = [&](int32_t& reg) {  // answered with the value from d1
        if (n > 0) reg = r.Signed(0, 4);
        AnswerIndexed(command, 0, static_cast<uint32_t>(reg), 4, answer);
    };

    switch (command) {
        case 1:
        case 6: {
            auto& regs = command == 1 ? pp_ : ic_;
            if (i >= regs.size()) {
                Refuse(command, kErrOutOfRange, answer);
                break;
            }
            if (command == 1 && i == 0 && n >= 2 && r.Byte(1) > 3) {
                Refuse(command, kErrOutOfRange, answer);
                break;
            }
            if (n >= 2) regs[i] = r.Byte(1);
            AnswerIndexed(command, i, regs[i], 1, answer);
            break;
        }
        case 7:
            indexed16(ie_, 2);
            break;
        case 10:
            for (size_t k = 0; k < n && k < reg10_.size(); ++k) reg10_[k] = r.Byte(k);
            Answer(command, reg10_.data(), reg10_.size(), answer);
            break;
        case kCmdModel: {
            const uint8_t d[8] = {static_cast<uint8_t>(options_.cModel ? '?' : options_.family),
                                  options_.size,
                                  0,
                                  0,
                                  static_cast<uint8_t>(options_.firmware),
                                  static_cast<uint8_t>(options_.firmware >> 8),
                                  static_cast<uint8_t>(options_.power),
                                  static_cast<uint8_t>(options_.power >> 8)};
            Answer(command, d, 8, answer);
            break;
        }
        case kCmdSerial:
            if (n >= 5) {
                if (i == kLightFlash) {  // light flash: answered from this node, nothing stored
                    AnswerValue(command, serial_, 4, answer);
                    break;
                }
                if (i < 1 || i > 125) {
                    Refuse(command, kErrOutOfRange, answer);
                    break;
                }
                id_ = i;  // the new address answers, and is kept in EEPROM
                storedId_ = i;
            } else if (n == 4) {
                serial_ = r.Unsigned(0, 4);
            }
            AnswerValue(command, serial_, 4, answer);
            break;
        case 14:
            if (n > 0) poweredAt_ = now_;
            AnswerValue(command, static_cast<uint32_t>((now_ - poweredAt_) / 1000), 4, answer);
            break;
        case kCmdError: {
            if (i >= errors_.size()) {
                Refuse(command, kErrOutOfRange, answer);
                break;
            }
            if (n >= 3) errors_[i] = r.Unsigned(1, 2);
            AnswerIndexed(command, i, errors_[i], 4, answer);
            break;
        }
        case 16:
            indexed16(mt_, 3);
            break;
        case 20:
            if (n == 4) rgb_ = r.Unsigned(0, 4) & 0xFFFFFF;
            if (n == 8) {
                for (size_t k = 0; k < 8; ++k) quickRgb_[k] = r.Byte(k);
                Answer(command, quickRgb_, 8, answer);
                break;
            }
            AnswerValue(command, rgb_, 4, answer);
            break;
        case 21:
            if (n > 0) {
                motorOn_ = r.Unsigned(0, 4) != 0;
                if (!motorOn_) motion_.Stop();
            }
            AnswerValue(command, motorOn_ ? 1 : 0, 1, answer);
            break;
        case 22:
            BeginMotion();
            AnswerValue(command, motion_.Moving() ? 1 : 0, 1, answer);
            break;
        case 23:
            motion_.Stop();
            AnswerValue(command, 1, 1, answer);
            break;
        case 24:
            if (n > 0) {
                if (r.Unsigned(0, 2) > 2) {
                    Refuse(command, kErrOutOfRange, answer);
                    break;
                }
                format_ = static_cast<uint16_t>(r.Unsigned(0, 2));
            }
            AnswerValue(command, format_, 1, answer);
            break;
        case 25:
            value32(acc_, 4);
            break;
        case 26:
            value32(dec_, 4);
            break;
        case 27:
            value32(startSpeed_, 4);
            break;
        case 28:
            value32(stopDec_, 4);
            break;
        case 29:
            dataValue32(jog_);
            if (n > 0 && motion_.CurrentMode() == MotionModel::Mode::Run) motion_.Run(jog_);
            break;
        case 30:
            dataValue32(ptpSpeed_);
            if (n > 0) motion_.ChangeSpeed(ptpSpeed_);
            break;
        case 31:
            dataValue32(ptpRel_);
            break;
        case 32:
            dataValue32(ptpAbs_);
            break;
        case 33:
            if (n > 0) {
                origin_ = r.Signed(0, 4);
                motion_.SetPosition(origin_);
            }
            AnswerValue(command, static_cast<uint32_t>(origin_), 4, answer);
            break;
        case 34:
            if (i == 0 && n >= 3) {  // 1 clears the PVT table, 2 stores it
                if (r.Unsigned(1, 2) == 1)
                    pvtPos_.fill(0), pvtTime_.fill(0), pvtVel_.fill(0), pvtAux_.fill(0);
                AnswerIndexed(command, 0, r.Unsigned(1, 2), 2, answer);
                break;
            }
            if (i == 6 && n < 3) {  // next PVT position
                AnswerIndexed(command, i, static_cast<uint16_t>(motion_.Target()), 2, answer);
                break;
            }
            indexed16(pvt_, 3);
            break;
        case 35:
            if (n > 0) pvtStart_ = static_cast<uint16_t>(r.Unsigned(0, 2));
            AnswerValue(command, pvtStart_, 2, answer);
            break;
        case 37:
        case 38: {
            const uint16_t point = static_cast<uint16_t>(r.Unsigned(0, 2));
            if (point > 255) {
                Refuse(command, kErrOutOfRange, answer);
                break;
            }
            auto& table = command == 37 ? pvtPos_ : pvtTime_;
            if (n >= 6) table[point] = r.Unsigned(2, 4);
            uint8_t d[6] = {static_cast<uint8_t>(point), static_cast<uint8_t>(point >> 8)};
            WriteLe(d + 2, table[point], 4);
            Answer(command, d, 6, answer);
            break;
        }
        case 39:
        case 40: {
            auto& table = command == 39 ? pvtVel_ : pvtAux_;
            if (n >= 4) table[i] = static_cast<uint16_t>(r.Unsigned(2, 2));
            const uint8_t d[4] = {i, 0, static_cast<uint8_t>(table[i]), static_cast<uint8_t>(table[i] >> 8)};
            Answer(command, d, 4, answer);
            break;
        }
        case 41:
        case 42:
        case 77:
        case 78:
            if (command == 77 && n > 0) reg77_ = r.Unsigned(0, 4);
            if (command == 77) {
                AnswerValue(command, reg77_, 4, answer);
            } else {
                Answer(command, r.frame->data, n, answer);
            }
            break;
        case 43: {
            if (n >= 8) {
                std::array<uint8_t, 8> p{};
                for (size_t k = 0; k < 8; ++k) p[k] = r.Byte(k);
                qpvt_[i] = p;
            }
            const auto it = qpvt_.find(i);
            std::array<uint8_t, 8> p = it != qpvt_.end() ? it->second : std::array<uint8_t, 8>{i};
            Answer(command, p.data(), 8, answer);
            break;
        }
        case 44:
            if (i >= limits_.size()) {
                Refuse(command, kErrOutOfRange, answer);
                break;
            }
            if (n >= 5) limits_[i] = r.Unsigned(1, 4);
            AnswerIndexed(command, i, limits_[i], 4, answer);
            break;
        case 45:
            if (n > 0) backlash_ = static_cast<uint16_t>(r.Unsigned(0, 2));
            AnswerValue(command, backlash_, 2, answer);
            break;
        case 46:
            switch (i) {
                case 0:
                    AnswerIndexed(command, i, motorOn_ ? 1 : 0, 1, answer);
                    break;
                case 1:
                    AnswerIndexed(command, i, motion_.Moving() ? 1 : 0, 1, answer);
                    break;
                case 2:
                    AnswerIndexed(command, i, static_cast<uint32_t>(motion_.Target()), 4, answer);
                    break;
                case 3:
                    AnswerIndexed(command, i, static_cast<uint32_t>(motion_.Position()), 4, answer);
                    break;
                case 4:
                    AnswerIndexed(command, i, static_cast<uint32_t>(motion_.Velocity()), 4, answer);
                    break;
                case 5:
                    AnswerIndexed(command, i, tempLimit_, 2, answer);
                    break;
                default:
                    Refuse(command, kErrOutOfRange, answer);
            }
            break;
        case 51:
            indexed16(io_, 3);
            break;
        case 52:
            indexed16(sensorAction_, 3);
            break;
        case 53:
            indexed16(sensorTrigger_, 3);
            break;
        case 54:
            AnswerIndexed(command, i, 2048, 2, answer);  // analog inputs read mid-scale
            break;
        case 55:
            if (n == 4)
                digital_ = r.Unsigned(0, 4);
            else if (n > 0)
                digital_ = (digital_ & 0xFFFF0000u) | r.Unsigned(0, 2);
            AnswerValue(command, digital_, 4, answer);
            break;
        case 58:
            if (n > 0) tempLimit_ = static_cast<uint16_t>(r.Unsigned(0, 2));
            AnswerIndexed(command, 0, n > 0 ? tempLimit_ : 356u, 2, answer);  // a get reads 35.6 degrees
            break;
        case 61:
            indexed16(encoder_, 3);
            break;
        case 72:
            AnswerValue(command, output72_, 4, answer);
            break;
        case 81:
            Operation(r, answer);
            break;
        case 85:
            Answer(command, r.frame->data, n, answer);
            break;
        case 126: {
            if (n > 0) systemCommand_ = static_cast<uint16_t>(r.Unsigned(0, 2));
            AnswerValue(command, systemCommand_, 2, answer);
            if (r.answer) out.Append(answer);
            if (n > 0 && systemCommand_ == 1) Restart();  // reboot after answering
            return;
        }
        case 127:
            ++firmwareLines_;
            Answer(command, r.frame->data, n, answer);
            break;
        default:
            Refuse(command, kErrUnknownCommand, answer);
    }
    if (r.answer) out.Append(answer);
}

void FirstGenController::Operation(const Request& r, Outbox& out) {
    const uint8_t group = r.Byte(0), code = r.Byte(1);
    uint8_t d[8] = {group, code};
    size_t n = 2;
    const uint8_t arg = r.Byte(2);
    if (group == 2) {
        switch (code) {
            case 0:
                ufqMode_ = arg;
                d[n++] = ufqMode_;
                break;
            case 1:
                motorOn_ = true;
                BeginMotion();
                break;
            case 2:
                motorOn_ = false;
                motion_.Stop();
                break;
            case 3:
                motion_.FoundOrigin();
                break;
            case 4:
                motion_.Stop();
                break;
            case 5:
                WriteLe(d + 2, static_cast<uint32_t>(motion_.Travelled()), 4);
                n = 6;
                break;
            case 6:
                d[n++] = static_cast<uint8_t>(errors_[0]);
                break;
            case 7:
                if (arg != 0 && (arg < 5 || arg > 80)) return Refuse(81, kErrOutOfRange, out);
                ufqNode_ = arg;
                d[n++] = arg;
                break;
            case 8:
                if (r.Length() >= 3) {
                    if (arg < 81 || arg > 125) return Refuse(81, kErrOutOfRange, out);
                    ufqGroup_ = arg;
                }
                d[n++] = ufqGroup_;
                break;
            case 9:
                pvtWarn_ = arg;
                d[n++] = arg;
                break;
            case 11:
                d[n++] = static_cast<uint8_t>((motorOn_ ? 1 : 0) | (motion_.Moving() ? 2 : 0));
                break;
            case 12:
                d[n++] = arg;
                break;
            case 13:
                brake_ = r.Byte(4);
                d[n++] = 'D', d[n++] = 'U', d[n++] = brake_;
                break;
            default:
                break;
        }
    } else if (group == 0) {
        switch (code) {
            case 28:
                if (arg != 0) opCurrent_ = arg;
                d[n++] = opCurrent_;
                break;
            case 31:
                d[n++] = 0;  // self-check passed
                break;
            case 32:
                motorOn_ = false;
                motion_.Stop();
                d[n++] = arg, d[n++] = r.Byte(3);
                break;
            default:
                break;
        }
    } else if (group == 3) {
        const uint16_t param = static_cast<uint16_t>(r.Unsigned(2, 2));
        switch (code) {
            case 1:
                if (r.Length() >= 7) servo_[param] = r.Unsigned(4, 3);
                d[2] = r.Byte(2), d[3] = r.Byte(3);
                WriteLe(d + 4, servo_.count(param) != 0 ? servo_[param] : 0, 3);
                n = 7;
                break;
            case 3:
                d[n++] = arg;
                break;
            default:
                break;
        }
    }
    Answer(81, d, n, out);
}

}  // namespace norvane::sim::nodes
