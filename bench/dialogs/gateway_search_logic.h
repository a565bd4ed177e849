#pragma once
// The gateway search parameter dialog without a display: the four gateway kinds, the COM port,
// baud and CAN bit-rate lists, the Ethernet address, and the forced stop of a node's program.
// The COM port list comes from the system's COM-number table. User-interface thread only.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "bench/core/gw_param.h"
#include "bench/core/sdk_table.h"
#include "bench/core/user_messages.h"

namespace norvane::bench {

struct GatewaySearchState {
    bool serial = false, usb = false, pci = false, ethernet = false;  ///< the four kind boxes
    std::vector<std::string> comEntries;                              ///< "COMn" ..., then "NULL"
    std::string comText;                                              ///< the serial list's text
    static const std::vector<std::string>& BaudEntries();             ///< "115200" ... "9600", "NULL"
    std::string baudText;
    static const std::vector<std::string>& BitRateEntries();  ///< "1000K" ... "125K", "NULL"
    int bitRate = 5;                                          ///< selected entry, 5 = "NULL"
    std::optional<uint32_t> ip;                               ///< empty address control
    std::string nodeText;
    bool serialListsEnabled = false;
};

/// The number after the first three characters of an entry ("COM7" -> 7, "NULL" -> 0).
int32_t NumberAfterPrefix(const std::string& entry);
/// The whole entry as a number ("115200" -> 115200, "NULL" -> 0).
int32_t NumberOf(const std::string& entry);

/// The address control's text "a.b.c.d" as a value with a in the most significant byte; nothing
/// for an empty or malformed text.
std::optional<uint32_t> ParseIpv4(const std::string& text);
std::string FormatIpv4(uint32_t address);

class GatewaySearchLogic {
public:
    /// comPorts: the COM numbers the system lists. closeGateway: closes the gateway selected
    /// in the main window and brings the window to its disconnected state.
    GatewaySearchLogic(const SdkTable& sdk, UserMessages& messages, std::vector<int> comPorts,
                       std::function<void()> closeGateway);

    /// Fills the lists and selects the stored values.
    void Open(const GwParams& params);
    /// A click on the serial box: the lists follow it.
    void SerialClicked(bool ticked);
    /// OK: the eight fields from the controls.
    GwParams Accept() const;
    /// The forced-stop button.
    void ForceStop();

    GatewaySearchState& State() { return s_; }

private:
    const SdkTable& sdk_;
    UserMessages& messages_;
    std::vector<int> comPorts_;
    std::function<void()> closeGateway_;
    GatewaySearchState s_;
    GwParams params_;
};

}  // namespace norvane::bench
