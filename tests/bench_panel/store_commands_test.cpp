// The motion and store commands: STO n with its motion group, STORE with its dialog's choices,
// and the motor parameter dialog that writes only what changed.
#include "bench/panel/store_commands.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "bench/panel/motor_param_command.h"
#include "panel_rig.h"

namespace norvane::bench::test {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

struct StoreRig : PanelRig {
    StoreCommands store{sdk.table, language, messages, host, panel};
    MotorParamCommand motor{sdk.table, language, messages, host};
};

TEST(StoreTest, StoWritesTheGroupThenStoresBySlotOrFirmware) {
    struct Case {
        uint32_t firmware;
        const char* store;
        const char* history;
    } cases[] = {{1240, "KymAdvSTORE(4096,5,[0x3],1,&r)", "STO3;"},
                 {1220, "KymSTORE(4096,5,1,&r)", "STORE;"}};
    for (const Case& c : cases) {
        StoreRig rig;
        rig.host.ticked = {{5, c.firmware}};
        const auto node = rig.store.Prepare();
        ASSERT_TRUE(node);
        MotionGroup group;
        group.speed = "-500";
        ASSERT_TRUE(rig.store.WriteGroup(*node, group));
        rig.store.Sto(3);
        EXPECT_THAT(rig.Calls(), ElementsAre("KymACK(4096,5,&r)", "KymOFF(4096,5,1,&r)",
                                             "SetSPD(4096,5,-500,1,&r)", "SetSTP(4096,5,1000,1,&r)",
                                             "SetmACC(4096,5,350,1,&r)", "SetmDEC(4096,5,350,1,&r)",
                                             "SetmMSS(4096,5,0,1,&r)", "SetmMDS(4096,5,0,1,&r)", c.store));
        EXPECT_THAT(rig.panel.History().Entries(), ElementsAre(c.history));
    }
}

TEST(StoreTest, StoZeroStoresEveryTickedNodeWithoutAGroup) {
    StoreRig rig;
    rig.host.ticked = {{5, 1240}, {6, 1240}};
    ASSERT_TRUE(rig.store.Prepare());
    rig.store.Sto(0);
    EXPECT_THAT(rig.Calls(), ElementsAre("KymACK(4096,5,&r)", "KymAdvSTORE(4096,5,[0x0],1,&r)",
                                         "KymAdvSTORE(4096,6,[0x0],1,&r)"));
}

// The group dialog stays open on a zero speed, a refused zero ramp, or a failed write.
TEST(StoreTest, MotionGroupChecksKeepTheDialogOpen) {
    struct Case {
        const char* speed;
        const char* acceleration;
        uint32_t firmware;
        const char* failing;  ///< call that fails, or nullptr
        const char* shown;
        const char* caption;
    } cases[] = {{"0", "350", 1240, nullptr, "IDS_SPD_NO_ZERO_WARNING", "IDS_WARING"},
                 {"10", "0", 1240, nullptr, "IDS_MACC_TIME_0_NOTALLOW", "IDS_WARING"},
                 {"10", "350", 1240, "SetmDEC", "IDS_DATA_RECEIVE_ERROR", "IDS_ERR"},
                 {"10", "350", 1240, "KymOFF", "IDS_FAIL", "IDS_ERR"}};
    for (const Case& c : cases) {
        StoreRig rig;
        if (c.failing) rig.sdk.resultOf[c.failing] = -1;
        MotionGroup group;
        group.speed = c.speed;
        group.acceleration = c.acceleration;
        EXPECT_FALSE(rig.store.WriteGroup({5, c.firmware}, group)) << c.shown;
        EXPECT_THAT(rig.Shown(), ElementsAre(rig.Msg(c.shown, c.caption)));
    }
}

TEST(StoreTest, StoreDialogLocksEdgesBelow1232AndAnEdgeClearsStore) {
    StoreChoice old(1231);
    EXPECT_TRUE(old.EdgesLocked());
    old.SetEdge(0, true);
    EXPECT_FALSE(old.Edge(0));
    StoreChoice current(1232);
    current.SetStore(true);
    current.SetEdge(2, true);
    EXPECT_FALSE(current.Store());
    EXPECT_TRUE(current.Edge(2));
}

// From 1232 on only STORE sends a command; an edge choice sends and logs nothing.
TEST(StoreTest, StoreSendsAndLogsOnlyWhatIsSent) {
    struct Case {
        uint32_t firmware;
        bool store;
        size_t sent;
    } cases[] = {{1220, false, 2}, {1240, true, 2}, {1240, false, 0}};
    for (const Case& c : cases) {
        StoreRig rig;
        rig.host.ticked = {{5, c.firmware}, {6, c.firmware}};
        StoreChoice choice(c.firmware);
        choice.SetStore(c.store);
        choice.SetEdge(0, !c.store);
        rig.store.Store(choice);
        EXPECT_EQ(rig.Calls().size(), c.sent);
        EXPECT_EQ(rig.logged.size(), c.sent);
        EXPECT_EQ(rig.panel.History().Entries().size(), c.sent);
    }
}

TEST(MotorParamTest, PresetsFromTheNodeAndOnlyChangesAreWritten) {
    struct Case {
        uint32_t firmware;
        MotorParams chosen;  ///< microstep choice, current, percent
        std::vector<std::string> writes;
        const char* shown;
    } cases[] = {
        {1240, {3, "1.5", "40"}, {}, nullptr},
        {1240, {4, "1.5", "100"}, {"SetMCS(4096,5,16,0,&r)", "SetACR(4096,5,0,1,&r)"}, nullptr},
        {1240, {3, "2.04", "40"}, {"SetCUR(4096,5,20,0,&r)"}, nullptr},
        {1206, {3, "1.5", "100"}, {"SetACR(4096,5,0,1,&r)"}, nullptr},
        {1206, {3, "1.5", "1"}, {}, "IDS_ACR_WARNING"},
    };
    for (const Case& c : cases) {
        StoreRig rig;
        rig.host.ticked = {{5, c.firmware}};
        KymReply& status = rig.sdk.replyOf["KymACK"];
        status.field[3] = 1;  // 50 % for firmware that cannot read the register
        status.field[4] = 8;
        status.field[5] = 15;
        rig.sdk.replyOf["GetACR"].field[0] = 40;
        const auto preset = rig.motor.Prepare();
        ASSERT_TRUE(preset);
        EXPECT_EQ(preset->microstep, 3);
        EXPECT_EQ(preset->current, "1.5");
        EXPECT_EQ(preset->percent, c.firmware >= 1208 ? "40" : "50");
        rig.sdk.ClearCalls();
        rig.sdk.replyOf["SetACR"].field[0] = 0;
        EXPECT_TRUE(rig.motor.Apply(c.chosen));
        EXPECT_EQ(rig.Calls(), c.writes) << c.firmware << " " << c.chosen.percent;
        if (c.shown) {
            EXPECT_THAT(rig.Shown(), ElementsAre(rig.Msg(c.shown)));
        } else {
            EXPECT_THAT(rig.Shown(), IsEmpty());
        }
    }
}

TEST(MotorParamTest, EntriesOutOfRangeKeepTheDialogOpen) {
    StoreRig rig;
    ASSERT_TRUE(rig.motor.Prepare());
    rig.sdk.ClearCalls();
    EXPECT_FALSE(rig.motor.Apply({0, "0.0", "0"}));
    EXPECT_FALSE(rig.motor.Apply({0, "x", "50"}));
    EXPECT_THAT(rig.Calls(), IsEmpty());
}

}  // namespace
}  // namespace norvane::bench::test
