#pragma once
// The text command language's pure rules: cutting a text into commands, normalising one, and
// reading the numbers at their fixed positions. No I/O, no state.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace norvane::bench::command {

/// Commands ending in ';' each, in order; a lone ";" is a command; text after the last ';' is
/// dropped.
std::vector<std::string> Cut(std::string_view text);

/// Upper case (ASCII), without spaces and '=' characters.
std::string Normalise(std::string_view text);

/// C decimal conversion from position at (blanks, sign, digits, stop at the first other
/// character): 0 when no digit follows or at lies beyond the text. Saturates at the 32-bit range.
int32_t Decimal(std::string_view text, size_t at);

/// C floating conversion from position at; 0 when nothing converts.
double Real(std::string_view text, size_t at);

/// The run of characters read as hexadecimal digits, most significant first; -1 when the run
/// holds any other character (or is empty).
int32_t Hex(std::string_view run);
/// true when every character of run is a hexadecimal digit and run is not empty.
bool IsHex(std::string_view run);

/// The low 16 bits with their two bytes exchanged.
int32_t SwapBytes(int32_t value);

/// "%04x" of value, its first four digits read back as hex, byte-swapped (the MCF decimal form).
int32_t DecimalAsSwappedHex(int32_t value);

/// A script file's text made ready to cut: line breaks removed, upper case, and the text from
/// the first "RPT" on dropped; repeat is the number after that "RPT" (-1 without one).
struct Script {
    std::string text;
    int32_t repeat = -1;
};
Script PrepareScript(std::string_view bytes);

/// Length limit of a command before its ';'.
inline constexpr size_t kMaxCommandLength = 30;

}  // namespace norvane::bench::command
