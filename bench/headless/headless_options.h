#pragma once
// Command-line options of the headless runner (kestrin --headless ...). Pure.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace norvane::bench {

/// One press of a batch writer button: the import of --batch FILE, then --batch-read,
/// --batch-write, --batch-eeprom and --batch-export FILE in the order given.
struct BatchStep {
    enum class Kind { Import, Read, Write, Eeprom, Export };
    Kind kind = Kind::Import;
    std::string file;  ///< Import and Export
};

struct HeadlessOptions {
    std::string programDir;               ///< empty: the program's own folder
    std::optional<std::string> language;  ///< --lang: as if setting.ini named it
    std::vector<std::string> lookups;     ///< --lookup: print these texts and exit
    std::optional<uint32_t> ip;           ///< --ip: first octet in the most significant byte
    std::optional<int32_t> com;           ///< --com with --baud: an RS-232 gateway
    std::optional<int32_t> baud;
    std::optional<uint32_t> port;       ///< --port: the Ethernet gateways' server port (default 28877)
    std::optional<uint32_t> mask;       ///< --mask: the kind mask itself
    int gateway = 0;                    ///< --gateway: entry of the search result
    std::vector<int> ticks;             ///< --tick: nodes whose rows are ticked
    std::vector<std::string> commands;  ///< --command: command box lines, in order
    std::optional<std::string> script;  ///< --script: a script file
    std::vector<BatchStep> batch;       ///< the batch writer's steps; the first is an Import
    std::optional<std::string> record;  ///< --record: sample the ticked nodes into this CSV file
    std::string quantities;             ///< --quantities: names, comma-separated (with --record)
    uint32_t periodMs = 0;              ///< --period: between rounds, 10 ms or more (0: 100 ms)
    uint32_t durationS = 0;             ///< --duration: how long to record (0: 10 s)
    bool usage = false;                 ///< -h, --help
    bool version = false;               ///< --version
};

/// Parses the arguments after the program name ("--headless" itself is accepted anywhere).
/// false with a one-line reason for an unknown option, a missing or malformed value.
bool ParseHeadlessOptions(const std::vector<std::string>& args, HeadlessOptions& options, std::string& error);

/// The usage text printed with a bad-argument error.
const char* HeadlessUsage();

}  // namespace norvane::bench
