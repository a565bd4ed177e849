#include "sim/events/event_apply.h"

#include "sim/nodes/first_gen_controller.h"
#include "sim/nodes/io_module.h"
#include "sim/nodes/level_detector.h"
#include "sim/nodes/rfid_reader.h"
#include "sim/nodes/second_gen_controller.h"
#include "sim/nodes/temperature_controller.h"

namespace norvane::sim::events {
namespace {

const char* KindOf(SimNode& node) {
    if (dynamic_cast<nodes::SecondGenController*>(&node)) return "controller";
    if (dynamic_cast<nodes::FirstGenController*>(&node)) return "controller1";
    if (dynamic_cast<nodes::IoModule*>(&node)) return "io";
    if (dynamic_cast<nodes::RfidReader*>(&node)) return "rfid";
    if (dynamic_cast<nodes::TemperatureController*>(&node)) return "temperature";
    if (dynamic_cast<nodes::LevelDetector*>(&node)) return "level";
    return "device";
}

std::string ListNodes(const std::vector<NamedBus>& buses) {
    std::string reply;
    for (const NamedBus& b : buses)
        b.bus->ForEachNode([&](SimNode& node) {
            reply += b.name + " " + std::to_string(node.NodeId()) + " " + KindOf(node) + "\n";
        });
    return reply + "ok\n";
}

/// Applies the event to node n of type T. Device hooks run under the bus's node lock, so the
/// node cannot go away meanwhile; events they raise go out with the node's next tick.
template <typename T, typename F>
std::string OnNode(const EventCommand& c, const std::vector<NamedBus>& buses, const char* kind, F apply) {
    int found = 0;
    bool wrongKind = false;
    for (const NamedBus& b : buses) {
        if (!c.gateway.empty() && b.name != c.gateway) continue;
        b.bus->ForEachNode([&](SimNode& node) {
            if (node.NodeId() != c.node) return;
            ++found;
            if (found > 1) return;  // ambiguous: nothing happens (checked below before applying)
            if (dynamic_cast<T*>(&node) == nullptr) wrongKind = true;
        });
    }
    const std::string id = std::to_string(c.node);
    if (found == 0) return "error: no node " + id + (c.gateway.empty() ? "" : " behind " + c.gateway) + "\n";
    if (found > 1) return "error: node " + id + " is behind several gateways: choose one with @GATEWAY\n";
    if (wrongKind) return "error: node " + id + " is no " + kind + "\n";
    for (const NamedBus& b : buses) {
        if (!c.gateway.empty() && b.name != c.gateway) continue;
        b.bus->ForEachNode([&](SimNode& node) {
            if (node.NodeId() == c.node)
                if (auto* device = dynamic_cast<T*>(&node)) apply(*device);
        });
    }
    return "ok\n";
}

}  // namespace

std::string ApplyEvent(const EventCommand& c, const std::vector<NamedBus>& buses) {
    using namespace nodes;
    if (!c.gateway.empty()) {
        bool known = false;
        for (const NamedBus& b : buses) known = known || b.name == c.gateway;
        if (!known) return "error: no gateway " + c.gateway + " (see nodes)\n";
    }
    switch (c.kind) {
        case EventKind::None:
            return "";
        case EventKind::Help:
            return std::string(EventHelp()) + "ok\n";
        case EventKind::Nodes:
            return ListNodes(buses);
        case EventKind::Sensor:
            return OnNode<SecondGenController>(c, buses, "controller with sensors",
                                               [&](SecondGenController& n) { n.SetSensor(c.port, c.high); });
        case EventKind::Stall:
            return OnNode<SecondGenController>(c, buses, "controller",
                                               [](SecondGenController& n) { n.InjectStall(); });
        case EventKind::Input:
            return OnNode<IoModule>(c, buses, "I/O module", [&](IoModule& n) { n.SetInput(c.port, c.high); });
        case EventKind::Analog:
            if (c.port == 0)
                return OnNode<SecondGenController>(
                    c, buses, "controller (give a port for an I/O module)",
                    [&](SecondGenController& n) { n.SetAnalog(static_cast<uint16_t>(c.value)); });
            return OnNode<IoModule>(c, buses, "I/O module", [&](IoModule& n) {
                n.SetAnalogInput(c.port, static_cast<uint16_t>(c.value));
            });
        case EventKind::CardPlace:
            return OnNode<RfidReader>(c, buses, "RFID reader", [&](RfidReader& n) {
                n.PlaceCard(c.s70 ? CardType::S70 : CardType::S40, c.card);
            });
        case EventKind::CardRemove:
            return OnNode<RfidReader>(c, buses, "RFID reader", [](RfidReader& n) { n.RemoveCard(); });
        case EventKind::Ambient:
            return OnNode<TemperatureController>(c, buses, "temperature controller",
                                                 [&](TemperatureController& n) { n.SetAmbient(c.value); });
        case EventKind::Level:
            return OnNode<LevelDetector>(c, buses, "liquid-level detector",
                                         [&](LevelDetector& n) { n.SetCapacitance(c.value); });
    }
    return "error: unknown command\n";
}

std::string RunEventLine(std::string_view line, const std::vector<NamedBus>& buses) {
    EventCommand command;
    std::string error;
    if (!ParseEventCommand(line, command, error)) return "error: " + error + "\n";
    return ApplyEvent(command, buses);
}

}  // namespace norvane::sim::events
