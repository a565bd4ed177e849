#pragma once
// The batch writer's CSV parameter files: one "KEY,VALUE" per line, no header, no quoting. Lines
// end with CR LF when written; CR LF and LF are both read, and a last line without a break counts.
// Pure: the caller reads and writes the file.
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace norvane::bench {

/// The 21 keys the batch writer accepts, in its order.
inline constexpr std::array<const char*, 21> kBatchKeys{
    "ICFG", "ENATIME", "CUR",    "ACR",    "MCS",  "MCFG", "SQT",  "QER", "BLC", "MACC", "MDEC",
    "MMSS", "MMDS",    "S12CON", "S34CON", "STG1", "STG2", "STG3", "SPD", "STP", "QEC"};
/// Index of key in kBatchKeys, compared in upper case; none when the key is not accepted.
std::optional<size_t> BatchKeyIndex(std::string_view key);

/// One imported line: the key as written and the value text (empty unless the line had exactly
/// two fields).
struct CsvLine {
    std::string key;
    std::string value;
};

struct CsvImport {
    std::vector<CsvLine> lines;          ///< the accepted lines before any refused one
    std::optional<std::string> refused;  ///< the first key outside the accepted list (then lines are void)
};

/// Splits text into lines and fields and checks every key against the accepted list; stops at the
/// first key that is not accepted (an empty line has the empty key).
CsvImport ParseParameterCsv(std::string_view text);

/// The leading decimal integer of text: leading blanks, one sign, digits up to the first other
/// character; 0 without digits. Values beyond 32 bits are clamped.
int32_t LeadingInteger(std::string_view text);

/// Lines "%s,%s" of key and value, each followed by CR LF.
std::string FormatParameterCsv(const std::vector<CsvLine>& lines);

}  // namespace norvane::bench
