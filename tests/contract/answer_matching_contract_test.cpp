// Which answer a request takes, over every gateway kind: another node's answer, a late answer,
// an answer in two messages, a duplicated answer or a notice never completes a request; every
// success carries the asked node's fresh value; what no request takes shows in the counters.
#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "contract_fixture.h"
#include "straying_node.h"

namespace norvane::contract {
namespace {

constexpr uint32_t kNode = StrayingNode::kId;
constexpr uint32_t kAva = 76;

class AnswerMatching : public GatewayContract {
protected:
    void SetUp() override {
        GatewayContract::SetUp();
        if (HasFatalFailure()) return;
        EnsureOpen();
        Shared& shared = TheShared();
        if (shared.attachment == nullptr)
            shared.attachment = transport->Bus()->AddNode(std::make_unique<StrayingNode>());
        straying = static_cast<StrayingNode*>(static_cast<sim::SimNode*>(shared.attachment));
        straying->Arm(Company::None);
    }
    void TearDown() override {
        if (straying != nullptr) straying->Arm(Company::None);
    }
    uint64_t Unmatched() {
        KymPortCounters counters{};
        NvGetPortCounters(handle, &counters);
        return counters.unmatchedAnswers;
    }
    int32_t GetSpeed(uint32_t node, int* result) {
        KymReply got{};
        *result = SingleCommandGet(handle, node, kSpd, 0, &got);
        return got.field[0];
    }

