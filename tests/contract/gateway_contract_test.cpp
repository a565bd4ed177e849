// The contract every gateway kind fulfils through the public exports: search, open, discover,
// set with answer, get, time-out, error report, notice, close, reopen.
#include "contract_fixture.h"

namespace norvane::contract {
namespace {

TEST_P(GatewayContract, SearchDescribesTheGateway) {
    KymDevInfo infos[5] = {};
    ASSERT_EQ(Search(infos, 5), transport->ExpectedPorts());
    EXPECT_EQ(infos[0].kind, transport->ExpectedKind());
    EXPECT_EQ(infos[0].handle, transport->ExpectedHandle());
    EXPECT_EQ(std::string(infos[0].name), transport->ExpectedName());
    EXPECT_EQ(infos[0].gatewayClass, transport->ExpectedGatewayClass());
    uint32_t ids[32] = {};
    EXPECT_EQ(GetKymDevIdList(transport->SearchMask(), ids), transport->ExpectedPorts());
    EXPECT_EQ(ids[0], transport->ExpectedHandle());
    // More gateways than room: nothing is described.
    EXPECT_EQ(Search(infos, 0), -1);
}

TEST_P(GatewayContract, OpenDiscoversNodesFromFiveUpInOrder) {
    EnsureOpen();
    uint32_t ids[126] = {};
    int32_t rate = -7;
    ASSERT_EQ(OpenGateway(handle, ids, 126, &rate), 3);
    EXPECT_EQ((std::vector<uint32_t>(ids, ids + 4)), (std::vector<uint32_t>{5, 7, 9, 0}));
    EXPECT_EQ(rate, transport->BitRateCode());
    uint32_t two[3] = {};
    EXPECT_EQ(KymGrobReg(handle, two, 2), 2);
    EXPECT_EQ((std::vector<uint32_t>(two, two + 3)), (std::vector<uint32_t>{5, 7, 0}));
    KymNodeRecord records[126] = {};
    ASSERT_EQ(RegisterDevice(handle, records, 126), 3);
    EXPECT_EQ(records[2].nodeId, 9u);
}

TEST_P(GatewayContract, SetWithAnswerChangesTheNodeAndGetReadsItBack) {
    EnsureOpen();
    KymReply reply{};
    ASSERT_EQ(SetValue(5, kSpd, 1234, &reply), 1);
    ASSERT_EQ(SetValue(9, kSpd, -4321, &reply), 1);
    EXPECT_EQ(transport->Controller(5)->Speed(), 1234);
    EXPECT_EQ(transport->Controller(9)->Speed(), -4321);
    KymReply got{};
    ASSERT_EQ(SingleCommandGet(handle, 5, kSpd, 0, &got), 1);
    EXPECT_EQ(got.field[0], 1234);
    ASSERT_EQ(SingleCommandGet(handle, 9, kSpd, 0, &got), 1);
    EXPECT_EQ(got.field[0], -4321);
    // Without an acknowledgement the set returns at once and still lands.
    int32_t value = 777;
    EXPECT_EQ(SingleCommandSet(handle, 7, kSpd, 0, &value, 0, nullptr), 1);
    ASSERT_EQ(SingleCommandGet(handle, 7, kSpd, 0, &got), 1);
    EXPECT_EQ(got.field[0], 777);
}

TEST_P(GatewayContract, UnansweredRequestsTimeOut) {
    EnsureOpen();
    transport->SetSilent(true);
    KymReply reply{};
    auto start = Clock::now();
    EXPECT_EQ(SetValue(5, kSpd, 10, &reply), -1);
    EXPECT_GE(ElapsedMs(start), static_cast<long>(transport->AnswerTimeoutMs()) - 50);
    EXPECT_LT(ElapsedMs(start), 5000);  // one time-out, not a hang (margin for a loaded machine)
    EXPECT_EQ(SingleCommandGet(handle, 5, kSpd, 0, &reply), transport->FailedGetResult());
    // Switching a motor off may go unanswered; switching it on may not.
    EXPECT_EQ(SetValue(5, kEna, 0, &reply), 1);
    EXPECT_EQ(SingleCommandSet(handle, 5, kEna, 0, nullptr, 1, &reply), -1);
    transport->SetSilent(false);
    ASSERT_EQ(SetValue(5, kSpd, 11, &reply), 1);
    ASSERT_EQ(SingleCommandGet(handle, 5, kSpd, 0, &reply), 1);
    EXPECT_EQ(reply.field[0], 11);
}

TEST_P(GatewayContract, ErrorReportGivesTheNegativeCode) {
    if (!transport->CarriesErrorReports()) GTEST_SKIP() << "no error report form on this wire";
    EnsureOpen();
    KymReply reply{};
    transport->AnswerWithError(5);
    EXPECT_EQ(SetValue(7, kSpd, 100, &reply), -5);
    EXPECT_EQ(SetValue(7, kSpd, 100, &reply), 1);
}

TEST_P(GatewayContract, NoticeReachesTheRealtimeCallback) {
    EnsureOpen();
    KYMRegRtcnCallBack(0, nullptr, OnNotice);
    KymReply reply{};
    ASSERT_EQ(SetValue(9, kMcfg, kMoveNoticeEnable, &reply), 1);
    ASSERT_EQ(SingleCommandSet(handle, 9, kEna, 0, nullptr, 1, &reply), 1);
    ASSERT_EQ(SetValue(9, kSpd, 20000, &reply), 1);
    ASSERT_EQ(SetValue(9, kStp, 200, &reply), 1);
    Notices& n = TheNotices();
    std::unique_lock lock(n.mutex);
    // Move finished (0x75) from node 9: identifier (9 << 19) | 0x75.
    const bool seen = n.changed.wait_for(lock, std::chrono::seconds(3), [&] {
        for (auto& [h, id] : n.seen) {
            if (h == handle && id == ((9u << 19) | 0x75)) return true;
        }
        return false;
    });
    lock.unlock();
    KYMRegRtcnCallBack(0, nullptr, nullptr);
    EXPECT_TRUE(seen);
    SetValue(9, kMcfg, 0, &reply);
}

TEST_P(GatewayContract, ClosedGatewayRefusesRequestsUntilReopened) {
    EnsureOpen();
    ASSERT_EQ(CloseGateway(handle), 1);
    TheShared().open = false;
    KymReply reply{};
    auto start = Clock::now();
    EXPECT_EQ(SetValue(5, kSpd, 1, &reply), -1);
    EXPECT_EQ(SingleCommandGet(handle, 5, kSpd, 0, &reply), transport->FailedGetResult());
    EXPECT_LT(ElapsedMs(start), 450);    // refused at once: less than one 500 ms time-out
    EXPECT_EQ(CloseGateway(handle), 1);  // closing twice is harmless
    uint32_t ids[126] = {};
    int32_t rate = 0;
    ASSERT_EQ(OpenGateway(handle, ids, 126, &rate), 3);
    TheShared().open = true;
    EXPECT_EQ(SetValue(5, kSpd, 2, &reply), 1);
}

TEST_P(GatewayContract, SearchingTheSameAddressAgainReplacesThePort) {
    EnsureOpen();
    KymDevInfo infos[5] = {};
    ASSERT_EQ(Search(infos, 5), transport->ExpectedPorts());
    KymReply reply{};
    // The new port is not open yet; a serial port still open stays in use instead.
    EXPECT_EQ(SetValue(5, kSpd, 3, &reply), transport->SearchKeepsOpenPort() ? 1 : -1);
    uint32_t ids[126] = {};
    int32_t rate = 0;
    ASSERT_EQ(OpenGateway(handle, ids, 126, &rate), 3);
    TheShared().open = true;
    EXPECT_EQ(SetValue(5, kSpd, 4, &reply), 1);
}

INSTANTIATE_TEST_SUITE_P(Gateways, GatewayContract, AllTransports(), TransportName);

}  // namespace
}  // namespace norvane::contract
