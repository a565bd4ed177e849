#include "pcican/controller.h"

#include <cstdio>

#include "pcican/frame_buffer.h"

namespace norvane::halbox {
namespace {

constexpr uint8_t kResetMode = 0x01, kSelfTest = 0x04;
constexpr uint8_t kTransmissionRequest = 0x01, kAbortTransmission = 0x02, kReleaseAndClearOverrun = 0x0C;
constexpr uint8_t kClearOverrun = 0x08, kSelfReceptionRequest = 0x10;
constexpr uint8_t kReceiveBufferFull = 0x01, kDataOverrun = 0x02, kBufferReleased = 0x04, kComplete = 0x08;
constexpr uint8_t kBusOff = 0x80;
constexpr uint8_t kOverrunIrq = 0x08, kBusErrorIrq = 0x80;

}  // namespace

MarlixInitConfig DefaultConfig() {
    MarlixInitConfig c{};
    c.acceptanceMask = 0xFFFFFFFFu;
    c.busTiming1 = 0x14;
    return c;
}

void Controller::Read(uint32_t address, uint8_t* out, uint32_t count) {
    uint32_t delivered = 0;
    uint32_t error = 0;
    if (!driver_.ReadRegisters(channel_, address, out, count, delivered, error)) {
        std::printf("ERROR: DeviceIoControl returns %0x.\n", error);
        std::fflush(stdout);
    }
}

uint8_t Controller::Read(uint32_t address) {
    uint8_t value = 0;
    Read(address, &value, 1);
    return value;
}

void Controller::Write(uint32_t address, const uint8_t* data, uint32_t count) {
    (void)driver_.WriteRegisters(channel_, address, data, count);  // a failed write is silent
}

void Controller::Write(uint32_t address, uint8_t value) {
    Write(address, &value, 1);
}

bool Controller::PollMode(uint8_t mask, uint8_t want) {
    for (uint32_t i = 0; i < kResetPolls; ++i)
        if ((Read(reg::kMode) & mask) == want) return true;
    return false;
}

bool Controller::Initialise(const MarlixInitConfig& config) {
    (void)Read(reg::kCardProbe);
    uint8_t mode = config.filterMode == 0 ? 0x08 : 0x00;
    if (config.mode == 1) mode |= 0x02;
    if (config.mode == 2) mode |= 0x04;
    Write(reg::kMode, static_cast<uint8_t>(mode | kResetMode));
    Write(reg::kClockDivider, 0x80);
    Write(reg::kCommand, 0x00);
    Write(reg::kWarningLimit, 0x60);
    Write(reg::kOutputControl, 0xFA);
    Write(reg::kInterruptEnable, 0x89);  // receive, data overrun and bus error interrupts
    Write(reg::kBusTiming0, config.busTiming0);
    Write(reg::kBusTiming1, config.busTiming1);
    Write(reg::kRxErrors, 0x00);
    Write(reg::kTxErrors, 0x00);
    const uint8_t code[4] = {
        static_cast<uint8_t>(config.acceptanceCode >> 24), static_cast<uint8_t>(config.acceptanceCode >> 16),
        static_cast<uint8_t>(config.acceptanceCode >> 8), static_cast<uint8_t>(config.acceptanceCode)};
    const uint8_t mask[4] = {
        static_cast<uint8_t>(config.acceptanceMask >> 24), static_cast<uint8_t>(config.acceptanceMask >> 16),
        static_cast<uint8_t>(config.acceptanceMask >> 8), static_cast<uint8_t>(config.acceptanceMask)};
    Write(reg::kAcceptanceCode, code, 4);
    Write(reg::kAcceptanceMask, mask, 4);
    Write(reg::kMode, mode);
    return PollMode(kResetMode, 0);
}

bool Controller::Reset() {
    Write(reg::kMode, 0x21);
    (void)Read(reg::kCardProbe);
    return (Read(reg::kMode) & kResetMode) != 0;
}

bool Controller::InResetMode() {
    return (Read(reg::kMode) & kResetMode) != 0;
}

bool Controller::Transmit(MarlixFrame& frame) {
    // A bus-off controller sits in reset mode and sends nothing until it is recovered: polling on
    // would hold the channel's register lock (and so the receive thread and the bus watchdog) for
    // the whole polling limit, so bus-off ends the wait at once.
    bool released = false;
    for (uint32_t i = 0; i < kBufferPolls && !released; ++i) {
        const uint8_t status = Read(reg::kStatus);
        if (status & kBusOff) return false;
        released = (status & kBufferReleased) != 0;
    }
    if (!released) return false;
    if (frame.length > 8) frame.length = 8;
    uint8_t head[5];
    const size_t idBytes = EncodeFrameIdentifier(frame, head);
    Write(reg::kFrameBuffer, head[0]);
    Write(reg::kFrameBuffer + 1, head + 1, static_cast<uint32_t>(idBytes));
    if (frame.length > 0)
        Write(reg::kFrameBuffer + 1 + static_cast<uint32_t>(idBytes), frame.data, frame.length);
    uint8_t command = kTransmissionRequest;
    if (frame.sendType != 0) {
        // Self-reception: the controller goes to self-test mode (through reset mode) and stays there.
        const uint8_t mode = Read(reg::kMode);
        Write(reg::kMode, static_cast<uint8_t>(mode | kResetMode));
        Write(reg::kMode, static_cast<uint8_t>(mode | kResetMode | kSelfTest));
        Write(reg::kMode, static_cast<uint8_t>((mode | kSelfTest) & ~kResetMode));
        if (!PollMode(kResetMode, 0)) return false;
        command = kSelfReceptionRequest;
    }
    Write(reg::kCommand, command);
    for (uint32_t i = 0; i < kCompletePolls; ++i) {
        const uint8_t status = Read(reg::kStatus);
        if (status & kComplete) return true;
        if (status & kBusOff) break;
    }
    Write(reg::kCommand, kAbortTransmission);
    return false;
}

bool Controller::ReadOneFrame(MarlixFrame& out, const MarlixInitConfig& config) {
    const uint8_t interrupts = Read(reg::kInterrupt);
    // A bus-off puts the controller in reset mode at any moment, also between a transmission's
    // status check and its frame writes; those then land in the acceptance code and mask
    // registers, and a controller merely taken out of reset mode would filter out most frames
    // from then on. So the channel comes back with its whole configuration programmed again.
    if ((interrupts & kBusErrorIrq) && InResetMode()) (void)Initialise(config);
    if (interrupts & kOverrunIrq) {
        if (InResetMode()) (void)Initialise(config);
        if (Read(reg::kStatus) & kDataOverrun) Write(reg::kCommand, kClearOverrun);
    }
    if (!(Read(reg::kStatus) & kReceiveBufferFull)) return false;
    uint8_t bytes[kFrameBufferBytes] = {};
    Read(reg::kFrameBuffer, bytes, kFrameBufferBytes);
    Write(reg::kCommand, kReleaseAndClearOverrun);
    out = DecodeFrameBuffer(bytes);
    return true;
}

bool Controller::GetInfo(MarlixInfo& info) {
    if (InResetMode()) return false;
    const uint8_t divider = Read(reg::kClockDivider);
    const uint8_t mode = Read(reg::kMode);
    const uint8_t enable = Read(reg::kInterruptEnable);
    const uint8_t limit = Read(reg::kWarningLimit);
    info.mode = static_cast<uint8_t>((divider & 0x80) | (mode & 0x1A));
    info.interruptEnable = enable;
    info.warningLimit = limit;
    return true;
}

void Controller::AbortTransmission() {
    // The command register reads as 0xFF on this controller: writing back what was read would
    // also request a transmission and release an unread receive buffer, so only the abort is written.
    (void)Read(reg::kCommand);
    Write(reg::kCommand, kAbortTransmission);
}

}  // namespace norvane::halbox
