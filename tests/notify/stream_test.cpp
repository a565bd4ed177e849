// Stream data (command 62) pushed by a node reaches Kym153Recv whether or not a real-time notice
// callback is registered; a full stream buffer drops what does not fit and keeps what it holds.
#include <atomic>

#include "notify_bench.h"
#include "sdk/core/callbacks.h"

namespace notify_test {
namespace {

std::atomic<int> streamNotices{0};
std::atomic<int> otherNotices{0};

void CountNotices(uint32_t, KymNoticeFrame* frame, int32_t) {
    if ((frame->identifier & 0xFF) == 0x3E) {
        ++streamNotices;
    } else {
        ++otherNotices;
    }
}

// Collects up to want bytes of node's stream, waiting for them to arrive.
std::vector<uint8_t> Receive(uint32_t node, size_t want, long timeoutMs = 3000) {
    std::vector<uint8_t> got;
    WaitUntil(
        [&] {
            uint8_t buffer[2048];
            const int n = Kym153Recv(kHandle, node, buffer, sizeof buffer);
            if (n > 0) got.insert(got.end(), buffer, buffer + n);
            return got.size() >= want;
        },
        timeoutMs);
    return got;
}

class StreamData : public ::testing::Test {
protected:
    void SetUp() override {
        SetSerialTransmissision(0);
        KYMRegRtcnCallBack(0, nullptr, nullptr);
        KYMRegTranslateCallBack(nullptr);
        norvane::sdk::ResetNoticeRecordForTests();
    }
    void TearDown() override {
        KYMRegRtcnCallBack(0, nullptr, nullptr);
        CloseGateway(kHandle);
    }
};

TEST_F(StreamData, ReachesRecvWithoutAndWithARealtimeCallback) {
    const std::string address = AddressFor(__LINE__, 62);
    SimGateway sim(address, {5});
    ASSERT_TRUE(sim.started);
    ASSERT_EQ(OpenSecondGen(address), 1);
    sim.controllers[5]->SetStreamEcho(true);  // the node sends every stream chunk back
    uint8_t record[36];
    ASSERT_EQ(KYMRegNotice(record), 1);

    const std::vector<uint8_t> first = {10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 22};
    ASSERT_EQ(Kym153Send(kHandle, 5, first.data(), 13), 13);
    EXPECT_EQ(Receive(5, 13), first);
    // Without a callback, notices leave the notice record alone.
    ASSERT_EQ(KYMRegNotice(record), 1);
    EXPECT_EQ(std::vector<uint8_t>(record, record + 36), std::vector<uint8_t>(36, 0));

    KYMRegRtcnCallBack(0, nullptr, CountNotices);
    const std::vector<uint8_t> second = {1, 2, 3, 4, 5, 6, 7};
    ASSERT_EQ(Kym153Send(kHandle, 5, second.data(), 7), 7);
    EXPECT_EQ(Receive(5, 7), second);
    EXPECT_TRUE(WaitUntil([] { return streamNotices.load() == 2; }));  // chunks of 6 and 1
    EXPECT_EQ(otherNotices.load(), 0);
    uint8_t empty[4];
    EXPECT_EQ(Kym153Recv(kHandle, 5, empty, 4), 0);
    EXPECT_EQ(Kym153Recv(kHandle, 0, empty, 4), 0);
    EXPECT_EQ(Kym153Recv(kHandle, 126, empty, 4), 0);
}

TEST_F(StreamData, AFullBufferDropsTheNewestBytesAndKeepsTheOldest) {
    const std::string address = AddressFor(__LINE__, 62);
    SimGateway sim(address, {5});
    ASSERT_TRUE(sim.started);
    ASSERT_EQ(OpenSecondGen(address), 1);
    sim.controllers[5]->SetStreamEcho(true);
    std::vector<uint8_t> bytes(1100);
    for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<uint8_t>(i * 7);
    ASSERT_EQ(Kym153Send(kHandle, 5, bytes.data(), 1100), 1100);
    // 170 chunks of 6 fit (1020 bytes); the 171st would reach 1026, so it and the later full
    // chunks are dropped (78 bytes); the final 2-byte chunk still fits below 1024 and is kept.
    auto port = SecondGenPort();
    ASSERT_NE(port, nullptr);
    ASSERT_TRUE(WaitUntil([&] { return port->counters.droppedStreamBytes.load() == 78; }))
        << port->counters.droppedStreamBytes.load();
    KymReply reply{};
    ASSERT_EQ(KymACK(kHandle, 5, &reply), 1);  // answered after the echo of the last chunk
    uint8_t buffer[2048];
    ASSERT_EQ(Kym153Recv(kHandle, 5, buffer, sizeof buffer), 1022);
    std::vector<uint8_t> kept(bytes.begin(), bytes.begin() + 1020);
    kept.push_back(bytes[1098]);
    kept.push_back(bytes[1099]);
    EXPECT_EQ(std::vector<uint8_t>(buffer, buffer + 1022), kept);
    // Room again: the next data is kept.
    const uint8_t more[3] = {0xAB, 0xCD, 0xEF};
    ASSERT_EQ(Kym153Send(kHandle, 5, more, 3), 3);
    EXPECT_EQ(Receive(5, 3), (std::vector<uint8_t>{0xAB, 0xCD, 0xEF}));
}

}  // namespace
}  // namespace notify_test
