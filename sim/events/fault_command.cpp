#include "sim/events/fault_command.h"

#include <cstdio>
#include <vector>

#include "sim/events/words.h"

namespace norvane::sim::events {
namespace {

constexpr const char* kUsage =
    "fault GATEWAY drop N | delay N MS | split N MS | silent on|off | garbage BYTES | close | busoff | "
    "unplug | replug | reset";

/// Bytes that frame nothing on any of the gateways' links: no start marker of a frame, text or packet.
std::vector<uint8_t> Garbage(uint32_t count) {
    std::vector<uint8_t> bytes(count);
    for (uint32_t i = 0; i < count; ++i) bytes[i] = static_cast<uint8_t>(0x30 + (i * 7) % 10);
    return bytes;
}

std::string Armed(FaultInjector& faults, const FaultCommand& c) {
    switch (c.action) {
        case FaultAction::Drop:
            faults.DropAnswers(c.count);
            return "ok\n";
        case FaultAction::Delay:
            faults.DelayAnswers(c.count, c.ms);
            return "ok\n";
        case FaultAction::Split:
            faults.SplitAnswers(c.count, c.ms);
            return "ok\n";
        case FaultAction::Silent:
            faults.SetSilent(c.on);
            return "ok\n";
        case FaultAction::Reset:
            faults.Reset();
            return "ok\n";
        default:
            return "";
    }
}

template <typename Gateway>
std::string OnTcp(Gateway& g, const FaultCommand& c) {
    if (c.action == FaultAction::Garbage) {
        g.SendRaw(Garbage(c.count));
        return "ok\n";
    }
    if (c.action == FaultAction::Close) {
        g.CloseClient();
        return "ok\n";
    }
    std::string reply = Armed(g.Faults(), c);
    return reply.empty() ? "error: " + c.gateway + " takes no such fault\n" : reply;
}

std::string OnPci(PciCardServer& cards, const FaultCommand& c) {
    int card = -1, channel = -1;
    if (std::sscanf(c.gateway.c_str(), "pci%d:%d", &card, &channel) != 2 || card < 0 || card >= kPciCards ||
        channel < 0 || channel >= kPciChannels || !cards.CardPresent(static_cast<uint8_t>(card)))
        return "error: no gateway " + c.gateway + "\n";
    if (c.action != FaultAction::BusOff) return "error: " + c.gateway + " takes no such fault\n";
    cards.ForceBusOff(static_cast<uint8_t>(card), static_cast<uint8_t>(channel), true);
    return "ok\n";
}

std::string OnUsb(UsbAdapterServer& adapters, const FaultCommand& c) {
    for (size_t slot = 0; slot < adapters.AdapterCount(); ++slot) {
        if ("usb" + std::to_string(adapters.Model(slot).DeviceIndex()) != c.gateway) continue;
        if (c.action == FaultAction::Unplug)
            adapters.Unplug(slot);
        else if (c.action == FaultAction::Replug)
            adapters.Replug(slot);
        else
            return "error: " + c.gateway + " takes no such fault\n";
        return "ok\n";
    }
    return "error: no gateway " + c.gateway + "\n";
}

std::string OnSocketCan(SocketCanServer& interfaces, const FaultCommand& c) {
    const bool bridged = interfaces.Bridged(c.gateway);
    if (c.action == FaultAction::BusOff && !bridged) {
        if (interfaces.ForceBusOff(c.gateway)) return "ok\n";
        return "error: " + c.gateway + " is down or bus-off already\n";
    }
    const bool answerFault =
        c.action == FaultAction::Drop || c.action == FaultAction::Silent || c.action == FaultAction::Reset;
    if (!answerFault) return "error: " + c.gateway + " takes no such fault\n";
    return Armed(interfaces.Faults(c.gateway), c);
}

}  // namespace

bool ParseFaultCommand(std::string_view arguments, FaultCommand& c, std::string& error) {
    const std::vector<std::string_view> w = Words(arguments);
    const auto fail = [&]() {
        error = std::string("usage: ") + kUsage;
        return false;
    };
    if (w.size() < 2) return fail();
    c.gateway = std::string(w[0]);
    const std::string_view verb = w[1];
    const size_t args = w.size() - 2;
    int64_t n = 0, ms = 0;
    struct Bare {
        const char* word;
        FaultAction action;
    };
    static constexpr Bare kBare[] = {{"close", FaultAction::Close},
                                     {"busoff", FaultAction::BusOff},
                                     {"unplug", FaultAction::Unplug},
                                     {"replug", FaultAction::Replug},
                                     {"reset", FaultAction::Reset}};
    for (const Bare& b : kBare) {
        if (!Is(verb, b.word)) continue;
        if (args != 0) return fail();
        c.action = b.action;
        return true;
    }
    if (Is(verb, "drop") || Is(verb, "garbage")) {
        if (args != 1 || !Number(w[2], 1, 100000, n)) return fail();
        c.action = Is(verb, "drop") ? FaultAction::Drop : FaultAction::Garbage;
        c.count = static_cast<uint32_t>(n);
        return true;
    }
    if (Is(verb, "delay") || Is(verb, "split")) {
        if (args != 2 || !Number(w[2], 1, 100000, n) || !Number(w[3], 1, 60000, ms)) return fail();
        c.action = Is(verb, "delay") ? FaultAction::Delay : FaultAction::Split;
        c.count = static_cast<uint32_t>(n);
        c.ms = static_cast<uint32_t>(ms);
        return true;
    }
    if (Is(verb, "silent")) {
        if (args != 1 || !(Is(w[2], "on") || Is(w[2], "off"))) return fail();
        c.action = FaultAction::Silent;
        c.on = Is(w[2], "on");
        return true;
    }
    return fail();
}

std::string ApplyFault(const FaultCommand& c, const Simulation& simulation) {
    for (const auto& g : simulation.EthernetGateways())
        if (g->Address() + ":" + std::to_string(g->Port()) == c.gateway) return OnTcp(*g, c);
    for (const auto& z : simulation.ZoneDevices())
        if (z->Address() + ":" + std::to_string(z->Port()) == c.gateway) return OnTcp(*z, c);
    for (const auto& s : simulation.Rs232Gateways()) {
        if ("COM" + std::to_string(s->Options().comNumber) != c.gateway) continue;
        if (c.action == FaultAction::Garbage) {
            s->SendRaw(Garbage(c.count));
            return "ok\n";
        }
        std::string reply = Armed(s->Faults(), c);
        return reply.empty() ? "error: " + c.gateway + " takes no such fault\n" : reply;
    }
    if (simulation.SocketCans() != nullptr && simulation.SocketCans()->Has(c.gateway))
        return OnSocketCan(*simulation.SocketCans(), c);
    if (c.gateway.rfind("pci", 0) == 0 && simulation.PciCards() != nullptr)
        return OnPci(*simulation.PciCards(), c);
    if (c.gateway.rfind("usb", 0) == 0 && simulation.UsbAdapters() != nullptr)
        return OnUsb(*simulation.UsbAdapters(), c);
    return "error: no gateway " + c.gateway + "\n";
}

std::string RunFaultLine(std::string_view line, const Simulation& simulation) {
    const std::vector<std::string_view> w = Words(line);
    if (w.empty() || !Is(w[0], "fault")) return "";
    const size_t rest = line.find(w[0]) + w[0].size();
    FaultCommand command;
    std::string error;
    if (!ParseFaultCommand(line.substr(rest), command, error)) return "error: " + error + "\n";
    return ApplyFault(command, simulation);
}

}  // namespace norvane::sim::events
