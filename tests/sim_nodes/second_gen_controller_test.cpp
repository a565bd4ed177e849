#include "sim/nodes/second_gen_controller.h"

#include <gtest/gtest.h>

#include "node_test_util.h"

namespace norvane::sim::nodes {
namespace {

using test::Bytes;
using test::Exchange;
using test::Frame;
using test::Recorder;
using V = std::vector<uint8_t>;

// Node 5: identifier = control word | 0x05080000.
constexpr uint32_t kNode5 = 0x05080000;  // requests to node 5
constexpr uint32_t kFrom5 = 0x00280000;  // node 5's own frames: id at bits 19-23

TEST(SecondGenController, SetWithAnswerBitChangesStateAndAnswers) {
    SecondGenController c(5);
    auto out = Exchange(c, Frame(kNode5 | 0x87, {0xE8, 0x03, 0x00, 0x00}));  // SPD 1000, answer wanted
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(out[0].id, kFrom5 | 0x87);
    EXPECT_EQ(Bytes(out[0]), (V{0xE8, 0x03, 0x00, 0x00}));
    EXPECT_EQ(c.Speed(), 1000);

    out = Exchange(c, Frame(kNode5 | 0x07, {0x18, 0xFC, 0xFF, 0xFF}));  // SPD -1000, no answer
    EXPECT_TRUE(out.empty());
    EXPECT_EQ(c.Speed(), -1000);
}

struct RegisterCase {
    const char* name;
    uint8_t command;
    V written;
    V answered;  // answer of the get that follows
};

TEST(SecondGenController, GetsAnswerTheStoredValueInTheirLayout) {
    const RegisterCase cases[] = {
        {"mACC", 42, {0x10, 0x27, 0x00, 0x00}, {0x10, 0x27, 0x00, 0x00}},
        {"mDEC", 43, {0x20, 0x4E, 0x00, 0x00}, {0x20, 0x4E, 0x00, 0x00}},
        {"mMSS", 44, {0x2C, 0x01}, {0x2C, 0x01}},
        {"mMDS", 45, {0x90, 0x01}, {0x90, 0x01}},
        {"MCFG", 46, {0x34, 0x12, 0x00, 0x00}, {0x34, 0x12, 0x00, 0x00}},
        {"QER", 56, {0x80, 0x3E}, {0x80, 0x3E}},
        {"SQT", 58, {0xC8, 0x00}, {0xC8, 0x00}},
        {"BLC", 59, {0x05, 0x00}, {0x05, 0x00}},
        {"ACR", 6, {0x32}, {0x32}},
        {"DOUT", 4, {0x01}, {0x01}},
        {"IO config", 71, {0xCC, 0xFF, 0x00, 0x00}, {0xCC, 0xFF}},
        {"PMD", 73, {0x64, 0x32, 0x00, 0x00}, {0x64, 0x32, 0x00, 0x00}},
        {"PMB", 74, {0x01, 0x02, 0x00, 0x00}, {0x01, 0x02, 0x00, 0x00}},
        {"PBR", 75, {0xC4, 0x09, 0x00, 0x00}, {0xC4, 0x09, 0x00, 0x00}},
        {"RPT", 86, {0x03, 0x00, 0x00, 0x00}, {0x03, 0x00, 0x00, 0x00}},
        {"RPC", 87, {0x07, 0x00, 0x00, 0x00}, {0x07, 0x00, 0x00, 0x00}},
        {"ICFG keeps the model code", 81, {0x0F, 0x00, 0x00, 0x00}, {0x0F, 0x00, 0x00, 0x00}},
        {"STG S2 time 500", 48, {0xF4, 0x01, 0x01}, {0x00, 0x00, 0xF4, 0x01, 0x00, 0x00}},
        {"S34CON via SCFG index 1", 47, {0x21, 0x9B, 0x01}, {0x00, 0x00, 0x21, 0x9B, 0x00, 0x00, 0xFF, 0x0F}},
        {"ATCONL via SCFG index 2", 47, {0x00, 0x08, 0x02}, {0x00, 0x00, 0x00, 0x00, 0x00, 0x08, 0xFF, 0x0F}},
    };
    for (const RegisterCase& rc : cases) {
        SecondGenController c(5);
        CanFrame set = Frame(kNode5 | rc.command);
        for (uint8_t b : rc.written) set.data[set.length++] = b;
        EXPECT_TRUE(Exchange(c, set).empty()) << rc.name;
        auto out = Exchange(c, Frame(kNode5 | 0x80 | rc.command));
        ASSERT_EQ(out.size(), 1u) << rc.name;
        EXPECT_EQ(out[0].id, kFrom5 | 0x80 | rc.command) << rc.name;
        EXPECT_EQ(Bytes(out[0]), rc.answered) << rc.name;
    }
}

TEST(SecondGenController, StatusRecordCarriesMicrostepCurrentEnableSpeedAndSteps) {
    SecondGenController c(5);
    Exchange(c, Frame(kNode5 | 0x09, {53}));                // CUR 5.3 A
    Exchange(c, Frame(kNode5 | 0x08, {8}));                 // MCS 8
    Exchange(c, Frame(kNode5 | 0x07, {0x2C, 0x01, 0, 0}));  // SPD 300 (motor off: stored)
    Exchange(c, Frame(kNode5 | 0x0A, {0x10, 0x27, 0, 0}));  // STP 10000
    auto out = Exchange(c, Frame(kNode5 | 0x81));           // ENA, answered with the status
    ASSERT_EQ(out.size(), 1u);
    // d0 = MCS-1 | CUR low nibble << 4; d1 = CUR high bits | ENA (bit 4); d2-d3 SPD; d4-d7 STP.
    EXPECT_EQ(Bytes(out[0]), (V{0x57, 0x13, 0x2C, 0x01, 0x10, 0x27, 0x00, 0x00}));
    EXPECT_TRUE(c.Enabled());
    out = Exchange(c, Frame(kNode5 | 0x82));  // OFF
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(out[0].data[1], 0x03);
    EXPECT_FALSE(c.Enabled());
}

TEST(SecondGenController, RefusedValuesGiveAnErrorReportAndKeepTheRegister) {
    struct Case {
        const char* name;
        uint8_t command;
        V data;
    } cases[] = {
        {"MCS 3", 8, {0x03}},
        {"MCS 72", 8, {0x48}},
        {"CUR 0", 9, {0x00}},
        {"CUR 7.0 A", 9, {70}},
        {"ACR 101", 6, {101}},
        {"QER 0", 56, {0x00, 0x00}},
        {"QER 16001", 56, {0x81, 0x3E}},
        {"SQT 199", 58, {0xC7, 0x00}},
        {"STO slot 8", 54, {0x08}},
        {"STG sensor 4", 48, {0x01, 0x00, 0x03}},
        {"ATCONH 4096", 47, {0x00, 0x10, 0x03}},
    };
    for (const Case& k : cases) {
        SecondGenController c(5);
        const ControllerConfig before = c.Config();
        CanFrame set = Frame(kNode5 | 0x80 | k.command);
        for (uint8_t b : k.data) set.data[set.length++] = b;
        auto out = Exchange(c, set);
        ASSERT_EQ(out.size(), 1u) << k.name;
        EXPECT_EQ(out[0].id, kFrom5 | 0x0F) << k.name;
        EXPECT_EQ(Bytes(out[0]), (V{0x00, k.command, 0x02})) << k.name;
        EXPECT_EQ(c.Config().mcs, before.mcs) << k.name;
        EXPECT_EQ(c.Config().cur, before.cur) << k.name;
        // Without the answer bit the refusal is silent.
        set.id = kNode5 | k.command;
        EXPECT_TRUE(Exchange(c, set).empty()) << k.name;
    }
    SecondGenController c(5);
    auto out = Exchange(c, Frame(kNode5 | 0x85));  // command 5 does not exist
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(Bytes(out[0]), (V{0x00, 0x05, 0x01}));
}

TEST(SecondGenController, DiscoveryAndModelQuery) {
    ControllerOptions o;
    o.m = true;
    o.s = true;
    o.ie = true;
    o.serial = 0x11223344;
    SecondGenController c(100, o);
    auto out = Exchange(c, Frame(0x1F0FE0C0));
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(out[0].id, 0x00200340u);  // node 100 (bits 0-4 at 19-23, 5-6 at 8-9), control word 0x40
    EXPECT_EQ(Bytes(out[0]), (V{0x44, 0x33, 0x22, 0x11}));

    out = Exchange(c, Frame(0x040860C1));  // MDL
    ASSERT_EQ(out.size(), 1u);
    // d1 = 24; d2: -M bit 4, -S low nibble 2, -IE bit 6; firmware 1240 = 0x04D8.
    EXPECT_EQ(Bytes(out[0]), (V{0x02, 0x18, 0x52, 0x08, 0xD8, 0x04}));

    ControllerOptions sp;
    sp.sp = true;
    sp.e = true;
    EXPECT_EQ(ControllerModelFlags(sp), 0x24);
}

TEST(SecondGenController, FramesForOtherNodesAreIgnored) {
    SecondGenController c(5);
    EXPECT_TRUE(Exchange(c, Frame(0x06080087, {1, 0, 0, 0})).empty());
    EXPECT_EQ(c.Speed(), 0);
}

TEST(SecondGenController, GlobalCommandsApplyWithoutAnswers) {
    SecondGenController a(5), b(9);
    for (SimNode* n : {static_cast<SimNode*>(&a), static_cast<SimNode*>(&b)}) {
        EXPECT_TRUE(
            Exchange(*n, Frame(0x0008009B, {0xF4, 0x01, 0, 0})).empty());  // gSPD 500, answer bit ignored
        EXPECT_TRUE(Exchange(*n, Frame(0x0008001C, {0x04})).empty());      // gMCS 4
    }
    EXPECT_EQ(a.Speed(), 500);
    EXPECT_EQ(b.Speed(), 500);
    EXPECT_EQ(b.Config().mcs, 4);
}

TEST(SecondGenController, AddressChangeMovesTheNode) {
    SecondGenController c(5);
    auto out = Exchange(c, Frame(kNode5 | 0xB3, {0x88}));  // ADR 8 (bit 7 of the value is ignored)
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(out[0].id, 0x004000B3u);  // answered from the new address
    EXPECT_EQ(c.NodeId(), 8);
    EXPECT_TRUE(Exchange(c, Frame(kNode5 | 0x80)).empty());
    EXPECT_EQ(Exchange(c, Frame(0x08080080)).size(), 1u);
    c.PowerCycle();
    EXPECT_EQ(c.NodeId(), 8);  // the address is kept in EEPROM at once

    out = Exchange(c, Frame(0x080800B3, {126}));
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(out[0].id, 0x0040000Fu);
    EXPECT_EQ(c.NodeId(), 8);
}

TEST(SecondGenController, EepromSurvivesPowerCycleButVolatileStateDoesNot) {
    SecondGenController c(5);
    Exchange(c, Frame(kNode5 | 0x09, {20}));                // CUR 2.0 A
    Exchange(c, Frame(kNode5 | 0x07, {0xF4, 0x01, 0, 0}));  // SPD 500
    Exchange(c, Frame(kNode5 | 0x0A, {0xC8, 0x00, 0, 0}));  // STP 200
    auto out = Exchange(c, Frame(kNode5 | 0xB6, {0x03}));   // STO 3
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(Bytes(out[0]), (V{0x03}));
    Exchange(c, Frame(kNode5 | 0x09, {30}));  // CUR 3.0 A, not stored
    Exchange(c, Frame(kNode5 | 0x01));        // enable
    c.PowerCycle();
    EXPECT_EQ(c.Config().cur, 20);
    EXPECT_EQ(c.Eeprom().slots[3].speed, 500);
    EXPECT_EQ(c.Eeprom().slots[3].steps, 200);
    EXPECT_EQ(c.Speed(), 0);  // slot 0 was never stored
    EXPECT_FALSE(c.Enabled());

    // STORE without a slot keeps the group as system group; auto-enable at power-on from ICFG bit 0.
    Exchange(c, Frame(kNode5 | 0x51, {0x01, 0x00, 0x00, 0x00}));
    Exchange(c, Frame(kNode5 | 0x07, {0xF4, 0x01, 0, 0}));
    Exchange(c, Frame(kNode5 | 0x36));
    c.PowerCycle();
    EXPECT_EQ(c.Speed(), 500);
    EXPECT_TRUE(c.Enabled());
}

TEST(SecondGenController, CompletedMoveSendsNoticeWhenEnabledInMcfg) {
    SecondGenController c(5);
    Recorder bus;
    Exchange(c, Frame(kNode5 | 0x2E, {0x10, 0x00, 0x00, 0x00}));  // MCFG: displacement notice on
    Exchange(c, Frame(kNode5 | 0x07, {0xE8, 0x03, 0, 0}));        // SPD 1000 while off: stored
    Exchange(c, Frame(kNode5 | 0x01));
    EXPECT_FALSE(c.Moving());
    Exchange(c, Frame(kNode5 | 0x0A, {0xF4, 0x01, 0, 0}));  // STP 500
    c.Tick(1000, bus);
    c.Tick(1400, bus);
    EXPECT_EQ(c.Position(), 400);
    EXPECT_TRUE(bus.frames.empty());
    c.Tick(1600, bus);
    EXPECT_EQ(c.Position(), 500);
    ASSERT_EQ(bus.frames.size(), 1u);
    EXPECT_EQ(bus.frames[0].id, kFrom5 | 0x75);
    EXPECT_EQ(Bytes(bus.frames[0]), (V{0xF4, 0x01, 0x00, 0x00}));

    // Absolute move back to -100 in closed loop: the notice is 0xF5.
    Exchange(c, Frame(kNode5 | 0x2E, {0x10, 0x08, 0x00, 0x00}));
    Exchange(c, Frame(kNode5 | 0x0B, {0x9C, 0xFF, 0xFF, 0xFF}));
    c.Tick(2200, bus);
    EXPECT_EQ(c.Position(), -100);
    auto out = bus.Take();
    ASSERT_EQ(out.size(), 2u);
    EXPECT_EQ(out[1].id, kFrom5 | 0xF5);
    EXPECT_EQ(Bytes(Exchange(c, Frame(kNode5 | 0x8C))[0]), (V{0x9C, 0xFF, 0xFF, 0xFF}));  // encoder
}

TEST(SecondGenController, SpeedRunsContinuouslyAndOffStops) {
    SecondGenController c(5);
    Recorder bus;
    Exchange(c, Frame(kNode5 | 0x01));
    c.Tick(0, bus);
    Exchange(c, Frame(kNode5 | 0x07, {0x18, 0xFC, 0xFF, 0xFF}));  // -1000 pps
    c.Tick(250, bus);
    EXPECT_EQ(c.Position(), -250);
    EXPECT_EQ(Bytes(Exchange(c, Frame(kNode5 | 0x80))[0])[1] & 0x08, 0x08);  // direction flag
    Exchange(c, Frame(kNode5 | 0x02));
    c.Tick(500, bus);
    EXPECT_EQ(c.Position(), -250);
    EXPECT_TRUE(bus.frames.empty());
}

TEST(SecondGenController, SensorEdgeSendsNoticeAndRunsItsAction) {
    SecondGenController c(5);
    Recorder bus;
    Exchange(c, Frame(kNode5 | 0x2E, {0x01, 0x00, 0x00, 0x00}));  // MCFG: S1 notices
    // S12CON: S1 rising 0001 (notice only), S1 falling 0100 (emergency stop).
    Exchange(c, Frame(kNode5 | 0x2F, {0x14, 0x00, 0x00}));
    Exchange(c, Frame(kNode5 | 0x01));
    Exchange(c, Frame(kNode5 | 0x07, {0xE8, 0x03, 0, 0}));
    c.Tick(0, bus);
    c.Tick(100, bus);
    c.SetSensor(1, true);
    c.Tick(100, bus);
    ASSERT_EQ(bus.frames.size(), 1u);
    EXPECT_EQ(bus.frames[0].id, kFrom5 | 0xF1);
    EXPECT_EQ(Bytes(bus.frames[0]), (V{0x64, 0x00, 0x00, 0x00}));
    EXPECT_TRUE(c.Moving());
    c.SetSensor(1, false);
    c.Tick(100, bus);
    ASSERT_EQ(bus.frames.size(), 2u);
    EXPECT_EQ(bus.frames[1].id, kFrom5 | 0x71);
    EXPECT_FALSE(c.Moving());
    // SFBK: sensors in d1 bits 4-6, analog input 12 bits.
    c.SetSensor(2, true);
    c.SetAnalog(0xABC);
    EXPECT_EQ(Bytes(Exchange(c, Frame(kNode5 | 0xBF))[0]), (V{0xBC, 0x2A}));
}

TEST(SecondGenController, StallNoticeAndEmergencyStopWithLock) {
    SecondGenController c(5);
    Recorder bus;
    Exchange(c, Frame(kNode5 | 0x2E, {0x40, 0x00, 0x00, 0x00}));  // MCFG: stall notice
    Exchange(c, Frame(kNode5 | 0x2F, {0x00, 0x40, 0x01}));        // S34CON: stall action 0100
    Exchange(c, Frame(kNode5 | 0x51, {0x08, 0x00, 0x00, 0x00}));  // ICFG: lock after emergency stop
    Exchange(c, Frame(kNode5 | 0x01));
    Exchange(c, Frame(kNode5 | 0x07, {0xE8, 0x03, 0, 0}));
    c.InjectStall();
    c.Tick(0, bus);
    ASSERT_EQ(bus.frames.size(), 1u);
    EXPECT_EQ(bus.frames[0].id, kFrom5 | 0x77);
    EXPECT_FALSE(c.Moving());
    EXPECT_TRUE(c.Locked());
    auto out = Exchange(c, Frame(kNode5 | 0x8A, {0x10, 0, 0, 0}));  // STP refused while locked
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(Bytes(out[0]), (V{0x00, 0x0A, 0x03}));
    Exchange(c, Frame(kNode5 | 0x51, {0x00, 0x00, 0x00, 0x00}));  // ICFG releases the lock
    EXPECT_FALSE(c.Locked());
}

TEST(SecondGenController, OriginSearchEndsOnS1AndNotifies) {
    SecondGenController c(5);
    Recorder bus;
    Exchange(c, Frame(kNode5 | 0x2E, {0x20, 0x00, 0x00, 0x00}));  // MCFG: origin notice
    Exchange(c, Frame(kNode5 | 0x01));
    c.Tick(0, bus);
    auto out = Exchange(c, Frame(kNode5 | 0x83, {0x0C, 0xFE, 0xFF, 0xFF}));  // ORG at -500 pps
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(Bytes(out[0]), (V{0x0C, 0xFE, 0xFF, 0xFF}));
    c.Tick(1000, bus);
    EXPECT_EQ(c.Position(), -500);
    c.SetSensor(1, true);
    c.Tick(1000, bus);
    ASSERT_EQ(bus.frames.size(), 1u);
    EXPECT_EQ(bus.frames[0].id, kFrom5 | 0x76);
    EXPECT_EQ(c.Position(), 0);
    EXPECT_FALSE(c.Moving());
}

TEST(SecondGenController, AnalogQueryAnswersWithTwoMessages) {
    SecondGenController c(5);
    c.SetAnalog(0x123);
    auto out = Exchange(c, Frame(kNode5 | 0xCC, {0x01}));
    ASSERT_EQ(out.size(), 2u);
    EXPECT_EQ(Bytes(out[0]), (V{0x23, 0x11}));  // channel 1 in the high nibble of the second byte
    EXPECT_EQ(out[1].length, 0);
}

TEST(SecondGenController, StreamDataIsKeptAndEchoed) {
    SecondGenController c(5);
    auto out = Exchange(c, Frame(kNode5 | 0x3E, {'O', 'K'}));
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(out[0].id, kFrom5 | 0x3E);
    EXPECT_EQ(Bytes(out[0]), (V{'O', 'K'}));
    EXPECT_EQ(c.ReceivedStream(), (V{'O', 'K'}));
}

}  // namespace
}  // namespace norvane::sim::nodes
