#include "bench/core/mcfg_controls.h"

#include "bench/core/current_node.h"

namespace norvane::bench {

namespace {

// Edit, set button, query button (and the actual-value field where the row has one).
constexpr std::initializer_list<int> kAccTime{1033, 1037, 1041}, kAccValue{1045, 1049, 1053},
    kDecTime{1034, 1038, 1042}, kDecValue{1046, 1050, 1054}, kEncoder{1024, 1025, 1129, 1079},
    kPosition{1022, 1023, 1105, 1064}, kStall{1089, 1094, 1100};

}  // namespace

bool ApplyMcfgControls(int32_t word, ControlStates& controls) {
    // Basic motion has no ramps; with ramps each one is given either as a time or as a value.
    const bool ramps = (word & mcfg::kAdvancedMotion) != 0;
    const bool accByTime = (word & mcfg::kAccelerationByTime) != 0;
    const bool decByTime = (word & mcfg::kDecelerationByTime) != 0;
    controls.Set(kAccTime, ramps && accByTime);
    controls.Set(kAccValue, ramps && !accByTime);
    controls.Set(kDecTime, ramps && decByTime);
    controls.Set(kDecValue, ramps && !decByTime);
    // Closed loop on the encoder: the encoder position replaces the absolute position.
    const bool encoder = (word & mcfg::kEncoderFunctions) == mcfg::kEncoderFunctions;
    controls.Set(kEncoder, encoder);
    controls.Set(kPosition, !encoder);
    controls.Set(kStall, (word & mcfg::kStallNotice) != 0);
    return encoder;
}

}  // namespace norvane::bench
