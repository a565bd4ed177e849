// The parameter batch writer: CSV import and export, Read, Write with verification and Write
// EEPROM against a recording SDK table; waits are recorded instead of slept.
#include "bench/dialogs/batch_writer.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "bench/dialogs/param_csv.h"
#include "dialog_fixtures.h"

namespace norvane::bench::test {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

TEST(ParameterCsv, LinesFieldsAndKeys) {
    const struct {
        const char* text;
        std::vector<std::pair<std::string, std::string>> lines;
        const char* refused;
    } cases[] = {
        {"SPD,2000\r\nMCFG,33280",
         {{"SPD", "2000"}, {"MCFG", "33280"}},
         nullptr},                                                // last line without a break
        {"spd,100\n", {{"spd", "100"}}, nullptr},                 // key kept as written
        {"SPD\nSTP,1,2\n", {{"SPD", ""}, {"STP", ""}}, nullptr},  // not exactly two fields
        {"stg3, -5 x\r\n", {{"stg3", " -5 x"}}, nullptr},
        {"", {}, nullptr},
        {"SPD,1\nATCONL,100\n", {}, "ATCONL"},  // not an accepted key
        {"SPD,1\n\nSTP,2\n", {}, ""},           // an empty line has the empty key
        {"SPD,1\r\n\r\n", {}, ""},
        {"SPD ,1\n", {}, "SPD "},
    };
    for (const auto& c : cases) {
        const CsvImport parsed = ParseParameterCsv(c.text);
        std::vector<std::pair<std::string, std::string>> lines;
        for (const CsvLine& line : parsed.lines) lines.emplace_back(line.key, line.value);
        EXPECT_EQ(lines, c.lines) << c.text;
        EXPECT_EQ(parsed.refused.has_value(), c.refused != nullptr) << c.text;
        if (c.refused) {
            EXPECT_EQ(*parsed.refused, c.refused);
        }
    }
    EXPECT_EQ(kBatchKeys.size(), 21u);
    EXPECT_EQ(BatchKeyIndex("qec"), 20u);
}

TEST(ParameterCsv, LeadingInteger) {
    const std::pair<const char*, int32_t> cases[] = {{"2000", 2000},
                                                     {"  -12abc", -12},
                                                     {"+7", 7},
                                                     {"abc", 0},
                                                     {"", 0},
                                                     {"--1", 0},
                                                     {"1 2", 1},
                                                     {"\t33280", 33280},
                                                     {"-", 0},
                                                     {"0x10", 0},
                                                     {"99999999999", 2147483647},
                                                     {"-99999999999", -2147483647 - 1}};
    for (const auto& [text, value] : cases) EXPECT_EQ(LeadingInteger(text), value) << text;
}

class BatchWriterTest : public ::testing::Test {
protected:
    Language language = ShippedLanguage("English.ini");
    RecordingSdk sdk;
    RecordedMessages messages;
    std::vector<int> waits;
    BatchWriter writer{sdk.table,      language, messages,
                       kGatewayHandle, 5,        [this](int ms) { waits.push_back(ms); }};

