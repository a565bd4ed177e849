#include "sdk/core/gateway_registry.h"

#include <mutex>

namespace norvane::sdk {
namespace {

struct Registry {
    std::mutex lock;
    std::shared_ptr<CSDKGWCAN> slots[kGatewaySlots];
};

// Never destroyed: gateway objects live until the process ends, so a host that exits without
// closing its gateways does not have port threads joined (or sockets closed) from static
// destructors that run while other statics are already gone.
Registry& TheRegistry() {
    static Registry* registry = new Registry;
    return *registry;
}

}  // namespace

std::optional<GatewaySlot> SlotForKind(uint32_t kind) {
    switch (kind) {
        case 1:
        case 256:
            return GatewaySlot::Serial;
        case 4:
        case 4096:
            return GatewaySlot::Usb;
        case 8:
        case 2048:
            return GatewaySlot::Pci;
        case 16:
            return GatewaySlot::Ethernet;
        case 8192:
            return GatewaySlot::LegacyEthernet;
        case 32:
            return GatewaySlot::Uart;
        case 32768:
            return GatewaySlot::Zone;
        default:
            return std::nullopt;
    }
}

std::shared_ptr<CSDKGWCAN> GatewayAt(GatewaySlot slot) {
    Registry& registry = TheRegistry();
    std::lock_guard lock(registry.lock);
    return registry.slots[static_cast<int>(slot)];
}

std::shared_ptr<CSDKGWCAN> GatewayAtOrCreate(GatewaySlot slot,
                                             const std::function<std::shared_ptr<CSDKGWCAN>()>& make) {
    Registry& registry = TheRegistry();
    std::lock_guard lock(registry.lock);
    auto& entry = registry.slots[static_cast<int>(slot)];
    if (!entry) entry = make();
    return entry;
}

std::shared_ptr<CSDKGWCAN> InstallGateway(GatewaySlot slot, std::shared_ptr<CSDKGWCAN> gateway) {
    Registry& registry = TheRegistry();
    std::lock_guard lock(registry.lock);
    std::swap(registry.slots[static_cast<int>(slot)], gateway);
    return gateway;
}

std::shared_ptr<CSDKGWCAN> RemoveGateway(GatewaySlot slot) {
    return InstallGateway(slot, nullptr);
}

}  // namespace norvane::sdk
