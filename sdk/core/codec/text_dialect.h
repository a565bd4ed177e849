#pragma once
// ASCII command texts for gateways reached over a byte stream (RS-232 gateway, Ethernet gateway in
// serial transmission mode). One controller command becomes one text; the gateway answers with
// binary reply frames (reply_frame.h). The readers turn a text back into the bus message it
// stands for, for texts a host writes itself. Pure functions: no state, no I/O, no locks, any
// thread.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "norvane/NorvaneFunc.h"

namespace norvane::sdk {

// Longest command text either dialect produces (the gateway's command buffer holds 63 characters
// and a NUL); a text that would be longer is refused.
inline constexpr size_t kMaxCommandText = 63;
// Longest value text (the rendered data) inside a command text; longer ones are refused.
inline constexpr size_t kMaxValueText = 31;

// First-generation dialect ("{*5;pp[2]1000;}"). data/dataSize: the caller's 32-bit words viewed as
// bytes (data null = no data; command 0x7F reads a NUL-terminated text, ending at dataSize at the
// latest). Returns 1 and puts the text, without a NUL, in out[0..*textLength); returns 0 and writes
// nothing when out is null, the command number is 0, required data is missing or shorter than the
// command reads, or the text exceeds kMaxCommandText or capacity. textLength may be null.
int EncodeTextLegacy(int32_t node, uint8_t controlWord, uint8_t index, const void* data, size_t dataSize,
                     char* out, size_t capacity, size_t* textLength);

// Second-generation dialect ("{ADR=5;{SPD1000;}}"). Same contract as EncodeTextLegacy, except that
// command number 0 is encoded (" ;") and an unknown command number yields the bare address wrapper,
// which is empty (result 1, length 0) for an acknowledged command to node 0.
int EncodeText(int32_t node, uint8_t controlWord, uint8_t index, const void* data, size_t dataSize, char* out,
               size_t capacity, size_t* textLength);

// Length of the first complete command text (either dialect) at the front of a stream; 0 while
// none is complete. A text ends at a ';' outside braces ("SPD5;", "{ADR=5;}SPD5;"), at the brace
// that closes a wrapper holding a nested brace or two ';' ("{ADR=5;{SPD5;}}", "{*5;pp[2]1;}"),
// or at a stray '}'.
size_t CommandTextLength(std::string_view stream);

// The message a second-generation text stands for: the request it was encoded from (node, control
// word, index, data) as PackSecondGen packs it (PackSecondGenGet for a text without value). gREG
// is the discovery broadcast to node 127, MDL names its node in the value, a bare body is for node
// 0 with an answer requested. false for anything else: an unknown mnemonic, a malformed number or
// wrapper, a value no encoder writes, or a request the packer refuses.
bool ReadText(std::string_view text, KymCanMsg& message);

// The same for a first-generation text, packed with PackFirstGen. A text without wrapper
// ("pp[5];") is for the gateway, node 1, with an answer requested. "pa" reads as command 0x20.
bool ReadTextLegacy(std::string_view text, KymCanMsg& message);

// The first complete text at the front of a stream in the given dialect: its length (0 while none
// is complete); known tells whether it read as a message, put in message.
size_t TakeCommandText(std::string_view stream, bool firstGen, KymCanMsg& message, bool& known);

}  // namespace norvane::sdk
