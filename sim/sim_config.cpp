#include "sim/sim_config.h"

#include <arpa/inet.h>

#include <charconv>

namespace norvane::sim {
namespace {

std::vector<std::string_view> Words(std::string_view line) {
    std::vector<std::string_view> words;
    size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t' || line[i] == '\r')) ++i;
        const size_t start = i;
        while (i < line.size() && line[i] != ' ' && line[i] != '\t' && line[i] != '\r') ++i;
        if (i > start) words.push_back(line.substr(start, i - start));
    }
    return words;
}

template <typename T>
bool Number(std::string_view s, T& out, uint64_t max) {
    uint64_t v = 0;
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
    if (ec != std::errc() || end != s.data() + s.size() || v > max) return false;
    out = static_cast<T>(v);
    return true;
}

bool Endpoint(std::string_view s, GatewaySpec& g) {
    const size_t colon = s.rfind(':');
    if (colon == std::string_view::npos) return false;
    const std::string address(s.substr(0, colon));
    in_addr parsed{};
    if (inet_pton(AF_INET, address.c_str(), &parsed) != 1) return false;
    g.address = address;
    return Number(s.substr(colon + 1), g.port, 65535);
}

/// Splits "key=value"; a bare word has an empty value.
std::pair<std::string_view, std::string_view> KeyValue(std::string_view word) {
    const size_t eq = word.find('=');
    if (eq == std::string_view::npos) return {word, {}};
    return {word.substr(0, eq), word.substr(eq + 1)};
}

/// "CARD:CHANNEL", card 0-7, channel 0-1.
bool CardChannel(std::string_view s, GatewaySpec& g) {
    const size_t colon = s.find(':');
    return colon != std::string_view::npos && Number(s.substr(0, colon), g.card, 7) &&
           Number(s.substr(colon + 1), g.channel, 1);
}

/// A network interface name as Linux takes it (1-15 characters), limited to letters, digits,
/// '_', '-' and '.', so that it is a file name in the interfaces' folder and never a name of the
/// control socket's other gateways (those carry ':').
bool IsInterfaceName(std::string_view s) {
    if (s.empty() || s.size() > 15 || s == "." || s == "..") return false;
    for (const char c : s) {
        const bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                        c == '_' || c == '-' || c == '.';
        if (!ok) return false;
    }
    return true;
}

bool IsSerialRate(uint32_t baud) {
    for (const uint32_t rate : {4800u, 9600u, 19200u, 38400u, 57600u, 115200u, 230400u})
        if (baud == rate) return true;
    return false;
}

/// How a configuration line names its gateway, for errors: "pci 1:0", "usb 3", "COM4", "socketcan can0".
std::string Described(const GatewaySpec& g) {
    switch (g.kind) {
        case GatewaySpec::Kind::Pci:
            return "pci " + std::to_string(g.card) + ":" + std::to_string(g.channel);
        case GatewaySpec::Kind::Usb:
            return "usb " + std::to_string(g.usbIndex);
        case GatewaySpec::Kind::SocketCan:
            return "socketcan " + g.interfaceName;
        default:
            return EventName(g);
    }
}

std::string GatewayLine(const std::vector<std::string_view>& w, GatewaySpec& g) {
    g.kind = w[0] == "zone"        ? GatewaySpec::Kind::Zone
             : w[0] == "pci"       ? GatewaySpec::Kind::Pci
             : w[0] == "rs232"     ? GatewaySpec::Kind::Rs232
             : w[0] == "uart"      ? GatewaySpec::Kind::Uart
             : w[0] == "usb"       ? GatewaySpec::Kind::Usb
             : w[0] == "socketcan" ? GatewaySpec::Kind::SocketCan
                                   : GatewaySpec::Kind::Ethernet;
    const bool socketcan = g.kind == GatewaySpec::Kind::SocketCan;
    const bool serial = g.kind == GatewaySpec::Kind::Rs232 || g.kind == GatewaySpec::Kind::Uart;
    if (serial && g.kind == GatewaySpec::Kind::Uart) g.baud = 115200;
    if (serial) {
        const std::string_view name = w.size() >= 2 ? w[1] : std::string_view{};
        if (name.substr(0, 3) != "COM" || !Number(name.substr(3), g.comNumber, 255) || g.comNumber < 1)
            return "expected COMn (n 1-255) after " + std::string(w[0]);
    } else if (g.kind == GatewaySpec::Kind::Pci) {
        if (w.size() < 2 || !CardChannel(w[1], g)) return "expected card:channel (0-7:0-1) after pci";
    } else if (socketcan) {
        if (w.size() < 2 || !IsInterfaceName(w[1]))
            return "expected an interface name (1-15 letters, digits, '_', '-', '.') after socketcan";
        g.interfaceName = std::string(w[1]);
    } else if (g.kind == GatewaySpec::Kind::Usb) {
        if (w.size() < 2 || !Number(w[1], g.usbIndex, 99)) return "expected a device index (0-99) after usb";
    } else if (w.size() < 2 || !Endpoint(w[1], g)) {
        return "expected address:port after " + std::string(w[0]);
    }
    for (size_t i = 2; i < w.size(); ++i) {
        const auto [key, value] = KeyValue(w[i]);
        if (key == "bitrate-code" && Number(value, g.bitRateCode, 7)) continue;
        if (key == "zones" && Number(value, g.zones, 9) && g.zones >= 1) continue;
        if (key == "baud" && serial && Number(value, g.baud, 921600) && IsSerialRate(g.baud)) continue;
        if (key == "generation" && serial && Number(value, g.generation, 2) && g.generation >= 1) continue;
        if (key == "line-time" && value.empty() && serial) {
            g.lineTime = true;
            continue;
        }
        if (key == "restart-ms" && socketcan && Number(value, g.restartMs, 60000)) continue;
        if (key == "bridge" && socketcan && value.empty()) {
            g.bridge = true;
            continue;
        }
        if (key == "bus-time" && value.empty()) {
            g.busTime = true;
            continue;
        }
        if (key == "old" && value.empty()) {
            g.old = true;
            continue;
        }
        if (key == "log" && !value.empty()) {
            g.log = std::string(value);
            continue;
        }
        return "bad gateway setting '" + std::string(w[i]) + "'";
    }
    return {};
}

std::string NodeLine(const std::vector<std::string_view>& w, NodeSpec& n) {
    if (w.size() < 3) return "expected: node <kind> <id>";
    if (!nodes::ParseNodeKind(w[1], &n.kind)) return "unknown node kind '" + std::string(w[1]) + "'";
    if (!Number(w[2], n.id, 125) || n.id < 1) return "node id must be 1-125";
    for (size_t i = 3; i < w.size(); ++i) {
        const auto [key, value] = KeyValue(w[i]);
        if (key == "zone" && Number(value, n.zone, 9) && n.zone >= 1) continue;
        if (key == "code" && Number(value, n.code, 255)) continue;
        if (key == "firmware" && Number(value, n.firmware, 65535)) continue;
        if (key == "serial" && Number(value, n.serial, 0xFFFFFFFFu)) continue;
        if (key == "options") {
            nodes::ControllerOptions o;
            if (!nodes::ParseModelOptions(value, &o)) return "bad model options '" + std::string(value) + "'";
            n.options = std::string(value);
            continue;
        }
        return "bad node setting '" + std::string(w[i]) + "'";
    }
    return {};
}

}  // namespace

