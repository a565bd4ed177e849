#pragma once
// The node the control panel and its dialogs address (the row ticked last): its firmware version
// and the cached MCFG word, and the motor-off check every parameter write runs first. The MCFG
// word is read by the monitor worker while the user-interface thread updates it, hence atomic.
#include <atomic>
#include <cstdint>
#include <vector>

#include "bench/core/language.h"
#include "bench/core/sdk_table.h"
#include "bench/core/user_messages.h"

namespace norvane::bench {

/// MCFG bits the panel reads and changes.
namespace mcfg {
inline constexpr int32_t kStallNotice = 0x40;          ///< STLIE: stalls are reported
inline constexpr int32_t kDecelerationByTime = 0x100;  ///< DM: deceleration given as a time
inline constexpr int32_t kAccelerationByTime = 0x200;  ///< AM: acceleration given as a time
inline constexpr int32_t kAdvancedMotion = 0x400;      ///< CM: ramps instead of basic motion
inline constexpr int32_t kEncoderPosition = 0x800;     ///< QEM: the encoder gives the position
inline constexpr int32_t kEncoderOn = 0x2000;          ///< QEI: the quadrature encoder is on
/// Both encoder bits: the node works closed-loop on its encoder (the encoder functions).
inline constexpr int32_t kEncoderFunctions = kEncoderOn | kEncoderPosition;
}  // namespace mcfg

class CurrentNode {
public:
    /// The node id (0 before any controller row was ticked).
    int Id() const { return id_.load(); }
    void SetId(int id) { id_.store(id); }
    uint32_t Firmware() const { return firmware_.load(); }
    void SetFirmware(uint32_t firmware) { firmware_.store(firmware); }
    /// The MCFG word as last read or written successfully.
    int32_t Mcfg() const { return mcfg_.load(); }
    /// Call after every successful MCFG read or write (here, in the panel or in a dialog).
    void SetMcfg(int32_t word) { mcfg_.store(word); }
    bool McfgHas(int32_t bits) const { return (Mcfg() & bits) == bits; }

private:
    std::atomic<int> id_{0};
    std::atomic<uint32_t> firmware_{0};
    std::atomic<int32_t> mcfg_{0};
};

enum class MotorState { Off, Running, Unknown };

/// Reads the node's drive status (KymACK). Off only when the call answered (result 1) and the
/// ENA field is 0: an unanswered call leaves the record as it was and says nothing.
MotorState ReadMotorState(const SdkTable& sdk, uint32_t gateway, int node);

/// The current status query without its box: true when every node answers its status (KymFBK)
/// with ENA set; false when one is off or does not answer.
bool AllNodesEnabled(const SdkTable& sdk, uint32_t gateway, const std::vector<int>& nodes);

/// The motor-off check: true when the motor is off. Otherwise shows "IDS_SETPARAM_NO_OFF_WARNING"
/// (after "IDS_DATA_RECEIVE_ERROR" when the status could not be read) and returns false, so no
/// parameter goes to a running motor.
bool CheckMotorOff(const SdkTable& sdk, uint32_t gateway, int node, const Language& language,
                   UserMessages& messages);

}  // namespace norvane::bench
