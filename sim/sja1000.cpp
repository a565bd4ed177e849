#include "sim/sja1000.h"

#include <algorithm>
#include <cmath>

namespace norvane::sim {
namespace {

using namespace sja1000;

// Mode register bits.
constexpr uint8_t kResetMode = 0x01, kListenOnly = 0x02, kSelfTest = 0x04, kSingleFilter = 0x08,
                  kSleep = 0x10;
// Interrupt bits (the enable register uses the same positions).
constexpr uint8_t kTransmitIrq = 1, kErrorIrq = 2, kOverrunIrq = 3, kWakeUpIrq = 4, kBusErrorIrq = 7;
constexpr uint8_t kReceiveIrqMask = 0x01;

/// FIFO bytes of a message: frame information, 2 or 4 identifier bytes, the data bytes.
uint8_t MessageBytes(uint8_t frameInfo) {
    const uint8_t data = (frameInfo & 0x40) ? 0 : std::min<uint8_t>(frameInfo & 0x0F, 8);
    return static_cast<uint8_t>(1 + ((frameInfo & 0x80) ? 4 : 2) + data);
}

bool Match(uint8_t value, uint8_t code, uint8_t mask) {
    return ((value ^ code) & ~mask & 0xFF) == 0;
}

}  // namespace

Sja1000::Sja1000(uint32_t busBitRate) : busBitRate_(busBitRate) {}

bool Sja1000::TimingMatches() const {
    const double prescaler = (busTiming0_ & 0x3F) + 1.0;
    const double quanta = 3.0 + (busTiming1_ & 0x0F) + ((busTiming1_ >> 4) & 7);
    const double rate = kClockHz / (2.0 * prescaler * quanta);
    return std::fabs(rate - busBitRate_) <= busBitRate_ * 0.01;
}

uint8_t Sja1000::StatusByte() const {
    uint8_t s = 0;
    if (rxMessages_ > 0) s |= 0x01;
    if (dataOverrun_) s |= 0x02;
    if (!txPending_) s |= 0x04;
    if (txComplete_) s |= 0x08;
    if (txPending_) s |= 0x20;
    if (busOff_ || txErrors_ >= errorWarningLimit_ || rxErrors_ >= errorWarningLimit_) s |= 0x40;
    if (busOff_) s |= 0x80;
    return s;
}

bool Sja1000::InterruptActive() const {
    return interrupts_ != 0 || (rxMessages_ > 0 && (interruptEnable_ & kReceiveIrqMask));
}

void Sja1000::RaiseInterrupt(uint8_t bit) {
    if (interruptEnable_ & (1u << bit)) interrupts_ = static_cast<uint8_t>(interrupts_ | (1u << bit));
}

uint8_t Sja1000::Read(uint8_t address, uint64_t nowUs) {
    Recover(nowUs);
    const bool reset = InResetMode();
    switch (address) {
        case kMode:
            return mode_;
        case kCommand:
            return 0xFF;  // write-only
        case kStatus:
            return StatusByte();
        case kInterrupt: {
            // Reading clears every bit; the receive interrupt follows the FIFO instead.
            const uint8_t value = static_cast<uint8_t>(
                interrupts_ | ((rxMessages_ > 0 && (interruptEnable_ & kReceiveIrqMask)) ? 1 : 0));
            interrupts_ = 0;
            return value;
        }
        case kInterruptEnable:
            return interruptEnable_;
        case kBusTiming0:
            return busTiming0_;
        case kBusTiming1:
            return busTiming1_;
        case kOutputControl:
            return outputControl_;
        case kErrorWarningLimit:
            return errorWarningLimit_;
        case kRxErrors:
            return rxErrors_;
        case kTxErrors:
            return static_cast<uint8_t>(std::min<uint16_t>(txErrors_, 255));
        case kRxMessageCount:
            return rxMessages_;
        case kRxBufferStart:
            return rxStart_;
        case kClockDivider:
            return clockDivider_;
        default:
            break;
    }
    if (address >= kFrameBuffer && address < kFrameBuffer + 13) {
        const uint8_t offset = static_cast<uint8_t>(address - kFrameBuffer);
        if (!reset) return fifo_[(rxStart_ + offset) % kFifoBytes];  // the receive buffer window
        if (offset < 4) return acceptanceCode_[offset];
        if (offset < 8) return acceptanceMask_[offset - 4];
        return 0;
    }
    if (address >= 32 && address < 32 + kFifoBytes) return fifo_[address - 32];
    if (address >= 96 && address < 96 + 13) return tx_[address - 96];
    return 0;
}

void Sja1000::Write(uint8_t address, uint8_t value, uint64_t nowUs) {
    Recover(nowUs);
    const bool reset = InResetMode();
    switch (address) {
        case kMode:
            return WriteMode(value, nowUs);
        case kCommand:
            return WriteCommand(value, nowUs);
        case kInterruptEnable:
            interruptEnable_ = value;
            return;
        default:
            break;
    }
    if (address >= kFrameBuffer && address < kFrameBuffer + 13) {
        const uint8_t offset = static_cast<uint8_t>(address - kFrameBuffer);
        if (!reset) {
            tx_[offset] = value;
        } else if (offset < 4) {
            acceptanceCode_[offset] = value;
        } else if (offset < 8) {
            acceptanceMask_[offset - 4] = value;
        }
        return;
    }
    if (!reset) return;  // everything below may be written in reset mode only
    switch (address) {
        case kBusTiming0:
            busTiming0_ = value;
            break;
        case kBusTiming1:
            busTiming1_ = value;
            break;
        case kOutputControl:
            outputControl_ = value;
            break;
        case kErrorWarningLimit:
            errorWarningLimit_ = value;
            break;
        case kRxErrors:
            rxErrors_ = value;
            break;
        case kTxErrors:
            txErrors_ = value;
            // During bus-off a value below 255 ends it as soon as reset mode is left.
            if (busOff_ && value < 255) busOffClearedByHost_ = true;
            break;
        case kRxBufferStart:
            rxStart_ = static_cast<uint8_t>(value % kFifoBytes);
            break;
        case kClockDivider:
            clockDivider_ = value;
            break;
        default:
            break;
    }
}

void Sja1000::WriteMode(uint8_t value, uint64_t nowUs) {
    const bool wasReset = InResetMode();
    if (wasReset) {
        // Listen-only, self-test and filter mode change only while in reset mode; sleep only outside it.
        mode_ = static_cast<uint8_t>(value & (kResetMode | kListenOnly | kSelfTest | kSingleFilter));
        if (!(value & kResetMode) && (value & kSleep)) mode_ |= kSleep;
    } else {
        mode_ = static_cast<uint8_t>((mode_ & (kListenOnly | kSelfTest | kSingleFilter)) |
                                     (value & (kResetMode | kSleep)));
    }
    const bool nowReset = InResetMode();
    if (!wasReset && nowReset) {
        // Entering reset mode drops a pending transmission, the FIFO and a running bus-off recovery.
        txPending_ = false;
        fifoUsed_ = rxMessages_ = rxStart_ = 0;
        dataOverrun_ = false;
        recoveryDueUs_ = 0;
        mode_ &= static_cast<uint8_t>(~kSleep);
    } else if (wasReset && !nowReset && busOff_) {
        if (busOffClearedByHost_) {
            busOff_ = busOffClearedByHost_ = false;
            txErrors_ = rxErrors_ = 0;
            ++counters_.hostRecoveries;
        } else {
            // Recovery waits for 128 occurrences of 11 recessive bits.
            const uint64_t us = 128ull * 11 * 1000000 / std::max<uint32_t>(busBitRate_, 1);
            recoveryDueUs_ = nowUs + std::max<uint64_t>(us, 1);
        }
    }
}

void Sja1000::WriteCommand(uint8_t value, uint64_t) {
    if (InResetMode()) return;
    if ((value & 0x04) && rxMessages_ > 0) {  // release receive buffer
        const uint8_t size = MessageBytes(fifo_[rxStart_]);
        rxStart_ = static_cast<uint8_t>((rxStart_ + size) % kFifoBytes);
        fifoUsed_ = static_cast<uint8_t>(fifoUsed_ - std::min(size, fifoUsed_));
        --rxMessages_;
    }
    if (value & 0x08) dataOverrun_ = false;
    const bool request = (value & 0x11) != 0;
    if ((value & 0x02) && !request && txPending_) {  // abort: the pending frame is not sent
        txPending_ = false;
        txComplete_ = false;
    }
    if (request && !txPending_ && !busOff_) {
        txPending_ = true;
        txComplete_ = false;
        txSelfReception_ = (value & 0x10) != 0;
    }
}

std::optional<CanFrame> Sja1000::TakeTransmission(bool othersOnBus, uint64_t nowUs) {
    Recover(nowUs);
    if (!txPending_ || InResetMode() || busOff_ || (mode_ & kListenOnly)) return std::nullopt;
    const bool selfTest = (mode_ & kSelfTest) != 0;
    if (!TimingMatches() && othersOnBus) {
        // Every attempt is answered with error frames: the error counter climbs to bus-off.
        EnterBusOff(true);
        return std::nullopt;
    }
    if (!othersOnBus && !selfTest) {
        // Nobody acknowledges: error passive, retransmitted until aborted.
        txErrors_ = std::max<uint16_t>(txErrors_, 128);
        RaiseInterrupt(kErrorIrq);
        return std::nullopt;
    }
    CanFrame f;
    const uint8_t info = tx_[0];
    f.extended = (info & 0x80) != 0;
    f.remote = (info & 0x40) != 0;
    f.length = std::min<uint8_t>(info & 0x0F, 8);
    const uint8_t* data;
    if (f.extended) {
        f.id =
            uint32_t{tx_[1]} << 21 | uint32_t{tx_[2]} << 13 | uint32_t{tx_[3]} << 5 | uint32_t{tx_[4]} >> 3;
        data = tx_ + 5;
    } else {
        f.id = uint32_t{tx_[1]} << 3 | uint32_t{tx_[2]} >> 5;
        data = tx_ + 3;
    }
    if (!f.remote) std::copy(data, data + f.length, f.data);
    txPending_ = false;
    txComplete_ = true;
    if (txErrors_ > 0) --txErrors_;
    ++counters_.transmitted;
    RaiseInterrupt(kTransmitIrq);
    if (txSelfReception_ && Accepts(f)) {
        if (Store(f)) {
            ++counters_.received;
        } else {
            dataOverrun_ = true;
            ++counters_.overruns;
            RaiseInterrupt(kOverrunIrq);
        }
    }
    if (!TimingMatches()) return std::nullopt;  // self-test at another rate: nobody hears it
    return f;
}

void Sja1000::FrameFromBus(const CanFrame& frame, uint64_t nowUs) {
    Recover(nowUs);
    if (mode_ & kSleep) {  // bus activity wakes the chip; that frame is lost
        mode_ &= static_cast<uint8_t>(~kSleep);
        RaiseInterrupt(kWakeUpIrq);
        return;
    }
    if (InResetMode() || busOff_ || !TimingMatches() || !Accepts(frame)) return;
    if (!Store(frame)) {
        dataOverrun_ = true;
        ++counters_.overruns;
        RaiseInterrupt(kOverrunIrq);
        return;
    }
    ++counters_.received;
}

bool Sja1000::Store(const CanFrame& frame) {
    uint8_t bytes[13] = {};
    const uint8_t length = std::min<uint8_t>(frame.length, 8);
    bytes[0] = static_cast<uint8_t>((frame.extended ? 0x80 : 0) | (frame.remote ? 0x40 : 0) | length);
    const uint32_t rtr = frame.remote ? 1u : 0u;
    uint8_t at;
    if (frame.extended) {
        bytes[1] = static_cast<uint8_t>(frame.id >> 21);
        bytes[2] = static_cast<uint8_t>(frame.id >> 13);
        bytes[3] = static_cast<uint8_t>(frame.id >> 5);
        bytes[4] = static_cast<uint8_t>((frame.id << 3) | (rtr << 2));
        at = 5;
    } else {
        bytes[1] = static_cast<uint8_t>(frame.id >> 3);
        bytes[2] = static_cast<uint8_t>((frame.id << 5) | (rtr << 4));
        at = 3;
    }
    if (!frame.remote) std::copy(frame.data, frame.data + length, bytes + at);
    const uint8_t size = MessageBytes(bytes[0]);
    if (fifoUsed_ + size > kFifoBytes) return false;
    for (uint8_t i = 0; i < size; ++i) fifo_[(uint32_t{rxStart_} + fifoUsed_ + i) % kFifoBytes] = bytes[i];
    fifoUsed_ = static_cast<uint8_t>(fifoUsed_ + size);
    ++rxMessages_;
    return true;
}

bool Sja1000::Accepts(const CanFrame& frame) const {
    const uint8_t* code = acceptanceCode_;
    const uint8_t* mask = acceptanceMask_;
    const uint32_t rtr = frame.remote ? 1u : 0u;
    const uint8_t length = frame.remote ? 0 : std::min<uint8_t>(frame.length, 8);
    if (frame.extended) {
        const uint8_t b[4] = {static_cast<uint8_t>(frame.id >> 21), static_cast<uint8_t>(frame.id >> 13),
                              static_cast<uint8_t>(frame.id >> 5),
                              static_cast<uint8_t>((frame.id << 3) | (rtr << 2))};
        if (mode_ & kSingleFilter) {
            return Match(b[0], code[0], mask[0]) && Match(b[1], code[1], mask[1]) &&
                   Match(b[2], code[2], mask[2]) && Match(b[3], code[3], mask[3] | 0x03);
        }
        // Dual filter: identifier bits 28-13 against filter 1 (bytes 0, 1) or filter 2 (bytes 2, 3).
        return (Match(b[0], code[0], mask[0]) && Match(b[1], code[1], mask[1])) ||
               (Match(b[0], code[2], mask[2]) && Match(b[1], code[3], mask[3]));
    }
    const uint8_t b0 = static_cast<uint8_t>(frame.id >> 3);
    const uint8_t b1 = static_cast<uint8_t>((frame.id << 5) | (rtr << 4));
    if (mode_ & kSingleFilter) {
        // Data bytes 1 and 2 take part when the frame has them.
        return Match(b0, code[0], mask[0]) && Match(b1, code[1], mask[1] | 0x0F) &&
               (length < 1 || Match(frame.data[0], code[2], mask[2])) &&
               (length < 2 || Match(frame.data[1], code[3], mask[3]));
    }
    // Filter 1: identifier, RTR and data byte 1 (upper nibble in code 1, lower in code 3);
    // filter 2: identifier and RTR against code 2 and the upper nibble of code 3.
    const bool first =
        Match(b0, code[0], mask[0]) && Match(b1, code[1], mask[1] | 0x0F) &&
        (length < 1 || (Match(static_cast<uint8_t>(frame.data[0] >> 4), code[1] & 0x0F,
                              static_cast<uint8_t>(mask[1] | 0xF0)) &&
                        Match(frame.data[0] & 0x0F, code[3] & 0x0F, static_cast<uint8_t>(mask[3] | 0xF0))));
    const bool second = Match(b0, code[2], mask[2]) && Match(b1, code[3], mask[3] | 0x0F);
    return first || second;
}

void Sja1000::EnterBusOff(bool raiseInterrupt) {
    busOff_ = true;
    busOffClearedByHost_ = false;
    recoveryDueUs_ = 0;
    mode_ |= kResetMode;
    txErrors_ = 127;  // counts the recovery from here
    rxErrors_ = 0;
    txPending_ = false;
    txComplete_ = false;
    fifoUsed_ = rxMessages_ = rxStart_ = 0;
    ++counters_.busOffs;
    if (raiseInterrupt) {
        RaiseInterrupt(kBusErrorIrq);
        RaiseInterrupt(kErrorIrq);
    }
}

void Sja1000::ForceBusOff(bool raiseInterrupt, uint64_t nowUs) {
    Recover(nowUs);
    EnterBusOff(raiseInterrupt);
}

void Sja1000::Recover(uint64_t nowUs) {
    if (!busOff_ || recoveryDueUs_ == 0 || nowUs < recoveryDueUs_) return;
    busOff_ = false;
    recoveryDueUs_ = 0;
    txErrors_ = rxErrors_ = 0;
    RaiseInterrupt(kErrorIrq);
}

}  // namespace norvane::sim
