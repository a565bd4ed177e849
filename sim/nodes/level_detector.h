#pragma once
// Liquid-level detector: a capacitance probe. POS reads the absolute capacitance, STP the relative
// one (absolute minus the baseline taken by the last reset, ORG with value 0); PMB holds the TIP
// threshold and PMD the level threshold. When the relative capacitance crosses the level threshold
// the detector sends 0xF1 (liquid reached) or 0x71 (liquid left) with d0-d3 = relative value.
// It answers with device code 24 and the status, MCFG and ICFG queries a host asks every
// controller-coded node, all with zero registers.
#include <cstdint>

#include "sim/nodes/second_gen_node.h"

namespace norvane::sim::nodes {

class LevelDetector : public SecondGenNode {
public:
    LevelDetector(uint8_t id, uint16_t firmware = 1100, uint32_t serial = 0);

    int32_t Absolute() const;
    int32_t Relative() const;
    int32_t TipThreshold() const;
    int32_t LevelThreshold() const;

    /// Test hook: the probe's absolute capacitance.
    void SetCapacitance(int32_t absolute);

protected:
    bool HandleCommand(const Request& r, Outbox& out) override;
    void Restart() override;

private:
    void CheckLevel(Outbox& out);

    int32_t absolute_ = 1000;
    int32_t baseline_ = 1000;
    int32_t tip_ = 50, level_ = 200;
    int32_t storedTip_ = 50, storedLevel_ = 200;
    bool wet_ = false;
};

}  // namespace norvane::sim::nodes
