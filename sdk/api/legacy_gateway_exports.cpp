// First-generation gateway management: the search over every gateway kind with its 88-byte
// records, open and close (the close destroys the whole gateway object), the serial and UART
// shortcuts, the Ethernet port restart, the USB index change and the quick-scan parameters.
#include <chrono>
#include <cstdio>
#include <memory>
#include <mutex>
#include <thread>

#include "norvane/NorvaneFunc.h"
#include "sdk/api/config_files.h"
#include "sdk/api/dispatch.h"
#include "sdk/api/export_guard.h"
#include "sdk/api/legacy_steps.h"
#include "sdk/api/node_locks.h"
#include "sdk/can/usb_gateway.h"
#include "sdk/core/gateway_registry.h"
#include "sdk/core/sdk_settings.h"
#include "sdk/ethernet/eth_gateway.h"
#include "sdk/ethernet/zone_gateway.h"
#include "sdk/serial/serial_gateway.h"
#include "sdk/serial/uart_gateway.h"

using namespace norvane::sdk;

namespace {

// The 1024-kind work block: allocated by a search with bit 0x400, freed by a close of kind
// 1024; nothing else uses it.
struct WorkBlock {
    std::mutex lock;
    std::unique_ptr<uint8_t[]> block;
};
constexpr size_t kWorkBlockBytes = 1024;

WorkBlock& TheWorkBlock() {
    static WorkBlock work;
    return work;
}

// Gateway of the kinds OpenGateWay and CloseGateWay accept: every gateway kind but kind 1.
std::optional<GatewaySlot> ManagedSlot(uint32_t kind) {
    if (kind == kKindRs232) return std::nullopt;
    return GatewaySlotOf(kind);
}

std::shared_ptr<CSDKGWCAN> EthernetGateway(GatewaySlot slot, uint32_t kind) {
    return GatewayAtOrCreate(slot, [kind] { return std::make_shared<CETHCAN>(kind); });
}

// Fills records from the current position with one gateway's search and ORs the kind bits
// into each filled record's handle.
class SearchRun {
public:
    SearchRun(uint32_t devType, KymSearchRecord* records, int maxRecords)
        : devType_(devType), records_(records), max_(maxRecords) {}

