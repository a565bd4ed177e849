#pragma once
// The PCI gateway: every CAN channel of up to five cards, found by a search through the card
// library Halbox (loaded by name at the first search). The port of card d, channel c has port
// index c << 4 | d and sits at position (c + 2d) & 15. Requests forward to the ports as the
// base class does.
//
// Any host thread may call; operations work on their own reference to the port.
#include <memory>
#include <string>

#include "sdk/can/card_use.h"
#include "sdk/can/halbox_binding.h"
#include "sdk/can/pci_port.h"
#include "sdk/core/gateway.h"

namespace norvane::sdk::can {

/// Cards the search visits (0-4), each with two channels.
constexpr uint32_t kSearchedCards = 5;

/// Position of the port with port index p (its low byte): ((p >> 4) + 2p) & 15.
constexpr uint32_t PciPosition(uint32_t handle) {
    const uint32_t p = handle & 0xFF;
    return ((p >> 4) + 2 * p) & 15;
}

class CPCIPortCAN : public CSDKGWCAN {
public:
    /// kind: the gateway kind that caused the object (8, or 2048 for the first generation);
    /// library: the card library's file name (tests name a missing one).
    explicit CPCIPortCAN(uint32_t kind, std::string library = kHalboxName);
    ~CPCIPortCAN() override;

    /// Probes every channel of cards 0-4 at the searched bit rates and keeps those a node
    /// answered on (closing the cards again); fills up to maxRecords 88-byte search records.
    /// The number of ports kept.
    int SearchPorts(void* records, int maxRecords) override;
    int OpenPort(uint32_t handle, KymNodeRecord* records, int max, uint32_t* out) override;
    /// Stops the channel's threads and releases it; 1.
    int ClosePort(uint32_t handle) override;
    /// One CAN frame record (24 bytes) onto the channel: 1 sent, 0 not.
    int SendRaw(uint32_t handle, const uint8_t* bytes, int length) override;
    uint32_t PositionOf(uint32_t handle) const override { return PciPosition(handle); }

    /// Name "Halbox DevID%03d, Can Index %d" of card and channel in the handle.
    int DescribePort(uint32_t handle, KymDevInfo* info) override;
    /// idBase | port index for each kept port, in position order.
    int ListPortIds(uint32_t idBase, uint32_t* ids, int room) override;
    /// The channel's bit-rate table index; 0 without a port.
    int ChannelBitRate(uint32_t handle, int32_t* bitRate) override;
    /// Re-initialises the channel at table index; Halbox's result, 0 without a port.
    int SetChannelBitRate(uint32_t handle, uint32_t index);

    std::shared_ptr<CNvPCIPort> PciPort(uint32_t handle) const;
    /// Waits of the probes for ports the next search creates.
    ProbeTiming probeTiming;

private:
    void CloseAll();

    const std::string library_;
    CardUse& cards_ = CardUse::Process();
};

}  // namespace norvane::sdk::can
