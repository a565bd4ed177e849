#include "pcican/card_table.h"

#include <pthread.h>

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "pcican/controller.h"
#include "pcican/driver/can_channel.h"
#include "pcican/driver/card_driver.h"
#include "pcican/frame_ring.h"
#include "platform/event.h"
#include "platform/thread.h"

namespace norvane::halbox {
namespace {

constexpr uint32_t kMaxReceive = FrameRing::kCapacity;
constexpr uint32_t kWatchdogPeriodMs = 1000;

// The rings' slots: zero-filled static storage, which the system maps only when it is touched.
MarlixFrame g_slots[kCards * kChannels][FrameRing::kSlots];

struct Channel {
    explicit Channel(MarlixFrame* slots) : ring(slots) {}
    FrameRing ring;
    std::mutex configMutex;  ///< guards saved
    MarlixInitConfig saved = DefaultConfig();
    // Owned by the card's lifecycle lock:
    bool running = false;
    std::thread receiver;
    std::thread watchdog;
    std::shared_ptr<platform::Event> watchdogStop;
};

struct Card {
    std::mutex lifecycle;
    std::mutex backendMutex;  ///< guards backend
    std::shared_ptr<ChannelCard> backend;
    std::unique_ptr<Channel> channels[kChannels];

    std::shared_ptr<ChannelCard> Backend() {
        std::lock_guard lock(backendMutex);
        return backend;
    }
};

Card* MakeCards() {
    // Never destroyed: threads of cards a program did not close may still run at exit.
    auto* cards = new Card[kCards];
    for (uint32_t d = 0; d < kCards; ++d)
        for (uint32_t c = 0; c < kChannels; ++c)
            cards[d].channels[c] = std::make_unique<Channel>(g_slots[d * kChannels + c]);
    return cards;
}

Card& CardAt(uint32_t device) {
    static Card* const cards = MakeCards();
    return cards[device];
}

/// The backend of an open card whose channel exists; nullptr otherwise.
std::shared_ptr<ChannelCard> OpenBackend(uint32_t device, uint32_t channel) {
    if (device >= kCards || channel >= kChannels) return nullptr;
    auto backend = CardAt(device).Backend();
    return backend && backend->Channel(channel) ? backend : nullptr;
}

/// Runs sequence(channel) on an open card's channel; refused (0) for a card that is not open or a
/// channel it does not have.
template <typename Sequence>
int32_t OnChannel(uint32_t device, uint32_t channel, Sequence sequence) {
    auto backend = OpenBackend(device, channel);
    if (!backend) return 0;
    return sequence(*backend->Channel(channel));
}

MarlixInitConfig Saved(Channel& ch) {
    std::lock_guard lock(ch.configMutex);
    return ch.saved;
}

/// Names a thread "halbox-rx0.1" and the like (seen in debuggers, top and tests); done by the
/// starting thread, so the name is there once the start returned.
void NameThread(std::thread& thread, const char* role, uint32_t device, uint32_t channel) {
    const std::string name =
        std::string("halbox-") + role + std::to_string(device) + "." + std::to_string(channel);
    pthread_setname_np(thread.native_handle(), name.substr(0, 15).c_str());
}

/// Hands the frames a channel takes in to its ring.
class RingSink : public FrameSink {
public:
    explicit RingSink(FrameRing& ring) : ring_(ring) {}
    void Deliver(const MarlixFrame& frame) override { (void)ring_.Push(frame); }

private:
    FrameRing& ring_;
};

// The threads hold the backend (std::thread keeps its own copies of the arguments), so it outlives
// them whatever the exports do meanwhile.
void ReceiveLoop(const std::shared_ptr<ChannelCard>& backend, uint32_t channel, Channel* ch) {
    platform::RaiseCurrentThreadPriority(platform::Priority::Highest);
    RingSink sink(ch->ring);
    backend->Channel(channel)->Receive(sink);
}

void WatchdogLoop(const std::shared_ptr<ChannelCard>& backend, uint32_t channel, Channel* ch,
                  const std::shared_ptr<platform::Event>& stop) {
    while (!stop->Wait(kWatchdogPeriodMs)) backend->Channel(channel)->Watch(Saved(*ch));
}

/// With the card's lifecycle lock: ends the channel's threads and waits for them.
void StopThreads(Channel& ch, CanChannel& backend) {
    if (!ch.running) return;
    backend.StopReceiving();
    ch.watchdogStop->Set();
    ch.receiver.join();
    ch.watchdog.join();
    ch.running = false;
}

/// With the card's lifecycle lock: starts the channel's threads unless they run.
void StartThreads(Channel& ch, const std::shared_ptr<ChannelCard>& backend, uint32_t device,
                  uint32_t channel) {
    if (ch.running) return;
    ch.watchdogStop = std::make_shared<platform::Event>();
    ch.receiver = std::thread(ReceiveLoop, backend, channel, &ch);
    NameThread(ch.receiver, "rx", device, channel);
    try {
        ch.watchdog = std::thread(WatchdogLoop, backend, channel, &ch, ch.watchdogStop);
        NameThread(ch.watchdog, "wd", device, channel);
    } catch (...) {
        backend->Channel(channel)->StopReceiving();
        ch.receiver.join();
        throw;
    }
    ch.running = true;
}

}  // namespace

int32_t OpenDevice(uint32_t device) {
    if (device >= kCards) return 0;
    Card& card = CardAt(device);
    std::lock_guard life(card.lifecycle);
    // A second open keeps the card, its running channels and their rings as they are.
    if (card.Backend()) return 1;
    std::shared_ptr<ChannelCard> backend = OpenChannelCard(device);
    if (!backend) return 0;
    backend->OpenCloseRequest();
    for (auto& ch : card.channels) {
        {
            std::lock_guard lock(ch->configMutex);
            ch->saved = DefaultConfig();
        }
        ch->ring.Clear();
    }
    std::lock_guard lock(card.backendMutex);
    card.backend = std::move(backend);
    return 1;
}

int32_t CloseDevice(uint32_t device) {
    if (device >= kCards) return 0;
    Card& card = CardAt(device);
    std::lock_guard life(card.lifecycle);
    std::shared_ptr<ChannelCard> backend = card.Backend();
    if (!backend) return 0;
    backend->OpenCloseRequest();
    for (uint32_t c = 0; c < kChannels; ++c) {
        Channel& ch = *card.channels[c];
        if (ch.running) {
            CanChannel& channel = *backend->Channel(c);
            (void)channel.Reset();
            StopThreads(ch, channel);
        }
        ch.ring.Wake();
    }
    {
        std::lock_guard lock(card.backendMutex);
        card.backend.reset();
    }
    backend.reset();  // the last reference closes the link (threads are gone)
    return 1;
}

int32_t ResetChannel(uint32_t device, uint32_t channel) {
    return OnChannel(device, channel, [](CanChannel& c) { return c.Reset() ? 1 : 0; });
}

int32_t InitChannel(uint32_t device, uint32_t channel, const MarlixInitConfig* config) {
    if (device >= kCards || channel >= kChannels || config == nullptr) return 0;
    Card& card = CardAt(device);
    std::lock_guard life(card.lifecycle);
    auto backend = card.Backend();
    if (!backend || !backend->Channel(channel)) return 0;
    const MarlixInitConfig wanted = *config;
    Channel& ch = *card.channels[channel];
    if (!backend->Channel(channel)->Initialise(wanted)) return 0;
    {
        std::lock_guard lock(ch.configMutex);
        ch.saved = wanted;
    }
    StartThreads(ch, backend, device, channel);
    return 1;
}

int32_t TransmitFrame(uint32_t device, uint32_t channel, MarlixFrame* frame) {
    if (frame == nullptr) return 0;
    return OnChannel(device, channel, [frame](CanChannel& c) { return c.Transmit(*frame) ? 1 : 0; });
}

int32_t ReceiveFrames(uint32_t device, uint32_t channel, MarlixFrame* frames, uint32_t length,
                      uint32_t waitMs) {
    if (device >= kCards || channel >= kChannels || length > kMaxReceive) return 0;
    if (frames == nullptr && length > 0) return 0;
    FrameRing& ring = CardAt(device).channels[channel]->ring;
    if (length == 0) {
        // Nothing can be copied, so nothing can end the wait early.
        std::this_thread::sleep_for(std::chrono::milliseconds(waitMs));
        return 0;
    }
    if (waitMs > 0) (void)ring.WaitForFrames(waitMs);
    return static_cast<int32_t>(ring.Pop(frames, length));
}

int32_t ChannelState(uint32_t device, uint32_t channel) {
    return OnChannel(device, channel, [](CanChannel& c) { return int32_t{c.State()}; });
}

int32_t ChannelInfo(uint32_t device, uint32_t channel, MarlixInfo* info) {
    if (info == nullptr) return 0;
    return OnChannel(device, channel, [info](CanChannel& c) { return c.Info(*info) ? 1 : 0; });
}

int32_t AbortSend(uint32_t device, uint32_t channel) {
    return OnChannel(device, channel, [](CanChannel& c) {
        c.AbortSend();
        return 1;
    });
}

int32_t WriteRegisters(uint32_t device, uint32_t channel, uint32_t address, const uint8_t* data,
                       uint32_t count) {
    if (count > kMaxRegisterWrite || (data == nullptr && count > 0)) return 0;
    return OnChannel(device, channel,
                     [&](CanChannel& c) { return c.WriteRegisters(address, data, count) ? 1 : 0; });
}

int32_t ReadRegisters(uint32_t device, uint32_t channel, uint32_t address, uint8_t* buffer, uint32_t count) {
    if (count > kMaxRegisterRead || (buffer == nullptr && count > 0)) return 0;
    return OnChannel(device, channel,
                     [&](CanChannel& c) { return c.ReadRegisters(address, buffer, count) ? 1 : 0; });
}

int32_t ReceiveCount(uint32_t device, uint32_t channel) {
    if (!OpenBackend(device, channel)) return 0;
    return static_cast<int32_t>(CardAt(device).channels[channel]->ring.Count());
}

int32_t ClearRing(uint32_t device, uint32_t channel) {
    if (device >= kCards || channel >= kChannels) return 0;
    CardAt(device).channels[channel]->ring.Clear();
    return 1;
}

MarlixInitConfig SavedConfig(uint32_t device, uint32_t channel) {
    if (device >= kCards || channel >= kChannels) return DefaultConfig();
    return Saved(*CardAt(device).channels[channel]);
}

}  // namespace norvane::halbox