    void Search(const std::shared_ptr<CSDKGWCAN>& gateway, bool alwaysLegacy, uint32_t handleBits) {
        if (!gateway || filled_ >= max_) return;
        if (alwaysLegacy || (devType_ & kFirstGenKindBits) != 0) {
            gateway->legacyProtocol = 1;
        } else if ((devType_ & kSecondGenKindBits) != 0) {
            gateway->legacyProtocol = 0;
        }
        const int room = max_ - filled_;
        int found = gateway->SearchPorts(records_ + filled_, room);
        if (found < 0) found = 0;
        if (found > room) found = room;
        for (int i = 0; i < found; ++i) records_[filled_ + i].handle |= handleBits;
        filled_ += found;
    }
    int Filled() const { return filled_; }

private:
    const uint32_t devType_;
    KymSearchRecord* const records_;
    const int max_;
    int filled_ = 0;
};

int SearchAll(uint32_t devType, KymSearchRecord* records, int maxRecords) {
    config::OpenTraceFileIfEnabled();
    ApplySdkSettings(config::Directory());
    SearchRun run(devType, records, maxRecords);
    // The RS-232 gateway is created when missing (a host of the first generation has no other
    // way to it); the UART, PCI and USB gateways are searched when their objects exist. A handle
    // takes the first-generation kind when that kind's bit was asked for.
    const auto pairBits = [devType](uint32_t second, uint32_t first) {
        return (devType & first) != 0 ? IdBase(first) : IdBase(second);
    };
    if ((devType & (kKindRs232 | kKindRs232FirstGen)) != 0) {
        const uint32_t kind = (devType & kKindRs232FirstGen) != 0 ? kKindRs232FirstGen : kKindRs232;
        run.Search(
            GatewayAtOrCreate(GatewaySlot::Serial, [kind] { return std::make_shared<CSerialPortCAN>(kind); }),
            false, pairBits(kKindRs232, kKindRs232FirstGen));
    }
    if ((devType & (kKindUart | kKindUartFirstGen)) != 0) {
        run.Search(GatewayAt(GatewaySlot::Uart), false, pairBits(kKindUart, kKindUartFirstGen));
    }
    if ((devType & kKindWorkBlock) != 0) {
        WorkBlock& work = TheWorkBlock();
        std::lock_guard lock(work.lock);
        if (!work.block) work.block = std::make_unique<uint8_t[]>(kWorkBlockBytes);
    }
    if ((devType & (kKindPci | kKindPciFirstGen)) != 0) {
        run.Search(GatewayAt(GatewaySlot::Pci), false, pairBits(kKindPci, kKindPciFirstGen));
    }
    if ((devType & (kKindUsb | kKindUsbFirstGen)) != 0) run.Search(GatewayAt(GatewaySlot::Usb), false, 0);
    if ((devType & kKindEthernetFirstGen) != 0) {
        run.Search(EthernetGateway(GatewaySlot::LegacyEthernet, kKindEthernetFirstGen), true,
                   IdBase(kKindEthernetFirstGen));
    }
    if ((devType & kKindEthernet) != 0) {
        run.Search(EthernetGateway(GatewaySlot::Ethernet, kKindEthernet), false,
                   pairBits(kKindEthernet, kKindEthernetFirstGen));
    }
    if ((devType & kKindZone) != 0) {
        run.Search(GatewayAtOrCreate(GatewaySlot::Zone, MakeZoneGateway), true, IdBase(kKindZone));
    }
    return run.Filled();
}

int FreeWorkBlock() {
    WorkBlock& work = TheWorkBlock();
    std::lock_guard lock(work.lock);
    if (!work.block) return 0;
    work.block.reset();
    return 1;
}

int OpenManaged(uint32_t handle, KymNodeRecord* records, int32_t max, uint32_t* out) {
    const uint32_t kind = KindOf(handle);
    const auto slot = ManagedSlot(kind);
    if (!slot) return 0;
    const auto gateway = GatewayAt(*slot);
    if (!gateway) return 0;
    if (kind == kKindZone && (records == nullptr || !gateway->PortOf(handle))) return 0;
    const int result = gateway->OpenPort(handle & 0xFF, records, max, out);
    if (result != 0) CreateNodeLocks();
    return result;
}

// Closes the port, then destroys the gateway object with all its ports. Threads still inside
// one of its operations keep their own reference; the object goes when the last one returns.
int CloseManaged(uint32_t handle) {
    const uint32_t kind = KindOf(handle);
    if (kind == kKindWorkBlock) return FreeWorkBlock();
    const auto slot = ManagedSlot(kind);
    if (!slot) return 0;
    const auto gateway = GatewayAt(*slot);
    if (!gateway) return 0;
    const int result = gateway->ClosePort(handle & 0xFF);
    RemoveGateway(*slot);
    return result;
}

// The RS-232 gateway (created for kind 256 when missing) searches in the first generation and
// opens the first port it kept for the gateway id 0x10000.
int OpenFirstSerial() {
    const auto gateway = GatewayAtOrCreate(
        GatewaySlot::Serial, [] { return std::make_shared<CSerialPortCAN>(kKindRs232FirstGen); });
    if (!gateway) return -1;
    gateway->legacyProtocol = 1;
    const uint32_t id = IdBase(kKindRs232FirstGen);
    int opened = 0;
    if (const auto serial = std::dynamic_pointer_cast<CSerialLineGateway>(gateway)) {
        opened = serial->OpenFirstGateway(id);
    } else {
        opened = gateway->OpenPort(0, nullptr, 0, nullptr);
    }
    return opened > 0 ? static_cast<int>(id) : -1;
}

int MarkUartFirstGen() {
    if (const auto gateway = GatewayAt(GatewaySlot::Uart)) gateway->legacyProtocol = 1;
    return static_cast<int>(IdBase(kKindUartFirstGen));
}

// Creates the RS-232 and UART gateway objects when missing and gives both the parameters.
void StoreQuickScan(uint32_t flag, uint32_t value, uint32_t fallback) {
    GatewayAtOrCreate(GatewaySlot::Serial, [] { return std::make_shared<CSerialPortCAN>(kKindRs232); });
    GatewayAtOrCreate(GatewaySlot::Uart, [] { return std::make_shared<CUartCAN>(kKindUart); });
    for (GatewaySlot slot : {GatewaySlot::Serial, GatewaySlot::Uart}) {
        if (const auto gateway = GatewayAt(slot)) {
            gateway->searchFlag = flag;
            gateway->searchValue = value;
            gateway->searchDefault = fallback;
        }
    }
}

}  // namespace

