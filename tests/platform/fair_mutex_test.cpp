// The fair mutex serves threads in the order they asked, also against a thread that releases it
// and asks again at once.
#include "platform/fair_mutex.h"

#include <gtest/gtest.h>

#include <chrono>
#include <mutex>
#include <thread>
#include <vector>

using norvane::platform::FairMutex;

TEST(FairMutex, WaitersAreServedInTheOrderTheyAsked) {
    FairMutex fair;
    std::mutex orderLock;
    std::vector<int> order;
    auto takeTurn = [&](int who) {
        std::lock_guard turn(fair);
        std::lock_guard guard(orderLock);
        order.push_back(who);
    };
    fair.lock();
    std::vector<std::thread> threads;
    for (int who = 1; who <= 3; ++who) {
        threads.emplace_back(takeTurn, who);
        std::this_thread::sleep_for(std::chrono::milliseconds(100));  // each queued before the next asks
    }
    fair.unlock();
    takeTurn(0);  // asks again at once: behind the three
    for (auto& t : threads) t.join();
    EXPECT_EQ(order, (std::vector<int>{1, 2, 3, 0}));
    EXPECT_TRUE(fair.try_lock());
    EXPECT_FALSE(fair.try_lock());
    fair.unlock();
}
