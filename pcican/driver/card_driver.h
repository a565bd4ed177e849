#pragma once
// The driver interface of one PCI CAN card: what Halbox needs from the card's kernel driver.
//
// Every call is one synchronous request and may come from any thread; the driver serialises
// nothing beyond each request itself. Backends: the simulated card (sim_card_driver.h, reached
// over a Unix-domain socket). A backend for real hardware (for example a Linux UIO device:
// registers mapped from the card's memory region, interrupts read from the UIO file descriptor)
// implements the same operations.
#include <cstdint>
#include <memory>

#include "platform/event.h"

namespace norvane::halbox {

constexpr uint32_t kMaxRegisterRead = 20;
constexpr uint32_t kMaxRegisterWrite = 512;

class CardDriver {
public:
    virtual ~CardDriver() = default;

    /// Reads count (at most kMaxRegisterRead) consecutive registers of channel, starting at
    /// address, into out. true with delivered = bytes read; false with error = the system's
    /// error code (out untouched).
    virtual bool ReadRegisters(uint32_t channel, uint32_t address, uint8_t* out, uint32_t count,
                               uint32_t& delivered, uint32_t& error) = 0;
    /// Writes count (at most kMaxRegisterWrite) bytes to consecutive registers, in order.
    virtual bool WriteRegisters(uint32_t channel, uint32_t address, const uint8_t* data, uint32_t count) = 0;
    /// From now on the driver sets event whenever channel raises an interrupt (after BeforeWait
    /// re-armed it). The driver keeps the event alive as long as it needs it.
    virtual bool SetNotification(uint32_t channel, std::shared_ptr<platform::Event> event) = 0;
    /// Issued by a receive thread before each wait: re-arms the notifications, so a channel whose
    /// interrupt is still pending notifies again.
    virtual bool BeforeWait() = 0;
    /// Issued right after the card is opened and first thing when it is closed: the driver drops
    /// the notifications it holds.
    virtual bool OpenCloseRequest() = 0;
};

/// Finds card `index` (0-7) among the present cards and opens it; nullptr when there is none.
/// With HALBOX_SIM=PATH the cards are the simulator's at that socket; without it no card is present.
std::unique_ptr<CardDriver> OpenCard(uint32_t index);

}  // namespace norvane::halbox
