// Zone list answers other than one digit, from a device that answers only probe and list.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "norvane/NorvaneFunc.h"
#include "sdk/core/switches.h"
#include "sim/gateway_server.h"
#include "sim/host_frames.h"

namespace norvane::sdk {
namespace {

class ListOnlyDevice : public sim::GatewayServer {
public:
    explicit ListOnlyDevice(std::vector<uint8_t> list)
        : GatewayServer("127.0.0.53", 0), list_(std::move(list)) {}
    ~ListOnlyDevice() override { Stop(); }

protected:
    void OnHostFrame(const sim::HostFrame& frame) override {
        if (frame.command == 0x09) QueueAnswer(sim::BuildGatewayFrame(0x09, nullptr, 0));
        if (frame.command == 0x19) QueueAnswer(sim::BuildGatewayFrame(0x19, list_.data(), list_.size()));
    }

private:
    std::vector<uint8_t> list_;
};

int OpenWithList(const std::vector<uint8_t>& list, KymNodeRecord* records, int max) {
    ListOnlyDevice device(list);
    if (!device.Start()) return -100;
    GlobalSwitches().ethernetServerPort = device.Port();
    KymSearchRecord search[1] = {};
    search[0].address = 0x7F000035;  // 127.0.0.53
    if (SearchGateWay(0x8000, search, 1) != 1) return -101;
    const int zones = OpenGateWay(0x800000, records, max, nullptr);
    CloseGateWay(0x800000);
    return zones;
}

TEST(ZoneList, AnswersThatAreNotOneDigitOpenNoZones) {
    KymNodeRecord records[16] = {};
    // An empty answer wakes the list request with nothing; two digits or a value below '1'
    // are not a zone count (read as a number they would overrun the record array).
    EXPECT_EQ(OpenWithList({}, records, 16), 0);
    EXPECT_EQ(OpenWithList({'1', '2'}, records, 16), 0);
    EXPECT_EQ(OpenWithList({'0'}, records, 16), 0);
    EXPECT_EQ(records[0].nodeId, 0u);
}

TEST(ZoneList, NineZonesAtMostAndNoMoreThanTheCallerHasRoomFor) {
    KymNodeRecord records[16] = {};
    EXPECT_EQ(OpenWithList({'9', 0}, records, 0), 9);  // no maximum given: the digit bounds it
    EXPECT_STREQ(records[8].model, "KYMZone09");
    EXPECT_EQ(records[9].nodeId, 0u);
    KymNodeRecord three[4] = {};
    EXPECT_EQ(OpenWithList({'9'}, three, 3), 3);
    EXPECT_EQ(three[3].nodeId, 0u);
}

}  // namespace
}  // namespace norvane::sdk
