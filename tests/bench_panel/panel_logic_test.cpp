// The control panel's rules against a recording SDK table: input checks, the per-node loop and
// its stop-or-go-on rules, the MCFG input mode of the ramps, global mode, the motor parameter row,
// burning a node id, the baud rate change, the history and the log lines.
#include "bench/panel/panel_logic.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "panel_rig.h"

namespace norvane::bench::test {
namespace {

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::Not;

TEST(PanelTest, SpeedTextCheckAndExchange) {
    struct Case {
        const char* text;
        const char* shown;  ///< nullptr: SetSPD is sent
    } cases[] = {{"12a", "IDS_INPUT_VALID_NUM"},
                 {"1-2", "IDS_INPUT_VALID_NUM"},
                 {"-12", nullptr},
                 {"", "Please enter an integer."},
                 {"65536", "Please enter an integer between -65535 and 65535."}};
    for (const Case& c : cases) {
        PanelRig rig;
        rig.sdk.reply.field[0] = -12;
        rig.panel.Fields().speed = c.text;
        rig.panel.Run();
        if (c.shown == nullptr) {
            EXPECT_THAT(rig.Calls(), Contains("SetSPD(4096,5,-12,1,&r)")) << c.text;
            EXPECT_THAT(rig.Shown(), IsEmpty()) << c.text;
            continue;
        }
        EXPECT_THAT(rig.Calls(), IsEmpty()) << c.text;
        const std::string expected = std::string(c.shown).rfind("IDS_", 0) == 0
                                         ? rig.Msg(c.shown)
                                         : std::string("[Kestrin] ") + c.shown;
        EXPECT_THAT(rig.Shown(), ElementsAre(expected)) << c.text;
    }
}

TEST(PanelTest, PositionBoundsAreAsymmetric) {
    struct Case {
        const char* text;
        bool sent;
    } cases[] = {{"2000000000", true}, {"-200000000", true}, {"-200000001", false}, {"2000000001", false}};
    for (const Case& c : cases) {
        PanelRig rig;
        rig.panel.Fields().position = c.text;
        rig.panel.SetPosition();
        EXPECT_EQ(!rig.Calls().empty(), c.sent) << c.text;
    }
}

TEST(PanelTest, FailureInTheMiddleStopsASetButEnableGoesOn) {
    PanelRig rig;
    rig.sdk.reply.field[0] = 100;
    rig.sdk.resultFor = [](const std::string& call) -> std::optional<int32_t> {
        if (call.find("(4096,6,") != std::string::npos) return -1;
        return std::nullopt;
    };
    rig.panel.Fields().speed = "100";
    rig.panel.Run();
    EXPECT_THAT(rig.Calls(), ElementsAre("SetSPD(4096,5,100,1,&r)", "SetSPD(4096,6,100,1,&r)"));
    EXPECT_THAT(rig.Shown(), ElementsAre(rig.Msg("IDS_SETTING_ERROR")));

    rig.sdk.ClearCalls();
    rig.messages.shown.clear();
    rig.panel.Enable();
    EXPECT_THAT(rig.Calls(),
                ElementsAre("KymENA(4096,5,1,&r)", "KymENA(4096,6,1,&r)", "KymENA(4096,7,1,&r)"));
    EXPECT_THAT(rig.Shown(), ElementsAre(rig.Msg("IDS_FAIL")));
    EXPECT_EQ(rig.logged.size(), 3u);  // one Run line and two Enable lines
}

TEST(PanelTest, ReplyThatDiffersFromTheSpeedIsASettingError) {
    PanelRig rig;
    rig.sdk.reply.field[0] = 99;
    rig.panel.Fields().speed = "100";
    rig.panel.Run();
    EXPECT_EQ(rig.Calls().size(), 1u);
    EXPECT_THAT(rig.Shown(), ElementsAre(rig.Msg("IDS_SETTING_ERROR")));
    EXPECT_THAT(rig.panel.History().Entries(), IsEmpty());
}

TEST(PanelTest, AccelerationTimeZeroRefusedOnNewFirmwareAndAskedOnOld) {
    struct Case {
        uint32_t firmware;
        Answer answer;
        const char* shown;
        bool sent;
    } cases[] = {{1232, Answer::Yes, "IDS_MACC_TIME_0_NOTALLOW", false},
                 {1231, Answer::No, "IDS_MACC_TIME_0", false},
                 {1231, Answer::Yes, "IDS_MACC_TIME_0", true}};
    for (const Case& c : cases) {
        PanelRig rig;
        rig.host.ticked = {{5, c.firmware}};
        rig.host.current.SetFirmware(c.firmware);
        rig.sdk.replyOf["GetKymMCFG"].field[0] = mcfg::kAccelerationByTime;
        rig.messages.answer = c.answer;
        rig.panel.Fields().accTime = "0";
        rig.panel.SetAccelerationTime();
        EXPECT_THAT(rig.Shown(), ElementsAre(rig.Msg(c.shown, "IDS_WARING"))) << c.firmware;
        EXPECT_EQ(!rig.Calls().empty(), c.sent) << c.firmware;
        if (c.sent) {
            EXPECT_THAT(rig.Calls(), Contains("SetmACC(4096,5,0,1,&r)"));
        }
    }
}

TEST(PanelTest, AccelerationTimeQueryInValueModeFirstSetsBit9) {
    PanelRig rig;
    rig.host.ticked = {{5, 1240}};
    rig.sdk.replyOf["GetKymMCFG"].field[0] = 0x0841;  // value mode, other bits set
    rig.sdk.replyOf["SetKymMCFG"].field[0] = 0x0A41;
    rig.sdk.replyOf["GetmACC"].field[0] = 350;
    rig.panel.QueryAccelerationTime();
    EXPECT_THAT(rig.Calls(), ElementsAre("GetKymMCFG(4096,5,&r)", "SetKymMCFG(4096,5,[0xa41],1,&r)",
                                         "GetmACC(4096,5,&r)"));
    EXPECT_EQ(rig.panel.Fields().accTime, "350");
    EXPECT_EQ(rig.host.current.Mcfg(), 0x0A41);
}

// Each node's own MCFG word is read and only the mode bit changed; a node whose word cannot be
// read is not written.
TEST(PanelTest, ModeSwitchKeepsEachNodesOwnWord) {
    PanelRig rig;
    static PanelRig* self;
    self = &rig;
    rig.sdk.table.GetKymMCFG = [](uint32_t, uint32_t node, KymReply* r) -> int32_t {
        if (node == 7) return 0;
        r->field[0] = node == 5 ? 0x0001 : 0x2000;
        return self != nullptr ? 1 : 0;
    };
    rig.sdk.table.SetKymMCFG = [](uint32_t, uint32_t node, const void* data, int32_t,
                                  KymReply* r) -> int32_t {
        std::memcpy(&r->field[0], data, 4);
        self->logged.push_back("MCFG " + std::to_string(node) + "=" + std::to_string(r->field[0]));
        return 1;
    };
    rig.sdk.reply.field[0] = 500;
    rig.panel.Fields().decTime = "500";
    rig.panel.SetDecelerationTime();
    EXPECT_THAT(rig.logged, Contains("MCFG 5=" + std::to_string(0x0101)));
    EXPECT_THAT(rig.logged, Contains("MCFG 6=" + std::to_string(0x2100)));
    EXPECT_THAT(rig.Calls(), ElementsAre("SetmDEC(4096,5,500,1,&r)", "SetmDEC(4096,6,500,1,&r)"));
    EXPECT_THAT(rig.Shown(), ElementsAre(rig.Msg("IDS_DATA_RECEIVE_ERROR")));
    self = nullptr;
}

TEST(PanelTest, GlobalModeRunSendsTheGlobalSpeedWithTheNodeText) {
    PanelRig rig;
    rig.panel.SetMode(PanelMode::Global);
    EXPECT_EQ(rig.host.unticks, 1);
    rig.panel.Fields().speed = "-300";
    rig.panel.Run();
    EXPECT_THAT(rig.Calls(), ElementsAre("SetgSPD(4096,-300)"));
    EXPECT_EQ(rig.panel.Fields().globalSpeed, "-300");
    rig.sdk.ClearCalls();
    rig.panel.Stop();
    EXPECT_THAT(rig.Calls(), ElementsAre("SetgSPD(4096,0)"));
    EXPECT_EQ(rig.panel.Fields().globalSpeed, "-300");
}

TEST(PanelTest, GlobalCommandsNeedAConnection) {
    PanelRig rig;
    rig.host.connected = false;
    rig.panel.GlobalOff();
    EXPECT_THAT(rig.Calls(), IsEmpty());
    EXPECT_THAT(rig.Shown(), ElementsAre(rig.Msg("IDS_DEVICE_NOT_CONNECT_PLEASE_CONNECT_IT_AND_OP")));
}

TEST(PanelTest, MotorParameterRow) {
    struct Case {
        const char* current;
        const char* percent;
        uint32_t firmware;
        std::vector<std::string> calls;
        const char* shown;  ///< key, or a fixed text; nullptr for none
    } cases[] = {
        {"1.2", "1", 1240, {}, "IDC_STATIC_ACR_RANGE_TIP"},
        {"1.2", "100", 1240, {}, "IDC_STATIC_ACR_RANGE_TIP"},
        {"abc", "50", 1240, {}, "Please enter a number."},
        {"8.5", "50", 1240, {}, "Please enter a number between 0 and 8."},
        {"1.24",
         "40",
         1240,
         {"KymACK(4096,5,&r)", "SetMCS(4096,5,4,0,&r)", "SetCUR(4096,5,12,0,&r)", "SetACR(4096,5,40,1,&r)",
          "KymAdvENA(4096,5,300,1,&r)"},
         nullptr},
        {"1.2",
         "40",
         1206,
         {"KymACK(4096,5,&r)", "SetMCS(4096,5,4,0,&r)", "SetCUR(4096,5,12,0,&r)"},
         "IDS_ACR_WARNING"},
    };
    for (const Case& c : cases) {
        PanelRig rig;
        rig.host.ticked = {{5, c.firmware}};
        rig.sdk.replyOf["SetACR"].field[0] = 40;
        PanelFields& f = rig.panel.Fields();
        f.microstep = 2;
        f.current = c.current;
        f.standbyPercent = c.percent;
        f.autoEnableTime = "300";
        rig.panel.SetMotorParameters();
        EXPECT_EQ(rig.Calls(), c.calls) << c.current << " " << c.percent;
        if (c.shown == nullptr)
            EXPECT_THAT(rig.Shown(), IsEmpty());
        else if (std::string(c.shown).rfind("ID", 0) == 0)
            EXPECT_THAT(rig.Shown(), ElementsAre(rig.Msg(c.shown)));
        else
            EXPECT_THAT(rig.Shown(), ElementsAre(std::string("[Kestrin] ") + c.shown));
    }
}

TEST(PanelTest, MotorParameterQueryShowsTheRecord) {
    PanelRig rig;
    rig.sdk.replyOf["KymACK"].field[4] = 8;
    rig.sdk.replyOf["KymACK"].field[5] = 15;
    rig.sdk.replyOf["GetACR"].field[0] = 0;
    rig.sdk.replyOf["KymGetAdvENA"].field[0] = 250;
    rig.panel.QueryMotorParameters();
    EXPECT_THAT(rig.Calls(),
                ElementsAre("KymACK(4096,5,&r)", "GetACR(4096,5,&r)", "KymGetAdvENA(4096,5,&r)"));
    const PanelFields& f = rig.panel.Fields();
    EXPECT_EQ(f.microstep, 3);
    EXPECT_EQ(f.current, "1.5");
    EXPECT_EQ(f.standbyPercent, "100");
    EXPECT_EQ(f.autoEnableTime, "250");
    EXPECT_THAT(rig.panel.History().Entries(), ElementsAre("ENAxFFFF;", "ACR;", "ACK;"));
}

// An unanswered status read (result 0, record left zero) does not count as a motor that is off:
// the failed read is reported, then the motor taken for one that is not off.
TEST(PanelTest, MotorOffCheckNeedsAnAnsweredStatus) {
    struct Case {
        int32_t result;
        int32_t ena;
        bool sent;
        std::vector<const char*> shown;
    } cases[] = {{1, 0, true, {}},
                 {0, 0, false, {"IDS_DATA_RECEIVE_ERROR", "IDS_SETPARAM_NO_OFF_WARNING"}},
                 {-1, 0, false, {"IDS_DATA_RECEIVE_ERROR", "IDS_SETPARAM_NO_OFF_WARNING"}},
                 {1, 1, false, {"IDS_SETPARAM_NO_OFF_WARNING"}}};
    for (const Case& c : cases) {
        PanelRig rig;
        rig.host.ticked = {{5, 1240}};
        rig.sdk.resultOf["KymACK"] = c.result;
        rig.sdk.replyOf["KymACK"].field[1] = c.ena;
        rig.sdk.reply.field[0] = 1000;
        rig.panel.Fields().encoderLines = "1000";
        rig.panel.SetEncoderLines();
        EXPECT_EQ(rig.Calls().size() == 2, c.sent) << c.result << "/" << c.ena;
        std::vector<std::string> expected;
        for (const char* key : c.shown) expected.push_back(rig.Msg(key));
        EXPECT_EQ(rig.Shown(), expected) << c.result << "/" << c.ena;
    }
}

TEST(PanelTest, BurnNodeIdAddsBit7OnRs232AndEthernet) {
    struct Case {
        uint32_t kind;
        const char* sent;
    } cases[] = {{16, "SetADR(4096,5,138)"}, {1, "SetADR(4096,5,138)"}, {4, "SetADR(4096,5,10)"}};
    for (const Case& c : cases) {
        PanelRig rig;
        KymDevInfo info{};
        info.kind = c.kind;
        rig.sdk.gateways = {info};
        rig.monitor.running = true;
        rig.panel.Fields().newNodeId = "10";
        rig.panel.BurnNodeId();
        EXPECT_THAT(rig.Calls(), ElementsAre("GetKymDevInfo(4096,infos)", c.sent));
        EXPECT_EQ(rig.monitor.stops, 1);
        EXPECT_EQ(rig.host.rediscoveries, 1);
    }
}

TEST(PanelTest, PositionQueryFailureShowsTheFixedTextAndSkipsTheNode) {
    PanelRig rig;
    rig.sdk.resultFor = [](const std::string& call) -> std::optional<int32_t> {
        if (call == "GetPOS(4096,6,&r)") return -1;
        return std::nullopt;
    };
    rig.sdk.reply.field[0] = 42;
    rig.panel.QueryPosition();
    EXPECT_THAT(rig.Shown(), ElementsAre("[Error] Execute GetPOS failed"));
    EXPECT_EQ(rig.Calls().size(), 3u);
    EXPECT_EQ(rig.panel.Fields().actualPosition, "42");
    EXPECT_EQ(rig.logged.size(), 2u);
}

TEST(PanelTest, QueryFillsItsFieldAndTheActualValue) {
    PanelRig rig;
    rig.host.ticked = {{5, 1240}};
    rig.sdk.reply.field[0] = 1234;
    rig.panel.QuerySpeed();
    EXPECT_EQ(rig.panel.Fields().speed, "1234");
    EXPECT_EQ(rig.panel.Fields().actualSpeed, "1234");
    ASSERT_EQ(rig.logged.size(), 1u);
    EXPECT_THAT(rig.logged[0], ::testing::HasSubstr(":5 speed 1234"));
    rig.panel.SetShowReturn(false);
    rig.panel.QuerySpeed();
    EXPECT_EQ(rig.logged.size(), 1u);
}

TEST(PanelTest, HistoryKeepsThirtyNewestFirst) {
    CommandHistory history;
    history.Add("   ");
    for (int i = 0; i < 35; ++i) history.Add(" SPD=" + std::to_string(i) + "; ");
    ASSERT_EQ(history.Entries().size(), 30u);
    EXPECT_EQ(history.Entries().front(), "SPD=34;");
    EXPECT_EQ(history.Entries().back(), "SPD=5;");
    EXPECT_EQ(history.Latest(), "SPD=34;");
}

// On a gateway that is not RS-232 nothing changes: no global off, the gateway stays open.
TEST(PanelTest, BaudChangeChecksTheGatewayKindFirst) {
    struct Case {
        uint32_t kind;
        std::vector<std::string> calls;
        int disconnects;
    } cases[] = {
        {16, {"GetKymDevInfo(4096,infos)"}, 0},
        {1, {"GetKymDevInfo(4096,infos)", "SetgOFF(4096)", "SetBDR(4096,57600)", "CloseGateway(4096)"}, 1}};
    for (const Case& c : cases) {
        PanelRig rig;
        KymDevInfo info{};
        info.kind = c.kind;
        rig.sdk.gateways = {info};
        rig.panel.Fields().baud = "57600";
        rig.panel.ChangeRs232Baud();
        EXPECT_EQ(rig.Calls(), c.calls);
        EXPECT_EQ(rig.host.disconnects, c.disconnects);
        EXPECT_EQ(rig.host.baud, 57600);
    }
}

TEST(PanelTest, EnterKeyRunsTheEditsCommand) {
    PanelRig rig;
    rig.host.ticked = {{5, 1240}};
    rig.sdk.reply.field[0] = 7;
    rig.panel.Fields().startSpeed = "7";
    EXPECT_TRUE(rig.panel.RunForEdit(panel_id::kStartSpeed));
    EXPECT_THAT(rig.Calls(), ElementsAre("SetmMSS(4096,5,7,1,&r)"));
    EXPECT_FALSE(rig.panel.RunForEdit(1521));
}

TEST(PanelTest, CombinedSetRunsOnlyEnabledCommandsAfterCheckingEveryMotor) {
    PanelRig rig;
    rig.host.ticked = {{5, 1240}};
    for (int id :
         {panel_id::kAccTimeSet, panel_id::kDecTimeSet, panel_id::kAccValueSet, panel_id::kDecValueSet})
        rig.host.disabled.insert(id);
    rig.sdk.reply.field[0] = 9;
    rig.panel.Fields().startSpeed = rig.panel.Fields().stopSpeed = "9";
    rig.panel.CombinedSet();
    EXPECT_THAT(rig.Calls(),
                ElementsAre("KymACK(4096,5,&r)", "SetmMSS(4096,5,9,1,&r)", "SetmMDS(4096,5,9,1,&r)"));
    rig.sdk.ClearCalls();
    rig.sdk.replyOf["KymACK"].field[1] = 1;
    rig.panel.CombinedSet();
    EXPECT_THAT(rig.Calls(), ElementsAre("KymACK(4096,5,&r)"));
}

// A ticked controller: folded only the motor parameter query; expanded the ramp queries of the
// node's input modes, start and stop speeds, then the expand queries, skipping disabled buttons;
// the node-selection precheck runs once for the sequence.
TEST(PanelTest, QueriesForATickedController) {
    struct Case {
        bool expanded;
        int32_t mcfg;
        std::vector<int> disabled;
        std::vector<std::string> calls;  // the queries' own calls, without the MCFG reads
    };
    const std::vector<std::string> motor{"KymACK(4096,5,&r)", "GetACR(4096,5,&r)", "KymGetAdvENA(4096,5,&r)"};
    auto join = [](std::vector<std::vector<std::string>> parts) {
        std::vector<std::string> all;
        for (auto& part : parts) all.insert(all.end(), part.begin(), part.end());
        return all;
    };
    const std::vector<std::string> expand =
        join({motor,
              {"GetSQT(4096,5,&r)", "GetQER(4096,5,&r)", "GetBLC(4096,5,&r)", "GetSTG(4096,5,&r)",
               "KymSFBK(4096,5,&r)", "GetDOUT(4096,5,&r)"}});
    const Case cases[] = {
        {false, 0x0700, {}, motor},
        {false, 0x0700, {panel_id::kMotorParamQuery}, {}},
        {true,
         0x0300,
         {panel_id::kAccValueQuery, panel_id::kDecValueQuery},  // the time queries are the ones run
         join({{"GetmACC(4096,5,&r)", "GetmDEC(4096,5,&r)", "GetmMSS(4096,5,&r)", "GetmMDS(4096,5,&r)"},
               expand})},
        {true,
         0x0000,
         {panel_id::kAccTimeQuery, panel_id::kDecTimeQuery, panel_id::kP4Query, panel_id::kSensorQuery,
          panel_id::kSpecialQueryAll},
         join({{"GetmACC(4096,5,&r)", "GetmDEC(4096,5,&r)", "GetmMSS(4096,5,&r)", "GetmMDS(4096,5,&r)"},
               motor})},
    };
    for (const Case& c : cases) {
        PanelRig rig;
        rig.host.disabled.insert(c.disabled.begin(), c.disabled.end());
        rig.host.current.SetMcfg(c.mcfg);
        rig.sdk.replyOf["GetKymMCFG"].field[0] = c.mcfg;
        rig.panel.SetMode(PanelMode::Global);  // unticks; the window then ticks the controller
        rig.host.ticked = {{5, 1240}};
        rig.panel.ControllerTicked(c.expanded);
        EXPECT_EQ(rig.panel.Mode(), PanelMode::PerNode);
        EXPECT_EQ(rig.panel.Fields().actualPosition, "0");
        std::vector<std::string> calls;
        for (const std::string& call : rig.Calls())
            if (call.rfind("GetKymMCFG", 0) != 0) calls.push_back(call);
        EXPECT_EQ(calls, c.calls) << c.expanded << " " << c.mcfg;
        EXPECT_EQ(rig.host.prechecks, 1);  // one question at most for the whole sequence
    }
}

}  // namespace
}  // namespace norvane::bench::test
