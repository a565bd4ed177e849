#include "platform/trace.h"

#include <gtest/gtest.h>

#include <vector>

using namespace norvane::platform;

TEST(Trace, LineFormatIsHourMinuteSecondSpaceMillisecondColonText) {
    EXPECT_EQ(FormatTraceLine(9, 5, 7, 42, "<---Get\n"), "9:5:7 42:<---Get\n\n");
    EXPECT_EQ(FormatTraceLine(23, 59, 0, 999, "x"), "23:59:0 999:x\n");
}

TEST(Trace, CaptureReceivesEveryLine) {
    std::vector<std::string> lines;
    SetTraceCapture([&](const std::string& line) { lines.push_back(line); });
    TraceF("socket() failed: %d/n", 111);
    SetTraceCapture({});
    Trace("not captured");
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_NE(lines[0].find(":socket() failed: 111/n\n"), std::string::npos);
}
