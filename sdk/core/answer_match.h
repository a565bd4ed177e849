#pragma once
// Which received message answers which request: the rules every transport's receive path
// shares. A request marks its node with the command number it waits for; a message from that
// node completes it only when these rules say so. Pure: no locks, no I/O.
#include <cstdint>

namespace norvane::sdk {

/// A node marked with this takes any answer and files it under this control word (the RS-232
/// gateway's answers to command 0).
constexpr uint8_t kAnyAnswer = 0x6F;

/// Status reply: serial reply frames carry the answers of every command that answers with the
/// node's status (0, 1, 2, 8, 9, 51, 61) under this command number.
constexpr uint8_t kStatusReply = 61;

/// Second generation: whether a message of command number `number` from a node answers the
/// request the node is marked with (`expected`, 0 when none is in flight): the same command,
/// a status reply to a command that answers with the status, the node's error report, or
/// anything for kAnyAnswer.
bool AnswersSecondGen(uint8_t expected, uint8_t number);

/// First generation (and the zone device): the same command or the node's error report.
bool AnswersFirstGen(uint8_t expected, uint8_t number);

}  // namespace norvane::sdk
