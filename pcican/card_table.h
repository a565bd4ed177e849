#pragma once
// The library's state: 8 cards of 2 channels, static for the life of the loaded library, and the
// operations behind the exports. Every function may be called from any thread; they return the
// exports' results (see include/halbox/Halbox.h).
//
// Per card: its backend (driver/can_channel.h: two channels, each an SJA1000 behind the card
// driver or a SocketCAN interface; absent = not open) behind a lock, shared with the threads that
// use it, and a lifecycle lock that serialises open, close and channel initialisation. Per
// channel: the saved configuration (own lock), the ring (own lock), and while initialised a
// receive thread and a bus watchdog thread, started once and ended (joined) by close. The channel
// backends serialise their own work (the SJA1000's register lock). Lock order: lifecycle, then
// the backend's locks; the others are leaves.
#include <cstdint>

#include "halbox/Halbox.h"

namespace norvane::halbox {

constexpr uint32_t kCards = 8;
constexpr uint32_t kChannels = 2;

int32_t OpenDevice(uint32_t device);
int32_t CloseDevice(uint32_t device);
int32_t ResetChannel(uint32_t device, uint32_t channel);
int32_t InitChannel(uint32_t device, uint32_t channel, const MarlixInitConfig* config);
int32_t TransmitFrame(uint32_t device, uint32_t channel, MarlixFrame* frame);
int32_t ReceiveFrames(uint32_t device, uint32_t channel, MarlixFrame* frames, uint32_t length,
                      uint32_t waitMs);
int32_t ChannelState(uint32_t device, uint32_t channel);
int32_t ChannelInfo(uint32_t device, uint32_t channel, MarlixInfo* info);
int32_t AbortSend(uint32_t device, uint32_t channel);
int32_t WriteRegisters(uint32_t device, uint32_t channel, uint32_t address, const uint8_t* data,
                       uint32_t count);
int32_t ReadRegisters(uint32_t device, uint32_t channel, uint32_t address, uint8_t* buffer, uint32_t count);
int32_t ReceiveCount(uint32_t device, uint32_t channel);
int32_t ClearRing(uint32_t device, uint32_t channel);

/// The saved configuration of a channel (tests: the defaults after open).
MarlixInitConfig SavedConfig(uint32_t device, uint32_t channel);

}  // namespace norvane::halbox
