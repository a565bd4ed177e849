#pragma once
// The fixture of the gateway contract suites: one opened gateway per transport, shared by the
// tests of that transport in one process; each test leaves it open.
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <vector>

#include "contract_transport.h"
#include "norvane/NorvaneFunc.h"

namespace norvane::contract {

using Clock = std::chrono::steady_clock;

inline constexpr uint32_t kEna = 1, kSpd = 7, kStp = 10, kMcfg = 46;
constexpr uint32_t kMoveNoticeEnable = 1u << 4;

struct Shared {
    std::string name;
    std::unique_ptr<ContractTransport> transport;
    bool open = false;
    void* attachment = nullptr;  ///< what a suite added to this transport's bus (owned by the bus)
};
inline Shared& TheShared() {
    static Shared shared;
    return shared;
}

// Real-time notices seen by the callback (receive thread) and waited for by the test.
struct Notices {
    std::mutex mutex;
    std::condition_variable changed;
    std::vector<std::pair<uint32_t, uint32_t>> seen;  // handle, notice identifier
};
inline Notices& TheNotices() {
    static Notices notices;
    return notices;
}
inline void OnNotice(uint32_t handle, KymNoticeFrame* frame, int32_t) {
    Notices& n = TheNotices();
    std::lock_guard lock(n.mutex);
    n.seen.emplace_back(handle, frame->identifier);
    n.changed.notify_all();
}

inline long ElapsedMs(Clock::time_point since) {
    return static_cast<long>(
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - since).count());
}

/// Position of the running test among all tests of the program: the same in every process, so
/// that tests of one transport running side by side never share an address.
inline int TestPosition() {
    const ::testing::UnitTest& all = *::testing::UnitTest::GetInstance();
    const ::testing::TestInfo* current = all.current_test_info();
    int position = 0;
    for (int i = 0; i < all.total_test_suite_count(); ++i) {
        const ::testing::TestSuite& suite = *all.GetTestSuite(i);
        for (int j = 0; j < suite.total_test_count(); ++j, ++position) {
            const ::testing::TestInfo& info = *suite.GetTestInfo(j);
            if (info.name() == std::string(current->name()) &&
                info.test_suite_name() == std::string(current->test_suite_name()))
                return position;
        }
    }
    return current->line();
}

class GatewayContract : public ::testing::TestWithParam<TransportCase> {
protected:
    void SetUp() override {
        Shared& shared = TheShared();
        if (shared.name != GetParam().name) {
            CloseShared();
            shared.transport = GetParam().make(static_cast<uint8_t>(TestPosition() % 254 + 1));
            std::string error;
            ASSERT_TRUE(shared.transport->Start(error)) << error;
            shared.name = GetParam().name;
        }
        transport = shared.transport.get();
        handle = transport->ExpectedHandle();
    }
    static void TearDownTestSuite() { CloseShared(); }
    static void CloseShared() {
        Shared& shared = TheShared();
        if (shared.transport && shared.open) CloseGateway(shared.transport->ExpectedHandle());
        shared.open = false;
        shared.attachment = nullptr;
        shared.transport.reset();
        shared.name.clear();
    }

    int Search(KymDevInfo* infos, int max) {
        std::vector<uint32_t> params = transport->SearchParams();
        TheShared().open = false;
        return SearchGateway(transport->SearchMask(), params.data(), infos, max);
    }
    void EnsureOpen() {
        if (TheShared().open) return;
        KymDevInfo infos[5] = {};
        ASSERT_EQ(Search(infos, 5), transport->ExpectedPorts());
        uint32_t ids[126] = {};
        int32_t rate = 0;
        ASSERT_EQ(OpenGateway(handle, ids, 126, &rate), 3);
        TheShared().open = true;
    }
    int SetValue(uint32_t node, uint32_t command, int32_t value, KymReply* reply) {
        return SingleCommandSet(handle, node, command, 0, &value, 1, reply);
    }

    ContractTransport* transport = nullptr;
    uint32_t handle = 0;
};

/// The six gateway kinds (the PCI gateway over simulated cards and over SocketCAN), each on its own loopback
/// subnet or device so that the parallel processes of ctest never collide.
inline auto AllTransports() {
    return ::testing::Values(
        TransportCase{"EthernetCanFraming", [](uint8_t n) { return MakeEthernetTransport(21, n, false); }},
        TransportCase{"EthernetSerialFraming", [](uint8_t n) { return MakeEthernetTransport(22, n, true); }},
        TransportCase{"Rs232", [](uint8_t) { return MakeRs232Transport(3); }},
        TransportCase{"PciChannel", [](uint8_t n) { return MakePciTransport(n); }},
        TransportCase{"PciOverSocketCan", [](uint8_t n) { return MakeSocketCanTransport(n); }},
        TransportCase{"Uart", [](uint8_t) { return MakeUartTransport(4); }},
        TransportCase{"UsbAdapter", [](uint8_t n) { return MakeUsbTransport(n); }});
}
inline std::string TransportName(const ::testing::TestParamInfo<TransportCase>& info) {
    return info.param.name;
}

}  // namespace norvane::contract
