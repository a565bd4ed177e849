#pragma once
// A Halbox card made of two SocketCAN interfaces (either may be absent), and how the interfaces are
// mapped to cards: HALBOX_SOCKETCAN=IF0,IF1;IF2,IF3 when set, else the system's CAN interfaces
// (those of the stand-in with HALBOX_SOCKETCAN_SIM=DIR) two per card in natural name order.
#include <cstdint>
#include <memory>

#include "pcican/driver/can_channel.h"

namespace norvane::halbox::socketcan {

/// Card index with its interfaces; nullptr when the map has no such card or none of its
/// interfaces exists.
std::unique_ptr<ChannelCard> OpenSocketCanCard(uint32_t index);

}  // namespace norvane::halbox::socketcan
