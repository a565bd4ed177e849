// Traffic recording through every gateway kind: with NORVANE_CANLOG set, the frames of the
// commands a host sends, and of the command texts and packets it hands over as they stand, appear
// in the SDK's log exactly as on the simulator's bus, in the same order per direction ("-tx" lines are the
// frames the gateway put on the bus, "-rx" lines the nodes' frames).
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "contract_transport.h"
#include "doubles/candump_log.h"
#include "norvane/NorvaneFunc.h"
#include "sdk/core/traffic_recorder.h"

namespace norvane::contract {
using norvane::testing::LineCount;
namespace {

constexpr uint32_t kEna = 1, kSpd = 7;

// Serial answers carry a node's value, not its frame: the log shows the value's bytes (four for a
// 32-bit value), so trailing zero bytes are not compared.
std::string WithoutZeroTail(std::string frame) {
    while (frame.ends_with("00") && frame.size() > frame.find('#') + 1) frame.resize(frame.size() - 2);
    return frame;
}

struct Frames {
    std::vector<std::string> sent, received;
};

// "ID#DATA" of each line after the first skip lines, split by the interface's direction.
Frames SdkFrames(const std::string& path, size_t skip, std::string* iface) {
    Frames frames;
    for (const auto& line : norvane::testing::ReadCandumpLog(path, skip)) {
        *iface = line.iface.substr(0, line.iface.size() - 3);
        (line.iface.ends_with("-tx") ? frames.sent : frames.received).push_back(WithoutZeroTail(line.frame));
    }
    return frames;
}

// The same frames from the simulator's bus log lines.
Frames BusFrames(const sim::VirtualBus& bus) {
    Frames frames;
    for (const sim::TrafficEntry& entry : bus.Traffic()) {
        const std::string line = sim::CandumpLine(0, "bus", entry.frame);
        const std::string frame = line.substr(line.rfind(' ') + 1);
        (entry.direction == sim::Direction::FromGateway ? frames.sent : frames.received)
            .push_back(WithoutZeroTail(frame));
    }
    return frames;
}

// What a host hands over as it stands (SendRS232CmdStr), by gateway: command texts on an RS-232
// line, a command packet on a UART line, with free text between them that counts as sent but is
// no command; and the frames the gateway makes of them. Nothing where the gateway takes none.
struct RawUnits {
    std::string bytes;
    size_t frames = 0;
};
RawUnits RawUnitsFor(const std::string& gateway) {
    const auto packet = [](uint8_t node, uint8_t controlWord, std::vector<uint8_t> data) {
        std::string bytes(12, '\0');
        bytes[0] = static_cast<char>(data.size()), bytes[1] = static_cast<char>(node);
        bytes[2] = static_cast<char>(controlWord);
        std::copy(data.begin(), data.end(), bytes.begin() + 3);
        return bytes;
    };
    if (gateway == "Rs232") return {"{ADR=5;{SPD-99;}}junk;{ADR=9;{STP2000;}}", 2};
    if (gateway == "Rs232FirstGen") return {"{*9;pp[3]43;}junk;{*5;pp[3]7;}", 2};
    if (gateway == "Uart") return {packet(5, kSpd, {0xD2, 0x04, 0, 0}) + "junk;", 1};
    if (gateway == "UartFirstGen") return {packet(9, kEna, {3, 43}) + "junk;", 1};
    return {};
}

// Sends the gateway's raw units and waits until their frames are on the bus (after sentBefore).
void SendRawUnits(uint32_t handle, const std::string& gateway, const sim::VirtualBus& bus,
                  size_t sentBefore) {
    const RawUnits raw = RawUnitsFor(gateway);
    if (raw.bytes.empty()) return;
    ASSERT_EQ(SendRS232CmdStr(handle, raw.bytes.data(), int32_t(raw.bytes.size())),
              int32_t(raw.bytes.size()));
    for (int i = 0; i < 200 && BusFrames(bus).sent.size() < sentBefore + raw.frames; ++i) usleep(10000);
}

// Recording into a log of this process while the test runs; switched off and removed after it.
template <typename Case>
class LogTest : public ::testing::TestWithParam<Case> {
protected:
    void SetUp() override {
        path = "/tmp/norvane-recording-" + std::to_string(getpid()) + ".log";
        setenv("NORVANE_CANLOG", path.c_str(), 1);
    }
    void TearDown() override {
        unsetenv("NORVANE_CANLOG");
        sdk::TrafficRecorder::Global().Configure("");
        unlink(path.c_str());
    }
    std::string path;
};
using Recording = LogTest<TransportCase>;

TEST_P(Recording, LogHoldsTheBusFramesInOrderPerDirection) {
    auto transport = GetParam().make(static_cast<uint8_t>(200 + getpid() % 50));
    std::string error;
    ASSERT_TRUE(transport->Start(error)) << error;
    std::vector<uint32_t> params = transport->SearchParams();
    KymDevInfo infos[5] = {};
    ASSERT_EQ(SearchGateway(transport->SearchMask(), params.data(), infos, 5), transport->ExpectedPorts());
    const uint32_t handle = transport->ExpectedHandle();
    uint32_t ids[126] = {};
    int32_t rate = 0;
    ASSERT_EQ(OpenGateway(handle, ids, 126, &rate), 3);

    // From here on the host's commands are all that crosses the bus.
    ASSERT_TRUE(sdk::TrafficRecorder::Global().Flush(2000));
    const size_t mark = LineCount(path);
    transport->Bus()->ClearTraffic();
    KymReply reply{};
    for (int32_t speed : {1234, -4321, 77}) {
        ASSERT_EQ(SingleCommandSet(handle, 5, kSpd, 0, &speed, 1, &reply), 1);
    }
    ASSERT_EQ(SingleCommandGet(handle, 9, kSpd, 0, &reply), 1);
    int32_t on = 1;
    ASSERT_EQ(SetgSPD(handle, 500), 1);  // a global command, on the bus before the next answer
    ASSERT_EQ(SingleCommandSet(handle, 7, kEna, 0, &on, 1, &reply), 1);
    SendRawUnits(handle, GetParam().name, *transport->Bus(), 6);
    ASSERT_TRUE(sdk::TrafficRecorder::Global().Flush(2000));
    const Frames bus = BusFrames(*transport->Bus());
    std::string iface;
    const Frames sdk = SdkFrames(path, mark, &iface);
    if (GetParam().name == "Uart") {
        // A CAN identifier handed over is sent as a text and logged as the identifier's frame,
        // though the UART gateway takes texts only as its probes.
        const size_t before = LineCount(path);
        ASSERT_GT(SendSingleCANCmd(handle, 0x0508008B), 0);
        ASSERT_TRUE(sdk::TrafficRecorder::Global().Flush(2000));
        EXPECT_EQ(SdkFrames(path, before, &iface).sent, std::vector<std::string>{"0508008B#"});
    }
    CloseGateway(handle);

    EXPECT_EQ(sdk.sent, bus.sent);
    EXPECT_EQ(sdk.received, bus.received);
    EXPECT_EQ(bus.sent.size(), 6u + RawUnitsFor(GetParam().name).frames);
    EXPECT_EQ(sdk::TrafficRecorder::Global().Dropped(), 0u);
    EXPECT_EQ(iface, GetParam().name == "PciChannel"   ? "pci-0"
                     : GetParam().name == "Rs232"      ? "rs232-0"
                     : GetParam().name == "Uart"       ? "uart-0"
                     : GetParam().name == "UsbAdapter" ? "usb-0"
                                                       : "eth-1");
}

INSTANTIATE_TEST_SUITE_P(
    Gateways, Recording,
    ::testing::Values(
        TransportCase{"Ethernet", [](uint8_t n) { return MakeEthernetTransport(91, n, false); }},
        TransportCase{"EthernetSerialFraming", [](uint8_t n) { return MakeEthernetTransport(92, n, true); }},
        TransportCase{"Rs232", [](uint8_t) { return MakeRs232Transport(5); }},
        TransportCase{"PciChannel", [](uint8_t n) { return MakePciTransport(n); }},
        TransportCase{"Uart", [](uint8_t) { return MakeUartTransport(6); }},
        TransportCase{"UsbAdapter", [](uint8_t n) { return MakeUsbTransport(n); }}),
    [](const ::testing::TestParamInfo<TransportCase>& info) { return info.param.name; });

// The same through the first-generation exports: requests with and without an answer, a get.
struct FirstGenCase {
    std::string name;
    std::function<std::unique_ptr<FirstGenRig>(uint8_t testOctet)> make;
    uint32_t searchHandle, handle;
    std::string iface;
};
void PrintTo(const FirstGenCase& c, std::ostream* out) {
    *out << c.name;
}

using FirstGenRecording = LogTest<FirstGenCase>;

TEST_P(FirstGenRecording, LogHoldsTheBusFramesInOrderPerDirection) {
    auto rig = GetParam().make(static_cast<uint8_t>(200 + getpid() % 50));
    std::string error;
    ASSERT_TRUE(rig->Start(error)) << error;
    KymSearchRecord found[5] = {};
    ASSERT_EQ(rig->Search(found), 1);
    KymNodeRecord records[126] = {};
    uint32_t rate = 0;
    ASSERT_EQ(OpenGateWay(GetParam().searchHandle, records, 126, &rate), 3);

    ASSERT_TRUE(sdk::TrafficRecorder::Global().Flush(2000));
    const size_t mark = LineCount(path);
    rig->Bus().ClearTraffic();
    const uint32_t handle = GetParam().handle;
    KymReply reply{};
    ASSERT_EQ(SetPP(handle, 9, 3, 42, 0, nullptr), 1);  // on the bus before the next answer
    ASSERT_EQ(SetPP(handle, 5, 3, 21, 1, &reply), 1);
    ASSERT_EQ(GetPP(handle, 9, 3, &reply), 1);
    SendRawUnits(handle, GetParam().name, rig->Bus(), 3);
    ASSERT_TRUE(sdk::TrafficRecorder::Global().Flush(2000));
    const Frames bus = BusFrames(rig->Bus());
    CloseGateWay(GetParam().searchHandle);

    std::string iface;
    const Frames sdk = SdkFrames(path, mark, &iface);
    EXPECT_EQ(sdk.sent, bus.sent);
    EXPECT_EQ(sdk.received, bus.received);
    EXPECT_EQ(bus.sent.size(), 3u + RawUnitsFor(GetParam().name).frames);
    EXPECT_EQ(iface, GetParam().iface);
}

INSTANTIATE_TEST_SUITE_P(
    Gateways, FirstGenRecording,
    ::testing::Values(FirstGenCase{"Rs232FirstGen", [](uint8_t) { return MakeSerialFirstGenRig(false, 7); },
                                   0x10000, 0x10000, "rs232v1-0"},
                      FirstGenCase{"UartFirstGen", [](uint8_t) { return MakeSerialFirstGenRig(true, 8); },
                                   0x400000, 0x2000, "uartv1-0"},
                      FirstGenCase{"UsbFirstGen", [](uint8_t n) { return MakeUsbFirstGenRig(n); }, 0x100000,
                                   0x100000, "usbv1-0"}),
    [](const ::testing::TestParamInfo<FirstGenCase>& info) { return info.param.name; });

}  // namespace
}  // namespace norvane::contract
