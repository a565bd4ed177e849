#pragma once
// ASCII command texts for gateways reached over a byte stream (RS-232 gateway, Ethernet gateway in
// serial transmission mode). One controller command becomes one text; the gateway answers with
// binary reply frames (reply_frame.h). Pure functions: no state, no I/O, no locks, any thread.
#include <cstddef>
#include <cstdint>

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

}  // namespace norvane::sdk
