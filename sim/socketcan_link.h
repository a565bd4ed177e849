#pragma once
// The state of one simulated SocketCAN interface between its clients and its bus: up or down
// (whether its bit-rate file exists), the rate the client set there against the bus's own rate,
// bus-off and the restart that ends it. Pure code: the server calls it under its lock and hands
// it the time.
//
// The rules, as a real controller on a real bus behaves:
// - down (no file): nothing passes either way;
// - up at another rate than the bus's: the controller hears only bit errors, so bus frames are
//   lost, and a frame it sends is never acknowledged: the transmission fails and the interface
//   goes bus-off (as the error counter climbs on a real bus);
// - bus-off: nothing passes until a restart: the bit-rate file written again (what setting the
//   rate or "ip link set NAME type can restart" does through the stand-in), or by itself after
//   restart-ms when that is set, as the kernel's automatic restart does. Taking the interface
//   down clears bus-off as well.
#include <cstdint>
#include <optional>
#include <string_view>

namespace norvane::sim {

class SocketCanLink {
public:
    enum class Verdict { Pass, Down, WrongRate, BusOff };

    /// busBitRate: bits per second of the bus; restartMs: automatic restart after bus-off, 0 none.
    SocketCanLink(uint32_t busBitRate, uint32_t restartMs) : busBitRate_(busBitRate), restartMs_(restartMs) {}

    /// The bit-rate file was written with text (or removed: nullopt). true when the write ended a
    /// bus-off (the clients are told the interface restarted).
    bool FileChanged(std::optional<std::string_view> text);
    /// A frame from a client. enteredBusOff is set when this frame put the interface bus-off.
    Verdict FromClient(uint64_t nowMs, bool& enteredBusOff);
    /// A frame from the bus for the clients.
    Verdict FromBus() const;
    /// Fault: the interface goes bus-off; false when it is down or bus-off already.
    bool ForceBusOff(uint64_t nowMs);
    /// true when the automatic restart is due at nowMs (the interface restarts now).
    bool RestartDue(uint64_t nowMs);
    /// When the automatic restart of a bus-off is due, if one is.
    std::optional<uint64_t> RestartAtMs() const;

    bool Up() const { return up_; }
    bool BusOff() const { return busOff_; }
    uint32_t BusBitRate() const { return busBitRate_; }
    /// The rate the bit-rate file names (nullopt: down, or no readable rate in it).
    std::optional<uint32_t> ClientRate() const { return clientRate_; }

private:
    void EnterBusOff(uint64_t nowMs);

    const uint32_t busBitRate_;
    const uint32_t restartMs_;
    bool up_ = false;
    std::optional<uint32_t> clientRate_;
    bool busOff_ = false;
    uint64_t restartAtMs_ = 0;
};

}  // namespace norvane::sim
