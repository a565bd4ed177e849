// Register words without a device: MCFG choices, locks and clicks; ICFG; the sensor-edge and
// stall code tables; S12CON/S34CON words and command tips; trigger choices; the ATCON range.
#include "bench/dialogs/register_words.h"

#include <gtest/gtest.h>

namespace norvane::bench::test {
namespace {

NodeCapabilities Caps(std::string_view flags, uint32_t firmware = 1232) {
    NodeCapabilities c;
    c.c3 = flags.find('3') != std::string_view::npos;
    c.c4 = flags.find('4') != std::string_view::npos;
    c.c5 = flags.find('5') != std::string_view::npos;
    c.c6 = flags.find('6') != std::string_view::npos;
    c.c7 = flags.find('7') != std::string_view::npos;
    c.firmware = firmware;
    return c;
}

TEST(McfgEditor, SplitsEveryBitAndComposesEachClickBack) {
    // Every used bit set, on a model that allows them all: the word comes back unchanged.
    EXPECT_EQ(McfgEditor(0xEF7F, Caps("4567")).Word(), 0xEF7F);
    EXPECT_EQ(McfgEditor(0x0000, Caps("4567")).Word(), 0x0000);
    for (const McfgBit& b : kMcfgBits) EXPECT_EQ(McfgEditor(0xEF7F, Caps("4567")).Choice(b.bit), 1) << b.name;
    // ANE, CHS, QEI, QEM, CM on (QEI forced by C3): every other bit toggles on its own.
    McfgEditor e(0xEC00, Caps("3567"));
    uint16_t word = 0xEC00;
    for (const McfgBit& b : kMcfgBits) {
        if (b.bit == 13) continue;  // QEI is forced on by C3
        e.Click(b.bit, 0);
        EXPECT_EQ(e.Word(), word & ~(1u << b.bit)) << b.name;
        e.Click(b.bit, 1);
        EXPECT_EQ(e.Word(), word | (1u << b.bit)) << b.name;
        word = e.Word();
    }
    EXPECT_EQ(word, 0xEF7F);
}

TEST(McfgEditor, QemIsSentOnlyWithQei) {
    EXPECT_EQ(McfgEditor(0x0800, Caps("4567")).Word(), 0x0000);
    McfgEditor e(0x0000, Caps("4567"));
    e.Click(13, 1);
    e.Click(11, 1);
    EXPECT_EQ(e.Word(), 0x2800);
    e.Click(13, 0);
    EXPECT_EQ(e.Word() & 0x0800, 0);
    EXPECT_EQ(McfgEditor(0x1080, Caps("4567")).Word(), 0x0000);  // bits 12 and 7 are never sent
}

TEST(McfgEditor, EchoIsCheckedOnEveryUsedBitButQei) {
    EXPECT_TRUE(McfgEchoMatches(0x2A55, 0x0A55));
    EXPECT_TRUE(McfgEchoMatches(0x0A55, 0x2A55));
    for (int bit : {15, 14, 11, 10, 9, 8, 6, 5, 4, 3, 2, 1, 0})
        EXPECT_FALSE(McfgEchoMatches(0x0A55, static_cast<uint16_t>(0x0A55 ^ (1u << bit)))) << bit;
}

struct LockCase {
    const char* rule;
    const char* caps;
    uint16_t word;
    int bit;
    bool open0, open1;
    int choice;
};

TEST(McfgEditor, OpeningLocksFollowCapabilitiesAndTheWordRead) {
    const LockCase cases[] = {
        {"no sensors: ANE off", "345", 0xC000, 15, false, false, 0},
        {"no sensors: CHS off", "345", 0xC000, 14, false, false, 0},
        {"no sensors: P4IE off", "345", 0x000F, 3, false, false, 0},
        {"no sensors: S1IE off", "345", 0x000F, 0, false, false, 0},
        {"no encoder: QEI off", "567", 0x2800, 13, false, false, 0},
        {"no encoder: STLIE off", "567", 0x2840, 6, false, false, 0},
        {"C4 encoder in use: S2IE locked", "4567", 0x2802, 1, false, false, 1},
        {"C4 encoder unused: S2IE open", "4567", 0x2002, 1, true, true, 1},
        {"C3: QEI forced on", "3567", 0x0000, 13, false, true, 1},
        {"no C5: CM off", "467", 0x0700, 10, false, false, 0},
        {"no C5: AM off", "467", 0x0700, 9, false, false, 0},
        {"ANE off: CHS off", "4567", 0x4000, 14, false, false, 0},
        {"ANE on with C4: CHS on", "4567", 0x8000, 14, false, true, 1},
        {"ANE on without C4: CHS free", "3567", 0x8000, 14, true, true, 0},
        {"QEI off: QEM cleared but open", "4567", 0x0800, 11, true, true, 0},
        {"QEM off: STLIE off", "4567", 0x2040, 6, false, false, 0},
        {"QEM on: STLIE open", "4567", 0x2840, 6, true, true, 1},
        {"CM off: AM locked", "4567", 0x0200, 9, false, false, 1},
        {"CM on: AM open", "4567", 0x0600, 9, true, true, 1},
    };
    for (const LockCase& c : cases) {
        const McfgEditor e(c.word, Caps(c.caps));
        EXPECT_EQ(e.Open(c.bit, 0), c.open0) << c.rule;
        EXPECT_EQ(e.Open(c.bit, 1), c.open1) << c.rule;
        EXPECT_EQ(e.Choice(c.bit), c.choice) << c.rule;
    }
}

TEST(McfgEditor, ClicksLockAndUnlockTheDependentChoices) {
    McfgEditor e(0x2800, Caps("4567"));  // C4, encoder in use
    EXPECT_FALSE(e.Open(1, 1));
    e.Click(13, 0);  // QEI off: QEM locked, S1/S2 notices free
    EXPECT_FALSE(e.Open(11, 1));
    EXPECT_TRUE(e.Open(1, 1));
    e.Click(11, 0);  // a locked choice does nothing
    EXPECT_EQ(e.Choice(11), 1);
    e.Click(13, 1);  // QEI on with QEM on: S1/S2 locked again
    EXPECT_TRUE(e.Open(11, 0));
    EXPECT_FALSE(e.Open(0, 1));
    e.Click(11, 0);  // QEM off: S1/S2 free, STLIE locked
    EXPECT_TRUE(e.Open(0, 1));
    EXPECT_FALSE(e.Open(6, 1));
    e.Click(15, 1);  // ANE on with C4: CHS forced to 1
    EXPECT_EQ(e.Choice(14), 1);
    EXPECT_FALSE(e.Open(14, 0));
    e.Click(15, 0);
    EXPECT_FALSE(e.Open(14, 1));
    e.Click(10, 1);  // CM on: AM and DM open
    EXPECT_TRUE(e.Open(9, 1) && e.Open(8, 1));
    e.Click(10, 0);
    EXPECT_FALSE(e.Open(9, 1) || e.Open(8, 0));
    // Without sensor choices the encoder never frees the S1/S2 notices.
    McfgEditor plain(0x2800, Caps("4"));
    plain.Click(13, 0);
    EXPECT_FALSE(plain.Open(0, 1));
}

TEST(IcfgEditor, KeepsTheHighByteAndChecksModelCodeElockCcwEna) {
    IcfgEditor e(0xC00F);
    e.Click(0, 0);
    EXPECT_EQ(e.Word(), 0xC00E);
    EXPECT_EQ(e.Tip("%s|%s"), "00001110|ICFG=49166;");
    e.Click(8, 1);  // bits 8-15 are not the dialog's
    EXPECT_EQ(e.Word(), 0xC00E);
    EXPECT_TRUE(IcfgEchoMatches(0xC00E, 0xC0FA));  // bits 2, 4-7 differ
    for (int bit : {15, 14, 3, 1, 0})
        EXPECT_FALSE(IcfgEchoMatches(0xC00E, static_cast<uint16_t>(0xC00E ^ (1u << bit)))) << bit;
}

TEST(SensorCodes, EdgeAndStallTablesBothWays) {
    const int edges[16] = {0x0, 0x1, 0x2, 0xA, 0x3, 0xB, 0x7, 0x4, 0xC, 0x5, 0xD, 0x6, 0x9, 0xE, 0x8, 0xF};
    for (int position = 0; position < 16; ++position) EXPECT_EQ(EdgePosition(edges[position]), position);
    EXPECT_EQ(EdgePosition(16), std::nullopt);
    const int stalls[8] = {0x0, 0x1, 0xE, 0x9, 0x4, 0xC, 0x8, 0xF};
    for (int position = 0; position < 8; ++position) EXPECT_EQ(StallPosition(stalls[position]), position);
    for (int code : {0x2, 0x3, 0x5, 0x6, 0x7, 0xA, 0xB, 0xD})
        EXPECT_EQ(StallPosition(code), std::nullopt) << code;
    EXPECT_EQ(EdgeKey(0, 1), "IDS_SValue_0000_S1");
    EXPECT_EQ(EdgeKey(1, 3), "IDS_SValue_0001_S3");
    EXPECT_EQ(EdgeKey(3, 2), "IDS_SValue_1010");
    EXPECT_EQ(StallKey(2), "IDS_STL_VALUE_1110");
}

TEST(SensorWords, S12AndS34WordsAndTips) {
    const S12Con s12{{0xA, 0x0, 0x1, 0xF}};
    EXPECT_EQ(s12.Word(), 0xA01F);
    EXPECT_EQ(S12Con::FromWord(40991), s12);
    EXPECT_EQ(s12.Tip("%s|%s"), "1010 0000 0001 1111 0000|SCFG=655856 Value=40991;");

    S34Con s34;
    s34.stall = 0x4, s34.level = 1, s34.event = 2, s34.s3Rising = 0x3, s34.s3Falling = 0;
    EXPECT_EQ(s34.Word(), 0x4A30);
    EXPECT_EQ(S34Con::FromWord(18992), s34);
    EXPECT_EQ(s34.Tip("%s|%s"), "0100 1010 0011 0000 0001|SCFG=303873 Value=18992;");
    EXPECT_EQ(S34Con::FromWord(0xFFFF).Record(), (std::array<int32_t, 5>{1, 7, 15, 15, 15}));

    EXPECT_EQ(McfgEditor(0x8000, Caps("45")).Tip("%s|%s"), "0000000000000000|MCFG=0;");  // ANE locked off
    EXPECT_EQ(McfgEditor(0x0031, Caps("67")).Tip("%s|%s"), "0000000000110001|MCFG=49;");
}

TEST(TriggerSetting, TimesPresetTheChoiceAndClicksSetTheField) {
    const struct {
        int32_t time;
        Trigger choice;
        bool open;
    } cases[] = {{0, Trigger::NoLimit, false},  {1, Trigger::ByTime, true},
                 {500, Trigger::ByTime, true},  {60000, Trigger::ByTime, true},
                 {60001, Trigger::Once, false}, {65535, Trigger::Once, false}};
    for (const auto& c : cases) {
        const TriggerSetting t(c.time, 65535);
        EXPECT_EQ(t.Choice(), c.choice) << c.time;
        EXPECT_EQ(t.FieldOpen(), c.open) << c.time;
        EXPECT_EQ(t.Time(), c.time);
    }
    TriggerSetting t(500, kTriggerOnceTime);
    t.Click(Trigger::Once);
    EXPECT_EQ(t.Time(), 60001);
    t.Click(Trigger::NoLimit);
    EXPECT_EQ(t.Time(), 0);
    EXPECT_FALSE(t.SetTime(60002));
    EXPECT_TRUE(t.SetTime(60001));
    EXPECT_FALSE(AtconInRange(5000));
    EXPECT_FALSE(AtconInRange(-1));
    EXPECT_TRUE(AtconInRange(0) && AtconInRange(4095));
}

}  // namespace
}  // namespace norvane::bench::test
