#pragma once
// The card library, loaded at run time by name ("libHalbox.so": next to the SDK, else through
// the loader's search), with the entry points the PCI gateway calls. Loaded once per process
// name and never unloaded: ports keep calling it until the process ends.
#include <memory>
#include <string>

#include "halbox/Halbox.h"

namespace norvane::sdk::can {

struct HalboxEntries {
    int32_t (*openDevice)(uint32_t) = nullptr;
    int32_t (*closeDevice)(uint32_t) = nullptr;
    int32_t (*resetCan)(uint32_t, uint32_t) = nullptr;
    int32_t (*initCan)(uint32_t, uint32_t, const MarlixInitConfig*) = nullptr;
    int32_t (*transmit)(uint32_t, uint32_t, MarlixFrame*) = nullptr;
    int32_t (*receive)(uint32_t, uint32_t, MarlixFrame*, uint32_t, uint32_t) = nullptr;
    int32_t (*getReceiveNum)(uint32_t, uint32_t) = nullptr;
    int32_t (*clearBuffer)(uint32_t, uint32_t) = nullptr;
};

constexpr const char* kHalboxName = "libHalbox.so";

/// The entry points of the library called name, or null when it cannot be loaded or lacks any
/// of them. Thread-safe; a library once bound stays bound.
std::shared_ptr<const HalboxEntries> BindHalbox(const std::string& name = kHalboxName);

}  // namespace norvane::sdk::can
