#pragma once
// Faults a test arms on a simulated gateway: dropped, delayed, split or refused answers and
// silence. Thread-safe: tests arm it from their thread, the gateway consumes it from its own.
#include <cstdint>
#include <mutex>
#include <optional>

namespace norvane::sim {

/// What happens to the next frame the gateway sends to the host.
struct AnswerFate {
    bool drop = false;
    uint32_t delayMs = 0;
    uint32_t splitPauseMs = 0;  ///< non-zero: the frame goes out in two pieces with this pause
};

class FaultInjector {
public:
    /// The next n frames to the host are dropped.
    void DropAnswers(uint32_t n);
    /// The next n frames to the host leave ms later (later frames queue behind them).
    void DelayAnswers(uint32_t n, uint32_t ms);
    /// The next n frames to the host are split in two TCP writes pauseMs apart.
    void SplitAnswers(uint32_t n, uint32_t pauseMs = 20);
    /// The next n requests that ask for an answer are not put on the bus; the gateway answers
    /// for the addressed node with an error report (command 15, d1 = command, d2 = code).
    void AnswerWithError(uint8_t errorCode, uint32_t n = 1);
    /// While silent the gateway reads and relays requests but sends nothing back.
    void SetSilent(bool silent);
    /// Disarms everything.
    void Reset();

    // Gateway side.
    AnswerFate NextAnswerFate();
    std::optional<uint8_t> TakeErrorReport();
    bool Silent() const;

private:
    mutable std::mutex mutex_;
    uint32_t drop_ = 0;
    uint32_t delay_ = 0;
    uint32_t delayMs_ = 0;
    uint32_t split_ = 0;
    uint32_t splitPauseMs_ = 0;
    uint32_t errors_ = 0;
    uint8_t errorCode_ = 0;
    bool silent_ = false;
};

}  // namespace norvane::sim
