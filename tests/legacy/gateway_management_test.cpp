// First-generation gateway management over gateway objects that record their calls: the
// search order and handle bits, open and close with the per-node locks, and a close that
// races a multi-step export on another thread.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <thread>

#include "legacy_gateway_fake.h"
#include "norvane/NorvaneFunc.h"
#include "sdk/api/node_locks.h"

using namespace norvane::testing;
using norvane::sdk::CSDKGWCAN;
using norvane::sdk::GatewaySlot;

namespace {

constexpr uint32_t H = 0x200000;

// Every gateway reports one port whose record handle is 0x42.
int OneRecord(void* records, int max) {
    if (max < 1) return 0;
    auto* record = static_cast<KymSearchRecord*>(records);
    record->handle = 0x42;
    record->filled = 1;
    return 1;
}

class LegacyGatewayManagement : public ::testing::Test {
protected:
    void SetUp() override {
        for (GatewaySlot slot : {GatewaySlot::Serial, GatewaySlot::Uart, GatewaySlot::Pci, GatewaySlot::Usb,
                                 GatewaySlot::LegacyEthernet, GatewaySlot::Ethernet, GatewaySlot::Zone}) {
            auto gateway = scope.Install(slot);
            gateway->searcher = OneRecord;
            gateways[static_cast<int>(slot)] = gateway;
        }
    }
    void TearDown() override { norvane::sdk::DeleteNodeLocks(); }
    LegacyFakeGateway& At(GatewaySlot slot) { return *gateways[static_cast<int>(slot)]; }

    RegistryScope scope;
    std::shared_ptr<LegacyFakeGateway> gateways[norvane::sdk::kGatewaySlots];
};

}  // namespace

TEST_F(LegacyGatewayManagement, SearchFillsRecordsInKindOrderWithTheKindBits) {
    KymSearchRecord records[10] = {};
    EXPECT_EQ(SearchGateWay(0xF910, records, 10), 7);
    const uint32_t expected[7] = {0x10042, 0x400042, 0x80042, 0x42, 0x200042, 0x200042, 0x800042};
    for (int i = 0; i < 7; ++i) EXPECT_EQ(records[i].handle, expected[i]) << i;
    EXPECT_EQ(records[7].handle, 0u);
    EXPECT_EQ(At(GatewaySlot::Ethernet).legacyProtocol, 1u);

    KymSearchRecord few[3] = {};
    EXPECT_EQ(SearchGateWay(0xF910, few, 3), 3);
    EXPECT_EQ(few[2].handle, 0x80042u);

    KymSearchRecord second[4] = {};
    EXPECT_EQ(SearchGateWay(0x21, second, 4), 2);
    EXPECT_EQ(second[0].handle, 0x142u);
    EXPECT_EQ(second[1].handle, 0x2042u);
    EXPECT_EQ(At(GatewaySlot::Serial).legacyProtocol, 0u);
    EXPECT_EQ(At(GatewaySlot::Uart).legacyProtocol, 0u);

    KymSearchRecord ethernet[5] = {};
    EXPECT_EQ(SearchGateWay(0x10, ethernet, 5), 1);
    EXPECT_EQ(ethernet[0].handle, 0x1042u);
    EXPECT_EQ(At(GatewaySlot::Ethernet).legacyProtocol, 0u);
    EXPECT_EQ(SearchGateWay(0x2000, ethernet, 5), 1);
    EXPECT_EQ(At(GatewaySlot::LegacyEthernet).legacyProtocol, 1u);

    EXPECT_EQ(SearchGateWay(0xF910, nullptr, 10), 0);
    EXPECT_EQ(SearchGateWay(0xF910, records, 0), 0);
}

TEST_F(LegacyGatewayManagement, OpenCreatesNodeLocksAndCloseDestroysTheGateway) {
    At(GatewaySlot::LegacyEthernet).openResult = 3;
    At(GatewaySlot::Zone).openResult = 2;
    EXPECT_EQ(OpenGateWay(0x100, nullptr, 0, nullptr), 0);     // kind 1 is not opened here
    EXPECT_EQ(OpenGateWay(0x800000, nullptr, 0, nullptr), 0);  // zone: no records
    KymNodeRecord nodes[4] = {};
    EXPECT_EQ(OpenGateWay(0x800000, nodes, 4, nullptr), 0);  // zone: no port at position 0
    EXPECT_FALSE(norvane::sdk::NodeLocksExist());
    EXPECT_EQ(OpenGateWay(H, nodes, 4, nullptr), 3);
    EXPECT_TRUE(norvane::sdk::NodeLocksExist());

    EXPECT_EQ(CloseGateWay(0x100), 0);  // kind 1: nothing closed, the serial gateway stays
    EXPECT_NE(norvane::sdk::GatewayAt(GatewaySlot::Serial), nullptr);
    EXPECT_FALSE(norvane::sdk::NodeLocksExist());

    EXPECT_EQ(OpenGateWay(H, nodes, 4, nullptr), 3);
    std::weak_ptr<CSDKGWCAN> legacy = gateways[static_cast<int>(GatewaySlot::LegacyEthernet)];
    gateways[static_cast<int>(GatewaySlot::LegacyEthernet)].reset();
    EXPECT_EQ(CloseGateWay(H), 1);
    EXPECT_TRUE(legacy.expired());
    EXPECT_EQ(norvane::sdk::GatewayAt(GatewaySlot::LegacyEthernet), nullptr);
    EXPECT_FALSE(norvane::sdk::NodeLocksExist());
    EXPECT_EQ(CloseGateWay(H), 0);
    EXPECT_EQ(SetMotorOn(H, 5, 1, 0, nullptr), -1);
}

