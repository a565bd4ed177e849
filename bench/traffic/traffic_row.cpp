#include "bench/traffic/traffic_row.h"

#include <algorithm>
#include <cinttypes>
#include <cstdio>

#include "sdk/core/codec/commands.h"
#include "sdk/core/codec/text_mnemonics.h"
#include "sdk/core/kind_names.h"

namespace norvane::bench {
namespace {

namespace cmd = sdk::cmd;

int32_t Le32(const uint8_t* d) {
    return static_cast<int32_t>(static_cast<uint32_t>(d[0]) | static_cast<uint32_t>(d[1]) << 8 |
                                static_cast<uint32_t>(d[2]) << 16 | static_cast<uint32_t>(d[3]) << 24);
}

// Second-generation commands whose request and answer carry one signed 32-bit number in d0-d3
// (the codec packs and decodes these as one integer).
constexpr uint8_t kIntegerCommands[] = {
    cmd::kOrg,  cmd::kSpd,  cmd::kStp,  cmd::kPos,  cmd::kQec,        cmd::kGOrg,     cmd::kGSpd,
    cmd::kGStp, cmd::kGPos, cmd::kGQec, cmd::kMAcc, cmd::kMDec,       cmd::kMMss,     cmd::kMMds,
    cmd::kQer,  cmd::kSqt,  cmd::kBlc,  cmd::kRpt,  cmd::kBitRate153, cmd::kIoOutput, cmd::kRpc,
};
// Second-generation commands whose request and answer carry one byte in d0.
constexpr uint8_t kByteCommands[] = {cmd::kDout, cmd::kMcs, cmd::kCur, cmd::kAcr, cmd::kBtr, cmd::kStore};

template <typename Table>
bool Holds(const Table& table, uint8_t number) {
    return std::find(std::begin(table), std::end(table), number) != std::end(table);
}

std::string ValueText(bool firstGen, uint8_t number, const KymTrafficFrame& f) {
    if (firstGen || f.remote) return {};
    if (Holds(kIntegerCommands, number) && f.length == 4) return std::to_string(Le32(f.data));
    if (Holds(kByteCommands, number) && f.length == 1) return std::to_string(f.data[0]);
    // An error report names the refused command (d1) and the node's error code (d2).
    if (number == cmd::kErrorReport && f.length >= 3) {
        const std::string name = CommandName(false, f.data[1] & 0x7F);
        return (name.empty() ? std::to_string(f.data[1] & 0x7F) : name) + ": -" + std::to_string(f.data[2]);
    }
    return {};
}

}  // namespace

bool FirstGenHandle(uint32_t handle) {
    return ((handle >> 8) & 0xFFFFu) >= 256;
}

std::string CommandName(bool firstGen, uint8_t number) {
    if (firstGen) {
        for (const auto& entry : sdk::text::kLegacyCommands) {
            if (entry.number == number) return entry.name;
        }
        return {};
    }
    for (const auto& entry : sdk::text::kPlainCommands) {
        if (entry.number == number) return entry.name;
    }
    for (const auto& entry : sdk::text::kGlobalCommands) {
        if (entry.number == number) return entry.name;
    }
    if (number == sdk::text::kSetAddress.number) return sdk::text::kSetAddress.name;
    if (number == sdk::text::kModel.number) return sdk::text::kModel.name;
    if (number == cmd::kAck) return "ACK";
    if (number == cmd::kErrorReport) return "ERR";
    return {};
}

TrafficRow DecodeTrafficFrame(const KymTrafficFrame& frame) {
    TrafficRow row;
    row.frame = frame;
    row.frame.length = std::min<uint8_t>(frame.length, 8);
    row.received = frame.direction != 0;
    if (!frame.extended) return row;
    const uint32_t id = frame.identifier & 0x1FFFFFFFu;
    const bool firstGen = FirstGenHandle(frame.handle);
    uint32_t node = 0;
    if (!firstGen && !row.received && (id & 0x1FFFFF00u) == 0x1F0FE000u) {
        node = 127;  // broadcast to every node
    } else if (!firstGen && !row.received) {
        node = (id >> 24 & 0x1Fu) | (id >> 8 & 0x60u);
    } else if (!firstGen) {
        node = (id >> 19 & 0x1Fu) | (id >> 8 & 7u) << 5;
    } else if (!row.received) {
        node = (id >> 19 & 0x1Fu) | (id >> 9 & 0x60u);
    } else {
        node = (id >> 24 & 0x1Fu) | (id >> 16 & 3u) << 5;
    }
    row.node = static_cast<int>(node);
    row.controlWord = static_cast<int>(id & 0xFFu);
    const auto number = static_cast<uint8_t>(id & 0x7Fu);
    row.command = CommandName(firstGen, number);
    row.value = ValueText(firstGen, number, row.frame);
    return row;
}

std::string TimeOfDayText(uint64_t micros, int64_t utcOffsetSeconds) {
    const int64_t seconds = static_cast<int64_t>(micros / 1000000) + utcOffsetSeconds;
    const int64_t ofDay = ((seconds % 86400) + 86400) % 86400;
    char text[16];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d.%03d", static_cast<int>(ofDay / 3600),
                  static_cast<int>(ofDay / 60 % 60), static_cast<int>(ofDay % 60),
                  static_cast<int>(micros / 1000 % 1000));
    return text;
}

std::string IdentifierText(const KymTrafficFrame& frame) {
    char text[12];
    if (frame.extended)
        std::snprintf(text, sizeof text, "%08" PRIX32, frame.identifier & 0x1FFFFFFFu);
    else
        std::snprintf(text, sizeof text, "%03" PRIX32, frame.identifier & 0x7FFu);
    return text;
}

std::string DataText(const KymTrafficFrame& frame) {
    if (frame.remote) return "R";
    std::string text;
    char pair[4];
    for (uint8_t i = 0; i < std::min<uint8_t>(frame.length, 8); ++i) {
        std::snprintf(pair, sizeof pair, i == 0 ? "%02X" : " %02X", frame.data[i]);
        text += pair;
    }
    return text;
}

std::string ControlWordText(const TrafficRow& row) {
    if (row.controlWord < 0) return {};
    char text[12];
    std::snprintf(text, sizeof text, "%02X", static_cast<unsigned>(row.controlWord));
    return text;
}

std::string CandumpLine(const TrafficRow& row) {
    const KymTrafficFrame& f = row.frame;
    const char* kind = "gw";
    for (const auto& entry : sdk::kKindNames) {
        if (entry.kind == (f.handle >> 8 & 0xFFFFu)) kind = entry.name;
    }
    std::string data;
    if (f.remote) {
        data = "R";
    } else {
        char pair[3];
        for (uint8_t i = 0; i < std::min<uint8_t>(f.length, 8); ++i) {
            std::snprintf(pair, sizeof pair, "%02X", f.data[i]);
            data += pair;
        }
    }
    char line[96];
    std::snprintf(line, sizeof line, "(%" PRIu64 ".%06" PRIu64 ") %s-%u-%s %s#%s\n", f.timeMicros / 1000000,
                  f.timeMicros % 1000000, kind, f.handle & 0xFFu, row.received ? "rx" : "tx",
                  IdentifierText(f).c_str(), data.c_str());
    return line;
}

}  // namespace norvane::bench
