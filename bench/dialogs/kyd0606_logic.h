#pragma once
// The KYD0606 dialog without a display: eight inputs and eight outputs through one 32-bit word
// (bits 7-0 inputs as read, outputs as written; bits 23-16 outputs as read). User-interface
// thread only.
#include "bench/dialogs/device_target.h"
#include "bench/dialogs/io_ports.h"

namespace norvane::bench {

struct Kyd0606State {
    PortArray<bool> inputLeds{}, outputLeds{}, outputs{};
};

class Kyd0606Logic {
public:
    explicit Kyd0606Logic(const DeviceTarget& target) : t_(target) {}
    /// All output LEDs dark, then a query.
    void Open();
    void Query();
    /// Sends the ticked outputs; the output LEDs show what was sent.
    void Set();
    Kyd0606State& State() { return s_; }

private:
    DeviceTarget t_;
    Kyd0606State s_;
};

}  // namespace norvane::bench
