#pragma once
// A serial line on a termios device (a USB adapter, a real UART, or a pseudo-terminal).
//
// Open takes the device exclusively (TIOCEXCL), sets raw 8N1 at the given rate and keeps the
// settings the line had before, which Close restores. Writes give up after 100 ms; reads wait
// with poll. A hang-up (the device went away or the other end of a pty closed) is reported as
// a broken line, never as a wait.
//
// Threads: Write serialises writers; Read is for one reader at a time. Close may run while
// another thread waits in Read or Write: the descriptor is closed only once neither holds it.
#include <termios.h>

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>

namespace norvane::platform {

class SerialLine {
public:
    SerialLine();
    ~SerialLine();
    SerialLine(const SerialLine&) = delete;
    SerialLine& operator=(const SerialLine&) = delete;

    /// Opens path at baud (a rate termios knows, e.g. 9600 .. 115200). false when the device
    /// cannot be opened, is taken by another program, is no terminal, or the rate is unknown.
    bool Open(const std::string& path, uint32_t baud);
    /// Restores the saved settings and closes; true also when already closed.
    bool Close();
    bool IsOpen() const { return fd_.load() >= 0; }
    /// True once a hang-up or an I/O error was seen; the line stays broken until reopened.
    bool Broken() const { return broken_.load(); }

    /// Writes every byte within 100 ms: the number written, -1 when closed, broken or too slow.
    int Write(const uint8_t* bytes, size_t length);
    /// Reads what arrives within waitMs: the number of bytes, 0 when nothing came in time,
    /// -1 when closed or broken.
    int Read(uint8_t* buffer, size_t capacity, uint32_t waitMs);
    /// Drops what waits in the input queue (and output queue when both is true).
    void Purge(bool both = false);

    /// The speed_t for a baud rate, B0 when termios has none for it.
    static speed_t SpeedFor(uint32_t baud);

private:
    void MarkBroken() { broken_.store(true); }

    std::atomic<int> fd_{-1};
    std::atomic<bool> broken_{false};
    std::mutex openLock_;
    std::mutex writeLock_;
    std::mutex readLock_;
    termios saved_{};
    int wake_ = -1;  // eventfd: Close wakes a waiting Read or Write through it
};

}  // namespace norvane::platform
