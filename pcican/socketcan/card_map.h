#pragma once
// Which CAN interfaces make up Halbox's cards: two interfaces per card, channel 0 then channel 1.
// Pure.
#include <array>
#include <string>
#include <vector>

namespace norvane::halbox::socketcan {

/// Channel 0's and channel 1's interface names; an empty name is an absent channel.
using CardInterfaces = std::array<std::string, 2>;

/// A usable interface name: 1-15 characters (the kernel's limit), none of them '/', ':', a space
/// or a control character, and not "." or "..".
bool ValidInterfaceName(const std::string& name);

/// The HALBOX_SOCKETCAN text "IF0,IF1;IF2,IF3": cards separated by ';', a card's two channels by
/// ','; spaces around names are ignored, an empty or missing name leaves the channel absent. A
/// name that is not usable, or a third name in a card, is left out with a line in problems.
std::vector<CardInterfaces> ParseCardMap(const std::string& text, std::vector<std::string>& problems);

/// The system's interfaces, two per card in natural order (can2 before can10).
std::vector<CardInterfaces> PairInterfaces(std::vector<std::string> names);

/// Natural order: runs of digits compare by their value, the rest byte by byte.
bool NaturalLess(const std::string& a, const std::string& b);

}  // namespace norvane::halbox::socketcan
