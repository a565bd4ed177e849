#include "sim/nodes/node_factory.h"

#include <string>

#include "sim/nodes/first_gen_controller.h"
#include "sim/nodes/io_module.h"
#include "sim/nodes/level_detector.h"
#include "sim/nodes/rfid_reader.h"
#include "sim/nodes/temperature_controller.h"

namespace norvane::sim::nodes {

namespace {

struct KindName {
    NodeKind kind;
    const char* name;
};

constexpr KindName kKindNames[] = {
    {NodeKind::Controller, "controller"}, {NodeKind::FirstGenController, "controller1"},
    {NodeKind::IoModule, "io"},           {NodeKind::Kyd0606, "kyd0606"},
    {NodeKind::IoMotion, "io-motion"},    {NodeKind::LevelDetector, "level"},
    {NodeKind::RfidReader, "rfid"},       {NodeKind::TemperatureController, "temperature"},
    {NodeKind::Io7364, "io-7364"},        {NodeKind::Io60606, "io-60606"},
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
        case NodeKind::FirstGenController: {
            FirstGenOptions o;
            if (config.firmware != 0) o.firmware = config.firmware;
            o.serial = config.serial;
            return std::make_unique<FirstGenController>(config.id, o);
        }
        case NodeKind::IoModule:
        case NodeKind::Kyd0606:
        case NodeKind::IoMotion:
        case NodeKind::Io7364:
        case NodeKind::Io60606: {
            IoOptions o;
            o.flavor = config.kind == NodeKind::Kyd0606    ? IoFlavor::Kyd0606
                       : config.kind == NodeKind::IoMotion ? IoFlavor::Motion
                       : config.kind == NodeKind::Io7364   ? IoFlavor::Kyd7364
                       : config.kind == NodeKind::Io60606  ? IoFlavor::Kyd60606
                                                           : IoFlavor::Kyd917;
            if (config.deviceCode != 0) o.code = config.deviceCode;
            if (o.code != 8 && o.code != 80 && o.code != 82 && o.code != 91) return nullptr;
            if (config.firmware != 0) o.firmware = config.firmware;
            o.serial = config.serial;
            return std::make_unique<IoModule>(config.id, o);
        }
        case NodeKind::LevelDetector:
            return std::make_unique<LevelDetector>(config.id, config.firmware != 0 ? config.firmware : 1100,
                                                   config.serial);
        case NodeKind::RfidReader:
            return std::make_unique<RfidReader>(config.id, config.firmware != 0 ? config.firmware : 1100,
                                                config.serial);
        case NodeKind::TemperatureController: {
            const uint8_t code = config.deviceCode != 0 ? config.deviceCode : 89;
            if (code != 89 && code != 90) return nullptr;
            return std::make_unique<TemperatureController>(
                config.id, code, config.firmware != 0 ? config.firmware : 1100, config.serial);
        }
    }
    return nullptr;
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
        if (suffix == "M")
            o.m = true;
        else if (suffix == "S")
            o.s = true;
        else if (suffix == "SP")
            o.sp = true;
        else if (suffix == "E")
            o.e = true;
        else if (suffix == "IE")
            o.ie = true;
        else
            return false;
        text.remove_prefix(end);
    }
    if (options != nullptr) *options = o;
    return true;
}

}  // namespace norvane::sim::nodes
