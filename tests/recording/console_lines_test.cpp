// Where the lines the SDK prints for the host go: standard output by default, the trace sink when
// SDKParameter.cfg or the environment says so (the environment first), over a real MCFG pack.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "platform/trace.h"
#include "sdk/core/codec/codec.h"
#include "sdk/core/sdk_settings.h"

namespace norvane::sdk {
namespace {

using platform::ConsoleLines;

TEST(ConsoleLines, ParsedFromTheirKeyLine) {
    const struct {
        const char* text;
        std::optional<ConsoleLines> want;
    } cases[] = {{"ConsoleLines=stdout\n", ConsoleLines::Stdout},
                 {"1\r\nConsoleLines = Trace \r\n", ConsoleLines::Trace},
                 {"ConsoleLines=TRACE", ConsoleLines::Trace},
                 {"ConsoleLines=\n", std::nullopt},
                 {"ConsoleLines=stderr\n", std::nullopt},
                 {"ConsoleLines=trace1\n", std::nullopt},
                 {"consolelines=trace\n", std::nullopt},  // keys keep their case, as CanLog does
                 {"1\n", std::nullopt}};
    for (const auto& c : cases)
        EXPECT_EQ(ParseSdkParameterText(c.text, "/d/").consoleLines, c.want) << c.text;
}

TEST(ConsoleLines, McfgLineGoesWhereTheFileAndTheEnvironmentSay) {
    const std::filesystem::path dir =
        std::filesystem::temp_directory_path() / ("console_lines_" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);
    const struct {
        const char* file;         // nullptr: no SDKParameter.cfg
        const char* environment;  // nullptr: unset
        bool toTrace;
    } cases[] = {{nullptr, nullptr, false},
                 {"1\nConsoleLines=stdout\n", nullptr, false},
                 {"1\nConsoleLines=trace\n", nullptr, true},
                 {"1\nConsoleLines=trace\n", "stdout", false},
                 {nullptr, "trace", true},
                 {"1\nConsoleLines=trace\n", "loud", true},  // a bad value is ignored
                 {"1\nConsoleLines=loud\n", nullptr, false}};
    const std::string line = "NvSimCanPackMSG dwDrvId=5,Data[0]=0x34,Data[1]=0x12,dwValue=4660 ";
    for (const auto& c : cases) {
        const std::string label =
            std::string(c.file ? c.file : "(no file)") + " / " + (c.environment ? c.environment : "-");
        std::filesystem::remove(dir / "SDKParameter.cfg");
        if (c.file) std::ofstream(dir / "SDKParameter.cfg") << c.file;
        if (c.environment)
            setenv("NORVANE_CONSOLE_LINES", c.environment, 1);
        else
            unsetenv("NORVANE_CONSOLE_LINES");
        ApplySdkSettings(dir.string() + "/");

        std::vector<std::string> traced;
        platform::SetTraceCapture([&](const std::string& l) { traced.push_back(l); });
        testing::internal::CaptureStdout();
        const uint32_t value = 0x1234;
        KymCanMsg out{};
        ASSERT_EQ(PackSecondGen(5, 0x2E, 0, &value, &out), 1);
        std::fflush(stdout);
        const std::string printed = testing::internal::GetCapturedStdout();
        platform::SetTraceCapture({});

        if (c.toTrace) {
            EXPECT_EQ(printed, "") << label;
            ASSERT_EQ(traced.size(), 1u) << label;
            EXPECT_TRUE(traced[0].ends_with(":" + line + "\n")) << label << ": " << traced[0];
        } else {
            EXPECT_EQ(printed, line + "\n") << label;
            EXPECT_TRUE(traced.empty()) << label;
        }
    }
    unsetenv("NORVANE_CONSOLE_LINES");
    ApplySdkSettings(dir.string() + "/missing/");
    std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace norvane::sdk
