#include "sdk/core/gateway.h"

#include "sdk/core/port.h"

namespace norvane::sdk {

std::shared_ptr<CNvCallBackFunc> CSDKGWCAN::Port(uint32_t index) const {
    if (index >= kMaxPorts) return nullptr;
    std::lock_guard lock(portsLock_);
    return ports_[index];
}

std::shared_ptr<CNvCallBackFunc> CSDKGWCAN::ExchangePort(uint32_t index, std::shared_ptr<CNvCallBackFunc> port) {
    if (index >= kMaxPorts) return port;
    std::lock_guard lock(portsLock_);
    std::swap(ports_[index], port);
    return port;
}

}  // namespace norvane::sdk
