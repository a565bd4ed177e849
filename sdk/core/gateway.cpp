#include "sdk/core/gateway.h"

#include <algorithm>

#include "sdk/core/link_port.h"
#include "sdk/core/port.h"

namespace norvane::sdk {

std::shared_ptr<CNvCallBackFunc> CSDKGWCAN::Port(uint32_t index) const {
    if (index >= kMaxPositions) return nullptr;
    std::lock_guard lock(portsLock_);
    return ports_[index];
}

std::shared_ptr<CNvCallBackFunc> CSDKGWCAN::ExchangePort(uint32_t index,
                                                         std::shared_ptr<CNvCallBackFunc> port) {
    if (index >= kMaxPositions) return port;
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

int CSDKGWCAN::RegisterNodes(uint32_t handle, KymNodeRecord* records, int max) {
    auto port = PortOf(handle);
    if (!port) return 0;
    if (legacyProtocol == 0) return port->RegisterNodes(handle, records, max);
    if (legacyProtocol == 1) return port->RegisterNodesLegacy(handle, records, max);
    return 0;
}

int CSDKGWCAN::RegisterAllNodes(uint32_t handle, KymNodeRecord* records, int max) {
    auto port = std::dynamic_pointer_cast<CNvLinkPort>(PortOf(handle));
    if (!port) return 0;
    return port->RegisterAllNodes(handle, records, max);
}

int CSDKGWCAN::PopNodeMessage(uint32_t, uint32_t, KymCanMsg*) {
    return 0;
}

int CSDKGWCAN::GetCommand(uint32_t handle, uint32_t node, uint8_t controlWord, int index, KymReply* out) {
    auto port = PortOf(handle);
    if (!port) return 0;
    if (legacyProtocol == 0) return port->GetCommand(handle, node, controlWord, index, out);
    if (legacyProtocol == 1) return port->GetCommandLegacy(handle, node, controlWord, index, out);
    return 0;
}

int CSDKGWCAN::SetCommand(uint32_t handle, uint32_t node, uint8_t controlWord, int index, const void* data,
                          KymReply* out) {
    auto port = PortOf(handle);
    if (!port) return 0;
    if (legacyProtocol == 0) return port->SetCommand(handle, node, controlWord, index, data, out);
    if (legacyProtocol == 1) return port->SetCommandLegacy(handle, node, controlWord, index, data, out);
    return 0;
}

int CSDKGWCAN::SendRaw(uint32_t handle, const uint8_t* bytes, int length) {
    auto port = std::dynamic_pointer_cast<CNvLinkPort>(PortOf(handle));
    if (!port || bytes == nullptr || length <= 0) return 0;
    return port->SendRawUnit(bytes, static_cast<size_t>(length));
}

int CSDKGWCAN::SendCanMessage(uint32_t handle, const KymCanMsg* message, KymCanMsg* out, int max,
                              int* countOut) {
    auto port = PortOf(handle);
    if (!port) return 0;
    return port->SendCanMessage(handle, message, out, max, countOut);
}

int CSDKGWCAN::ReadNodeStream(uint32_t handle, uint32_t node, uint8_t* buffer, int length) {
    auto port = PortOf(handle);
    if (!port) return 0;
    return port->ReadNodeStream(node, buffer, length);
}

}  // namespace norvane::sdk
