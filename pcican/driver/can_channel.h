#pragma once
// The channel seam: what Halbox's exports need of one CAN channel, whichever way it is reached.
// A card is two channels (either may be absent); a channel is either an SJA1000 driven register by
// register through the card driver (card_driver.h, sja1000_channel.h) or a SocketCAN interface
// (pcican/socketcan/).
//
// Threads: the exports call any operation from any thread; each backend serialises what it must.
// Receive runs on the channel's receive thread until StopReceiving (which may come first, from
// another thread); Watch runs on the bus watchdog thread once a period. Nothing blocks longer than
// the backend's polling limits or send time-out, except Receive.
#include <cstdint>
#include <memory>

#include "halbox/Halbox.h"

namespace norvane::halbox {

/// Where a channel's receive thread puts the frames it takes in (the channel's ring).
class FrameSink {
public:
    virtual ~FrameSink() = default;
    virtual void Deliver(const MarlixFrame& frame) = 0;
};

class CanChannel {
public:
    virtual ~CanChannel() = default;

    /// Bit timing, acceptance filter and mode; false when the channel cannot run with them.
    virtual bool Initialise(const MarlixInitConfig& config) = 0;
    /// Reset mode (no frames in or out until the next Initialise); true when the channel is in it.
    virtual bool Reset() = 0;
    /// Sends one frame; a length above 8 becomes 8 in frame. false when it was not sent.
    virtual bool Transmit(MarlixFrame& frame) = 0;
    /// The SJA1000 status register (bit 2 transmit buffer released, 3 transmission complete,
    /// 6 error status, 7 bus-off).
    virtual uint8_t State() = 0;
    /// false (info untouched) while the channel is in reset mode.
    virtual bool Info(MarlixInfo& info) = 0;
    virtual void AbortSend() = 0;
    /// A run of registers (count within the exports' limits); false when refused.
    virtual bool ReadRegisters(uint32_t address, uint8_t* out, uint32_t count) = 0;
    virtual bool WriteRegisters(uint32_t address, const uint8_t* data, uint32_t count) = 0;

    /// The receive thread's body: hands every frame taken in to sink until StopReceiving.
    virtual void Receive(FrameSink& sink) = 0;
    virtual void StopReceiving() = 0;
    /// One bus watchdog round: brings a bus-off channel back (with saved, the last configuration).
    virtual void Watch(const MarlixInitConfig& saved) = 0;
};

class ChannelCard {
public:
    virtual ~ChannelCard() = default;
    /// nullptr when the card has no such channel.
    virtual CanChannel* Channel(uint32_t channel) = 0;
    /// Issued right after the card is opened and first thing when it is closed.
    virtual void OpenCloseRequest() = 0;
};

/// Card index (0-7) with its channels: the simulated SJA1000 cards when HALBOX_SIM is set, else
/// SocketCAN interfaces (HALBOX_SOCKETCAN's pairs, or the system's CAN interfaces two per card;
/// the stand-in's with HALBOX_SOCKETCAN_SIM). nullptr when there is no such card.
std::unique_ptr<ChannelCard> OpenChannelCard(uint32_t index);

}  // namespace norvane::halbox
