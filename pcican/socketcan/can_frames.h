#pragma once
// Halbox's frame record and the kernel's struct can_frame (linux/can.h), both ways, and what error
// frames (CAN_ERR_FLAG, linux/can/error.h) say about the controller. Pure.
#include <linux/can.h>

#include <cstddef>
#include <cstdint>

#include "halbox/Halbox.h"

namespace norvane::halbox::socketcan {

constexpr size_t kCanFrameBytes = sizeof(can_frame);
static_assert(kCanFrameBytes == 16, "struct can_frame is 16 bytes");

/// The frame to write for record: extended and remote flags, the identifier cut to 29 or 11 bits
/// as the controller sends it, at most 8 data bytes (none for a remote frame, whose length is the
/// requested length).
can_frame ToCanFrame(const MarlixFrame& record);

/// A data or remote frame as Halbox's record: send type 0, length at most 8, data only for a data
/// frame. Error frames are not records (see ErrorState).
MarlixFrame ToRecord(const can_frame& frame);

/// What error frames reported, as the SJA1000's status and error counter registers show it.
struct ErrorState {
    bool busOff = false;
    bool warning = false;  ///< error warning or error passive reached
    uint8_t txErrors = 0;
    uint8_t rxErrors = 0;

    /// Takes in one error frame (can_id has CAN_ERR_FLAG): bus-off, restarted, the controller's
    /// warning and passive levels and, where given (CAN_ERR_CNT), the error counters.
    void Apply(const can_frame& error);
    /// The status register: transmit buffer released and transmission complete (bits 2, 3) while
    /// the interface is up and not bus-off; error status (bit 6) from the reported level or a
    /// counter at warningLimit or above; bus-off (bit 7).
    uint8_t Status(bool up, uint8_t warningLimit) const;
};

}  // namespace norvane::halbox::socketcan
