#pragma once
// Second-generation stepper-motor controller (device code 24): registers, EEPROM slots, a motion
// model and the real-time notices 0x71-0x77 / 0xF1-0xF5.
//
// Device behaviour chosen here: moves use |SPD| (1000 pps when SPD is 0) at constant speed; motion
// commands while the motor is off only store their register; the encoder follows the position 1:1;
// origin search runs at the ORG value until S1 rises, then position and encoder become 0. Notices
// go out when their MCFG enable bit is set (and, for sensor edges and stalls, the edge's action
// code is not 0000); their data bytes d0-d3 carry the position.
#include <cstdint>

#include "sim/nodes/controller_registers.h"
#include "sim/nodes/dma_window.h"
#include "sim/nodes/motion_model.h"
#include "sim/nodes/second_gen_node.h"

namespace norvane::sim::nodes {

/// Model options of a controller (the suffixes of its model name) and its fixed characteristics.
struct ControllerOptions {
    bool m = false;   ///< "-M": advanced motion modes
    bool s = false;   ///< "-S": sensors
    bool sp = false;  ///< "-SP": sensors with P4 output (takes precedence over -S)
    bool e = false;   ///< "-E": encoder option
    bool ie = false;  ///< "-IE": integrated encoder (takes precedence over -E)
    uint8_t d0 = 2;   ///< model number digits: name "KYM24<d0><d3 as 2 digits>"
    uint8_t d3 = 8;
    uint16_t firmware = 1240;
    uint8_t maxCurrent = 60;  ///< highest CUR accepted, in 0.1 A
    uint32_t serial = 0;      ///< discovery value; 0 = derived from the node id
};

/// Option flags byte (model answer d2) of the options.
uint8_t ControllerModelFlags(const ControllerOptions& o);

class SecondGenController : public SecondGenNode {
public:
    explicit SecondGenController(uint8_t id, const ControllerOptions& options = {});

    // Thread-safe accessors.
    int32_t Speed() const;  ///< SPD register
    int64_t Position() const;
    int64_t Encoder() const;
    bool Enabled() const;
    bool Moving() const;
    bool Locked() const;
    bool Output() const;  ///< P4 level
    ControllerConfig Config() const;
    MotionGroup Registers() const;  ///< current SPD, STP, mACC, mDEC, mMSS, mMDS
    ControllerEeprom Eeprom() const;

    // Test hooks; notices they raise go out with the next tick.
    void SetSensor(int sensor, bool level);  ///< sensor 1..3
    void SetAnalog(uint16_t value);          ///< 0..4095
    void InjectStall();

protected:
    bool HandleCommand(const Request& r, Outbox& out) override;
    void HandleGlobal(const Request& r, Outbox& out) override;
    void Advance(uint64_t elapsedMs, Outbox& out) override;
    void Restart() override;
    size_t AddressAnswer(uint8_t* out8) const override;

private:
    void AnswerStatus(const Request& r, Outbox& out) const;
    bool Refused(const Request& r, Outbox& out);  // a locked controller refuses motion
    void MotorNotice(uint8_t controlWord, Outbox& out) const;
    void SetOutputLevel(bool level, Outbox& out);
    void Disable();
    void Execute(uint8_t action, int slot, Outbox& out);
    void SensorEdge(int sensor, bool rising, Outbox& out);
    void AnswerAnalog(const Request& r, Outbox& out) const;
    void Store(int slot);

    ControllerOptions options_;
    ControllerConfig cfg_;
    MotionGroup group_;
    ControllerEeprom eeprom_;
    MotionModel motion_;
    DmaWindow dma_;
    bool enabled_ = false;
    bool locked_ = false;
    bool output_ = false;
    bool sensors_[3] = {};
    uint64_t lastTrigger_[3] = {};
    bool triggered_[3] = {};
    uint16_t analog_ = 0;
};

}  // namespace norvane::sim::nodes
