#pragma once
// Gateway-side building of the binary reply frames a host expects in serial transmission
// mode: start marker, node, reply code, 7-bit payload, end marker. Pure code.
//
// Every byte between the markers stays below 0x80, so values travel as base-128 digits. Some
// answers do not fit exactly (bytes above 0x7F in raw-byte fields, status combinations whose
// code would collide with an assigned reply code); they are sent as close as the frame allows.
#include <cstddef>
#include <cstdint>
#include <vector>

namespace norvane::sim {

/// Reply frame for one message from `node`; empty when no reply code carries the control
/// word (for instance error reports).
std::vector<uint8_t> EncodeReplyFrame(uint8_t node, uint8_t controlWord, const uint8_t* data, uint8_t length);
/// Node list answering a discovery: AA, count, D0, ids..., FE (ids above 125 are left out).
std::vector<uint8_t> EncodeNodeListFrame(const std::vector<uint8_t>& nodes);
/// The 13-byte identity frame answering the gateway probe text.
std::vector<uint8_t> EncodeIdentityFrame(uint8_t model, uint8_t variant, uint32_t version);

/// UART gateway frame: start 10xxxxxx, node, control word, data, end 11xxxxxx; bit 7 of bytes
/// 1-6 travels in the start marker's bits 0-5, of bytes 7-12 in the end marker's (bytes beyond
/// 12 lose it). data is at most 8 bytes for node messages, longer for the gateway's own frames.
std::vector<uint8_t> EncodeUartFrame(uint8_t node, uint8_t controlWord, const uint8_t* data, size_t length);

/// First-generation (legacy) reply frame: start 0xF0 | bits, node, control word, data (at most
/// 8 bytes, bit 7 cleared), end 0xE0 | bits; bit 7 of up to four data bytes travels in the start
/// marker, of the fifth to eighth (when there are more than four) in the end marker.
std::vector<uint8_t> EncodeLegacyReplyFrame(uint8_t node, uint8_t controlWord, const uint8_t* data,
                                            size_t length);

}  // namespace norvane::sim
