#pragma once
// printf-style formatting of texts that come from outside (language files): the conversions of
// the format are checked against the arguments first, and a format that does not fit them is
// returned as it stands, so a wrong or hostile text can never read stray memory. Pure.
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <variant>

namespace norvane::bench {

/// One argument: an integer (for d i u x X o c), a floating value (f F e E g G a A) or a text (s).
using FormatArg = std::variant<int64_t, double, std::string_view>;

/// Formats like snprintf when every conversion of format matches its argument in kind and the
/// counts agree ("%%" takes no argument). Flags, width and precision are honoured; '*' widths,
/// %n, %p and unknown conversions make the format unusable. Length modifiers (h, l, ll, z, ...)
/// are accepted and ignored: integers print as 32-bit values, like the program's own formats.
/// Otherwise the format text itself is returned unformatted.
std::string FormatText(std::string_view format, std::initializer_list<FormatArg> args);

/// true when FormatText would use the arguments (the format fits them).
bool FormatFits(std::string_view format, std::initializer_list<FormatArg> args);

}  // namespace norvane::bench
