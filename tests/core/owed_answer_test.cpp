// Which late answers a node owes after its requests timed out, step by step on one node's table:
// a request sent ('E'), its time-out ('T'), an answer arriving ('A', dropped as late or not).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "sdk/core/answer_match.h"
#include "sdk/core/node_answer_table.h"

using namespace norvane::sdk;

namespace {

constexpr uint32_t kNode = 9;
constexpr uint8_t kSpd = 7;
constexpr uint8_t kMcfg = 46;

struct Step {
    char what;  // 'E' request sent, 'T' it timed out, 'A' an answer arrives
    uint64_t ms;
    uint8_t command = kSpd;
    bool dropped = false;  // for 'A': taken as a late answer
};

struct Case {
    const char* name;
    std::vector<Step> steps;
};

const Case kCases[] = {
    {"a lost answer costs the next request only: its own answer, dropped at once, is not owed again",
     {{'E', 0}, {'T', 500}, {'E', 500}, {'A', 510, kSpd, true}, {'T', 1000}, {'E', 1000}, {'A', 1010}}},
    {"answers running late: a request that dropped a late answer well into its wait owes its own",
     {{'E', 0},
      {'T', 500},
      {'E', 500},
      {'A', 900, kSpd, true},
      {'T', 1000},
      {'E', 1000},
      {'A', 1400, kSpd, true},
      {'A', 1410}}},
    {"with a short wait, a late answer a quarter into it is a late one",
     {{'E', 0}, {'T', 100}, {'E', 100}, {'A', 130, kSpd, true}, {'T', 200}, {'E', 200}, {'A', 205, kSpd, true},
      {'A', 206}}},
    {"a node that went silent owes only its last answer: it answers again as soon as it speaks",
     {{'E', 0}, {'T', 500}, {'E', 500}, {'T', 1000}, {'E', 1000}, {'A', 1005, kSpd, true}, {'A', 1006}}},
    {"while late answers are seen coming, two time-outs in a row owe both answers",
     {{'E', 0}, {'T', 500}, {'E', 500}, {'A', 900, kSpd, true}, {'T', 1000}, {'E', 1000}, {'T', 1500}, {'E', 1500},
      {'A', 1505, kSpd, true}, {'A', 1506, kSpd, true}, {'A', 1507}}},
    {"an owed answer is owed for 1.5 s after the time-out",
     {{'E', 0}, {'T', 500}, {'E', 1999}, {'A', 1999, kSpd, true}, {'E', 2500}, {'T', 2500}, {'E', 4000}, {'A', 4001}}},
    {"another command's answer is not the owed one",
     {{'E', 0}, {'T', 500}, {'E', 500, kMcfg}, {'A', 510, kMcfg}, {'E', 600}, {'A', 610, kSpd, true}}},
    {"an error report settles the owed answer",
     {{'E', 0}, {'T', 500}, {'E', 500}, {'A', 510, 15, true}, {'A', 520}}},
    {"a request taking any answer owes none",
     {{'E', 0, kAnyAnswer}, {'T', 500, kAnyAnswer}, {'E', 500}, {'A', 510}}},
    {"at most four answers are owed: the oldest goes first",
     {{'E', 0}, {'T', 500}, {'E', 500}, {'A', 700, kSpd, true}, {'T', 1000}, {'E', 1000}, {'T', 1200}, {'E', 1200},
      {'T', 1400}, {'E', 1400}, {'T', 1600}, {'E', 1600}, {'T', 1800}, {'E', 1800}, {'A', 1810, kSpd, true},
      {'A', 1810, kSpd, true}, {'A', 1810, kSpd, true}, {'A', 1810, kSpd, true}, {'A', 1810}}},
};

TEST(OwedAnswers, StepByStep) {
    for (const Case& c : kCases) {
        NodeAnswerTable table;
        for (size_t i = 0; i < c.steps.size(); ++i) {
            const Step& s = c.steps[i];
            if (s.what == 'E') table.Expect(kNode, s.command, s.ms);
            if (s.what == 'T') table.TimedOut(kNode, s.ms);
            if (s.what != 'A') continue;
            std::lock_guard lock(table.storeLock);
            EXPECT_EQ(table.TakeLateLocked(kNode, s.command, s.ms), s.dropped) << c.name << ", step " << i;
        }
    }
}

}  // namespace
