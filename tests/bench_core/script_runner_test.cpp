// The script runner: passes and RPT, a stop taking effect after the current pass, refusal while a
// stopped worker finishes, file errors, the command box running while a script runs, and the end
// of the program cutting a SLEEP short.
#include "bench/core/script_runner.h"

#include <gtest/gtest.h>

#include "bench/core/command_text.h"
#include "interpreter_rig.h"

namespace norvane::bench::test {
namespace {

TEST(ScriptRunnerTest, PrepareDropsLineBreaksAndEverythingFromRpt) {
    struct Case {
        const char* bytes;
        const char* text;
        int32_t repeat;
    };
    const Case cases[] = {
        {"adr5;\r\nsp\nd100;\r\nRPT3;SPD0;", "ADR5;SPD100;", 3},
        {"SPD1;", "SPD1;", -1},
        {"SPD1;rpt", "SPD1;", 0},
        {"RPT2;ENA;", "", 2},
    };
    for (const Case& c : cases) {
        const command::Script script = command::PrepareScript(c.bytes);
        EXPECT_EQ(script.text, c.text);
        EXPECT_EQ(script.repeat, c.repeat);
    }
}

TEST(ScriptRunnerTest, RunsAsManyPassesAsRptAsksWithTheNodeTheScriptChose) {
    struct Case {
        const char* script;
        size_t passes;
    };
    const Case cases[] = {{"ADR5;SPD100;RPT3;SPD0;", 3},
                          {"ADR5;SPD100;", 1},
                          {"ADR5;SPD100;RPT1;", 1},
                          {"ADR5;SPD100;RPT0;", 1},
                          {"ADR5;\nSPD100;RPT-99999999999;", 1}};
    for (const Case& c : cases) {
        InterpreterRig rig;
        rig.Reset(1, -1);
        ScriptRunner runner(rig.interpreter, rig.messages);
        ASSERT_EQ(runner.StartText(c.script), ScriptRunner::Start::Started);
        runner.Wait();
        EXPECT_EQ(rig.sdk.Calls(), Lines(c.passes, "SetSPD(4096,5,100,1,&r)")) << c.script;
        EXPECT_FALSE(runner.Running());
        EXPECT_FALSE(runner.WorkerActive());
    }
}

TEST(ScriptRunnerTest, FileErrorsAndTextWithoutCommandsAreReported) {
    InterpreterRig rig;
    rig.Reset(1, -1);
    ProgramDir dir;
    dir.Put("empty.txt", "");
    dir.Put("nocommand.txt", "SPD100");
    ScriptRunner runner(rig.interpreter, rig.messages);
    EXPECT_EQ(runner.StartFile(dir.Path() + "/missing.txt"), ScriptRunner::Start::OpenFailed);
    EXPECT_EQ(runner.StartFile(dir.Path() + "/empty.txt"), ScriptRunner::Start::Empty);
    EXPECT_EQ(runner.StartFile(dir.Path() + "/nocommand.txt"), ScriptRunner::Start::Started);
    runner.Wait();
    EXPECT_EQ(rig.messages.shown,
              (Lines{"[Kestrin] Open script fail!", "[Kestrin] No instruction in the script file!",
                     "[Kestrin] error CMD.no';'"}));
    EXPECT_TRUE(rig.sdk.Calls().empty());
}

TEST(ScriptRunnerTest, AStopEndsTheScriptAfterItsCurrentPassAndANewStartWaitsForThat) {
    InterpreterRig rig;
    rig.Reset(1, -1);
    // The worker's first SPD call waits until the test has stopped the script.
    std::mutex gate;
    std::condition_variable changed;
    bool reached = false, released = false;
    rig.sdk.onCall = [&](const std::string& call) {
        if (call != "SetSPD(4096,5,1,1,&r)") return;
        std::unique_lock<std::mutex> lock(gate);
        if (reached) return;
        reached = true;
        changed.notify_all();
        changed.wait(lock, [&] { return released; });
    };
    ScriptRunner runner(rig.interpreter, rig.messages);
    ASSERT_EQ(runner.StartText("ADR5;SPD1;_SLEEP20;SPD2;RPT5;"), ScriptRunner::Start::Started);
    EXPECT_EQ(runner.StartText("SPD3;"), ScriptRunner::Start::AlreadyRunning);
    {
        std::unique_lock<std::mutex> lock(gate);
        changed.wait(lock, [&] { return reached; });
    }
    runner.Stop();
    EXPECT_FALSE(runner.Running());
    EXPECT_TRUE(runner.WorkerActive());
    EXPECT_EQ(runner.StartText("SPD3;"), ScriptRunner::Start::StillStopping);
    {
        std::lock_guard<std::mutex> lock(gate);
        released = true;
    }
    changed.notify_all();
    runner.Wait();
    EXPECT_EQ(rig.sdk.Calls(), (Lines{"SetSPD(4096,5,1,1,&r)", "SetSPD(4096,5,2,1,&r)"}));
    EXPECT_EQ(rig.Written(),
              (Lines{"Node:5 SUCCESS: SPD1; set speed 1, speed 100 ", "Node:5 wait 20ms............",
                     "Node:5 SUCCESS: _sleep20ms", "Node:5 SUCCESS: SPD2; set speed 2, speed 100 "}));
    EXPECT_EQ(rig.messages.shown,
              Lines{"[Kestrin] The stopped script is still finishing its pass, try again later!"});
    // Once it has ended, a new script starts.
    EXPECT_EQ(runner.StartText("SPD3;"), ScriptRunner::Start::Started);
    runner.Wait();
}

TEST(ScriptRunnerTest, TheCommandBoxRunsWhileAScriptRunsAndRetargetsItsNextCommands) {
    InterpreterRig rig;
    rig.Reset(1, -1);
    ScriptRunner runner(rig.interpreter, rig.messages);
    ASSERT_EQ(runner.StartText("ADR5;_SLEEP1;FBK;_SLEEP1;RPT200;"), ScriptRunner::Start::Started);
    for (int i = 0; i < 50; ++i) rig.interpreter.RunText("SPD;ACR;", i % 2 ? 9 : 0);
    runner.Stop();
    runner.Wait();
    size_t box = 0;
    for (const std::string& call : rig.sdk.Calls()) box += call.rfind("GetSPD", 0) == 0;
    EXPECT_EQ(box, 50u);
}

TEST(ScriptRunnerTest, TheEndOfTheProgramCutsASleepShortAndRunsNothingMore) {
    InterpreterRig rig;
    rig.Reset(1, -1);
    ScriptRunner runner(rig.interpreter, rig.messages);
    ASSERT_EQ(runner.StartText("ADR5;_SLEEP600000;SPD1;RPT100;"), ScriptRunner::Start::Started);
    rig.WaitForLine("Node:5 wait 600000ms............");
    rig.sleeper.Shutdown();
    runner.Wait();
    EXPECT_TRUE(rig.sdk.Calls().empty());
    EXPECT_EQ(rig.Written(), Lines{"Node:5 wait 600000ms............"});
}

}  // namespace
}  // namespace norvane::bench::test
