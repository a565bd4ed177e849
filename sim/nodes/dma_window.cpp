#include "sim/nodes/dma_window.h"

#include <algorithm>
#include <iterator>

namespace norvane::sim::nodes {

void DmaWindow::Load(const uint8_t* bytes, size_t length) {
    std::fill(std::begin(content_), std::end(content_), uint8_t{0});
    length_ = std::min(length, kCapacity);
    if (bytes != nullptr) std::copy(bytes, bytes + length_, content_);
    cursor_ = 0;
}

size_t DmaWindow::Read(uint64_t nowMs, uint8_t out[8]) {
    if (everRead_ && nowMs > lastRead_ + kRestartMs) cursor_ = 0;
    everRead_ = true;
    lastRead_ = nowMs;
    const size_t end = length_ == 0 ? 6 : length_;
    if (cursor_ >= end) cursor_ = 0;
    out[0] = static_cast<uint8_t>(cursor_);
    for (size_t i = 0; i < 6; ++i) out[1 + i] = cursor_ + i < kCapacity ? content_[cursor_ + i] : 0;
    out[7] = 0;
    cursor_ += 6;
    if (cursor_ >= end) cursor_ = 0;
    return 7;
}

bool DmaWindow::Write(const CanFrame& request) {
    const size_t length = std::min<size_t>(request.length, 8);
    if (length == 0 || request.data[0] < kWriteBase) return false;
    const size_t offset = request.data[0] - kWriteBase;
    if (offset >= kCapacity) return false;
    for (size_t i = 1; i < length && offset + i - 1 < kCapacity; ++i)
        written_[offset + i - 1] = request.data[i];
    return true;
}

void DmaWindow::ClearWritten() {
    std::fill(std::begin(written_), std::end(written_), uint8_t{0});
}

}  // namespace norvane::sim::nodes
