#include "bench/headless/headless_options.h"

#include <cstdlib>

#include "bench/plot/quantity.h"
#include "bench/plot/sampler.h"

namespace norvane::bench {

namespace {

// A whole decimal (or 0x hexadecimal) number within [low, high].
std::optional<int64_t> Number(const std::string& text, int64_t low, int64_t high) {
    if (text.empty() || text.size() > 12) return std::nullopt;
    const bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
    char* end = nullptr;
    const long long value = std::strtoll(text.c_str(), &end, hex ? 16 : 10);
    if (end == text.c_str() || *end != '\0' || text[0] == ' ' || text[0] == '+') return std::nullopt;
    if (value < low || value > high) return std::nullopt;
    return value;
}

std::optional<uint32_t> Address(const std::string& text) {
    uint32_t value = 0;
    size_t at = 0;
    for (int octet = 0; octet < 4; ++octet) {
        const size_t stop = octet == 3 ? text.size() : text.find('.', at);
        if (stop == std::string::npos) return std::nullopt;
        const std::string part = text.substr(at, stop - at);
        if (part.empty() || part.size() > 3 || part.find_first_not_of("0123456789") != std::string::npos)
            return std::nullopt;
        const auto n = Number(part, 0, 255);
        if (!n) return std::nullopt;
        value = value << 8 | static_cast<uint32_t>(*n);
        at = stop + 1;
    }
    return value;
}

}  // namespace

const char* HeadlessUsage() {
    return "usage: kestrin --headless [--program-dir DIR] [--lang NAME] [--lookup KEY]...\n"
           "                          [--ip A.B.C.D [--port P] | --com N --baud B] [--mask M] [--gateway I]\n"
           "                          [--tick NODE]... [--command TEXT]... [--script FILE]\n"
           "                          [--batch FILE [--batch-read | --batch-write | --batch-eeprom |\n"
           "                                         --batch-export FILE]...]\n"
           "                          [--record FILE --quantities NAME[,NAME]... [--period MS] [--duration "
           "S]]\n";
}

bool ParseHeadlessOptions(const std::vector<std::string>& args, HeadlessOptions& options,
                          std::string& error) {
    for (size_t i = 0; i < args.size(); ++i) {
        std::string name = args[i];
        if (name == "--headless") continue;
        if (name == "-h" || name == "--help" || name == "--version") {
            (name == "--version" ? options.version : options.usage) = true;
            continue;
        }
        // The batch writer's buttons take no value; each needs the writer opened by --batch first.
        if (name == "--batch-read" || name == "--batch-write" || name == "--batch-eeprom") {
            if (options.batch.empty()) {
                error = name + " needs --batch FILE before it";
                return false;
            }
            options.batch.push_back({name == "--batch-read"    ? BatchStep::Kind::Read
                                     : name == "--batch-write" ? BatchStep::Kind::Write
                                                               : BatchStep::Kind::Eeprom,
                                     ""});
            continue;
        }
        std::string value;
        bool inline_value = false;
        if (const size_t eq = name.find('='); name.rfind("--", 0) == 0 && eq != std::string::npos) {
            value = name.substr(eq + 1);
            name.erase(eq);
            inline_value = true;
        }
        if (!inline_value) {
            if (i + 1 >= args.size()) {
                error = name.rfind("--", 0) == 0 ? "missing value after " + name
                                                 : "unexpected argument '" + name + "'";
                return false;
            }
            value = args[++i];
        }
        auto bad = [&] {
            error = "bad value '" + value + "' for " + name;
            return false;
        };
        if (name == "--program-dir") {
            if (value.empty()) return bad();
            options.programDir = value;
        } else if (name == "--lang") {
            if (value.empty()) return bad();
            options.language = value;
        } else if (name == "--lookup") {
            options.lookups.push_back(value);
        } else if (name == "--ip") {
            const auto ip = Address(value);
            if (!ip) return bad();
            options.ip = *ip;
        } else if (name == "--com") {
            const auto n = Number(value, 1, 255);
            if (!n) return bad();
            options.com = static_cast<int32_t>(*n);
        } else if (name == "--baud") {
            const auto n = Number(value, 1, 4000000);
            if (!n) return bad();
            options.baud = static_cast<int32_t>(*n);
        } else if (name == "--port") {
            const auto n = Number(value, 1, 65535);
            if (!n) return bad();
            options.port = static_cast<uint32_t>(*n);
        } else if (name == "--mask") {
            const auto n = Number(value, 1, 0xFFFFFFFF);
            if (!n) return bad();
            options.mask = static_cast<uint32_t>(*n);
        } else if (name == "--gateway") {
            const auto n = Number(value, 0, 31);
            if (!n) return bad();
            options.gateway = static_cast<int>(*n);
        } else if (name == "--tick") {
            const auto n = Number(value, 1, 125);
            if (!n) return bad();
            options.ticks.push_back(static_cast<int>(*n));
        } else if (name == "--command") {
            options.commands.push_back(value);
        } else if (name == "--script") {
            if (value.empty()) return bad();
            options.script = value;
        } else if (name == "--batch") {
            if (value.empty() || !options.batch.empty()) return bad();
            options.batch.push_back({BatchStep::Kind::Import, value});
        } else if (name == "--batch-export") {
            if (value.empty()) return bad();
            if (options.batch.empty()) {
                error = name + " needs --batch FILE before it";
                return false;
            }
            options.batch.push_back({BatchStep::Kind::Export, value});
        } else if (name == "--record") {
            if (value.empty()) return bad();
            options.record = value;
        } else if (name == "--quantities") {
            std::string reason;
            if (!ParseQuantityList(value, reason)) {
                error = reason + " for --quantities";
                return false;
            }
            options.quantities = value;
        } else if (name == "--period") {
            const auto n = Number(value, kMinSamplePeriod.count(), 3600000);
            if (!n) return bad();
            options.periodMs = static_cast<uint32_t>(*n);
        } else if (name == "--duration") {
            const auto n = Number(value, 1, 31 * 86400);
            if (!n) return bad();
            options.durationS = static_cast<uint32_t>(*n);
        } else {
            error = "unknown option '" + name + "'";
            return false;
        }
    }
    if (options.record.has_value() != !options.quantities.empty()) {
        error = "--record and --quantities go together";
        return false;
    }
    if (!options.record && (options.periodMs != 0 || options.durationS != 0)) {
        error = "--period and --duration need --record";
        return false;
    }
    if (options.com.has_value() != options.baud.has_value()) {
        error = "--com and --baud go together";
        return false;
    }
    return true;
}

}  // namespace norvane::bench
