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

int CZoneGateway::SendCanMessage(uint32_t handle, const KymCanMsg* message, KymCanMsg* out, int max,
                                 int* countOut) {
    if (!Port(handle & 0xFF)) return -1;
    return CSDKGWCAN::SendCanMessage(handle, message, out, max, countOut);
}

std::shared_ptr<CSDKGWCAN> MakeZoneGateway() {
    return std::make_shared<CZoneGateway>();
}

}  // namespace norvane::sdk
