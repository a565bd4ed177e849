#pragma once
// Settings of the traffic recording and the send pacing, from the environment and from the
// key lines of SDKParameter.cfg (the lines after its trace number):
//
//   CanLog=FILE                 record traffic to FILE (relative: beside SDKParameter.cfg)
//   SendPauseMs=N               pause after every send, every paced gateway kind
//   SendPauseMs=eth:0,zone:2    the same per kind (the short names of the traffic log)
//   AnswerSpinUs=N              a requester watches for its answer without sleeping for up to
//                               N us either side of when answers have been arriving (0: off)
//   ConsoleLines=stdout|trace   where the lines the SDK prints for the host go (default stdout;
//                               trace: to the trace sink, for hosts whose standard output is data)
//
// NORVANE_CANLOG=FILE, NORVANE_SEND_PAUSE_MS=..., NORVANE_ANSWER_SPIN_US=N and
// NORVANE_CONSOLE_LINES=stdout|trace take precedence over the file. Parsing is pure; ApplySdkSettings reads
// the file and the environment and is called by every gateway search. Any thread may read the pauses and the
// spin.
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "platform/console_line.h"

namespace norvane::sdk {

/// Largest pause a setting may ask for; larger values are refused as malformed.
constexpr uint32_t kMaxSendPauseMs = 1000;
/// Largest answer spin a setting may ask for; larger values are refused as malformed.
constexpr uint32_t kMaxAnswerSpinUs = 10000;

struct SendPauses {
    std::optional<uint32_t> all;          ///< "N" without a kind
    std::map<uint32_t, uint32_t> byKind;  ///< kind -> pause
};

struct SdkSettings {
    std::string canLog;  ///< empty: recording off
    std::optional<SendPauses> pauses;
    std::optional<uint32_t> answerSpinUs;
    std::optional<platform::ConsoleLines> consoleLines;
};

/// Parses a pause value: "N" or "kind:N[,kind:N]..." (blanks allowed); nullopt when any part is
/// malformed, names no known kind or exceeds kMaxSendPauseMs.
std::optional<SendPauses> ParseSendPauses(std::string_view text);
/// Parses an answer spin: a number of microseconds up to kMaxAnswerSpinUs; nullopt otherwise.
std::optional<uint32_t> ParseAnswerSpinUs(std::string_view text);
/// Parses where the console lines go: "stdout" or "trace" (any case, blanks around allowed).
std::optional<platform::ConsoleLines> ParseConsoleLines(std::string_view text);
/// Reads the key lines of SDKParameter.cfg text (unknown keys and other lines are skipped; a
/// malformed pause, spin or console-line value is ignored). A relative CanLog is joined to directory (which
/// ends with '/').
SdkSettings ParseSdkParameterText(std::string_view text, const std::string& directory);

/// Reads directory/SDKParameter.cfg and the environment, switches the traffic recorder and the
/// console lines and stores the pauses. directory ends with '/'.
void ApplySdkSettings(const std::string& directory);
/// The pause after each send for a gateway kind: the setting for that kind, else the setting
/// for every kind, else defaultMs.
uint32_t SendPauseMs(uint32_t kind, uint32_t defaultMs);
/// Replaces the stored pauses (ApplySdkSettings and tests).
void SetSendPauses(const SendPauses& pauses);
/// How long a requester watches for its answer without sleeping, either side of when it is due
/// (0: it sleeps until woken).
uint32_t AnswerSpinUs();
void SetAnswerSpinUs(uint32_t microseconds);

}  // namespace norvane::sdk
