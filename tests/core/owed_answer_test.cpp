// Which late answers a node owes after its requests timed out, step by step on one node's table.
// A step is "E<ms>" a request sent, "T<ms>" it timed out, "A<ms>" an answer arriving that is
// taken as its request's, "A<ms>!" one dropped as late; "/<command>" names another command than
// the speed register's.
#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "sdk/core/answer_match.h"
#include "sdk/core/node_answer_table.h"

using namespace norvane::sdk;

namespace {

constexpr uint32_t kNode = 9;

struct Case {
    const char* name;
    const char* steps;
};

const Case kCases[] = {
    {"a lost answer costs the next request only: its own answer, dropped at once, is not owed again",
     "E0 T500 E500 A510! T1000 E1000 A1010"},
    {"answers running late: a request that dropped a late answer well into its wait owes its own",
     "E0 T500 E500 A900! T1000 E1000 A1400! A1410"},
    {"with a short wait, a late answer a quarter into it is a late one",
     "E0 T100 E100 A130! T200 E200 A205! A206"},
    {"a node that went silent owes only its last answer: it answers again as soon as it speaks",
     "E0 T500 E500 T1000 E1000 A1005! A1006"},
    {"while late answers are seen coming, two time-outs in a row owe both answers",
     "E0 T500 E500 A900! T1000 E1000 T1500 E1500 A1505! A1506! A1507"},
    {"an owed answer is owed for 1.5 s after the time-out", "E0 T500 E1999 A1999! E2500 T2500 E4000 A4001"},
    {"another command's answer is not the owed one", "E0 T500 E500/46 A510/46 E600 A610!"},
    {"an error report settles the owed answer", "E0 T500 E500 A510/15! A520"},
    {"a request taking any answer owes none", "E0/111 T500 E500 A510"},
    {"at most four answers are owed: the oldest goes first",
     "E0 T500 E500 A700! T1000 E1000 T1200 E1200 T1400 E1400 T1600 E1600 T1800 E1800 A1810! A1810! A1810! "
     "A1810! "
     "A1810"},
};

TEST(OwedAnswers, StepByStep) {
    static_assert(kAnyAnswer == 111);
    for (const Case& c : kCases) {
        NodeAnswerTable table;
        std::istringstream steps(c.steps);
        std::string step;
        while (steps >> step) {
            const uint64_t ms = std::stoull(step.substr(1));
            const size_t slash = step.find('/');
            const auto command =
                static_cast<uint8_t>(slash == std::string::npos ? 7 : std::stoi(step.substr(slash + 1)));
            if (step[0] == 'E') table.Expect(kNode, command, ms);
            if (step[0] == 'T') table.TimedOut(kNode, ms);
            if (step[0] != 'A') continue;
            std::lock_guard lock(table.storeLock);
            EXPECT_EQ(table.TakeLateLocked(kNode, command, ms), step.back() == '!')
                << c.name << ", step " << step;
        }
    }
}

}  // namespace
