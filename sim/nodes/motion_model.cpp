#include "sim/nodes/motion_model.h"

namespace norvane::sim::nodes {

uint32_t MotionModel::Magnitude(int32_t pps) {
    const int64_t v = pps;
    const uint32_t m = static_cast<uint32_t>(v < 0 ? -v : v);
    return m == 0 ? kDefaultMoveSpeed : m;
}

void MotionModel::Run(int32_t pps) {
    fraction_ = 0;
    if (pps == 0) {
        mode_ = Mode::Idle;
        speed_ = 0;
        return;
    }
    mode_ = Mode::Run;
    speed_ = pps;
    reverse_ = pps < 0;
}

void MotionModel::MoveTo(int64_t target, int32_t pps) {
    mode_ = Mode::Move;
    target_ = target;
    speed_ = static_cast<int32_t>(Magnitude(pps) > INT32_MAX ? INT32_MAX : Magnitude(pps));
    fraction_ = 0;
    if (target != position_) reverse_ = target < position_;
}

void MotionModel::MoveBy(int64_t steps, int32_t pps) {
    MoveTo(position_ + steps, pps);
}

void MotionModel::SearchOrigin(int32_t pps) {
    mode_ = Mode::Origin;
    speed_ = pps == 0 ? -static_cast<int32_t>(kDefaultMoveSpeed) : pps;
    reverse_ = speed_ < 0;
    fraction_ = 0;
}

void MotionModel::ChangeSpeed(int32_t pps) {
    if (mode_ == Mode::Run) {
        Run(pps);
    } else if (mode_ == Mode::Move) {
        speed_ = static_cast<int32_t>(Magnitude(pps) > INT32_MAX ? INT32_MAX : Magnitude(pps));
    } else if (mode_ == Mode::Origin && pps != 0) {
        speed_ = pps;
        reverse_ = pps < 0;
    }
}

void MotionModel::Stop() {
    mode_ = Mode::Idle;
    speed_ = 0;
    fraction_ = 0;
}

void MotionModel::FoundOrigin() {
    Stop();
    position_ = 0;
}

void MotionModel::SetPosition(int64_t position) {
    position_ = position;
}

int32_t MotionModel::Velocity() const {
    switch (mode_) {
        case Mode::Idle:
            return 0;
        case Mode::Move:
            return reverse_ ? -speed_ : speed_;
        default:
            return speed_;
    }
}

bool MotionModel::Advance(uint64_t elapsedMs) {
    if (mode_ == Mode::Idle) return false;
    if (elapsedMs > 3'600'000) elapsedMs = 3'600'000;  // one hour at most per step keeps sums in range
    const int64_t v = Velocity();
    const uint64_t magnitude = static_cast<uint64_t>(v < 0 ? -v : v);
    fraction_ += magnitude * elapsedMs;
    const int64_t steps = static_cast<int64_t>(fraction_ / 1000);
    fraction_ %= 1000;
    if (mode_ == Mode::Move) {
        const int64_t remaining = target_ > position_ ? target_ - position_ : position_ - target_;
        if (steps >= remaining) {
            travelled_ += static_cast<uint64_t>(remaining);
            position_ = target_;
            Stop();
            return true;
        }
    }
    travelled_ += static_cast<uint64_t>(steps);
    position_ += v < 0 ? -steps : steps;
    return false;
}

}  // namespace norvane::sim::nodes
