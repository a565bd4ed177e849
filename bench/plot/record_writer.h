#pragma once
// Writes recorded samples to a CSV file on a thread of its own, so that sampling never waits for
// the disk: Push only queues (a bounded queue; a sample that finds it full is dropped and
// counted). Each batch written is flushed, so the file holds whole rows whenever it is read.
// Close writes what is queued, closes the file and joins the thread. Open, Close and the counts
// from the controlling thread; Push from any one thread.
#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "bench/plot/sampler.h"

namespace norvane::bench {

class RecordWriter {
public:
    explicit RecordWriter(size_t capacity = 65536) : capacity_(capacity) {}
    ~RecordWriter() { Close(); }
    RecordWriter(const RecordWriter&) = delete;
    RecordWriter& operator=(const RecordWriter&) = delete;

    /// Creates (or truncates) path and writes the header line; false with the system's reason.
    bool Open(const std::string& path, std::string& error);
    bool IsOpen() const;
    /// Queues the samples; never blocks on the file. Those that do not fit are dropped and counted.
    void Push(const std::vector<Sample>& samples);
    /// Writes the queue, closes the file and joins the writer (nothing when not open). false when
    /// a write or the close failed.
    bool Close();

    uint64_t Written() const;
    uint64_t Dropped() const;
    /// The first write error, empty while there was none.
    std::string WriteError() const;

private:
    void Loop();

    const size_t capacity_;
    std::FILE* file_ = nullptr;  ///< owned by the writer thread while it runs
    std::thread thread_;
    mutable std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<Sample> queue_;  ///< guarded by mutex_
    bool open_ = false;         ///< guarded by mutex_
    bool closing_ = false;      ///< guarded by mutex_
    uint64_t written_ = 0;      ///< guarded by mutex_
    uint64_t dropped_ = 0;      ///< guarded by mutex_
    std::string writeError_;    ///< guarded by mutex_
};

}  // namespace norvane::bench
