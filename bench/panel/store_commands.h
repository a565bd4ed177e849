#pragma once
// The panel's EEPROM store commands: STORE (with its dialog's choices) and STO 0 ... STO 7 (slot 0
// the system motion parameters, 1 the group used on stall, 2 ... 7 the groups of the sensor
// edges), and the sensor-edge motion dialog that writes the group stored by STO 1 ... STO 7.
// Plain rules for the views; every handler runs on the user-interface thread.
#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "bench/panel/panel_logic.h"

namespace norvane::bench {

/// The STORE dialog's check boxes: STORE binds the current group to every sensor edge, the six
/// edge boxes (S1 rising ... S3 falling) exist only from firmware 1232 on.
class StoreChoice {
public:
    explicit StoreChoice(uint32_t firmware) : edgesLocked_(firmware < 1232) {}
    bool EdgesLocked() const { return edgesLocked_; }
    bool Store() const { return store_; }
    bool Edge(int i) const { return edges_[static_cast<size_t>(i)]; }
    void SetStore(bool on) { store_ = on; }
    /// Ticking an edge clears STORE; locked edges stay clear.
    void SetEdge(int i, bool on);

private:
    bool edgesLocked_;
    bool store_ = false;
    std::array<bool, 6> edges_{};
};

/// The six values of a motion group as the sensor-edge motion dialog holds them.
struct MotionGroup {
    std::string speed = "1000", displacement = "1000", acceleration = "350", deceleration = "350",
                startSpeed = "0", stopSpeed = "0";
};

class StoreCommands {
public:
    StoreCommands(const SdkTable& sdk, const Language& language, UserMessages& messages, PanelHost& host,
                  PanelLogic& panel)
        : sdk_(sdk), language_(language), messages_(messages), host_(host), panel_(panel) {}

    /// Before the STORE dialog or STO n: the precheck and the motor-off check of the first
    /// ticked node. The first node (its firmware goes to the dialogs), or nothing: the command ends.
    std::optional<TickedNode> Prepare();
    /// STORE's OK: for each ticked node, what the choice asks of its firmware.
    void Store(const StoreChoice& choice);
    /// STO n's store (after the dialog for n >= 1): KymSTORE below 1232, else KymAdvSTORE slot n.
    void Sto(int slot);

    /// The sensor-edge motion dialog's OK for node: exchange, zero checks, then the group written
    /// in order. true: the dialog closes; false: it stays open (the message was shown).
    bool WriteGroup(const TickedNode& node, const MotionGroup& group);

    /// The dialog's fixed caption line for slot 1 ... 7.
    static std::string SlotCaption(int slot);

private:
    void Error(const char* key, const char* captionKey = "IDS_ERR");

    const SdkTable& sdk_;
    const Language& language_;
    UserMessages& messages_;
    PanelHost& host_;
    PanelLogic& panel_;
};

}  // namespace norvane::bench
