// Port health counters through the public exports: faults provoked through the simulator each
// show up in their own counter and in no other fault counter; reset sets them all to zero.
#include <arpa/inet.h>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "norvane/NorvaneFunc.h"
#include "sim/ethernet_gateway.h"
#include "sim/nodes/node_factory.h"

namespace {

constexpr uint32_t kHandle = 0x1001;
constexpr uint32_t kSpd = 7;

// The counters that say something went wrong, by name.
std::vector<std::pair<std::string, uint64_t>> Faults(const KymPortCounters& c) {
    return {{"timeouts", c.timeouts},
            {"errorReports", c.errorReports},
            {"malformedFrames", c.malformedFrames},
            {"ringDropped", c.ringDropped},
            {"streamBytesDropped", c.streamBytesDropped},
            {"reconnects", c.reconnects},
            {"messagesDropped", c.messagesDropped},
            {"replyBytesDropped", c.replyBytesDropped}};
}

KymPortCounters Read() {
    KymPortCounters c{};
    EXPECT_EQ(NvGetPortCounters(kHandle, &c), 1);
    return c;
}

// A valid 0x73 frame from node 5 with an answer's control word (no notice).
std::vector<uint8_t> NodeFrame(uint8_t controlWord) {
    return {0xCC, 0x73, 13, 0, 0, 0, controlWord, 0, 0, 5, 4, 1, 0, 0, 0, 0, 0, 0, 0, 0xAA};
}

std::atomic<bool> gReleaseCallback{false};
void SlowTranslate(uint32_t, uint32_t, uint32_t, uint32_t, uint32_t) {
    while (!gReleaseCallback) std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

class PortCounters : public ::testing::Test {
protected:
    void SetUp() override {
        const std::string address = "127.0.93." + std::to_string(getpid() % 200 + 20);
        norvane::sim::EthernetGatewayOptions options;
        options.address = address;
        options.port = static_cast<uint16_t>(GetEthernetServerPort());
        gateway = std::make_unique<norvane::sim::EthernetGateway>(options);
        norvane::sim::nodes::NodeConfig config;
        config.id = 5;
        gateway->Bus().AddNode(norvane::sim::nodes::MakeNode(config));
        ASSERT_TRUE(gateway->Start());
        in_addr a{};
        inet_pton(AF_INET, address.c_str(), &a);
        uint32_t params[10] = {0, 0, 0, 0, 1, ntohl(a.s_addr)};
        KymDevInfo infos[5];
        ASSERT_EQ(SearchGateway(16, params, infos, 5), 1);
        uint32_t ids[126];
        int32_t rate = 0;
        ASSERT_EQ(OpenGateway(kHandle, ids, 126, &rate), 1);
        ASSERT_EQ(NvResetPortCounters(kHandle), 1);
    }
    void TearDown() override {
        CloseGateway(kHandle);
        gateway->Stop();
    }
    int SetSpeed(int32_t value) {
        KymReply reply{};
        return SingleCommandSet(kHandle, 5, kSpd, 0, &value, 1, &reply);
    }
    // Runs provoke, then expects the named fault counter to have grown by at least `least` and
    // every other fault counter to stay at zero.
    void ExpectOnly(const std::string& name, uint64_t least) {
        for (const auto& [counter, value] : Faults(Read())) {
            if (counter == name) {
                EXPECT_GE(value, least) << counter;
            } else {
                EXPECT_EQ(value, 0u) << counter << " moved while provoking " << name;
            }
        }
    }
    std::unique_ptr<norvane::sim::EthernetGateway> gateway;
};

TEST_F(PortCounters, AnswersAndSendsCountAndResetClearsThem) {
    ASSERT_EQ(SetSpeed(10), 1);
    ASSERT_EQ(SetSpeed(11), 1);
    KymPortCounters c = Read();
    EXPECT_EQ(c.requestsSent, 2u);
    EXPECT_EQ(c.answers, 2u);
    ExpectOnly("", 0);
    ASSERT_EQ(NvResetPortCounters(kHandle), 1);
    c = Read();
    EXPECT_EQ(c.requestsSent + c.answers, 0u);
    EXPECT_EQ(NvGetPortCounters(kHandle, nullptr), -1);
    EXPECT_EQ(NvGetPortCounters(0x1004, &c), 0);
    EXPECT_EQ(NvResetPortCounters(0x7F0000), 0);
}

TEST_F(PortCounters, EachFaultShowsInItsOwnCounter) {
    gateway->Faults().SetSilent(true);
    EXPECT_EQ(SetSpeed(1), -1);
    gateway->Faults().SetSilent(false);
    ExpectOnly("timeouts", 1);
    // The timed-out set's answer stays owed for 1.5 s: the next set of that command would drop
    // its own answer for it.
    std::this_thread::sleep_for(std::chrono::milliseconds(1600));

    ASSERT_EQ(NvResetPortCounters(kHandle), 1);
    gateway->Faults().AnswerWithError(7, 1);
    EXPECT_LT(SetSpeed(2), 0);
    ExpectOnly("errorReports", 1);
    EXPECT_EQ(Read().answers, 0u);

    ASSERT_EQ(NvResetPortCounters(kHandle), 1);
    gateway->SendRaw({0xCC, 0x73, 0x03, 0x00, 0x00, 0x00, 0x01, 0x02, 0x03, 0xAA});  // too short
    ASSERT_EQ(SetSpeed(3), 1);  // behind the garbage: it has been read by now
    ExpectOnly("malformedFrames", 1);

    // Translated messages pile up behind a callback that does not return: the ring holds 512.
    ASSERT_EQ(NvResetPortCounters(kHandle), 1);
    gReleaseCallback = false;
    KYMRegTranslateCallBack(SlowTranslate);
    std::vector<uint8_t> flood;
    for (int i = 0; i < 600; ++i) {
        const std::vector<uint8_t> frame = NodeFrame(0x8F);
        flood.insert(flood.end(), frame.begin(), frame.end());
    }
    gateway->SendRaw(flood);
    for (int i = 0; i < 200 && Read().ringDropped < 80; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    gReleaseCallback = true;
    ExpectOnly("ringDropped", 80);
    for (int i = 0; i < 300 && Read().noticesDelivered + Read().ringDropped < 600; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    KYMRegTranslateCallBack(nullptr);
    EXPECT_EQ(Read().noticesDelivered + Read().ringDropped, 600u);
}

}  // namespace
