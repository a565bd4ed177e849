#pragma once
// The panel controls that follow the ticked controller's MCFG word: the acceleration and
// deceleration rows by the motion mode (CM) and their input modes (AM, DM), the encoder and
// absolute position rows by the encoder bits (QEI with QEM), the stall row by the stall notice
// (STLIE). Pure; the window logic applies it when a controller is ticked and again after every
// MCFG read or write, so the panel never offers a row the node's configuration does not use.
#include <cstdint>

#include "bench/core/controls.h"

namespace norvane::bench {

/// Sets the MCFG-dependent controls; returns the encoder-functions flag (QEI and QEM both set).
bool ApplyMcfgControls(int32_t word, ControlStates& controls);

}  // namespace norvane::bench
