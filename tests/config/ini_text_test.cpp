// INI text rules of Para.ini: blanks are removed inside names, keys and values.
#include "sdk/api/ini_text.h"

#include <gtest/gtest.h>

using namespace norvane::sdk::ini;

TEST(IniText, SectionLines) {
    struct Case {
        const char* line;
        const char* name;  // nullptr = not a section line
    } cases[] = {
        {"[SystemConfig]\n", "SystemConfig"},
        {"  [System Config]\r\n", "SystemConfig"},
        {"[[Odd]]", "Odd"},
        {"[systemconfig]", "systemconfig"},
        {"Key=1", nullptr},
        {"; [comment]", nullptr},
        {"", nullptr},
        {"[Unclosed", "Unclosed"},
    };
    for (const Case& c : cases) {
        const auto name = SectionName(c.line);
        if (c.name == nullptr) {
            EXPECT_FALSE(name.has_value()) << c.line;
        } else {
            ASSERT_TRUE(name.has_value()) << c.line;
            EXPECT_EQ(*name, c.name) << c.line;
        }
    }
}

TEST(IniText, KeyLines) {
    struct Case {
        const char* line;
        const char* key;  // nullptr = not a key line
        const char* value;
    } cases[] = {
        {"  Auto Connect  = 1 \r\n", "AutoConnect", "1"},
        {"Speed=12\n", "Speed", "12"},
        {"Name = a b c\n", "Name", "abc"},
        {"Empty=\n", "Empty", ""},
        {"; Key=1\n", nullptr, nullptr},
        {"  ;Key=1\n", nullptr, nullptr},
        {"[Key=1]\n", nullptr, nullptr},
        {"NoEquals\n", nullptr, nullptr},
        {"A=B=C\n", "A", "B=C"},
    };
    for (const Case& c : cases) {
        const auto entry = ParseKeyLine(c.line);
        if (c.key == nullptr) {
            EXPECT_FALSE(entry.has_value()) << c.line;
            continue;
        }
        ASSERT_TRUE(entry.has_value()) << c.line;
        EXPECT_EQ(entry->key, c.key);
        EXPECT_EQ(entry->value, c.value);
    }
}

TEST(IniText, ValuesAsIntegers) {
    EXPECT_EQ(ValueAsInteger("1"), 1);
    EXPECT_EQ(ValueAsInteger("0"), 0);
    EXPECT_EQ(ValueAsInteger("12"), 12);
    EXPECT_EQ(ValueAsInteger("abc"), 0);
    EXPECT_EQ(ValueAsInteger("7x"), 7);
    EXPECT_EQ(ValueAsInteger("99999999999999"), 2147483647);
}

TEST(IniText, LookupRespectsTheSectionExactly) {
    const auto lines = SplitLines(
        "[Other]\nAutoConnect=0\n[systemconfig]\nAutoConnect=5\n[ System Config ]\n; AutoConnect=7\n"
        "  Auto Connect = 1 \n[Next]\nLast=3");
    EXPECT_EQ(FindValue(lines, "SystemConfig", "AutoConnect"), "1");
    EXPECT_EQ(FindKeyLine(lines, "SystemConfig", "AutoConnect"), 6);
    EXPECT_FALSE(FindValue(lines, "SystemConfig", "Last").has_value());
    EXPECT_EQ(FindValue(lines, "Next", "Last"), "3");
}

TEST(IniText, ReplaceKeepsEveryOtherLineAndTheLineEnd) {
    const std::string text =
        "; head\r\n[SystemConfig]\r\n  Auto Connect = 1 \r\nOther=0\r\n[X]\r\nAutoConnect=1";
    auto lines = SplitLines(text);
    ASSERT_TRUE(ReplaceValue(lines, "SystemConfig", "AutoConnect", "0"));
    std::string joined;
    for (const auto& line : lines) joined += line;
    EXPECT_EQ(joined, "; head\r\n[SystemConfig]\r\nAutoConnect=0\r\nOther=0\r\n[X]\r\nAutoConnect=1");
    EXPECT_FALSE(ReplaceValue(lines, "SystemConfig", "Missing", "1"));
}
