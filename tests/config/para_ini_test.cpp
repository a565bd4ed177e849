// Para.ini read and rewritten in place, on real files.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "norvane/NorvaneFunc.h"
#include "sdk/api/config_files.h"

namespace fs = std::filesystem;
namespace config = norvane::sdk::config;

namespace {

class ParaIni : public ::testing::Test {
protected:
    void SetUp() override {
        directory_ =
            fs::temp_directory_path() / ("norvane-config-" + std::to_string(::getpid()) + "-" +
                                         ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(directory_);
        config::SetDirectoryForTests(directory_.string());
    }
    void TearDown() override {
        DeInitSDKConfig();
        config::CloseTraceFile();
        config::SetDirectoryForTests("");
        fs::remove_all(directory_);
    }
    void Write(const char* name, const std::string& text) {
        std::ofstream(directory_ / name, std::ios::binary) << text;
    }
    std::string Read(const char* name) {
        std::ifstream in(directory_ / name, std::ios::binary);
        std::stringstream content;
        content << in.rdbuf();
        return content.str();
    }
    fs::path directory_;
};

const char* const kFile =
    "; settings of the host\r\n"
    "[General]\r\n"
    "AutoConnect=1\r\n"
    "\r\n"
    "[ System Config ]\r\n"
    "  Auto Connect  = 1 \r\n"
    "Retries = 12\r\n"
    "Mode=abc\r\n"
    "; trailing comment\r\n"
    "[Tail]\r\n"
    "X=1\r\n";

}  // namespace

TEST_F(ParaIni, ReadsValuesWithBlanksRemoved) {
    Write("Para.ini", kFile);
    ASSERT_EQ(InitSDKConfig(), 1);
    int32_t value = -5;
    EXPECT_EQ(GetSDKConfigParam("AutoConnect", &value), 1);
    EXPECT_EQ(value, 1);
    EXPECT_EQ(GetSDKConfigParam("Retries", &value), 1);
    EXPECT_EQ(value, 12);
    EXPECT_EQ(GetSDKConfigParam("Mode", &value), 1);
    EXPECT_EQ(value, 0);
    value = 77;
    EXPECT_EQ(GetSDKConfigParam("X", &value), -1);  // in another section
    EXPECT_EQ(value, 77);
    EXPECT_EQ(GetSDKConfigParam("Retries", nullptr), 1);
}

TEST_F(ParaIni, RewriteChangesOnlyTheKeysLine) {
    Write("Para.ini", kFile);
    ASSERT_EQ(InitSDKConfig(), 1);
    EXPECT_EQ(SetSDKConfigParam("AutoConnect", 0), 1);
    std::string expected = kFile;
    expected.replace(expected.find("  Auto Connect  = 1 \r\n"), 22, "AutoConnect=0\r\n");
    EXPECT_EQ(Read("Para.ini"), expected);  // shorter line: no stale tail left behind
    EXPECT_EQ(SetSDKConfigParam("Retries", 5), 1);
    int32_t value = 0;
    EXPECT_EQ(GetSDKConfigParam("Retries", &value), 1);
    EXPECT_EQ(value, 1);  // non-zero is written as 1
}

TEST_F(ParaIni, AbsentKeyIsNotAddedAndFails) {
    Write("Para.ini", kFile);
    ASSERT_EQ(InitSDKConfig(), 1);
    EXPECT_EQ(SetSDKConfigParam("Missing", 1), -1);
    EXPECT_EQ(Read("Para.ini"), kFile);
}

TEST_F(ParaIni, MissingFileGivesMinusOne) {
    EXPECT_EQ(InitSDKConfig(), 1);
    EXPECT_EQ(InitSDKConfig(), 1);
    int32_t value = 3;
    EXPECT_EQ(GetSDKConfigParam("AutoConnect", &value), -1);
    EXPECT_EQ(value, 3);
    EXPECT_EQ(SetSDKConfigParam("AutoConnect", 1), -1);
    EXPECT_FALSE(fs::exists(directory_ / "Para.ini"));
}

TEST_F(ParaIni, UninitialisedGivesMinusOne) {
    Write("Para.ini", kFile);
    int32_t value = 0;
    EXPECT_EQ(GetSDKConfigParam("AutoConnect", &value), -1);
    EXPECT_EQ(SetSDKConfigParam("AutoConnect", 1), -1);
}

TEST_F(ParaIni, TraceFileFollowsTheParameterFile) {
    config::OpenTraceFileIfEnabled();
    EXPECT_FALSE(config::TraceFlag());
    Write("SDKParameter.cfg", "0\n");
    config::OpenTraceFileIfEnabled();
    EXPECT_FALSE(config::TraceFlag());
    Write("SDKParameter.cfg", "1\n");
    config::OpenTraceFileIfEnabled();
    EXPECT_TRUE(config::TraceFlag());
    EXPECT_TRUE(fs::exists(directory_ / "SDKTrace.txt"));
    config::CloseTraceFile();
    EXPECT_FALSE(config::TraceFlag());
}
