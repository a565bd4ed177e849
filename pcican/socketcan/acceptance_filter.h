#pragma once
// The SJA1000 acceptance filter (PeliCAN mode) for a SocketCAN channel: the exact rule of the
// controller, applied to every frame the channel takes in, and the CAN_RAW_FILTER list that lets
// the kernel drop most of the rest before they reach the process. Pure.
//
// Code and mask are MarlixInitConfig's: code byte 0 (bits 31-24) is acceptance code register 16,
// and a mask bit of 1 means "don't care". Single filter: a standard frame is compared on
// identifier bits 10-0 and RTR (bytes 0 and the top nibble of 1) and on data bytes 1 and 2 (bytes
// 2 and 3); an extended frame on identifier bits 28-0 and RTR (bits 31-2). Dual filter: a standard
// frame passes filter 1 (identifier, RTR, data byte 1 split over byte 1's low nibble and byte 3's
// low nibble) or filter 2 (byte 2 and the top nibble of byte 3: identifier and RTR); an extended
// frame passes filter 1 (bytes 0-1: identifier bits 28-13) or filter 2 (bytes 2-3, the same bits).
// Data bytes take part only when the frame carries them (a remote frame or a shorter frame is
// compared on what it has).
#include <linux/can.h>

#include <cstdint>
#include <vector>

#include "halbox/Halbox.h"

namespace norvane::halbox::socketcan {

struct AcceptanceFilter {
    uint32_t code = 0;
    uint32_t mask = 0xFFFFFFFFu;
    bool single = true;  ///< filter mode 0
};

AcceptanceFilter FilterOf(const MarlixInitConfig& config);

/// true when the controller would take frame in.
bool Accepts(const AcceptanceFilter& filter, const MarlixFrame& frame);

/// The kernel filters (any one matching lets a frame through) that pass at least every frame
/// Accepts passes: identifier, frame format and RTR parts of the filter (data bytes are left to
/// Accepts). An all-accepting filter gives one filter that matches everything.
std::vector<can_filter> KernelFilters(const AcceptanceFilter& filter);

/// The kernel's rule for one filter: (id & mask) == (filter id & mask).
bool KernelMatches(const can_filter& filter, canid_t id);

}  // namespace norvane::halbox::socketcan
