#pragma once
// What the control panel needs of the main window: the open gateway, the ticked nodes in row
// order, the node-selection precheck and the few window changes a panel command causes. The
// window logic provides it in the program; tests provide a plain fake.
#include <cstdint>
#include <vector>

#include "bench/core/current_node.h"

namespace norvane::bench {

struct TickedNode {
    int id = 0;
    uint32_t firmware = 0;  ///< as the node list shows it
};

class PanelHost {
public:
    virtual ~PanelHost() = default;
    virtual uint32_t Gateway() const = 0;
    virtual bool Connected() const = 0;
    /// The ticked rows of the node list, in row order.
    virtual std::vector<TickedNode> TickedNodes() const = 0;
    /// The node-selection precheck (shows its own messages); false is a no-go.
    virtual bool Precheck() = 0;
    /// Whether the control with this id is enabled now (the combined set and query run only the
    /// commands whose own buttons are enabled).
    virtual bool ControlEnabled(int id) const = 0;
    virtual CurrentNode& Current() = 0;
    /// Entering global mode: every row of the node list is unticked.
    virtual void UntickAll() = 0;
    /// After a node id was burnt: the global registration rebuilds the node list.
    virtual void Rediscover() = 0;
    /// After the RS-232 baud rate change closed the gateway: the window is disconnected.
    virtual void Disconnected() = 0;
    /// The baud rate the next RS-232 connection uses.
    virtual void SetBaudRate(int baud) = 0;
};

}  // namespace norvane::bench
