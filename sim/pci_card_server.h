#pragma once
// Emulated PCI CAN cards: up to 8 cards of 2 channels, each channel an SJA1000 (sim/sja1000.h)
// attached to its own virtual bus, served to Halbox over one Unix-domain socket.
//
// Link (pcican/driver/link_messages.h): a host connects, says Hello with a card index and, when
// that card is present, gets one register exchange per request and Interrupt messages for the
// channels it asked notifications for. One link per card: a new Hello for a card replaces its
// link. Threads: an accept thread, one thread per link that serves its requests, and each
// channel's bus thread, which stores frames in the chip and raises interrupts. Every public
// function may be called from any thread once Start returned.
#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "sim/local_socket_server.h"
#include "sim/sja1000.h"
#include "sim/virtual_bus.h"

namespace norvane::sim {

constexpr uint8_t kPciCards = 8;
constexpr uint8_t kPciChannels = 2;

/// Where norvane-sim serves the cards unless told otherwise.
std::string DefaultPciSocketPath();

class PciCardServer {
public:
    explicit PciCardServer(std::string socketPath);
    ~PciCardServer();
    PciCardServer(const PciCardServer&) = delete;
    PciCardServer& operator=(const PciCardServer&) = delete;

    /// Before Start: makes card:channel present with its bus (bus.bitRate is the bus's bit rate).
    /// The other channel of the card is present too, on a bus of its own without nodes, until
    /// it is added itself. Returns the bus, for nodes. card < 8, channel < 2.
    VirtualBus& AddChannel(uint8_t card, uint8_t channel, const BusOptions& bus);
    /// Listens at the socket path (a stale socket file is replaced; one in use is not) and starts
    /// the buses. false with ErrorText when it cannot.
    bool Start();
    /// Closes every link and the listener, removes the socket file, joins the threads.
    void Stop();

    const std::string& SocketPath() const { return listener_.Path(); }
    const std::string& ErrorText() const { return error_; }
    bool CardPresent(uint8_t card) const;
    /// Whether a host holds the card's link now.
    bool CardLinked(uint8_t card) const;
    VirtualBus& Bus(uint8_t card, uint8_t channel);

    // Looking into the chip (tests).
    Sja1000Counters ChipCounters(uint8_t card, uint8_t channel) const;
    std::array<uint8_t, 13> TransmitBuffer(uint8_t card, uint8_t channel) const;
    /// Register requests the card answered (reads and writes), and interrupts it sent.
    uint64_t RegisterExchanges(uint8_t card) const;
    uint64_t InterruptsSent(uint8_t card) const;
    /// Blocks until ready(counters) holds for the channel's chip (checked after every change) or
    /// timeoutMs pass; returns ready's last answer.
    bool WaitForChip(uint8_t card, uint8_t channel, const std::function<bool(const Sja1000Counters&)>& ready,
                     uint32_t timeoutMs) const;

    // Faults.
    /// A frame arrives from the channel's bus as if another participant sent it (any format).
    void InjectFromBus(uint8_t card, uint8_t channel, const CanFrame& frame);
    /// The channel goes bus-off; without interrupt the host learns it only from the status register.
    void ForceBusOff(uint8_t card, uint8_t channel, bool raiseInterrupt = false);
    /// The card disappears: its link is closed and new links are refused until RestoreCard.
    void RemoveCard(uint8_t card);
    void RestoreCard(uint8_t card);
    /// Slow draining: the card answers each register request only after this many microseconds.
    void SetSlowDraining(uint8_t card, uint32_t microseconds);

private:
    struct Channel;
    struct Card;

    void Serve(int fd);
    void ServeCard(int fd, uint8_t card, std::vector<uint8_t> pending);
    void OnBusFrame(uint8_t card, uint8_t channel, const CanFrame& frame);
    /// With the channel's lock held: sends Interrupt when armed and the line is active.
    void CheckInterrupt(uint8_t card, uint8_t channel);
    bool SendTo(int fd, const void* bytes, size_t size, Card& card);
    Card& CardAt(uint8_t card) const;
    Channel& ChannelAt(uint8_t card, uint8_t channel) const;

    std::string error_;
    std::array<std::unique_ptr<Card>, kPciCards> cards_;
    LocalSocketServer listener_;  ///< declared last: its threads stop before the cards go
};

}  // namespace norvane::sim
