#pragma once
// Builds simulated bus devices from a configuration record, for the simulator's configuration file
// and for tests. Pure construction: no locks, no I/O.
#include <cstdint>
#include <memory>
#include <string_view>

#include "sim/nodes/second_gen_controller.h"
#include "sim/sim_node.h"

namespace norvane::sim::nodes {

enum class NodeKind {
    Controller,             ///< second-generation motor controller, device code 24
    FirstGenController,     ///< first-generation controller
    IoModule,               ///< KYD I/O module (device code 8, 80, 82 or 91)
    Kyd0606,                ///< KYD0606: eight inputs, eight outputs
    IoMotion,               ///< I/O module with motion functions (device code 0x5B52)
    Io7364,                 ///< KYD7364 analog I/O module without PWM (device code 0x5249)
    Io60606,                ///< KYD60606 analog I/O module without PWM (device code 0x523C)
    LevelDetector,          ///< liquid-level detector
    RfidReader,             ///< RFID reader, device code 92
    TemperatureController,  ///< temperature controller, device code 89 (or 90)
};

struct NodeConfig {
    NodeKind kind = NodeKind::Controller;
    uint8_t id = 5;
    ControllerOptions controller;  ///< model options of controllers; firmware and serial apply to all kinds
    uint8_t deviceCode = 0;        ///< I/O module (8, 80, 82, 91) or temperature (89, 90) code; 0 = default
    uint16_t firmware = 0;         ///< 0 = the kind's default
    uint32_t serial = 0;           ///< discovery value / serial number; 0 = derived from the id
};

/// A new device, or nullptr when the configuration is not valid (id outside 1-125, unknown code).
std::unique_ptr<SimNode> MakeNode(const NodeConfig& config);

/// Kind names used in configuration files: "controller", "controller1", "io", "kyd0606", "io-motion",
/// "io-7364", "io-60606", "level", "rfid", "temperature".
bool ParseNodeKind(std::string_view text, NodeKind* kind);
const char* NodeKindName(NodeKind kind);

/// Model suffixes such as "-M-S-IE" or "-SP-E" (order free); false on an unknown suffix.
bool ParseModelOptions(std::string_view text, ControllerOptions* options);

}  // namespace norvane::sim::nodes