extern "C" {

NV_API int32_t SearchGateWay(uint32_t dwDevType, KymSearchRecord* records, int32_t maxRecords) {
    std::printf("dwDevType=%d\n", static_cast<int>(dwDevType));
    std::fflush(stdout);
    if (records == nullptr || maxRecords < 1) return 0;
    return Guarded(0, [&] { return SearchAll(dwDevType, records, maxRecords); });
}

NV_API int32_t OpenGateWay(uint32_t handle, KymNodeRecord* records, int32_t max, uint32_t* out) {
    if (KindOf(handle) == kKindWorkBlock) return CloseGateWay(handle);
    const int result = Guarded(-2, [&] { return OpenManaged(handle, records, max, out); });
    if (result != -2) return result;
    config::CloseTraceFile();
    return 0;
}

NV_API int32_t CloseGateWay(uint32_t handle) {
    return Guarded(0, [&] {
        if (config::TraceFlag()) config::CloseTraceFile();
        const int result = CloseManaged(handle);
        DeleteNodeLocks();
        return result;
    });
}

NV_API int32_t OpenSerialGateway(void) {
    return Guarded(-1, [] { return OpenFirstSerial(); });
}

// The handle carries kind 16384, which the command dispatchers do not accept.
NV_API int32_t OpenUartGateway(void) {
    return Guarded(static_cast<int>(IdBase(kKindUartFirstGen)), [] { return MarkUartFirstGen(); });
}

NV_API int32_t OpenTypeFirstGateway(uint32_t kind) {
    return Guarded(-1, [&] {
        if (kind == kKindRs232FirstGen) return OpenFirstSerial() == -1 ? -1 : static_cast<int>(kind << 8);
        if (kind == kKindUartFirstGen) return MarkUartFirstGen();
        return static_cast<int>(kind << 8);
    });
}

// Reconnects the first-generation Ethernet port and restarts its receiver.
NV_API int32_t Open753SocketDevice(uint32_t handle) {
    if (KindOf(handle) != kKindEthernetFirstGen) return 0;
    return Guarded(0, [&] {
        const auto gateway = std::dynamic_pointer_cast<CETHCAN>(GatewayAt(GatewaySlot::LegacyEthernet));
        if (!gateway) return 0;
        const auto port = gateway->EthernetPort(handle);
        if (!port) return 0;
        if (port->Connect() == 1) port->counters.reconnects.fetch_add(1);
        port->StartReceiver(handle);
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
        return port->StartReceiver(handle);
    });
}

// Changing a USB adapter's index is the USB gateway's; without its object nothing changes.
NV_API int32_t SetDevIndex(uint32_t handle, uint32_t newHandle) {
    if (!legacy::IsUsbKind(KindOf(handle)) || !legacy::IsUsbKind(KindOf(newHandle))) return -1;
    return Guarded(-1, [&] {
        const auto gateway = GatewayAt(GatewaySlot::Usb);
        if (!gateway) return -1;
        if (!gateway->PortOf(handle)) return 0;
        const auto usb = std::dynamic_pointer_cast<can::CUSBC7200CAN>(gateway);
        return usb ? usb->SetDeviceIndex(handle & 0xFF, newHandle & 0xFF) : -1;
    });
}

NV_API int32_t SetQuickScan(uint32_t flag, uint32_t value, uint32_t fallback) {
    return Guarded(0, [&] {
        StoreQuickScan(flag, value, fallback);
        return 1;
    });
}
NV_API int32_t Set318QuickScan(uint32_t flag, uint32_t value, uint32_t fallback) {
    return SetQuickScan(flag, value, fallback);
}

}  // extern "C"
