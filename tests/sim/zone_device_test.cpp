// The zone device emulator over real TCP.
#include "sim/zone_device.h"

#include <gtest/gtest.h>

#include "echo_node.h"
#include "raw_client.h"

namespace norvane::sim::test {
namespace {

class ZoneDeviceTest : public ::testing::Test {
protected:
    void SetUp() override {
        ZoneDeviceOptions options;
        options.port = 0;
        options.zones = 3;
        device = std::make_unique<ZoneDevice>(options);
        device->Zone(1).AddNode(std::make_unique<EchoNode>(7, true));
        device->Zone(2).AddNode(std::make_unique<EchoNode>(7, true));
        device->Zone(3).AddNode(std::make_unique<EchoNode>(9, true));
        ASSERT_TRUE(device->Start()) << device->ErrorText();
        client = std::make_unique<RawClient>("127.0.0.1", device->Port());
        ASSERT_TRUE(client->Connected());
    }
    static Bytes ZoneFrame(const Bytes& payload) { return Frame(0x49, payload); }
    std::unique_ptr<ZoneDevice> device;
    std::unique_ptr<RawClient> client;
};

TEST_F(ZoneDeviceTest, ProbeAndKeepAliveAreEchoedAndZoneListIsOneDigit) {
    ASSERT_TRUE(client->Send({0xAA, 0x09, 0, 0, 0, 0, 0xCC}));
    EXPECT_EQ(client->ReadRaw(1000, 7), (Bytes{0xCC, 0x09, 0, 0, 0, 0, 0xAA}));
    ASSERT_TRUE(client->Send({0xAA, 0x19, 0, 0, 0, 0, 0xCC}));
    EXPECT_EQ(client->ReadRaw(1000, 8), (Bytes{0xCC, 0x19, 1, 0, 0, 0, '3', 0xAA}));
}

TEST_F(ZoneDeviceTest, MessageGoesToTheSelectedZoneAndComesBackWithItsNumber) {
    // Zone 2, node 7, first-generation command 7 with answer bit, data 3 bytes.
    ASSERT_TRUE(client->Send(ZoneFrame({2, 7, 0x87, 3, 0, 0, 0, 0, 0x11, 0x22, 0x33, 0, 0, 0, 0, 0})));
    const auto answer = client->NextOf(0x49);
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->payload, (Bytes{2, 7, 0x87, 3, 0x11, 0, 0, 0, 0x11, 0x22, 0x33, 0, 0, 0, 0, 0}));
    EXPECT_EQ(device->Zone(2).Traffic().size(), 2u);
    EXPECT_TRUE(device->Zone(1).Traffic().empty());
    EXPECT_EQ(device->Zone(2).Traffic()[0].frame.id, 0x00380087u);  // node 7 at bits 19-23
}

TEST_F(ZoneDeviceTest, ZoneZeroReachesEveryZone) {
    ASSERT_TRUE(client->Send(ZoneFrame({0, 7, 0x8C, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0})));
    std::vector<uint8_t> zones;
    while (auto f = client->NextOf(0x49, 300)) zones.push_back(f->payload[0]);
    std::sort(zones.begin(), zones.end());
    EXPECT_EQ(zones, (std::vector<uint8_t>{1, 2}));  // node 7 lives in zones 1 and 2
    EXPECT_EQ(device->Zone(3).Traffic().size(), 1u);
}

TEST_F(ZoneDeviceTest, UnknownZoneAndShortPayloadAreDroppedAndCounted) {
    ASSERT_TRUE(client->Send(ZoneFrame({4, 7, 0x87, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0})));
    ASSERT_TRUE(client->Send({0xAA, 0x49, 2, 0, 0, 0, 1, 7, 0xCC}));
    ASSERT_TRUE(client->Send({0xAA, 0x09, 0, 0, 0, 0, 0xCC}));
    ASSERT_TRUE(client->NextOf(0x09));
    EXPECT_EQ(device->Counters().malformedFrames.load(), 2u);
    for (uint8_t z = 1; z <= 3; ++z) EXPECT_TRUE(device->Zone(z).Traffic().empty());
}

}  // namespace
}  // namespace norvane::sim::test
