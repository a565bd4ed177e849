#include "sdk/serial/serial_gateway.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "platform/serial_ports.h"
#include "platform/trace.h"

namespace norvane::sdk {

CSerialPortCAN::CSerialPortCAN(uint32_t kind) {
    legacyProtocol = 1;
    if ((kind & 0x7F00) == 0 && (kind & 0x1D) != 0) legacyProtocol = 0;
}

CSerialPortCAN::~CSerialPortCAN() {
    for (uint32_t index = 0; index < kMaxPorts; ++index) {
        if (auto port = ExchangePort(index, nullptr))
            static_cast<CNvSerialPort&>(*port).CloseLine(port->Handle());
    }
}

std::shared_ptr<CNvSerialPort> CSerialPortCAN::SerialPort(uint32_t handle) const {
    return std::static_pointer_cast<CNvSerialPort>(PortOf(handle));
}

void CSerialPortCAN::FillRecord(const CNvSerialPort& port, uint32_t index, KymSearchRecord& record) const {
    std::memset(&record, 0, sizeof record);
    record.handle = (port.kind * 256 + index) & 0xFFFFFF;
    record.transportValue = port.bitRateCode;
    record.address = port.baudRate;
    record.filled = 1;
    record.reserved[0] = port.gatewayNode;
    std::snprintf(record.name, sizeof record.name, "KYM%02d%02d,VER %d,%s,%d", (port.modelNumber >> 8) & 0xFF,
                  port.modelNumber & 0xFF, static_cast<int>(port.firmwareNumber), port.displayName.c_str(),
                  static_cast<int>(port.knownBaud));
    record.extra = port.serialNumber;
}

int CSerialPortCAN::SearchPorts(void* records, int maxRecords) {
    auto* record = static_cast<KymSearchRecord*>(records);
    if (legacyProtocol == 1 && record == nullptr) return 0;
    platform::Trace(legacyProtocol == 0 ? "Search318GateWay:\n" : "Search753GateWay:\n");
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
    const uint32_t room =
        maxRecords > 0 ? std::min<uint32_t>(static_cast<uint32_t>(maxRecords), kMaxPorts) : kMaxPorts;
    uint32_t next = 0;
    for (const int number : numbers) {
        if (std::find(busyNumbers.begin(), busyNumbers.end(), number) != busyNumbers.end()) continue;
        while (next < room && taken[next]) ++next;
        if (next >= room) break;
        auto port = std::make_shared<CNvSerialPort>(number);
        port->knownBaud = searchValue;
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
        if (record != nullptr && static_cast<int>(index) < maxRecords)
            FillRecord(*SerialPort(index), index, record[index]);
    }
    return portCount;
}

int CSerialPortCAN::OpenPort(uint32_t portIndex, KymNodeRecord* records, int max, uint32_t* out) {
    if (portIndex >= kMaxPorts) return 0;
    auto port = SerialPort(portIndex);
    if (!port) return 0;
    if (out != nullptr) *out = port->bitRateCode;
    const uint32_t handle = port->Handle();
    const int result = legacyProtocol == 0 ? port->Open(handle, records, max, out)
                                           : port->OpenLegacy(handle, records, max, out);
    if (port->LineOpen() && port->StartReceiver(handle) != 1) port->CloseLine(handle);
    return result;
}

int CSerialPortCAN::ClosePort(uint32_t handle) {
    if (auto port = SerialPort(handle)) port->CloseLine(handle);
    return 1;
}

int CSerialPortCAN::RegisterAllNodes(uint32_t handle, KymNodeRecord* records, int max) {
    if ((handle & 0x10000) == 0) return 0;
    return CSDKGWCAN::RegisterAllNodes(handle, records, max);
}

int CSerialPortCAN::DescribePort(uint32_t handle, KymDevInfo* info) {
    auto port = SerialPort(handle);
    if (!port || info == nullptr) return -1;
    info->kind = legacyProtocol == 1 ? CNvSerialPort::kLegacyKind : CNvSerialPort::kKind;
    info->handle = (info->kind * 256 + (handle & 0xFF)) & 0xFFFFFF;
    info->portIndex = port->portIndex;
    info->transportValue = port->baudRate;
    std::memset(info->name, 0, sizeof info->name);
    std::snprintf(info->name, sizeof info->name, "%s", port->displayName.c_str());
    info->gatewayClass = 0x10000;
    return static_cast<int>(std::strlen(info->name));
}

}  // namespace norvane::sdk
