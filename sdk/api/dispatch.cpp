#include "sdk/api/dispatch.h"

#include "sdk/core/gateway_registry.h"

namespace norvane::sdk {
namespace {

// The zone gateway's own SetCommand/GetCommand give 0 for an empty port position, so every
// kind goes through the same two slots.
std::shared_ptr<CSDKGWCAN> GatewayFor(uint32_t handle) {
    const auto slot = SlotForKind(KindOf(handle));
    if (!slot) return nullptr;
    return GatewayAt(*slot);
}

}  // namespace

int DispatchSet(uint32_t handle, uint32_t node, uint8_t controlWord, int index, const void* data,
                KymReply* answer) {
    const auto gateway = GatewayFor(handle);
    if (!gateway) return -1;
    return gateway->SetCommand(handle, node, controlWord, index, data, answer);
}

int DispatchGet(uint32_t handle, uint32_t node, uint8_t controlWord, int index, KymReply* answer) {
    const auto gateway = GatewayFor(handle);
    if (!gateway) return -1;
    return gateway->GetCommand(handle, node, controlWord, index, answer);
}

}  // namespace norvane::sdk
