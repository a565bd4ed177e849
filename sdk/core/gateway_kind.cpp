#include "sdk/core/gateway_kind.h"

namespace norvane::sdk {
namespace {

using enum Generation;
using enum GatewaySlot;

constexpr GatewayKind kKinds[] = {
    {kKindRs232, "RS-232 converter", Second, Serial, true, kKindRs232FirstGen, 0},
    {kKindUsb, "USB-CAN adapter", Second, Usb, true, kKindUsbFirstGen, 2},
    {kKindPci, "PCI CAN card", Second, Pci, true, kKindPciFirstGen, 0},
    {kKindEthernet, "Ethernet gateway", Second, Ethernet, true, kKindEthernetFirstGen, 4},
    {kKindUart, "UART converter", Second, Uart, true, kKindUartFirstGen, 0},
    {kKindRs232FirstGen, "RS-232 converter", First, Serial, true, kKindRs232, -1},
    {kKindWorkBlock, "none", None, std::nullopt, false, 0, -1},
    {kKindPciFirstGen, "PCI CAN card", First, Pci, true, kKindPci, -1},
    {kKindUsbFirstGen, "USB-CAN adapter", First, Usb, true, kKindUsb, -1},
    {kKindEthernetFirstGen, "Ethernet gateway", First, LegacyEthernet, true, kKindEthernet, -1},
    {kKindUartFirstGen, "UART converter", First, Uart, false, kKindUart, -1},
    {kKindZone, "zone gateway", First, Zone, true, 0, -1},
};

}  // namespace

std::span<const GatewayKind> GatewayKinds() {
    return kKinds;
}

const GatewayKind* FindGatewayKind(uint32_t kind) {
    for (const GatewayKind& entry : kKinds) {
        if (entry.kind == kind) return &entry;
    }
    return nullptr;
}

std::optional<GatewaySlot> SlotForKind(uint32_t kind) {
    const GatewayKind* entry = FindGatewayKind(kind);
    if (entry == nullptr || !entry->dispatched) return std::nullopt;
    return entry->slot;
}

std::optional<GatewaySlot> GatewaySlotOf(uint32_t kind) {
    const GatewayKind* entry = FindGatewayKind(kind);
    return entry != nullptr ? entry->slot : std::nullopt;
}

bool IsSecondGenKind(uint32_t kind) {
    const GatewayKind* entry = FindGatewayKind(kind);
    return entry != nullptr && entry->generation == Second;
}

bool IsFirstGenFormKind(uint32_t kind) {
    const GatewayKind* entry = FindGatewayKind(kind);
    return entry != nullptr && entry->generation == First && entry->otherGeneration != 0;
}

}  // namespace norvane::sdk
