// Routing of handle-addressed requests to the gateway objects, and the exports built on it.
#include "sdk/api/dispatch.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <optional>

#include "doubles/registry_slots.h"
#include "norvane/NorvaneFunc.h"
#include "recording_gateway.h"
#include "sdk/core/gateway_registry.h"

using namespace norvane::sdk;
using norvane::testing::RecordingGateway;

namespace {

constexpr GatewaySlot kAllSlots[] = {
    GatewaySlot::Serial, GatewaySlot::Uart, GatewaySlot::Ethernet, GatewaySlot::LegacyEthernet,
    GatewaySlot::Pci,    GatewaySlot::Usb,  GatewaySlot::Zone};

class Dispatch : public ::testing::Test {
protected:
    void SetUp() override { scope_.emplace(); }
    void TearDown() override { scope_.reset(); }
    std::shared_ptr<RecordingGateway> Install(GatewaySlot slot) {
        return scope_->Install<RecordingGateway>(slot);
    }
    std::optional<norvane::testing::RegistrySlots> scope_;
};

struct KindRoute {
    uint32_t kind;
    GatewaySlot slot;
};

}  // namespace

TEST_F(Dispatch, EveryKindReachesItsGatewayObject) {
    const KindRoute routes[] = {{1, GatewaySlot::Serial},    {256, GatewaySlot::Serial},
                                {4, GatewaySlot::Usb},       {4096, GatewaySlot::Usb},
                                {8, GatewaySlot::Pci},       {2048, GatewaySlot::Pci},
                                {16, GatewaySlot::Ethernet}, {8192, GatewaySlot::LegacyEthernet},
                                {32, GatewaySlot::Uart},     {32768, GatewaySlot::Zone}};
    for (const KindRoute& route : routes) {
        SetUp();
        auto gateway = Install(route.slot);
        gateway->result = 7;
        const uint32_t handle = (route.kind << 8) | 2;
        KymReply reply{};
        EXPECT_EQ(DispatchSet(handle, 5, 0x87, 3, nullptr, &reply), 7) << "kind " << route.kind;
        EXPECT_STREQ(gateway->last.slot, "set");
        EXPECT_EQ(gateway->last.handle, handle);
        EXPECT_EQ(gateway->last.node, 5u);
        EXPECT_EQ(gateway->last.controlWord, 0x87);
        EXPECT_EQ(gateway->last.index, 3);
        EXPECT_EQ(DispatchGet(handle, 9, 0x8B, 0, &reply), 7);
        EXPECT_STREQ(gateway->last.slot, "get");
        EXPECT_EQ(gateway->last.answer, &reply);
        TearDown();
    }
}

TEST_F(Dispatch, RejectedAndUnknownKindsGiveMinusOneWithoutACall) {
    std::shared_ptr<RecordingGateway> gateways[kGatewaySlots];
    for (GatewaySlot slot : kAllSlots) gateways[static_cast<int>(slot)] = Install(slot);
    for (uint32_t handle : {0x040000u, 0x400000u, 0x000200u, 0x000000u, 0x000300u, 0xFFFF00u}) {
        EXPECT_EQ(DispatchSet(handle, 1, 0x07, 0, nullptr, nullptr), -1) << std::hex << handle;
        EXPECT_EQ(DispatchGet(handle, 1, 0x87, 0, nullptr), -1) << std::hex << handle;
    }
    for (auto& gateway : gateways) EXPECT_EQ(gateway->calls, 0);
}

TEST_F(Dispatch, KindWhoseObjectWasNeverCreatedGivesMinusOne) {
    EXPECT_EQ(DispatchSet(0x200000, 1, 0x07, 0, nullptr, nullptr), -1);  // kind 8192 before its search
    EXPECT_EQ(DispatchGet(0x001000, 1, 0x87, 0, nullptr), -1);           // kind 16 before any search
}

TEST_F(Dispatch, PortIndexIsTheGatewaysBusinessNotTheDispatchers) {
    auto ethernet = Install(GatewaySlot::Ethernet);
    ethernet->result = 0;
    EXPECT_EQ(DispatchGet(0x001005, 1, 0x87, 0, nullptr), 0);
    EXPECT_EQ(ethernet->last.handle, 0x001005u);
}

TEST_F(Dispatch, SingleCommandSetAddsTheAnswerBitOnlyWithFlagAndRecord) {
    auto ethernet = Install(GatewaySlot::Ethernet);
    KymReply reply{};
    int32_t value = 42;
    struct Case {
        uint32_t controlWord;
        int32_t ackFlag;
        KymReply* buffer;
        uint8_t sentWord;
        KymReply* sentAnswer;
    } cases[] = {
        {0x07, 1, &reply, 0x87, &reply},    // acknowledged
        {0x07, 0, &reply, 0x07, nullptr},   // no flag: no record either
        {0x07, 1, nullptr, 0x07, nullptr},  // flag without record: word unchanged
        {0x87, 0, nullptr, 0x87, nullptr},  // caller's own bit 7 passes unchanged
        {0x1C7, 1, &reply, 0xC7, &reply},   // only the low byte travels
    };
    for (const Case& c : cases) {
        EXPECT_EQ(SingleCommandSet(0x001000, 3, c.controlWord, 0, &value, c.ackFlag, c.buffer), 1);
        EXPECT_EQ(ethernet->last.controlWord, c.sentWord) << std::hex << c.controlWord;
        EXPECT_EQ(ethernet->last.answer, c.sentAnswer);
        EXPECT_EQ(ethernet->last.data, &value);
    }
}

