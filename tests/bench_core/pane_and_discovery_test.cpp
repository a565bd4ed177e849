// The log writer's line, the return pane's trimming and node discovery.
#include <gtest/gtest.h>

#include "bench/core/log_writer.h"
#include "bench/core/node_table.h"
#include "bench/core/return_pane.h"
#include "bench_fixtures.h"
#include "recording_sdk.h"

namespace norvane::bench::test {
namespace {

TEST(ReturnPaneTest, LinesGoOnTopAndALongPaneLosesCharacters1500To1999First) {
    ReturnPane pane;
    pane.Add("first");
    pane.Add("second");
    EXPECT_EQ(pane.Text(), "second\r\nfirst");

    ReturnPane full;
    std::string text;
    for (int i = 0; i < 2100; ++i) text += static_cast<char>('a' + i % 26);
    full.Add(text);
    full.Add("new");
    EXPECT_EQ(full.Text(), "new\r\n" + text.substr(0, 1500) + text.substr(2000));
    EXPECT_EQ(full.Characters(), 3 + 2 + 1600u);

    // Characters, not bytes: a pane of 2001 Chinese characters is trimmed without splitting one.
    ReturnPane wide;
    std::string chinese;
    for (int i = 0; i < 2001; ++i) chinese += "字";
    wide.Add(chinese);
    wide.Add("x");
    EXPECT_EQ(wide.Characters(), 1u + 2 + 1501);

    ReturnPane exact;  // exactly 2000 characters: not trimmed
    exact.Add(std::string(2000, 'a'));
    exact.Add("b");
    EXPECT_EQ(exact.Characters(), 2003u);
}

TEST(LogWriterTest, LineCarriesTimeSiteTextNodeAndText) {
    const Language english = ShippedLanguage("English.ini");
    std::vector<std::string> lines;
    std::tm noon{};
    noon.tm_year = 126;
    noon.tm_mday = 1;
    noon.tm_hour = 12;
    noon.tm_min = 3;
    noon.tm_sec = 4;
    noon.tm_isdst = -1;
    const auto when =
        std::chrono::system_clock::from_time_t(std::mktime(&noon)) + std::chrono::milliseconds(56);
    LogWriter log(
        english, [&](const std::string& line) { lines.push_back(line); }, [&] { return when; });
    log.Write(5, "SUCCESS: x");
    log.WritePlain(SiteSumText(3));
    EXPECT_EQ(lines, (std::vector<std::string>{"#: 12:03:04:056: Node:5 SUCCESS: x",
                                               "#: 12:03:04:056: Can site sum: 3\r\n"}));
}

TEST(DiscoveryTest, ListsNodesAscendingReadsModelsFromTheTopAndKeepsOnlyWrittenIds) {
    RecordingSdk sdk;
    sdk.ids = {7, 5, 6};
    sdk.result = 3;
    std::memcpy(reinterpret_cast<char*>(sdk.reply.field) + 36, "KYM4703-M", 10);
    sdk.reply.field[8] = 1240;
    const Discovery found = DiscoverNodes(sdk.table, 0x1000);
    ASSERT_EQ(found.nodes.size(), 3u);
    EXPECT_EQ(found.nodes[0].id, 5);
    EXPECT_EQ(found.nodes[2].id, 7);
    EXPECT_EQ(found.nodes[1].model.field[0], 6);
    EXPECT_EQ(found.nodes[1].ModelName(), "KYM4703-M");
    EXPECT_EQ(found.nodes[1].Firmware(), 1240u);
    EXPECT_EQ(sdk.Calls(), (std::vector<std::string>{"KymGrobReg(4096,ids,100)", "GetMDL(4096,7,&r)",
                                                     "GetMDL(4096,6,&r)", "GetMDL(4096,5,&r)"}));
    EXPECT_EQ(SiteSumText(found.nodes.size()), "Can site sum: 3\r\n");

    // A gateway that reports one node without writing its id, and a failed discovery.
    RecordingSdk quiet;
    quiet.result = 1;
    EXPECT_TRUE(DiscoverNodes(quiet.table, 0x1000).nodes.empty());
    RecordingSdk none;
    none.result = -1;
    EXPECT_EQ(DiscoverNodes(none.table, 0x1000).result, -1);
    EXPECT_EQ(none.Calls().size(), 1u);
}

}  // namespace
}  // namespace norvane::bench::test
