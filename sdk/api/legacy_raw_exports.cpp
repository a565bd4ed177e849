// Raw traffic of the first generation: node stream data (command 85), single CAN messages,
// gateway command texts and zone messages.
#include <algorithm>
#include <cstring>

#include "sdk/api/legacy_steps.h"
#include "sdk/core/codec/text_dialect.h"
#include "sdk/core/gateway_registry.h"

using namespace norvane::sdk;
using namespace norvane::sdk::cmd;
using namespace norvane::sdk::legacy;

namespace {

constexpr int kStreamChunk = 6;

// Command 85 data: a count word followed by the bytes.
struct StreamChunk {
    uint32_t count = 0;
    uint8_t bytes[8] = {};
};

// Command texts go to the gateways that take them: RS-232, Ethernet, UART (both generations each)
// and the zone device; the PCI card and the USB adapter carry CAN frames only.
std::shared_ptr<CSDKGWCAN> RawGateway(uint32_t kind) {
    const auto slot = GatewaySlotOf(kind);
    if (!slot || slot == GatewaySlot::Pci || slot == GatewaySlot::Usb) return nullptr;
    return GatewayAt(*slot);
}

// The request a CAN identifier stands for, as a gateway command text: the broadcast form
// addresses node 127, otherwise the node id comes from identifier bits 13-14 and 24-28.
int IdentifierText(uint32_t kind, uint32_t identifier, char* text, size_t capacity, size_t* length) {
    const auto command = static_cast<uint8_t>(identifier & 0xFF);
    int32_t node = 127;
    if ((identifier & 0x1F0FE000u) != 0x1F0FE000u) {
        node = static_cast<int32_t>((((identifier >> 13) & 3) << 5) | ((identifier >> 24) & 0x1F));
    }
    if (kind == kKindUartFirstGen)
        return EncodeTextLegacy(node, command, 0, nullptr, 0, text, capacity, length);
    return EncodeText(node, command, 0, nullptr, 0, text, capacity, length);
}

}  // namespace

extern "C" {

NV_API int32_t Set8143NRD(uint32_t handle, uint32_t node, void* data, int32_t ackFlag, KymReply* ackBuffer) {
    if (data == nullptr || *static_cast<const uint32_t*>(data) == 0) return -1;
    return Guarded(-1,
                   [&] { return SetData(handle, node, first_gen::kStream, 0, data, ackFlag, ackBuffer); });
}

// Sends the bytes as command 85 in chunks of six, without answers.
NV_API int32_t Kym8143Send(uint32_t handle, uint32_t node, const uint8_t* bytes, int32_t length) {
    if (bytes == nullptr || length < 1) return -1;
    return Guarded(-1, [&] {
        int32_t sent = 0;
        while (sent < length) {
            StreamChunk chunk;
            chunk.count = static_cast<uint32_t>(std::min(kStreamChunk, length - sent));
            std::memcpy(chunk.bytes, bytes + sent, chunk.count);
            if (DispatchSet(handle, node, first_gen::kStream, 0, &chunk, nullptr) == -1) return -1;
            sent += static_cast<int32_t>(chunk.count);
        }
        return sent;
    });
}
NV_API int32_t Kym8143Recv(uint32_t handle, uint32_t node, uint8_t* buffer, int32_t length) {
    if (!IsUsbKind(KindOf(handle))) return -1;
    return Guarded(-1, [&] {
        const auto gateway = GatewayAt(GatewaySlot::Usb);
        if (!gateway) return -1;
        return gateway->ReadNodeStream(handle, node, buffer, length);
    });
}

NV_API int32_t SendSingleCANCmd(uint32_t handle, uint32_t canIdentifier) {
    const uint32_t kind = KindOf(handle);
    if (GatewaySlotOf(kind) != GatewaySlot::Uart) return static_cast<int32_t>(kind);
    return Guarded(-1, [&] {
        const auto gateway = GatewayAt(GatewaySlot::Uart);
        if (!gateway) return -1;
        char text[kMaxCommandText + 1] = {};
        size_t length = 0;
        if (IdentifierText(kind, canIdentifier, text, sizeof(text), &length) != 1 || length == 0) return 0;
        return gateway->SendRaw(handle, reinterpret_cast<const uint8_t*>(text), static_cast<int>(length));
    });
}
NV_API int32_t NvSendSingleCANCmd(uint32_t handle, KymCanMsg* message, KymCanMsg* out, int32_t max,
                                  int32_t* countOut) {
    return Guarded(-1, [&] {
        const auto slot = SlotForKind(KindOf(handle));
        const auto gateway = slot ? GatewayAt(*slot) : nullptr;
        if (!gateway) return -1;
        return gateway->SendCanMessage(handle, message, out, max, countOut);
    });
}
NV_API int32_t SendRS232CmdStr(uint32_t handle, const char* text, int32_t length) {
    if (text == nullptr || length < 1) return -1;
    return Guarded(-1, [&] {
        const auto gateway = RawGateway(KindOf(handle));
        if (!gateway) return -1;
        return gateway->SendRaw(handle, reinterpret_cast<const uint8_t*>(text), length);
    });
}
NV_API int32_t SendFloatballCmd(uint32_t handle, KymCanMsg* message, KymCanMsg* out, int32_t max,
                                int32_t* countOut) {
    if (KindOf(handle) != kKindZone) return -1;
    return Guarded(-1, [&] {
        const auto gateway = GatewayAt(GatewaySlot::Zone);
        if (!gateway) return -1;
        return gateway->SendCanMessage(handle, message, out, max, countOut);
    });
}

}  // extern "C"
