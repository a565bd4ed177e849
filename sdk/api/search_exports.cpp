// Gateway search, open and node discovery: from nothing to a list of usable nodes.
#include <algorithm>
#include <cstring>
#include <memory>

#include "norvane/NorvaneFunc.h"
#include "platform/clock.h"
#include "sdk/api/config_files.h"
#include "sdk/api/dispatch.h"
#include "sdk/api/export_guard.h"
#include "sdk/can/pci_gateway.h"
#include "sdk/can/usb_gateway.h"
#include "sdk/core/gateway_registry.h"
#include "sdk/core/sdk_settings.h"
#include "sdk/ethernet/eth_gateway.h"
#include "sdk/serial/serial_gateway.h"
#include "sdk/serial/uart_gateway.h"

using namespace norvane::sdk;

namespace {

// A gateway kind whose transport is not part of this build: it exists, finds nothing and
// has no ports, so every request through it gives the "no port" result.
class NoTransportGateway : public CSDKGWCAN {
public:
    int SearchPorts(void*, int) override { return portCount = 0; }
    int OpenPort(uint32_t, KymNodeRecord*, int, uint32_t*) override { return 0; }
    int ClosePort(uint32_t) override { return 0; }
    int RegisterNodes(uint32_t, KymNodeRecord*, int) override { return 0; }
    int RegisterAllNodes(uint32_t, KymNodeRecord*, int) override { return 0; }
    int PopNodeMessage(uint32_t, uint32_t, KymCanMsg*) override { return 0; }
    int GetCommand(uint32_t, uint32_t, uint8_t, int, KymReply*) override { return 0; }
    int SetCommand(uint32_t, uint32_t, uint8_t, int, const void*, KymReply*) override { return 0; }
    int SendRaw(uint32_t, const uint8_t*, int) override { return 0; }
    int SendCanMessage(uint32_t, const KymCanMsg*, KymCanMsg*, int, int*) override { return 0; }
    int ReadNodeStream(uint32_t, uint32_t, uint8_t*, int) override { return 0; }
};

constexpr int kIdListRoom = 32;
constexpr int kRegisterRoom = 126;

// Gateway object of a second-generation kind; none for every other kind.
std::optional<GatewaySlot> SecondGenSlot(uint32_t kind) {
    return IsSecondGenKind(kind) ? GatewaySlotOf(kind) : std::nullopt;
}

std::shared_ptr<CSDKGWCAN> MakeGateway(uint32_t kind) {
    if (kind == kKindEthernet) return std::make_shared<CETHCAN>(kind);
    if (kind == kKindRs232) return std::make_shared<CSerialPortCAN>(kind);
    if (kind == kKindPci) return std::make_shared<can::CPCIPortCAN>(kind);
    if (kind == kKindUart) return std::make_shared<CUartCAN>(kind);
    if (kind == kKindUsb) return std::make_shared<can::CUSBC7200CAN>(kind);
    return std::make_shared<NoTransportGateway>();
}

std::shared_ptr<CSDKGWCAN> GatewayOfKind(uint32_t kind) {
    const auto slot = GatewaySlotOf(kind);
    return slot ? GatewayAt(*slot) : nullptr;
}

bool IsSingleControllerGateway(const char* name) {
    return std::strstr(name, "524") != nullptr || std::strstr(name, "5102") != nullptr;
}

int32_t GetKymDevInfoImpl(uint32_t handle, KymDevInfo* info) {
    const auto slot = SecondGenSlot(KindOf(handle));
    if (!slot) return 1;
    const auto gateway = GatewayAt(*slot);
    if (!gateway || info == nullptr) return -1;
    return gateway->DescribePort(handle, info);
}

int32_t RegisterDeviceImpl(uint32_t handle, KymNodeRecord* records, int32_t max) {
    if (records == nullptr || max < 1) return 0;
    const auto slot = GatewaySlotOf(KindOf(handle));
    const auto gateway = slot ? GatewayAt(*slot) : nullptr;
    if (!gateway) return 0;
    const int n = gateway->RegisterNodes(handle, records, max);
    // The RS-232 gateway falls back to asking every node address in turn.
    if (n < 1 && slot == GatewaySlot::Serial) return gateway->RegisterAllNodes(handle, records, max);
    return n;
}

int32_t KymGrobRegImpl(uint32_t handle, uint32_t* nodeIds, int32_t maxCount) {
    if (nodeIds == nullptr) return -1;
    KymDevInfo info{};
    GetKymDevInfoImpl(handle, &info);
    info.name[sizeof info.name - 1] = '\0';
    if (IsSingleControllerGateway(info.name)) return 1;
    KymNodeRecord records[kRegisterRoom] = {};
    const int n = RegisterDeviceImpl(handle, records, kRegisterRoom);
    if (n < 1) return -1;
    const int m = std::min(n, std::max(maxCount, 0));
    for (int i = 0; i < m; ++i) nodeIds[i] = records[i].nodeId;
    return m;
}

int32_t OpenKymDevImpl(uint32_t handle) {
    const auto slot = SecondGenSlot(KindOf(handle));
    if (!slot) return 1;
    const auto gateway = GatewayAt(*slot);
    if (!gateway) return 1;
    return gateway->OpenPort(handle & 0xFF, nullptr, 0, nullptr);
}

int32_t CloseKymDevImpl(uint32_t handle) {
    const auto slot = SecondGenSlot(KindOf(handle));
    if (!slot) return -1;
    const auto gateway = GatewayAt(*slot);
    if (!gateway) return -1;
    return gateway->ClosePort(handle);
}

}  // namespace

