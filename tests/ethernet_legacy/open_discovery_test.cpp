// First-generation search, open and discovery of an Ethernet gateway against the simulator.
#include <gtest/gtest.h>

#include "tests/ethernet_legacy/legacy_bench.h"

namespace {

using legacy_bench::Bench;
using legacy_bench::kHandle;
namespace nodes = legacy_bench::nodes;

TEST(LegacyOpen, SearchAndOpenDescribeEveryNode) {
    Bench bench("127.0.71.1", 4);
    bench.Add(5);  // KYM23H56P2, firmware 1100
    nodes::FirstGenOptions c;
    c.cModel = true;
    c.size = 42;
    c.power = 3;
    c.firmware = 1201;
    bench.Add(9, c);
    ASSERT_TRUE(bench.Start());

    KymSearchRecord found{};
    ASSERT_EQ(bench.Search(&found), 1);
    EXPECT_EQ(found.handle, 0x200000u);
    EXPECT_EQ(found.transportValue, 4u);  // the gateway's bit-rate code
    EXPECT_EQ(found.filled, 1);
    EXPECT_STREQ(found.name, "KYM127.0.71.1 Version 261");

    KymNodeRecord records[8] = {};
    uint32_t bitRate = 0xFFFF;
    ASSERT_EQ(OpenGateWay(kHandle, records, 8, &bitRate), 2);
    EXPECT_EQ(bitRate, 4u);  // communication setting 5 of the gateway node

    EXPECT_EQ(records[0].nodeId, 5u);
    EXPECT_EQ(records[0].discoveryValue, 0x07530005u);  // the node's serial number
    EXPECT_EQ(records[0].handle, 0x200000u);
    EXPECT_STREQ(records[0].model, "KYM23H56P2");
    EXPECT_EQ(records[0].firmware, 1100u);
    EXPECT_EQ(records[0].flag, 0u);
    EXPECT_EQ(records[0].legacyValue, 0u);

    EXPECT_EQ(records[1].nodeId, 9u);
    EXPECT_STREQ(records[1].model, "KYM63C42P3");
    EXPECT_EQ(records[1].firmware, 1201u);
    EXPECT_EQ(records[1].flag, 1u);
    EXPECT_EQ(records[1].legacyValue, 81u);  // the 'C' model's group id

    // Words 2 and 6 follow the devices: settings 6 and 8, and the group id.
    KymReply ack{};
    ASSERT_EQ(SetPP(kHandle, 5, 6, 3, 1, &ack), 1);
    ASSERT_EQ(SetPP(kHandle, 5, 8, 2, 1, &ack), 1);
    ASSERT_EQ(OPR_UFQSetGroupID(kHandle, 9, 100, 1, &ack), 1);
    ASSERT_EQ(CloseGateWay(kHandle), 1);
    KymNodeRecord again[8] = {};
    ASSERT_EQ(bench.Open(again, 8), 2);
    EXPECT_EQ(again[0].flag, 3u);
    EXPECT_EQ(again[0].legacyValue, 2u);
    EXPECT_EQ(again[1].flag, 1u);
    EXPECT_EQ(again[1].legacyValue, 100u);
}

TEST(LegacyOpen, DiscoveryAndRegisterAllKeepNodesFiveUpSorted) {
    Bench bench("127.0.72.1");
    for (uint8_t id : {3, 120, 7, 6}) bench.Add(id);
    ASSERT_TRUE(bench.Start());
    KymNodeRecord records[8] = {};
    ASSERT_EQ(bench.Open(records, 8), 3);
    EXPECT_EQ(records[0].nodeId, 6u);
    EXPECT_EQ(records[1].nodeId, 7u);
    EXPECT_EQ(records[2].nodeId, 120u);

    const auto check = [](int n, const KymNodeRecord* found, std::initializer_list<uint32_t> ids) {
        ASSERT_EQ(n, static_cast<int>(ids.size()));
        int i = 0;
        for (uint32_t id : ids) {
            EXPECT_EQ(found[i].nodeId, id);
            EXPECT_EQ(found[i].discoveryValue, 0x07530000u + id);
            ++i;
        }
    };
    KymNodeRecord listed[8] = {};
    check(RegisterDevice(kHandle, listed, 8), listed, {6, 7, 120});
    KymNodeRecord two[2] = {};
    check(RegisterDevice(kHandle, two, 2), two, {6, 7});
    KymNodeRecord all[8] = {};
    check(Register753AllDevice(kHandle, all, 8), all, {6, 7, 120});
    // The tables are clean afterwards: an ordinary request still gets its own answer.
    KymReply serial{};
    ASSERT_EQ(GetSerialNumber(kHandle, 7, &serial), 1);
    EXPECT_EQ(static_cast<uint32_t>(serial.field[0]), 0x07530007u);
}

}  // namespace
