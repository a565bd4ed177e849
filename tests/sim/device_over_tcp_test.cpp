// Device behaviour seen through the running simulator's TCP server, with frames built by hand.
// Requests: AA 72 len=13 I0..I3 dlc d0..d7 CC with I0 = control word, I1 = (node & 0x60) << 1,
// I2 = (node & 0x1F) << 3, I3 = 1. Answers: CC 73 len=13 I0 0 I2 I3 dlc d0..d7 AA, where the
// node is ((I2 & 3) << 5) | (I3 & 0x1F). Every test serves its own loopback address.
#include <gtest/gtest.h>

#include <algorithm>
#include <thread>

#include "raw_client.h"
#include "sim/simulation.h"

namespace norvane::sim::test {
namespace {

class DeviceOverTcpTest : public ::testing::Test {
protected:
    /// Starts the simulator on `address` (any free port) with the node lines, connects and says hello.
    void Serve(const std::string& address, const std::string& nodeLines) {
        SimConfig config;
        std::string error;
        ASSERT_TRUE(ParseSimConfig("ethernet " + address + ":0\n" + nodeLines, config, error)) << error;
        std::vector<std::string> notes;
        ASSERT_TRUE(simulation.Start(config, error, notes)) << error;
        ASSERT_TRUE(notes.empty()) << notes.front();
        client = std::make_unique<RawClient>(address, simulation.EthernetGateways().front()->Port());
        ASSERT_TRUE(client->Connected());
        ASSERT_TRUE(client->Send({0xAA, 0x71, 0, 0, 0, 0, 0xCC}));
        ASSERT_TRUE(client->NextOf(0x71));
    }

    /// Sends one 0x72 frame with this 13-byte payload and returns the next 0x73 payload.
    std::optional<Bytes> Ask(const Bytes& request, int timeoutMs = 1000) {
        if (!client->Send(Frame(0x72, request))) return std::nullopt;
        const auto answer = client->NextOf(0x73, timeoutMs);
        if (!answer) return std::nullopt;
        return answer->payload;
    }

    /// Payloads of every frame with this command until none came for quietMs, in arrival order.
    std::vector<Bytes> Gather(uint8_t command, int quietMs = 400) {
        std::vector<Bytes> all;
        while (const auto f = client->NextOf(command, quietMs)) all.push_back(f->payload);
        return all;
    }

    static std::vector<Bytes> Sorted(std::vector<Bytes> v) {
        std::sort(v.begin(), v.end());
        return v;
    }

