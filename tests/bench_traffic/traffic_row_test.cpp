// The traffic view's rows: node, control word, command name and value read from hand-computed
// identifiers of both generations and directions, and the texts of the columns and the log.
#include "bench/traffic/traffic_row.h"

#include <gtest/gtest.h>

#include <vector>

namespace norvane::bench {
namespace {

constexpr uint32_t kEth = 0x1001;      // second-generation Ethernet, port 1
constexpr uint32_t kEthV1 = 0x200001;  // first-generation Ethernet (kind 8192), port 1
constexpr uint32_t kZone = 0x800000;   // zone device
constexpr uint8_t kTx = 0, kRx = 1;

KymTrafficFrame Frame(uint32_t handle, uint8_t direction, uint32_t id, std::vector<uint8_t> data,
                      bool extended = true, bool remote = false) {
    KymTrafficFrame f{};
    f.timeMicros = 1700000000123456u;
    f.handle = handle;
    f.direction = direction;
    f.identifier = id;
    f.extended = extended;
    f.remote = remote;
    f.length = static_cast<uint8_t>(data.size());
    for (size_t i = 0; i < data.size(); ++i) f.data[i] = data[i];
    return f;
}

struct Case {
    const char* what;
    KymTrafficFrame frame;
    int node;
    int controlWord;
    const char* command;
    const char* value;
    const char* identifier;
    const char* data;
    const char* candump;
};

TEST(TrafficRow, DecodesIdentifiersOfBothGenerationsAndDirections) {
    const Case cases[] = {
        {"SPD request to node 37", Frame(kEth, kTx, 0x05082087, {0xE8, 0x03, 0, 0}), 37, 0x87, "SPD", "1000",
         "05082087", "E8 03 00 00", "(1700000000.123456) eth-1-tx 05082087#E8030000\n"},
        {"its answer", Frame(kEth, kRx, 0x00280187, {0xE8, 0x03, 0, 0}), 37, 0x87, "SPD", "1000", "00280187",
         "E8 03 00 00", "(1700000000.123456) eth-1-rx 00280187#E8030000\n"},
        {"broadcast gSPD", Frame(kEth, kTx, 0x1F0FE01B, {0x9C, 0xFF, 0xFF, 0xFF}), 127, 0x1B, "gSPD", "-100",
         "1F0FE01B", "9C FF FF FF", "(1700000000.123456) eth-1-tx 1F0FE01B#9CFFFFFF\n"},
        {"error report refusing SPD", Frame(kEth, kRx, 0x0028000F, {0, 0x07, 0x03}), 5, 0x0F, "ERR",
         "SPD: -3", "0028000F", "00 07 03", "(1700000000.123456) eth-1-rx 0028000F#000703\n"},
        {"MCS byte", Frame(kEth, kTx, 0x02080088, {0x10}), 2, 0x88, "MCS", "16", "02080088", "10",
         "(1700000000.123456) eth-1-tx 02080088#10\n"},
        {"MCS with a length it never has", Frame(kEth, kTx, 0x02080088, {0x10, 0}), 2, 0x88, "MCS", "",
         "02080088", "10 00", "(1700000000.123456) eth-1-tx 02080088#1000\n"},
        {"model request to every node", Frame(kEth, kTx, 0x1F0FE041, {}), 127, 0x41, "MDL", "", "1F0FE041",
         "", "(1700000000.123456) eth-1-tx 1F0FE041#\n"},
        {"unnamed number", Frame(kEth, kRx, 0x00080005, {}), 1, 0x05, "", "", "00080005", "",
         "(1700000000.123456) eth-1-rx 00080005#\n"},
        {"first generation sp to node 37", Frame(kEthV1, kTx, 0x0028401E, {0xE8, 0x03, 0, 0}), 37, 0x1E, "sp",
         "", "0028401E", "E8 03 00 00", "(1700000000.123456) ethv1-1-tx 0028401E#E8030000\n"},
        {"first generation answer of node 37", Frame(kEthV1, kRx, 0x0501001E, {}), 37, 0x1E, "sp", "",
         "0501001E", "", "(1700000000.123456) ethv1-1-rx 0501001E#\n"},
        {"zone answer", Frame(kZone | 2u << 24, kRx, 0x0300000B, {}), 3, 0x0B, "", "", "0300000B", "",
         "(1700000000.123456) zone-0-rx 0300000B#\n"},
        {"remote SPD", Frame(kEth, kTx, 0x05080087, {}, true, true), 5, 0x87, "SPD", "", "05080087", "R",
         "(1700000000.123456) eth-1-tx 05080087#R\n"},
        {"11-bit frame", Frame(0x0302, kTx, 0x123, {1, 2}, false), -1, -1, "", "", "123", "01 02",
         "(1700000000.123456) gw-2-tx 123#0102\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const TrafficRow row = DecodeTrafficFrame(c.frame);
        EXPECT_EQ(row.received, c.frame.direction == kRx);
        EXPECT_EQ(row.node, c.node);
        EXPECT_EQ(row.controlWord, c.controlWord);
        EXPECT_EQ(row.command, c.command);
        EXPECT_EQ(row.value, c.value);
        EXPECT_EQ(IdentifierText(row.frame), c.identifier);
        EXPECT_EQ(DataText(row.frame), c.data);
        EXPECT_EQ(CandumpLine(row), c.candump);
    }
}

TEST(TrafficRow, TextsOfTimeAndControlWordAndOutsideLengths) {
    const struct {
        uint64_t micros;
        int64_t offset;
        const char* text;
    } times[] = {
        {1700000000123456u, 0, "22:13:20.123"},
        {1700000000123456u, 3600, "23:13:20.123"},
        {1700000000999999u, 8 * 3600, "06:13:20.999"},
        {0, -1, "23:59:59.000"},
    };
    for (const auto& t : times) EXPECT_EQ(TimeOfDayText(t.micros, t.offset), t.text) << t.offset;
    EXPECT_EQ(ControlWordText(DecodeTrafficFrame(Frame(kEth, kTx, 0x05082087, {}))), "87");
    EXPECT_EQ(ControlWordText(DecodeTrafficFrame(Frame(kEth, kTx, 0x7FF, {}, false))), "");
    // A length beyond 8 from outside reads as 8 bytes, never past the record.
    KymTrafficFrame wide = Frame(kEth, kRx, 0x00280187, {1, 2, 3, 4, 5, 6, 7, 8});
    wide.length = 200;
    const TrafficRow row = DecodeTrafficFrame(wide);
    EXPECT_EQ(DataText(row.frame), "01 02 03 04 05 06 07 08");
    EXPECT_EQ(row.value, "");
}

}  // namespace
}  // namespace norvane::bench
