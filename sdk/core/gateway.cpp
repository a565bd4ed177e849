#include "sdk/core/gateway.h"

#include <algorithm>

#include "sdk/core/port.h"

namespace norvane::sdk {

std::shared_ptr<CNvCallBackFunc> CSDKGWCAN::Port(uint32_t index) const {
    if (index >= kMaxPorts) return nullptr;
    std::lock_guard lock(portsLock_);
    return ports_[index];
}

std::shared_ptr<CNvCallBackFunc> CSDKGWCAN::ExchangePort(uint32_t index,
                                                         std::shared_ptr<CNvCallBackFunc> port) {
    if (index >= kMaxPorts) return port;
    std::lock_guard lock(portsLock_);
    std::swap(ports_[index], port);
    return port;
}

int CSDKGWCAN::ListPortIds(uint32_t idBase, uint32_t* ids, int room) {
    int n = 0;
    const uint32_t positions =
        portCount > 0 ? std::min<uint32_t>(static_cast<uint32_t>(portCount), kMaxPorts) : 0;
    for (uint32_t index = 0; index < positions && ids != nullptr && n < room; ++index) {
        if (Port(index)) ids[n++] = idBase | index;
    }
    return n;
}

}  // namespace norvane::sdk
