#include "bench/panel/monitor_worker.h"

#include <chrono>

namespace norvane::bench {

void MonitorWorker::Configure(uint32_t gateway, int node, uint32_t intervalMs) {
    gateway_ = gateway;
    node_ = node;
    intervalMs_ = intervalMs;
}

bool MonitorWorker::Running() const {
    std::lock_guard<std::mutex> lock(panelLock_);
    return running_;
}

void MonitorWorker::Start() {
    Stop();
    {
        std::lock_guard<std::mutex> lock(panelLock_);
        stopRequested_ = false;
        running_ = node_ != 0;
    }
    if (node_ == 0) return;  // no ticked node: nothing to watch
    thread_ = std::thread(
        [this, gateway = gateway_, node = node_, interval = intervalMs_] { Loop(gateway, node, interval); });
}

void MonitorWorker::Stop() {
    {
        std::lock_guard<std::mutex> lock(panelLock_);
        stopRequested_ = true;
    }
    wake_.notify_all();
    if (thread_.joinable()) thread_.join();
    std::lock_guard<std::mutex> lock(panelLock_);
    running_ = false;
}

void MonitorWorker::Loop(uint32_t gateway, int node, uint32_t intervalMs) {
    const auto n = static_cast<uint32_t>(node);
    std::unique_lock<std::mutex> lock(panelLock_);
    while (!stopRequested_) {
        // The sleep releases the lock; a stop request ends it early.
        if (wake_.wait_for(lock, std::chrono::milliseconds(intervalMs), [this] { return stopRequested_; }))
            break;
        MonitorReading reading;
        reading.byEncoder = byEncoder_();
        KymReply spd{}, stp{}, pos{};
        const bool ok =
            sdk_.GetSPD(gateway, n, &spd) == 1 && sdk_.GetSTP(gateway, n, &stp) == 1 &&
            (reading.byEncoder ? sdk_.GetQEC(gateway, n, &pos) : sdk_.GetPOS(gateway, n, &pos)) == 1;
        if (!ok) continue;  // nothing is shown for a cycle with a failed read
        reading.speed = spd.field[0];
        reading.displacement = stp.field[0];
        reading.position = pos.field[0];
        lock.unlock();
        sink_(reading);
        lock.lock();
    }
    running_ = false;
}

}  // namespace norvane::bench
