#pragma once
// Who uses each PCI card, so that a card is closed only when its last user lets it go. A user
// (an open channel, a probe, a search visiting the card) holds a CardLease: taking it opens the
// card unless other users hold it open, and giving it back closes the card when no other lease
// of it is left. Deciding and opening, or deciding and closing, happen under one lock, so a
// search that finishes with a card can never close it under a channel another thread opened
// meanwhile, and a lease is given back once, by its holder only.
//
// The cards are the process's (one card library state per process), so there is one table per
// process, keyed by the bound library and the card index. Thread-safe. Lock order: the table's
// lock is taken before the card library's own locks and under no lock of the SDK's ports.
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <utility>

#include "sdk/can/halbox_binding.h"

namespace norvane::sdk::can {

class CardUse;

/// One use of one card; movable, not copyable; empty when the card could not be opened.
class CardLease {
public:
    CardLease() = default;
    CardLease(CardLease&& other) noexcept { *this = std::move(other); }
    CardLease& operator=(CardLease&& other) noexcept;
    CardLease(const CardLease&) = delete;
    CardLease& operator=(const CardLease&) = delete;
    ~CardLease() { Release(); }

    explicit operator bool() const { return table_ != nullptr; }
    /// Gives the use back (closing the card when it was the last); nothing for an empty lease.
    void Release();

private:
    friend class CardUse;
    CardLease(CardUse* table, std::shared_ptr<const HalboxEntries> halbox, uint32_t card)
        : table_(table), halbox_(std::move(halbox)), card_(card) {}
    CardUse* table_ = nullptr;
    std::shared_ptr<const HalboxEntries> halbox_;
    uint32_t card_ = 0;
};

class CardUse {
public:
    /// The process's table.
    static CardUse& Process();

    /// Opens card through halbox (Marlix_OpenDevice, which keeps a card already open as it is)
    /// and counts one more user of it; an empty lease when the library does not open the card.
    CardLease Acquire(std::shared_ptr<const HalboxEntries> halbox, uint32_t card);
    /// Leases held on the card now.
    uint32_t Users(const HalboxEntries& halbox, uint32_t card) const;

private:
    friend class CardLease;
    void Release(const HalboxEntries& halbox, uint32_t card);

    mutable std::mutex lock_;
    std::map<std::pair<const HalboxEntries*, uint32_t>, uint32_t> users_;
};

}  // namespace norvane::sdk::can