TEST_F(LegacyGatewayManagement, WorkBlockOfKind1024) {
    KymSearchRecord records[2] = {};
    EXPECT_EQ(SearchGateWay(0x400, records, 2), 0);
    EXPECT_EQ(CloseGateWay(0x40000), 1);
    EXPECT_EQ(CloseGateWay(0x40000), 0);
    EXPECT_EQ(SearchGateWay(0x400, records, 2), 0);
    EXPECT_EQ(OpenGateWay(0x40000, nullptr, 0, nullptr), 1);  // an open of kind 1024 closes
    EXPECT_EQ(OpenGateWay(0x40000, nullptr, 0, nullptr), 0);
}

// Nothing created the RS-232 gateway beforehand: the search creates it (and finds no port
// when the machine has none); PCI and USB are searched only when their objects exist.
TEST(LegacyGatewaySearch, RsTwoThreeTwoSearchCreatesItsGateway) {
    RegistryScope empty;
    setenv("NORVANE_SERIAL_PORTS", "", 1);
    KymSearchRecord records[2] = {};
    EXPECT_EQ(SearchGateWay(0x100 | 0x800 | 0x1000, records, 2), 0);
    EXPECT_NE(norvane::sdk::GatewayAt(GatewaySlot::Serial), nullptr);
    EXPECT_EQ(norvane::sdk::GatewayAt(GatewaySlot::Pci), nullptr);
    EXPECT_EQ(norvane::sdk::GatewayAt(GatewaySlot::Usb), nullptr);
    unsetenv("NORVANE_SERIAL_PORTS");
}

TEST_F(LegacyGatewayManagement, SerialAndUartShortcutsAndQuickScan) {
    At(GatewaySlot::Serial).openResult = 1;
    EXPECT_EQ(OpenSerialGateway(), 0x10000);
    EXPECT_EQ(At(GatewaySlot::Serial).legacyProtocol, 1u);
    EXPECT_EQ(OpenTypeFirstGateway(256), 0x10000);
    At(GatewaySlot::Serial).openResult = 0;
    EXPECT_EQ(OpenTypeFirstGateway(256), -1);
    EXPECT_EQ(OpenUartGateway(), 0x400000);
    EXPECT_EQ(At(GatewaySlot::Uart).legacyProtocol, 1u);
    EXPECT_EQ(OpenTypeFirstGateway(16384), 0x400000);
    EXPECT_EQ(OpenTypeFirstGateway(8), 0x800);
    EXPECT_EQ(SetQuickScan(3, 115200, 0), 1);
    EXPECT_EQ(At(GatewaySlot::Uart).searchFlag, 3u);
    EXPECT_EQ(At(GatewaySlot::Serial).searchValue, 115200u);
    EXPECT_EQ(At(GatewaySlot::Serial).searchDefault, 0u);
    EXPECT_EQ(SetDevIndex(0x400, 0x10000), -1);
    EXPECT_EQ(SetDevIndex(0x401, 0x402), 0);  // no port at position 1
    EXPECT_EQ(Open753SocketDevice(0x1000), 0);
    EXPECT_EQ(Open753SocketDevice(H), 0);  // not an Ethernet gateway object
}

// A thread inside a multi-step export keeps the gateway object and the node locks it uses
// alive while another thread closes the gateway; a third thread waiting for the same node's
// lock is released when the first one leaves.
TEST_F(LegacyGatewayManagement, CloseWhileAnotherThreadIsInsideAMultiStepExport) {
    auto& legacy = At(GatewaySlot::LegacyEthernet);
    legacy.openResult = 1;
    KymNodeRecord nodes[2] = {};
    ASSERT_EQ(OpenGateWay(H, nodes, 2, nullptr), 1);

    std::promise<void> entered;
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    std::atomic<int> requests{0};
    legacy.responder = [&entered, released, &requests](const Sent&, KymReply*) {
        if (requests.fetch_add(1) == 0) {
            entered.set_value();
            released.wait();
        }
        return 1;
    };
    std::weak_ptr<CSDKGWCAN> watched = gateways[static_cast<int>(GatewaySlot::LegacyEthernet)];
    gateways[static_cast<int>(GatewaySlot::LegacyEthernet)].reset();

    int32_t motor[4] = {1, 2, 3, 4};
    std::atomic<int> firstResult{99};
    std::thread inside([&] { firstResult = SetMotorPara(H, 5, motor, 0, nullptr); });
    entered.get_future().wait();

    std::atomic<bool> waiterDone{false};
    std::atomic<int> waiterResult{99};
    std::thread waiter([&] {
        KymReply out{};
        waiterResult = GetMotorPara(H, 5, &out);
        waiterDone = true;
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_FALSE(waiterDone.load());

    EXPECT_EQ(CloseGateWay(H), 1);
    EXPECT_FALSE(norvane::sdk::NodeLocksExist());
    EXPECT_FALSE(watched.expired());
    release.set_value();
    inside.join();
    waiter.join();
    EXPECT_EQ(firstResult.load(), -1);  // the steps after the close find no gateway
    EXPECT_EQ(waiterResult.load(), -1);
    EXPECT_EQ(requests.load(), 1);
    EXPECT_TRUE(watched.expired());
}
