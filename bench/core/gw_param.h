#pragma once
// GWParam.cfg, the gateway search parameters kept in the program directory, and the search
// arguments built from them. Pure except for the two file helpers.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace norvane::bench {

inline constexpr const char* kGwParamFile = "GWParam.cfg";

/// The eight fields in file order: search RS-232, USB-CAN, PCI, Ethernet (0/1); COM port number;
/// RS-232 baud rate; Ethernet IPv4 address (first octet in the most significant byte); USB
/// bit-rate index. The program starts with 1, 1, 1, 1, 0, 0, 0, 0.
struct GwParams {
    std::array<int32_t, 8> field{1, 1, 1, 1, 0, 0, 0, 0};
};

/// Reads the first line as "%ld,%ld,...," would: fields are taken in order until one does not
/// convert or is not followed by ','; the fields not read keep their values. Returns the number
/// of fields read.
int ParseGwParams(std::string_view text, GwParams& params);
/// The one-line file text: eight values, each followed by ',', then a line feed.
std::string FormatGwParams(const GwParams& params);

/// Reads programDir/GWParam.cfg into params (a missing file changes nothing).
void LoadGwParams(const std::string& programDir, GwParams& params);
/// Replaces programDir/GWParam.cfg; false when it cannot be written.
bool SaveGwParams(const std::string& programDir, const GwParams& params);

/// Arguments of SearchGateway as the search button builds them.
struct SearchArguments {
    uint32_t kindMask = 0;
    std::array<uint32_t, 10> words{};
    bool passWords = false;  ///< false: the search gets no parameter block
};
SearchArguments BuildSearchArguments(const GwParams& params);

}  // namespace norvane::bench
