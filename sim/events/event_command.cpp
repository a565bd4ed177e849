#include "sim/events/event_command.h"

#include <cctype>
#include <charconv>
#include <vector>

#include "sim/events/words.h"

namespace norvane::sim::events {
namespace {

constexpr const char* kHelp =
    "sensor NODE 1-3 high|low          controller sensor edge\n"
    "stall NODE                        controller stall\n"
    "input NODE 1-8 high|low           I/O module input level\n"
    "analog NODE VALUE                 controller analog input (0-4095)\n"
    "analog NODE 1-8 VALUE             I/O module analog input of a port (0-4095)\n"
    "card NODE place s40|s70 NUMBER    RFID card placed (NUMBER decimal or 0x hex)\n"
    "card NODE remove                  RFID card taken away\n"
    "ambient NODE TENTHS               temperature controller ambient (-400 to 1500)\n"
    "level NODE CAPACITANCE            liquid-level detector absolute capacitance (0-1000000)\n"
    "@GATEWAY COMMAND                  the node behind one gateway: ADDRESS:PORT[/ZONE], COMn, pciC:CH, "
    "usbN\n"
    "fault GATEWAY drop N|delay N MS|split N MS|silent on|off|garbage "
    "BYTES|close|busoff|unplug|replug|reset\n"
    "                                  arm a fault on a gateway (ADDRESS:PORT, COMn, pciC:CH, usbN)\n"
    "nodes                             list the nodes of every gateway\n"
    "help                              this list\n";

bool Level(std::string_view word, bool& high) {
    if (Is(word, "high") || word == "1") {
        high = true;
        return true;
    }
    if (Is(word, "low") || word == "0") {
        high = false;
        return true;
    }
    return false;
}

class LineParser {
public:
    LineParser(std::vector<std::string_view> words, EventCommand& c, std::string& error)
        : w_(std::move(words)), c_(c), error_(error) {}

    bool Parse() {
        size_t i = 0;
        if (!w_.empty() && w_[0][0] == '@') {
            c_.gateway = std::string(w_[0].substr(1));
            if (c_.gateway.empty()) return Fail("gateway missing after '@'");
            i = 1;
        }
        if (i >= w_.size()) return Fail("command missing");
        const std::string_view verb = w_[i];
        args_ = std::vector<std::string_view>(w_.begin() + static_cast<std::ptrdiff_t>(i) + 1, w_.end());
        if (Is(verb, "help")) return Bare(EventKind::Help);
        if (Is(verb, "nodes")) return Bare(EventKind::Nodes);
        if (Is(verb, "sensor")) return Leveled(EventKind::Sensor, 3, "sensor NODE 1-3 high|low");
        if (Is(verb, "input")) return Leveled(EventKind::Input, 8, "input NODE 1-8 high|low");
        if (Is(verb, "stall")) {
            c_.kind = EventKind::Stall;
            return Count(1, "stall NODE") && Node();
        }
        if (Is(verb, "analog")) return Analog();
        if (Is(verb, "card")) return Card();
        if (Is(verb, "ambient")) return Valued(EventKind::Ambient, -400, 1500, "ambient NODE -400..1500");
        if (Is(verb, "level")) return Valued(EventKind::Level, 0, 1000000, "level NODE 0..1000000");
        return Fail("unknown command '" + std::string(verb) + "' (try help)");
    }

private:
    bool Fail(const std::string& why) {
        error_ = why;
        return false;
    }
    bool Count(size_t n, const char* usage) {
        return args_.size() == n || Fail(std::string("usage: ") + usage);
    }
    bool Node() {
        int64_t n = 0;
        if (!Number(args_[0], 1, 125, n)) return Fail("node id must be 1-125");
        c_.node = static_cast<int>(n);
        return true;
    }
    bool Bare(EventKind kind) {
        if (!c_.gateway.empty()) return Fail("no '@' selector with this command");
        c_.kind = kind;
        return args_.empty() || Fail("no arguments expected");
    }
    bool Leveled(EventKind kind, int ports, const char* usage) {
        c_.kind = kind;
        if (!Count(3, usage) || !Node()) return false;
        int64_t port = 0;
        if (!Number(args_[1], 1, ports, port)) return Fail(std::string("usage: ") + usage);
        c_.port = static_cast<int>(port);
        return Level(args_[2], c_.high) || Fail("level must be high or low");
    }
    bool Valued(EventKind kind, int64_t low, int64_t high, const char* usage) {
        c_.kind = kind;
        if (!Count(2, usage) || !Node()) return false;
        int64_t v = 0;
        if (!Number(args_[1], low, high, v)) return Fail(std::string("usage: ") + usage);
        c_.value = static_cast<int32_t>(v);
        return true;
    }
    bool Analog() {
        c_.kind = EventKind::Analog;
        if (args_.size() != 2 && args_.size() != 3) return Fail("usage: analog NODE [1-8] 0..4095");
        if (!Node()) return false;
        int64_t v = 0;
        if (args_.size() == 3) {
            if (!Number(args_[1], 1, 8, v)) return Fail("port must be 1-8");
            c_.port = static_cast<int>(v);
        }
        if (!Number(args_.back(), 0, 4095, v)) return Fail("analog value must be 0-4095");
        c_.value = static_cast<int32_t>(v);
        return true;
    }
    bool Card() {
        if (args_.size() < 2) return Fail("usage: card NODE place s40|s70 NUMBER, or card NODE remove");
        if (!Node()) return false;
        if (Is(args_[1], "remove")) {
            c_.kind = EventKind::CardRemove;
            return args_.size() == 2 || Fail("usage: card NODE remove");
        }
        c_.kind = EventKind::CardPlace;
        if (!Is(args_[1], "place") || args_.size() != 4)
            return Fail("usage: card NODE place s40|s70 NUMBER, or card NODE remove");
        if (Is(args_[2], "s70"))
            c_.s70 = true;
        else if (!Is(args_[2], "s40"))
            return Fail("card type must be s40 or s70");
        int64_t number = 0;
        if (!Number(args_[3], 0, 0xFFFFFFFF, number, true)) return Fail("card number must be 0-0xFFFFFFFF");
        c_.card = static_cast<uint32_t>(number);
        return true;
    }

    std::vector<std::string_view> w_;
    std::vector<std::string_view> args_;
    EventCommand& c_;
    std::string& error_;
};

}  // namespace

bool ParseEventCommand(std::string_view line, EventCommand& command, std::string& error) {
    command = EventCommand{};
    error.clear();
    if (const size_t hash = line.find('#'); hash != std::string_view::npos) line = line.substr(0, hash);
    const auto words = Words(line);
    if (words.empty()) return true;  // nothing to do
    return LineParser(words, command, error).Parse();
}

const char* EventHelp() {
    return kHelp;
}

}  // namespace norvane::sim::events
