#pragma once
// The main window's connection side without a display: gateway search, connect and disconnect,
// node discovery, the node list's ticking rules, the model-dependent enabling of controls, the
// node-selection precheck and the gateway settings. Every handler runs on the user-interface
// thread and blocks for its SDK calls; the view shows the state afterwards (control states,
// lists, texts) and knows nothing of the rules.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "bench/core/controls.h"
#include "bench/core/current_node.h"
#include "bench/core/gw_param.h"
#include "bench/core/language.h"
#include "bench/core/log_writer.h"
#include "bench/core/monitor_control.h"
#include "bench/core/node_list.h"
#include "bench/core/node_table.h"
#include "bench/core/sdk_table.h"
#include "bench/core/user_messages.h"

namespace norvane::bench {

inline constexpr int kMaxGatewayRecords = 5;

class WindowLogic {
public:
    WindowLogic(const SdkTable& sdk, const Language& language, const LogWriter& log, UserMessages& messages,
                MonitorControl& monitor, std::string programDir);

    // --- connection side ---
    /// The search button; leftShift: the left Shift key was down (shows "R(177)" only).
    bool Search(bool leftShift);
    /// A choice in the gateway list (closes the open gateway first).
    void SelectGateway(int index);
    /// The connect/disconnect button.
    void ToggleConnection();
    /// The node discovery button.
    bool Discover();
    /// Gateway search parameters: read, and write after the dialog was accepted (a failed save
    /// is reported with the file's place, and false returned).
    GwParams ReadSearchParameters();
    bool WriteSearchParameters(const GwParams& params);

    // --- node list ---
    /// The operator ticked or selected row; applies the rules and the model-dependent enabling.
    /// true when the row was newly ticked and shows a motor controller (its MCFG read): the
    /// panel then runs its queries for the node.
    bool TickRow(size_t row);
    /// The operator unticked row.
    void UntickRow(size_t row);
    void SetMultiSelect(bool on);
    /// Unticks every row without the row-change rules (the panel entering global mode).
    void UntickAll();
    /// The gateway was closed by a panel command (RS-232 baud rate change): back to the state
    /// without gateways, nothing closed here.
    void ForgetConnection();
    /// Before per-node commands: go (true) or no-go.
    bool Precheck();
    /// Fold (false) or expand (true) the window. true when expanding enabled the panel for the
    /// first ticked motor controller again: the panel then runs its expand queries.
    bool SetExpanded(bool expanded);
    /// The cached MCFG word may have changed (a read or write of MCFG anywhere): applies the
    /// MCFG-dependent controls again while a motor controller is ticked.
    void McfgChanged();

    // --- gateway settings ---
    void SetCanBitRate(int index);
    void SetGatewayNumber(int number);
    void FactoryReset();

    /// The forced stop of the gateway search dialog: closes the selected gateway (when the list
    /// has one) and leaves the window disconnected.
    void CloseForForcedStop();
    /// The close box answered Yes: stop monitoring and close the selected gateway.
    void CloseForExit();

    // --- state for the view ---
    const ControlStates& Controls() const { return controls_; }
    const NodeList& Nodes() const { return list_; }
    std::vector<std::string> GatewayNames() const;
    int SelectedGateway() const { return selected_; }
    bool Connected() const { return connected_; }
    uint32_t Gateway() const { return handle_; }
    int GatewayNumber() const { return gatewayNumber_; }
    /// Language key of the connect button's text.
    const char* ConnectKey() const { return connected_ ? "IDS_DISCONNECT_DEVICE" : "IDS_CONNECT_DEVICE"; }
    const std::vector<std::string>& BaudList() const { return baudList_; }
    int BaudSelection() const { return baudSelection_; }
    int BitRateSelection() const { return bitRate_; }
    uint32_t CurrentFirmware() const { return current_.Firmware(); }
    int32_t CachedMcfg() const { return current_.Mcfg(); }
    /// The ticked node's firmware and cached MCFG word, shared with the panel and its dialogs.
    CurrentNode& Current() { return current_; }
    /// The node table's entry of a discovered node, or null.
    const NodeEntry* FindNode(int id) const;
    bool Expanded() const { return expanded_; }
    bool VersionCheck() const { return versionCheck_; }

private:
    void DisableNodeControls();
    /// The state without a connection: every control that needs a gateway disabled.
    void DisableConnectionControls();
    void ClearNodes();
    void AfterRowChange(size_t row, bool newlyTicked);
    void ApplyModel(const NodeEntry& node);
    void ApplyMcfg();
    bool MotorOff(int node);
    void ResetController(const NodeEntry& node);
    void ResetIoModule(int node);
    void Error(const char* key);
    bool Failed(int32_t result, const char* key);
    bool SelectedNameHas524() const;

    const SdkTable& sdk_;
    const Language& language_;
    const LogWriter& log_;
    UserMessages& messages_;
    MonitorControl& monitor_;
    std::string programDir_;

    ControlStates controls_;
    GwParams params_;
    std::vector<KymDevInfo> gateways_;
    int selected_ = -1;
    bool connected_ = false;
    uint32_t handle_ = 0;
    int gatewayNumber_ = 0;
    std::vector<NodeEntry> nodes_;  ///< the node table of the last discovery
    NodeList list_;
    std::vector<std::string> baudList_;
    int baudSelection_ = 0;
    int bitRate_ = 1;
    CurrentNode current_;
    bool encoderFunctions_ = false;
    bool controllerShown_ = false;  ///< the panel is enabled for a ticked motor controller
    bool versionCheck_ = true;
    bool expanded_ = false;
};

/// The gateway version in a gateway list text ("... Version:1234 ..."), if any.
std::optional<uint32_t> GatewayVersion(const std::string& name);

}  // namespace norvane::bench
