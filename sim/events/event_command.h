#pragma once
// The event language of norvane-sim's control channel: one command per line raises a device event
// on a running simulation (see README, section "Simulator"). Pure code: parsing only.
//
//   sensor 5 1 high            controller 5: sensor S1 goes high (rising edge)
//   stall 5                    controller 5 stalls
//   input 8 2 low              I/O module 8: input P2 goes low
//   analog 5 2048              controller 5: analog input value (0-4095)
//   analog 8 1 4095            I/O module 8: analog value of port P1
//   card 20 place s70 0x1234   RFID reader 20: an S70 card with number 0x1234 is placed
//   card 20 remove             the card is taken away
//   ambient 30 215             temperature controller 30: ambient 21.5 degrees (tenths)
//   level 40 1500              liquid-level detector 40: absolute capacitance
//   @127.0.0.1:28877 stall 5   the node behind that gateway (COM3, pci0:1, ADDRESS:PORT/ZONE)
//   nodes                      list the nodes of every gateway
//   help                       list the commands
//
// Words are separated by blanks; keywords are case-insensitive; '#' starts a comment.
#include <cstdint>
#include <string>
#include <string_view>

namespace norvane::sim::events {

enum class EventKind {
    None,
    Help,
    Nodes,
    Sensor,
    Stall,
    Input,
    Analog,
    CardPlace,
    CardRemove,
    Ambient,
    Level
};

struct EventCommand {
    EventKind kind = EventKind::None;  ///< None: a blank or comment line
    std::string gateway;               ///< "@WHERE" selector without '@'; empty = any gateway
    int node = 0;                      ///< 1-125
    int port = 0;                      ///< sensor 1-3, I/O port 1-8; 0 = none given (analog of a controller)
    bool high = false;                 ///< sensor and input level
    int32_t value = 0;                 ///< analog value, ambient tenths, capacitance
    bool s70 = false;                  ///< card type: S70 (true) or S40
    uint32_t card = 0;                 ///< card number
};

/// Parses one line. false with error (a short reason for the operator) when the line is not a command.
bool ParseEventCommand(std::string_view line, EventCommand& command, std::string& error);

/// The help text: one line per command.
const char* EventHelp();

}  // namespace norvane::sim::events
