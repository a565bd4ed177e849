#pragma once
// Simulated motor controllers of either generation for the test benches.
#include <cstdint>
#include <initializer_list>
#include <memory>

#include "sim/nodes/node_factory.h"
#include "sim/virtual_bus.h"

namespace norvane::testing {

inline std::unique_ptr<sim::SimNode> SimController(uint8_t id, bool firstGen) {
    sim::nodes::NodeConfig config;
    config.id = id;
    if (firstGen) config.kind = sim::nodes::NodeKind::FirstGenController;
    return sim::nodes::MakeNode(config);
}

/// One controller per id on bus.
inline void AddControllers(sim::VirtualBus& bus, std::initializer_list<uint8_t> ids, bool firstGen) {
    for (uint8_t id : ids) bus.AddNode(SimController(id, firstGen));
}

}  // namespace norvane::testing
