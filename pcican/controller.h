#pragma once
// One channel's SJA1000 controller, driven register access by register access through the card
// driver. No state of its own and no locks: whoever drives a channel holds that channel's register
// lock for the whole sequence (card_table.cpp). Polling limits are counted in register reads.
#include <cstdint>

#include "halbox/Halbox.h"
#include "pcican/driver/card_driver.h"

namespace norvane::halbox {

namespace reg {
constexpr uint32_t kMode = 0, kCommand = 1, kStatus = 2, kInterrupt = 3, kInterruptEnable = 4;
constexpr uint32_t kBusTiming0 = 6, kBusTiming1 = 7, kOutputControl = 8, kWarningLimit = 13;
constexpr uint32_t kRxErrors = 14, kTxErrors = 15, kFrameBuffer = 16, kAcceptanceCode = 16;
constexpr uint32_t kAcceptanceMask = 20, kClockDivider = 31, kCardProbe = 0x100;
}  // namespace reg

constexpr uint32_t kResetPolls = 1000;
constexpr uint32_t kBufferPolls = 5000;
constexpr uint32_t kCompletePolls = 60000;

/// The default saved configuration: accept everything, 1 Mbit/s timing, normal mode.
MarlixInitConfig DefaultConfig();

class Controller {
public:
    Controller(CardDriver& driver, uint32_t channel) : driver_(driver), channel_(channel) {}

    /// Reads into out, preset by the caller; a failed request prints the driver's error and leaves
    /// out as it was.
    void Read(uint32_t address, uint8_t* out, uint32_t count);
    uint8_t Read(uint32_t address);  ///< one byte, 0 when the request failed
    void Write(uint32_t address, const uint8_t* data, uint32_t count);
    void Write(uint32_t address, uint8_t value);

    /// Programs the controller (timing, filter, mode, interrupts) through reset mode and leaves
    /// reset mode; false when the controller stays in reset mode.
    bool Initialise(const MarlixInitConfig& config);
    /// Enters reset mode; true when the controller reports it.
    bool Reset();
    /// Sends one frame and polls for its completion; a length above 8 becomes 8 in frame.
    bool Transmit(MarlixFrame& frame);
    /// Handles the pending interrupt and takes one frame out of the receive buffer, if one is there.
    /// A controller found in reset mode (bus-off) is initialised again with config.
    bool ReadOneFrame(MarlixFrame& out, const MarlixInitConfig& config);
    bool InResetMode();
    /// false (info untouched) while the controller is in reset mode.
    bool GetInfo(MarlixInfo& info);
    void AbortTransmission();

private:
    bool PollMode(uint8_t mask, uint8_t want);
    CardDriver& driver_;
    const uint32_t channel_;
};

}  // namespace norvane::halbox
