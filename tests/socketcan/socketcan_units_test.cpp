// The pure parts of Halbox's SocketCAN channels: bit rates from bus timing, the SJA1000 acceptance
// filter and its kernel filters, frames both ways, error frames, the card map.
#include <gtest/gtest.h>
#include <linux/can/error.h>

#include "doubles/halbox_client.h"
#include "pcican/socketcan/acceptance_filter.h"
#include "pcican/socketcan/bit_timing.h"
#include "pcican/socketcan/can_frames.h"
#include "pcican/socketcan/card_map.h"

namespace norvane::halbox::socketcan {
namespace {

MarlixFrame Record(uint32_t id, bool extended, bool remote, std::initializer_list<uint8_t> data) {
    return testing::HalboxFrame(id, extended, remote, data);
}

TEST(BitTiming, CommonPairsAtSixteenMegahertzAndPairsAboveTheLimit) {
    const struct {
        uint8_t btr0, btr1;
        uint32_t rate;
    } cases[] = {
        {0x00, 0x14, 1000000},
        {0x00, 0x16, 800000},
        {0x00, 0x1C, 500000},
        {0x01, 0x1C, 250000},
        {0x03, 0x1C, 125000},
        {0x04, 0x1C, 100000},
        {0x09, 0x1C, 50000},
        {0x18, 0x1C, 20000},
        {0x31, 0x1C, 10000},
        {0xBF, 0xFF, 5000},
        {0xC0, 0x94, 1000000},  // jump width and triple sampling
                                // do not change the rate
        {0x0B, 0x2F, 33333},    // 33.333 kbit/s: 16 MHz / (2 * 12 * 20), rounded
        {0x00, 0x00, 0},        // three quanta of 125 ns: 2.67 Mbit/s
        {0x00, 0x13, 0},        // 1.14 Mbit/s
    };
    for (const auto& c : cases)
        EXPECT_EQ(BitRateFromTiming(c.btr0, c.btr1), c.rate) << std::hex << int(c.btr0) << "/" << int(c.btr1);
}

TEST(AcceptanceFilter, SingleAndDualFiltersOnStandardAndExtendedFrames) {
    const struct {
        const char* name;
        AcceptanceFilter filter;
        MarlixFrame frame;
        bool accepted;
    } cases[] = {
        {"all", {0, 0xFFFFFFFF, true}, Record(0x7FF, false, false, {}), true},
        // Single, standard 0x123: registers 0x24, 0x6_ hold identifier bits 10-3 and 2-0 << 5.
        {"single std exact", {0x24600000, 0x000FFFFF, true}, Record(0x123, false, false, {1}), true},
        {"single std other", {0x24600000, 0x000FFFFF, true}, Record(0x124, false, false, {1}), false},
        {"single std rtr compared", {0x24600000, 0x000FFFFF, true}, Record(0x123, false, true, {}), false},
        {"single std rtr wanted", {0x24700000, 0x000FFFFF, true}, Record(0x123, false, true, {}), true},
        {"single std low bits free", {0x24000000, 0x00EFFFFF, true}, Record(0x127, false, false, {}), true},
        {"single std data byte 1", {0x2460AA00, 0x000F00FF, true}, Record(0x123, false, false, {0xAA}), true},
        {"single std data byte 1 differs",
         {0x2460AA00, 0x000F00FF, true},
         Record(0x123, false, false, {0xAB}),
         false},
        {"single std data byte 1 absent",
         {0x2460AA00, 0x000F00FF, true},
         Record(0x123, false, false, {}),
         true},
        {"single std data byte 2",
         {0x246000BB, 0x000FFF00, true},
         Record(0x123, false, false, {0, 0xBC}),
         false},
        {"single std extended frame", {0x24600000, 0x000FFFFF, true}, Record(0x123, true, false, {}), false},
        // Single, extended 0x12345678: 0x91, 0xA2, 0xB3, 0xC0 (bits 4-0 << 3, RTR bit 2).
        {"single ext exact", {0x91A2B3C0, 0x00000003, true}, Record(0x12345678, true, false, {}), true},
        {"single ext other", {0x91A2B3C0, 0x00000003, true}, Record(0x12345679, true, false, {}), false},
        {"single ext rtr", {0x91A2B3C4, 0x00000003, true}, Record(0x12345678, true, true, {}), true},
        {"single ext low byte free",
         {0x91A2B300, 0x000000FF, true},
         Record(0x1234567F, true, false, {}),
         true},
        // Dual, standard: filter 1 in bytes 0-1 (+ data byte 1 nibbles), filter 2 in bytes 2-3.
        {"dual std filter 1", {0x2460FFFF, 0x000F0000, false}, Record(0x123, false, false, {}), true},
        {"dual std filter 2", {0xFFFF2460, 0x0000000F, false}, Record(0x123, false, false, {}), true},
        {"dual std neither", {0xFFFF2460, 0x0000000F, false}, Record(0x321, false, false, {}), false},
        {"dual std data nibbles",
         {0x246AFFF5, 0x0000000F, false},
         Record(0x321, false, false, {0xA5}),
         false},
        {"dual std data nibbles match",
         {0x246A0005, 0x00000000, false},
         Record(0x123, false, false, {0xA5}),
         true},
        {"dual std data nibbles differ",
         {0x246A0005, 0x00000000, false},
         Record(0x123, false, false, {0xA6}),
         false},
        // Dual, extended: identifier bits 28-13 in each half.
        {"dual ext filter 1", {0x91A20000, 0x0000FFFF, false}, Record(0x12345678, true, false, {}), true},
        {"dual ext filter 2", {0x000091A2, 0xFFFF0000, false}, Record(0x12345678, true, false, {}), true},
        {"dual ext bit 13 differs",
         {0x91A391A3, 0x00000000, false},
         Record(0x12345678, true, false, {}),
         false},
        {"dual ext below bit 13 free",
         {0x91A291A2, 0x00000000, false},
         Record(0x12345FFF, true, false, {}),
         true},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Accepts(c.filter, c.frame), c.accepted) << c.name;
        // Whatever the controller accepts, the kernel lets through.
        const can_frame raw = ToCanFrame(c.frame);
        bool kernel = false;
        for (const can_filter& k : KernelFilters(c.filter)) kernel = kernel || KernelMatches(k, raw.can_id);
        EXPECT_TRUE(kernel || !c.accepted) << c.name;
    }
}

TEST(AcceptanceFilter, KernelFiltersOfASingleStandardAndExtendedFilter) {
    const auto filters = KernelFilters({0x24600000, 0x000FFFFF, true});
    ASSERT_EQ(filters.size(), 2u);
    EXPECT_EQ(filters[0].can_id, 0x123u);
    EXPECT_EQ(filters[0].can_mask, CAN_EFF_FLAG | CAN_RTR_FLAG | 0x7FFu);
    EXPECT_EQ(filters[1].can_mask & CAN_EFF_FLAG, CAN_EFF_FLAG);
    EXPECT_FALSE(KernelMatches(filters[0], 0x124));
    EXPECT_FALSE(KernelMatches(filters[0], 0x123 | CAN_EFF_FLAG));
    EXPECT_EQ(KernelFilters({0, 0xFFFFFFFF, false}).size(), 1u);  // all-accepting: one open filter
}

TEST(CanFrames, RecordsAndKernelFramesBothWays) {
    const struct {
        const char* name;
        MarlixFrame record;
        canid_t id;
        uint8_t len;
        uint8_t data0;
    } cases[] = {
        {"standard", Record(0x123, false, false, {0x11}), 0x123, 1, 0x11},
        {"extended", Record(0x12345678, true, false, {0x22, 0x33}), 0x12345678 | CAN_EFF_FLAG, 2, 0x22},
        {"remote standard", Record(0x7FF, false, true, {}), 0x7FF | CAN_RTR_FLAG, 0, 0},
        {"remote extended", Record(0x1FFFFFFF, true, true, {}), 0x1FFFFFFF | CAN_EFF_FLAG | CAN_RTR_FLAG, 0,
         0},
        {"standard cut to 11 bits", Record(0x923, false, false, {}), 0x123, 0, 0},
        {"extended cut to 29 bits", Record(0xF2345678, true, false, {}), 0x12345678 | CAN_EFF_FLAG, 0, 0},
    };
    for (const auto& c : cases) {
        const can_frame out = ToCanFrame(c.record);
        EXPECT_EQ(out.can_id, c.id) << c.name;
        EXPECT_EQ(out.len, c.len) << c.name;
        EXPECT_EQ(out.data[0], c.data0) << c.name;
        const MarlixFrame back = ToRecord(out);
        EXPECT_EQ(back.identifier, c.id & CAN_EFF_MASK & (c.id & CAN_EFF_FLAG ? CAN_EFF_MASK : CAN_SFF_MASK))
            << c.name;
        EXPECT_EQ(back.extended, c.record.extended) << c.name;
        EXPECT_EQ(back.remote, c.record.remote) << c.name;
        EXPECT_EQ(back.length, c.len) << c.name;
        EXPECT_EQ(back.sendType, 0) << c.name;
    }
    // A remote frame keeps its requested length but carries no data; more than 8 becomes 8.
    MarlixFrame remote = Record(0x10, false, true, {});
    remote.length = 4;
    remote.data[0] = 0xEE;
    EXPECT_EQ(ToCanFrame(remote).len, 4);
    EXPECT_EQ(ToCanFrame(remote).data[0], 0);
    can_frame longer{};
    longer.can_id = 0x10;
    longer.len = 15;
    longer.data[7] = 0x77;
    EXPECT_EQ(ToRecord(longer).length, 8);
    EXPECT_EQ(ToRecord(longer).data[7], 0x77);
}

TEST(ErrorState, ErrorFramesDriveStatusCountersAndBusOff) {
    auto error = [](canid_t what, uint8_t level = 0, uint8_t tx = 0, uint8_t rx = 0) {
        can_frame f{};
        f.can_id = CAN_ERR_FLAG | what;
        f.len = 8;
        f.data[1] = level;
        f.data[6] = tx;
        f.data[7] = rx;
        return f;
    };
    const struct {
        const char* name;
        std::vector<can_frame> frames;
        bool up;
        uint8_t status, tx, rx;
    } cases[] = {
        {"quiet", {}, true, 0x0C, 0, 0},
        {"down", {}, false, 0x00, 0, 0},
        {"counters below the limit", {error(CAN_ERR_CNT, 0, 95, 3)}, true, 0x0C, 95, 3},
        {"counter at the limit", {error(CAN_ERR_CNT, 0, 96, 0)}, true, 0x4C, 96, 0},
        {"warning", {error(CAN_ERR_CRTL, CAN_ERR_CRTL_TX_WARNING)}, true, 0x4C, 0, 0},
        {"passive then active",
         {error(CAN_ERR_CRTL, CAN_ERR_CRTL_RX_PASSIVE), error(CAN_ERR_CRTL, CAN_ERR_CRTL_ACTIVE)},
         true,
         0x0C,
         0,
         0},
        {"bus-off", {error(CAN_ERR_BUSOFF | CAN_ERR_CNT, 0, 255, 0)}, true, 0xC0, 255, 0},
        {"restarted", {error(CAN_ERR_BUSOFF), error(CAN_ERR_RESTARTED)}, true, 0x0C, 0, 0},
    };
    for (const auto& c : cases) {
        ErrorState state;
        for (const can_frame& f : c.frames) state.Apply(f);
        EXPECT_EQ(state.Status(c.up, 96), c.status) << c.name;
        EXPECT_EQ(state.txErrors, c.tx) << c.name;
        EXPECT_EQ(state.rxErrors, c.rx) << c.name;
    }
}

TEST(CardMap, VariableTextAndSystemInterfaces) {
    using Cards = std::vector<CardInterfaces>;
    const struct {
        const char* text;
        Cards cards;
        size_t problems;
    } cases[] = {
        {"can0,can1", {{"can0", "can1"}}, 0},
        {"can0,can1;can2,can3", {{"can0", "can1"}, {"can2", "can3"}}, 0},
        {" can0 , ; ,vcan1", {{"can0", ""}, {"", "vcan1"}}, 0},
        {"can0", {{"can0", ""}}, 0},
        {"", {{"", ""}}, 0},
        {"can0,can1,can2", {{"can0", "can1"}}, 1},
        {"../x,can1", {{"", "can1"}}, 1},
        {"a/b,abcdefghijklmnop", {{"", ""}}, 2},
        {"..,.", {{"", ""}}, 2},
    };
    for (const auto& c : cases) {
        std::vector<std::string> problems;
        EXPECT_EQ(ParseCardMap(c.text, problems), c.cards) << c.text;
        EXPECT_EQ(problems.size(), c.problems) << c.text;
    }
    EXPECT_EQ(PairInterfaces({"can10", "can2", "can1", "vcan0", "can0"}),
              (Cards{{"can0", "can1"}, {"can2", "can10"}, {"vcan0", ""}}));
    EXPECT_TRUE(NaturalLess("can9", "can10"));
    EXPECT_FALSE(NaturalLess("can10", "can9"));
    EXPECT_TRUE(NaturalLess("can", "can0"));
    EXPECT_TRUE(NaturalLess("can01", "can1") != NaturalLess("can1", "can01"));
}

}  // namespace
}  // namespace norvane::halbox::socketcan
