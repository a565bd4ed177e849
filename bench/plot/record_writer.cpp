#include "bench/plot/record_writer.h"

#include <cerrno>
#include <cstring>

#include "bench/plot/record_csv.h"

namespace norvane::bench {

bool RecordWriter::Open(const std::string& path, std::string& error) {
    Close();
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) {
        error = path + ": " + std::strerror(errno);
        return false;
    }
    const std::string header = RecordHeader();
    if (std::fwrite(header.data(), 1, header.size(), file) != header.size() || std::fflush(file) != 0) {
        error = path + ": " + std::strerror(errno);
        std::fclose(file);
        return false;
    }
    {
        std::lock_guard<std::mutex> lock(mutex_);
        queue_.clear();
        closing_ = false;
        written_ = dropped_ = 0;
        writeError_.clear();
        open_ = true;
    }
    file_ = file;
    thread_ = std::thread([this] { Loop(); });
    return true;
}

bool RecordWriter::IsOpen() const {
    return thread_.joinable();
}

void RecordWriter::Push(const std::vector<Sample>& samples) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (closing_ || !open_) return;
        for (const Sample& sample : samples) {
            if (queue_.size() >= capacity_)
                ++dropped_;
            else
                queue_.push_back(sample);
        }
    }
    wake_.notify_one();
}

bool RecordWriter::Close() {
    if (!thread_.joinable()) return true;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        closing_ = true;
    }
    wake_.notify_one();
    thread_.join();
    const bool closed = std::fclose(file_) == 0;
    file_ = nullptr;
    std::lock_guard<std::mutex> lock(mutex_);
    open_ = false;
    if (!closed && writeError_.empty()) writeError_ = std::strerror(errno);
    return writeError_.empty();
}

void RecordWriter::Loop() {
    std::unique_lock<std::mutex> lock(mutex_);
    while (true) {
        wake_.wait(lock, [this] { return closing_ || !queue_.empty(); });
        if (queue_.empty() && closing_) return;
        std::deque<Sample> batch;
        batch.swap(queue_);
        lock.unlock();
        std::string text;
        for (const Sample& sample : batch) text += RecordRow(sample);
        const bool ok =
            std::fwrite(text.data(), 1, text.size(), file_) == text.size() && std::fflush(file_) == 0;
        const int code = errno;
        lock.lock();
        if (ok)
            written_ += batch.size();
        else if (writeError_.empty())
            writeError_ = std::strerror(code);
    }
}

uint64_t RecordWriter::Written() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return written_;
}

uint64_t RecordWriter::Dropped() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return dropped_;
}

std::string RecordWriter::WriteError() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return writeError_;
}

}  // namespace norvane::bench