    StrayingNode* straying = nullptr;
};

TEST_P(AnswerMatching, AnotherNodesAnswerNeverCompletesARequest) {
    KymReply reply{};
    int result = 0;
    for (int32_t value : {2001, -2002, 2003}) {
        straying->Arm(Company::StrayFirst);  // node 9's answer arrives 20 ms before node 10's
        ASSERT_EQ(SetValue(kNode, kSpd, value, &reply), 1);
        EXPECT_EQ(GetSpeed(kNode, &result), value);
        EXPECT_EQ(result, 1);
    }
    // Node 10 silent while node 9 answers: the request fails, it never reports node 9's data.
    const uint64_t before = Unmatched();
    straying->Arm(Company::StrayOnly);
    GetSpeed(kNode, &result);
    EXPECT_EQ(result, transport->FailedGetResult());
    EXPECT_EQ(SetValue(kNode, kSpd, 77, &reply), -1);
    EXPECT_GE(Unmatched() - before, 2u);
}

TEST_P(AnswerMatching, ALateAnswerIsDroppedNotTakenForTheNextRequest) {
    KymReply reply{};
    ASSERT_EQ(SetValue(5, kSpd, 515, &reply), 1);
    ASSERT_EQ(SetValue(kNode, kSpd, 1010, &reply), 1);
    const uint64_t before = Unmatched();
    straying->Arm(Company::Late);
    int result = 0;
    GetSpeed(kNode, &result);
    EXPECT_EQ(result, transport->FailedGetResult());
    straying->Arm(Company::None);
    // Requests to node 10 for another command and to node 5 for the same one while the late
    // answer arrives: each takes its own.
    const auto until = Clock::now() + std::chrono::milliseconds(700);
    while (Clock::now() < until) {
        KymReply mcfg{};
        EXPECT_EQ(SingleCommandGet(handle, kNode, kMcfg, 0, &mcfg), 1);
        EXPECT_EQ(GetSpeed(5, &result), 515);
        EXPECT_EQ(result, 1);
    }
    EXPECT_EQ(GetSpeed(kNode, &result), 1010);
    EXPECT_GE(Unmatched() - before, 1u);
}

// The node answers a timed-out read after all, with the value it held then, just before it
// answers the next read: the next read takes the node's answer to itself, not the late one.
TEST_P(AnswerMatching, ALateAnswerOfTheAskedNodeIsNotTakenByItsNextRequest) {
    KymReply reply{};
    ASSERT_EQ(SetValue(kNode, kSpd, 1212, &reply), 1);
    int result = 0;
    for (int round = 0; round < 3; ++round) {
        straying->Arm(Company::HeldStale);
        GetSpeed(kNode, &result);
        EXPECT_EQ(result, transport->FailedGetResult());
        straying->Arm(Company::None);
        EXPECT_EQ(GetSpeed(kNode, &result), 1212) << "round " << round;
        EXPECT_EQ(result, 1);
    }
    // A set of the same command after a timed-out read: the late read answer does not
    // acknowledge it, the set's own answer does.
    straying->Arm(Company::HeldStale);
    GetSpeed(kNode, &result);
    straying->Arm(Company::None);
    EXPECT_EQ(SetValue(kNode, kSpd, 1313, &reply), 1);
    EXPECT_EQ(GetSpeed(kNode, &result), 1313);
}

// Answers running late in order, as a gateway that answers in order delivers them: the first
// read's answer comes well into the second read's wait; then the second's and the third's come
// together just before the fourth read's own answer. Every read that succeeds takes its own answer.
TEST_P(AnswerMatching, AnswersRunningLateInOrderAreNeverTakenByLaterRequests) {
    KymReply reply{};
    ASSERT_EQ(SetValue(kNode, kSpd, 1414, &reply), 1);
    const int behindMs = static_cast<int>(transport->AnswerTimeoutMs() * 3 / 5);
    int result = 0;
    for (int round = 0; round < 2; ++round) {
        for (Company company : {Company::RunsBehind, Company::RunsBehind, Company::HeldStale}) {
            straying->Arm(company, behindMs);
            GetSpeed(kNode, &result);
            EXPECT_EQ(result, transport->FailedGetResult());
        }
        straying->Arm(Company::None);
        EXPECT_EQ(GetSpeed(kNode, &result), 1414) << "round " << round;
        EXPECT_EQ(result, 1);
    }
}

TEST_P(AnswerMatching, AnAnswerInTwoMessagesIsReadWhole) {
    KymReply reply{};
    ASSERT_EQ(SetValue(kNode, kSpd, 3030, &reply), 1);
    int result = 0;
    for (int i = 0; i < 10; ++i) {
        KymReply analog{};
        EXPECT_EQ(SingleCommandGet(handle, kNode, kAva, 0, &analog), 1);
        EXPECT_EQ(GetSpeed(kNode, &result), 3030) << "try " << i;
        EXPECT_EQ(result, 1);
    }
}

// A duplicate of a set's answer arrives while a request for another command waits, and a notice
// comes before that request's answer: neither is taken for it.
TEST_P(AnswerMatching, DuplicatesAndNoticesBetweenAnswersChangeNothing) {
    KymReply reply{};
    ASSERT_EQ(SetValue(kNode, kMcfg, 0, &reply), 1);
    int result = 0;
    for (int32_t value : {4001, 4002, 4003}) {
        straying->Arm(Company::Twice);
        ASSERT_EQ(SetValue(kNode, kSpd, value, &reply), 1);
        straying->Arm(Company::NoticeFirst);
        const auto until = Clock::now() + std::chrono::milliseconds(60);  // the duplicate comes within it
        while (Clock::now() < until) {
            KymReply mcfg{};
            mcfg.field[0] = -1;
            EXPECT_EQ(SingleCommandGet(handle, kNode, kMcfg, 0, &mcfg), 1);
            EXPECT_EQ(mcfg.field[0], 0);
        }
        straying->Arm(Company::None);
        EXPECT_EQ(GetSpeed(kNode, &result), value);
        EXPECT_EQ(result, 1);
    }
}

TEST_P(AnswerMatching, FourThreadsOnFourNodesEachReadTheirOwnValues) {
    std::vector<std::thread> threads;
    std::mutex mutex;
    std::vector<std::string> wrong;
    for (uint32_t node : {5u, 7u, 9u, kNode}) {
        threads.emplace_back([&, node] {
            for (int32_t i = 0; i < 15; ++i) {
                const int32_t value = static_cast<int32_t>(node) * 1000 + i;
                KymReply reply{};
                int got = 0;
                const int set = SetValue(node, kSpd, value, &reply);
                const int32_t read = GetSpeed(node, &got);
                if (set == 1 && got == 1 && read == value) continue;
                std::lock_guard lock(mutex);
                wrong.push_back("node " + std::to_string(node) + " set " + std::to_string(value) + ": " +
                                std::to_string(set) + ", get " + std::to_string(got) + " read " +
                                std::to_string(read));
            }
        });
    }
    for (auto& t : threads) t.join();
    EXPECT_TRUE(wrong.empty()) << wrong.size() << " wrong, first: " << wrong.front();
}

INSTANTIATE_TEST_SUITE_P(Gateways, AnswerMatching, AllTransports(), TransportName);

}  // namespace
}  // namespace norvane::contract
