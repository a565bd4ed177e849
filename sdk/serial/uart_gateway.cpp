#include "sdk/serial/uart_gateway.h"

#include "platform/trace.h"

namespace norvane::sdk {

CUartCAN::CUartCAN(uint32_t kind)
    : CSerialLineGateway(kind, CNvUartPort::kKind, CNvUartPort::kLegacyKind, 0x20000) {
    rateAfterOpen_ = true;
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
    // The record's gateway id stays 0: the gateway is not probed yet.
    if (auto* record = static_cast<KymSearchRecord*>(records); record != nullptr && maxRecords > 0)
        FillRecord(*port, 0, *record);
    return portCount;
}

int CUartCAN::ClosePort(uint32_t handle) {
    platform::TraceF("CUartCAN::SDKCloseGateWay dwDevIndex=0x%X\n", handle);
    return CSerialLineGateway::ClosePort(handle);
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

}  // namespace norvane::sdk
