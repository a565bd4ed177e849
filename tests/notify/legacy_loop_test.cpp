// The first-generation Ethernet receive loop: error reports and notices 90/91 go to the
// first-generation real-time callback on the receive thread, serial-transmission payloads to the
// serial pass-through callback, and both leave requests working.
#include <mutex>

#include "notify_bench.h"

namespace notify_test {
namespace {

struct Message {
    uint32_t handle;
    uint32_t w[4];
};
struct Serial {
    uint32_t port;
    std::vector<uint8_t> payload;
};

std::mutex lock;
std::vector<Message> messages;
std::vector<Serial> serials;

void OnLegacyRealtime(uint32_t handle, uint32_t w0, uint32_t w1, uint32_t w2, uint32_t w3) {
    std::lock_guard guard(lock);
    messages.push_back({handle, {w0, w1, w2, w3}});
}

void OnSerial(uint32_t port, const uint8_t* payload, int32_t length) {
    std::lock_guard guard(lock);
    serials.push_back({port, {payload, payload + length}});
}

size_t MessageCount() {
    std::lock_guard guard(lock);
    return messages.size();
}

class FirstGenLoop : public ::testing::Test {
protected:
    void SetUp() override {
        SetSerialTransmissision(0);
        KYMReg753RtcnCallBack(nullptr);
        KYMRegSerialTranslateCallBack(nullptr);
        KYMRegTranslateCallBack(nullptr);
    }
    void TearDown() override {
        KYMReg753RtcnCallBack(nullptr);
        KYMRegSerialTranslateCallBack(nullptr);
        CloseGateWay(kLegacyHandle);
    }
};

TEST_F(FirstGenLoop, NoticesAndErrorReportsReachTheCallbackAndSerialPayloadsThePassThrough) {
    const std::string address = AddressFor(__LINE__, 66);
    SimGateway sim(address, {}, 0, {5, 7});
    ASSERT_TRUE(sim.started);
    ASSERT_EQ(OpenFirstGen(address), 2);
    KYMReg753RtcnCallBack(OnLegacyRealtime);
    KYMRegSerialTranslateCallBack(OnSerial);

    sim.SendCanFrame(5, 90, {1, 2, 3, 4});
    sim.SendCanFrame(7, 91, {9});
    sim.SendCanFrame(5, 15, {0, 3, 5});  // error report with nothing in flight
    sim.SendCanFrame(5, 16, {1});        // an ordinary message: not a notice
    // A serial record: length byte 8, node 5, control word 90, four data bytes.
    const std::vector<uint8_t> record = {8, 5, 90, 9, 8, 7, 6, 0, 0, 0, 0, 0};
    sim.SendSerialFrame(record);
    sim.SendSerialFrame({8, 5, 90, 1, 1, 1, 1, 0, 0, 0});     // 10 bytes: too short to pass through
    sim.SendSerialFrame({3, 5, 90, 1, 1, 1, 1, 0, 0, 0, 0});  // length byte 3: not a record
    ASSERT_TRUE(WaitUntil([] { return MessageCount() == 4; }));
    std::this_thread::sleep_for(std::chrono::milliseconds(50));  // nothing further arrives

    std::lock_guard guard(lock);
    ASSERT_EQ(messages.size(), 4u);
    const Message expected[] = {
        {0x200000, {0x00045A05, 1, 0x04030201, 0}},  // node 5, 90, length 4
        {0x200000, {0x00015B07, 9, 0x00000009, 0}},  // node 7, 91, length 1
        {0x200000, {0x00030F05, 0, 0x00050300, 0}},  // node 5, 15, length 3
        {0x200000, {0x00045A05, 9, 0x06070809, 0}},  // the serial record, length 8 - 4
    };
    for (size_t i = 0; i < 4; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(messages[i].handle, expected[i].handle);
        for (int k = 0; k < 4; ++k) EXPECT_EQ(messages[i].w[k], expected[i].w[k]) << k;
    }
    ASSERT_EQ(serials.size(), 1u);
    EXPECT_EQ(serials[0].port, 0x400000u);  // port index 0
    EXPECT_EQ(serials[0].payload, record);
    KymReply reply{};
    EXPECT_EQ(GetComm_CAN_Slave(kLegacyHandle, 5, &reply), 1);
}

}  // namespace
}  // namespace notify_test