    Simulation simulation;
    std::unique_ptr<RawClient> client;
};

struct Exchange {
    const char* name;
    Bytes request;  // 0x72 payload
    Bytes answer;   // expected 0x73 payload
};

TEST_F(DeviceOverTcpTest, GetAnswersWhatAnAcknowledgedSetStored) {
    Serve("127.0.81.1", "node controller 5\n");
    // Node 5: I1 = 0, I2 = 0x28; answers carry I2 = 0, I3 = 5. Status record: d0 = (MCS - 1) |
    // (CUR & 15) << 4, d1 = CUR >> 4 | DIR << 3 | ENA << 4 | ACR << 5, d2-d3 SPD, d4-d7 STP.
    // Out of the box MCS is 16 and CUR 10 (d0 = 0xAF).
    const Exchange steps[] = {
        {"set SPD 20000",
         {0x87, 0x00, 0x28, 0x01, 4, 0x20, 0x4E, 0, 0, 0, 0, 0, 0},
         {0x87, 0, 0, 5, 4, 0x20, 0x4E, 0, 0, 0, 0, 0, 0}},
        {"get SPD",
         {0x87, 0x00, 0x28, 0x01, 0, 0, 0, 0, 0, 0, 0, 0, 0},
         {0x87, 0, 0, 5, 4, 0x20, 0x4E, 0, 0, 0, 0, 0, 0}},
        {"set STP 500",
         {0x8A, 0x00, 0x28, 0x01, 4, 0xF4, 0x01, 0, 0, 0, 0, 0, 0},
         {0x8A, 0, 0, 5, 4, 0xF4, 0x01, 0, 0, 0, 0, 0, 0}},
        {"get STP",
         {0x8A, 0x00, 0x28, 0x01, 0, 0, 0, 0, 0, 0, 0, 0, 0},
         {0x8A, 0, 0, 5, 4, 0xF4, 0x01, 0, 0, 0, 0, 0, 0}},
        {"set MCS 4: status record",
         {0x88, 0x00, 0x28, 0x01, 1, 4, 0, 0, 0, 0, 0, 0, 0},
         {0x88, 0, 0, 5, 8, 0xA3, 0x00, 0x20, 0x4E, 0xF4, 0x01, 0, 0}},
        {"set CUR 35",
         {0x89, 0x00, 0x28, 0x01, 1, 35, 0, 0, 0, 0, 0, 0, 0},
         {0x89, 0, 0, 5, 8, 0x33, 0x02, 0x20, 0x4E, 0xF4, 0x01, 0, 0}},
        {"set mACC 123456",
         {0xAA, 0x00, 0x28, 0x01, 4, 0x40, 0xE2, 0x01, 0x00, 0, 0, 0, 0},
         {0xAA, 0, 0, 5, 4, 0x40, 0xE2, 0x01, 0x00, 0, 0, 0, 0}},
        {"get mACC",
         {0xAA, 0x00, 0x28, 0x01, 0, 0, 0, 0, 0, 0, 0, 0, 0},
         {0xAA, 0, 0, 5, 4, 0x40, 0xE2, 0x01, 0x00, 0, 0, 0, 0}},
        {"ACK",
         {0x80, 0x00, 0x28, 0x01, 0, 0, 0, 0, 0, 0, 0, 0, 0},
         {0x80, 0, 0, 5, 8, 0x33, 0x02, 0x20, 0x4E, 0xF4, 0x01, 0, 0}},
        {"ENA",
         {0x81, 0x00, 0x28, 0x01, 0, 0, 0, 0, 0, 0, 0, 0, 0},
         {0x81, 0, 0, 5, 8, 0x33, 0x12, 0x20, 0x4E, 0xF4, 0x01, 0, 0}},
        // POS with a value is a move to that place; its answer repeats the target.
        {"set POS 300",
         {0x8B, 0x00, 0x28, 0x01, 4, 0x2C, 0x01, 0, 0, 0, 0, 0, 0},
         {0x8B, 0, 0, 5, 4, 0x2C, 0x01, 0, 0, 0, 0, 0, 0}},
    };
    for (const auto& s : steps) {
        SCOPED_TRACE(s.name);
        const auto answer = Ask(s.request);
        ASSERT_TRUE(answer);
        EXPECT_EQ(*answer, s.answer);
    }
    // At 20000 pps the 300 steps take 15 ms; get POS then answers where the motor stands.
    const Bytes getPos = {0x8B, 0x00, 0x28, 0x01, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    const Bytes at300 = {0x8B, 0, 0, 5, 4, 0x2C, 0x01, 0, 0, 0, 0, 0, 0};
    std::optional<Bytes> pos;
    for (int i = 0; i < 50 && pos != at300; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        pos = Ask(getPos);
        ASSERT_TRUE(pos);
    }
    EXPECT_EQ(pos, at300);
    // A set without the answer bit changes the value silently.
    ASSERT_TRUE(client->Send(Frame(0x72, {0x07, 0x00, 0x28, 0x01, 4, 0x10, 0x27, 0, 0, 0, 0, 0, 0})));
    EXPECT_EQ(Ask({0x87, 0x00, 0x28, 0x01, 0, 0, 0, 0, 0, 0, 0, 0, 0}),
              (Bytes{0x87, 0, 0, 5, 4, 0x10, 0x27, 0, 0, 0, 0, 0, 0}));
}

TEST_F(DeviceOverTcpTest, DiscoveryIsAnsweredByEveryNodeWithItsDiscoveryValue) {
    Serve("127.0.81.2",
          "node controller 3 serial=16909060\n"      // 0x01020304
          "node controller 70 serial=168496141\n"    // 0x0A0B0C0D
          "node io 8 serial=287454020\n"             // 0x11223344
          "node temperature 33 serial=2578103244\n"  // 0x99AABBCC
          "node rfid 100 serial=1432778632\n");      // 0x55667788
    // Node 127, control word 0xC0: I1 = 0x60 << 1, I2 = 0x1F << 3.
    ASSERT_TRUE(client->Send(Frame(0x72, {0xC0, 0xC0, 0xF8, 0x01, 0, 0, 0, 0, 0, 0, 0, 0, 0})));
    const std::vector<Bytes> expected = {
        {0x40, 0, 0, 3, 4, 0x04, 0x03, 0x02, 0x01, 0, 0, 0, 0},  // node 3
        {0x40, 0, 2, 6, 4, 0x0D, 0x0C, 0x0B, 0x0A, 0, 0, 0, 0},  // node 70 = 2 << 5 | 6
        {0x40, 0, 0, 8, 4, 0x44, 0x33, 0x22, 0x11, 0, 0, 0, 0},  // node 8
        {0x40, 0, 1, 1, 4, 0xCC, 0xBB, 0xAA, 0x99, 0, 0, 0, 0},  // node 33 = 1 << 5 | 1
        {0x40, 0, 3, 4, 4, 0x88, 0x77, 0x66, 0x55, 0, 0, 0, 0},  // node 100 = 3 << 5 | 4
    };
    EXPECT_EQ(Sorted(Gather(0x73)), Sorted(expected));
}

TEST_F(DeviceOverTcpTest, RefusedValuesAreReportedWithCommandAndCodeAndLeaveTheRegister) {
    Serve("127.0.81.3", "node controller 70\n");
    // Node 70 = 0x46: I1 = 0x40 << 1 = 0x80, I2 = 6 << 3 = 0x30; answers I2 = 2, I3 = 6.
    // Error report: control word 15, d0 0, d1 = refused command, d2 = code (2 out of range,
    // 1 unknown command).
    const Exchange refused[] = {
        {"MCS 3",
         {0x88, 0x80, 0x30, 0x01, 1, 3, 0, 0, 0, 0, 0, 0, 0},
         {0x0F, 0, 2, 6, 3, 0, 8, 2, 0, 0, 0, 0, 0}},
        {"CUR 0",
         {0x89, 0x80, 0x30, 0x01, 1, 0, 0, 0, 0, 0, 0, 0, 0},
         {0x0F, 0, 2, 6, 3, 0, 9, 2, 0, 0, 0, 0, 0}},
        {"ACR 101",
         {0x86, 0x80, 0x30, 0x01, 1, 101, 0, 0, 0, 0, 0, 0, 0},
         {0x0F, 0, 2, 6, 3, 0, 6, 2, 0, 0, 0, 0, 0}},
        {"QER 0",
         {0xB8, 0x80, 0x30, 0x01, 2, 0, 0, 0, 0, 0, 0, 0, 0},
         {0x0F, 0, 2, 6, 3, 0, 56, 2, 0, 0, 0, 0, 0}},
        {"command 5",
         {0x85, 0x80, 0x30, 0x01, 0, 0, 0, 0, 0, 0, 0, 0, 0},
         {0x0F, 0, 2, 6, 3, 0, 5, 1, 0, 0, 0, 0, 0}},
    };
    for (const auto& r : refused) {
        SCOPED_TRACE(r.name);
        const auto answer = Ask(r.request);
        ASSERT_TRUE(answer);
        EXPECT_EQ(*answer, r.answer);
    }
    // Nothing changed: MCS 16, CUR 10, ACR 0 in the status record.
    EXPECT_EQ(Ask({0x80, 0x80, 0x30, 0x01, 0, 0, 0, 0, 0, 0, 0, 0, 0}),
              (Bytes{0x80, 0, 2, 6, 8, 0xAF, 0x00, 0, 0, 0, 0, 0, 0}));
    // Without the answer bit the refusal is silent, and command 15 reads it back afterwards.
    ASSERT_TRUE(client->Send(Frame(0x72, {0x08, 0x80, 0x30, 0x01, 1, 3, 0, 0, 0, 0, 0, 0, 0})));
    EXPECT_FALSE(client->NextOf(0x73, 300));
    EXPECT_EQ(Ask({0x8F, 0x80, 0x30, 0x01, 0, 0, 0, 0, 0, 0, 0, 0, 0}),
              (Bytes{0x8F, 0, 2, 6, 3, 0, 8, 2, 0, 0, 0, 0, 0}));
}

TEST_F(DeviceOverTcpTest, CompletedMoveSendsItsNoticeUnaskedOnlyWhenEnabledInMcfg) {
    Serve("127.0.81.4", "node controller 5\n");
    const Exchange setup[] = {
        {"SPD 20000",
         {0x87, 0x00, 0x28, 0x01, 4, 0x20, 0x4E, 0, 0, 0, 0, 0, 0},
         {0x87, 0, 0, 5, 4, 0x20, 0x4E, 0, 0, 0, 0, 0, 0}},
        {"ENA",
         {0x81, 0x00, 0x28, 0x01, 0, 0, 0, 0, 0, 0, 0, 0, 0},
         {0x81, 0, 0, 5, 8, 0xAF, 0x10, 0x20, 0x4E, 0, 0, 0, 0}},
        {"STP 200",
         {0x8A, 0x00, 0x28, 0x01, 4, 0xC8, 0, 0, 0, 0, 0, 0, 0},
         {0x8A, 0, 0, 5, 4, 0xC8, 0, 0, 0, 0, 0, 0, 0}},
    };
    for (const auto& s : setup) {
        SCOPED_TRACE(s.name);
        EXPECT_EQ(Ask(s.request), s.answer);
    }
    // MCFG bit 4 is clear: the 10 ms move ends without a word.
    EXPECT_TRUE(Gather(0x73, 300).empty());

    // MCFG = 0x0010 (move-completed notice), then another 200 steps.
    EXPECT_EQ(Ask({0xAE, 0x00, 0x28, 0x01, 4, 0x10, 0, 0, 0, 0, 0, 0, 0}),
              (Bytes{0xAE, 0, 0, 5, 4, 0x10, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(Ask({0x8A, 0x00, 0x28, 0x01, 4, 0xC8, 0, 0, 0, 0, 0, 0, 0}),
              (Bytes{0x8A, 0, 0, 5, 4, 0xC8, 0, 0, 0, 0, 0, 0, 0}));
    // One notice 0x75 from node 5 with the position (400 = 0x190) in d0-d3, and nothing more.
    EXPECT_EQ(Gather(0x73), (std::vector<Bytes>{{0x75, 0, 0, 5, 4, 0x90, 0x01, 0, 0, 0, 0, 0, 0}}));
}

TEST_F(DeviceOverTcpTest, AddressChangeMovesTheNode) {
    Serve("127.0.81.5", "node controller 9 serial=305419896\n");  // 0x12345678
    // Node 9: I2 = 0x48. Addresses outside 1-125 are refused (ADR is command 51 = 0x33).
    EXPECT_EQ(Ask({0xB3, 0x00, 0x48, 0x01, 1, 0, 0, 0, 0, 0, 0, 0, 0}),
              (Bytes{0x0F, 0, 0, 9, 3, 0, 0x33, 2, 0, 0, 0, 0, 0}));
    EXPECT_EQ(Ask({0xB3, 0x00, 0x48, 0x01, 1, 126, 0, 0, 0, 0, 0, 0, 0}),
              (Bytes{0x0F, 0, 0, 9, 3, 0, 0x33, 2, 0, 0, 0, 0, 0}));

    // ADR 100: the answer (the status record) already comes from node 100 (I2 = 3, I3 = 4).
    EXPECT_EQ(Ask({0xB3, 0x00, 0x48, 0x01, 1, 100, 0, 0, 0, 0, 0, 0, 0}),
              (Bytes{0xB3, 0, 3, 4, 8, 0xAF, 0, 0, 0, 0, 0, 0, 0}));
    // Old id: silence.
    EXPECT_FALSE(Ask({0x80, 0x00, 0x48, 0x01, 0, 0, 0, 0, 0, 0, 0, 0, 0}, 300));
    // New id 100 = 0x64: I1 = 0x60 << 1 = 0xC0, I2 = 4 << 3 = 0x20.
    EXPECT_EQ(Ask({0x80, 0xC0, 0x20, 0x01, 0, 0, 0, 0, 0, 0, 0, 0, 0}),
              (Bytes{0x80, 0, 3, 4, 8, 0xAF, 0, 0, 0, 0, 0, 0, 0}));
    // Discovery finds it under the new id only.
    ASSERT_TRUE(client->Send(Frame(0x72, {0xC0, 0xC0, 0xF8, 0x01, 0, 0, 0, 0, 0, 0, 0, 0, 0})));
    EXPECT_EQ(Gather(0x73), (std::vector<Bytes>{{0x40, 0, 3, 4, 4, 0x78, 0x56, 0x34, 0x12, 0, 0, 0, 0}}));

    // Hosts send the new address with bit 7 set and no answer bit: 0x88 moves node 100 to 8.
    ASSERT_TRUE(client->Send(Frame(0x72, {0x33, 0xC0, 0x20, 0x01, 1, 0x88, 0, 0, 0, 0, 0, 0, 0})));
    EXPECT_TRUE(Gather(0x73, 300).empty());
    EXPECT_FALSE(Ask({0x80, 0xC0, 0x20, 0x01, 0, 0, 0, 0, 0, 0, 0, 0, 0}, 300));
    EXPECT_EQ(Ask({0x80, 0x00, 0x40, 0x01, 0, 0, 0, 0, 0, 0, 0, 0, 0}),
              (Bytes{0x80, 0, 0, 8, 8, 0xAF, 0, 0, 0, 0, 0, 0, 0}));
}

TEST_F(DeviceOverTcpTest, FirstGenerationNodesAnswerTheSerialNumberQueryToNodeZero) {
    Serve("127.0.81.6",
          "node controller1 21 serial=16909060\n"   // 0x01020304
          "node controller1 40 serial=287454020\n"  // 0x11223344
    );
    const Bytes serialQuery = {0x8C, 0x00, 0x00, 0x01, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    // Before protocol 30 is selected the request goes out in the second-generation layout,
    // which first-generation nodes do not take for theirs.
    ASSERT_TRUE(client->Send(Frame(0x72, serialQuery)));
    EXPECT_TRUE(Gather(0x73, 300).empty());

    // Protocol selection: node 1, control word 0xFE, d0 = 30; the gateway echoes 30.
    EXPECT_EQ(Ask({0xFE, 0x00, 0x08, 0x01, 2, 30, 0, 0, 0, 0, 0, 0, 0}),
              (Bytes{0x7E, 0, 0, 1, 1, 30, 0, 0, 0, 0, 0, 0, 0}));

    // Answers: command 12 without the answer bit, d0-d3 the serial number. Node 40 = 1 << 5 | 8.
    const std::vector<Bytes> expected = {
        {0x0C, 0, 0, 21, 4, 0x04, 0x03, 0x02, 0x01, 0, 0, 0, 0},
        {0x0C, 0, 1, 8, 4, 0x44, 0x33, 0x22, 0x11, 0, 0, 0, 0},
    };
    ASSERT_TRUE(client->Send(Frame(0x72, serialQuery)));
    EXPECT_EQ(Sorted(Gather(0x73)), expected);
    // The register-all form carries two zero data bytes and is answered the same way.
    ASSERT_TRUE(client->Send(Frame(0x72, {0x8C, 0x00, 0x00, 0x01, 2, 0, 0, 0, 0, 0, 0, 0, 0})));
    EXPECT_EQ(Sorted(Gather(0x73)), expected);

    // The same query as a 16-byte 0x49 message (zone, node, control word, length, extra word,
    // d0-d7) is answered in 0x49 frames: extra word = d0, data from byte 8.
    ASSERT_TRUE(client->Send(Frame(0x49, {0, 0, 0x8C, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0})));
    EXPECT_EQ(Sorted(Gather(0x49)), (std::vector<Bytes>{
                                        {0, 21, 0x0C, 4, 0x04, 0, 0, 0, 0x04, 0x03, 0x02, 0x01, 0, 0, 0, 0},
                                        {0, 40, 0x0C, 4, 0x44, 0, 0, 0, 0x44, 0x33, 0x22, 0x11, 0, 0, 0, 0},
                                    }));
}

}  // namespace
}  // namespace norvane::sim::test
