#pragma once
// The register commands of the main window (MCFG, ICFG, S12CON, S34CON): read the
// register of the first ticked node, hand the dialog an editor, and after OK write the composed
// word to every ticked node in row order and check each node's echo. Begin* runs before the
// dialog is shown and returns nothing when the command ends there; Finish* runs after OK. All of
// it runs on the user-interface thread and blocks for the SDK calls (about 500 ms per unanswered
// call).
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "bench/core/language.h"
#include "bench/core/log_writer.h"
#include "bench/core/node_table.h"
#include "bench/core/sdk_table.h"
#include "bench/core/user_messages.h"
#include "bench/dialogs/register_words.h"

namespace norvane::bench {

/// What the register commands take from the main window. Implemented by the window's view over
/// its logic; tests implement it directly.
class RegisterHost {
public:
    virtual ~RegisterHost() = default;
    virtual uint32_t Gateway() const = 0;
    /// The node-selection precheck (shows its own messages); false = no-go.
    virtual bool Precheck() = 0;
    /// Ticked node ids in row order.
    virtual std::vector<int> TickedNodes() const = 0;
    /// The node table's entry of id, or null.
    virtual const NodeEntry* FindNode(int id) const = 0;
    /// The cached MCFG word of the current node.
    virtual int32_t CachedMcfg() const = 0;
    virtual void SetCachedMcfg(int32_t word) = 0;
    /// The motor-off check of node; shows its own messages when the motor is not off or the status
    /// read fails. true = off.
    virtual bool MotorOff(int node) = 0;
    /// Puts a command text into the command history.
    virtual void AddHistory(const std::string& text) = 0;
    /// The show-return-messages box is ticked.
    virtual bool ShowReturnMessages() const = 0;
    /// MCFG of the current node changed: refresh the controls that depend on it.
    virtual void McfgChanged() {}
    /// After an ICFG write: the auto-enable time field follows ENA, and so does the enable toggle.
    virtual void SetAutoEnableTimeEnabled(bool) {}
    virtual void SetEnableToggle(bool) {}
};

/// The S1/S2 dialog's state: four edge codes, two trigger groups, and what may be edited.
struct S12Setup {
    S12Con codes;
    uint32_t firmware = 0;
    bool editable = true;  ///< false without C6 and C7: the dialog only shows the values
    bool triggers = true;  ///< firmware 1223 or later
    TriggerSetting s1{0, kTriggerOnceTime}, s2{0, kTriggerOnceTime};
};

/// The S3/P4/stall dialog's state.
struct S34Setup {
    S34Con codes;
    uint32_t firmware = 0;
    bool triggers = true;  ///< firmware 1223 or later
    bool stall = true;     ///< C3 or C4 (stall detection needs an encoder)
    bool s3 = true;        ///< C7 or firmware 1301 or later (the node has an S3 input)
    TriggerSetting s3Time{0, 65535};
};

class RegisterCommands {
public:
    RegisterCommands(const SdkTable& sdk, const Language& language, const LogWriter& log,
                     UserMessages& messages, RegisterHost& host);

    /// MCFG: reads the first ticked node's word into the cache (a failed read keeps the cache).
    std::optional<McfgEditor> BeginMcfg();
    void FinishMcfg(const McfgEditor& editor);

    std::optional<IcfgEditor> BeginIcfg();
    void FinishIcfg(const IcfgEditor& editor);

    std::optional<S12Setup> BeginS12();
    void FinishS12(const S12Setup& setup);

    std::optional<S34Setup> BeginS34();
    void FinishS34(const S34Setup& setup);

    /// Capabilities of node: its model record, and the model code in ICFG on firmware above 1231.
    NodeCapabilities Capabilities(int node);

private:
    void Error(const char* key);
    void Log(int node, const std::string& text);
    /// True for a read that was answered; otherwise shows the receive error.
    bool Answered(int32_t result);
    std::optional<int> FirstNode();
    void WriteSensorTimes(int node, const std::vector<std::pair<int, int32_t>>& times, bool& failed);

    const SdkTable& sdk_;
    const Language& language_;
    const LogWriter& log_;
    UserMessages& messages_;
    RegisterHost& host_;
    int32_t mcfgBefore_ = 0;         ///< the cached MCFG word before the running MCFG command
    std::map<int, int> modelCodes_;  ///< ICFG model code per node, read once
};

}  // namespace norvane::bench
