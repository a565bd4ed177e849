// The monitor worker: it reads speed, displacement and position (or the encoder position with
// QEM set) of one node each interval; stopping while a read is in flight waits for that read and
// joins the worker; it starts again afterwards.
#include "bench/panel/monitor_worker.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <condition_variable>
#include <future>

#include "bench/core/current_node.h"
#include "recording_sdk.h"

namespace norvane::bench::test {
namespace {

struct Readings {
    std::mutex mutex;
    std::condition_variable changed;
    std::vector<MonitorReading> seen;
    void Add(const MonitorReading& r) {
        std::lock_guard<std::mutex> lock(mutex);
        seen.push_back(r);
        changed.notify_all();
    }
    bool WaitFor(size_t count) {
        std::unique_lock<std::mutex> lock(mutex);
        return changed.wait_for(lock, std::chrono::seconds(10), [&] { return seen.size() >= count; });
    }
};

TEST(MonitorWorkerTest, ReadsPositionOrEncoderByTheCachedMcfg) {
    RecordingSdk sdk;
    sdk.reply.field[0] = 77;
    CurrentNode current;
    Readings readings;
    MonitorWorker worker(
        sdk.table, [&] { return current.McfgHas(mcfg::kEncoderPosition); },
        [&](const MonitorReading& r) { readings.Add(r); });
    worker.Configure(0x1000, 5, 1);
    worker.Start();
    ASSERT_TRUE(readings.WaitFor(1));
    worker.Stop();
    EXPECT_FALSE(worker.Running());
    EXPECT_THAT(sdk.Calls(),
                ::testing::IsSupersetOf({"GetSPD(4096,5,&r)", "GetSTP(4096,5,&r)", "GetPOS(4096,5,&r)"}));
    EXPECT_FALSE(readings.seen.front().byEncoder);

    current.SetMcfg(mcfg::kEncoderPosition);
    sdk.ClearCalls();
    const size_t before = readings.seen.size();  // the worker is stopped: no writer
    worker.Start();                              // restart after a stop
    ASSERT_TRUE(readings.WaitFor(before + 1));
    worker.Stop();
    EXPECT_THAT(sdk.Calls(), ::testing::Contains("GetQEC(4096,5,&r)"));
    EXPECT_THAT(sdk.Calls(), ::testing::Not(::testing::Contains("GetPOS(4096,5,&r)")));
}

TEST(MonitorWorkerTest, StopWaitsForTheReadInFlightAndJoins) {
    RecordingSdk sdk;
    std::promise<void> entered, release;
    std::shared_future<void> released = release.get_future().share();
    std::atomic<bool> first{true};
    sdk.onCall = [&](const std::string& call) {
        if (call.rfind("GetSPD", 0) == 0 && first.exchange(false)) {
            entered.set_value();
            released.wait();
        }
    };
    CurrentNode current;
    Readings readings;
    MonitorWorker worker(
        sdk.table, [&] { return current.McfgHas(mcfg::kEncoderPosition); },
        [&](const MonitorReading& r) { readings.Add(r); });
    worker.Configure(0x1000, 5, 0);
    worker.Start();
    entered.get_future().wait();
    // The stop asks under the panel lock, which the worker holds for its read: it completes
    // once the read is answered.
    auto stopping = std::async(std::launch::async, [&] { worker.Stop(); });
    EXPECT_EQ(stopping.wait_for(std::chrono::milliseconds(50)), std::future_status::timeout);
    release.set_value();
    stopping.get();
    EXPECT_FALSE(worker.Running());
    const size_t after = sdk.Calls().size();
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_EQ(sdk.Calls().size(), after);  // nothing runs after the stop
}

TEST(MonitorWorkerTest, NoNodeEndsAtOnceAndFailedReadsShowNothing) {
    RecordingSdk sdk;
    CurrentNode current;
    Readings readings;
    MonitorWorker worker(
        sdk.table, [&] { return current.McfgHas(mcfg::kEncoderPosition); },
        [&](const MonitorReading& r) { readings.Add(r); });
    worker.Configure(0x1000, 0, 1);
    worker.Start();
    EXPECT_FALSE(worker.Running());
    sdk.result = -1;
    worker.Configure(0x1000, 5, 1);
    worker.Start();
    while (sdk.Calls().size() < 3) std::this_thread::yield();
    worker.Stop();
    EXPECT_TRUE(readings.seen.empty());
}

}  // namespace
}  // namespace norvane::bench::test
