#pragma once
// The seven process-wide gateway objects, one per gateway kind family, created lazily.
//
// Lookups hand out shared references, so a gateway removed by a close on one thread stays
// alive until operations running on other threads have returned.
#include <cstdint>
#include <functional>
#include <memory>

#include "sdk/core/gateway.h"
#include "sdk/core/gateway_kind.h"

namespace norvane::sdk {

std::shared_ptr<CSDKGWCAN> GatewayAt(GatewaySlot slot);
/// Returns the slot's gateway, creating it with make() when there is none yet.
std::shared_ptr<CSDKGWCAN> GatewayAtOrCreate(GatewaySlot slot,
                                             const std::function<std::shared_ptr<CSDKGWCAN>()>& make);
/// Installs a gateway (replacing any); returns the previous one.
std::shared_ptr<CSDKGWCAN> InstallGateway(GatewaySlot slot, std::shared_ptr<CSDKGWCAN> gateway);
/// Removes and returns the slot's gateway.
std::shared_ptr<CSDKGWCAN> RemoveGateway(GatewaySlot slot);

}  // namespace norvane::sdk
