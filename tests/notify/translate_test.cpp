// Translated messages: with a translate callback registered, everything a node sends that is not
// a notification goes through the port's notification thread to the callback (as the four words
// of the message) instead of answering requests, which then time out; unregistering restores
// normal answers.
#include <mutex>

#include "notify_bench.h"

namespace notify_test {
namespace {

struct Translated {
    uint32_t handle;
    uint32_t w[4];
    std::thread::id thread;
};

std::mutex lock;
std::vector<Translated> translated;
std::thread::id realtimeThread;

void OnTranslated(uint32_t handle, uint32_t w0, uint32_t w1, uint32_t w2, uint32_t w3) {
    std::lock_guard guard(lock);
    translated.push_back({handle, {w0, w1, w2, w3}, std::this_thread::get_id()});
}

void OnNotice(uint32_t, KymNoticeFrame*, int32_t) {
    std::lock_guard guard(lock);
    realtimeThread = std::this_thread::get_id();
}

std::vector<Translated> Take() {
    std::lock_guard guard(lock);
    return std::move(translated);
}

size_t Count() {
    std::lock_guard guard(lock);
    return translated.size();
}

class TranslatedMessages : public ::testing::Test {
protected:
    void SetUp() override {
        SetSerialTransmissision(0);
        KYMRegRtcnCallBack(0, nullptr, nullptr);
        KYMRegTranslateCallBack(nullptr);
        Take();
    }
    void TearDown() override {
        KYMRegTranslateCallBack(nullptr);
        KYMRegRtcnCallBack(0, nullptr, nullptr);
        CloseGateway(kHandle);
    }
};

TEST_F(TranslatedMessages, AnswersGoToTheCallbackRequestsTimeOutAndUnregisteringRestoresAnswers) {
    const std::string address = AddressFor(__LINE__, 64);
    SimGateway sim(address, {5}, 37);
    ASSERT_TRUE(sim.started);
    ASSERT_EQ(OpenSecondGen(address), 1);
    KymReply ack{};
    ASSERT_EQ(SetSPD(kHandle, 5, 1500, 1, &ack), 1);  // motor off: stored only

    KYMRegTranslateCallBack(OnTranslated);
    KYMRegRtcnCallBack(0, nullptr, OnNotice);
    KymReply reply{};
    reply.field[0] = -7;
    auto start = Clock::now();
    EXPECT_EQ(GetSPD(kHandle, 5, &reply), 0);  // the answer went to the callback
    EXPECT_GE(ElapsedMs(start), 450);
    EXPECT_EQ(reply.field[0], -7);
    ASSERT_TRUE(WaitUntil([] { return Count() == 1; }));
    start = Clock::now();
    EXPECT_EQ(SetSPD(kHandle, 5, 1600, 1, &ack), -1);  // acknowledged set: time-out
    EXPECT_GE(ElapsedMs(start), 450);
    ASSERT_TRUE(WaitUntil([] { return Count() == 2; }));
    EXPECT_EQ(sim.controllers[5]->Speed(), 1600);  // the node did take it
    // A notice still goes to the real-time callback, on the receive thread.
    const uint8_t d[1] = {1};
    sim.flood->Inject(0x71, d, 1);
    ASSERT_TRUE(WaitUntil([] {
        std::lock_guard guard(lock);
        return realtimeThread != std::thread::id{};
    }));

    const auto seen = Take();
    // Words: node | control word << 8 | length << 16; extra word (d0); d0-d3; d4-d7.
    EXPECT_EQ(seen[0].handle, 0x1001u);
    EXPECT_EQ(seen[0].w[0], 0x00048705u);
    EXPECT_EQ(seen[0].w[1], 0xDCu);
    EXPECT_EQ(seen[0].w[2], 0x000005DCu);
    EXPECT_EQ(seen[0].w[3], 0u);
    EXPECT_EQ(seen[1].w[0], 0x00048705u);
    EXPECT_EQ(seen[1].w[2], 0x00000640u);
    EXPECT_NE(seen[0].thread, std::this_thread::get_id());
    EXPECT_EQ(seen[0].thread, seen[1].thread);
    {
        std::lock_guard guard(lock);
        EXPECT_NE(seen[0].thread, realtimeThread);  // the notification thread, not the receive thread
    }

    KYMRegTranslateCallBack(nullptr);
    EXPECT_EQ(GetSPD(kHandle, 5, &reply), 1);
    EXPECT_EQ(reply.field[0], 1600);
    EXPECT_EQ(SetSPD(kHandle, 5, 1700, 1, &ack), 1);
    EXPECT_EQ(Count(), 0u);
}

TEST_F(TranslatedMessages, UnsolicitedMessagesArriveInOrderOnTheNotificationThread) {
    const std::string address = AddressFor(__LINE__, 64);
    SimGateway sim(address, {5}, 37);
    ASSERT_TRUE(sim.started);
    ASSERT_EQ(OpenSecondGen(address), 1);
    KYMRegTranslateCallBack(OnTranslated);
    sim.flood->Start(0x07, 300, 10);
    ASSERT_TRUE(WaitUntil([] { return Count() == 300; }));
    const auto seen = Take();
    for (uint32_t i = 0; i < seen.size(); ++i) {
        ASSERT_EQ(seen[i].w[0], 0x00080725u) << i;  // node 37, control word 7, length 8
        ASSERT_EQ(seen[i].w[2], i) << i;            // sequence number in d0-d3
        ASSERT_EQ(seen[i].w[3], 0xA5A5A5A5u) << i;
    }
    EXPECT_EQ(SecondGenPort()->Ring().Dropped(), 0u);
}

}  // namespace
}  // namespace notify_test
