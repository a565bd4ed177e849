// The plot's logic without a display: the sampling grid, the worker under a fake clock, the
// quantities per device kind and their reads, the recording's rows and its writer.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <future>

#include "bench/core/file_text.h"
#include "bench/plot/quantity.h"
#include "bench/plot/record_csv.h"
#include "bench/plot/record_writer.h"
#include "bench/plot/sample_schedule.h"
#include "bench/plot/sampler.h"
#include "recording_sdk.h"

namespace norvane::bench::test {
namespace {

using namespace std::chrono_literals;
using TimePoint = SampleSchedule::TimePoint;

TEST(SampleSchedule, KeepsTheGridAndSkipsTheRoundsALateOneOverran) {
    struct Case {
        std::vector<int> endsMs;        // when each round ended, after start
        std::vector<int> dueMs;         // when the next round is then due
        std::vector<uint64_t> skipped;  // rounds skipped by each
    };
    const Case cases[] = {
        {{3, 52, 149}, {50, 100, 150}, {0, 0, 0}},  // short rounds: no drift from their length
        {{50, 100}, {50, 100}, {0, 0}},             // a round that ends just as the next is due
        {{51, 160}, {100, 200}, {1, 1}},            // late by a little: one round skipped
        {{10, 260}, {50, 300}, {0, 4}},             // one very slow round: four skipped, not run late
    };
    for (const Case& c : cases) {
        const TimePoint start{1000ms};
        SampleSchedule schedule(start, 50ms);
        EXPECT_EQ(schedule.Due(), start);
        for (size_t i = 0; i < c.endsMs.size(); ++i) {
            EXPECT_EQ(schedule.Advance(start + std::chrono::milliseconds(c.endsMs[i])), c.skipped[i]) << i;
            EXPECT_EQ(schedule.Due(), start + std::chrono::milliseconds(c.dueMs[i])) << i;
        }
    }
}

// Time moves only when the worker waits (to the deadline) or a read costs some.
class FakeClock : public SamplerClock {
public:
    TimePoint Now() override {
        std::lock_guard<std::mutex> lock(mutex_);
        return now_;
    }
    void Spend(std::chrono::milliseconds cost) {
        std::lock_guard<std::mutex> lock(mutex_);
        now_ += cost;
    }
    void WaitUntil(std::condition_variable& wake, std::unique_lock<std::mutex>& lock, TimePoint deadline,
                   const std::function<bool()>& stopped) override {
        if (waits_++ >= rounds_) {
            wake.wait(lock, stopped);  // enough rounds: hold still until stopped
            return;
        }
        std::lock_guard<std::mutex> own(mutex_);
        now_ = std::max(now_, deadline);
    }
    int rounds_ = 0;

private:
    std::mutex mutex_;
    TimePoint now_{};
    int waits_ = 0;  // the worker's thread only
};

TEST(Sampler, KeepsThePeriodAndCountsTheSamplesASlowReadMakesItMiss) {
    struct Case {
        std::chrono::milliseconds readCost;
        std::vector<int64_t> roundStartsMs;  // elapsed time of each round's first sample
        uint64_t missed;                     // reads of skipped rounds (two points a round)
    };
    const Case cases[] = {
        {10ms, {10, 60, 110, 160}, 0},      // 20 ms of reads in a 50 ms period
        {30ms, {30, 130, 230, 330}, 8},     // 60 ms a round: every other round skipped
        {100ms, {100, 300, 500, 700}, 24},  // 200 ms a round: three of four skipped
    };
    for (const Case& c : cases) {
        FakeClock clock;
        clock.rounds_ = 4;
        std::vector<Sample> got;
        std::promise<void> done;
        std::mutex gotLock;
        Sampler sampler(
            [&](int node, Quantity quantity) {
                clock.Spend(c.readCost);
                return node == 9 ? Reading{-1, std::nullopt}
                                 : Reading{1, double(quantity == Quantity::Speed)};
            },
            [&](std::vector<Sample>&& round) {
                std::lock_guard<std::mutex> lock(gotLock);
                got.insert(got.end(), round.begin(), round.end());
                if (got.size() == 8) done.set_value();
            },
            clock);
        sampler.Start({{5, Quantity::Position}, {9, Quantity::Speed}}, 50ms);
        ASSERT_EQ(done.get_future().wait_for(10s), std::future_status::ready);
        sampler.Stop();
        EXPECT_FALSE(sampler.Running());
        ASSERT_EQ(got.size(), 8u);
        for (size_t r = 0; r < 4; ++r) {
            EXPECT_EQ(got[2 * r].elapsedMs, c.roundStartsMs[r]) << c.readCost.count() << " ms, round " << r;
            EXPECT_EQ(got[2 * r].node, 5);
            EXPECT_EQ(got[2 * r].reading.value, 0.0);
            EXPECT_EQ(got[2 * r + 1].node, 9);
            EXPECT_EQ(got[2 * r + 1].reading.result, -1);
            EXPECT_FALSE(got[2 * r + 1].reading.value);
        }
        const SamplerTotals totals = sampler.Totals();
        EXPECT_EQ(totals.rounds, 4u);
        EXPECT_EQ(totals.samples, 8u);
        EXPECT_EQ(totals.failed, 4u);
        EXPECT_EQ(totals.missed, c.missed);
    }
}

TEST(Sampler, StopEndsAWorkerWaitingForItsNextRoundAndOneInTheMiddleOfARound) {
    // A real clock and a period far longer than the test: Stop must not wait for it.
    std::promise<void> reading;
    bool first = true;
    Sampler sampler(
        [&](int, Quantity) {
            if (std::exchange(first, false)) reading.set_value();
            std::this_thread::sleep_for(5ms);
            return Reading{1, 1.0};
        },
        [](std::vector<Sample>&&) {});
    sampler.Start({{1, Quantity::Position}, {2, Quantity::Position}, {3, Quantity::Position}}, 1h);
    reading.get_future().wait();
    const auto before = std::chrono::steady_clock::now();
    sampler.Stop();
    EXPECT_LT(std::chrono::steady_clock::now() - before, 1s);
    EXPECT_FALSE(sampler.Running());
    EXPECT_LE(sampler.Totals().samples, 3u);
}

TEST(Quantities, EachDeviceKindOffersItsOwnQuantities) {
    struct Case {
        uint32_t code;
        DeviceKind kind;
        std::string names;
    };
    const Case cases[] = {
        {0x1802, DeviceKind::Controller, "position,speed,encoder,enable,direction"},
        {0x5207, DeviceKind::IoModule,
         "inputs,analog1,analog2,analog3,analog4,analog5,analog6,analog7,analog8"},
        {0x5008, DeviceKind::IoModule,
         "inputs,analog1,analog2,analog3,analog4,analog5,analog6,analog7,analog8"},
        {0x5901, DeviceKind::TemperatureController, "temperature,ambient"},
        {0x5C01, DeviceKind::Other, ""},  // RFID reader: nothing to plot
    };
    for (const Case& c : cases) {
        EXPECT_EQ(KindOfDevice(c.code), c.kind) << std::hex << c.code;
        std::string names;
        for (Quantity q : QuantitiesOf(c.kind)) names += (names.empty() ? "" : ",") + NameOf(q);
        EXPECT_EQ(names, c.names);
        std::string error;
        if (!c.names.empty()) {
            EXPECT_EQ(ParseQuantityList(c.names, error), QuantitiesOf(c.kind)) << error;
        }
    }
    EXPECT_FALSE(Offers(DeviceKind::Controller, Quantity::Temperature));
    EXPECT_TRUE(Offers(DeviceKind::IoModule, Quantity::Analog8));
}

TEST(Quantities, AListWithAnUnknownEmptyOrRepeatedItemIsRefusedByName) {
    const std::pair<const char*, const char*> cases[] = {
        {"position,sped", "unknown quantity 'sped'"},
        {"", "unknown quantity ''"},
        {"position,,speed", "unknown quantity ''"},
        {"speed,", "unknown quantity ''"},
        {"speed,position,speed", "quantity 'speed' given twice"},
        {"Position", "unknown quantity 'Position'"},
    };
    for (const auto& [text, message] : cases) {
        std::string error;
        EXPECT_FALSE(ParseQuantityList(text, error)) << text;
        EXPECT_EQ(error, message);
    }
}

TEST(Quantities, EachReadAsksItsOwnCommandAndAFailedOneHasNoValue) {
    struct Case {
        Quantity quantity;
        std::string call;
        double value;
    };
    KymReply reply{};
    for (int i = 0; i < 14; ++i) reply.field[i] = 100 + i;
    // The temperature records: bytes 4 on of the first are state, ambient (2), set (2), measured
    // low; byte 4 of the second is measured high.
    KymReply first{}, second{};
    const uint8_t a[] = {1, 0xF6, 0xFF, 0, 0, 0xC7}, b[] = {0x01};
    std::memcpy(reinterpret_cast<uint8_t*>(&first) + 4, a, sizeof a);
    std::memcpy(reinterpret_cast<uint8_t*>(&second) + 4, b, sizeof b);
    const Case cases[] = {
        {Quantity::Position, "GetPOS(4096,5,&r)", 100},
        {Quantity::Speed, "GetSPD(4096,5,&r)", 100},
        {Quantity::EncoderPosition, "GetQEC(4096,5,&r)", 100},
        {Quantity::Enable, "KymFBK(4096,5,&r)", 101},
        {Quantity::Direction, "KymFBK(4096,5,&r)", 102},
        {Quantity::DigitalInputs, "GetDVAInfo(4096,5,&r)", 100},
        {Quantity::Analog1, "GetAVAInfo(4096,5,[1],1,&r)", 101},
        {Quantity::Analog8, "GetAVAInfo(4096,5,[80],1,&r)", 108},
        {Quantity::AmbientTemperature, "GetDMA(4096,5,0,&r)", -1.0},
        {Quantity::Temperature, "GetDMA(4096,5,0,&r)", 45.5},  // 0x01C7 = 455 tenths
    };
    for (const Case& c : cases) {
        RecordingSdk sdk;
        sdk.reply = reply;
        // GetDMA answers the first record for address 0 and the second for address 6.
        bool dmaFirst = true;
        sdk.onCall = [&](const std::string& call) {
            if (call.rfind("GetDMA", 0) == 0)
                sdk.replyOf["GetDMA"] = std::exchange(dmaFirst, false) ? second : first;
        };
        sdk.replyOf["GetDMA"] = first;
        const Reading ok = ReadQuantity(sdk.table, 4096, 5, c.quantity);
        ASSERT_FALSE(sdk.Calls().empty());
        EXPECT_EQ(sdk.Calls().front(), c.call);
        EXPECT_EQ(ok.result, 1);
        EXPECT_EQ(ok.value, c.value) << NameOf(c.quantity);
        for (int32_t result : {0, -1, -7}) {
            sdk.result = result;
            const Reading failed = ReadQuantity(sdk.table, 4096, 5, c.quantity);
            EXPECT_EQ(failed.result, result);
            EXPECT_FALSE(failed.value) << NameOf(c.quantity);
        }
    }
}

Sample At(int64_t ms, int node, Quantity q, Reading r) {
    Sample s;
    s.time = std::chrono::system_clock::time_point(std::chrono::milliseconds(1796930319000 + ms));
    s.elapsedMs = ms;
    s.node = node;
    s.quantity = q;
    s.reading = r;
    return s;
}

TEST(RecordCsv, RowsCarryTheTimeTheNodeTheQuantityTheValueAndTheResult) {
    const std::pair<Sample, std::string> cases[] = {
        {At(0, 5, Quantity::Position, {1, 1200}), "2026-12-10T19:18:39.000Z,0,5,position,1200,1\r\n"},
        {At(1234, 125, Quantity::Speed, {1, -300}), "2026-12-10T19:18:40.234Z,1234,125,speed,-300,1\r\n"},
        {At(50, 7, Quantity::Temperature, {1, 45.5}), "2026-12-10T19:18:39.050Z,50,7,temperature,45.5,1\r\n"},
        // A failed read: its result and no value, never a made-up one.
        {At(999, 5, Quantity::Position, {0, std::nullopt}), "2026-12-10T19:18:39.999Z,999,5,position,,0\r\n"},
        {At(1000, 5, Quantity::Enable, {-1, std::nullopt}), "2026-12-10T19:18:40.000Z,1000,5,enable,,-1\r\n"},
    };
    EXPECT_EQ(RecordHeader(), "time,elapsed_ms,node,quantity,value,result\r\n");
    for (const auto& [sample, row] : cases) EXPECT_EQ(RecordRow(sample), row);
    EXPECT_EQ(IsoTime(std::chrono::system_clock::time_point(-1ms)), "1969-12-31T23:59:59.999Z");
}

TEST(RecordCsv, FieldsWithSeparatorsQuotesOrLineBreaksAreQuoted) {
    const std::pair<const char*, const char*> cases[] = {
        {"plain", "plain"},
        {"", ""},
        {"a,b", "\"a,b\""},
        {"say \"hi\"", "\"say \"\"hi\"\"\""},
        {"two\nlines", "\"two\nlines\""},
        {"cr\r", "\"cr\r\""},
    };
    for (const auto& [text, field] : cases) EXPECT_EQ(CsvField(text), field);
}

class RecordWriterTest : public ::testing::Test {
protected:
    void SetUp() override {
        path_ =
            (std::filesystem::temp_directory_path() / ("kestrin_record_" + std::to_string(getpid()) + ".csv"))
                .string();
    }
    void TearDown() override { std::filesystem::remove(path_); }
    std::string path_;
};

TEST_F(RecordWriterTest, WritesEveryQueuedRowBeforeClosingAndCountsWhatDidNotFit) {
    struct Case {
        size_t capacity;
        size_t pushed;
        uint64_t dropped;
    };
    for (const Case& c : {Case{64, 10, 0}, Case{4, 10, 6}}) {
        RecordWriter writer(c.capacity);
        std::string error;
        ASSERT_TRUE(writer.Open(path_, error)) << error;
        std::vector<Sample> batch;
        for (size_t i = 0; i < c.pushed; ++i)
            batch.push_back(At(static_cast<int64_t>(i), 3, Quantity::Speed, {1, double(i)}));
        writer.Push(batch);  // one push larger than the queue: the rest is dropped at once
        EXPECT_TRUE(writer.Close());
        EXPECT_EQ(writer.Dropped(), c.dropped);
        EXPECT_EQ(writer.Written(), c.pushed - c.dropped);
        std::string expected = RecordHeader();
        for (size_t i = 0; i < c.pushed - c.dropped; ++i) expected += RecordRow(batch[i]);
        EXPECT_EQ(ReadFileText(path_), expected);
        writer.Push(batch);  // after the close: nothing, no crash
        EXPECT_EQ(writer.Written(), c.pushed - c.dropped);
    }
}

TEST_F(RecordWriterTest, AFileThatCannotBeCreatedIsAClearErrorAndAFullDiskIsReported) {
    RecordWriter writer;
    std::string error;
    EXPECT_FALSE(writer.Open("/nonexistent-folder/x.csv", error));
    EXPECT_EQ(error, "/nonexistent-folder/x.csv: No such file or directory");
    EXPECT_FALSE(writer.IsOpen());
    EXPECT_TRUE(writer.Close());
    if (!std::filesystem::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
    // The header is flushed at the open, so a full device refuses the file at once.
    EXPECT_FALSE(writer.Open("/dev/full", error));
    EXPECT_EQ(error, "/dev/full: No space left on device");
}

}  // namespace
}  // namespace norvane::bench::test
