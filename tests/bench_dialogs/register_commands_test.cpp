// The register commands against a recording SDK table: read, edit, write to every ticked node,
// check the echo; what the cache, the history and the messages hold afterwards.
#include "bench/dialogs/register_commands.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "dialog_fixtures.h"

namespace norvane::bench::test {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

class RegisterCommandsTest : public ::testing::Test {
protected:
    Language language = ShippedLanguage("English.ini");
    RecordingSdk sdk;
    RecordedMessages messages;
    RecordedLog log{language};
    FakeHost host;
    RegisterCommands commands{sdk.table, language, log.writer, messages, host};
};

TEST_F(RegisterCommandsTest, McfgReadsEditsAndWritesEveryTickedNodeInRowOrder) {
    host.nodes = {Controller(5, "4567", 1220), Controller(7, "4567", 1220)};
    sdk.replyOf["GetKymMCFG"] = Reply({0x0400});
    sdk.replyOf["SetKymMCFG"] = Reply({0x2431});  // QEI differs from what was sent: not checked
    auto editor = commands.BeginMcfg();
    ASSERT_TRUE(editor);
    EXPECT_EQ(host.mcfg, 0x0400);
    editor->Click(0, 1);
    editor->Click(4, 1);
    editor->Click(5, 1);
    commands.FinishMcfg(*editor);
    EXPECT_THAT(sdk.Calls(), ElementsAre("GetKymMCFG(4096,5,&r)", "SetKymMCFG(4096,5,[0x431],1,&r)",
                                         "SetKymMCFG(4096,7,[0x431],1,&r)"));
    EXPECT_THAT(host.asked, ElementsAre("MotorOff(5)", "McfgChanged", "McfgChanged"));
    EXPECT_THAT(host.history, ElementsAre("MCFG=9265;", "MCFG=9265;"));
    EXPECT_THAT(log.lines,
                ElementsAre("Node:5 set MCFG 0x2431, returned", "Node:7 set MCFG 0x2431, returned"));
    EXPECT_EQ(host.mcfg, 0x2431);
    EXPECT_THAT(messages.shown, IsEmpty());
}

TEST_F(RegisterCommandsTest, McfgFailuresKeepTheCachedWordAndStop) {
    host.nodes = {Controller(5, "4567", 1220), Controller(7, "4567", 1220)};
    host.mcfg = 0x1234;
    // A failed read: no dialog, the cache as it was, nothing written later.
    sdk.resultOf["GetKymMCFG"] = 0;
    EXPECT_FALSE(commands.BeginMcfg());
    EXPECT_EQ(host.mcfg, 0x1234);
    EXPECT_THAT(messages.shown, ElementsAre("[Error] Setting failed."));

    // A failed write puts the word from before the command back.
    sdk.resultOf["GetKymMCFG"] = 1;
    sdk.replyOf["GetKymMCFG"] = Reply({0x0400});
    auto editor = commands.BeginMcfg();
    ASSERT_TRUE(editor);
    sdk.resultOf["SetKymMCFG"] = -1;
    sdk.ClearCalls();
    commands.FinishMcfg(*editor);
    EXPECT_EQ(host.mcfg, 0x1234);
    EXPECT_THAT(sdk.Calls(), ElementsAre("SetKymMCFG(4096,5,[0x400],1,&r)"));

    // An echo differing in a checked bit: stop, the echo stays cached.
    sdk.resultOf["SetKymMCFG"] = 1;
    sdk.replyOf["SetKymMCFG"] = Reply({0x0401});
    sdk.ClearCalls();
    commands.FinishMcfg(*editor);
    EXPECT_EQ(host.mcfg, 0x0401);
    EXPECT_EQ(sdk.Calls().size(), 1u);
    EXPECT_THAT(host.history, IsEmpty());

    // The motor is not off: nothing is written.
    host.motorOff = false;
    sdk.ClearCalls();
    commands.FinishMcfg(*editor);
    EXPECT_THAT(sdk.Calls(), IsEmpty());
}

TEST_F(RegisterCommandsTest, ModelCodeInIcfgStandsInForCapabilitiesAboveFirmware1231) {
    host.nodes = {Controller(5, "", 1232), Controller(6, "", 1231)};
    sdk.replyOf["GetKymICFG"] = Reply({0x8000});  // model code 2: encoder as an option
    EXPECT_TRUE(commands.Capabilities(5).c4);
    EXPECT_TRUE(commands.Capabilities(5).c4);  // read once per node
    EXPECT_FALSE(commands.Capabilities(6).c4);
    EXPECT_THAT(sdk.Calls(), ElementsAre("GetKymICFG(4096,5,&r)"));
}

TEST_F(RegisterCommandsTest, IcfgKeepsTheHighByteAndReportsTheNodesErrorOnFailure) {
    host.nodes = {Controller(5, "", 1220)};
    sdk.replyOf["GetKymICFG"] = Reply({0xC00F});
    sdk.replyOf["SetKymICFG"] = Reply({0xC00E});
    auto editor = commands.BeginIcfg();
    ASSERT_TRUE(editor);
    editor->Click(0, 0);
    commands.FinishIcfg(*editor);
    EXPECT_THAT(sdk.Calls(), ElementsAre("GetKymICFG(4096,5,&r)", "SetKymICFG(4096,5,[0xc00e],1,&r)"));
    EXPECT_THAT(host.history, ElementsAre("ICFG=49166;"));
    EXPECT_THAT(host.asked, ElementsAre("MotorOff(5)", "AutoEnable(0)", "Toggle(0)"));

    sdk.resultOf["SetKymICFG"] = -1;
    sdk.replyOf["GetLastErr"] = Reply({17});
    host.showReturn = false;  // the error line is written all the same
    log.lines.clear();
    commands.FinishIcfg(*editor);
    EXPECT_EQ(sdk.Calls().back(), "GetLastErr(4096,5,&r)");
    EXPECT_THAT(log.lines, ElementsAre("Node:5 ICFG: error 17"));
    EXPECT_EQ(messages.shown.back(), "[Error] Setting failed.");
}

TEST_F(RegisterCommandsTest, S12IsRefusedWhileTheEncoderUsesS1AndS2) {
    host.nodes = {Controller(5, "467", 1230)};
    host.mcfg = 0x2000;
    EXPECT_FALSE(commands.BeginS12());
    EXPECT_THAT(sdk.Calls(), ElementsAre("GetSCFG(4096,5,&r)"));
    EXPECT_THAT(messages.shown, ElementsAre("[Error] S1 and S2 are used by the encoder on this node."));
}

TEST_F(RegisterCommandsTest, S12WritesTimesThenCodesAndGoesOnAfterAMismatch) {
    host.nodes = {Controller(5, "6", 1230), Controller(7, "6", 1230)};
    sdk.replyOf["GetSCFG"] = Reply({0xA, 0x0, 0x1, 0xF});
    sdk.replyOf["GetSTG"] = Reply({0, 500, 60001, 0});
    auto setup = commands.BeginS12();
    ASSERT_TRUE(setup);
    EXPECT_EQ(setup->codes.Word(), 0xA01F);
    EXPECT_EQ(setup->s1.Choice(), Trigger::ByTime);
    EXPECT_EQ(setup->s2.Choice(), Trigger::Once);
    EXPECT_TRUE(setup->editable && setup->triggers);
    sdk.replyOf["SetS12CON"] = Reply({0xA, 0x0, 0x1, 0xE});  // the node kept another S1 falling action
    sdk.ClearCalls();
    commands.FinishS12(*setup);
    EXPECT_THAT(
        sdk.Calls(),
        ElementsAre("SetSTG(4096,5,[0x1,0x1f4,0x0,0x0],0,null)", "SetSTG(4096,5,[0x2,0x0,0xea61,0x0],0,null)",
                    "SetS12CON(4096,5,[0xa,0x0,0x1,0xf],1,&r)", "SetSTG(4096,7,[0x1,0x1f4,0x0,0x0],0,null)",
                    "SetSTG(4096,7,[0x2,0x0,0xea61,0x0],0,null)",
                    "SetS12CON(4096,7,[0xa,0x0,0x1,0xf],1,&r)"));
    EXPECT_EQ(messages.shown.size(), 2u);
    EXPECT_EQ(messages.shown[0], "[Error] Writing the sensor S1/S2 settings failed.");

    // Old firmware and no sensor choices: no times, a dialog that only shows.
    host.nodes = {Controller(5, "", 1222)};
    sdk.ClearCalls();
    setup = commands.BeginS12();
    ASSERT_TRUE(setup);
    EXPECT_FALSE(setup->editable || setup->triggers);
    EXPECT_THAT(sdk.Calls(), ElementsAre("GetSCFG(4096,5,&r)"));
}

TEST_F(RegisterCommandsTest, S34LocksFollowFirmwareAndFlagsAndTheEchoIsCompared) {
    host.nodes = {Controller(5, "7", 1300)};
    sdk.replyOf["GetSCFG"] = Reply({0, 0, 0, 0, 1, 2, 3, 0, 4});
    sdk.replyOf["GetSTG"] = Reply({0, 0, 0, 700});
    auto setup = commands.BeginS34();
    ASSERT_TRUE(setup);
    EXPECT_EQ(setup->codes.Word(), 0x4A30);
    EXPECT_EQ(setup->s3Time.Time(), 700);
    EXPECT_TRUE(setup->s3 && setup->triggers);
    EXPECT_FALSE(setup->stall);
    sdk.replyOf["SetS34CON"] = Reply({1, 2, 3, 0, 4});
    sdk.ClearCalls();
    commands.FinishS34(*setup);
    EXPECT_THAT(sdk.Calls(), ElementsAre("SetSTG(4096,5,[0x3,0x0,0x0,0x2bc],0,null)",
                                         "SetS34CON(4096,5,[0x1,0x2,0x3,0x0,0x4],1,&r)"));
    EXPECT_THAT(messages.shown, ElementsAre("[Done] Sensor S3/P4 settings written."));

    host.nodes = {Controller(5, "3", 1222)};
    setup = commands.BeginS34();
    ASSERT_TRUE(setup);
    EXPECT_FALSE(setup->s3 || setup->triggers);
    EXPECT_TRUE(setup->stall);
}

}  // namespace
}  // namespace norvane::bench::test
