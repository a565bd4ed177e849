#include "sdk/serial/serial_line_gateway.h"

#include <cstdio>
#include <cstring>

namespace norvane::sdk {

CSerialLineGateway::CSerialLineGateway(uint32_t kind, uint32_t secondGenKind, uint32_t firstGenKind,
                                       uint32_t gatewayClass)
    : secondGenKind_(secondGenKind), firstGenKind_(firstGenKind), gatewayClass_(gatewayClass) {
    // First generation when a first-generation kind bit is set, or no second-generation one.
    legacyProtocol = 1;
    if ((kind & 0x7F00) == 0 && (kind & (0x1D | secondGenKind)) != 0) legacyProtocol = 0;
}

CSerialLineGateway::~CSerialLineGateway() {
    for (uint32_t index = 0; index < kMaxPorts; ++index) {
        if (auto port = ExchangePort(index, nullptr))
            static_cast<CNvSerialLinePort&>(*port).CloseLine(port->Handle());
    }
}

void CSerialLineGateway::FillRecord(const CNvSerialLinePort& port, uint32_t gatewayId,
                                    KymSearchRecord& record) {
    std::memset(&record, 0, sizeof record);
    record.handle = gatewayId & 0xFFFFFF;
    record.transportValue = port.bitRateCode;
    record.address = port.baudRate;
    record.filled = 1;
    record.reserved[0] = port.gatewayNode;
    std::snprintf(record.name, sizeof record.name, "KYM%02d%02d,VER %d,%s,%d", (port.modelNumber >> 8) & 0xFF,
                  port.modelNumber & 0xFF, static_cast<int>(port.firmwareNumber), port.displayName.c_str(),
                  static_cast<int>(port.knownBaud));
    record.extra = port.serialNumber;
}

int CSerialLineGateway::OpenPort(uint32_t portIndex, KymNodeRecord* records, int max, uint32_t* out) {
    if (portIndex >= kMaxPorts) return 0;
    auto port = LinePort(portIndex);
    if (!port) return 0;
    if (out != nullptr) *out = port->bitRateCode;
    const uint32_t handle = port->Handle();
    const int result = legacyProtocol == 0 ? port->Open(handle, records, max, out)
                                           : port->OpenLegacy(handle, records, max, out);
    // A first-generation open reads the gateway's own setting into out.
    if (out != nullptr && rateAfterOpen_ && legacyProtocol == 0) *out = port->bitRateCode;
    if (port->LineOpen() && port->StartReceiver(handle) != 1) port->CloseLine(handle);
    return result;
}

int CSerialLineGateway::ClosePort(uint32_t handle) {
    if (auto port = LinePort(handle)) port->CloseLine(handle);
    return 1;
}

int CSerialLineGateway::OpenFirstGateway(uint32_t gatewayId) {
    legacyProtocol = 1;
    KymSearchRecord records[kMaxPorts] = {};
    if (SearchPorts(records, static_cast<int>(kMaxPorts)) < 1) return 0;
    auto port = LinePort(0);
    return port ? port->Open753UartDevice(gatewayId) : 0;
}

int CSerialLineGateway::DescribePort(uint32_t handle, KymDevInfo* info) {
    auto port = LinePort(handle);
    if (!port || info == nullptr) return -1;
    info->kind = legacyProtocol == 1 ? firstGenKind_ : secondGenKind_;
    info->handle = (info->kind * 256 + (handle & 0xFF)) & 0xFFFFFF;
    info->portIndex = port->portIndex;
    info->transportValue = port->baudRate;
    std::memset(info->name, 0, sizeof info->name);
    std::snprintf(info->name, sizeof info->name, "%s", port->displayName.c_str());
    info->gatewayClass = gatewayClass_;
    return static_cast<int>(std::strlen(info->name));
}

}  // namespace norvane::sdk
