// Gateway-level commands: model query, bus bit rate, stopping a node's program.
#include <chrono>
#include <thread>

#include "sdk/api/command_args.h"
#include "sdk/can/usb_gateway.h"
#include "sdk/core/gateway_registry.h"

using namespace norvane::sdk;
using namespace norvane::sdk::cmd;

namespace {

constexpr uint32_t kBroadcastNode = 127;

int BroadcastBitRate(uint32_t handle, int32_t code) {
    return SetValue(handle, kBroadcastNode, kBtr, 0, code, 0, nullptr);
}

}  // namespace

extern "C" {

NV_API int32_t GetMDL(uint32_t handle, uint32_t node, KymReply* reply) {
    return GetReplyExport(handle, node, kMdl, 0, reply);
}

// Every node takes the new bit-rate code from one broadcast; through the UART converter it is
// sent twice and the second result counts. The USB adapter then follows with its own channel
// when it has a port there; the PCI gateway offers no bit-rate change here yet, so the broadcast
// is its whole effect.
NV_API int32_t SetBTR(uint32_t handle, int32_t code, int32_t /*pad*/, int32_t* codeOut) {
    return Guarded(-1, [&] {
        if (codeOut != nullptr) *codeOut = code;
        const auto slot = GatewaySlotOf(KindOf(handle));
        if (slot == GatewaySlot::Uart) {
            BroadcastBitRate(handle, code);
            return BroadcastBitRate(handle, code);
        }
        if ((slot == GatewaySlot::Pci || slot == GatewaySlot::Usb) && !GatewayAt(*slot)) return -1;
        const int result = BroadcastBitRate(handle, code);
        if (slot == GatewaySlot::Usb) {
            const auto usb = std::dynamic_pointer_cast<can::CUSBC7200CAN>(GatewayAt(*slot));
            if (usb && usb->UsbPort(handle)) return usb->SetBitRate(handle, static_cast<uint8_t>(code));
        }
        return result;
    });
}

// The bit-rate code is asked from node 1; its first data byte is the code. A failed request leaves
// *bitRate as it was.
NV_API int32_t GetBTR(uint32_t handle, int32_t* bitRate) {
    return Guarded(-1, [&] {
        const uint32_t kind = KindOf(handle);
        const auto slot = GatewaySlotOf(kind);
        // The PCI card and the USB adapter keep the bit rate of their own channel.
        if (slot == GatewaySlot::Pci || slot == GatewaySlot::Usb) {
            const auto gateway = GatewayAt(*slot);
            if (!gateway) return -1;
            if (bitRate == nullptr) return 1;
            // The PCI card reports its channel's bit-rate index, the USB adapter its bit-rate code
            // (a channel without port reads 0).
            *bitRate = 0;
            gateway->ChannelBitRate(handle, bitRate);
            return 1;
        }
        if (slot == GatewaySlot::Zone || (!slot && kind != kKindWorkBlock)) return -1;
        KymReply reply{};
        const int result = DispatchGetAnswer(handle, 1, kBtr, 0, &reply);
        if (result == 1 && bitRate != nullptr) *bitRate = reply.field[0];
        return result;
    });
}

}  // extern "C"

extern "C" {

// Works without an opened gateway: search, open port 0, stop the node's program, close.
NV_API int32_t ForceStopProgram(uint32_t kindMask, uint32_t* params, uint32_t node) {
    return Guarded(-1, [&] {
        SearchDevice(kindMask, params);
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        const uint32_t handle = MakeHandle(kindMask, 0);
        OpenKymDev(handle);
        SetValue(handle, node, kIcfg, 0, 0, 0, nullptr);
        CloseKymDev(handle);
        return 1;
    });
}

}  // extern "C"
