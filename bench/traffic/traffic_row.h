#pragma once
// One row of the traffic view: a frame the SDK handed over, with what its identifier and data
// say in the controller protocol (node, control word, the command's name from the SDK's own
// tables, the value where the command carries one number). Pure functions: no locks, no I/O.
#include <cstdint>
#include <string>

#include "norvane/NorvaneFunc.h"

namespace norvane::bench {

struct TrafficRow {
    KymTrafficFrame frame{};
    bool received = false;
    int node = -1;         ///< -1: the identifier names no node (an 11-bit frame)
    int controlWord = -1;  ///< -1: likewise
    std::string command;   ///< the command's name; empty when the tables have none
    std::string value;     ///< the decoded value; empty where the command carries no single number
};

/// Whether the port behind handle speaks the first protocol generation (its kind is 256 or more).
bool FirstGenHandle(uint32_t handle);
/// The command's name in the given generation: the SDK's text mnemonics ("SPD", "gPOS", "MDL";
/// first generation "sp", "pa", ...), "ACK" and "ERR" for the status and error records; empty
/// for a number without one.
std::string CommandName(bool firstGen, uint8_t number);
/// Reads the frame: node and control word from the identifier as the frame's direction and the
/// port's generation lay them out, the command's name, and the value.
TrafficRow DecodeTrafficFrame(const KymTrafficFrame& frame);

/// "HH:MM:SS.mmm" of the wall-clock time at utcOffsetSeconds from UTC.
std::string TimeOfDayText(uint64_t micros, int64_t utcOffsetSeconds);
/// "05082087" for a 29-bit identifier, "123" for an 11-bit one.
std::string IdentifierText(const KymTrafficFrame& frame);
/// The data bytes as upper-case hex pairs separated by spaces; "R" for a remote frame.
std::string DataText(const KymTrafficFrame& frame);
/// "87"; empty when the row has no control word.
std::string ControlWordText(const TrafficRow& row);
/// The row as a candump log line, "(seconds.micros) eth-1-rx 00280187#E8030000\n": the same
/// interface names and form as the SDK's own traffic log, so that the same tools read both.
std::string CandumpLine(const TrafficRow& row);

}  // namespace norvane::bench
