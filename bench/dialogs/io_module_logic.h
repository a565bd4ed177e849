#pragma once
// The I/O module dialog without a display: port functions, port-change notification and initial
// levels (read-modify-write of the KYDMCFG word), outputs and inputs, analog readings, and the
// two PWM channels. Runs on the user-interface thread and blocks for its SDK calls; the view
// copies its controls into the state before a command and shows the state afterwards.
#include <string>
#include <vector>

#include "bench/dialogs/device_target.h"
#include "bench/dialogs/io_ports.h"

namespace norvane::bench {

/// What one waveform picture shows.
struct Waveform {
    std::string periodLabel;
    std::string dutyLabel;
    int dutyPercent = 0;
};

struct IoModuleState {
    IoVariant variant;
    PortArray<std::vector<int>> selectorCodes;  ///< the items of each port's selector
    PortArray<int> selectorItem{};              ///< selected item per port, -1 = none
    PortArray<bool> notify{}, initial{}, outputs{};
    PortArray<bool> inputLeds{}, outputLeds{};
    PortArray<bool> analogEnabled{}, analogTicked{};
    bool selectAll = false;
    PortArray<std::string> analogValue, analogVolts;
    PwmTexts pwmTexts = TextsOf(PwmFields{});
    int slider = 1;
    int sliderMin = 1, sliderMax = 2500;
    Waveform wave1, wave2;  ///< port 7 and port 8
    std::string period1, period2, duty1, duty2;
};

class IoModuleLogic {
public:
    explicit IoModuleLogic(const DeviceTarget& target) : t_(target) {}

    /// Reads the model, fills the selectors, reads notification, configuration, PWM settings
    /// (unless the variant has no PWM) and inputs; all output LEDs dark.
    void Open();

    void SetPortConfig();
    void SetNotify() { SetMcfgByte(false); }
    void SetInitialLevels() { SetMcfgByte(true); }
    /// An output box changed: its LED follows at once, nothing is sent.
    void OutputBoxChanged(int port, bool ticked);
    void SetOutputs();
    void QueryInputs();
    void QueryAnalog();
    void SelectAll(bool ticked);
    /// The PWM apply button (and Enter).
    void ApplyPwm();
    /// The slider moved to position: PBR follows, the fields are shown and the settings sent.
    void SliderMoved(int position);
    /// The PBR text changed: when the fields are valid the slider follows (nothing is sent).
    void PbrTextChanged();
    /// A base or duty text changed.
    void RefreshDisplays();

    IoModuleState& State() { return s_; }

private:
    void ReadMcfg();
    bool ReadPortConfig();
    void ShowConfig(uint32_t word);
    void UpdateAnalogBoxes(uint32_t word);
    void ReadPwm();
    void SetMcfgByte(bool high);
    std::optional<PwmFields> Exchange(bool report);

    DeviceTarget t_;
    IoModuleState s_;
};

}  // namespace norvane::bench
