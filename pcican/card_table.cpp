#include "pcican/card_table.h"

#include <pthread.h>

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "pcican/controller.h"
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
    /// Held for every register sequence on the channel (a transmission, an initialisation, a
    /// frame read, a state or info read): the controller's registers form one state machine, and
    /// two sequences that interleave corrupt each other's frames. Taken after the card's lifecycle
    /// lock; configMutex and the ring lock are never taken with it.
    std::mutex registers;
    std::mutex configMutex;  ///< guards saved
    MarlixInitConfig saved = DefaultConfig();
    // Owned by the card's lifecycle lock:
    bool running = false;
    std::thread receiver;
    std::thread watchdog;
    std::shared_ptr<platform::Event> wake;  ///< interrupt notification or stop
    std::shared_ptr<platform::Event> watchdogStop;
    std::shared_ptr<std::atomic<bool>> stopping;
};

struct Card {
    std::mutex lifecycle;
    std::mutex driverMutex;  ///< guards driver
    std::shared_ptr<CardDriver> driver;
    std::unique_ptr<Channel> channels[kChannels];

    std::shared_ptr<CardDriver> Driver() {
        std::lock_guard lock(driverMutex);
        return driver;
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

/// The driver of an open card and a valid channel; nullptr otherwise.
std::shared_ptr<CardDriver> OpenDriver(uint32_t device, uint32_t channel) {
    if (device >= kCards || channel >= kChannels) return nullptr;
    return CardAt(device).Driver();
}

/// Runs sequence(controller) on an open card's channel under the channel's register lock;
/// refused (0) for a card that is not open or a channel out of range.
template <typename Sequence>
int32_t OnChannel(uint32_t device, uint32_t channel, Sequence sequence) {
    auto driver = OpenDriver(device, channel);
    if (!driver) return 0;
    Controller controller(*driver, channel);
    std::lock_guard lock(CardAt(device).channels[channel]->registers);
    return sequence(controller);
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

void ReceiveLoop(std::shared_ptr<CardDriver> driver, uint32_t channel, Channel* ch,
                 std::shared_ptr<platform::Event> wake, std::shared_ptr<std::atomic<bool>> stopping) {
    platform::RaiseCurrentThreadPriority(platform::Priority::Highest);
    if (!driver->SetNotification(channel, wake)) return;
    Controller controller(*driver, channel);
    MarlixFrame frame;
    while (!stopping->load()) {
        (void)driver->BeforeWait();
        wake->WaitForever();
        if (stopping->load()) break;
        bool got;
        {
            std::lock_guard lock(ch->registers);
            got = controller.ReadOneFrame(frame);
        }
        if (got) ch->ring.Push(frame);
    }
}

void WatchdogLoop(std::shared_ptr<CardDriver> driver, uint32_t channel, Channel* ch,
                  std::shared_ptr<platform::Event> stop) {
    Controller controller(*driver, channel);
    while (!stop->Wait(kWatchdogPeriodMs)) {
        const MarlixInitConfig saved = Saved(*ch);
        std::lock_guard lock(ch->registers);
        if (controller.Read(reg::kStatus) & 0x80) (void)controller.Initialise(saved);  // bus-off
    }
}

/// With the card's lifecycle lock: ends the channel's threads and waits for them.
void StopThreads(Channel& ch) {
    if (!ch.running) return;
    ch.stopping->store(true);
    ch.wake->Set();
    ch.watchdogStop->Set();
    ch.receiver.join();
    ch.watchdog.join();
    ch.running = false;
}

/// With the card's lifecycle lock: starts the channel's threads unless they run.
void StartThreads(Channel& ch, const std::shared_ptr<CardDriver>& driver, uint32_t device, uint32_t channel) {
    if (ch.running) return;
    ch.wake = std::make_shared<platform::Event>();
    ch.watchdogStop = std::make_shared<platform::Event>();
    ch.stopping = std::make_shared<std::atomic<bool>>(false);
    ch.receiver = std::thread(ReceiveLoop, driver, channel, &ch, ch.wake, ch.stopping);
    NameThread(ch.receiver, "rx", device, channel);
    try {
        ch.watchdog = std::thread(WatchdogLoop, driver, channel, &ch, ch.watchdogStop);
        NameThread(ch.watchdog, "wd", device, channel);
    } catch (...) {
        ch.stopping->store(true);
        ch.wake->Set();
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
    if (card.Driver()) return 1;
    std::shared_ptr<CardDriver> driver = OpenCard(device);
    if (!driver) return 0;
    (void)driver->OpenCloseRequest();
    for (auto& ch : card.channels) {
        {
            std::lock_guard lock(ch->configMutex);
            ch->saved = DefaultConfig();
        }
        ch->ring.Clear();
    }
    std::lock_guard lock(card.driverMutex);
    card.driver = std::move(driver);
    return 1;
}

int32_t CloseDevice(uint32_t device) {
    if (device >= kCards) return 0;
    Card& card = CardAt(device);
    std::lock_guard life(card.lifecycle);
    std::shared_ptr<CardDriver> driver = card.Driver();
    if (!driver) return 0;
    (void)driver->OpenCloseRequest();
    for (uint32_t c = 0; c < kChannels; ++c) {
        Channel& ch = *card.channels[c];
        if (ch.running) {
            std::lock_guard lock(ch.registers);
            (void)Controller(*driver, c).Reset();
        }
        StopThreads(ch);
        ch.ring.Wake();
    }
    {
        std::lock_guard lock(card.driverMutex);
        card.driver.reset();
    }
    driver.reset();  // the last reference closes the link (threads are gone)
    return 1;
}

int32_t ResetChannel(uint32_t device, uint32_t channel) {
    return OnChannel(device, channel, [](Controller& c) { return c.Reset() ? 1 : 0; });
}

int32_t InitChannel(uint32_t device, uint32_t channel, const MarlixInitConfig* config) {
    if (device >= kCards || channel >= kChannels || config == nullptr) return 0;
    Card& card = CardAt(device);
    std::lock_guard life(card.lifecycle);
    auto driver = card.Driver();
    if (!driver) return 0;
    const MarlixInitConfig wanted = *config;
    Channel& ch = *card.channels[channel];
    {
        std::lock_guard lock(ch.registers);
        if (!Controller(*driver, channel).Initialise(wanted)) return 0;
    }
    {
        std::lock_guard lock(ch.configMutex);
        ch.saved = wanted;
    }
    StartThreads(ch, driver, device, channel);
    return 1;
}

int32_t TransmitFrame(uint32_t device, uint32_t channel, MarlixFrame* frame) {
    if (frame == nullptr) return 0;
    return OnChannel(device, channel, [frame](Controller& c) { return c.Transmit(*frame) ? 1 : 0; });
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
    return OnChannel(device, channel, [](Controller& c) { return int32_t{c.Read(reg::kStatus)}; });
}

int32_t ChannelInfo(uint32_t device, uint32_t channel, MarlixInfo* info) {
    if (info == nullptr) return 0;
    return OnChannel(device, channel, [info](Controller& c) { return c.GetInfo(*info) ? 1 : 0; });
}

int32_t AbortSend(uint32_t device, uint32_t channel) {
    return OnChannel(device, channel, [](Controller& c) {
        c.AbortTransmission();
        return 1;
    });
}

// A raw access is one request, but it must not land in the middle of another thread's sequence.
int32_t WriteRegisters(uint32_t device, uint32_t channel, uint32_t address, const uint8_t* data,
                       uint32_t count) {
    if (count > kMaxRegisterWrite || (data == nullptr && count > 0)) return 0;
    return OnChannel(device, channel, [&](Controller& c) {
        c.Write(address, data, count);
        return 1;
    });
}

int32_t ReadRegisters(uint32_t device, uint32_t channel, uint32_t address, uint8_t* buffer, uint32_t count) {
    if (count > kMaxRegisterRead || (buffer == nullptr && count > 0)) return 0;
    return OnChannel(device, channel, [&](Controller& c) {
        c.Read(address, buffer, count);
        return 1;
    });
}

int32_t ReceiveCount(uint32_t device, uint32_t channel) {
    if (!OpenDriver(device, channel)) return 0;
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
