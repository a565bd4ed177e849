#include "bench/dialogs/temperature_logic.h"

#include <cmath>
#include <cstdio>
#include <cstring>

namespace norvane::bench {

namespace {

uint8_t ByteOf(const KymReply& record, size_t index) {
    uint8_t bytes[sizeof record];
    std::memcpy(bytes, &record, sizeof record);
    return bytes[index];
}

// The device sends two's complement: below zero is a negative temperature, not 6553 degrees.
int Signed16(uint8_t low, uint8_t high) {
    return static_cast<int16_t>(static_cast<uint16_t>(low | high << 8));
}

}  // namespace

TemperatureRecord DecodeTemperature(const KymReply& a, const KymReply& b) {
    TemperatureRecord r;
    r.state = ByteOf(a, 4);
    r.ambient = Signed16(ByteOf(a, 5), ByteOf(a, 6));
    r.set = Signed16(ByteOf(a, 7), ByteOf(a, 8));
    r.measured = Signed16(ByteOf(a, 9), ByteOf(b, 4));
    return r;
}

std::string TemperatureText(int tenths) {
    char text[32];
    std::snprintf(text, sizeof text, "%3.1f°C", tenths / 10.0);
    return text;
}

std::optional<int32_t> DesiredTenths(double degrees) {
    const double tenths = std::round(degrees * 10);
    if (!(tenths >= INT16_MIN && tenths <= INT16_MAX)) return std::nullopt;
    return static_cast<int32_t>(tenths);
}

std::optional<TemperatureRecord> TemperatureLogic::Read() {
    KymReply a{}, b{};
    if (t_.sdk.GetDMA(t_.handle, t_.node, 0, &a) != 1) return std::nullopt;
    if (t_.sdk.GetDMA(t_.handle, t_.node, 6, &b) != 1) return std::nullopt;
    return DecodeTemperature(a, b);
}

void TemperatureLogic::Show(const TemperatureRecord& record) {
    if (s_.startCaption == kStartCaption) {
        if (record.state != 0) s_.startCaption = kStandbyCaption;
    } else if (record.state != 1) {
        s_.startCaption = kStartCaption;
    }
    s_.ambient = TemperatureText(record.ambient);
    s_.set = TemperatureText(record.set);
    s_.measured = TemperatureText(record.measured);
}

void TemperatureLogic::Open() {
    if (const auto record = Read()) Show(*record);
    {
        std::lock_guard<std::mutex> lock(mutex_);
        running_ = true;
    }
    enabled_.store(true);
    worker_ = std::thread(&TemperatureLogic::Work, this);
}

void TemperatureLogic::Work() {
    std::unique_lock<std::mutex> lock(mutex_);
    while (running_) {
        // The pause ends early when the dialog closes.
        if (wake_.wait_for(lock, interval_, [this] { return !running_; })) break;
        if (!enabled_.load()) continue;
        lock.unlock();
        const auto record = Read();
        if (record) post_([this, r = *record] { Show(r); });
        lock.lock();
    }
}

void TemperatureLogic::Close() {
    enabled_.store(false);
    {
        std::lock_guard<std::mutex> lock(mutex_);
        running_ = false;
    }
    wake_.notify_all();
    if (worker_.joinable()) worker_.join();
}

void TemperatureLogic::StartButton() {
    const bool start = s_.startCaption == kStartCaption;
    if (t_.sdk.KymAdvENA(t_.handle, t_.node, start ? 1 : 0, 0, nullptr) != 1) {
        t_.PlainKey(start ? "IDS_TMP_OPEN_FAIL" : "IDS_TMP_CLOSE_FAIL");
        return;
    }
    s_.startCaption = start ? kStandbyCaption : kStartCaption;
}

void TemperatureLogic::SetTemperature(double degrees) {
    const auto tenths = DesiredTenths(degrees);
    if (!tenths) {
        t_.PlainKey("IDS_TMP_OUT_OF_RANGE");
        return;
    }
    if (t_.sdk.SetQEC(t_.handle, t_.node, *tenths, 0, nullptr) != 1) t_.PlainKey("IDS_TMP_SET_FAIL");
}

void TemperatureLogic::Save() {
    const int32_t zero = 0;
    KymReply r{};
    if (t_.sdk.KymAdvSTORE(t_.handle, t_.node, &zero, 1, &r) == 1) t_.PlainKey("IDS_TMP_SAVED");
}

}  // namespace norvane::bench
