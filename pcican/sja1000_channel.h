#pragma once
// A channel whose SJA1000 Halbox drives register by register through the card driver, and the card
// of two such channels. Each channel holds a register lock for every register sequence (a
// transmission, an initialisation, a frame read, a state read): the controller's registers form
// one state machine, and two sequences that interleave corrupt each other's frames.
#include <atomic>
#include <memory>
#include <mutex>

#include "pcican/controller.h"
#include "pcican/driver/can_channel.h"
#include "pcican/driver/card_driver.h"
#include "platform/event.h"

namespace norvane::halbox {

class Sja1000Channel : public CanChannel {
public:
    Sja1000Channel(std::shared_ptr<CardDriver> driver, uint32_t channel);

    bool Initialise(const MarlixInitConfig& config) override;
    bool Reset() override;
    bool Transmit(MarlixFrame& frame) override;
    uint8_t State() override;
    bool Info(MarlixInfo& info) override;
    void AbortSend() override;
    bool ReadRegisters(uint32_t address, uint8_t* out, uint32_t count) override;
    bool WriteRegisters(uint32_t address, const uint8_t* data, uint32_t count) override;
    /// Registers the interrupt notification, then per interrupt reads one frame.
    void Receive(FrameSink& sink) override;
    void StopReceiving() override;
    /// Re-initialises the controller with saved when it reports bus-off.
    void Watch(const MarlixInitConfig& saved) override;

private:
    /// Programs the controller and remembers config for a recovery from bus-off (registers_ held).
    bool InitialiseLocked(const MarlixInitConfig& config);

    const std::shared_ptr<CardDriver> driver_;
    const uint32_t channel_;
    Controller controller_;
    std::mutex registers_;
    /// The last configuration programmed (guarded by registers_).
    MarlixInitConfig configured_ = DefaultConfig();
    const std::shared_ptr<platform::Event> wake_;  ///< interrupt notification or stop
    std::atomic<bool> stopping_{false};
};

class Sja1000Card : public ChannelCard {
public:
    explicit Sja1000Card(std::shared_ptr<CardDriver> driver);
    CanChannel* Channel(uint32_t channel) override {
        return channel < 2 ? channels_[channel].get() : nullptr;
    }
    void OpenCloseRequest() override { (void)driver_->OpenCloseRequest(); }

private:
    const std::shared_ptr<CardDriver> driver_;
    std::unique_ptr<Sja1000Channel> channels_[2];
};

}  // namespace norvane::halbox
