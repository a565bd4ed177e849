#pragma once
// One CAN channel of a PCI card as a link: its units are 24-byte CAN frame records (KymCanFrame),
// sent with Marlix_Transmit and taken from the channel's receive ring.
//
// Threads: Send from any thread (Halbox serialises transmissions); Receive from one reader.
#include <atomic>
#include <memory>

#include "norvane/NorvaneFunc.h"
#include "sdk/can/halbox_binding.h"
#include "sdk/core/link.h"

namespace norvane::sdk::can {

/// A CAN frame record as Halbox's frame, field by field (length capped at 8, the rest 0).
MarlixFrame ToMarlixFrame(const KymCanFrame& record);
KymCanFrame FromMarlixFrame(const MarlixFrame& frame);

class HalboxLink : public Link {
public:
    HalboxLink(std::shared_ptr<const HalboxEntries> halbox, uint32_t card, uint32_t channel)
        : halbox_(std::move(halbox)), card_(card), channel_(channel) {}

    /// Sends each whole record in bytes; the bytes sent, 0 when a length is no whole number of
    /// records or a transmission failed.
    int Send(const uint8_t* bytes, size_t length) override;
    /// Whole records into buffer (at most 125 frames per call); waits up to timeoutMs when the
    /// ring is empty.
    int Receive(uint8_t* buffer, size_t capacity, uint32_t timeoutMs) override;
    bool IsOpen() const override { return open_.load(); }
    /// The port marks the channel in use (initialised) or not.
    void SetOpen(bool open) { open_.store(open); }

    const HalboxEntries& Halbox() const { return *halbox_; }
    const std::shared_ptr<const HalboxEntries>& HalboxShared() const { return halbox_; }
    uint32_t Card() const { return card_; }
    uint32_t Channel() const { return channel_; }

private:
    const std::shared_ptr<const HalboxEntries> halbox_;
    const uint32_t card_;
    const uint32_t channel_;
    std::atomic<bool> open_{false};
};

}  // namespace norvane::sdk::can
