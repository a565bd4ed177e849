#include "sdk/can/usb_gateway.h"

#include <cstdio>
#include <cstring>

#include "platform/console_line.h"
#include "sdk/core/gateway_kind.h"

namespace norvane::sdk::can {
namespace {

int FormatName(uint32_t index, char* out, size_t size) {
    return std::snprintf(out, size, "USBC7200 DevID%03u", index & 0xFF);
}

}  // namespace

CUSBC7200CAN::CUSBC7200CAN(uint32_t kind, std::shared_ptr<UsbAdapters> adapters)
    : adapters_(std::move(adapters)) {
    legacyProtocol = (kind & 0x7F00) != 0 ? 1 : (kind & 0x1D) != 0 ? 0 : 1;
}

CUSBC7200CAN::~CUSBC7200CAN() {
    CloseAll();
}

std::shared_ptr<CUSBC7200> CUSBC7200CAN::UsbPort(uint32_t handle) const {
    return std::dynamic_pointer_cast<CUSBC7200>(PortOf(handle));
}

void CUSBC7200CAN::CloseAll() {
    for (uint32_t position = 0; position < kMaxPositions; ++position) {
        if (auto old = std::dynamic_pointer_cast<CUSBC7200>(ExchangePort(position, nullptr)))
            old->CloseAdapter();
    }
}

int CUSBC7200CAN::SearchPorts(void* records, int maxRecords) {
    const bool legacy = legacyProtocol == 1;
    if (!legacy && legacyProtocol != 0) return 0;
    if (!legacy) platform::ConsoleLine("USBC_ListDevices uiLen-dwGWNum=%d\n", maxRecords);
    // A search starts afresh: adapters it does not list any more keep no port.
    CloseAll();
    uint32_t list[kUsbListRoom] = {};
    portCount = adapters_->ListDevices(list, kUsbListRoom);
    auto* record = static_cast<KymSearchRecord*>(records);
    for (int k = 0; k < portCount; ++k) {
        const uint32_t index = list[k];
        auto port = std::make_shared<CUSBC7200>(adapters_, index, legacy);
        port->detectTiming = detectTiming;
        if (!legacy && searchFlag != 0) {
            port->fixedRateFlag = searchFlag;
            port->fixedRate = searchValue;
        }
        // Only device indices 0-15 have a position (the receive loop serves no others).
        if (index < kMaxPositions) ExchangePort(index, port);
        const int rate = port->DetectBitRate(index, legacy ? 1 : 0);
        searchValue = legacy || rate >= 0 ? static_cast<uint32_t>(rate) : 0;
        if (record == nullptr || k >= maxRecords) continue;
        KymSearchRecord& r = record[k];
        if (legacy) {
            r.handle = (index & 0xFF) | 0x100000;
            r.filled = 0;
            FormatName(index, r.name, sizeof r.name);
            if (rate >= 0) r.transportValue = static_cast<uint32_t>(rate);
        } else if (rate >= 0) {
            r.handle = MakeHandle(port->kind, index & 0xFF);
            FormatName(index, r.name, sizeof r.name);
            r.transportValue = static_cast<uint32_t>(rate);
        }
    }
    return portCount;
}

int CUSBC7200CAN::OpenPort(uint32_t handle, KymNodeRecord* records, int max, uint32_t* out) {
    if (handle > 255) return 0;
    auto port = UsbPort(handle);
    if (!port) return 0;
    if (out != nullptr) *out = port->bitRateCode;
    if (legacyProtocol == 0) return port->Open(handle, records, max, out);
    if (legacyProtocol == 1) return port->OpenLegacy(handle, records, max, out);
    return 0;
}

int CUSBC7200CAN::ClosePort(uint32_t handle) {
    auto port = UsbPort(handle);
    if (!port) return 0;
    port->StopAdapter();
    return port->CloseAdapter();
}

int CUSBC7200CAN::PopNodeMessage(uint32_t handle, uint32_t, KymCanMsg*) {
    return UsbPort(handle) ? 1 : 0;
}

int CUSBC7200CAN::DescribePort(uint32_t handle, KymDevInfo* info) {
    if (info == nullptr) return -1;
    auto port = UsbPort(handle);
    if (port) info->transportValue = port->bitRateCode;
    info->gatewayClass = 0x20000;
    info->kind = legacyProtocol == 1 ? kKindUsbFirstGen : kKindUsb;
    info->handle = MakeHandle(info->kind, handle & 0xFF);
    std::memset(info->name, 0, sizeof info->name);
    return FormatName(handle, info->name, sizeof info->name);
}

int CUSBC7200CAN::ListPortIds(uint32_t idBase, uint32_t* ids, int room) {
    int n = 0;
    for (uint32_t position = 0; position < kMaxPositions && ids != nullptr && n < room; ++position) {
        if (auto port = UsbPort(position)) ids[n++] = idBase | port->DeviceIndex();
    }
    return n;
}

int CUSBC7200CAN::ChannelBitRate(uint32_t handle, int32_t* bitRate) {
    auto port = UsbPort(handle);
    if (!port) return 0;
    if (bitRate != nullptr) *bitRate = static_cast<int32_t>(port->bitRateCode);
    return 1;
}

int CUSBC7200CAN::DetectBitRate(uint32_t handle) {
    auto port = UsbPort(handle);
    if (!port) return 0;
    return port->DetectBitRate(handle & 0xFF, legacyProtocol);
}

int CUSBC7200CAN::SetBitRate(uint32_t handle, uint8_t code) {
    auto port = UsbPort(handle);
    if (!port) return 0;
    const int result = adapters_->SetCanBaudRate(handle & 0xFF, code);
    if (result == 1) port->bitRateCode = code;
    return result;
}

int CUSBC7200CAN::SetDeviceIndex(uint32_t handle, uint32_t newIndex) {
    auto port = UsbPort(handle);
    if (!port) return 0;
    port->StopThreads();
    return adapters_->SetIndex(port->DeviceIndex(), newIndex & 0xFF);
}

}  // namespace norvane::sdk::can
