#include "sdk/core/traffic_recorder.h"

#include <chrono>
#include <cstdio>
#include <cstring>

#include "sdk/core/traffic_tap.h"

namespace norvane::sdk {

TrafficRecorder& TrafficRecorder::Global() {
    // Created before the first port records and destroyed after the ports: the writer writes
    // what is queued when the process ends.
    static TrafficRecorder recorder;
    return recorder;
}

TrafficRecorder::TrafficRecorder() = default;

TrafficRecorder::~TrafficRecorder() {
    std::lock_guard configure(configureLock_);
    StopWriter();
}

std::string TrafficRecorder::Path() const {
    std::lock_guard lock(lock_);
    return path_;
}

void TrafficRecorder::Configure(const std::string& path) {
    std::lock_guard configure(configureLock_);
    {
        std::lock_guard lock(lock_);
        if (path == path_ && (path.empty() || writer_.joinable())) return;
    }
    StopWriter();
    if (path.empty()) return;
    {
        std::lock_guard lock(lock_);
        queue_.assign(kQueueLines, Line{});
        queued_ = 0;
        inFlight_ = 0;
        stop_ = false;
        path_ = path;
    }
    writer_ = std::thread([this, path] { WriterLoop(path); });
    on_.store(true);
}

void TrafficRecorder::StopWriter() {
    on_.store(false);
    {
        std::lock_guard lock(lock_);
        stop_ = true;
        path_.clear();
    }
    wake_.notify_all();
    if (writer_.joinable()) writer_.join();
}

bool TrafficRecorder::Push(const char* line, size_t length) {
    if (length == 0 || length > kMaxCandumpLine) return false;
    bool wake = false;
    {
        std::lock_guard lock(lock_);
        if (stop_ || !on_.load(std::memory_order_relaxed)) return false;
        if (queued_ >= queue_.size()) {
            dropped_.fetch_add(1);
            return false;
        }
        Line& slot = queue_[queued_++];
        std::memcpy(slot.text, line, length);
        slot.length = static_cast<uint8_t>(length);
        // The writer is woken by the first line of a batch and when a quarter of the queue is
        // full, not for every line: a wake-up per frame would cost the recording threads more
        // than the line itself.
        wake = queued_ == 1 || queued_ == kWakeLines;
    }
    if (wake) wake_.notify_one();
    return true;
}

bool TrafficRecorder::Flush(uint32_t timeoutMs) {
    std::unique_lock lock(lock_);
    ++flushWaiters_;
    wake_.notify_all();
    const bool drained = drained_.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                                           [this] { return queued_ == 0 && inFlight_ == 0; });
    --flushWaiters_;
    return drained;
}

void TrafficRecorder::WriterLoop(const std::string& path) {
    // Opened here, not in Configure: a file that blocks on open (a FIFO nobody reads yet) holds
    // up only the writer.
    FILE* file = std::fopen(path.c_str(), "w");
    std::vector<Line> batch(kQueueLines);
    std::unique_lock lock(lock_);
    for (;;) {
        wake_.wait(lock, [this] { return stop_ || queued_ > 0; });
        if (queued_ == 0 && stop_) break;
        // Lines gather for a moment, so that one write takes many of them.
        wake_.wait_for(lock, kGatherTime,
                       [this] { return stop_ || flushWaiters_ > 0 || queued_ >= kWakeLines; });
        // Swapping hands the writer the whole queue at once and the recorders an empty one.
        std::swap(batch, queue_);
        const size_t taken = queued_;
        inFlight_ = taken;
        queued_ = 0;
        lock.unlock();
        size_t ok = 0;
        for (size_t i = 0; i < taken; ++i) {
            const Line& line = batch[i];
            if (file != nullptr && std::fwrite(line.text, 1, line.length, file) == line.length) ++ok;
        }
        if (file != nullptr) std::fflush(file);
        written_.fetch_add(ok);
        failed_.fetch_add(taken - ok);
        lock.lock();
        inFlight_ = 0;
        drained_.notify_all();
    }
    lock.unlock();
    if (file != nullptr) std::fclose(file);
}

bool TrafficWanted() {
    return TrafficRecorder::Global().On() || TrafficTap::Global().On();
}

void RecordTraffic(uint32_t handle, TrafficDirection direction, bool firstGen, const KymCanMsg& message) {
    if (!TrafficWanted()) return;
    RecordBusFrame(handle, direction,
                   direction == TrafficDirection::Sent ? SentBusFrame(message, firstGen)
                                                       : ReceivedBusFrame(message, firstGen));
}

void RecordBusFrame(uint32_t handle, TrafficDirection direction, const BusFrame& frame) {
    TrafficRecorder& recorder = TrafficRecorder::Global();
    TrafficTap& tap = TrafficTap::Global();
    const bool toFile = recorder.On();
    if (!toFile && !tap.On()) return;
    const auto now = std::chrono::system_clock::now().time_since_epoch();
    const auto micros =
        static_cast<uint64_t>(std::chrono::duration_cast<std::chrono::microseconds>(now).count());
    if (tap.On()) tap.Push(TrafficRecord(micros, handle, direction, frame));
    if (!toFile) return;
    char iface[32];
    TrafficInterfaceName(handle, direction, iface, sizeof iface);
    char line[kMaxCandumpLine];
    recorder.Push(line, CandumpLine(micros, iface, frame, line, sizeof line));
}

}  // namespace norvane::sdk
