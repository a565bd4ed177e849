#include "bench/plot/quantity.h"

#include <algorithm>
#include <array>

#include "bench/core/device_kind.h"
#include "bench/dialogs/temperature_logic.h"

namespace norvane::bench {

namespace {

struct QuantityInfo {
    Quantity quantity;
    const char* name;
    const char* captionKey;
};

constexpr std::array kQuantities{
    QuantityInfo{Quantity::Position, "position", "IDS_PLOT_POSITION"},
    QuantityInfo{Quantity::Speed, "speed", "IDS_PLOT_SPEED"},
    QuantityInfo{Quantity::EncoderPosition, "encoder", "IDS_PLOT_ENCODER"},
    QuantityInfo{Quantity::Enable, "enable", "IDS_PLOT_ENABLE"},
    QuantityInfo{Quantity::Direction, "direction", "IDS_PLOT_DIRECTION"},
    QuantityInfo{Quantity::DigitalInputs, "inputs", "IDS_PLOT_INPUTS"},
    QuantityInfo{Quantity::Analog1, "analog1", "IDS_PLOT_ANALOG1"},
    QuantityInfo{Quantity::Analog2, "analog2", "IDS_PLOT_ANALOG2"},
    QuantityInfo{Quantity::Analog3, "analog3", "IDS_PLOT_ANALOG3"},
    QuantityInfo{Quantity::Analog4, "analog4", "IDS_PLOT_ANALOG4"},
    QuantityInfo{Quantity::Analog5, "analog5", "IDS_PLOT_ANALOG5"},
    QuantityInfo{Quantity::Analog6, "analog6", "IDS_PLOT_ANALOG6"},
    QuantityInfo{Quantity::Analog7, "analog7", "IDS_PLOT_ANALOG7"},
    QuantityInfo{Quantity::Analog8, "analog8", "IDS_PLOT_ANALOG8"},
    QuantityInfo{Quantity::Temperature, "temperature", "IDS_PLOT_TEMPERATURE"},
    QuantityInfo{Quantity::AmbientTemperature, "ambient", "IDS_PLOT_AMBIENT"},
};

const QuantityInfo& InfoOf(Quantity quantity) {
    return kQuantities[static_cast<size_t>(quantity)];
}

int AnalogChannel(Quantity quantity) {
    return static_cast<int>(quantity) - static_cast<int>(Quantity::Analog1);
}

// The value is taken from the answer record after the call: pass the call's result first.
Reading Done(int32_t result, const KymReply& reply, int field) {
    Reading r{result, std::nullopt};
    if (result == 1) r.value = reply.field[field];
    return r;
}

}  // namespace

DeviceKind KindOfDevice(uint32_t deviceCode) {
    if (IsController(deviceCode)) return DeviceKind::Controller;
    if (IsIoModule(deviceCode)) return DeviceKind::IoModule;
    if (IsTemperatureController(deviceCode)) return DeviceKind::TemperatureController;
    return DeviceKind::Other;
}

std::vector<Quantity> QuantitiesOf(DeviceKind kind) {
    switch (kind) {
        case DeviceKind::Controller:
            return {Quantity::Position, Quantity::Speed, Quantity::EncoderPosition, Quantity::Enable,
                    Quantity::Direction};
        case DeviceKind::IoModule:
            return {Quantity::DigitalInputs, Quantity::Analog1, Quantity::Analog2,
                    Quantity::Analog3,       Quantity::Analog4, Quantity::Analog5,
                    Quantity::Analog6,       Quantity::Analog7, Quantity::Analog8};
        case DeviceKind::TemperatureController:
            return {Quantity::Temperature, Quantity::AmbientTemperature};
        case DeviceKind::Other:
            break;
    }
    return {};
}

bool Offers(DeviceKind kind, Quantity quantity) {
    const auto list = QuantitiesOf(kind);
    return std::find(list.begin(), list.end(), quantity) != list.end();
}

std::string NameOf(Quantity quantity) {
    return InfoOf(quantity).name;
}

std::string CaptionKeyOf(Quantity quantity) {
    return InfoOf(quantity).captionKey;
}

std::optional<Quantity> QuantityNamed(const std::string& name) {
    for (const QuantityInfo& info : kQuantities)
        if (name == info.name) return info.quantity;
    return std::nullopt;
}

std::optional<std::vector<Quantity>> ParseQuantityList(const std::string& text, std::string& error) {
    std::vector<Quantity> list;
    size_t at = 0;
    while (true) {
        const size_t comma = text.find(',', at);
        const std::string item = text.substr(at, comma == std::string::npos ? std::string::npos : comma - at);
        const auto quantity = QuantityNamed(item);
        if (!quantity) {
            error = "unknown quantity '" + item + "'";
            return std::nullopt;
        }
        if (std::find(list.begin(), list.end(), *quantity) != list.end()) {
            error = "quantity '" + item + "' given twice";
            return std::nullopt;
        }
        list.push_back(*quantity);
        if (comma == std::string::npos) return list;
        at = comma + 1;
    }
}

Reading ReadQuantity(const SdkTable& sdk, uint32_t gateway, int node, Quantity quantity) {
    const auto n = static_cast<uint32_t>(node);
    KymReply r{};
    switch (quantity) {
        case Quantity::Position:
            return Done(sdk.GetPOS(gateway, n, &r), r, 0);
        case Quantity::Speed:
            return Done(sdk.GetSPD(gateway, n, &r), r, 0);
        case Quantity::EncoderPosition:
            return Done(sdk.GetQEC(gateway, n, &r), r, 0);
        case Quantity::Enable:
            return Done(sdk.KymFBK(gateway, n, &r), r, 1);
        case Quantity::Direction:
            return Done(sdk.KymFBK(gateway, n, &r), r, 2);
        case Quantity::DigitalInputs: {
            Reading reading = Done(sdk.GetDVAInfo(gateway, n, &r), r, 0);
            if (reading.value) reading.value = r.field[0] & 0xFF;
            return reading;
        }
        case Quantity::Temperature:
        case Quantity::AmbientTemperature: {
            KymReply b{};
            int32_t result = sdk.GetDMA(gateway, n, 0, &r);
            if (result == 1) result = sdk.GetDMA(gateway, n, 6, &b);
            Reading reading{result, std::nullopt};
            const TemperatureRecord t = DecodeTemperature(r, b);
            if (result == 1)
                reading.value = (quantity == Quantity::Temperature ? t.measured : t.ambient) / 10.0;
            return reading;
        }
        default: {
            // One analog channel: the mask asks for that channel alone.
            const int channel = AnalogChannel(quantity);
            const auto mask = static_cast<uint8_t>(1u << channel);
            const int32_t result = sdk.GetAVAInfo(gateway, n, &mask, 1, &r);
            return Done(result, r, channel + 1);
        }
    }
}

}  // namespace norvane::bench
