#pragma once
// Device-side reading of the first-generation command texts a host sends to an RS-232 gateway:
// "{*5;pp[2]1000;}" (no answer wanted), "{*5;}pp[5]  ;" (answer wanted, two blanks for "no
// value"), and the bare "pp[5];" the host's probe sends to the gateway itself. The data bytes
// follow the first-generation message layout of each command (index in d0 where the command
// has one, the value after it). Pure code.
#include <optional>
#include <string_view>

#include "sim/command_text.h"

namespace norvane::sim {

/// Node a bare text (without address wrapper) is for: the gateway.
constexpr uint8_t kBareTextNode = 1;

/// Reads one first-generation command text. nullopt for an unknown mnemonic, a bad number or
/// a broken address wrapper.
std::optional<TextRequest> ParseLegacyCommandText(std::string_view text);

}  // namespace norvane::sim
