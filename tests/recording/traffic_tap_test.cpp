// The traffic tap's delivery thread and bounded queue: frames reach the callback in order on a
// thread of the tap's own, a callback that falls behind loses frames (counted) without slowing
// the pushers, and registration changes end every call of the previous callback.
#include "sdk/core/traffic_tap.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>
#include <vector>

namespace norvane::sdk {
namespace {

KymTrafficFrame Frame(uint32_t sequence) {
    KymTrafficFrame frame{};
    frame.identifier = sequence;
    frame.timeMicros = sequence;
    return frame;
}

// What a callback saw: the identifiers in order, the threads it ran on, the largest batch.
struct Seen {
    std::mutex lock;
    std::vector<uint32_t> identifiers;
    std::vector<std::thread::id> threads;
    int32_t largestBatch = 0;
    std::atomic<bool> release{true};  // false: the callback waits until it turns true
    std::atomic<int> entered{0};
    std::atomic<bool> forbidden{false};  // true: a call now is a fault
    std::atomic<int> lateCalls{0};
    TrafficTap* tap = nullptr;  // set: the callback unregisters itself on its first call

    size_t Count() {
        std::lock_guard guard(lock);
        return identifiers.size();
    }
};

void Record(const KymTrafficFrame* frames, int32_t count, void* context) {
    auto& seen = *static_cast<Seen*>(context);
    if (seen.forbidden) seen.lateCalls.fetch_add(1);
    seen.entered.fetch_add(1);
    while (!seen.release) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    {
        std::lock_guard guard(seen.lock);
        for (int32_t i = 0; i < count; ++i) seen.identifiers.push_back(frames[i].identifier);
        seen.threads.push_back(std::this_thread::get_id());
        seen.largestBatch = std::max(seen.largestBatch, count);
    }
    if (seen.tap != nullptr) seen.tap->Set(nullptr, nullptr);
}

template <typename F>
bool Eventually(F condition) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > end) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

TEST(TrafficTap, FramesArriveInOrderInBoundedBatchesOffThePushersThread) {
    TrafficTap tap;
    Seen seen;
    EXPECT_FALSE(tap.Push(Frame(0)));  // no callback: nothing queued, nothing counted
    tap.Set(&Record, &seen);
    ASSERT_TRUE(tap.On());
    const uint32_t total = 3 * TrafficTap::kQueueFrames;
    uint32_t pushed = 0;
    for (uint32_t i = 0; i < total; ++i) {
        // Pace the pushes so that none is dropped: this case is about order, not overflow.
        while (!tap.Push(Frame(i))) std::this_thread::yield();
        ++pushed;
    }
    ASSERT_TRUE(Eventually([&] { return seen.Count() == total; }));
    tap.Set(nullptr, nullptr);
    EXPECT_FALSE(tap.On());
    std::lock_guard guard(seen.lock);
    for (uint32_t i = 0; i < total; ++i) ASSERT_EQ(seen.identifiers[i], i);
    EXPECT_LE(seen.largestBatch, static_cast<int32_t>(TrafficTap::kBatchFrames));
    for (const auto& thread : seen.threads) EXPECT_NE(thread, std::this_thread::get_id());
    EXPECT_EQ(pushed, total);
}

TEST(TrafficTap, SlowCallbackLosesNewerFramesCountedAndPushersNeverWait) {
    TrafficTap tap;
    Seen seen;
    seen.release = false;
    tap.Set(&Record, &seen);
    ASSERT_TRUE(tap.Push(Frame(0)));
    ASSERT_TRUE(Eventually([&] { return seen.entered == 1; }));  // the callback holds frame 0
    const size_t extra = 300;
    size_t accepted = 0;
    for (size_t i = 1; i <= TrafficTap::kQueueFrames + extra; ++i)
        accepted += tap.Push(Frame(static_cast<uint32_t>(i)));
    EXPECT_EQ(accepted, TrafficTap::kQueueFrames);
    EXPECT_EQ(tap.Dropped(), extra);
    seen.release = true;
    ASSERT_TRUE(Eventually([&] { return seen.Count() == TrafficTap::kQueueFrames + 1; }));
    EXPECT_EQ(tap.Delivered(), TrafficTap::kQueueFrames + 1);
    // The oldest frames were kept, the newest dropped.
    {
        std::lock_guard guard(seen.lock);
        EXPECT_EQ(seen.identifiers.back(), TrafficTap::kQueueFrames);
    }
    // A new registration starts the counts again.
    tap.Set(&Record, &seen);
    EXPECT_EQ(tap.Dropped(), 0u);
    EXPECT_EQ(tap.Delivered(), 0u);
}

// How each way of leaving ends the previous callback's calls.
enum class Leave { Unregister, Replace, FromInside };

class TrafficTapLeaving : public ::testing::TestWithParam<Leave> {};

TEST_P(TrafficTapLeaving, NoCallOfThePreviousCallbackAfterTheChangeReturns) {
    TrafficTap tap;
    Seen first, second;
    if (GetParam() == Leave::FromInside) first.tap = &tap;
    first.release = false;
    tap.Set(&Record, &first);
    ASSERT_TRUE(tap.Push(Frame(1)));
    ASSERT_TRUE(Eventually([&] { return first.entered == 1; }));
    for (uint32_t i = 2; i < 50; ++i) ASSERT_TRUE(tap.Push(Frame(i)));  // queued behind the call

    std::atomic<bool> returned{false};
    std::thread changer;
    if (GetParam() != Leave::FromInside) {
        changer = std::thread([&] {
            if (GetParam() == Leave::Replace) {
                tap.Set(&Record, &second);
            } else {
                tap.Set(nullptr, nullptr);
            }
            first.forbidden = true;
            returned = true;
        });
        // The change waits for the running call: it must not have returned yet.
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        EXPECT_FALSE(returned);
    }
    first.release = true;
    if (changer.joinable()) changer.join();
    if (GetParam() == Leave::FromInside) {
        ASSERT_TRUE(Eventually([&] { return !tap.On(); }));
        first.forbidden = true;
    }
    // Frames pushed now go to the new callback only (or nowhere).
    for (uint32_t i = 100; i < 110; ++i) tap.Push(Frame(i));
    if (GetParam() == Leave::Replace) {
        ASSERT_TRUE(Eventually([&] { return second.Count() == 10; }));
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(first.lateCalls, 0);
    EXPECT_EQ(first.Count(), 1u);  // frame 1 only: the queued ones were the previous callback's
    if (GetParam() == Leave::Replace) {
        std::lock_guard guard(second.lock);
        EXPECT_EQ(second.identifiers.front(), 100u);
    }
}

INSTANTIATE_TEST_SUITE_P(Ways, TrafficTapLeaving,
                         ::testing::Values(Leave::Unregister, Leave::Replace, Leave::FromInside));

TEST(TrafficTap, RegisteringAndUnregisteringWhileFramesFlow) {
    TrafficTap tap;
    std::atomic<bool> stop{false};
    std::vector<std::thread> pushers;
    for (int p = 0; p < 2; ++p) {
        pushers.emplace_back([&] {
            for (uint32_t i = 0; !stop; ++i) tap.Push(Frame(i));
        });
    }
    for (int round = 0; round < 200; ++round) {
        Seen seen;
        tap.Set(&Record, &seen);
        std::this_thread::sleep_for(std::chrono::microseconds(200));
        tap.Set(nullptr, nullptr);
        seen.forbidden = true;
        // seen goes out of scope here: a late call would touch freed memory (ASan) or count.
        ASSERT_EQ(seen.lateCalls, 0);
    }
    stop = true;
    for (auto& pusher : pushers) pusher.join();
}

}  // namespace
}  // namespace norvane::sdk
