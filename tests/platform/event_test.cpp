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
