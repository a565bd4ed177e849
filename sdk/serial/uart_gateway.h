#pragma once
// The UART gateway object: one port, on the fixed COM port or COM1, put in place by the search
// without any I/O (the gateway is probed or opened later). searchFlag is the fixed COM port,
// searchValue the line's rate (0: 115200). Its get and set first honour the gateway's
// flow-control pause; its register-all runs on the handle's port whatever the handle's kind.
//
// Any host thread may call; operations work on their own reference to the port.
#include <memory>

#include "sdk/serial/serial_line_gateway.h"
#include "sdk/serial/uart_port.h"

namespace norvane::sdk {

class CUartCAN : public CSerialLineGateway {
public:
    /// kind: 32, or 16384 for the first generation.
    explicit CUartCAN(uint32_t kind);

    int SearchPorts(void* records, int maxRecords) override;
    int ClosePort(uint32_t handle) override;
    int GetCommand(uint32_t handle, uint32_t node, uint8_t controlWord, int index, KymReply* out) override;
    int SetCommand(uint32_t handle, uint32_t node, uint8_t controlWord, int index, const void* data,
                   KymReply* out) override;
    /// The UART port keeps no per-node message queue: always -1.
    int PopNodeMessage(uint32_t, uint32_t, KymCanMsg*) override { return -1; }

    std::shared_ptr<CNvUartPort> UartPort(uint32_t handle) const {
        return std::static_pointer_cast<CNvUartPort>(PortOf(handle));
    }
};

}  // namespace norvane::sdk
