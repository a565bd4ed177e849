#include "sim/usb_adapter_model.h"

#include <algorithm>
#include <cstring>

namespace norvane::sim {
namespace {

constexpr size_t kSlotBytes = 16;
constexpr size_t kExchangeLimit = 100000;

uint32_t Le32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
           static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}

}  // namespace

UsbAdapterModel::UsbAdapterModel(uint8_t deviceIndex, uint8_t busCode,
                                 std::function<void(const CanFrame&)> send)
    : send_(std::move(send)), busCode_(busCode), index_(deviceIndex) {}

int UsbAdapterModel::Write(const uint8_t* bytes, size_t length) {
    std::vector<CanFrame> toBus;
    int taken = 0;
    {
        std::lock_guard lock(mutex_);
        if (exchanges_.size() < kExchangeLimit) {
            exchanges_.push_back({length > 0 ? bytes[0] : uint8_t{0}, static_cast<uint32_t>(length), -1,
                                  length > 1 ? bytes[length > 10 && bytes[0] == 0x01 ? 10 : 1] : uint8_t{0}});
        }
        if (shortWrite_ && length > 0) {
            // The device took less than it was given: nothing of the request counts.
            shortWrite_ = false;
            replyPending_ = false;
            return static_cast<int>(length) - 1;
        }
        reply_ = Reply(bytes, length);
        replyPending_ = !reply_.empty();
        if (replyPending_ && wrongReply_) {
            wrongReply_ = false;
            reply_[0] = static_cast<uint8_t>(~reply_[0]);
        }
        // A frame the adapter took goes on the bus (outside the lock: the bus may answer at once).
        const bool listening = started_ && code_ == busCode_;
        if (listening && length == 16 && bytes[0] == 0x04 && replyPending_ && reply_.size() == 2 &&
            reply_[1] == 1) {
            CanFrame frame;
            frame.id = Le32(bytes + 2) & 0x1FFFFFFF;
            frame.length = std::min<uint8_t>(bytes[6] & 0x0F, 8);
            frame.extended = (bytes[6] & 0x10) != 0;
            frame.remote = (bytes[6] & 0x20) != 0;
            std::memcpy(frame.data, bytes + 7, 8);
            toBus.push_back(frame);
        }
        taken = static_cast<int>(length);
    }
    for (const CanFrame& frame : toBus) send_(frame);
    return taken;
}

std::vector<uint8_t> UsbAdapterModel::Reply(const uint8_t* bytes, size_t length) {
    if (length == 0) return {};
    const uint8_t command = bytes[0];
    switch (command) {
        case 0x01:
            if (length != 12) return {};
            code_ = bytes[10];
            queue_.clear();
            return {0x01};
        case 0x02:
            started_ = false;
            return {0x02};
        case 0x03:
            started_ = true;
            return {0x03};
        case 0x07:
            return {0x07};
        case 0x04:
            if (length != 16 || bytes[1] != 1) return {0x04, 0};
            // A stopped adapter takes nothing; at another bit rate the frame is taken and lost.
            return {0x04, static_cast<uint8_t>(started_ ? 1 : 0)};
        case 0x05: {
            if (length != 2 || bytes[1] < 1 || bytes[1] > 4) return {};
            const size_t n = bytes[1];
            std::vector<uint8_t> reply(n == 4 ? 64 : kSlotBytes * n, 0);
            reply[0] = 0x05;
            const size_t k = std::min(n, queue_.size());
            reply[1] = static_cast<uint8_t>(k);
            for (size_t i = 0; i < k; ++i) {
                const CanFrame f = queue_.front();
                queue_.pop_front();
                uint8_t slot[kSlotBytes] = {};
                for (int b = 0; b < 4; ++b) slot[b] = static_cast<uint8_t>(f.id >> (8 * b));
                slot[4] =
                    static_cast<uint8_t>((f.remote ? 0x20 : 0) | (f.extended ? 0x10 : 0) | (f.length & 0x0F));
                std::memcpy(slot + 5, f.data, 8);
                const size_t at = 2 + kSlotBytes * i;
                std::memcpy(reply.data() + at, slot, std::min(kSlotBytes, reply.size() - at));
            }
            return reply;
        }
        case 0x06: {
            const size_t count = std::min<size_t>(queue_.size(), 0xFFFF);
            return {0x06, static_cast<uint8_t>(count), static_cast<uint8_t>(count >> 8)};
        }
        case 0x08:
            if (length != 2) return {};
            index_ = bytes[1];
            return {0x08, bytes[1]};
        default:
            return {};
    }
}

int UsbAdapterModel::Read(uint8_t* out, size_t size) {
    std::lock_guard lock(mutex_);
    if (!exchanges_.empty() && exchanges_.back().readSize < 0)
        exchanges_.back().readSize = static_cast<int32_t>(size);
    if (!replyPending_) return -1;
    replyPending_ = false;
    const size_t n = std::min(size, reply_.size());
    std::memcpy(out, reply_.data(), n);
    return static_cast<int>(n);
}

void UsbAdapterModel::FromBus(const CanFrame& frame) {
    std::lock_guard lock(mutex_);
    if (!started_ || code_ != busCode_) return;
    if (queue_.size() >= kQueueLimit) {
        queue_.pop_front();
        ++overflows_;
    }
    queue_.push_back(frame);
}

void UsbAdapterModel::PowerOff() {
    std::lock_guard lock(mutex_);
    started_ = false;
    code_ = -1;
    queue_.clear();
    reply_.clear();
    replyPending_ = false;
}

uint8_t UsbAdapterModel::DeviceIndex() const {
    std::lock_guard lock(mutex_);
    return index_;
}

size_t UsbAdapterModel::Waiting() const {
    std::lock_guard lock(mutex_);
    return queue_.size();
}

std::vector<UsbExchange> UsbAdapterModel::Exchanges() const {
    std::lock_guard lock(mutex_);
    return exchanges_;
}

void UsbAdapterModel::ClearExchanges() {
    std::lock_guard lock(mutex_);
    exchanges_.clear();
}

uint64_t UsbAdapterModel::Overflows() const {
    std::lock_guard lock(mutex_);
    return overflows_;
}

void UsbAdapterModel::ShortWriteNext() {
    std::lock_guard lock(mutex_);
    shortWrite_ = true;
}

void UsbAdapterModel::WrongReplyNext() {
    std::lock_guard lock(mutex_);
    wrongReply_ = true;
}

}  // namespace norvane::sim
