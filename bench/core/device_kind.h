#pragma once
// The device families a node's model record names, by its device code (GetMDL field 1): the
// family sits in the second byte. Pure.
#include <cstdint>

namespace norvane::bench {

/// Stepper-motor controllers: family 0x18.
bool IsController(uint32_t code);
/// I/O modules: family 0x52, and the codes of the modules that answer in another family.
bool IsIoModule(uint32_t code);
/// Temperature controllers: family 0x59.
bool IsTemperatureController(uint32_t code);

}  // namespace norvane::bench
