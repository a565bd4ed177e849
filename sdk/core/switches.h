#pragma once
// Process-wide switches, read by the ports at the moment they build or parse a frame.
// Plain atomics: hosts set them before opening gateways, ports only read them.
#include <atomic>
#include <cstdint>

namespace norvane::sdk {

struct Switches {
    std::atomic<int32_t> serialTransmission{0};  ///< Ethernet ports use the serial transmission framing
    std::atomic<int32_t> ufqMode{0};             ///< narrows node-id ranges of address-changing exports
    std::atomic<uint32_t> ethernetServerPort{28877};
};

Switches& GlobalSwitches();

}  // namespace norvane::sdk
