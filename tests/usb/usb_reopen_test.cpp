// Ownership of the process-wide adapter table: a port releases only the adapter opening it made
// itself, so a port closed and reopened from its own notice callback keeps working once the old
// port object is finally destroyed; a link whose opening is gone ends its receive loop.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "sdk/can/usb_link.h"
#include "usb_bench.h"

namespace norvane::usb::test {
namespace {

constexpr uint32_t kSpd = 7;
constexpr uint32_t kHandle = 0x400;

std::atomic<int> reopened{0};  // -1 while the callback has not run; then OpenGateway's result

void ReopenFromNotice(uint32_t, KymNoticeFrame*, int32_t) {
    int expected = -1;
    if (!reopened.compare_exchange_strong(expected, -2)) return;
    CloseGateway(kHandle);
    KymDevInfo infos[2] = {};
    uint32_t ids[126] = {};
    const int found = SearchGateway(4, nullptr, infos, 2);
    reopened = found == 1 ? OpenGateway(kHandle, ids, 126, nullptr) : -3;
}

TEST(UsbOwnership, APortClosedFromItsNoticeLeavesItsSuccessorsAdapterOpen) {
    UsbBench bench;
    bench.Adapter(0, 1, {5});
    ASSERT_TRUE(bench.Start());
    ASSERT_EQ(SearchDevice(4, nullptr), 1);
    uint32_t ids[126] = {};
    ASSERT_EQ(OpenGateway(kHandle, ids, 126, nullptr), 1);
    std::weak_ptr<sdk::can::CUSBC7200> old = bench.gateway->UsbPort(kHandle);
    reopened = -1;
    KYMRegRtcnCallBack(0, nullptr, ReopenFromNotice);
    sim::CanFrame notice;  // a completed move of node 5: a notice, never an answer
    notice.id = (5u << 19) | 0x75;
    bench.server.InjectFromBus(0, notice);
    // The callback runs on the old port's receive thread, which keeps that port alive until it
    // returns; the old port's destruction must leave the new port's adapter alone.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while ((reopened < 0 || !old.expired()) && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    KYMRegRtcnCallBack(0, nullptr, nullptr);
    ASSERT_EQ(reopened, 1);
    ASSERT_TRUE(old.expired());
    ASSERT_NE(bench.gateway->UsbPort(kHandle), nullptr);
    EXPECT_TRUE(bench.server.Claimed(0));
    KymReply reply{};
    int32_t speed = 1234;
    EXPECT_EQ(SingleCommandSet(kHandle, 5, kSpd, 0, &speed, 1, &reply), 1);
    EXPECT_EQ(SingleCommandGet(kHandle, 5, kSpd, 0, &reply), 1);
    EXPECT_EQ(reply.field[0], 1234);
    EXPECT_EQ(CloseGateway(kHandle), 1);
    EXPECT_FALSE(bench.server.Claimed(0));
}

TEST(UsbOwnership, OnlyTheOpeningThatMadeAnAdapterReleasesIt) {
    UsbBench bench;
    bench.Adapter(0, 1, {});
    ASSERT_TRUE(bench.Start());
    sdk::can::UsbAdapters& adapters = *SimAdapters();
    sdk::can::UsbOpening first = 0, second = 0;
    ASSERT_EQ(adapters.OpenDevice(0, first), 1);
    ASSERT_EQ(adapters.OpenDevice(0, second), 1);  // the open adapter, shared
    EXPECT_NE(first, second);
    EXPECT_EQ(adapters.CloseDevice(0, first), 1);
    EXPECT_EQ(adapters.CloseDevice(0, first), 1);  // released once: nothing more to do
    EXPECT_TRUE(adapters.Holds(0, second));
    EXPECT_EQ(adapters.Command(0, sdk::can::usb::kStart), 1);  // still open for the other owner
    EXPECT_TRUE(bench.server.Claimed(0));
    EXPECT_EQ(adapters.CloseDevice(0, second), 1);
    EXPECT_FALSE(adapters.Holds(0, second));
    EXPECT_FALSE(bench.server.Claimed(0));

    // A link whose opening was released reports itself closed and ends its receive loop.
    sdk::can::UsbOpening gone = 0;
    ASSERT_EQ(adapters.OpenDevice(0, gone), 1);
    sdk::can::UsbLink link(SimAdapters(), 0);
    link.Attach(gone);
    EXPECT_TRUE(link.IsOpen());
    adapters.CloseDevice(0, gone);
    uint8_t buffer[24 * 4];
    EXPECT_EQ(link.Receive(buffer, sizeof buffer, 10), -1);
    EXPECT_FALSE(link.IsOpen());
    EXPECT_EQ(link.Send(buffer, 24), 0);
}

}  // namespace
}  // namespace norvane::usb::test
