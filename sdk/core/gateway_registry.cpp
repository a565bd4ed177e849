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
