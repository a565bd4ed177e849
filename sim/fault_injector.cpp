#include "sim/fault_injector.h"

namespace norvane::sim {

void FaultInjector::DropAnswers(uint32_t n) {
    std::lock_guard lock(mutex_);
    drop_ = n;
}

void FaultInjector::DelayAnswers(uint32_t n, uint32_t ms) {
    std::lock_guard lock(mutex_);
    delay_ = n;
    delayMs_ = ms;
}

void FaultInjector::SplitAnswers(uint32_t n, uint32_t pauseMs) {
    std::lock_guard lock(mutex_);
    split_ = n;
    splitPauseMs_ = pauseMs == 0 ? 1 : pauseMs;
}

void FaultInjector::AnswerWithError(uint8_t errorCode, uint32_t n) {
    std::lock_guard lock(mutex_);
    errors_ = n;
    errorCode_ = errorCode;
}

void FaultInjector::SetSilent(bool silent) {
    std::lock_guard lock(mutex_);
    silent_ = silent;
}

void FaultInjector::Reset() {
    std::lock_guard lock(mutex_);
    drop_ = delay_ = delayMs_ = split_ = splitPauseMs_ = errors_ = 0;
    errorCode_ = 0;
    silent_ = false;
}

AnswerFate FaultInjector::NextAnswerFate() {
    std::lock_guard lock(mutex_);
    AnswerFate fate;
    if (silent_) {
        fate.drop = true;
        return fate;
    }
    if (drop_ > 0) {
        --drop_;
        fate.drop = true;
        return fate;
    }
    if (delay_ > 0) {
        --delay_;
        fate.delayMs = delayMs_;
    }
    if (split_ > 0) {
        --split_;
        fate.splitPauseMs = splitPauseMs_;
    }
    return fate;
}

std::optional<uint8_t> FaultInjector::TakeErrorReport() {
    std::lock_guard lock(mutex_);
    if (errors_ == 0) return std::nullopt;
    --errors_;
    return errorCode_;
}

bool FaultInjector::Silent() const {
    std::lock_guard lock(mutex_);
    return silent_;
}

}  // namespace norvane::sim
