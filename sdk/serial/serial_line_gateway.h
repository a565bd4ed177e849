#pragma once
// What the RS-232 and UART gateway objects share: up to five serial-line ports, opening one in
// the gateway's generation, closing it, describing it, its search record, and opening the
// first port of a first-generation search for the shortcut exports.
//
// Any host thread may call; operations work on their own reference to the port.
#include <memory>

#include "sdk/core/gateway.h"
#include "sdk/serial/serial_line_port.h"

namespace norvane::sdk {

class CSerialLineGateway : public CSDKGWCAN {
public:
    ~CSerialLineGateway() override;

    /// Opens the port in the gateway's generation; when its threads cannot run, its line is
    /// closed again. The port's Open/OpenLegacy result.
    int OpenPort(uint32_t portIndex, KymNodeRecord* records, int max, uint32_t* out) override;
    int ClosePort(uint32_t handle) override;
    /// Kind, handle, port index, rate and the display name of the port.
    int DescribePort(uint32_t handle, KymDevInfo* info) override;

    /// A first-generation search with room for five, then the first port opened for gatewayId
    /// (Open753UartDevice): its result, 0 when nothing was found.
    int OpenFirstGateway(uint32_t gatewayId);

    std::shared_ptr<CNvSerialLinePort> LinePort(uint32_t handle) const {
        return std::static_pointer_cast<CNvSerialLinePort>(PortOf(handle));
    }

protected:
    /// secondGenKind/firstGenKind: the kinds of the two generations; gatewayClass: the last
    /// word of the description.
    CSerialLineGateway(uint32_t kind, uint32_t secondGenKind, uint32_t firstGenKind, uint32_t gatewayClass);

    /// Search record of the port kept at index (gateway id from the port's kind).
    static void FillRecord(const CNvSerialLinePort& port, uint32_t gatewayId, KymSearchRecord& record);
    /// Whether a second-generation OpenPort reports the port's bit-rate code again after the
    /// open (the UART port learns it while opening).
    bool rateAfterOpen_ = false;

private:
    const uint32_t secondGenKind_;
    const uint32_t firstGenKind_;
    const uint32_t gatewayClass_;
};

}  // namespace norvane::sdk
