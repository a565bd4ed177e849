#pragma once
// Motion of one simulated stepper axis: continuous run at a speed, relative and absolute moves,
// encoder-target moves and origin search. Constant speed (no ramps): the position advances by
// speed x elapsed time, with the fraction of a step carried over. Pure: no locks, no I/O.
#include <cstdint>

namespace norvane::sim::nodes {

class MotionModel {
public:
    enum class Mode { Idle, Run, Move, Origin };

    /// Speed used by moves when the commanded speed is 0 (pulses per second).
    static constexpr uint32_t kDefaultMoveSpeed = 1000;

    /// Continuous run; speed 0 stops.
    void Run(int32_t pps);
    /// Move to an absolute step position at |pps| (0: default speed). A move to the current
    /// position completes at the next Advance.
    void MoveTo(int64_t target, int32_t pps);
    void MoveBy(int64_t steps, int32_t pps);
    /// Run at pps until FoundOrigin() is called.
    void SearchOrigin(int32_t pps);
    /// Changes the speed of a run or the magnitude of a move/search in progress.
    void ChangeSpeed(int32_t pps);
    void Stop();
    /// Origin found: position (and encoder) become 0 and motion stops.
    void FoundOrigin();
    void SetPosition(int64_t position);

    /// Advances the axis; returns true when a move reached its target during this step.
    bool Advance(uint64_t elapsedMs);

    Mode CurrentMode() const { return mode_; }
    bool Moving() const { return mode_ != Mode::Idle; }
    int64_t Position() const { return position_; }
    int64_t Target() const { return target_; }
    /// Signed speed of the current motion (0 when idle).
    int32_t Velocity() const;
    /// Total steps travelled since the last reset (an odometer).
    uint64_t Travelled() const { return travelled_; }
    /// Direction of the last motion: true when it counted down.
    bool Reverse() const { return reverse_; }
    void SetReverse(bool reverse) { reverse_ = reverse; }

private:
    static uint32_t Magnitude(int32_t pps);

    Mode mode_ = Mode::Idle;
    int64_t position_ = 0;
    int64_t target_ = 0;
    int32_t speed_ = 0;      ///< signed for Run/Origin, magnitude for Move
    uint64_t fraction_ = 0;  ///< step fraction carried between advances, in 1/1000 step
    uint64_t travelled_ = 0;
    bool reverse_ = false;
};

}  // namespace norvane::sim::nodes
