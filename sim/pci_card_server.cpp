#include "sim/pci_card_server.h"

#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstring>

#include "pcican/driver/link_messages.h"

namespace norvane::sim {
namespace {

using halbox::link::Message;
using halbox::link::Type;

uint64_t NowUs() {
    using namespace std::chrono;
    return static_cast<uint64_t>(duration_cast<microseconds>(steady_clock::now().time_since_epoch()).count());
}

/// Registers at or above this address belong to the card, not to a channel's controller.
constexpr uint32_t kCardRegisters = 0x80;

}  // namespace

std::string DefaultPciSocketPath() {
    return "/tmp/norvane-pci.sock";
}

struct PciCardServer::Channel {
    explicit Channel(const BusOptions& options)
        : bus(std::make_unique<VirtualBus>(options)), chip(options.bitRate) {}
    std::unique_ptr<VirtualBus> bus;
    mutable std::mutex mutex;                 ///< guards chip, notify and armed
    mutable std::condition_variable changed;  ///< the chip changed (WaitForChip)
    Sja1000 chip;
    bool notify = false;  ///< the host asked for this channel's interrupts
    bool armed = false;   ///< the host waits: the next active interrupt line is sent
    bool configured = false;
};

struct PciCardServer::Card {
    std::unique_ptr<Channel> channels[kPciChannels];
    mutable std::mutex linkMutex;  ///< guards fd and removed; held while writing to the link
    int fd = -1;
    bool removed = false;
    std::atomic<uint32_t> slowUs{0};
    std::atomic<uint64_t> exchanges{0};
    std::atomic<uint64_t> interrupts{0};
};

PciCardServer::PciCardServer(std::string socketPath) : listener_(std::move(socketPath)) {}

PciCardServer::~PciCardServer() {
    Stop();
}

PciCardServer::Card& PciCardServer::CardAt(uint8_t card) const {
    return *cards_.at(card);
}

PciCardServer::Channel& PciCardServer::ChannelAt(uint8_t card, uint8_t channel) const {
    return *CardAt(card).channels[channel % kPciChannels];
}

VirtualBus& PciCardServer::AddChannel(uint8_t card, uint8_t channel, const BusOptions& bus) {
    auto& slot = cards_.at(card);
    const auto attach = [this, card](uint8_t ch, const BusOptions& options) {
        auto c = std::make_unique<Channel>(options);
        c->bus->SetGatewayListener([this, card, ch](const CanFrame& f) { OnBusFrame(card, ch, f); });
        return c;
    };
    if (!slot) {
        slot = std::make_unique<Card>();
        for (uint8_t ch = 0; ch < kPciChannels; ++ch) {
            BusOptions idle;
            idle.channel = "pci" + std::to_string(card) + "." + std::to_string(ch);
            slot->channels[ch] = attach(ch, idle);
        }
    }
    slot->channels[channel % kPciChannels] = attach(channel % kPciChannels, bus);
    slot->channels[channel % kPciChannels]->configured = true;
    return *slot->channels[channel % kPciChannels]->bus;
}

bool PciCardServer::Start() {
    if (!listener_.Listen("PCI", error_)) return false;
    for (auto& card : cards_)
        if (card)
            for (auto& ch : card->channels) ch->bus->Start();
    listener_.Accept([this](int fd) { Serve(fd); });
    return true;
}

void PciCardServer::Stop() {
    if (!listener_.Stop()) return;
    for (auto& card : cards_)
        if (card)
            for (auto& ch : card->channels) ch->bus->Stop();
}

bool PciCardServer::SendTo(int fd, const void* bytes, size_t size, Card& card) {
    std::lock_guard lock(card.linkMutex);
    const auto* p = static_cast<const uint8_t*>(bytes);
    while (size > 0) {
        const ssize_t n = send(fd, p, size, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        p += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

void PciCardServer::Serve(int fd) {
    // The first message names the card.
    uint8_t buffer[halbox::link::kMaxMessage];
    size_t have = 0;
    Message hello;
    size_t used = 0;
    auto result = halbox::link::DecodeResult::NeedMore;
    while (result == halbox::link::DecodeResult::NeedMore && have < sizeof buffer) {
        const ssize_t n = read(fd, buffer + have, sizeof buffer - have);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        have += static_cast<size_t>(n);
        result = halbox::link::Decode(buffer, have, hello, used);
    }
    const bool isHello = result == halbox::link::DecodeResult::Complete && hello.type == Type::Hello;
    const uint8_t card = isHello && hello.address < kPciCards ? static_cast<uint8_t>(hello.address) : 0xFF;
    Card* c = card != 0xFF && cards_[card] ? cards_[card].get() : nullptr;
    if (c != nullptr && CardPresent(card)) {
        // A new link starts without notifications (the previous link's end cleared them).
        for (auto& ch : c->channels) {
            std::lock_guard lock(ch->mutex);
            ch->notify = ch->armed = false;
        }
    }
    bool present = false;
    if (isHello) {
        Message answer;
        answer.type = Type::HelloAnswer;
        answer.address = hello.address;
        answer.tag = hello.tag;
        uint8_t out[halbox::link::kHeaderSize];
        if (c != nullptr) {
            // The answer goes out before anything else can be sent on the new link.
            std::lock_guard lock(c->linkMutex);
            present = !c->removed;
            if (present) {
                if (c->fd >= 0) shutdown(c->fd, SHUT_RDWR);  // a new link replaces the card's old one
                c->fd = fd;
            }
            answer.status = present ? 0 : ENODEV;
            (void)!send(fd, out, halbox::link::Encode(answer, out), MSG_NOSIGNAL);
        } else {
            answer.status = ENODEV;
            (void)!send(fd, out, halbox::link::Encode(answer, out), MSG_NOSIGNAL);
        }
    }
    if (present) {
        // Bytes after the hello belong to the card's requests.
        ServeCard(fd, card, std::vector<uint8_t>(buffer + used, buffer + have));
        bool current;
        {
            std::lock_guard lock(c->linkMutex);
            current = c->fd == fd;
            if (current) c->fd = -1;
        }
        for (auto& ch : c->channels) {
            std::lock_guard lock(ch->mutex);
            if (current) ch->notify = ch->armed = false;
        }
    }
}

void PciCardServer::ServeCard(int fd, uint8_t cardIndex, std::vector<uint8_t> pending) {
    Card& card = CardAt(cardIndex);
    uint8_t in[4096];
    Message m;
    Message answer;
    uint8_t out[halbox::link::kMaxMessage];
    for (bool first = true;; first = false) {
        if (!first || pending.empty()) {
            const ssize_t n = read(fd, in, sizeof in);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) return;
            pending.insert(pending.end(), in, in + n);
        }
        size_t at = 0;
        for (;;) {
            size_t used = 0;
            const auto r = halbox::link::Decode(pending.data() + at, pending.size() - at, m, used);
            if (r == halbox::link::DecodeResult::NeedMore) break;
            if (r == halbox::link::DecodeResult::Malformed) return;  // the link is broken: close it
            at += used;
            answer = Message{};
            answer.type = halbox::link::AnswerOf(m.type);
            answer.channel = m.channel;
            answer.address = m.address;
            answer.tag = m.tag;  // the host matches the answer to its request by this
            const bool validChannel = m.channel < kPciChannels;
            switch (m.type) {
                case Type::Read:
                case Type::Write: {
                    if (const uint32_t us = card.slowUs.load())
                        std::this_thread::sleep_for(std::chrono::microseconds(us));
                    ++card.exchanges;
                    if (!validChannel) {
                        answer.status = EINVAL;
                        break;
                    }
                    Channel& ch = *card.channels[m.channel];
                    std::optional<CanFrame> sent;
                    {
                        std::lock_guard lock(ch.mutex);
                        const uint64_t now = NowUs();
                        for (uint16_t i = 0; i < m.count; ++i) {
                            const uint32_t address = m.address + i;
                            const bool chip = address < kCardRegisters;
                            if (m.type == Type::Read) {
                                answer.data[i] = chip ? ch.chip.Read(static_cast<uint8_t>(address), now) : 0;
                            } else if (chip) {
                                ch.chip.Write(static_cast<uint8_t>(address), m.data[i], now);
                            }
                        }
                        if (m.type == Type::Write)
                            sent = ch.chip.TakeTransmission(ch.bus->NodeCount() > 0, now);
                        CheckInterrupt(cardIndex, m.channel);
                    }
                    ch.changed.notify_all();
                    if (sent) ch.bus->Send(*sent);
                    answer.count = m.count;
                    if (m.type == Type::Read) answer.dataLength = m.count;
                    break;
                }
                case Type::Notify:
                    if (!validChannel) {
                        answer.status = EINVAL;
                        break;
                    }
                    {
                        Channel& ch = *card.channels[m.channel];
                        std::lock_guard lock(ch.mutex);
                        ch.notify = true;
                        ch.armed = false;
                    }
                    break;
                case Type::BeforeWait:
                    // Channels whose line is active now are notified by the answer itself.
                    for (uint8_t c = 0; c < kPciChannels; ++c) {
                        Channel& ch = *card.channels[c];
                        std::lock_guard lock(ch.mutex);
                        if (!ch.notify) continue;
                        ch.armed = !ch.chip.InterruptActive();
                        if (!ch.armed) answer.count = static_cast<uint16_t>(answer.count | (1u << c));
                    }
                    break;
                case Type::OpenClose:
                    for (auto& ch : card.channels) {
                        std::lock_guard lock(ch->mutex);
                        ch->notify = ch->armed = false;
                    }
                    break;
                default:
                    return;  // only a card sends these: the host broke the protocol
            }
            if (!SendTo(fd, out, halbox::link::Encode(answer, out), card)) return;
        }
        pending.erase(pending.begin(), pending.begin() + static_cast<std::ptrdiff_t>(at));
    }
}

void PciCardServer::CheckInterrupt(uint8_t cardIndex, uint8_t channel) {
    Card& card = CardAt(cardIndex);
    Channel& ch = *card.channels[channel];
    if (!ch.notify || !ch.armed || !ch.chip.InterruptActive()) return;
    ch.armed = false;
    Message m;
    m.type = Type::Interrupt;
    m.channel = channel;
    uint8_t out[halbox::link::kHeaderSize];
    const size_t size = halbox::link::Encode(m, out);
    std::lock_guard lock(card.linkMutex);
    if (card.fd < 0) return;
    if (send(card.fd, out, size, MSG_NOSIGNAL) == static_cast<ssize_t>(size)) ++card.interrupts;
}

void PciCardServer::OnBusFrame(uint8_t card, uint8_t channel, const CanFrame& frame) {
    Channel& ch = ChannelAt(card, channel);
    std::lock_guard lock(ch.mutex);
    ch.chip.FrameFromBus(frame, NowUs());
    CheckInterrupt(card, channel);
    ch.changed.notify_all();
}

bool PciCardServer::CardPresent(uint8_t card) const {
    if (card >= kPciCards || !cards_[card]) return false;
    std::lock_guard lock(cards_[card]->linkMutex);
    return !cards_[card]->removed;
}

bool PciCardServer::CardLinked(uint8_t card) const {
    if (card >= kPciCards || !cards_[card]) return false;
    std::lock_guard lock(cards_[card]->linkMutex);
    return cards_[card]->fd >= 0;
}

VirtualBus& PciCardServer::Bus(uint8_t card, uint8_t channel) {
    return *ChannelAt(card, channel).bus;
}

Sja1000Counters PciCardServer::ChipCounters(uint8_t card, uint8_t channel) const {
    const Channel& ch = ChannelAt(card, channel);
    std::lock_guard lock(ch.mutex);
    return ch.chip.Counters();
}

std::array<uint8_t, 13> PciCardServer::TransmitBuffer(uint8_t card, uint8_t channel) const {
    const Channel& ch = ChannelAt(card, channel);
    std::lock_guard lock(ch.mutex);
    std::array<uint8_t, 13> bytes;
    std::copy(ch.chip.TransmitBuffer(), ch.chip.TransmitBuffer() + 13, bytes.begin());
    return bytes;
}

uint64_t PciCardServer::RegisterExchanges(uint8_t card) const {
    return CardAt(card).exchanges.load();
}

uint64_t PciCardServer::InterruptsSent(uint8_t card) const {
    return CardAt(card).interrupts.load();
}

void PciCardServer::InjectFromBus(uint8_t card, uint8_t channel, const CanFrame& frame) {
    OnBusFrame(card, channel, frame);
}

void PciCardServer::ForceBusOff(uint8_t card, uint8_t channel, bool raiseInterrupt) {
    Channel& ch = ChannelAt(card, channel);
    std::lock_guard lock(ch.mutex);
    ch.chip.ForceBusOff(raiseInterrupt, NowUs());
    CheckInterrupt(card, channel);
    ch.changed.notify_all();
}

bool PciCardServer::WaitForChip(uint8_t card, uint8_t channel,
                                const std::function<bool(const Sja1000Counters&)>& ready,
                                uint32_t timeoutMs) const {
    const Channel& ch = ChannelAt(card, channel);
    std::unique_lock lock(ch.mutex);
    return ch.changed.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                               [&] { return ready(ch.chip.Counters()); });
}

void PciCardServer::RemoveCard(uint8_t card) {
    Card& c = CardAt(card);
    std::lock_guard lock(c.linkMutex);
    c.removed = true;
    if (c.fd >= 0) shutdown(c.fd, SHUT_RDWR);
    c.fd = -1;
}

void PciCardServer::RestoreCard(uint8_t card) {
    Card& c = CardAt(card);
    std::lock_guard lock(c.linkMutex);
    c.removed = false;
}

void PciCardServer::SetSlowDraining(uint8_t card, uint32_t microseconds) {
    CardAt(card).slowUs = microseconds;
}

}  // namespace norvane::sim
