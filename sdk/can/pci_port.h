#pragma once
// The port of one CAN channel of a PCI card: the generic port over a HalboxLink in the raw CAN
// wire format. What is its own: the bit-rate table and the probes that search it, opening the
// card and initialising the channel, and releasing them. The card is held through a lease of the
// process's card table (card_use.h): an open channel holds one until it is closed, each probe
// holds one while it runs, and the card closes with its last lease.
//
// Threads: as CNvLinkPort. Probes run before the threads start; Open and Close may run on any
// thread.
#include <cstdint>
#include <memory>
#include <mutex>

#include "sdk/can/card_use.h"
#include "sdk/can/halbox_link.h"
#include "sdk/core/link_port.h"

namespace norvane::sdk::can {

/// Bus timing register pairs of a 16 MHz SJA1000 for 1000, 800, 500, 250, 125, 50, 20 and 10 kbit/s.
struct BusTiming {
    uint8_t timing0;
    uint8_t timing1;
};
inline constexpr BusTiming kBitRateTable[8] = {{0x00, 0x14}, {0x00, 0x16}, {0x00, 0x1C}, {0x01, 0x1C},
                                               {0x03, 0x1C}, {0x09, 0x1C}, {0x18, 0x1C}, {0x31, 0x1C}};
/// Indices the probes try (the two slowest rates are never searched).
constexpr uint32_t kProbedBitRates = 6;

/// Every channel accepts all frames, single filter, normal mode, at the table's timing.
MarlixInitConfig ChannelConfig(uint32_t bitRateIndex);

/// Waits of the probes: after initialising, after sending, and for the answer. The answer wait
/// ends as soon as a frame is there, so a generous one costs only the tries that go unanswered.
struct ProbeTiming {
    uint32_t settleMs = 1;
    uint32_t afterSendMs = 2;
    uint32_t answerWaitMs = 50;
};

class CNvPCIPort : public CNvLinkPort {
public:
    CNvPCIPort(std::shared_ptr<const HalboxEntries> halbox, CardUse& cards, uint32_t card, uint32_t channel,
               bool legacy);
    ~CNvPCIPort() override;

    /// Searches the bit rates for an answer to the discovery frame: 1 found (channel left
    /// initialised at bitRateIndex), 0 not.
    int Probe() override;
    /// Searches the bit rates for an answer to the serial-number request; the channel is released.
    int ProbeLegacy() override;
    /// Opens the card, initialises the channel, starts the threads, then discovers and names the
    /// nodes into records: their number (0 without records).
    int Open(uint32_t handle, KymNodeRecord* records, int max, uint32_t* out) override;
    int OpenLegacy(uint32_t handle, KymNodeRecord* records, int max, uint32_t* out) override;
    /// −1 while the receive thread does not run (a channel never opened, closed, or whose
    /// receive loop ended); otherwise the generic get of the generation.
    int GetCommand(uint32_t handle, uint32_t node, uint8_t controlWord, int index, KymReply* reply) override;
    int GetCommandLegacy(uint32_t handle, uint32_t node, uint8_t controlWord, int index,
                         KymReply* reply) override;
    /// Stops the threads and releases the channel; the card is closed when nobody else holds it.
    void Close();
    /// Re-initialises the channel at table index (0-7): Halbox's result, 0 for another index.
    int SetBitRate(uint32_t index);

    uint32_t Card() const { return halboxLink_.Card(); }
    uint32_t Channel() const { return halboxLink_.Channel(); }
    /// deviceCode: 0x800 | channel << 4 | card.
    uint32_t DeviceCode() const { return 0x800 | (Channel() << 4) | Card(); }
    std::atomic<uint32_t> bitRateIndex{0};
    ProbeTiming probeTiming;

private:
    /// Opens the card (a lease of it) and initialises the channel at bitRateIndex; empty when
    /// the card does not open.
    CardLease InitChannel();
    /// Empties the channel's ring and puts its controller in reset mode.
    void ReleaseChannel();
    /// One probe frame out and at most one frame back; true with *answer when one came.
    bool ProbeExchange(const KymCanFrame& request, MarlixFrame* answer);
    int OpenChannel(uint32_t handle);

    HalboxLink& halboxLink_;
    CardUse& cards_;
    std::mutex leaseMutex_;  ///< guards openLease_
    CardLease openLease_;    ///< held while the channel is open
};

}  // namespace norvane::sdk::can
