// Lines of norvane-sim's device-event control: any bytes, cut into lines, parsed and applied to a
// bus with one device of each kind. Must answer every line with a reply and never crash.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "sim/events/event_apply.h"
#include "sim/nodes/node_factory.h"

namespace {

std::vector<norvane::sim::NamedBus>& Buses() {
    using norvane::sim::nodes::NodeKind;
    static norvane::sim::VirtualBus bus;  // not started: the events only change device state
    static std::vector<norvane::sim::NamedBus> buses = [] {
        uint8_t id = 5;
        for (NodeKind kind :
             {NodeKind::Controller, NodeKind::FirstGenController, NodeKind::IoModule, NodeKind::LevelDetector,
              NodeKind::RfidReader, NodeKind::TemperatureController}) {
            norvane::sim::nodes::NodeConfig config;
            config.kind = kind;
            config.id = id++;
            bus.AddNode(norvane::sim::nodes::MakeNode(config));
        }
        return std::vector<norvane::sim::NamedBus>{{"127.0.0.1:28877", &bus}, {"COM3", &bus}};
    }();
    return buses;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);  // exact-size copy
    std::string_view rest = input;
    while (!rest.empty()) {
        const size_t end = rest.find('\n');
        const std::string line(rest.substr(0, end));
        const std::string reply = norvane::sim::events::RunEventLine(line, Buses());
        if (!reply.empty() && reply.back() != '\n') __builtin_trap();
        rest = end == std::string_view::npos ? std::string_view{} : rest.substr(end + 1);
    }
    return 0;
}
