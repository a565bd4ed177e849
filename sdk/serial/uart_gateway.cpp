#include "sdk/serial/uart_gateway.h"

#include <cstdio>
#include <cstring>

namespace norvane::sdk {

CUartCAN::CUartCAN(uint32_t kind) {
    legacyProtocol = 1;
    if ((kind & 0x7F00) == 0 && (kind & 0x1D) != 0) legacyProtocol = 0;
    if (kind == CNvUartPort::kKind) legacyProtocol = 0;
}

CUartCAN::~CUartCAN() {
    for (uint32_t index = 0; index < kMaxPorts; ++index) {
        if (auto port = ExchangePort(index, nullptr))
            static_cast<CNvUartPort&>(*port).CloseLine(port->Handle());
    }
}

int CUartCAN::SearchPorts(void* records, int maxRecords) {
    // An earlier port that is open keeps working; one that is not is replaced.
    if (auto old = UartPort(0); old && old->LineOpen()) {
        portCount = 1;
        return portCount;
    }
    auto port = std::make_shared<CNvUartPort>(searchFlag != 0 ? static_cast<int>(searchFlag) : 1);
    port->legacyProtocol = legacyProtocol;
    port->kind = legacyProtocol == 1 ? CNvUartPort::kLegacyKind : CNvUartPort::kKind;
    if (searchValue != 0) port->baudRate = searchValue;
    port->portIndex = 0;
    ExchangePort(0, port);
    portCount = maxRecords > 0 ? 1 : 0;
    if (auto* record = static_cast<KymSearchRecord*>(records); record != nullptr && maxRecords > 0) {
        std::memset(record, 0, sizeof *record);
        record->filled = 1;
        record->address = port->baudRate;
        std::snprintf(record->name, sizeof record->name, "KYM%02d%02d,VER %d,%s,%d",
                      (port->modelNumber >> 8) & 0xFF, port->modelNumber & 0xFF,
                      static_cast<int>(port->firmwareNumber), port->displayName.c_str(),
                      static_cast<int>(port->knownBaud));
    }
    return portCount;
}

int CUartCAN::OpenPort(uint32_t portIndex, KymNodeRecord* records, int max, uint32_t* out) {
    if (portIndex >= kMaxPorts) return 0;
    auto port = UartPort(portIndex);
    if (!port) return 0;
    const uint32_t handle = port->Handle();
    const int result = legacyProtocol == 0 ? port->Open(handle, records, max, out)
                                           : port->OpenLegacy(handle, records, max, out);
    if (out != nullptr) *out = port->bitRateCode;
    if (port->LineOpen() && port->StartReceiver(handle) != 1) port->CloseLine(handle);
    return result;
}

int CUartCAN::ClosePort(uint32_t handle) {
    if (auto port = UartPort(handle)) port->CloseLine(handle);
    return 1;
}

int CUartCAN::GetCommand(uint32_t handle, uint32_t node, uint8_t controlWord, int index, KymReply* out) {
    if (auto port = UartPort(handle)) port->TakePause();
    return CSDKGWCAN::GetCommand(handle, node, controlWord, index, out);
}

int CUartCAN::SetCommand(uint32_t handle, uint32_t node, uint8_t controlWord, int index, const void* data,
                         KymReply* out) {
    if (auto port = UartPort(handle)) port->TakePause();
    return CSDKGWCAN::SetCommand(handle, node, controlWord, index, data, out);
}

int CUartCAN::DescribePort(uint32_t handle, KymDevInfo* info) {
    auto port = UartPort(handle);
    if (!port || info == nullptr) return -1;
    info->kind = legacyProtocol == 1 ? CNvUartPort::kLegacyKind : CNvUartPort::kKind;
    info->handle = (info->kind * 256 + (handle & 0xFF)) & 0xFFFFFF;
    info->portIndex = port->portIndex;
    info->transportValue = port->baudRate;
    std::memset(info->name, 0, sizeof info->name);
    std::snprintf(info->name, sizeof info->name, "%s", port->displayName.c_str());
    info->gatewayClass = 0x20000;
    return static_cast<int>(std::strlen(info->name));
}

}  // namespace norvane::sdk
