#include "sdk/serial/serial_gateway.h"

#include <algorithm>

#include "platform/serial_ports.h"
#include "platform/trace.h"

namespace norvane::sdk {
namespace {

constexpr uint32_t kLastNode = 125;

}  // namespace

CSerialPortCAN::CSerialPortCAN(uint32_t kind)
    : CSerialLineGateway(kind, CNvSerialPort::kKind, CNvSerialPort::kLegacyKind, 0x10000) {}

int CSerialPortCAN::SearchPorts(void* records, int maxRecords) {
    auto* record = static_cast<KymSearchRecord*>(records);
    if (legacyProtocol == 1 && record == nullptr) return 0;
    if (legacyProtocol == 0) platform::Trace("Search318GateWay:\n");
    // Ports of the earlier search: open ones stay where they are, the others go.
    std::vector<int> busyNumbers;
    bool taken[kMaxPorts] = {};
    for (uint32_t index = 0; index < kMaxPorts; ++index) {
        auto port = SerialPort(index);
        if (!port) continue;
        if (port->LineOpen()) {
            taken[index] = true;
            busyNumbers.push_back(port->PortNumber());
        } else {
            ExchangePort(index, nullptr);
        }
    }
    std::vector<int> numbers;
    if (searchFlag != 0) {
        numbers.push_back(static_cast<int>(searchFlag));
    } else {
        for (const auto& entry : platform::SystemSerialPorts()) numbers.push_back(entry.number);
    }
    if (legacyProtocol == 1) platform::TraceF("iPortNum:%d\n", static_cast<int>(numbers.size()));
    const uint32_t room =
        maxRecords > 0 ? std::min<uint32_t>(static_cast<uint32_t>(maxRecords), kMaxPorts) : kMaxPorts;
    uint32_t next = 0;
    for (const int number : numbers) {
        if (std::find(busyNumbers.begin(), busyNumbers.end(), number) != busyNumbers.end()) continue;
        while (next < room && taken[next]) ++next;
        if (next >= room) break;
        auto port = std::make_shared<CNvSerialPort>(number);
        port->knownBaud = searchValue;
        // The fixed gateway node (a node id; 0, as a device search leaves it, is the broadcast
        // address and keeps the port's node 1): the first generation always takes it, the
        // second only with a fixed COM port.
        if (searchDefault >= 1 && searchDefault <= kLastNode && (legacyProtocol == 1 || searchFlag != 0))
            port->gatewayNode = static_cast<uint8_t>(searchDefault);
        port->legacyProtocol = legacyProtocol;
        port->probeTiming = probeTiming;
        const int probed = legacyProtocol == 0 ? port->Probe() : port->ProbeLegacy();
        if (probed != 1) continue;
        port->portIndex = next;
        ExchangePort(next, port);
        taken[next] = true;
    }
    portCount = 0;
    for (uint32_t index = 0; index < room; ++index) {
        if (!taken[index]) continue;
        portCount = static_cast<int32_t>(index + 1);
        if (record != nullptr && static_cast<int>(index) < maxRecords) {
            const auto& port = *SerialPort(index);
            FillRecord(port, port.kind * 256 + index, record[index]);
        }
    }
    return portCount;
}

int CSerialPortCAN::RegisterAllNodes(uint32_t handle, KymNodeRecord* records, int max) {
    if ((handle & 0x10000) == 0) return 0;
    return CSDKGWCAN::RegisterAllNodes(handle, records, max);
}

}  // namespace norvane::sdk
