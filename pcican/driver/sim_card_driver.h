#pragma once
// The simulated card's backend: one Unix-domain stream link to norvane-sim (or an in-process
// PciCardServer) per open card, speaking link_messages.h.
//
// Threads: callers of the CardDriver operations take turns for one exchange at a time (a request,
// then its answer, at most the exchange time-out); the caller reads the link itself until its
// answer comes, so an exchange costs one hand-over to the card and one back. Each request carries
// a tag of its own and only the answer with that tag completes it: an answer to a request that
// timed out is dropped when it comes, never taken for a later request. Between exchanges a reader
// thread reads what the card sends (Interrupt messages); whoever reads sets the registered event
// of an Interrupt. When the link breaks (the card disappeared), every later request fails with
// ENOTCONN.
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "pcican/driver/card_driver.h"
#include "pcican/driver/link_messages.h"

namespace norvane::halbox {

class SimCardDriver : public CardDriver {
public:
    static constexpr uint32_t kExchangeTimeoutMs = 2000;

    /// Connects and says Hello for card; nullptr when nothing listens at path or the card is absent.
    /// exchangeTimeoutMs bounds each exchange (tests shorten it).
    static std::unique_ptr<SimCardDriver> Connect(const std::string& path, uint32_t card,
                                                  uint32_t exchangeTimeoutMs = kExchangeTimeoutMs);
    ~SimCardDriver() override;

    bool ReadRegisters(uint32_t channel, uint32_t address, uint8_t* out, uint32_t count, uint32_t& delivered,
                       uint32_t& error) override;
    bool WriteRegisters(uint32_t channel, uint32_t address, const uint8_t* data, uint32_t count) override;
    bool SetNotification(uint32_t channel, std::shared_ptr<platform::Event> event) override;
    bool BeforeWait() override;
    bool OpenCloseRequest() override;

    /// Answers dropped because their tag was not the one awaited (late answers).
    uint64_t StaleAnswers() const;

private:
    SimCardDriver(int fd, uint32_t exchangeTimeoutMs);
    /// Sends request and waits for its answer; false with error on a broken link or time-out.
    bool Exchange(const link::Message& request, link::Message& answer, uint32_t& error);
    bool Send(const link::Message& message);
    /// With readMutex_: waits up to timeoutMs for bytes (0: takes only what is there), reads
    /// them and handles every whole message. false when the link broke.
    bool ReadAvailable(int timeoutMs);
    void ReadLoop();

    const int fd_;
    const uint32_t timeoutMs_;
    std::mutex exchangeMutex_;  ///< one exchange at a time; guards lastTag_
    uint32_t lastTag_ = 0;
    std::mutex sendMutex_;  ///< one writer at a time (BeforeWait is sent outside an exchange)

    mutable std::mutex readMutex_;  ///< the link's read side and everything below
    std::vector<uint8_t> pending_;
    bool waiting_ = false;
    link::Type expected_ = link::Type::ReadAnswer;  ///< the awaited answer's type
    uint32_t expectedTag_ = 0;                      ///< and tag
    bool haveAnswer_ = false;
    uint64_t staleAnswers_ = 0;
    link::Message answer_;
    bool broken_ = false;
    std::shared_ptr<platform::Event> events_[2];

    std::thread reader_;
};

}  // namespace norvane::halbox
