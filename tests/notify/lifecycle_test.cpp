// Callbacks registered, replaced and removed while ports deliver, callbacks that call back into
// the SDK (the notice record, registration, requests through another gateway), all without
// deadlock.
#include <atomic>

#include "notify_bench.h"

namespace notify_test {
namespace {

std::atomic<uint32_t> callsA{0};
std::atomic<uint32_t> callsB{0};
std::atomic<uint32_t> translatedCalls{0};

void CallbackA(uint32_t, KymNoticeFrame*, int32_t) {
    ++callsA;
}
void CallbackB(uint32_t, KymNoticeFrame*, int32_t) {
    ++callsB;
}
void OnTranslated(uint32_t, uint32_t, uint32_t, uint32_t, uint32_t) {
    ++translatedCalls;
}

// Replaces itself by B from inside its tenth call, reading the notice record on the way.
std::atomic<int> noticeResult{0};
void SwitchingCallback(uint32_t, KymNoticeFrame*, int32_t) {
    if (++callsA == 10) {
        uint8_t record[36];
        noticeResult = KYMRegNotice(record);
        KYMRegRtcnCallBack(0, nullptr, CallbackB);
    }
}

// Requests through the other gateway from inside a callback.
std::atomic<int> crossResult{-100};
std::atomic<int32_t> crossValue{0};
std::atomic<long> crossMs{-1};
void AskFirstGen(uint32_t, KymNoticeFrame*, int32_t) {
    if (crossResult != -100) return;
    const auto start = Clock::now();
    KymReply reply{};
    crossResult = GetComm_CAN_Slave(kLegacyHandle, 5, &reply);
    crossValue = reply.field[1];
    crossMs = ElapsedMs(start);
}
std::atomic<int> legacyCrossResult{-100};
std::atomic<int32_t> legacyCrossValue{0};
void AskSecondGen(uint32_t, uint32_t, uint32_t, uint32_t, uint32_t) {
    if (legacyCrossResult != -100) return;
    KymReply reply{};
    legacyCrossResult = GetSPD(kHandle, 5, &reply);
    legacyCrossValue = reply.field[0];
}

class CallbackLifecycle : public ::testing::Test {
protected:
    void SetUp() override {
        SetSerialTransmissision(0);
        KYMRegRtcnCallBack(0, nullptr, nullptr);
        KYMRegTranslateCallBack(nullptr);
        KYMReg753RtcnCallBack(nullptr);
        callsA = callsB = translatedCalls = 0;
    }
    void TearDown() override {
        KYMRegRtcnCallBack(0, nullptr, nullptr);
        KYMRegTranslateCallBack(nullptr);
        KYMReg753RtcnCallBack(nullptr);
        CloseGateway(kHandle);
        CloseGateWay(kLegacyHandle);
    }
};

TEST_F(CallbackLifecycle, ReplacedAndRemovedWhileNoticesAndRequestsFlow) {
    const std::string address = AddressFor(__LINE__, 67);
    SimGateway sim(address, {5}, 37);
    ASSERT_TRUE(sim.started);
    ASSERT_EQ(OpenSecondGen(address), 1);
    constexpr uint32_t kSent = 4000;
    sim.flood->Start(0x71, kSent, 10);  // 2,000 notices a second for two seconds

    // A host thread keeps asking node 5 while the callbacks change: every answer is right or the
    // request times out (while the translate callback takes the answers), never a wrong value.
    std::atomic<bool> stop{false};
    std::atomic<int> answered{0}, timedOut{0}, wrong{0};
    std::thread asker([&] {
        for (int32_t value = 1; !stop; ++value) {
            KymReply ack{};
            KymReply reply{};
            const int set = SetSPD(kHandle, 5, value, 0, &ack);
            const int got = GetSPD(kHandle, 5, &reply);
            if (set != 1) ++wrong;
            if (got == 1) {
                ++answered;
                if (reply.field[0] != value) ++wrong;
            } else {
                ++timedOut;
            }
        }
    });
    for (int round = 0; round < 10; ++round) {
        KYMRegRtcnCallBack(0, nullptr, CallbackA);
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
        KYMRegRtcnCallBack(0, nullptr, CallbackB);
        if (round % 3 == 0) KYMRegTranslateCallBack(OnTranslated);
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
        KYMRegTranslateCallBack(nullptr);
        KYMRegRtcnCallBack(0, nullptr, nullptr);
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    // Off while the node goes on sending: no callback runs any more.
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    const uint32_t a = callsA, b = callsB;
    const uint32_t sentBefore = sim.flood->Sent();
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_GT(sim.flood->Sent(), sentBefore);
    EXPECT_EQ(callsA.load(), a);
    EXPECT_EQ(callsB.load(), b);
    stop = true;
    asker.join();

    EXPECT_GT(a, 0u);
    EXPECT_GT(b, 0u);
    EXPECT_LE(a + b, kSent);
    EXPECT_GT(translatedCalls.load(), 0u);
    EXPECT_GT(answered.load(), 0);
    EXPECT_EQ(wrong.load(), 0) << answered.load() << " answered, " << timedOut.load() << " timed out";
}

TEST_F(CallbackLifecycle, ACallbackMayReadTheNoticeRecordAndReplaceItself) {
    const std::string address = AddressFor(__LINE__, 67);
    SimGateway sim(address, {5}, 37);
    ASSERT_TRUE(sim.started);
    ASSERT_EQ(OpenSecondGen(address), 1);
    KYMRegRtcnCallBack(0, nullptr, SwitchingCallback);
    sim.flood->Start(0x72, 50, 5);
    ASSERT_TRUE(WaitUntil([] { return callsA.load() + callsB.load() == 50; }));
    EXPECT_EQ(callsA.load(), 10u);
    EXPECT_EQ(callsB.load(), 40u);
    EXPECT_EQ(noticeResult.load(), 1);
}

TEST_F(CallbackLifecycle, CallbacksRequestThroughTheOtherGatewayWithoutDeadlock) {
    const std::string second = AddressFor(__LINE__, 68);
    const std::string first = AddressFor(__LINE__, 69);
    SimGateway secondGen(second, {5}, 37);
    SimGateway firstGen(first, {}, 0, {5});
    ASSERT_TRUE(secondGen.started && firstGen.started);
    ASSERT_EQ(OpenSecondGen(second), 1);
    ASSERT_EQ(OpenFirstGen(first), 1);
    KymReply ack{};
    ASSERT_EQ(SetSPD(kHandle, 5, 2500, 1, &ack), 1);

    // A second-generation notice: its callback, on that port's receive thread, asks the
    // first-generation gateway.
    KYMRegRtcnCallBack(0, nullptr, AskFirstGen);
    const uint8_t d[1] = {1};
    secondGen.flood->Inject(0x71, d, 1);
    ASSERT_TRUE(WaitUntil([] { return crossResult.load() != -100; }));
    EXPECT_EQ(crossResult.load(), 1);
    EXPECT_EQ(crossValue.load(), 3);  // the first-generation controller's bit-rate code
    EXPECT_LT(crossMs.load(), 3000);  // answered, not stalled behind the calling port

    // A first-generation notice: its callback asks the second-generation gateway.
    KYMReg753RtcnCallBack(AskSecondGen);
    firstGen.SendCanFrame(5, 90, {1, 0, 0, 0});
    ASSERT_TRUE(WaitUntil([] { return legacyCrossResult.load() != -100; }));
    EXPECT_EQ(legacyCrossResult.load(), 1);
    EXPECT_EQ(legacyCrossValue.load(), 2500);

    // Both ports still answer their own requests, and both close promptly.
    KymReply reply{};
    EXPECT_EQ(GetSPD(kHandle, 5, &reply), 1);
    EXPECT_EQ(GetComm_CAN_Slave(kLegacyHandle, 5, &reply), 1);
    const auto start = Clock::now();
    EXPECT_EQ(CloseGateway(kHandle), 1);
    EXPECT_EQ(CloseGateWay(kLegacyHandle), 1);
    EXPECT_LT(ElapsedMs(start), 5000);  // no deadlock between the two ports' threads
}

}  // namespace
}  // namespace notify_test
