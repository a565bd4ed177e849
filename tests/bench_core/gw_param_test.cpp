// GWParam.cfg and the search arguments built from it.
#include "bench/core/gw_param.h"

#include <gtest/gtest.h>

#include "bench_fixtures.h"

namespace norvane::bench::test {
namespace {

TEST(GwParamTest, ReadsFieldsInOrderUntilOneDoesNotConvert) {
    struct Case {
        const char* text;
        int read;
        std::array<int32_t, 8> fields;
    };
    const Case cases[] = {
        {"0,0,0,1,3,115200,2130706433,2,\n", 8, {0, 0, 0, 1, 3, 115200, 2130706433, 2}},
        {"0,1,\nignored,second,line\n", 2, {0, 1, 1, 1, 0, 0, 0x7F000001, 0}},
        {" -1, +2 ,x,",
         2,
         {-1, 2, 1, 1, 0, 0, 0x7F000001, 0}},  // a blank before ',' ends the line after field 2
        {"0,0,0,1,3", 5, {0, 0, 0, 1, 3, 0, 0x7F000001, 0}},  // the last field needs no comma to be read
        {"99999999999,", 1, {INT32_MAX, 1, 1, 1, 0, 0, 0x7F000001, 0}},
        {"", 0, {1, 1, 1, 1, 0, 0, 0x7F000001, 0}},
        {"1,2,3,4,5,6,7,8,9,10,", 8, {1, 2, 3, 4, 5, 6, 7, 8}},
    };
    for (const Case& c : cases) {
        GwParams params;
        EXPECT_EQ(ParseGwParams(c.text, params), c.read) << c.text;
        EXPECT_EQ(params.field, c.fields) << c.text;
    }
}

TEST(GwParamTest, FileIsWrittenInItsOneLineFormatAndAnAbsentFileChangesNothing) {
    ProgramDir dir;
    GwParams params;
    LoadGwParams(dir.Path(), params);
    // Without a file the Ethernet search goes to 127.0.0.1, where norvane-sim listens by default.
    EXPECT_EQ(params.field, (std::array<int32_t, 8>{1, 1, 1, 1, 0, 0, 0x7F000001, 0}));
    params.field = {0, 0, 0, 1, 3, 57600, -1, 2};
    ASSERT_TRUE(SaveGwParams(dir.Path(), params));
    EXPECT_EQ(*ReadFileText(dir.Path() + "/GWParam.cfg"), "0,0,0,1,3,57600,-1,2,\n");
    dir.Put("GWParam.cfg", "1,0,");
    LoadGwParams(dir.Path(), params);
    EXPECT_EQ(params.field, (std::array<int32_t, 8>{1, 0, 0, 1, 3, 57600, -1, 2}));
}

TEST(GwParamTest, SearchArgumentsFollowTheTickedKinds) {
    struct Case {
        std::array<int32_t, 8> fields;
        uint32_t mask;
        bool passWords;
        std::array<uint32_t, 10> words;
    };
    const Case cases[] = {
        // The start-up values (no file): every kind, no RS-232 parameters, the simulator's address.
        {GwParams{}.field, 29, true, {0, 0, 0, 0, 1, 0x7F000001, 0, 0, 0, 0}},
        {{1, 0, 0, 0, 3, 115200, 0, 0}, 1, true, {3, 115200, 0, 0, 0, 0, 0, 0, 0, 0}},
        {{1, 0, 0, 0, 3, 0, 0, 0}, 1, false, {}},
        {{0, 1, 0, 0, 0, 0, 0, 2}, 4, true, {0, 0, 1, 2, 0, 0, 0, 0, 0, 0}},
        {{0, 0, 1, 0, 3, 9600, 0, 2}, 8, false, {}},
        {{0, 0, 0, 1, 0, 0, 0x7F000002, 0}, 16, true, {0, 0, 0, 0, 1, 0x7F000002, 0, 0, 0, 0}},
        {{0, 0, 0, 0, 0, 0, 0, 0}, 0, false, {}},
    };
    for (const Case& c : cases) {
        GwParams params;
        params.field = c.fields;
        const SearchArguments args = BuildSearchArguments(params);
        EXPECT_EQ(args.kindMask, c.mask);
        EXPECT_EQ(args.passWords, c.passWords);
        EXPECT_EQ(args.words, c.words);
    }
}

}  // namespace
}  // namespace norvane::bench::test
