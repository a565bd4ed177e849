#include "bench/core/text_format.h"

#include <cstdio>
#include <optional>
#include <vector>

namespace norvane::bench {

namespace {

enum class Kind { Integer, Floating, Text };

struct Conversion {
    size_t begin = 0;  ///< position of '%'
    size_t end = 0;    ///< one past the conversion character
    std::string spec;  ///< '%', flags, width, precision and the conversion character (no length)
    Kind kind = Kind::Integer;
};

// Splits the format into its conversions; nothing when a conversion is unusable or unfinished.
std::optional<std::vector<Conversion>> Parse(std::string_view format) {
    std::vector<Conversion> out;
    size_t i = 0;
    while (i < format.size()) {
        if (format[i] != '%') {
            ++i;
            continue;
        }
        if (i + 1 < format.size() && format[i + 1] == '%') {
            i += 2;
            continue;
        }
        Conversion c;
        c.begin = i;
        c.spec = "%";
        size_t j = i + 1;
        auto take = [&](std::string_view set) {
            while (j < format.size() && set.find(format[j]) != std::string_view::npos) c.spec += format[j++];
        };
        // Widths and precisions of more than three digits are refused rather than allocated.
        auto digits = [&] {
            const size_t before = c.spec.size();
            take("0123456789");
            return c.spec.size() - before <= 3;
        };
        take("-+ #0");
        if (!digits()) return std::nullopt;
        if (j < format.size() && format[j] == '.') {
            c.spec += format[j++];
            if (!digits()) return std::nullopt;
        }
        while (j < format.size() && std::string_view("hlLqjzt").find(format[j]) != std::string_view::npos)
            ++j;
        if (j >= format.size()) return std::nullopt;
        const char conversion = format[j++];
        switch (conversion) {
            case 'd':
            case 'i':
            case 'u':
            case 'x':
            case 'X':
            case 'o':
            case 'c':
                c.kind = Kind::Integer;
                break;
            case 'f':
            case 'F':
            case 'e':
            case 'E':
            case 'g':
            case 'G':
            case 'a':
            case 'A':
                c.kind = Kind::Floating;
                break;
            case 's':
                c.kind = Kind::Text;
                break;
            default:
                return std::nullopt;
        }
        c.spec += conversion;
        c.end = j;
        out.push_back(std::move(c));
        i = j;
    }
    return out;
}

bool Fits(const std::vector<Conversion>& conversions, std::initializer_list<FormatArg> args) {
    if (conversions.size() != args.size()) return false;
    auto arg = args.begin();
    for (const Conversion& c : conversions) {
        const bool ok = (c.kind == Kind::Integer && std::holds_alternative<int64_t>(*arg)) ||
                        (c.kind == Kind::Floating && std::holds_alternative<double>(*arg)) ||
                        (c.kind == Kind::Text && std::holds_alternative<std::string_view>(*arg));
        if (!ok) return false;
        ++arg;
    }
    return true;
}

// Appends the literal text between conversions, with "%%" turned into '%'.
void AppendLiteral(std::string& out, std::string_view text) {
    for (size_t i = 0; i < text.size(); ++i) {
        out += text[i];
        if (text[i] == '%' && i + 1 < text.size() && text[i + 1] == '%') ++i;
    }
}

template <typename T>
void AppendOne(std::string& out, const std::string& spec, T value) {
    const int n = std::snprintf(nullptr, 0, spec.c_str(), value);
    if (n <= 0) return;
    std::string piece(static_cast<size_t>(n) + 1, '\0');
    std::snprintf(piece.data(), piece.size(), spec.c_str(), value);
    out.append(piece.data(), static_cast<size_t>(n));
}

}  // namespace

bool FormatFits(std::string_view format, std::initializer_list<FormatArg> args) {
    const auto conversions = Parse(format);
    return conversions && Fits(*conversions, args);
}

std::string FormatText(std::string_view format, std::initializer_list<FormatArg> args) {
    const auto conversions = Parse(format);
    if (!conversions || !Fits(*conversions, args)) return std::string(format);
    std::string out;
    size_t at = 0;
    auto arg = args.begin();
    for (const Conversion& c : *conversions) {
        AppendLiteral(out, format.substr(at, c.begin - at));
        if (c.kind == Kind::Integer) {
            // Integers print as the program's 32-bit values (%x of -1 is ffffffff).
            const auto value = static_cast<int32_t>(std::get<int64_t>(*arg));
            if (c.spec.back() == 'd' || c.spec.back() == 'i' || c.spec.back() == 'c')
                AppendOne(out, c.spec, static_cast<int>(value));
            else
                AppendOne(out, c.spec, static_cast<unsigned>(value));
        } else if (c.kind == Kind::Floating) {
            AppendOne(out, c.spec, std::get<double>(*arg));
        } else {
            const std::string_view text = std::get<std::string_view>(*arg);
            // A precision or width applies to the text as printf would; the copy is terminated.
            if (c.spec == "%s") {
                out.append(text);
            } else {
                const std::string copy(text);
                AppendOne(out, c.spec, copy.c_str());
            }
        }
        at = c.end;
        ++arg;
    }
    AppendLiteral(out, format.substr(at));
    return out;
}

}  // namespace norvane::bench
