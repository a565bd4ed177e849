#include "sdk/can/card_use.h"

namespace norvane::sdk::can {

CardLease& CardLease::operator=(CardLease&& other) noexcept {
    if (this != &other) {
        Release();
        table_ = std::exchange(other.table_, nullptr);
        halbox_ = std::move(other.halbox_);
        card_ = other.card_;
    }
    return *this;
}

void CardLease::Release() {
    if (table_ == nullptr) return;
    std::exchange(table_, nullptr)->Release(*halbox_, card_);
    halbox_.reset();
}

CardUse& CardUse::Process() {
    static CardUse* const table = new CardUse;  // never destroyed: leases may end at exit
    return *table;
}

CardLease CardUse::Acquire(std::shared_ptr<const HalboxEntries> halbox, uint32_t card) {
    if (!halbox) return {};
    std::lock_guard guard(lock_);
    if (halbox->openDevice(card) != 1) return {};
    ++users_[{halbox.get(), card}];
    return CardLease(this, std::move(halbox), card);
}

uint32_t CardUse::Users(const HalboxEntries& halbox, uint32_t card) const {
    std::lock_guard guard(lock_);
    const auto it = users_.find({&halbox, card});
    return it == users_.end() ? 0 : it->second;
}

void CardUse::Release(const HalboxEntries& halbox, uint32_t card) {
    std::lock_guard guard(lock_);
    const auto it = users_.find({&halbox, card});
    if (it == users_.end()) return;
    if (--it->second > 0) return;
    users_.erase(it);
    halbox.closeDevice(card);
}

}  // namespace norvane::sdk::can
