// The exports of libHalbox.so: argument checks live in card_table.cpp; nothing escapes as an
// exception (a thread that cannot be started, an allocation that fails: the export gives 0).
#include "halbox/Halbox.h"
#include "pcican/card_table.h"

namespace hb = norvane::halbox;

namespace {

template <typename F>
int32_t Guarded(F&& f) noexcept {
    try {
        return f();
    } catch (...) {
        return 0;
    }
}

}  // namespace

extern "C" {

HALBOX_API int32_t Marlix_OpenDevice(uint32_t device) {
    return Guarded([&] { return hb::OpenDevice(device); });
}

HALBOX_API int32_t Marlix_CloseDevice(uint32_t device) {
    return Guarded([&] { return hb::CloseDevice(device); });
}

HALBOX_API int32_t Marlix_ResetCan(uint32_t device, uint32_t channel) {
    return Guarded([&] { return hb::ResetChannel(device, channel); });
}

HALBOX_API int32_t Marlix_InitCan(uint32_t device, uint32_t channel, const MarlixInitConfig* config) {
    return Guarded([&] { return hb::InitChannel(device, channel, config); });
}

HALBOX_API int32_t Marlix_Transmit(uint32_t device, uint32_t channel, MarlixFrame* frame) {
    return Guarded([&] { return hb::TransmitFrame(device, channel, frame); });
}

HALBOX_API int32_t Marlix_Receive(uint32_t device, uint32_t channel, MarlixFrame* frames, uint32_t length,
                                  uint32_t waitMs) {
    return Guarded([&] { return hb::ReceiveFrames(device, channel, frames, length, waitMs); });
}

HALBOX_API int32_t Marlix_CANGetState(uint32_t device, uint32_t channel) {
    return Guarded([&] { return hb::ChannelState(device, channel); });
}

HALBOX_API int32_t Marlix_CANGetInfo(uint32_t device, uint32_t channel, MarlixInfo* info) {
    return Guarded([&] { return hb::ChannelInfo(device, channel, info); });
}

HALBOX_API int32_t Marlix_CANAbortSend(uint32_t device, uint32_t channel) {
    return Guarded([&] { return hb::AbortSend(device, channel); });
}

HALBOX_API int32_t Marlix_WriteReg(uint32_t device, uint32_t channel, uint32_t address, const uint8_t* data,
                                   uint32_t count) {
    return Guarded([&] { return hb::WriteRegisters(device, channel, address, data, count); });
}

HALBOX_API int32_t Marlix_ReadReg(uint32_t device, uint32_t channel, uint32_t address, uint8_t* buffer,
                                  uint32_t count) {
    return Guarded([&] { return hb::ReadRegisters(device, channel, address, buffer, count); });
}

HALBOX_API int32_t Marlix_GetReceiveNum(uint32_t device, uint32_t channel) {
    return Guarded([&] { return hb::ReceiveCount(device, channel); });
}

HALBOX_API int32_t Marlix_ClearBuffer(uint32_t device, uint32_t channel) {
    return Guarded([&] { return hb::ClearRing(device, channel); });
}

}  // extern "C"
