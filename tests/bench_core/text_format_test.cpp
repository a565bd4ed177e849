// Checked formatting of language texts and the program's own line formats.
#include "bench/core/text_format.h"

#include <gtest/gtest.h>

namespace norvane::bench::test {
namespace {

TEST(TextFormatTest, FormatsWhenTheTextFitsItsArgumentsAndShowsItUnformattedOtherwise) {
    struct Case {
        const char* format;
        std::initializer_list<FormatArg> args;
        const char* expected;
    };
    const Case cases[] = {
        {"speed %d ", {int64_t{1000}}, "speed 1000 "},
        {"%02d:%02d:%02d:%03d", {int64_t{7}, int64_t{5}, int64_t{9}, int64_t{42}}, "07:05:09:042"},
        {"0x%08x", {int64_t{-1}}, "0xffffffff"},
        {"ATCONH: %08x", {int64_t{0x3412}}, "ATCONH: 00003412"},
        {"%ld and %1d", {int64_t{3}, int64_t{4}}, "3 and 4"},
        {"%s<->%s", {std::string_view("GACR"), std::string_view("GACR5;")}, "GACR<->GACR5;"},
        {"AnalogInput:%fV", {2.5}, "AnalogInput:2.500000V"},
        {"100%% %d%%", {int64_t{50}}, "100% 50%"},
        {"no conversions", {}, "no conversions"},
        // Texts that do not fit: too few or too many arguments, wrong kinds, unusable conversions.
        {"speed %d %d", {int64_t{1}}, "speed %d %d"},
        {"speed", {int64_t{1}}, "speed"},
        {"name %s", {int64_t{1}}, "name %s"},
        {"value %d", {std::string_view("x")}, "value %d"},
        {"value %f", {int64_t{1}}, "value %f"},
        {"%n", {int64_t{1}}, "%n"},
        {"%*d", {int64_t{1}}, "%*d"},
        {"%p", {int64_t{1}}, "%p"},
        {"%99999d", {int64_t{1}}, "%99999d"},
        {"tail %", {}, "tail %"},
    };
    for (const Case& c : cases) EXPECT_EQ(FormatText(c.format, c.args), c.expected) << c.format;
}

}  // namespace
}  // namespace norvane::bench::test
