// Traffic recording of what a host sends as it stands on a PCI channel: raw messages (framed with
// the first-generation identifier layout whatever the port's generation), raw frame records of
// every kind, and first-generation requests. Each shows in the log as the frame the bus carried,
// and counts as a unit sent.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "doubles/candump_log.h"
#include "pci_bench.h"
#include "sdk/core/traffic_recorder.h"

namespace norvane::pci::test {
using norvane::testing::LineCount;
namespace {

// "ID#DATA" of the log's lines sent through the port, from line `skip` on.
std::vector<std::string> LoggedSent(const std::string& path, size_t skip) {
    std::vector<std::string> frames;
    for (const auto& line : norvane::testing::ReadCandumpLog(path, skip)) {
        if (line.iface.ends_with("-tx")) frames.push_back(line.frame);
    }
    return frames;
}

// "ID#DATA" of the frames the card put on the bus.
std::vector<std::string> OnBus(const sim::VirtualBus& bus) {
    std::vector<std::string> frames;
    for (const sim::TrafficEntry& entry : bus.Traffic()) {
        if (entry.direction != sim::Direction::FromGateway) continue;
        const std::string line = sim::CandumpLine(0, "bus", entry.frame);
        frames.push_back(line.substr(line.rfind(' ') + 1));
    }
    return frames;
}

std::vector<uint8_t> Record(uint32_t identifier, bool extended, bool remote, std::vector<uint8_t> data) {
    KymCanFrame record{};
    record.identifier = identifier;
    record.extended = extended ? 1 : 0;
    record.remote = remote ? 1 : 0;
    record.length = static_cast<uint8_t>(data.size());
    std::copy(data.begin(), data.end(), record.data);
    std::vector<uint8_t> bytes(sizeof record);
    std::memcpy(bytes.data(), &record, sizeof record);
    return bytes;
}

class PciRecording : public ::testing::Test {
protected:
    void TearDown() override {
        sdk::TrafficRecorder::Global().Configure("");
        unlink(path.c_str());
    }
    // Runs each send on an open channel and expects the log's sent lines to be the bus's frames.
    void ExpectLoggedAsOnBus(uint32_t handle, sim::VirtualBus& bus,
                             const std::vector<std::pair<const char*, std::function<int()>>>& sends) {
        for (const auto& [name, send] : sends) {
            ASSERT_TRUE(sdk::TrafficRecorder::Global().Flush(2000));
            const size_t mark = LineCount(path);
            ASSERT_EQ(NvResetPortCounters(handle), 1);
            bus.ClearTraffic();
            EXPECT_EQ(send(), 1) << name;
            for (int i = 0; i < 100 && OnBus(bus).empty(); ++i) usleep(10000);
            ASSERT_TRUE(sdk::TrafficRecorder::Global().Flush(2000));
            const std::vector<std::string> sent = LoggedSent(path, mark);
            EXPECT_EQ(sent, OnBus(bus)) << name;
            EXPECT_EQ(sent.size(), 1u) << name;
            KymPortCounters counters{};
            ASSERT_EQ(NvGetPortCounters(handle, &counters), 1);
            EXPECT_EQ(counters.requestsSent, 1u) << name;
        }
    }
    const std::string path = "/tmp/norvane-pci-recording-" + std::to_string(getpid()) + ".log";
};

TEST_F(PciRecording, RawMessagesAndFrameRecordsAreLoggedAsTheBusCarriedThem) {
    PciBench bench;
    sim::VirtualBus& bus = bench.Channel(0, 0, 1000000, {5});
    bench.Channel(0, 1, 1000000, {6});
    ASSERT_TRUE(bench.Start());
    ASSERT_EQ(SearchDevice(8, nullptr), 2);
    uint32_t ids[126] = {};
    ASSERT_EQ(OpenGateway(0x800, ids, 126, nullptr), 1);
    sdk::TrafficRecorder::Global().Configure(path);
    auto raw = [&](std::vector<uint8_t> record) {
        return [&bench, record] { return bench.gateway->SendRaw(0x800, record.data(), int(record.size())); };
    };
    ExpectLoggedAsOnBus(0x800, bus,
                        {{"raw message",
                          [] {
                              KymCanMsg message{};
                              message.node = 5;
                              message.controlWord = 0x07;  // no answer asked
                              message.length = 2;
                              message.data[0] = 0x12, message.data[1] = 0x34;
                              int32_t count = 0;
                              return NvSendSingleCANCmd(0x800, &message, nullptr, 0, &count);
                          }},
                         {"extended record", raw(Record(0x05080007, true, false, {1, 2, 3}))},
                         {"standard record", raw(Record(0x123, false, false, {0xAB}))},
                         {"remote record", raw(Record(0x05080007, true, true, {}))}});
    EXPECT_EQ(CloseGateway(0x800), 1);
}

TEST_F(PciRecording, FirstGenerationSetsAndGetsAreLogged) {
    PciBench bench(2048);
    sim::VirtualBus& bus = bench.Channel(0, 0, 1000000, {5}, true);
    bench.Channel(0, 1, 1000000, {6}, true);  // answers at once: an empty channel costs failed sends
    ASSERT_TRUE(bench.Start());
    KymDevInfo infos[2] = {};
    ASSERT_EQ(SearchGateway(8 | 2048, nullptr, infos, 2), 2);
    KymNodeRecord records[126] = {};
    ASSERT_EQ(OpenGateWay(0x80000, records, 126, nullptr), 1);
    sdk::TrafficRecorder::Global().Configure(path);
    int32_t setting = 5;
    KymReply reply{};
    // Without the answer bit: one frame each way at most, and the set returns once sent.
    ExpectLoggedAsOnBus(0x80000, bus,
                        {{"set", [&] { return SingleCommandSet(0x80000, 5, 1, 6, &setting, 0, &reply); }},
                         {"get", [&] { return SingleCommandGet(0x80000, 5, 12, 0, &reply); }}});
    EXPECT_EQ(CloseGateWay(0x80000), 1);
}

}  // namespace
}  // namespace norvane::pci::test
