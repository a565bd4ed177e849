#pragma once
// An SJA1000 CAN controller in PeliCAN mode, written from the chip's side: its register map as
// the host reads and writes it, and the frames it takes from and gives to the bus.
//
// Pure state machine: no threads, no locks, no clock of its own (callers pass the time in
// microseconds); the owner serialises every call. Modelled: reset mode and the registers that
// only it may write, bus timing (16 MHz clock) against the bus's bit rate, acceptance code/mask
// with single and dual filter, the transmit buffer and the transmission, abort and
// self-reception requests, the 64-byte receive FIFO with data overrun, release receive buffer,
// the interrupt register (reading clears every bit but the receive interrupt, which follows the
// FIFO), interrupt enable, error counters, bus-off and its recovery, sleep. Not modelled:
// BasicCAN mode, arbitration lost and error code capture (read as 0).
#include <cstdint>
#include <optional>

#include "sim/can_frame.h"

namespace norvane::sim {

namespace sja1000 {
// Register addresses (operating mode names).
constexpr uint8_t kMode = 0, kCommand = 1, kStatus = 2, kInterrupt = 3, kInterruptEnable = 4;
constexpr uint8_t kBusTiming0 = 6, kBusTiming1 = 7, kOutputControl = 8, kErrorWarningLimit = 13;
constexpr uint8_t kRxErrors = 14, kTxErrors = 15, kFrameBuffer = 16, kRxMessageCount = 29;
constexpr uint8_t kRxBufferStart = 30, kClockDivider = 31;
constexpr uint32_t kClockHz = 16000000;
constexpr uint32_t kFifoBytes = 64;
}  // namespace sja1000

/// Counters a test or the simulator's user can read.
struct Sja1000Counters {
    uint64_t received = 0;        ///< frames stored in the receive FIFO
    uint64_t overruns = 0;        ///< frames lost because the FIFO was full
    uint64_t transmitted = 0;     ///< transmissions completed
    uint64_t busOffs = 0;         ///< times the chip went bus-off
    uint64_t hostRecoveries = 0;  ///< bus-offs ended by the host writing the TX error counter
};

class Sja1000 {
public:
    /// busBitRate: bits per second of the bus the chip is attached to.
    explicit Sja1000(uint32_t busBitRate);

    /// One register access by the host; addresses 0-127 (others read 0, writes are ignored).
    uint8_t Read(uint8_t address, uint64_t nowUs);
    void Write(uint8_t address, uint8_t value, uint64_t nowUs);

    /// A frame another participant completed on the bus. Stored when the chip is active, its bit
    /// timing matches the bus, and the acceptance filter lets it through.
    void FrameFromBus(const CanFrame& frame, uint64_t nowUs);
    /// After a transmission or self-reception request: the frame to put on the bus, if any.
    /// othersOnBus says whether another active node would acknowledge it; without one (and
    /// outside self-test mode) the transmission stays pending until aborted.
    std::optional<CanFrame> TakeTransmission(bool othersOnBus, uint64_t nowUs);

    /// Whether the interrupt line is active (an enabled interrupt is pending).
    bool InterruptActive() const;
    /// Fault: the chip goes bus-off as after a burst of bus errors; raiseInterrupt false models an
    /// interrupt the host never saw (only the status register tells).
    void ForceBusOff(bool raiseInterrupt, uint64_t nowUs);
    /// Whether the bit timing gives the bus's bit rate (within 1%).
    bool TimingMatches() const;

    const Sja1000Counters& Counters() const { return counters_; }
    /// The 13 transmit buffer bytes as the host last wrote them.
    const uint8_t* TransmitBuffer() const { return tx_; }
    uint32_t BusBitRate() const { return busBitRate_; }

private:
    bool InResetMode() const { return (mode_ & 1) != 0; }
    bool BusOff() const { return busOff_; }
    void EnterBusOff(bool raiseInterrupt);
    void Recover(uint64_t nowUs);
    bool Accepts(const CanFrame& frame) const;
    bool Store(const CanFrame& frame);
    void RaiseInterrupt(uint8_t bit);
    uint8_t StatusByte() const;
    void WriteMode(uint8_t value, uint64_t nowUs);
    void WriteCommand(uint8_t value, uint64_t nowUs);

    const uint32_t busBitRate_;
    uint8_t mode_ = 0x01;  // reset mode after power-up
    uint8_t interrupts_ = 0;
    uint8_t interruptEnable_ = 0;
    uint8_t busTiming0_ = 0, busTiming1_ = 0, outputControl_ = 0;
    uint8_t errorWarningLimit_ = 96;
    uint8_t rxErrors_ = 0;
    uint16_t txErrors_ = 0;
    uint8_t acceptanceCode_[4] = {};
    uint8_t acceptanceMask_[4] = {0xFF, 0xFF, 0xFF, 0xFF};
    uint8_t clockDivider_ = 0;
    uint8_t tx_[13] = {};

    uint8_t fifo_[sja1000::kFifoBytes] = {};
    uint8_t rxStart_ = 0;   ///< FIFO offset of the front message (the receive buffer window)
    uint8_t fifoUsed_ = 0;  ///< bytes held
    uint8_t rxMessages_ = 0;
    bool dataOverrun_ = false;

    bool txPending_ = false;
    bool txSelfReception_ = false;
    bool txComplete_ = true;
    bool busOff_ = false;
    bool busOffClearedByHost_ = false;  ///< TX error counter written in reset mode during bus-off
    uint64_t recoveryDueUs_ = 0;        ///< non-zero: bus-off recovery ends then
    Sja1000Counters counters_;
};

}  // namespace norvane::sim
