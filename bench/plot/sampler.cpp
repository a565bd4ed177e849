#include "bench/plot/sampler.h"

#include <algorithm>

namespace norvane::bench {

Sampler::Sampler(Read read, Sink sink, SamplerClock& clock)
    : read_(std::move(read)), sink_(std::move(sink)), clock_(clock) {}

void Sampler::Start(std::vector<SamplePoint> points, std::chrono::milliseconds period) {
    Stop();
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopRequested_ = false;
        totals_ = {};
    }
    stopping_ = false;
    running_ = true;
    thread_ = std::thread([this, points = std::move(points), period = std::max(period, kMinSamplePeriod)] {
        Loop(points, period);
    });
}

void Sampler::Stop() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopRequested_ = true;
    }
    stopping_ = true;
    wake_.notify_all();
    if (thread_.joinable()) thread_.join();
    running_ = false;
}

SamplerTotals Sampler::Totals() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return totals_;
}

void Sampler::Loop(std::vector<SamplePoint> points, std::chrono::milliseconds period) {
    const auto wallStart = std::chrono::system_clock::now();
    SampleSchedule schedule(clock_.Now(), period);
    const auto stopped = [this] { return stopRequested_; };
    std::unique_lock<std::mutex> lock(mutex_);
    while (!stopRequested_) {
        clock_.WaitUntil(wake_, lock, schedule.Due(), stopped);
        if (stopRequested_) break;
        lock.unlock();
        std::vector<Sample> round;
        round.reserve(points.size());
        uint64_t failed = 0;
        for (const SamplePoint& point : points) {
            if (stopping_) break;  // a stop waits for one read at most
            Sample sample;
            sample.node = point.node;
            sample.quantity = point.quantity;
            sample.reading = read_(point.node, point.quantity);
            const auto elapsed = clock_.Now() - schedule.Start();
            sample.time =
                wallStart + std::chrono::duration_cast<std::chrono::system_clock::duration>(elapsed);
            sample.elapsedMs = std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count();
            if (sample.reading.result != 1) ++failed;
            round.push_back(std::move(sample));
        }
        const size_t taken = round.size();
        sink_(std::move(round));
        const uint64_t skipped = schedule.Advance(clock_.Now());
        lock.lock();
        ++totals_.rounds;
        totals_.samples += taken;
        totals_.failed += failed;
        totals_.missed += skipped * points.size();
    }
    running_ = false;
}

}  // namespace norvane::bench
