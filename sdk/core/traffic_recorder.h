#pragma once
// The SDK's traffic recording: every frame a port sends or receives, as one candump log line,
// written to one file by a writer thread.
//
// Threads: any thread records (host threads when they send, receive threads when they file);
// recording never waits for the file: lines go into a bounded queue, and when the writer has
// fallen behind and the queue is full, the line is dropped and counted. The writer writes in
// batches (lines reach the file within about 20 ms, at once on Flush). Configure and Flush may
// be called from any thread. Off (the default), recording costs one relaxed atomic load.
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "norvane/NorvaneFunc.h"
#include "sdk/core/traffic_line.h"

namespace norvane::sdk {

class TrafficRecorder {
public:
    /// Lines the queue holds while the writer is busy with the previous batch.
    static constexpr size_t kQueueLines = 8192;
    /// Queued lines that wake the writer before its gathering time is up.
    static constexpr size_t kWakeLines = kQueueLines / 4;
    /// How long the writer lets lines gather after the first of a batch (a Flush ends it).
    static constexpr std::chrono::milliseconds kGatherTime{20};

    static TrafficRecorder& Global();
    TrafficRecorder();
    ~TrafficRecorder();
    TrafficRecorder(const TrafficRecorder&) = delete;
    TrafficRecorder& operator=(const TrafficRecorder&) = delete;

    /// Records into path from now on (the file is created or emptied by the writer thread); an
    /// empty path switches recording off. Naming the file it already writes changes nothing.
    /// Switching waits for the previous writer to write what it holds.
    void Configure(const std::string& path);
    bool On() const { return on_.load(std::memory_order_relaxed); }
    std::string Path() const;

    /// Queues one line; false (counted as dropped) when the queue is full or recording is off.
    bool Push(const char* line, size_t length);
    /// Waits until every line queued so far is written and flushed, at most timeoutMs.
    bool Flush(uint32_t timeoutMs);
    uint64_t Dropped() const { return dropped_.load(); }
    uint64_t Written() const { return written_.load(); }
    /// Lines that could not be written (the file could not be opened or a write failed).
    uint64_t Failed() const { return failed_.load(); }

private:
    struct Line {
        uint8_t length = 0;
        char text[kMaxCandumpLine];
    };
    void WriterLoop(const std::string& path);
    void StopWriter();

    std::mutex configureLock_;  ///< serialises Configure
    mutable std::mutex lock_;   ///< guards the fields below
    std::condition_variable wake_;
    std::condition_variable drained_;
    std::vector<Line> queue_;  ///< filled by Push, swapped out whole by the writer
    size_t queued_ = 0;
    size_t inFlight_ = 0;   ///< lines the writer took and has not finished writing
    int flushWaiters_ = 0;  ///< threads waiting in Flush: the writer does not gather then
    bool stop_ = false;
    std::string path_;
    std::thread writer_;
    std::atomic<bool> on_{false};
    std::atomic<uint64_t> dropped_{0};
    std::atomic<uint64_t> written_{0};
    std::atomic<uint64_t> failed_{0};
};

/// Whether anyone takes the traffic: the file recorder or the host's traffic callback.
bool TrafficWanted();
/// Records one message of the port with handle: the frame it stands for in the given
/// direction and generation, stamped with the wall clock now, to the file and to the traffic
/// callback. Does nothing while neither is on.
void RecordTraffic(uint32_t handle, TrafficDirection direction, bool firstGen, const KymCanMsg& message);
/// Records one bus frame of the port with handle as it stands. Does nothing while neither is on.
void RecordBusFrame(uint32_t handle, TrafficDirection direction, const BusFrame& frame);

}  // namespace norvane::sdk
