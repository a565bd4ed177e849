#include "platform/event.h"

#include <gtest/gtest.h>

#include <thread>

using norvane::platform::Event;

TEST(Event, AutoResetReleasesOneWaitAndClearsItself) {
    Event event(Event::Reset::Auto);
    event.Set();
    EXPECT_TRUE(event.Wait(0));
    EXPECT_FALSE(event.Wait(10));
}

TEST(Event, ManualResetStaysSetUntilCleared) {
    Event event(Event::Reset::Manual);
    event.Set();
    EXPECT_TRUE(event.Wait(0));
    EXPECT_TRUE(event.Wait(0));
    event.Clear();
    EXPECT_FALSE(event.Wait(0));
}

TEST(Event, WaitWakesWhenAnotherThreadSets) {
    Event event;
    std::thread setter([&] { event.Set(); });
    EXPECT_TRUE(event.Wait(5000));
    setter.join();
}

// A watched wait returns the event whenever it is set (before, during or after the watch) and
// times out like Wait when it never is; an auto-reset event is taken either way.
TEST(Event, WatchedWaitTakesTheEventWhenEverItIsSet) {
    using namespace std::chrono;
    struct Case {
        const char* name;
        int setAfterMs;  // -1: never
        int watchFromMs;
        bool expected;
    };
    const Case cases[] = {
        {"set before the call", 0, 5, true},    {"set while sleeping before the watch", 5, 50, true},
        {"set during the watch", 10, 0, true},  {"set after the watch ended", 40, 0, true},
        {"never set: times out", -1, 0, false},
    };
    for (const Case& c : cases) {
        Event event;
        const auto start = steady_clock::now();
        if (c.setAfterMs == 0) event.Set();
        std::thread setter([&] {
            if (c.setAfterMs <= 0) return;
            std::this_thread::sleep_for(milliseconds(c.setAfterMs));
            event.Set();
        });
        EXPECT_EQ(event.Wait(200, start + milliseconds(c.watchFromMs), milliseconds(20)), c.expected)
            << c.name;
        const auto took = steady_clock::now() - start;
        setter.join();
        if (c.expected) {
            EXPECT_FALSE(event.IsSet()) << c.name;
            EXPECT_GE(event.LastSetAt(), start) << c.name;
        } else {
            EXPECT_GE(took, milliseconds(200)) << c.name;
        }
    }
}
