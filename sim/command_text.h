#pragma once
// Device-side reading of the second-generation command texts a host sends to a gateway in
// serial transmission mode ("{ADR=5;}SPD1000;", "{ADR=5;{SPD1000;}}", "gREG;", ...). Pure code.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

namespace norvane::sim {

/// The bus message a command text stands for.
struct TextRequest {
    uint8_t node = 0;         ///< 127 for the discovery broadcast
    uint8_t controlWord = 0;  ///< bit 7 set when the text asks for an answer
    uint8_t length = 0;
    uint8_t data[8] = {};
};

/// The probe text the host sends to identify the gateway.
constexpr std::string_view kGatewayProbeText = "ABC;";

/// Reads one command text. nullopt for a text that is not a known command (unknown mnemonic,
/// bad number, broken address wrapper). Data bytes follow the message layout of each command.
std::optional<TextRequest> ParseCommandText(std::string_view text);

}  // namespace norvane::sim

namespace norvane::sim {

/// Length of the first complete command text at the front of a byte stream from the host, 0
/// while it is incomplete. A text is "{...}" with a command inside the braces, an address
/// wrapper followed by a command up to its ';' ("{*5;}sn;"), or a bare command up to its ';'.
size_t CommandTextLength(std::string_view stream);

}  // namespace norvane::sim