TEST_F(Dispatch, GetExportsAlwaysAskForAnAnswer) {
    auto ethernet = Install(GatewaySlot::Ethernet);
    KymReply reply{};
    SingleCommandGet(0x001000, 3, 0x0B, 0, &reply);
    EXPECT_EQ(ethernet->last.controlWord, 0x8B);
    SingleCommandGet(0x001000, 3, 0x8B, 0, &reply);
    EXPECT_EQ(ethernet->last.controlWord, 0x8B);
    GetLastErr(0x001000, 3, &reply);
    EXPECT_EQ(ethernet->last.controlWord, 0x8F);
    EXPECT_EQ(ethernet->last.index, 0);
}

TEST_F(Dispatch, GetMissingErrAcceptsOnlyOneToFour) {
    auto ethernet = Install(GatewaySlot::Ethernet);
    KymReply reply{};
    for (int which : {0, 5, -1}) {
        EXPECT_EQ(GetMissingErr(0x001000, 3, which, &reply), -1);
    }
    EXPECT_EQ(ethernet->calls, 0);
    for (int which = 1; which <= 4; ++which) {
        EXPECT_EQ(GetMissingErr(0x001000, 3, which, &reply), 1);
        EXPECT_EQ(ethernet->last.index, which);
        EXPECT_EQ(ethernet->last.controlWord, 0x8F);
    }
}

TEST(EntryExports, VersionAndSwitches) {
    EXPECT_STREQ(KYMSDKGetVersion(), "1.5.0");
    EXPECT_EQ(GetEthernetServerPort(), 28877u);
    SetEthernetServerPort(30000);
    EXPECT_EQ(GetEthernetServerPort(), 30000u);
    SetEthernetServerPort(28877);
    EXPECT_EQ(SetSerialTransmissision(5), 1);
    EXPECT_EQ(GetSerialTransmissision(), 1);
    EXPECT_EQ(SetSerialTransmissision(0), 0);
    EXPECT_EQ(SetNorvaneSDKUFQ(-3), 1);
    EXPECT_EQ(GetNorvaneSDKUFQ(), 1);
    EXPECT_EQ(SetNorvaneSDKUFQ(0), 0);
    EXPECT_EQ(ClearQue(0, 0), 1);
    EXPECT_EQ(SndBatchCmd(0, 0), 1);
    EXPECT_EQ(ListQue(0, 0), 0);
    EXPECT_EQ(ClrLastErr(0, 0), 0);
}

// Discovery reaches the gateway object serving the kind (both generations of a gateway share
// one object, and 16384 is the UART's); only the RS-232 gateway falls back to asking every
// address, and only first-generation kinds take the register-all export.
TEST_F(Dispatch, DiscoveryExportsReachTheGatewayServingTheKind) {
    struct Case {
        uint32_t kind;
        std::optional<GatewaySlot> slot;
        int registerAllAfterNone;  // RegisterDevice's fallback call
        bool takesRegisterAll;     // Register753AllDevice reaches the gateway
    } cases[] = {
        {1, GatewaySlot::Serial, 1, false},    {256, GatewaySlot::Serial, 1, true},
        {4, GatewaySlot::Usb, 0, false},       {4096, GatewaySlot::Usb, 0, true},
        {8, GatewaySlot::Pci, 0, false},       {2048, GatewaySlot::Pci, 0, true},
        {16, GatewaySlot::Ethernet, 0, false}, {8192, GatewaySlot::LegacyEthernet, 0, true},
        {32, GatewaySlot::Uart, 0, false},     {16384, GatewaySlot::Uart, 0, true},
        {32768, GatewaySlot::Zone, 0, true},   {1024, std::nullopt, 0, false},
        {2, std::nullopt, 0, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.kind);
        SetUp();
        std::shared_ptr<RecordingGateway> gateways[kGatewaySlots];
        for (GatewaySlot slot : kAllSlots) gateways[static_cast<int>(slot)] = Install(slot);
        KymNodeRecord records[4] = {};
        const uint32_t handle = (c.kind << 8) | 1;
        EXPECT_EQ(RegisterDevice(handle, records, 4), 0);
        EXPECT_EQ(Register753AllDevice(handle, records, 4), 0);
        for (GatewaySlot slot : kAllSlots) {
            const auto& gateway = gateways[static_cast<int>(slot)];
            const bool serves = c.slot == slot;
            EXPECT_EQ(gateway->CallsOf(norvane::testing::GatewayOp::RegisterNodes), serves ? 1 : 0);
            EXPECT_EQ(gateway->CallsOf(norvane::testing::GatewayOp::RegisterAllNodes),
                      serves ? c.registerAllAfterNone + (c.takesRegisterAll ? 1 : 0) : 0);
        }
        TearDown();
    }
}
