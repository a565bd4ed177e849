#include "sim/nodes/node_factory.h"

#include <string>

namespace norvane::sim::nodes {

namespace {

struct KindName {
    NodeKind kind;
    const char* name;
};

constexpr KindName kKindNames[] = {
    {NodeKind::Controller, "controller"},   {NodeKind::FirstGenController, "controller1"},
    {NodeKind::IoModule, "io"},             {NodeKind::Kyd0606, "kyd0606"},
    {NodeKind::IoMotion, "io-motion"},      {NodeKind::LevelDetector, "level"},
    {NodeKind::RfidReader, "rfid"},         {NodeKind::TemperatureController, "temperature"},
};

}  // namespace

std::unique_ptr<SimNode> MakeNode(const NodeConfig& config) {
    if (config.id < 1 || config.id > 125) return nullptr;
    switch (config.kind) {
    case NodeKind::Controller: {
        ControllerOptions o = config.controller;
        if (config.firmware != 0) o.firmware = config.firmware;
        if (config.serial != 0) o.serial = config.serial;
        return std::make_unique<SecondGenController>(config.id, o);
    }
    default:
        return nullptr;
    }
}

bool ParseNodeKind(std::string_view text, NodeKind* kind) {
    for (const KindName& k : kKindNames) {
        if (text == k.name) {
            if (kind != nullptr) *kind = k.kind;
            return true;
        }
    }
    return false;
}

const char* NodeKindName(NodeKind kind) {
    for (const KindName& k : kKindNames) {
        if (k.kind == kind) return k.name;
    }
    return "";
}

bool ParseModelOptions(std::string_view text, ControllerOptions* options) {
    ControllerOptions o = options != nullptr ? *options : ControllerOptions{};
    while (!text.empty()) {
        if (text.front() != '-') return false;
        size_t end = text.find('-', 1);
        if (end == std::string_view::npos) end = text.size();
        const std::string_view suffix = text.substr(1, end - 1);
        if (suffix == "M") o.m = true;
        else if (suffix == "S") o.s = true;
        else if (suffix == "SP") o.sp = true;
        else if (suffix == "E") o.e = true;
        else if (suffix == "IE") o.ie = true;
        else return false;
        text.remove_prefix(end);
    }
    if (options != nullptr) *options = o;
    return true;
}

}  // namespace norvane::sim::nodes
