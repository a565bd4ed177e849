#pragma once
// The quantities the plot and the recording sample, which device kind offers which, and one read
// of a quantity through the SDK table. A read succeeds only with a result of 1; a failed read
// carries the SDK's result and no value, never a stand-in number.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "bench/core/sdk_table.h"

namespace norvane::bench {

enum class Quantity : int {
    Position,         ///< GetPOS, steps
    Speed,            ///< GetSPD
    EncoderPosition,  ///< GetQEC
    Enable,           ///< KymFBK status record ENA (0/1)
    Direction,        ///< KymFBK status record DIR (0/1)
    DigitalInputs,    ///< GetDVAInfo: the input levels, bit 0 = P1
    Analog1,          ///< GetAVAInfo channel 1 ... channel 8, raw 12-bit reading
    Analog2,
    Analog3,
    Analog4,
    Analog5,
    Analog6,
    Analog7,
    Analog8,
    Temperature,         ///< GetDMA: measured temperature, degrees
    AmbientTemperature,  ///< GetDMA: ambient temperature, degrees
};

enum class DeviceKind { Controller, IoModule, TemperatureController, Other };

/// The kind of a node from the device code of its model record.
DeviceKind KindOfDevice(uint32_t deviceCode);
/// The quantities a kind offers, in the order the plot lists them (none for Other).
std::vector<Quantity> QuantitiesOf(DeviceKind kind);
bool Offers(DeviceKind kind, Quantity quantity);

/// The name in the CSV file and on the command line ("position", "analog3", ...).
std::string NameOf(Quantity quantity);
/// The quantity of a name; nothing for an unknown one.
std::optional<Quantity> QuantityNamed(const std::string& name);
/// The language key of the quantity's caption in the plot window.
std::string CaptionKeyOf(Quantity quantity);

/// Parses "position,speed,..." (no empty items, no repeats); on failure error names the item.
std::optional<std::vector<Quantity>> ParseQuantityList(const std::string& text, std::string& error);

struct Reading {
    int32_t result = 0;           ///< the SDK's result; 1 is success
    std::optional<double> value;  ///< only when result is 1
};

/// Reads one quantity of node through the SDK. Blocks for the SDK's exchanges; any thread.
Reading ReadQuantity(const SdkTable& sdk, uint32_t gateway, int node, Quantity quantity);

}  // namespace norvane::bench
