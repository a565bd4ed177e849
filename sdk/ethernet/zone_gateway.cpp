// The zone gateway: routes gateway operations to the zone port in the handle's low byte.
#include "sdk/ethernet/zone_gateway.h"

#include "sdk/ethernet/ethernet_frames.h"
#include "sdk/ethernet/zone_port.h"

namespace norvane::sdk {
namespace {

// The zone gateway stores nothing but zone ports.
std::shared_ptr<CNvZonePort> ZonePort(const CSDKGWCAN& gateway, uint32_t index) {
    return std::static_pointer_cast<CNvZonePort>(gateway.Port(index));
}

}  // namespace

CZoneGateway::CZoneGateway() {
    legacyProtocol = 1;
}

// Each zone port disconnects itself when its last reference goes.
CZoneGateway::~CZoneGateway() = default;

int CZoneGateway::SearchPorts(void* records, int maxRecords) {
    auto* search = static_cast<KymSearchRecord*>(records);
    const bool haveRecord = search != nullptr && maxRecords > 0;
    const uint32_t address = haveRecord && search[0].address != 0 ? search[0].address : searchValue;
    if (auto previous = ZonePort(*this, 0)) {
        ExchangePort(0, nullptr);
        previous->Disconnect(previous->Handle());
    }
    portCount = 0;
    // Address 0 would reach the local host, not a zone device.
    if (address == 0) return 0;

    auto port = std::make_shared<CNvZonePort>(address);
    port->portIndex = 0;
    if (!port->Connect() || !port->ZoneProbe()) {
        port->Disconnect(port->Handle());
        return 0;
    }
    ExchangePort(0, port);
    portCount = 1;
    if (haveRecord) {
        search[0].handle = port->Handle();
        search[0].filled = 1;
        eth::GatewayName(address, search[0].name, sizeof search[0].name);
    }
    port->Disconnect(port->Handle());
    return 1;
}

int CZoneGateway::OpenPort(uint32_t portIndex, KymNodeRecord* records, int max, uint32_t*) {
    const auto port = ZonePort(*this, portIndex);
    if (!port || records == nullptr) return 0;
    return port->ZoneOpen(portIndex, records, max);
}

int CZoneGateway::ClosePort(uint32_t handle) {
    const auto port = ExchangePort(handle & 0xFF, nullptr);
    if (!port) return 0;
    static_cast<CNvZonePort&>(*port).Disconnect(port->Handle());
    return 1;
}

int CZoneGateway::RegisterNodes(uint32_t handle, KymNodeRecord* records, int max) {
    const auto port = ZonePort(*this, handle & 0xFF);
    return port ? port->ZoneRegister(handle, records, max, false) : 0;
}

int CZoneGateway::RegisterAllNodes(uint32_t handle, KymNodeRecord* records, int max) {
    const auto port = ZonePort(*this, handle & 0xFF);
    return port ? port->ZoneRegister(handle, records, max, true) : 0;
}

int CZoneGateway::PopNodeMessage(uint32_t, uint32_t, KymCanMsg*) {
    return 0;
}

int CZoneGateway::GetCommand(uint32_t handle, uint32_t node, uint8_t controlWord, int index, KymReply* out) {
    const auto port = ZonePort(*this, handle & 0xFF);
    return port ? port->ZoneGet(handle, node, controlWord, index, out) : 0;
}

int CZoneGateway::SetCommand(uint32_t handle, uint32_t node, uint8_t controlWord, int index, const void* data,
                             KymReply* out) {
    const auto port = ZonePort(*this, handle & 0xFF);
    return port ? port->ZoneSet(handle, node, controlWord, index, data, out) : 0;
}

int CZoneGateway::SendRaw(uint32_t handle, const uint8_t* bytes, int length) {
    const auto port = ZonePort(*this, handle & 0xFF);
    if (!port || bytes == nullptr || length <= 0) return 0;
    return port->SendBytes(bytes, static_cast<size_t>(length));
}

int CZoneGateway::SendCanMessage(uint32_t handle, const KymCanMsg* message, KymCanMsg* out, int max,
                                 int* countOut) {
    const auto port = ZonePort(*this, handle & 0xFF);
    return port ? port->ZoneRawMessage(handle, message, out, max, countOut) : -1;
}

int CZoneGateway::ReadNodeStream(uint32_t handle, uint32_t node, uint8_t* buffer, int length) {
    const auto port = ZonePort(*this, handle & 0xFF);
    return port ? port->ReadNodeStream(node, buffer, length) : 0;
}

std::shared_ptr<CSDKGWCAN> MakeZoneGateway() {
    return std::make_shared<CZoneGateway>();
}

}  // namespace norvane::sdk
