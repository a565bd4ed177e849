#include "pcican/sja1000_channel.h"

namespace norvane::halbox {

Sja1000Channel::Sja1000Channel(std::shared_ptr<CardDriver> driver, uint32_t channel)
    : driver_(std::move(driver)),
      channel_(channel),
      controller_(*driver_, channel),
      wake_(std::make_shared<platform::Event>()) {}

bool Sja1000Channel::Initialise(const MarlixInitConfig& config) {
    std::lock_guard lock(registers_);
    return InitialiseLocked(config);
}

bool Sja1000Channel::InitialiseLocked(const MarlixInitConfig& config) {
    if (!controller_.Initialise(config)) return false;
    configured_ = config;
    return true;
}

bool Sja1000Channel::Reset() {
    std::lock_guard lock(registers_);
    return controller_.Reset();
}

bool Sja1000Channel::Transmit(MarlixFrame& frame) {
    std::lock_guard lock(registers_);
    return controller_.Transmit(frame);
}

uint8_t Sja1000Channel::State() {
    std::lock_guard lock(registers_);
    return controller_.Read(reg::kStatus);
}

bool Sja1000Channel::Info(MarlixInfo& info) {
    std::lock_guard lock(registers_);
    return controller_.GetInfo(info);
}

void Sja1000Channel::AbortSend() {
    std::lock_guard lock(registers_);
    controller_.AbortTransmission();
}

// A raw access is one request, but it must not land in the middle of another thread's sequence.
bool Sja1000Channel::ReadRegisters(uint32_t address, uint8_t* out, uint32_t count) {
    std::lock_guard lock(registers_);
    controller_.Read(address, out, count);
    return true;
}

bool Sja1000Channel::WriteRegisters(uint32_t address, const uint8_t* data, uint32_t count) {
    std::lock_guard lock(registers_);
    controller_.Write(address, data, count);
    return true;
}

void Sja1000Channel::Receive(FrameSink& sink) {
    if (!driver_->SetNotification(channel_, wake_)) return;
    MarlixFrame frame;
    while (!stopping_.load()) {
        (void)driver_->BeforeWait();
        wake_->WaitForever();
        if (stopping_.load()) break;
        bool got;
        {
            std::lock_guard lock(registers_);
            got = controller_.ReadOneFrame(frame, configured_);
        }
        if (got) sink.Deliver(frame);
    }
}

void Sja1000Channel::StopReceiving() {
    stopping_.store(true);
    wake_->Set();
}

void Sja1000Channel::Watch(const MarlixInitConfig& saved) {
    std::lock_guard lock(registers_);
    if (controller_.Read(reg::kStatus) & 0x80) (void)InitialiseLocked(saved);  // bus-off
}

Sja1000Card::Sja1000Card(std::shared_ptr<CardDriver> driver) : driver_(std::move(driver)) {
    for (uint32_t c = 0; c < 2; ++c) channels_[c] = std::make_unique<Sja1000Channel>(driver_, c);
}

}  // namespace norvane::halbox
