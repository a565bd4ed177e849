#pragma once
// Raises a parsed event on the devices of a running simulation. Any thread may call it while the
// simulation runs (the device hooks lock their node); the simulation must not be stopped meanwhile.
#include <string>
#include <vector>

#include "sim/events/event_command.h"
#include "sim/simulation.h"

namespace norvane::sim::events {

/// Applies one command to the nodes of buses. Returns the reply lines: "ok" last on success,
/// "error: ..." when the node is absent, ambiguous or of the wrong kind.
std::string ApplyEvent(const EventCommand& command, const std::vector<NamedBus>& buses);

/// Parses and applies one line; a blank line gives an empty reply.
std::string RunEventLine(std::string_view line, const std::vector<NamedBus>& buses);

}  // namespace norvane::sim::events
