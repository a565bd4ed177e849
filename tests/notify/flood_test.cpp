// A node that sends faster than slow callbacks consume: translated messages fill the port's ring,
// which drops the newest and counts them, never overwriting unread entries; real-time notices
// hold up the receive thread and lose nothing; memory stays bounded and closing the gateway
// returns promptly whatever the callbacks are doing.
#include <atomic>
#include <mutex>

#include "notify_bench.h"

namespace notify_test {
namespace {

std::mutex lock;
std::vector<uint32_t> sequence;
std::atomic<int> delayUs{0};
std::atomic<uint32_t> calls{0};

void Slowly() {
    if (const int us = delayUs.load()) std::this_thread::sleep_for(std::chrono::microseconds(us));
}

void OnTranslated(uint32_t, uint32_t, uint32_t, uint32_t w2, uint32_t) {
    ++calls;
    Slowly();
    std::lock_guard guard(lock);
    sequence.push_back(w2);
}

void OnNotice(uint32_t, KymNoticeFrame* frame, int32_t) {
    ++calls;
    Slowly();
    uint32_t seq;
    std::memcpy(&seq, frame->data, 4);
    std::lock_guard guard(lock);
    sequence.push_back(seq);
}

size_t Received() {
    std::lock_guard guard(lock);
    return sequence.size();
}

class Flood : public ::testing::Test {
protected:
    void SetUp() override {
        SetSerialTransmissision(0);
        KYMRegRtcnCallBack(0, nullptr, nullptr);
        KYMRegTranslateCallBack(nullptr);
        std::lock_guard guard(lock);
        sequence.clear();
        calls = 0;
    }
    void TearDown() override {
        KYMRegTranslateCallBack(nullptr);
        KYMRegRtcnCallBack(0, nullptr, nullptr);
        delayUs = 0;
        CloseGateway(kHandle);
    }
};

TEST_F(Flood, TranslatedFloodFillsTheRingThenDropsTheNewestInOrder) {
    const std::string address = AddressFor(__LINE__, 65);
    SimGateway sim(address, {5}, 37);
    ASSERT_TRUE(sim.started);
    ASSERT_EQ(OpenSecondGen(address), 1);
    auto port = SecondGenPort();
    ASSERT_NE(port, nullptr);
    delayUs = 1000;
    KYMRegTranslateCallBack(OnTranslated);

    constexpr uint32_t kSent = 3000;
    const long residentBefore = ResidentKiB();
    sim.flood->Start(0x07, kSent, 100);  // 20,000 messages a second; the callback takes ~1 ms each
    ASSERT_TRUE(WaitUntil([&] { return Received() + port->Ring().Dropped() == kSent; }, 15000))
        << Received() << " received, " << port->Ring().Dropped() << " dropped";
    const long residentAfter = ResidentKiB();

    std::lock_guard guard(lock);
    EXPECT_GT(port->Ring().Dropped(), 0u);
    ASSERT_GE(sequence.size(), static_cast<size_t>(norvane::sdk::NotificationRing::kCapacity));
    // The first ring's worth all arrived (nothing unread was overwritten); later ones only in order.
    for (uint32_t i = 0; i < norvane::sdk::NotificationRing::kCapacity; ++i) ASSERT_EQ(sequence[i], i);
    for (size_t i = 1; i < sequence.size(); ++i) ASSERT_LT(sequence[i - 1], sequence[i]) << i;
    EXPECT_EQ(port->Ring().FillLevel(), 0u);
    EXPECT_LT(residentAfter - residentBefore, 16 * 1024) << "KiB grown during the flood";
}

TEST_F(Flood, RealtimeFloodWithASlowCallbackLosesNothingAndRequestsStillWork) {
    const std::string address = AddressFor(__LINE__, 65);
    SimGateway sim(address, {5}, 37);
    ASSERT_TRUE(sim.started);
    ASSERT_EQ(OpenSecondGen(address), 1);
    delayUs = 300;
    KYMRegRtcnCallBack(0, nullptr, OnNotice);
    constexpr uint32_t kSent = 2000;
    sim.flood->Start(0x72, kSent, 100);  // 20,000 notices a second, ~3,000 a second consumed
    ASSERT_TRUE(WaitUntil([&] { return Received() == kSent; }, 15000)) << Received();
    {
        std::lock_guard guard(lock);
        for (uint32_t i = 0; i < kSent; ++i) ASSERT_EQ(sequence[i], i);
    }
    KymReply ack{};
    EXPECT_EQ(SetSPD(kHandle, 5, 123, 1, &ack), 1);
    KymReply reply{};
    EXPECT_EQ(GetSPD(kHandle, 5, &reply), 1);
    EXPECT_EQ(reply.field[0], 123);
}

TEST_F(Flood, CloseReturnsPromptlyWhileSlowCallbacksHaveABacklog) {
    const std::string address = AddressFor(__LINE__, 65);
    SimGateway sim(address, {5}, 37);
    ASSERT_TRUE(sim.started);

    // Translated messages: a full ring that would take the callback ten seconds to empty.
    ASSERT_EQ(OpenSecondGen(address), 1);
    auto port = SecondGenPort();
    delayUs = 20000;
    KYMRegTranslateCallBack(OnTranslated);
    sim.flood->Start(0x07, 1000, 100);
    ASSERT_TRUE(WaitUntil([&] { return port->Ring().FillLevel() >= 500; }, 5000));
    auto start = Clock::now();
    EXPECT_EQ(CloseGateway(kHandle), 1);
    EXPECT_LT(ElapsedMs(start), 5000);  // the backlog alone would take 10 s
    const uint32_t afterClose = calls.load();
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(calls.load(), afterClose);  // no callback once CloseGateway has returned
    KYMRegTranslateCallBack(nullptr);

    // Real-time notices: the receive thread sits in a slow callback with more data waiting.
    ASSERT_EQ(OpenSecondGen(address), 1);
    delayUs = 5000;
    KYMRegRtcnCallBack(0, nullptr, OnNotice);
    sim.flood->Start(0x72, 5000, 100);
    ASSERT_TRUE(WaitUntil([&] { return calls.load() > afterClose + 20; }, 5000));
    start = Clock::now();
    EXPECT_EQ(CloseGateway(kHandle), 1);
    EXPECT_LT(ElapsedMs(start), 5000);  // draining the waiting notices would take seconds
    const uint32_t afterSecondClose = calls.load();
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(calls.load(), afterSecondClose);
}

}  // namespace
}  // namespace notify_test
