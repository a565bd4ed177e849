#pragma once
// Empties every gateway registry slot for the life of a test and puts the previous gateways back
// afterwards, so test doubles installed in the slots never leak into the next test.
#include <memory>

#include "sdk/core/gateway_registry.h"

namespace norvane::testing {

class RegistrySlots {
public:
    RegistrySlots() {
        for (int slot = 0; slot < sdk::kGatewaySlots; ++slot) saved_[slot] = sdk::RemoveGateway(Slot(slot));
    }
    ~RegistrySlots() {
        for (int slot = 0; slot < sdk::kGatewaySlots; ++slot) sdk::InstallGateway(Slot(slot), saved_[slot]);
    }
    RegistrySlots(const RegistrySlots&) = delete;
    RegistrySlots& operator=(const RegistrySlots&) = delete;

    /// A new Gateway in one slot.
    template <typename Gateway>
    std::shared_ptr<Gateway> Install(sdk::GatewaySlot slot) {
        auto gateway = std::make_shared<Gateway>();
        sdk::InstallGateway(slot, gateway);
        return gateway;
    }
    /// One gateway in every slot.
    void InstallEverywhere(const std::shared_ptr<sdk::CSDKGWCAN>& gateway) {
        for (int slot = 0; slot < sdk::kGatewaySlots; ++slot) sdk::InstallGateway(Slot(slot), gateway);
    }

private:
    static sdk::GatewaySlot Slot(int slot) { return static_cast<sdk::GatewaySlot>(slot); }
    std::shared_ptr<sdk::CSDKGWCAN> saved_[sdk::kGatewaySlots];
};

}  // namespace norvane::testing
