// The first-generation receive loop: real-time control words 15, 90 and 91 reach the
// first-generation callback, serial payloads reach the pass-through callback.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>
#include <vector>

#include "tests/ethernet_legacy/legacy_bench.h"

namespace {

using legacy_bench::Bench;
using legacy_bench::kHandle;

struct Notice {
    uint32_t handle, w0, w1, w2, w3;
};

std::mutex gMutex;
std::vector<Notice> gNotices;
std::vector<std::pair<uint32_t, std::vector<uint8_t>>> gSerial;

void OnNotice(uint32_t handle, uint32_t w0, uint32_t w1, uint32_t w2, uint32_t w3) {
    std::lock_guard lock(gMutex);
    gNotices.push_back({handle, w0, w1, w2, w3});
}

void OnSerial(uint32_t port, const uint8_t* payload, int32_t length) {
    std::lock_guard lock(gMutex);
    gSerial.emplace_back(port, std::vector<uint8_t>(payload, payload + length));
}

template <typename Pred>
bool WaitFor(Pred pred, int ms = 2000) {
    for (int waited = 0; waited < ms; waited += 10) {
        {
            std::lock_guard lock(gMutex);
            if (pred()) return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

// A 0x73 frame from node 5 with the control word and data bytes.
// (Built by index: GCC 12 misreports vector inserts here as out of bounds.)
std::vector<uint8_t> CanFrameFromNode5(uint8_t controlWord, const std::vector<uint8_t>& data) {
    std::vector<uint8_t> frame(20, 0);
    const uint8_t head[] = {0xCC, 0x73, 13, 0, 0, 0, controlWord, 0x00, 0x00, 0x05};
    for (size_t i = 0; i < sizeof head; ++i) frame[i] = head[i];
    frame[10] = static_cast<uint8_t>(data.size());
    for (size_t i = 0; i < data.size() && i < 8; ++i) frame[11 + i] = data[i];
    frame[19] = 0xAA;
    return frame;
}

class LegacyReceiveLoop : public ::testing::Test {
protected:
    void SetUp() override {
        KYMReg753RtcnCallBack(OnNotice);
        KYMRegSerialTranslateCallBack(OnSerial);
    }
    void TearDown() override {
        KYMReg753RtcnCallBack(nullptr);
        KYMRegSerialTranslateCallBack(nullptr);
    }
};

TEST_F(LegacyReceiveLoop, RealTimeWordsAndSerialPayloads) {
    Bench bench("127.0.77.1");
    auto& node = bench.Add(5);
    ASSERT_TRUE(bench.Start());
    KymNodeRecord records[4] = {};
    ASSERT_EQ(bench.Open(records, 4), 1);

    // 90 and 91 from the bus: words of the message record (node, control word, length; extra
    // word = d0; data).
    bench.Gateway().SendRaw(CanFrameFromNode5(0x5A, {0x10, 0x27, 0, 0}));
    bench.Gateway().SendRaw(CanFrameFromNode5(0x5B, {3}));
    ASSERT_TRUE(WaitFor([] { return gNotices.size() >= 2; }));
    {
        std::lock_guard lock(gMutex);
        EXPECT_EQ(gNotices[0].handle, 0x200000u);
        EXPECT_EQ(gNotices[0].w0 & 0xFFFFFF, 0x045A05u);
        EXPECT_EQ(gNotices[0].w1, 0x10u);
        EXPECT_EQ(gNotices[0].w2, 0x2710u);
        EXPECT_EQ(gNotices[1].w0 & 0xFFFFFF, 0x015B05u);
        EXPECT_EQ(gNotices[1].w2, 3u);
        gNotices.clear();
    }

    // An error report for a request in flight reaches the callback and answers the request.
    bench.Gateway().Faults().AnswerWithError(6);
    KymReply ack{};
    EXPECT_EQ(SetAcceleration(kHandle, 5, 100, 1, &ack), -6);
    ASSERT_TRUE(WaitFor([] { return !gNotices.empty(); }));
    {
        std::lock_guard lock(gMutex);
        EXPECT_EQ(gNotices[0].w0 & 0xFFFF, 0x0F05u);
        EXPECT_EQ(gNotices[0].w2, 0x060000u | (25u << 8));  // d0 0, d1 command 25, d2 code 6
        gNotices.clear();
    }

    // A finished move notifies with control word 90 and the position.
    KymReply ok{};
    ASSERT_EQ(SetIE(kHandle, 5, 0, 1, 1, &ok), 1);
    ASSERT_EQ(SetMotorOn(kHandle, 5, 1, 1, &ok), 1);
    ASSERT_EQ(SetMotionFormatSwitch(kHandle, 5, 1, 1, &ok), 1);
    ASSERT_EQ(SetPTPSpeed(kHandle, 5, 20000, 1, &ok), 1);
    ASSERT_EQ(SetPTPRelativePosition(kHandle, 5, 400, 1, &ok), 1);
    ASSERT_EQ(BeginMotion(kHandle, 5, 0, nullptr), 1);
    ASSERT_TRUE(WaitFor([] { return !gNotices.empty(); }, 5000));
    {
        std::lock_guard lock(gMutex);
        EXPECT_EQ(gNotices[0].w0 & 0xFFFF, 0x5A05u);
        EXPECT_EQ(gNotices[0].w2, static_cast<uint32_t>(node.Position()));
    }

    // A serial payload (length byte 11, node 5, command 22, data) goes to the pass-through
    // callback with the port's index and the bit 0x400000.
    const std::vector<uint8_t> payload = {11, 5, 22, 1, 2, 3, 4, 5, 6, 7, 8, 0};
    std::vector<uint8_t> frame(19, 0);
    frame[0] = 0xCC;
    frame[1] = 0x24;
    frame[2] = 12;
    for (size_t i = 0; i < payload.size(); ++i) frame[6 + i] = payload[i];
    frame[18] = 0xAA;
    bench.Gateway().SendRaw(frame);
    ASSERT_TRUE(WaitFor([] { return !gSerial.empty(); }));
    std::lock_guard lock(gMutex);
    EXPECT_EQ(gSerial[0].first, 0x400000u);
    EXPECT_EQ(gSerial[0].second, payload);
}

// A real-time callback that closes its own gateway: the receive thread it runs on returns into
// the port after the close, and a host thread closing the same gateway at the same moment
// neither deadlocks with it nor frees the port under it.
std::atomic<int> gClosedFromCallback{0};
void CloseFromCallback(uint32_t handle, uint32_t, uint32_t, uint32_t, uint32_t) {
    CloseGateWay(handle);
    gClosedFromCallback.fetch_add(1);
}

TEST(LegacyCallbacks, CallbackClosingItsOwnGatewayWhileTheHostClosesIt) {
    for (const bool hostClosesToo : {false, true}) {
        Bench bench(hostClosesToo ? "127.0.77.3" : "127.0.77.2");
        bench.Add(5);
        ASSERT_TRUE(bench.Start());
        KymNodeRecord records[4] = {};
        ASSERT_EQ(bench.Open(records, 4), 1);
        gClosedFromCallback = 0;
        KYMReg753RtcnCallBack(CloseFromCallback);
        // Two notices back to back: the second one arrives while the first callback closes.
        const auto notice = CanFrameFromNode5(0x5B, {3});
        bench.Gateway().SendRaw(notice);
        bench.Gateway().SendRaw(notice);
        if (hostClosesToo) CloseGateWay(kHandle);
        for (int waited = 0; gClosedFromCallback == 0 && waited < 2000; waited += 10) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        KYMReg753RtcnCallBack(nullptr);
        EXPECT_GE(gClosedFromCallback.load(), hostClosesToo ? 0 : 1);
        // The gateway is gone; a new one opens on the same address.
        ASSERT_EQ(bench.Open(records, 4), 1);
        KymReply reply{};
        EXPECT_EQ(SetMotorOn(kHandle, 5, 1, 1, &reply), 1);
    }
}

}  // namespace