    std::vector<std::string> Column(int column) const {
        std::vector<std::string> texts;
        for (const BatchRow& row : writer.Rows())
            texts.push_back(column == 1 ? row.key : column == 2 ? row.value : row.result);
        return texts;
    }
};

TEST_F(BatchWriterTest, ImportsAndExportsByteForByte) {
    const std::string text = "ICFG,3\r\nspd, 100\r\nSTG1,60001\r\nS12CON,-0\r\n";
    ASSERT_TRUE(writer.ImportText(text));
    EXPECT_EQ(writer.ExportText(), text);
    EXPECT_EQ(writer.Info(), "Parameter file imported.");
    EXPECT_TRUE(writer.ButtonsEnabled());
    // LF-only lines and a last line without a break are written back with CR LF.
    ASSERT_TRUE(writer.ImportText("SPD,1\nSTP,2"));
    EXPECT_EQ(writer.ExportText(), "SPD,1\r\nSTP,2\r\n");
}

TEST_F(BatchWriterTest, ARefusedKeyEmptiesTheListAndEverythingAsksForAFile) {
    EXPECT_FALSE(writer.ImportText("SPD,1\nATCONL,100\n"));
    EXPECT_THAT(messages.shown, ElementsAre("[Kestrin] ATCONL Not support"));
    EXPECT_THAT(writer.Rows(), IsEmpty());
    EXPECT_FALSE(writer.ButtonsEnabled());
    messages.shown.clear();
    writer.Read();
    writer.Write();
    writer.WriteEeprom();
    EXPECT_FALSE(writer.ExportFile("/nonexistent/x.csv"));
    EXPECT_EQ(messages.shown.size(), 4u);
    EXPECT_EQ(messages.shown.front(), "[Kestrin] Please import a parameter file first.");
    EXPECT_THAT(sdk.Calls(), IsEmpty());
    EXPECT_FALSE(writer.ImportFile("/nonexistent/x.csv"));
    EXPECT_EQ(messages.shown.back(), "[Kestrin] Open csv fail!");
}

TEST_F(BatchWriterTest, ReadFillsTheValuesAndPacksTheRecords) {
    ASSERT_TRUE(writer.ImportText("ICFG,0\nSPD,2000\nS12CON,0\nS34CON,0\nSTG2,0\nCUR,0\nQEC,5\n"));
    sdk.replyOf["GetKymICFG"] = Reply({7});
    sdk.replyOf["GetS12CON"] = Reply({0xA, 0x0, 0x1, 0xF});
    sdk.replyOf["GetS34CON"] = Reply({1, 2, 3, 0, 4});
    sdk.replyOf["GetSTG"] = Reply({2, 10, 500, 30});
    sdk.replyOf["KymACK"] = Reply({0, 0, 0, 0, 16, 12, 0, 0});
    sdk.replyOf["GetQEC"] = Reply({-1});  // a device value of -1 is a value, not a failure
    writer.Read();
    EXPECT_THAT(Column(2), ElementsAre("7", "2000", "40991", "18992", "500", "12", "-1"));
    EXPECT_THAT(Column(3), ElementsAre("Read", "Read", "Read", "Read", "Read", "Read", "Read"));
    EXPECT_EQ(writer.Info(), "All parameters read.");
    EXPECT_THAT(sdk.Calls(),
                ElementsAre("GetKymICFG(4096,5,&r)", "GetS12CON(4096,5,&r)", "GetS34CON(4096,5,&r)",
                            "GetSTG(4096,5,&r)", "KymACK(4096,5,&r)", "GetQEC(4096,5,&r)"));
    EXPECT_THAT(waits, ElementsAre(500));
    // Export after Read writes the device's values.
    EXPECT_EQ(writer.ExportText(),
              "ICFG,7\r\nSPD,2000\r\nS12CON,40991\r\nS34CON,18992\r\nSTG2,500\r\nCUR,12\r\nQEC,-1\r\n");
}

TEST_F(BatchWriterTest, AFailedReadKeepsTheValueAndAFollowingWriteSendsTheFileValue) {
    ASSERT_TRUE(writer.ImportText("QER,1000\nBLC,-1\n"));
    sdk.resultOf["GetQER"] = 0;
    sdk.resultOf["GetBLC"] = 0;
    writer.Read();
    EXPECT_THAT(Column(2), ElementsAre("1000", "-1"));
    EXPECT_THAT(Column(3), ElementsAre("Read failed", "Read failed"));
    EXPECT_EQ(writer.Info(), "Some parameters could not be read; please check them.");
    // A failed read does not "equal" the set value -1: the row is written.
    sdk.replyOf["SetQER"] = Reply({1000});
    sdk.replyOf["SetBLC"] = Reply({-1});
    sdk.ClearCalls();
    writer.Write();
    EXPECT_THAT(Column(3), ElementsAre("Pass", "Pass"));
    const auto calls = sdk.Calls();
    EXPECT_NE(std::find(calls.begin(), calls.end(), "SetQER(4096,5,1000,1,&r)"), calls.end());
    EXPECT_NE(std::find(calls.begin(), calls.end(), "SetBLC(4096,5,-1,1,&r)"), calls.end());
}

TEST_F(BatchWriterTest, WriteSkipsEqualRowsSwitchesARunningMotorOffAndReportsTheEcho) {
    ASSERT_TRUE(writer.ImportText("SPD,2000\nSTP,-5\nSQT,200\nACR,50\nS34CON,18992\nMMSS,300\n"));
    sdk.replyOf["GetSQT"] = Reply({200});  // already equal: no write
    sdk.replyOf["GetACR"] = Reply({0});
    sdk.replyOf["SetACR"] = Reply({49});  // echo differs
    sdk.replyOf["GetS34CON"] = Reply({0, 0, 0, 0, 0});
    sdk.replyOf["SetS34CON"] = Reply({1, 2, 3, 0, 4});
    sdk.replyOf["GetmMSS"] = Reply({0});
    sdk.resultOf["SetmMSS"] = -1;
    sdk.replyOf["KymFBK"] = Reply({0, 1});  // enabled
    writer.Write();
    EXPECT_THAT(Column(3), ElementsAre("Pass", "Pass", "Pass", "Fail Ret:49", "Pass", "Fail Ret:-1"));
    EXPECT_EQ(writer.Info(), "Some parameters failed to write or check; please check them.");
    EXPECT_THAT(sdk.Calls(),
                ElementsAre("KymOFF(4096,5,1,&r)", "GetSQT(4096,5,&r)", "GetACR(4096,5,&r)",
                            "KymFBK(4096,5,&r)", "KymOFF(4096,5,1,&r)", "SetACR(4096,5,50,1,&r)",
                            "GetS34CON(4096,5,&r)", "KymFBK(4096,5,&r)", "KymOFF(4096,5,1,&r)",
                            "SetS34CON(4096,5,[0x1,0x2,0x3,0x0,0x4],1,&r)", "GetmMSS(4096,5,&r)",
                            "KymFBK(4096,5,&r)", "KymOFF(4096,5,1,&r)", "SetmMSS(4096,5,300,1,&r)"));
    EXPECT_THAT(waits, ElementsAre(300, 300, 3, 300, 3, 300, 3));
    // SPD and STP never reach the device from Write; they enter the motion cache.
    EXPECT_EQ(writer.Cache(), (MotionCache{2000, -5, 0, 0, 300, 0}));
}

TEST_F(BatchWriterTest, WriteEepromRightAfterImportStoresTheFilesMotionValuesInEverySlot) {
    ASSERT_TRUE(writer.ImportText("SPD,2000\nSTP,100\nMACC,10\nMDEC,20\nMMSS,30\nMMDS,40\nQEC,0\n"));
    writer.WriteEeprom();
    const auto calls = sdk.Calls();
    ASSERT_EQ(calls.size(), 1u + 8 * 7);
    EXPECT_EQ(calls[0], "KymOFF(4096,5,1,&r)");
    EXPECT_THAT(std::vector<std::string>(calls.begin() + 1, calls.begin() + 8),
                ElementsAre("SetSPD(4096,5,2000,1,&r)", "SetSTP(4096,5,100,1,&r)", "SetmACC(4096,5,10,1,&r)",
                            "SetmDEC(4096,5,20,1,&r)", "SetmMSS(4096,5,30,1,&r)", "SetmMDS(4096,5,40,1,&r)",
                            "KymAdvSTORE(4096,5,[0x0],1,&r)"));
    EXPECT_EQ(calls.back(), "KymAdvSTORE(4096,5,[0x7],1,&r)");
    EXPECT_EQ(writer.Info(), "All written");
    EXPECT_EQ(waits.size(), 9u);

    // The first failing call ends the procedure.
    sdk.ClearCalls();
    sdk.resultOf["SetmDEC"] = -1;
    writer.WriteEeprom();
    EXPECT_EQ(sdk.Calls().size(), 5u);
    EXPECT_EQ(writer.Info(), "Write failed");
}

}  // namespace
}  // namespace norvane::bench::test