extern "C" {

NV_API int32_t SearchDevice(uint32_t mask, uint32_t* params) {
    return Guarded(0, [&] {
        ApplySdkSettings(config::Directory());
        int32_t found = 0;
        for (const uint32_t kind : kKindSearchOrder) {
            if ((mask & kind) == 0) continue;
            const GatewayKind& entry = *FindGatewayKind(kind);
            const auto gateway = GatewayAtOrCreate(*entry.slot, [&] { return MakeGateway(kind); });
            gateway->legacyProtocol = (mask & kFirstGenKindBits) != 0 ? 1 : 0;
            if (params != nullptr) {
                gateway->searchFlag = params[entry.paramWord];
                gateway->searchValue = params[entry.paramWord + 1];
                gateway->searchDefault = 0;
            }
            found += gateway->SearchPorts(nullptr, 5);
        }
        return found;
    });
}

NV_API int32_t GetKymDevIdList(uint32_t mask, uint32_t* ids) {
    return Guarded(-1, [&] {
        if (ids == nullptr) return -1;
        int32_t k = 0;
        for (const uint32_t kind : kKindSearchOrder) {
            if ((mask & kind) == 0) continue;
            const auto gateway = GatewayAt(*GatewaySlotOf(kind));
            if (!gateway) return -1;
            k += gateway->ListPortIds(IdBase(kind), ids + k, kIdListRoom - k);
        }
        return k;
    });
}

NV_API int32_t GetKymDevInfo(uint32_t handle, KymDevInfo* info) {
    return Guarded(-1, [&] { return GetKymDevInfoImpl(handle, info); });
}

NV_API int32_t SearchGateway(uint32_t mask, uint32_t* params, KymDevInfo* infos, int32_t maxCount) {
    return Guarded(-1, [&] {
        uint32_t list[kIdListRoom] = {};
        if (SearchDevice(mask, params) < 0) return -1;
        const int32_t n = GetKymDevIdList(mask, list);
        if (n < 0 || n > maxCount) return -1;
        if (n < 1) return n;
        if (infos == nullptr) return -1;
        for (int32_t i = 0; i < n; ++i) {
            if (GetKymDevInfoImpl(list[i], &infos[i]) < 0) return -1;
        }
        return n;
    });
}

NV_API int32_t OpenKymDev(uint32_t handle) {
    return Guarded(-1, [&] { return OpenKymDevImpl(handle); });
}

NV_API int32_t CloseKymDev(uint32_t handle) {
    return Guarded(-1, [&] { return CloseKymDevImpl(handle); });
}

NV_API int32_t CloseGateway(uint32_t handle) {
    return Guarded(-1, [&] { return CloseKymDevImpl(handle); });
}

NV_API int32_t RegisterDevice(uint32_t handle, KymNodeRecord* records, int32_t max) {
    return Guarded(0, [&] { return RegisterDeviceImpl(handle, records, max); });
}

NV_API int32_t Register753AllDevice(uint32_t handle, KymNodeRecord* records, int32_t max) {
    return Guarded(0, [&] {
        const GatewayKind* entry = FindGatewayKind(KindOf(handle));
        if (entry == nullptr || entry->generation != Generation::First || records == nullptr || max < 1)
            return 0;
        const auto gateway = GatewayOfKind(entry->kind);
        return gateway ? gateway->RegisterAllNodes(handle, records, max) : 0;
    });
}

NV_API int32_t KymGrobReg(uint32_t handle, uint32_t* nodeIds, int32_t maxCount) {
    return Guarded(-1, [&] { return KymGrobRegImpl(handle, nodeIds, maxCount); });
}

NV_API int32_t OpenGateway(uint32_t handle, uint32_t* nodeIds, int32_t maxCount, int32_t* bitRate) {
    return Guarded(-1, [&] {
        int32_t scratch = 0;
        int32_t* rate = bitRate != nullptr ? bitRate : &scratch;
        *rate = -1;
        OpenKymDevImpl(handle);
        const uint32_t kind = KindOf(handle);
        if (kind == kKindRs232 || kind == kKindEthernet || kind == kKindUart) {
            const int32_t n = KymGrobRegImpl(handle, nodeIds, maxCount);
            if (n < 1) return -1;
            KymDevInfo info{};
            GetKymDevInfoImpl(handle, &info);
            info.name[sizeof info.name - 1] = '\0';
            if (IsSingleControllerGateway(info.name)) return 1;
            return GetBTR(handle, rate) == 1 ? n : -1;
        }
        // A PCI channel reports its bit-rate index and discovers its nodes as the Ethernet gateway does.
        if (kind == kKindPci) {
            const auto gateway = GatewayAt(GatewaySlot::Pci);
            if (!gateway || gateway->ChannelBitRate(handle, rate) != 1) return -1;
            return KymGrobRegImpl(handle, nodeIds, maxCount);
        }
        // The adapter's kind is tested unmasked: a handle with bits above 23 is not one.
        if ((handle >> 8) == kKindUsb) {
            const auto gateway = GatewayAtOrCreate(GatewaySlot::Usb, [] { return MakeGateway(kKindUsb); });
            gateway->legacyProtocol = 0;
            const auto usb = std::dynamic_pointer_cast<can::CUSBC7200CAN>(gateway);
            const int32_t value = usb ? usb->DetectBitRate(handle) : 0;
            if (value < 0) return 0;
            norvane::platform::SleepMs(1);
            *rate = value;
            return KymGrobRegImpl(handle, nodeIds, maxCount);
        }
        return 0;
    });
}

}  // extern "C"
