#pragma once
// The liquid-level detector dialog without a display: the TIP and level thresholds, the
// relative and absolute capacitance, and the reset. Fields are decimal texts. User-interface
// thread only.
#include <string>

#include "bench/dialogs/device_target.h"

namespace norvane::bench {

struct LevelState {
    std::string tip, level, relative, absolute;
};

class LevelLogic {
public:
    explicit LevelLogic(const DeviceTarget& target) : t_(target) {}
    /// The four reads in order; a failed read is reported and leaves its field.
    void Open();
    void QueryTip();
    void QueryLevel();
    void QueryRelative();
    void QueryAbsolute();
    /// A threshold that is not a whole number is reported and nothing is sent.
    void SetTip();
    void SetLevel();
    void Reset();
    LevelState& State() { return s_; }

private:
    using ReadCall = decltype(SdkTable::GetPMB) SdkTable::*;
    using WriteCall = decltype(SdkTable::SetPMB) SdkTable::*;
    bool Read(ReadCall call, std::string& field);
    void Write(WriteCall call, const std::string& field);

    DeviceTarget t_;
    LevelState s_;
};

}  // namespace norvane::bench
