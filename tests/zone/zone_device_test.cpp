// A zone device emulator on loopback, reached through the exports: search, open, zone list,
// set/get, registration, raw messages, real-time messages, keep-alive and close.
#include "sim/zone_device.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "norvane/NorvaneFunc.h"
#include "sdk/core/gateway_registry.h"
#include "sdk/core/port.h"
#include "sdk/core/switches.h"
#include "sdk/ethernet/zone_port.h"
#include "sim/nodes/first_gen_controller.h"

namespace norvane::sdk {
namespace {

using sim::nodes::FirstGenController;

constexpr uint32_t kZoneHandle = 0x800000;
constexpr uint32_t kLoopback51 = 0x7F000033;  // 127.0.0.51

uint32_t InZone(uint8_t zone) {
    return kZoneHandle | (uint32_t{zone} << 24);
}

template <typename F>
bool WaitFor(F condition, int ms = 2000) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > until) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

std::vector<uint8_t> ZoneMessageFrame(uint8_t zone, uint8_t node, uint8_t controlWord) {
    return {0xCC, 0x49, 0x10, 0,    0,    0,    zone, node, controlWord, 4, 0x21, 0,
            0,    0,    0x21, 0x43, 0x65, 0x07, 0,    0,    0,           0, 0xAA};
}

class ZoneDeviceTest : public ::testing::Test {
protected:
    void SetUp() override {
        sim::ZoneDeviceOptions options;
        options.address = "127.0.0.51";
        options.port = 0;  // every test process gets its own port: tests run in parallel
        options.zones = 2;
        device = std::make_unique<sim::ZoneDevice>(options);
        // Added out of order: registration must sort.
        node7 = Add(1, 7);
        Add(1, 3);
        node6 = Add(1, 6);
        node9 = Add(2, 9);
        node8 = Add(2, 8);
        ASSERT_TRUE(device->Start()) << device->ErrorText();
        GlobalSwitches().ethernetServerPort = device->Port();
    }

    void TearDown() override {
        CloseGateWay(kZoneHandle);
        device.reset();
    }

    FirstGenController* Add(uint8_t zone, uint8_t id) {
        auto node = std::make_unique<FirstGenController>(id);
        FirstGenController* raw = node.get();
        device->Zone(zone).AddNode(std::move(node));
        return raw;
    }

    // Search by the record's address, then open with room for records.
    void SearchAndOpen() {
        KymSearchRecord search[4] = {};
        search[0].address = kLoopback51;
        ASSERT_EQ(SearchGateWay(0x8000, search, 4), 1);
        ASSERT_EQ(search[0].handle, kZoneHandle);
        ASSERT_EQ(OpenGateWay(kZoneHandle, zones, 16, nullptr), 2);
    }

    std::shared_ptr<CNvCallBackFunc> Port() const {
        const auto gateway = GatewayAt(GatewaySlot::Zone);
        return gateway ? gateway->Port(0) : nullptr;
    }

