// The gateway-kind table against the kinds as the handle format and the searches define them.
#include "sdk/core/gateway_kind.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace norvane::sdk;

namespace {

using enum GatewaySlot;
using enum Generation;

struct KindRow {
    uint32_t kind;
    const char* name;
    Generation generation;
    std::optional<GatewaySlot> slot;
    std::optional<GatewaySlot> dispatchedTo;
    uint32_t otherGeneration;
    int paramWord;
    uint32_t idBase;
};

const KindRow kRows[] = {
    {1, "RS-232 converter", Second, Serial, Serial, 256, 0, 0x100},
    {4, "USB-CAN adapter", Second, Usb, Usb, 4096, 2, 0x400},
    {8, "PCI CAN card", Second, Pci, Pci, 2048, 0, 0x800},
    {16, "Ethernet gateway", Second, Ethernet, Ethernet, 8192, 4, 0x1000},
    {32, "UART converter", Second, Uart, Uart, 16384, 0, 0x2000},
    {256, "RS-232 converter", First, Serial, Serial, 1, -1, 0x10000},
    {1024, "none", None, std::nullopt, std::nullopt, 0, -1, 0x40000},
    {2048, "PCI CAN card", First, Pci, Pci, 8, -1, 0x80000},
    {4096, "USB-CAN adapter", First, Usb, Usb, 4, -1, 0x100000},
    {8192, "Ethernet gateway", First, LegacyEthernet, LegacyEthernet, 16, -1, 0x200000},
    {16384, "UART converter", First, Uart, std::nullopt, 32, -1, 0x400000},
    {32768, "zone gateway", First, Zone, Zone, 0, -1, 0x800000},
};

}  // namespace

TEST(GatewayKind, EveryKindMatchesItsRow) {
    ASSERT_EQ(GatewayKinds().size(), std::size(kRows));
    for (const KindRow& row : kRows) {
        SCOPED_TRACE(row.kind);
        const GatewayKind* entry = FindGatewayKind(row.kind);
        ASSERT_NE(entry, nullptr);
        EXPECT_STREQ(entry->name, row.name);
        EXPECT_EQ(entry->generation, row.generation);
        EXPECT_EQ(entry->slot, row.slot);
        EXPECT_EQ(GatewaySlotOf(row.kind), row.slot);
        EXPECT_EQ(SlotForKind(row.kind), row.dispatchedTo);
        EXPECT_EQ(entry->otherGeneration, row.otherGeneration);
        EXPECT_EQ(entry->paramWord, row.paramWord);
        EXPECT_EQ(IdBase(row.kind), row.idBase);
        EXPECT_EQ(KindOf(row.idBase | 0x4F), row.kind);
        EXPECT_EQ(IsSecondGenKind(row.kind), row.generation == Second);
        EXPECT_EQ(IsFirstGenFormKind(row.kind), row.generation == First && row.kind != 32768);
    }
}

TEST(GatewayKind, NumbersOutsideTheTableAreNoKind) {
    for (uint32_t kind : {0u, 2u, 3u, 64u, 128u, 512u, 0x3Du, 0xFF00u, 65535u}) {
        SCOPED_TRACE(kind);
        EXPECT_EQ(FindGatewayKind(kind), nullptr);
        EXPECT_EQ(SlotForKind(kind), std::nullopt);
        EXPECT_EQ(GatewaySlotOf(kind), std::nullopt);
        EXPECT_FALSE(IsSecondGenKind(kind));
        EXPECT_FALSE(IsFirstGenFormKind(kind));
    }
}

TEST(GatewayKind, SearchOrderAndMasks) {
    const uint32_t order[] = {1, 32, 16, 8, 4};
    ASSERT_EQ(std::size(kKindSearchOrder), std::size(order));
    EXPECT_EQ(std::memcmp(kKindSearchOrder, order, sizeof order), 0);
    EXPECT_EQ(kSecondGenKindBits, 0x3Du);
    EXPECT_EQ(kFirstGenKindBits, 0xFF00u);
    // Bits 24-31 never reach the kind; the handle keeps 24 bits.
    EXPECT_EQ(KindOf(0xAB001005u), 16u);
    EXPECT_EQ(MakeHandle(0x12345, 0x07), 0x234507u);
}
