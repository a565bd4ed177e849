#pragma once
// Lines of the traffic log in the candump log format, "(seconds.micros) IFACE ID#DATA": the
// bus frame each message a port sends or receives stands for, and the interface name that
// tells the gateway and the direction apart. Pure functions: no locks, no I/O.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "norvane/NorvaneFunc.h"

namespace norvane::sdk {

enum class TrafficDirection { Sent, Received };

/// One frame as it crosses the bus (the SDK's own frames are 29-bit data frames; a raw frame
/// record a host sends may be another kind).
struct BusFrame {
    uint32_t identifier = 0;
    uint8_t length = 0;  ///< 0-8
    uint8_t data[8] = {};
    bool extended = true;  ///< 29-bit identifier; false: 11-bit
    bool remote = false;   ///< remote frame: no data
};

/// The bus frame of a request: second generation with the node in bits 24-28 and 13-14, bit 19
/// and the control word (node 127: 0x1F0FE000 | control word); first generation with the node
/// in bits 19-23 and 14-15 and the control word.
BusFrame SentBusFrame(const KymCanMsg& message, bool firstGen);
/// The bus frame a node answers or notifies with: second generation with the node in bits
/// 19-23 and 8-10, first generation with the node in bits 24-28 and 16-17.
BusFrame ReceivedBusFrame(const KymCanMsg& message, bool firstGen);

/// Short name of a gateway kind ("eth", "zone", "rs232", "uart", "pci", "usb"; first-generation
/// forms end in "v1", e.g. "ethv1"); "gw" for a number that is none of them.
const char* KindShortName(uint32_t kind);
/// The kind a short name stands for; 0 when none.
uint32_t KindOfShortName(std::string_view name);

/// Interface name of a port's traffic: the gateway kind's short name, the handle's low byte
/// (decimal) and "tx" (sent by the SDK) or "rx" (received), joined by '-', e.g. "eth-1-tx".
/// Writes at most capacity-1 characters and a terminating zero; returns the length.
size_t TrafficInterfaceName(uint32_t handle, TrafficDirection direction, char* out, size_t capacity);

/// The record the traffic callback receives for frame, sent or received on the port with handle
/// at wallMicros (microseconds since 1970).
KymTrafficFrame TrafficRecord(uint64_t wallMicros, uint32_t handle, TrafficDirection direction,
                              const BusFrame& frame);

/// Longest line CandumpLine writes, newline included.
constexpr size_t kMaxCandumpLine = 96;
/// "(seconds.micros) IFACE IIIIIIII#DD..\n" with eight hex digits for a 29-bit identifier (three
/// for an 11-bit one) and two per data byte (upper case); "#R" ends a remote frame. Returns the
/// length written (0 when it does not fit).
size_t CandumpLine(uint64_t wallMicros, const char* iface, const BusFrame& frame, char* out, size_t capacity);

}  // namespace norvane::sdk
