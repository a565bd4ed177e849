#pragma once
// GWParam.cfg, the gateway search parameters kept in the program directory (or the user's
// configuration folder, see SettingsPlace), and the search arguments built from them. Pure
// except for the two file helpers.
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace norvane::bench {

inline constexpr const char* kGwParamFile = "GWParam.cfg";

/// The Ethernet address searched while no GWParam.cfg says otherwise: 127.0.0.1, where
/// norvane-sim's gateway listens when started without options, so a first run finds it.
inline constexpr int32_t kDefaultEthernetAddress = 0x7F000001;

/// The eight fields in file order: search RS-232, USB-CAN, PCI, Ethernet (0/1); COM port number;
/// RS-232 baud rate; Ethernet IPv4 address (first octet in the most significant byte); USB
/// bit-rate index. The program starts with 1, 1, 1, 1, 0, 0, 127.0.0.1, 0.
struct GwParams {
    std::array<int32_t, 8> field{1, 1, 1, 1, 0, 0, kDefaultEthernetAddress, 0};
};

/// Reads the first line as "%ld,%ld,...," would: fields are taken in order until one does not
/// convert or is not followed by ','; the fields not read keep their values. Returns the number
/// of fields read.
int ParseGwParams(std::string_view text, GwParams& params);
/// The one-line file text: eight values, each followed by ',', then a line feed.
std::string FormatGwParams(const GwParams& params);

/// Reads GWParam.cfg into params: the user's copy when there is one, else programDir's (a
/// missing file changes nothing). See SettingsPlace.
void LoadGwParams(const std::string& programDir, GwParams& params);
/// Replaces GWParam.cfg where it is kept (programDir's, or the user's for an installed or
/// read-only program); the path written, or nothing when it could not be written anywhere.
std::optional<std::string> SaveGwParams(const std::string& programDir, const GwParams& params);

/// Arguments of SearchGateway as the search button builds them.
struct SearchArguments {
    uint32_t kindMask = 0;
    std::array<uint32_t, 10> words{};
    bool passWords = false;  ///< false: the search gets no parameter block
};
SearchArguments BuildSearchArguments(const GwParams& params);

}  // namespace norvane::bench
