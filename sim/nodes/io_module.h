#pragma once
// KYD I/O modules: eight ports P1-P8 whose function (PWM, TTL out, analog in, TTL in) is set by the
// IOC word, digital levels through the DVA register, analog values through command 76, two PWM
// channels (P7, P8) and port-change notices 0x70 (falling) / 0xF0 (rising) with d0 = port index
// (P1 = 0), d1 = level, d2 = 0xE0 + 2 x (index - 1) for P2-P8 and 0 for P1.
//
// Flavours: the KYD917/919 family (device codes 8, 80, 82, 91); the KYD0606 with eight fixed inputs
// and eight fixed outputs; and the motion variant (device code 0x5B52) which adds a speed and an
// encoder position. DVA writes: d0 = output levels; a 2-byte write carries in d1 the mask of the
// outputs to change (0xFF = all). DVA reads: d0 = input levels, d1 = output levels.
#include <cstdint>

#include "sim/nodes/motion_model.h"
#include "sim/nodes/second_gen_node.h"

namespace norvane::sim::nodes {

/// Kyd7364 and Kyd60606: the analog-capable modules without PWM ("KYD827364", device code 0x5249,
/// and "KYD826006", device code 0x523C).
enum class IoFlavor { Kyd917, Kyd0606, Motion, Kyd7364, Kyd60606 };

struct IoOptions {
    IoFlavor flavor = IoFlavor::Kyd917;
    uint8_t code = 82;  ///< device code: 8, 80, 82 or 91
    uint16_t firmware = 1100;
    uint32_t serial = 0;
};

/// Model answer bytes of an I/O module of the given options.
ModelBytes IoModelBytes(const IoOptions& o);

class IoModule : public SecondGenNode {
public:
    IoModule(uint8_t id, const IoOptions& options);

    // Thread-safe accessors.
    uint8_t Outputs() const;  ///< bit k = P(k+1) output level
    uint8_t Inputs() const;   ///< levels reported as inputs
    uint16_t PortConfig() const;
    uint16_t Mcfg() const;
    uint32_t Pmb() const;
    uint32_t Pmd() const;
    uint32_t Pbr() const;
    int64_t Encoder() const;
    int32_t Speed() const;

    // Test hooks.
    void SetInput(int port, bool level);  ///< port 1..8
    void SetAnalogInput(int port, uint16_t value);

protected:
    bool HandleCommand(const Request& r, Outbox& out) override;
    void Advance(uint64_t elapsedMs, Outbox& out) override;
    void Restart() override;

private:
    struct Registers {
        uint16_t ioc = 0x05FF;  ///< P1-P4 TTL in, P5-P6 TTL out, P7-P8 PWM
        uint16_t mcfg = 0;      ///< bits 0-7 notices, bits 8-15 initial output levels
        uint32_t pmb = 0x0101, pmd = 0, pbr = 1;
    };
    uint8_t PortsWithCode(uint8_t code) const;
    uint8_t InputLevels() const;
    uint8_t OutputLevels() const;
    bool HandleMotion(const Request& r, Outbox& out);

    IoOptions options_;
    Registers regs_;
    Registers eeprom_;
    uint8_t latch_ = 0;   ///< output latch
    uint8_t inputs_ = 0;  ///< external levels at the ports
    uint16_t analog_[8] = {};
    MotionModel motion_;
    int32_t speed_ = 0;
};

}  // namespace norvane::sim::nodes