std::string EventName(const GatewaySpec& g) {
    switch (g.kind) {
        case GatewaySpec::Kind::Pci:
            return "pci" + std::to_string(g.card) + ":" + std::to_string(g.channel);
        case GatewaySpec::Kind::Usb:
            return "usb" + std::to_string(g.usbIndex);
        case GatewaySpec::Kind::Rs232:
        case GatewaySpec::Kind::Uart:
            return "COM" + std::to_string(g.comNumber);
        case GatewaySpec::Kind::SocketCan:
            return g.interfaceName;
        default:
            return {};
    }
}

bool ParseSimConfig(std::string_view text, SimConfig& config, std::string& error) {
    config = {};
    size_t lineNumber = 0;
    while (!text.empty()) {
        ++lineNumber;
        const size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
        if (const size_t hash = line.find('#'); hash != std::string_view::npos) line = line.substr(0, hash);
        const auto words = Words(line);
        if (words.empty()) continue;
        std::string problem;
        if (words[0] == "ethernet" || words[0] == "zone" || words[0] == "pci" || words[0] == "rs232" ||
            words[0] == "uart" || words[0] == "usb" || words[0] == "socketcan") {
            config.gateways.emplace_back();
            problem = GatewayLine(words, config.gateways.back());
            const GatewaySpec& added = config.gateways.back();
            const std::string name = problem.empty() ? EventName(added) : std::string();
            for (size_t i = 0; !name.empty() && i + 1 < config.gateways.size() && problem.empty(); ++i) {
                const GatewaySpec& other = config.gateways[i];
                if (EventName(other) != name) continue;
                const bool sameKind =
                    other.kind == added.kind || (other.comNumber != 0 && added.comNumber != 0);
                problem = sameKind ? Described(added) + " configured twice"
                                   : "the name " + name + " belongs to another gateway";
            }
        } else if (words[0] == "node") {
            if (config.gateways.empty()) {
                problem = "node before any gateway";
            } else {
                NodeSpec n;
                problem = NodeLine(words, n);
                GatewaySpec& g = config.gateways.back();
                if (problem.empty() && g.kind == GatewaySpec::Kind::Zone && n.zone > g.zones)
                    problem = "no such zone";
                if (problem.empty()) g.nodes.push_back(n);
            }
        } else {
            problem = "unknown line '" + std::string(words[0]) + "'";
        }
        if (!problem.empty()) {
            error = "line " + std::to_string(lineNumber) + ": " + problem;
            return false;
        }
    }
    if (config.gateways.empty()) {
        error = "no gateway configured";
        return false;
    }
    return true;
}

SimConfig DefaultSimConfig() {
    SimConfig config;
    std::string error;
    ParseSimConfig(
        "ethernet 127.0.0.1:28877\n"
        "node controller 5\n"
        "node controller 6 options=-M-S-IE\n"
        "node controller 7 options=-SP-E\n"
        "node io 8 code=80\n"
        "node rfid 9\n"
        "node temperature 10 code=89\n",
        config, error);
    return config;
}

}  // namespace norvane::sim
