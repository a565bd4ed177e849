#include "sdk/ethernet/eth_gateway.h"

#include <cstring>

#include "sdk/core/gateway_kind.h"
#include "sdk/ethernet/ethernet_frames.h"

namespace norvane::sdk {
namespace {

constexpr uint32_t kSecondGenIndex = 1;
constexpr uint32_t kFirstGenIndex = 0;

}  // namespace

CETHCAN::CETHCAN(uint32_t kind) {
    legacyProtocol = 1;
    // No first-generation bit below the zone's and one of the raw second-generation bits: second
    // generation (as the object was created for; the UART's bit is not among them).
    constexpr uint32_t kFirstGenBitsBelowZone = kFirstGenKindBits & ~kKindZone;
    constexpr uint32_t kSecondGenBits = kKindRs232 | kKindUsb | kKindPci | kKindEthernet;
    if ((kind & kFirstGenBitsBelowZone) == 0 && (kind & kSecondGenBits) != 0) legacyProtocol = 0;
}

CETHCAN::~CETHCAN() {
    for (uint32_t index = 0; index < kMaxPorts; ++index) {
        if (auto port = ExchangePort(index, nullptr)) {
            if (auto* ethernet = dynamic_cast<CNvSocketClient*>(port.get()))
                ethernet->Disconnect(port->Handle());
        }
    }
}

std::shared_ptr<CNvSocketClient> CETHCAN::EthernetPort(uint32_t handle) const {
    return std::dynamic_pointer_cast<CNvSocketClient>(PortOf(handle));
}

int CETHCAN::SearchPorts(void* records, int maxRecords) {
    portCount = 0;
    auto* record = static_cast<KymSearchRecord*>(records);
    uint32_t address = searchValue;
    if (record != nullptr && maxRecords > 0 && record->address != 0) address = record->address;
    if (address == 0) return 0;
    const uint32_t index = legacyProtocol == 0 ? kSecondGenIndex : kFirstGenIndex;
    if (auto old = ExchangePort(index, nullptr)) {
        if (auto* ethernet = dynamic_cast<CNvSocketClient*>(old.get())) ethernet->Disconnect(old->Handle());
    }
    auto port = std::make_shared<CNvSocketClient>(address);
    port->portIndex = index;
    port->legacyProtocol = legacyProtocol;
    if (port->Connect() != 1) return 0;
    const int probed = legacyProtocol == 0 ? port->Probe() : port->ProbeLegacy();
    if (probed != 1) {
        port->Disconnect(port->Handle());
        return 0;
    }
    if (record != nullptr && maxRecords > 0) {
        record->handle = port->Handle();
        record->transportValue = port->legacyBitRate;
        record->filled = 1;
        char name[32];
        eth::GatewayName(address, name, sizeof name);
        std::snprintf(record->name, sizeof record->name, "%s Version %u", name, port->firmwareNumber);
        record->extra = port->extraInfo;
    }
    portCount = 1;
    // The port stays, closed, until it is opened; the receive thread may not run during a probe.
    port->Disconnect(port->Handle());
    ExchangePort(index, port);
    return portCount;
}

int CETHCAN::OpenPort(uint32_t portIndex, KymNodeRecord* records, int max, uint32_t* out) {
    if (portIndex > 255) return 0;
    auto port = EthernetPort(portIndex);
    if (!port) return 0;
    if (out != nullptr) *out = port->legacyBitRate;
    const uint32_t handle = port->Handle();
    int result = 0;
    if (legacyProtocol == 0) {
        result = port->Open(handle, records, max, out);
    } else if (legacyProtocol == 1) {
        result = port->OpenLegacy(handle, records, max, out);
    } else {
        return 0;
    }
    // A connected port must listen; one that failed to connect has nothing to listen to.
    if (port->IsConnected() && port->StartReceiver(handle) != 1) port->Disconnect(handle);
    return result;
}

int CETHCAN::ClosePort(uint32_t handle) {
    auto port = EthernetPort(handle);
    if (!port) return 0;
    port->Disconnect(handle);
    return 1;
}

int CETHCAN::DescribePort(uint32_t handle, KymDevInfo* info) {
    auto port = EthernetPort(handle);
    if (!port || info == nullptr) return -1;
    info->kind = legacyProtocol == 1 ? kKindEthernetFirstGen : kKindEthernet;
    info->handle = ((info->kind << 8) | (handle & 0xFF)) & 0xFFFFFF;
    std::memset(info->name, 0, sizeof info->name);
    const size_t length = eth::GatewayName(port->Address(), info->name, sizeof info->name);
    info->gatewayClass = 0x20000;
    return static_cast<int>(length);
}

int CETHCAN::ListPortIds(uint32_t idBase, uint32_t* ids, int room) {
    if (portCount < 1 || ids == nullptr || room < 1) return 0;
    ids[0] = idBase | (legacyProtocol == 0 ? kSecondGenIndex : kFirstGenIndex);
    return 1;
}

}  // namespace norvane::sdk
