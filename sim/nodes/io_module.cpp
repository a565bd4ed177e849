#include "sim/nodes/io_module.h"

#include "sim/nodes/analog_answer.h"

namespace norvane::sim::nodes {

namespace {
constexpr uint8_t kTtlOut = 1, kAnalog = 2, kTtlIn = 3;  // port function codes (0 = PWM)
}  // namespace

ModelBytes IoModelBytes(const IoOptions& o) {
    ModelBytes m;
    m.firmware = o.firmware;
    switch (o.flavor) {
        case IoFlavor::Kyd0606:
            m.code = 82, m.d0 = 6, m.d3 = 6;  // "KYD82606"
            return m;
        case IoFlavor::Motion:
            m.code = 91, m.d0 = 0x52, m.d3 = 1;  // device code 0x5B52
            return m;
        case IoFlavor::Kyd7364:
            m.code = 82, m.d0 = 73, m.d3 = 64;  // "KYD827364", device code 0x5249
            return m;
        case IoFlavor::Kyd60606:
            m.code = 82, m.d0 = 60, m.d3 = 6;  // "KYD826006", device code 0x523C
            return m;
        case IoFlavor::Kyd917:
            break;
    }
    m.code = o.code;
    switch (o.code) {
        case 8:
            m.d0 = 0x52, m.flags = 17;  // "KYD0817", device code 0x0852
            break;
        case 80:
            m.d0 = 8, m.d3 = 0;  // device code 0x5008
            break;
        case 91:
            m.d0 = 9, m.d3 = 19;  // "KYD91919": the analog-capable 919
            break;
        default:
            m.d0 = 7, m.d3 = 1;  // "KYD82701"
            break;
    }
    return m;
}

IoModule::IoModule(uint8_t id, const IoOptions& options)
    : SecondGenNode(id, IoModelBytes(options), options.serial != 0 ? options.serial : 0x4B590000u + id),
      options_(options) {
    Restart();
}

void IoModule::Restart() {
    regs_ = eeprom_;
    latch_ = static_cast<uint8_t>(regs_.mcfg >> 8);  // initial output levels
    motion_ = MotionModel{};
    speed_ = 0;
}

uint8_t IoModule::PortsWithCode(uint8_t code) const {
    uint8_t mask = 0;
    for (int k = 0; k < 8; ++k) {
        if (((regs_.ioc >> (2 * k)) & 3) == code) mask |= static_cast<uint8_t>(1u << k);
    }
    return mask;
}

uint8_t IoModule::InputLevels() const {
    if (options_.flavor == IoFlavor::Kyd0606) return inputs_;
    return inputs_ & PortsWithCode(kTtlIn);
}

uint8_t IoModule::OutputLevels() const {
    if (options_.flavor == IoFlavor::Kyd0606) return latch_;
    return latch_ & PortsWithCode(kTtlOut);
}

uint8_t IoModule::Outputs() const {
    std::lock_guard lock(mutex_);
    return OutputLevels();
}
uint8_t IoModule::Inputs() const {
    std::lock_guard lock(mutex_);
    return InputLevels();
}
uint16_t IoModule::PortConfig() const {
    std::lock_guard lock(mutex_);
    return regs_.ioc;
}
uint16_t IoModule::Mcfg() const {
    std::lock_guard lock(mutex_);
    return regs_.mcfg;
}
uint32_t IoModule::Pmb() const {
    std::lock_guard lock(mutex_);
    return regs_.pmb;
}
uint32_t IoModule::Pmd() const {
    std::lock_guard lock(mutex_);
    return regs_.pmd;
}
uint32_t IoModule::Pbr() const {
    std::lock_guard lock(mutex_);
    return regs_.pbr;
}
int64_t IoModule::Encoder() const {
    std::lock_guard lock(mutex_);
    return motion_.Position();
}
int32_t IoModule::Speed() const {
    std::lock_guard lock(mutex_);
    return speed_;
}

void IoModule::SetInput(int port, bool level) {
    std::lock_guard lock(mutex_);
    if (port < 1 || port > 8) return;
    const uint8_t bit = static_cast<uint8_t>(1u << (port - 1));
    const bool was = (inputs_ & bit) != 0;
    inputs_ = level ? (inputs_ | bit) : (inputs_ & ~bit);
    const bool isInput = options_.flavor == IoFlavor::Kyd0606 || (PortsWithCode(kTtlIn) & bit) != 0;
    if (was == level || !isInput || (regs_.mcfg & bit) == 0) return;
    const uint8_t index = static_cast<uint8_t>(port - 1);
    const uint8_t d[3] = {index, static_cast<uint8_t>(level ? 1 : 0),
                          static_cast<uint8_t>(index == 0 ? 0 : 0xE0 + 2 * (index - 1))};
    Notify(level ? 0xF0 : 0x70, d, 3, pending_);
}

void IoModule::SetAnalogInput(int port, uint16_t value) {
    std::lock_guard lock(mutex_);
    if (port < 1 || port > 8) return;
    analog_[port - 1] = value > 4095 ? 4095 : value;
}

void IoModule::Advance(uint64_t elapsedMs, Outbox& out) {
    (void)out;
    motion_.Advance(elapsedMs);
}

bool IoModule::HandleMotion(const Request& r, Outbox& out) {
    switch (r.command) {
        case 7:
            if (r.HasData()) {
                speed_ = r.Signed(0, 4);
                if (motion_.CurrentMode() == MotionModel::Mode::Move)
                    motion_.ChangeSpeed(speed_);
                else
                    motion_.Run(speed_);
            }
            AnswerValue(r, static_cast<uint32_t>(speed_), 4, out);
            return true;
        case 12:
            if (r.HasData()) {
                motion_.MoveTo(r.Signed(0, 4), speed_);
                AnswerValue(r, static_cast<uint32_t>(r.Signed(0, 4)), 4, out);
            } else {
                AnswerValue(r, static_cast<uint32_t>(motion_.Position()), 4, out);
            }
            return true;
        case 2:
            speed_ = 0;
            motion_.Stop();
            AnswerValue(r, 0, 1, out);
            return true;
        default:
            return false;
    }
}

bool IoModule::HandleCommand(const Request& r, Outbox& out) {
    if (options_.flavor == IoFlavor::Motion && HandleMotion(r, out)) return true;
    switch (r.command) {
        case 46:
            if (r.HasData()) regs_.mcfg = static_cast<uint16_t>(r.Unsigned(0, 2));
            AnswerValue(r, regs_.mcfg, 4, out);
            return true;
        case 71:
            if (r.HasData()) regs_.ioc = static_cast<uint16_t>(r.Unsigned(0, 2));
            AnswerValue(r, regs_.ioc, 2, out);
            return true;
        case 72: {
            if (r.HasData()) {
                const uint8_t mask = r.Length() == 2 ? r.Byte(1) : 0xFF;
                latch_ = static_cast<uint8_t>((latch_ & ~mask) | (r.Byte(0) & mask));
            }
            const uint8_t d[4] = {InputLevels(), OutputLevels(), 0, 0};
            Answer(r, d, 4, out);
            return true;
        }
        case 73:  // duty of channels 1 (P7) and 2 (P8), half-percent steps 0..200
            if (r.HasData()) {
                const uint32_t v = r.Unsigned(0, 4);
                if ((v & 0xFF) > 200 || (v >> 8 & 0xFF) > 200 || v > 0xFFFF) {
                    Refuse(r, kErrOutOfRange, out);
                    return true;
                }
                regs_.pmd = v;
            }
            AnswerValue(r, regs_.pmd, 4, out);
            return true;
        case 74:  // base of channels 1 and 2, 1..200
            if (r.HasData()) {
                const uint32_t v = r.Unsigned(0, 4);
                const uint32_t b1 = v & 0xFF, b2 = v >> 8 & 0xFF;
                if (b1 < 1 || b1 > 200 || b2 < 1 || b2 > 200 || v > 0xFFFF) {
                    Refuse(r, kErrOutOfRange, out);
                    return true;
                }
                regs_.pmb = v;
            }
            AnswerValue(r, regs_.pmb, 4, out);
            return true;
        case 75:
            if (r.HasData()) {
                const uint32_t v = r.Unsigned(0, 4);
                if (v < 1 || v > 2500) {
                    Refuse(r, kErrOutOfRange, out);
                    return true;
                }
                regs_.pbr = v;
            }
            AnswerValue(r, regs_.pbr, 4, out);
            return true;
        case 76: {
            if (options_.flavor == IoFlavor::Kyd0606) return false;
            const uint8_t mask = r.Byte(0) & PortsWithCode(kAnalog);
            const AnalogMessages m = EncodeAnalog(mask, analog_);
            Answer(r, m.data[0], m.length[0], out);
            Answer(r, m.data[1], m.length[1], out);
            return true;
        }
        case 54:
            eeprom_ = regs_;
            AnswerValue(r, r.Byte(0), 1, out);
            return true;
        default:
            return false;
    }
}

}  // namespace norvane::sim::nodes
