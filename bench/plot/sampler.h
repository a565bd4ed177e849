#pragma once
// The sampling worker of the plot and the recording: one thread that reads the chosen quantities
// of the chosen nodes once per round, rounds on the fixed grid of SampleSchedule, and hands each
// round's samples to a sink on its own thread (the window queues them to its user-interface
// thread; the recording pushes them to its writer). Stop asks the worker to end after the read
// in flight and joins it; nothing is killed. Start, Stop and Totals from one controlling thread.
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

#include "bench/plot/quantity.h"
#include "bench/plot/sample_schedule.h"

namespace norvane::bench {

/// The shortest period the sampler runs at.
inline constexpr std::chrono::milliseconds kMinSamplePeriod{10};

/// The worker's time: the steady clock in the program, a fake one in tests.
class SamplerClock {
public:
    using TimePoint = SampleSchedule::TimePoint;
    virtual ~SamplerClock() = default;
    virtual TimePoint Now() = 0;
    /// Waits on wake (lock held) until deadline or until stopped() holds.
    virtual void WaitUntil(std::condition_variable& wake, std::unique_lock<std::mutex>& lock,
                           TimePoint deadline, const std::function<bool()>& stopped) = 0;
};

class SteadySamplerClock : public SamplerClock {
public:
    TimePoint Now() override { return std::chrono::steady_clock::now(); }
    void WaitUntil(std::condition_variable& wake, std::unique_lock<std::mutex>& lock, TimePoint deadline,
                   const std::function<bool()>& stopped) override {
        wake.wait_until(lock, deadline, stopped);
    }
};

struct SamplePoint {
    int node = 0;
    Quantity quantity = Quantity::Position;
};

struct Sample {
    std::chrono::system_clock::time_point time;  ///< wall-clock time of the read
    int64_t elapsedMs = 0;                       ///< since the sampler started
    int node = 0;
    Quantity quantity = Quantity::Position;
    Reading reading;
};

struct SamplerTotals {
    uint64_t rounds = 0;   ///< rounds taken
    uint64_t samples = 0;  ///< reads made
    uint64_t failed = 0;   ///< reads whose result was not 1
    uint64_t missed = 0;   ///< reads of rounds skipped because an earlier round ran late
};

class Sampler {
public:
    using Read = std::function<Reading(int node, Quantity quantity)>;
    using Sink = std::function<void(std::vector<Sample>&& round)>;

    /// clock must outlive the sampler.
    Sampler(Read read, Sink sink, SamplerClock& clock);
    explicit Sampler(Read read, Sink sink) : Sampler(std::move(read), std::move(sink), steady_) {}
    ~Sampler() { Stop(); }
    Sampler(const Sampler&) = delete;
    Sampler& operator=(const Sampler&) = delete;

    /// Starts a worker over points (stopping one that runs); a period below kMinSamplePeriod runs
    /// at kMinSamplePeriod. The first round is taken at once. Totals start from zero.
    void Start(std::vector<SamplePoint> points, std::chrono::milliseconds period);
    /// Asks the worker to end after the read in flight and joins it.
    void Stop();
    bool Running() const { return running_.load(); }
    /// The counts so far (any thread).
    SamplerTotals Totals() const;

private:
    void Loop(std::vector<SamplePoint> points, std::chrono::milliseconds period);

    static inline SteadySamplerClock steady_;
    Read read_;
    Sink sink_;
    SamplerClock& clock_;
    std::thread thread_;
    mutable std::mutex mutex_;
    std::condition_variable wake_;
    bool stopRequested_ = false;  ///< guarded by mutex_
    SamplerTotals totals_;        ///< guarded by mutex_
    std::atomic<bool> running_{false};
    std::atomic<bool> stopping_{false};  ///< stopRequested_, read between the reads of a round
};

}  // namespace norvane::bench