    std::unique_ptr<sim::ZoneDevice> device;
    FirstGenController* node6 = nullptr;
    FirstGenController* node7 = nullptr;
    FirstGenController* node8 = nullptr;
    FirstGenController* node9 = nullptr;
    KymNodeRecord zones[16] = {};
};

TEST_F(ZoneDeviceTest, SearchNamesTheDeviceAndOpenListsItsZones) {
    KymSearchRecord search[2] = {};
    search[0].address = kLoopback51;
    ASSERT_EQ(SearchGateWay(0x8000, search, 2), 1);
    EXPECT_EQ(search[0].handle, 0x800000u);
    EXPECT_EQ(search[0].filled, 1);
    EXPECT_STREQ(search[0].name, "KYM127.0..51");  // the name format prints a third octet of 0 as nothing
    // The search disconnects again.
    EXPECT_TRUE(WaitFor([&] { return !device->ClientConnected(); }));

    ASSERT_EQ(OpenGateWay(kZoneHandle, zones, 16, nullptr), 2);
    EXPECT_EQ(zones[0].nodeId, 1u);
    EXPECT_EQ(zones[1].nodeId, 2u);
    EXPECT_STREQ(zones[0].model, "KYMZone01");
    EXPECT_STREQ(zones[1].model, "KYMZone02");
    EXPECT_EQ(zones[0].handle, 0x800000u);
    EXPECT_EQ(zones[1].handle, 0x800000u);
    EXPECT_EQ(zones[2].nodeId, 0u);  // nothing beyond the zones
}

TEST_F(ZoneDeviceTest, OpenBoundsTheZonesByTheRecordRoomAndNeedsRecords) {
    KymSearchRecord search[1] = {};
    search[0].address = kLoopback51;
    ASSERT_EQ(SearchGateWay(0x8000, search, 1), 1);
    EXPECT_EQ(OpenGateWay(kZoneHandle, nullptr, 16, nullptr), 0);
    KymNodeRecord one[2] = {};
    ASSERT_EQ(OpenGateWay(kZoneHandle, one, 1, nullptr), 1);
    EXPECT_EQ(one[0].nodeId, 1u);
    EXPECT_EQ(one[1].nodeId, 0u);
}

TEST_F(ZoneDeviceTest, NoDeviceAtTheAddressFindsNothing) {
    KymSearchRecord search[1] = {};
    search[0].address = 0x7F000034;  // 127.0.0.52: nobody listens
    EXPECT_EQ(SearchGateWay(0x8000, search, 1), 0);
    EXPECT_EQ(search[0].filled, 0);
    EXPECT_EQ(OpenGateWay(kZoneHandle, zones, 16, nullptr), 0);
}

TEST_F(ZoneDeviceTest, SetAndGetReachTheNodeInTheHandlesZone) {
    SearchAndOpen();
    // Communication setting 6 := 5 on node 9 of zone 2, answered and decoded as first generation.
    int32_t value = 5;
    KymReply reply{};
    EXPECT_EQ(SingleCommandSet(InZone(2), 9, 1, 6, &value, 1, &reply), 1);
    EXPECT_EQ(node9->CommSetting(6), 5);
    EXPECT_EQ(reply.field[0], 5);

    reply = KymReply{};
    EXPECT_EQ(SingleCommandGet(InZone(2), 9, 1, 6, &reply), 1);
    EXPECT_EQ(reply.field[0], 5);
    // Node 9 does not live in zone 1.
    EXPECT_EQ(SingleCommandGet(InZone(1), 9, 1, 6, &reply), 0);

    // An answer split over two TCP segments is still taken.
    device->Faults().SplitAnswers(1);
    reply = KymReply{};
    EXPECT_EQ(SingleCommandGet(InZone(1), 7, 12, 0, &reply), 1);
    EXPECT_EQ(static_cast<uint32_t>(reply.field[0]), node7->SerialNumber());
}

TEST_F(ZoneDeviceTest, RefusalsTimeOutsAndEmptyPortPositions) {
    SearchAndOpen();
    int32_t value = 9;  // above what setting 0 accepts: refused with code 2
    KymReply reply{};
    EXPECT_EQ(SingleCommandSet(InZone(1), 7, 1, 0, &value, 1, &reply), -2);

    // Nobody at node 50: a get gives 0, an unanswered set -1, except a set of 0 at index 0.
    EXPECT_EQ(SingleCommandGet(InZone(1), 50, 12, 0, &reply), 0);
    value = 3;
    EXPECT_EQ(SingleCommandSet(InZone(1), 50, 1, 0, &value, 1, &reply), -1);
    value = 0;
    EXPECT_EQ(SingleCommandSet(InZone(1), 50, 1, 0, &value, 1, &reply), 1);

    // Port position 1 is empty.
    EXPECT_EQ(SingleCommandGet(kZoneHandle | 1, 7, 12, 0, &reply), 0);
    EXPECT_EQ(SingleCommandSet(kZoneHandle | 1, 7, 1, 6, &value, 1, &reply), 0);
}

TEST_F(ZoneDeviceTest, AddressChangeWaitsForTheAnswerFromTheNewAddress) {
    SearchAndOpen();
    int32_t record[3] = {0, 11, static_cast<int32_t>(node8->SerialNumber())};
    KymReply reply{};
    EXPECT_EQ(SingleCommandSet(InZone(2), 8, 12, 1, record, 1, &reply), 1);
    EXPECT_EQ(node8->NodeId(), 11);
    EXPECT_EQ(SingleCommandGet(InZone(2), 11, 12, 0, &reply), 1);
}

TEST_F(ZoneDeviceTest, RegistrationReportsNodesFiveAndAboveSortedPerZone) {
    SearchAndOpen();
    KymNodeRecord nodes[16] = {};
    ASSERT_EQ(RegisterDevice(InZone(1), nodes, 16), 2);  // node 3 answers but is not reported
    EXPECT_EQ(nodes[0].nodeId, 6u);
    EXPECT_EQ(nodes[1].nodeId, 7u);
    EXPECT_EQ(nodes[0].discoveryValue, node6->SerialNumber());
    EXPECT_EQ(nodes[1].discoveryValue, node7->SerialNumber());

    KymNodeRecord all[16] = {};
    ASSERT_EQ(Register753AllDevice(InZone(0), all, 16), 4);  // zone 0 reaches both zones
    const uint32_t expected[] = {6, 7, 8, 9};
    for (int i = 0; i < 4; ++i) EXPECT_EQ(all[i].nodeId, expected[i]) << i;

    // The maximum applies to the reported nodes, not to the answers gathered.
    KymNodeRecord one[1] = {};
    ASSERT_EQ(RegisterDevice(InZone(1), one, 1), 1);
    EXPECT_EQ(one[0].nodeId, 6u);
    // Requests work normally after a registration.
    KymReply reply{};
    EXPECT_EQ(SingleCommandGet(InZone(1), 6, 12, 0, &reply), 1);
}

TEST_F(ZoneDeviceTest, RawMessageCollectsTheAnswersOfItsNode) {
    SearchAndOpen();
    KymCanMsg request{};
    request.node = 7;
    request.controlWord = 0x80 | 11;  // model
    KymCanMsg out[4] = {};
    int32_t count = -1;
    EXPECT_EQ(SendFloatballCmd(InZone(1), &request, out, 4, &count), 1);
    ASSERT_EQ(count, 1);
    EXPECT_EQ(out[0].node, 7);
    EXPECT_EQ(out[0].controlWord & 0x7F, 11);
    EXPECT_EQ(out[0].data[0], 23);  // family of the default model

    // Broadcast in zone 2: the wait ends with the first answer of a node of that zone.
    request.node = 0;
    request.controlWord = 0x80 | 12;
    count = -1;
    EXPECT_EQ(SendFloatballCmd(InZone(2), &request, out, 4, &count), 1);
    ASSERT_GE(count, 1);
    EXPECT_TRUE(out[0].node == 8 || out[0].node == 9) << int(out[0].node);
    EXPECT_EQ(out[0].controlWord & 0x7F, 12);
    // Another gateway kind is refused.
    EXPECT_EQ(SendFloatballCmd(0x1000, &request, out, 4, &count), -1);
}

std::atomic<uint32_t> realtimeHandle{0};
std::atomic<uint32_t> realtimeWord0{0};
void OnRealtime(uint32_t handle, uint32_t w0, uint32_t, uint32_t, uint32_t) {
    realtimeWord0 = w0;
    realtimeHandle = handle;
}

TEST_F(ZoneDeviceTest, RealtimeMessagesGoToTheCallbackAndBadNodesAreDropped) {
    SearchAndOpen();
    const auto port = Port();
    ASSERT_TRUE(port);
    KYMReg753RtcnCallBack(OnRealtime);
    device->SendRaw(ZoneMessageFrame(1, 7, 0x5A));
    EXPECT_TRUE(WaitFor([] { return realtimeHandle.load() != 0; }));
    KYMReg753RtcnCallBack(nullptr);
    EXPECT_EQ(realtimeHandle.load(), 0x800000u);
    EXPECT_EQ(realtimeWord0.load() & 0xFFFF, 0x5A07u);  // node 7, control word 0x5A

    const uint64_t dropped = port->counters.droppedMessages.load();
    std::vector<uint8_t> bad = ZoneMessageFrame(1, 0, 0x0C);
    const std::vector<uint8_t> high = ZoneMessageFrame(1, 126, 0x0C);
    bad.insert(bad.end(), high.begin(), high.end());
    device->SendRaw(bad);
    EXPECT_TRUE(WaitFor([&] { return port->counters.droppedMessages.load() == dropped + 2; }));
}

TEST_F(ZoneDeviceTest, AnswersRefusalsTimeOutsAndNoticesShowInThePortCounters) {
    SearchAndOpen();
    int32_t five = 5, nine = 9;  // setting 0 refuses 9 with code 2
    KymReply reply{};
    KymCanMsg model{};
    model.node = 7;
    model.controlWord = 0x80 | 11;
    KymCanMsg out[4] = {};
    int32_t count = 0;
    const auto zonePort = std::dynamic_pointer_cast<CNvZonePort>(Port());
    ASSERT_TRUE(zonePort);
    uint8_t list[64] = {};
    size_t listLength = 0;
    const struct {
        const char* name;
        std::function<int()> request;
        int result;
        uint64_t answers, errorReports, timeouts;
    } rows[] = {
        {"set", [&] { return SingleCommandSet(InZone(2), 9, 1, 6, &five, 1, &reply); }, 1, 1, 0, 0},
        {"get", [&] { return SingleCommandGet(InZone(2), 9, 1, 6, &reply); }, 1, 1, 0, 0},
        {"refused set", [&] { return SingleCommandSet(InZone(1), 7, 1, 0, &nine, 1, &reply); }, -2, 0, 1, 0},
        {"unanswered get", [&] { return SingleCommandGet(InZone(1), 50, 12, 0, &reply); }, 0, 0, 0, 1},
        {"raw message", [&] { return SendFloatballCmd(InZone(1), &model, out, 4, &count); }, 1, 1, 0, 0},
        {"zone list", [&] { return zonePort->ZoneList(list, sizeof list, &listLength); }, 1, 1, 0, 0},
    };
    for (const auto& row : rows) {
        ASSERT_EQ(NvResetPortCounters(kZoneHandle), 1);
        EXPECT_EQ(row.request(), row.result) << row.name;
        KymPortCounters c{};
        ASSERT_EQ(NvGetPortCounters(kZoneHandle, &c), 1);
        EXPECT_EQ(c.requestsSent, 1u) << row.name;
        EXPECT_EQ(c.answers, row.answers) << row.name;
        EXPECT_EQ(c.errorReports, row.errorReports) << row.name;
        EXPECT_EQ(c.timeouts, row.timeouts) << row.name;
    }

    ASSERT_EQ(NvResetPortCounters(kZoneHandle), 1);
    KYMReg753RtcnCallBack(OnRealtime);
    device->SendRaw(ZoneMessageFrame(1, 7, 0x5A));
    EXPECT_TRUE(WaitFor([] {
        KymPortCounters c{};
        return NvGetPortCounters(kZoneHandle, &c) == 1 && c.noticesDelivered == 1;
    }));
    KYMReg753RtcnCallBack(nullptr);
}

TEST_F(ZoneDeviceTest, KeepAliveFlowsWhileIdleAndCloseEndsTheConnection) {
    SearchAndOpen();
    const uint64_t before = device->Counters().framesIn.load();
    // One keep-alive about every half second.
    EXPECT_TRUE(WaitFor([&] { return device->Counters().framesIn.load() >= before + 2; }, 1500));
    EXPECT_TRUE(device->ClientConnected());

    EXPECT_EQ(CloseGateWay(kZoneHandle), 1);
    EXPECT_TRUE(WaitFor([&] { return !device->ClientConnected(); }));
    EXPECT_EQ(GatewayAt(GatewaySlot::Zone), nullptr);
    EXPECT_EQ(CloseGateWay(kZoneHandle), 0);
}

}  // namespace
}  // namespace norvane::sdk
