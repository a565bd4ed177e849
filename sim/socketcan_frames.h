#pragma once
// The messages of a simulated SocketCAN interface: each one 16-byte struct can_frame exactly as
// a CAN_RAW socket reads and writes it (linux/can.h: can_id with the EFF/RTR/ERR flags in its
// top bits, can_dlc, three pad bytes, eight data bytes, host byte order), the error frames the
// interface reports its state with, and the text of its bit-rate file. Pure code.
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

#include "sim/can_frame.h"

namespace norvane::sim {

constexpr size_t kCanFrameRecordSize = 16;
using CanFrameRecord = std::array<uint8_t, kCanFrameRecordSize>;

/// What a message from a client is.
enum class RecordKind {
    Frame,      ///< a data or remote frame for the bus
    Error,      ///< an error frame (CAN_ERR_FLAG): only an interface reports those
    Malformed,  ///< not 16 bytes, or a length code above 8
};

/// The record of a bus frame: the identifier masked to 11 or 29 bits, the length capped at 8.
CanFrameRecord EncodeCanFrameRecord(const CanFrame& frame);
/// Reads one message of size bytes; frame is filled for RecordKind::Frame only.
RecordKind DecodeCanFrameRecord(const uint8_t* bytes, size_t size, CanFrame& frame);

/// An error frame as the kernel's CAN drivers send it: CAN_ERR_FLAG | errorClass, eight data
/// bytes (all zero: no controller or protocol details).
CanFrameRecord ErrorFrameRecord(uint32_t errorClass);

/// The bit rate in the text of an interface's bit-rate file: decimal bits per second, blanks
/// and a line end around it allowed. nullopt for anything else (no digits, other characters,
/// 0, or above 1,000,000,000).
std::optional<uint32_t> ParseBitRateText(std::string_view text);

}  // namespace norvane::sim
