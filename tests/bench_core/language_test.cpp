// Language files: choice by name, lookups, the settings file, and the shipped files' keys.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <set>

#include "bench/core/profile_text.h"
#include "bench_fixtures.h"

namespace norvane::bench::test {
namespace {

std::string LanguageFile(const std::string& name, const std::string& strings) {
    return "[Setting]\nLanguage=" + name + "\n[String]\n" + strings;
}

TEST(ProfileTextTest, ReadsLikeTheWindowsProfileFunctions) {
    const std::string text =
        "\xEF\xBB\xBF; comment\r\n[setting]\r\nlanguage = English \r\n[String]\r\nA= two words \r\n"
        "B=\" kept blanks \"\r\nA=second\r\n;C=commented\r\nD=a=b\r\n[String]\r\nE=later section\r\n";
    EXPECT_EQ(profile::ReadValue(text, "Setting", "Language"), "English");
    EXPECT_EQ(profile::ReadValue(text, "String", "a"), "two words");
    EXPECT_EQ(profile::ReadValue(text, "String", "B"), " kept blanks ");
    EXPECT_EQ(profile::ReadValue(text, "String", "D"), "a=b");
    EXPECT_EQ(profile::ReadValue(text, "String", "C"), std::nullopt);
    EXPECT_EQ(profile::ReadValue(text, "String", "E"), std::nullopt);
    EXPECT_EQ(profile::ReadValue(text, "Other", "A"), std::nullopt);
}

TEST(ProfileTextTest, WritesAKeyInPlaceAtTheEndOfItsSectionOrInANewSection) {
    EXPECT_EQ(profile::WriteValue("", "Setting", "Language", "English"), "[Setting]\nLanguage=English\n");
    EXPECT_EQ(
        profile::WriteValue("[Setting]\r\nlanguage=Chinese\r\nX=1\r\n", "Setting", "Language", "English"),
        "[Setting]\r\nLanguage=English\r\nX=1\r\n");
    EXPECT_EQ(profile::WriteValue("[Setting]\nX=1\n\n[Other]\nY=2", "Setting", "Language", "A"),
              "[Setting]\nX=1\nLanguage=A\n\n[Other]\nY=2");
    EXPECT_EQ(profile::WriteValue("[Other]\nY=2", "Setting", "Language", "A"),
              "[Other]\nY=2\n[Setting]\nLanguage=A\n");
}

TEST(LanguageTest, ChoosesTheFileByExactNameSkippingTheSettingsFile) {
    struct Case {
        const char* settings;  // nullptr: no setting.ini
        const char* requested;
        bool found;
        const char* lookup;  // text of IDS_ERR
        const char* settingsAfter;
    };
    const Case cases[] = {
        {nullptr, "", true, "Error", "[Setting]\nLanguage=English\n"},
        {"[Setting]\nLanguage=Chinese\n", "", true, "错误", "[Setting]\nLanguage=Chinese\n"},
        {"[Setting]\nLanguage=Klingon\n", "", false, "Not found", "[Setting]\nLanguage=Klingon\n"},
        {"[Setting]\nLanguage=english\n", "", false, "Not found", "[Setting]\nLanguage=english\n"},
        {"[Setting]\nLanguage=English\n", "Chinese", true, "错误", "[Setting]\nLanguage=Chinese\n"},
    };
    for (const Case& c : cases) {
        ProgramDir dir;
        // "a.ini" sorts before setting.ini and "z.ini" after it; neither declares a language.
        dir.Put("Language/a.ini", "[String]\nIDS_ERR=wrong file\n");
        dir.Put("Language/English.ini", LanguageFile("English", "IDS_ERR=Error\nIDS_TWO=one\\ntwo\\n\n"));
        dir.Put("Language/zChinese.ini", LanguageFile("Chinese", "IDS_ERR=错误\n"));
        if (c.settings) dir.Put("Language/setting.ini", c.settings);
        RecordedMessages messages;
        Language language;
        EXPECT_EQ(language.Load(dir.Path(), {c.requested, true}, messages), c.found) << c.requested;
        EXPECT_EQ(language.Lookup("IDS_ERR"), c.lookup);
        EXPECT_EQ(language.Lookup("IDS_MISSING"), "Not found");
        EXPECT_EQ(*ReadFileText(dir.Language("setting.ini")), c.settingsAfter);
        if (c.found) {
            EXPECT_TRUE(messages.shown.empty());
        } else {
            EXPECT_EQ(messages.shown,
                      std::vector<std::string>{
                          "[Kestrin] Load language file failed, please reinstall the application!"});
        }
        if (language.Name() == "English") {
            EXPECT_EQ(language.Lookup("IDS_TWO"), "one\ntwo\n");
        }
    }
}

TEST(LanguageTest, HeadlessLoadsNeverWriteTheSettingsFileAndTextsStopAt999Characters) {
    ProgramDir dir;
    dir.Put("Language/English.ini",
            LanguageFile("English", "LONG=" + std::string(600, 'x') + std::string(600, 'y') + "\n"));
    RecordedMessages messages;
    Language language;
    ASSERT_TRUE(language.Load(dir.Path(), {"English", false}, messages));
    EXPECT_FALSE(std::filesystem::exists(dir.Language("setting.ini")));
    EXPECT_EQ(language.Lookup("LONG"), std::string(600, 'x') + std::string(399, 'y'));
    std::string cjk;
    for (int i = 0; i < 1000; ++i) cjk += "字";
    EXPECT_EQ(FinishText(cjk).size(), 999u * 3);
}

// An installed program's folder is read-only: the choice goes to the user's settings file, which
// is read first from then on and keeps every later choice.
TEST(LanguageTest, UserSettingsFileIsReadFirstAndTakesTheChoiceWhenTheProgramsCannot) {
    ProgramDir dir, config;
    const std::string savedHome = std::getenv("HOME") ? std::getenv("HOME") : "";
    const char* savedConfig = std::getenv("XDG_CONFIG_HOME");
    const std::string restoreConfig = savedConfig ? savedConfig : "";
    setenv("XDG_CONFIG_HOME", "", 1);
    setenv("HOME", "/home/someone", 1);
    EXPECT_EQ(UserSettingsFile(), "/home/someone/.config/kestrin/setting.ini");
    setenv("HOME", savedHome.c_str(), 1);
    setenv("XDG_CONFIG_HOME", config.Path().c_str(), 1);
    const std::string user = config.Path() + "/kestrin/setting.ini";
    EXPECT_EQ(UserSettingsFile(), user);

    dir.Put("Language/English.ini", LanguageFile("English", "IDS_ERR=Error\n"));
    dir.Put("Language/Chinese.ini", LanguageFile("Chinese", "IDS_ERR=错误\n"));
    // A folder in place of the program's settings file: writing it fails, even for root.
    std::filesystem::create_directory(dir.Language("setting.ini"));
    RecordedMessages messages;
    Language language;
    ASSERT_TRUE(language.Load(dir.Path(), {"Chinese", true}, messages));
    EXPECT_EQ(ReadFileText(user), "[Setting]\nLanguage=Chinese\n");

    std::filesystem::remove(dir.Language("setting.ini"));
    dir.Put("Language/setting.ini", "[Setting]\nLanguage=English\n");  // writable now
    ASSERT_TRUE(language.Load(dir.Path(), {}, messages));
    EXPECT_EQ(language.Lookup("IDS_ERR"), "错误");
    ASSERT_TRUE(language.Load(dir.Path(), {"English", true}, messages));
    EXPECT_EQ(ReadFileText(user), "[Setting]\nLanguage=English\n");
    ASSERT_TRUE(language.Load(dir.Path(), {"Chinese", true}, messages));
    EXPECT_EQ(ReadFileText(dir.Language("setting.ini")), "[Setting]\nLanguage=English\n");  // untouched
    if (savedConfig)
        setenv("XDG_CONFIG_HOME", restoreConfig.c_str(), 1);
    else
        unsetenv("XDG_CONFIG_HOME");
    EXPECT_TRUE(messages.shown.empty());
}

// Every key the program looks up, every key the shipped files define, and the conversions of
// each text: both files hold the same keys, and each key's conversions agree across languages.
std::set<std::string> KeysOf(const Language& language, const std::string& file) {
    std::set<std::string> keys;
    for (auto& [key, value] : profile::ReadSection(*ReadFileText(file), "String")) keys.insert(key);
    (void)language;
    return keys;
}

std::string Conversions(const std::string& text) {
    static const std::regex conversion(R"(%[-+ #0]*[0-9]*(\.[0-9]+)?[a-zA-Z])");
    std::string out;
    const std::string plain = std::regex_replace(text, std::regex("%%"), "");
    for (std::sregex_iterator it(plain.begin(), plain.end(), conversion), end; it != end; ++it)
        out += it->str();
    return out;
}

TEST(LanguageTest, ShippedFilesHoldTheSameKeysWithTheSameConversionsAndEveryKeyTheCodeUses) {
    const std::string folder = std::string(KESTRIN_SOURCE_DIR) + "/bench/Language/";
    const Language english = ShippedLanguage("English.ini");
    const Language chinese = ShippedLanguage("Chinese.ini");
    const auto englishKeys = KeysOf(english, folder + "English.ini");
    EXPECT_EQ(englishKeys, KeysOf(chinese, folder + "Chinese.ini"));
    EXPECT_EQ(englishKeys.size(), 571u);
    for (const auto& key : englishKeys)
        EXPECT_EQ(Conversions(english.Lookup(key)), Conversions(chinese.Lookup(key))) << key;

    // Keys named in the program's sources ("IDS_..." and the like in quotes).
    const std::regex keyLiteral("\"(ID[SCBED]_[A-Za-z0-9_]+)\"");
    size_t used = 0;
    for (const auto& entry :
         std::filesystem::recursive_directory_iterator(std::string(KESTRIN_SOURCE_DIR) + "/bench")) {
        const auto extension = entry.path().extension();
        if (extension != ".cpp" && extension != ".h" && extension != ".ui") continue;
        const std::string text = *ReadFileText(entry.path().string());
        for (std::sregex_iterator it(text.begin(), text.end(), keyLiteral), end; it != end; ++it) {
            ++used;
            EXPECT_TRUE(english.Has((*it)[1].str())) << (*it)[1].str() << " in " << entry.path();
            EXPECT_TRUE(chinese.Has((*it)[1].str())) << (*it)[1].str() << " in " << entry.path();
        }
    }
    EXPECT_GT(used, 0u);
}

}  // namespace
}  // namespace norvane::bench::test
