// Real-time notices from simulated devices through the public exports: the callback registered
// with KYMRegRtcnCallBack gets the notice frame and the port's handle on an SDK thread, and the
// notice record read with KYMRegNotice accumulates what arrived.
#include <mutex>

#include "notify_bench.h"
#include "sdk/core/callbacks.h"

namespace notify_test {
namespace {

struct Seen {
    uint32_t handle;
    uint8_t frame[24];
    int32_t flag;
    std::thread::id thread;
};

std::mutex seenLock;
std::vector<Seen> seen;

void Record(uint32_t handle, KymNoticeFrame* frame, int32_t flag) {
    Seen s{handle, {}, flag, std::this_thread::get_id()};
    std::memcpy(s.frame, frame, sizeof s.frame);
    std::lock_guard lock(seenLock);
    seen.push_back(s);
}

size_t SeenCount() {
    std::lock_guard lock(seenLock);
    return seen.size();
}

std::vector<Seen> TakeSeen() {
    std::lock_guard lock(seenLock);
    return std::move(seen);
}

// The 24-byte notice frame expected for identifier, length and the first four data bytes.
std::vector<uint8_t> Frame(uint32_t id, uint8_t length, std::vector<uint8_t> d) {
    std::vector<uint8_t> f(24, 0);
    f[0] = id & 0xFF, f[1] = (id >> 8) & 0xFF, f[2] = (id >> 16) & 0xFF, f[3] = id >> 24;
    f[12] = length;
    for (size_t i = 0; i < d.size(); ++i) f[13 + i] = d[i];
    return f;
}

std::vector<uint8_t> Bytes(const uint8_t* p, size_t n) {
    return {p, p + n};
}

class RealtimeNotices : public ::testing::Test {
protected:
    void SetUp() override {
        SetSerialTransmissision(0);
        KYMRegRtcnCallBack(0, nullptr, nullptr);
        KYMRegTranslateCallBack(nullptr);
        norvane::sdk::ResetNoticeRecordForTests();
        TakeSeen();
    }
    void TearDown() override {
        KYMRegRtcnCallBack(0, nullptr, nullptr);
        CloseGateway(kHandle);
    }
};

TEST_F(RealtimeNotices, MoveSensorAndStallNoticesReachTheCallbackAndTheNoticeRecord) {
    const std::string address = AddressFor(__LINE__, 61);
    SimGateway sim(address, {100});
    ASSERT_TRUE(sim.started);
    ASSERT_EQ(OpenSecondGen(address), 1);
    KYMRegRtcnCallBack(0, nullptr, Record);
    uint8_t record[36];
    std::memset(record, 0x5A, sizeof record);
    ASSERT_EQ(KYMRegNotice(record), 1);  // creates the record, buffer untouched
    EXPECT_EQ(record[0], 0x5A);

    KymReply ack{};
    const int32_t mcfg[] = {0x51};          // S1, displacement and stall notices
    const int32_t s12[] = {0, 0, 1, 1};     // S1 rising and falling: notice only
    const int32_t s34[] = {0, 0, 0, 0, 1};  // stall: notice only
    ASSERT_EQ(SetKymMCFG(kHandle, 100, mcfg, 1, &ack), 1);
    ASSERT_EQ(SetS12CON(kHandle, 100, s12, 1, &ack), 1);
    ASSERT_EQ(SetS34CON(kHandle, 100, s34, 1, &ack), 1);
    ASSERT_EQ(SetSPD(kHandle, 100, 1000, 1, &ack), 1);
    ASSERT_EQ(KymENA(kHandle, 100, 1, &ack), 1);
    ASSERT_EQ(SetSTP(kHandle, 100, 100, 1, &ack), 1);  // 100 steps at 1000 pps
    ASSERT_TRUE(WaitUntil([] { return SeenCount() == 1; }));
    sim.controllers[100]->SetSensor(1, true);
    ASSERT_TRUE(WaitUntil([] { return SeenCount() == 2; }));
    sim.controllers[100]->SetSensor(1, false);
    ASSERT_TRUE(WaitUntil([] { return SeenCount() == 3; }));
    sim.controllers[100]->InjectStall();
    ASSERT_TRUE(WaitUntil([] { return SeenCount() == 4; }));

    // Node 100 = 0b1100100: bits 0-4 (4) at 19-23, bits 5-6 (3) at 8-9; position 100 in d0-d3.
    const auto notices = TakeSeen();
    const uint32_t ids[] = {0x200375, 0x2003F1, 0x200371, 0x200377};
    for (size_t i = 0; i < 4; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(notices[i].handle, 0x1001u);
        EXPECT_EQ(notices[i].flag, 1);
        EXPECT_NE(notices[i].thread, std::this_thread::get_id());
        EXPECT_EQ(Bytes(notices[i].frame, 24), Frame(ids[i], 4, {0x64, 0, 0, 0}));
    }

    ASSERT_EQ(KYMRegNotice(record), 1);
    std::vector<uint8_t> expected(36, 0);
    expected[0] = 0x01, expected[1] = 0x10;  // handle 0x1001
    expected[4] = 100;                       // node
    expected[8] = 1;                         // 0x71
    expected[9] = 1;                         // 0xF1
    expected[16] = 1;                        // 0x75
    expected[19] = 1;                        // 0x77
    EXPECT_EQ(Bytes(record, 36), expected);
    ASSERT_EQ(KYMRegNotice(record), 1);  // taken: cleared
    EXPECT_EQ(Bytes(record, 36), std::vector<uint8_t>(36, 0));
}

TEST_F(RealtimeNotices, EveryNotificationNumberIsDeliveredAndOnlyKnownOnesSetFlags) {
    const std::string address = AddressFor(__LINE__, 61);
    SimGateway sim(address, {5}, 37);
    ASSERT_TRUE(sim.started);
    ASSERT_EQ(OpenSecondGen(address), 1);
    KYMRegRtcnCallBack(0, nullptr, Record);
    uint8_t record[36];
    ASSERT_EQ(KYMRegNotice(record), 1);

    struct Case {
        uint8_t controlWord;
        std::vector<uint8_t> data;
    };
    const std::vector<Case> cases = {
        {0x70, {3}},                       // channel 3 rising: byte 28 + 3
        {0xF0, {0}},                       // channel 0 falling: byte 20
        {0x70, {9}},                       // channel beyond 7: no flag
        {0x78, {1}},                       // a notification without a flag
        {0x3E, {1, 2}},                    // stream data: stream buffer and callback
        {0x5A, {7}},                       // 90: notification
        {0x76, {}},                        // origin: byte 18
        {0xF5, {1, 2, 3, 4, 5, 6, 7, 8}},  // closed-loop move done: byte 17
    };
    for (const Case& c : cases) {
        sim.flood->Inject(c.controlWord, c.data.data(), static_cast<uint8_t>(c.data.size()));
    }
    ASSERT_TRUE(WaitUntil([&] { return SeenCount() == cases.size(); }));
    const auto notices = TakeSeen();
    // Node 37 = 0b0100101: bits 0-4 (5) at 19-23, bits 5-6 (1) at 8-9.
    for (size_t i = 0; i < cases.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(notices[i].handle, 0x1001u);
        EXPECT_EQ(Bytes(notices[i].frame, 24),
                  Frame(0x280100u | cases[i].controlWord, static_cast<uint8_t>(cases[i].data.size()),
                        cases[i].data));
    }
    ASSERT_EQ(KYMRegNotice(record), 1);
    std::vector<uint8_t> expected(36, 0);
    expected[0] = 0x01, expected[1] = 0x10;
    expected[4] = 37;
    expected[17] = 1;  // 0xF5
    expected[18] = 1;  // 0x76
    expected[20] = 1;  // 0xF0 channel 0
    expected[31] = 1;  // 0x70 channel 3
    EXPECT_EQ(Bytes(record, 36), expected);
    uint8_t stream[8] = {};
    EXPECT_EQ(Kym153Recv(kHandle, 37, stream, 8), 2);
    EXPECT_EQ(stream[0], 1);
    EXPECT_EQ(stream[1], 2);
    // Notices never count as answers: a request right after them still gets its own answer.
    KymReply reply{};
    EXPECT_EQ(KymACK(kHandle, 5, &reply), 1);
}

}  // namespace
}  // namespace notify_test
