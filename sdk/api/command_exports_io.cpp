// I/O module and data commands: digital outputs, I/O configuration, analog values, DMA block,
// and the byte stream of command 62.
#include <algorithm>
#include <cstring>

#include "sdk/api/command_args.h"
#include "sdk/core/gateway_registry.h"

using namespace norvane::sdk;
using namespace norvane::sdk::cmd;

namespace {

constexpr int kStreamChunk = 6;

// Command-62 data block: count word, then the bytes.
struct StreamBlock {
    int32_t count = 0;
    uint8_t bytes[8] = {};
};

// The stream gateway of a handle, by its kind bits: 1 RS-232, 32 UART, 16 Ethernet, 8 PCI, 4 USB.
std::optional<GatewaySlot> StreamSlot(uint32_t kind) {
    if (kind & 1) return GatewaySlot::Serial;
    if (kind & 32) return GatewaySlot::Uart;
    if (kind & 16) return GatewaySlot::Ethernet;
    if (kind & 8) return GatewaySlot::Pci;
    if (kind & 4) return GatewaySlot::Usb;
    return std::nullopt;
}

}  // namespace

extern "C" {

NV_API int32_t SetDOUT(uint32_t handle, uint32_t node, int32_t value, int32_t ackFlag, KymReply* ackBuffer) {
    return SetValueExport(handle, node, kDout, 0, value, ackFlag, ackBuffer);
}
NV_API int32_t GetDOUT(uint32_t handle, uint32_t node, KymReply* reply) {
    return GetReplyExport(handle, node, kDout, 0, reply);
}
NV_API int32_t SetIOconfig(uint32_t handle, uint32_t node, const void* data, int32_t ackFlag,
                           KymReply* ackBuffer) {
    return Guarded(-1, [&] { return SetData(handle, node, kIoConfig, 0, data, ackFlag, ackBuffer); });
}
NV_API int32_t GetIOconfig(uint32_t handle, uint32_t node, KymReply* reply) {
    return GetReplyExport(handle, node, kIoConfig, 0, reply);
}
NV_API int32_t SetDVAInfo(uint32_t handle, uint32_t node, const void* data, int32_t ackFlag,
                          KymReply* ackBuffer) {
    return Guarded(-1, [&] { return SetData(handle, node, kDvaInfo, 0, data, ackFlag, ackBuffer); });
}
NV_API int32_t GetDVAInfo(uint32_t handle, uint32_t node, KymReply* reply) {
    return GetReplyExport(handle, node, kDvaInfo, 0, reply);
}
NV_API int32_t SetMIODVAInfo(uint32_t handle, uint32_t node, const void* data, int32_t ackFlag,
                             KymReply* ackBuffer) {
    return Guarded(-1, [&] { return SetData(handle, node, kDvaInfo, 1, data, ackFlag, ackBuffer); });
}
NV_API int32_t GetMIODVAInfo(uint32_t handle, uint32_t node, KymReply* reply) {
    return GetReplyExport(handle, node, kDvaInfo, 1, reply);
}
NV_API int32_t Set0606DVAInfo(uint32_t handle, uint32_t node, const void* data, int32_t ackFlag,
                              KymReply* ackBuffer) {
    return SetMIODVAInfo(handle, node, data, ackFlag, ackBuffer);
}
NV_API int32_t Get0606DVAInfo(uint32_t handle, uint32_t node, KymReply* reply) {
    return GetMIODVAInfo(handle, node, reply);
}

// Analog channels: one request per group of four channels of the mask (from bit 0 upward), the
// data byte being the mask of that group.
NV_API int32_t GetAVAInfo(uint32_t handle, uint32_t node, const uint8_t* channelMask, int32_t ackFlag,
                          KymReply* reply) {
    if (channelMask == nullptr) return -1;
    return Guarded(-1, [&] {
        const uint8_t mask = *channelMask;
        int result = 0;
        uint8_t group = 0;
        int inGroup = 0;
        for (int bit = 0; bit < 8; ++bit) {
            if ((mask & (1u << bit)) == 0) continue;
            group = static_cast<uint8_t>(group | (1u << bit));
            const bool last = (mask >> (bit + 1)) == 0;
            if (++inGroup < 4 && !last) continue;
            result = SetValue(handle, node, kAvaInfo, 0, group, ackFlag, reply);
            if (result < 1) return result;
            group = 0;
            inGroup = 0;
        }
        return result;
    });
}

NV_API int32_t SetDMA(uint32_t handle, uint32_t node, const void* data, int32_t ackFlag,
                      KymReply* ackBuffer) {
    return Guarded(-1, [&] { return SetData(handle, node, kDma, 0, data, ackFlag, ackBuffer); });
}

// Reads carry no data: the node answers with the next six-byte chunk of its data window
// (field 0 = the chunk's offset, record bytes 4-9 = the bytes). The third argument is not used.
NV_API int32_t GetDMA(uint32_t handle, uint32_t node, int32_t /*unused*/, KymReply* reply) {
    return GetReplyExport(handle, node, kDma, 0, reply);
}

NV_API int32_t SetNRD(uint32_t handle, uint32_t node, const void* data, int32_t ackFlag,
                      KymReply* ackBuffer) {
    return Guarded(-1, [&] { return SetData(handle, node, kStream, 0, data, ackFlag, ackBuffer); });
}

// Sends the bytes as stream messages of six bytes (the last one shorter); no answers.
NV_API int32_t Kym153Send(uint32_t handle, uint32_t node, const uint8_t* bytes, int32_t length) {
    if (bytes == nullptr || length < 1) return -1;
    return Guarded(-1, [&] {
        for (int32_t offset = 0; offset < length; offset += kStreamChunk) {
            StreamBlock block;
            block.count = std::min(kStreamChunk, length - offset);
            std::memcpy(block.bytes, bytes + offset, static_cast<size_t>(block.count));
            if (DispatchSet(handle, node, kStream, 0, &block, nullptr) == -1) return -1;
        }
        return length;
    });
}

// Takes bytes the node pushed with command 62 from the front of the node's stream buffer.
NV_API int32_t Kym153Recv(uint32_t handle, uint32_t node, uint8_t* buffer, int32_t length) {
    if (buffer == nullptr || length < 0) return -1;
    return Guarded(-1, [&] {
        const auto slot = StreamSlot(KindOf(handle));
        if (!slot) return 0;
        const auto gateway = GatewayAt(*slot);
        if (!gateway) return -1;
        return gateway->ReadNodeStream(handle, node, buffer, length);
    });
}

}  // extern "C"
