// The traffic log's pure parts: bus identifiers per generation and direction (hand-computed from
// the identifier layouts), interface names, candump lines and the settings' text.
#include "sdk/core/traffic_line.h"

#include <gtest/gtest.h>

#include "sdk/core/sdk_settings.h"

namespace norvane::sdk {
namespace {

KymCanMsg Message(uint8_t node, uint8_t controlWord, std::initializer_list<uint8_t> data) {
    KymCanMsg m{};
    m.node = node;
    m.controlWord = controlWord;
    m.length = static_cast<uint8_t>(data.size());
    std::copy(data.begin(), data.end(), m.data);
    return m;
}

struct IdCase {
    uint8_t node, controlWord;
    bool sent, firstGen;
    uint32_t identifier;
};

TEST(TrafficLine, IdentifiersOfBothGenerationsAndDirections) {
    const IdCase cases[] = {
        {5, 0x81, true, false, 0x05080081},     // second-gen request: node 0-4 at 24-28, bit 19
        {100, 0x87, true, false, 0x04086087},   // node bits 5-6 at 13-14
        {127, 0xC0, true, false, 0x1F0FE0C0},   // everyone: the discovery identifier
        {5, 0x81, false, false, 0x00280081},    // second-gen answer: node 0-4 at 19-23
        {100, 0x87, false, false, 0x00200387},  // node bits 5-7 at 8-10
        {5, 0x8B, true, true, 0x0028008B},      // first-gen request: node 0-4 at 19-23
        {100, 0x8B, true, true, 0x0020C08B},    // node bits 5-6 at 14-15
        {5, 0x8B, false, true, 0x0500008B},     // first-gen answer: node 0-4 at 24-28
        {100, 0x8B, false, true, 0x0403008B},   // node bits 5-6 at 16-17
    };
    for (const IdCase& c : cases) {
        const KymCanMsg m = Message(c.node, c.controlWord, {1, 2});
        const BusFrame frame = c.sent ? SentBusFrame(m, c.firstGen) : ReceivedBusFrame(m, c.firstGen);
        EXPECT_EQ(frame.identifier, c.identifier) << int{c.node} << " " << c.sent << c.firstGen;
        EXPECT_EQ(frame.length, 2);
    }
}

TEST(TrafficLine, InterfaceNamesAndLines) {
    char name[32];
    const struct {
        uint32_t handle;
        TrafficDirection direction;
        const char* expected;
    } names[] = {{0x1001, TrafficDirection::Sent, "eth-1-tx"},
                 {0x810, TrafficDirection::Received, "pci-16-rx"},
                 {0x200001, TrafficDirection::Sent, "ethv1-1-tx"},
                 {0x800002, TrafficDirection::Received, "zone-2-rx"},
                 {0x4000, TrafficDirection::Sent, "gw-0-tx"}};
    for (const auto& c : names) {
        TrafficInterfaceName(c.handle, c.direction, name, sizeof name);
        EXPECT_STREQ(name, c.expected);
    }
    EXPECT_EQ(TrafficInterfaceName(0x1001, TrafficDirection::Sent, name, 4), 3u);
    EXPECT_STREQ(name, "eth");

    char line[kMaxCandumpLine];
    BusFrame frame;
    frame.identifier = 0x00280081;
    frame.length = 2;
    frame.data[0] = 0x01;
    frame.data[1] = 0xAB;
    EXPECT_EQ(std::string(line, CandumpLine(1700000000123456, "eth-1-rx", frame, line, sizeof line)),
              "(1700000000.123456) eth-1-rx 00280081#01AB\n");
    frame.length = 0;
    EXPECT_EQ(std::string(line, CandumpLine(7, "x", frame, line, sizeof line)), "(0.000007) x 00280081#\n");
    EXPECT_EQ(CandumpLine(7, "x", frame, line, 10), 0u);  // does not fit
    frame.remote = true;                                  // a raw record a host sent may be any kind of frame
    EXPECT_EQ(std::string(line, CandumpLine(7, "x", frame, line, sizeof line)), "(0.000007) x 00280081#R\n");
    frame = BusFrame{0x123, 1, {0xAB}, false};
    EXPECT_EQ(std::string(line, CandumpLine(7, "x", frame, line, sizeof line)), "(0.000007) x 123#AB\n");
}

TEST(SdkSettings, PausesAndKeyLines) {
    const struct {
        const char* text;
        std::optional<uint32_t> all;
        uint32_t eth, zone;  // 99: not set
    } pauses[] = {{"0", 0, 99, 99},
                  {" 5 ", 5, 99, 99},
                  {"eth:0", {}, 0, 99},
                  {"eth:0, zone:3", {}, 0, 3},
                  {"ethv1:1,eth:2", {}, 2, 99}};
    for (const auto& c : pauses) {
        const auto parsed = ParseSendPauses(c.text);
        ASSERT_TRUE(parsed) << c.text;
        EXPECT_EQ(parsed->all, c.all) << c.text;
        EXPECT_EQ(parsed->byKind.contains(16) ? parsed->byKind.at(16) : 99, c.eth) << c.text;
        EXPECT_EQ(parsed->byKind.contains(32768) ? parsed->byKind.at(32768) : 99, c.zone) << c.text;
    }
    for (const char* bad : {"", "x", "-1", "1001", "eth", "eth:", "wifi:2", "eth:2,", "2ms", "eth:1:2"}) {
        EXPECT_FALSE(ParseSendPauses(bad)) << bad;
    }

    const SdkSettings s = ParseSdkParameterText("1\r\nCanLog = bus.log\nSendPauseMs=eth:0\nOther=3\n", "/d/");
    EXPECT_EQ(s.canLog, "/d/bus.log");
    ASSERT_TRUE(s.pauses);
    EXPECT_EQ(s.pauses->byKind.at(16), 0u);
    EXPECT_EQ(ParseSdkParameterText("CanLog=/abs/x.log\nSendPauseMs=fast\n", "/d/").canLog, "/abs/x.log");
    EXPECT_FALSE(ParseSdkParameterText("SendPauseMs=fast\n", "/d/").pauses);
    EXPECT_EQ(ParseSdkParameterText("1\n", "/d/").canLog, "");

    EXPECT_EQ(ParseSdkParameterText("AnswerSpinUs = 150\n", "/d/").answerSpinUs, 150u);
    for (const char* bad :
         {"AnswerSpinUs=10001\n", "AnswerSpinUs=-5\n", "AnswerSpinUs=1ms\n", "AnswerSpinUs=\n"}) {
        EXPECT_FALSE(ParseSdkParameterText(bad, "/d/").answerSpinUs) << bad;
    }

    SetSendPauses(*ParseSendPauses("eth:0"));
    EXPECT_EQ(SendPauseMs(16, 2), 0u);
    EXPECT_EQ(SendPauseMs(32768, 2), 2u);
    SetSendPauses(*ParseSendPauses("7"));
    EXPECT_EQ(SendPauseMs(32768, 2), 7u);
    SetSendPauses({});
    EXPECT_EQ(SendPauseMs(16, 2), 2u);
}

}  // namespace
}  // namespace norvane::sdk
