#pragma once
// The motor parameter dialog's command: it reads the first ticked node's microstep, current and
// standby percentage for the dialog's presets and writes back only what the operator changed.
// Firmware below 1207 knows only the standby settings 100 % (register 0) and 50 % (register 1);
// firmware below 1208 cannot read the register and the status record's ACR field is used.
#include <optional>
#include <string>

#include "bench/core/current_node.h"
#include "bench/panel/panel_host.h"

namespace norvane::bench {

struct MotorParams {
    int microstep = 0;    ///< choice 0..4 for 1, 2, 4, 8, 16
    std::string current;  ///< amperes, "%.1f" when read
    std::string percent;  ///< standby current, 1..100
};

class MotorParamCommand {
public:
    MotorParamCommand(const SdkTable& sdk, const Language& language, UserMessages& messages, PanelHost& host)
        : sdk_(sdk), language_(language), messages_(messages), host_(host) {}

    /// Precheck, motor-off check and the reads; the presets, or nothing when the command ends.
    std::optional<MotorParams> Prepare();
    /// The dialog's OK: checks the entries (false: the dialog stays open, the message was
    /// shown); true otherwise, after writing what differs from the presets (failures are shown).
    bool Apply(const MotorParams& chosen);

private:
    void Error(const char* key);

    const SdkTable& sdk_;
    const Language& language_;
    UserMessages& messages_;
    PanelHost& host_;
    TickedNode node_;
    MotorParams read_;
};

}  // namespace norvane::bench
