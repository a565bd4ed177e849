// The USB gateway's receive-side rules end to end, on devices of norvane-sim's simulation raised
// through its event language: an input-edge notice (control word 0x70) reaches the notice
// callback and the notice record with data byte 0 taken from d2 and bytes 1-3 cleared, while the
// opposite edge keeps its bytes; a first-generation register-all answer names its node in data
// byte 0.
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <cstring>
#include <functional>
#include <mutex>
#include <vector>

#include "sim/events/event_apply.h"
#include "sim/sim_config.h"
#include "sim/simulation.h"
#include "usb_bench.h"

namespace norvane::usb::test {
namespace {

constexpr uint32_t kMcfg = 46;
constexpr uint8_t kIoNode = 8;

// norvane-sim's simulation built from configuration text, its adapters served at a socket of this
// process and reached by a USB gateway of the given kind.
struct SimulatedUsb {
    SimulatedUsb(const std::string& text, uint32_t kind) {
        std::string error;
        sim::SimConfig config;
        EXPECT_TRUE(sim::ParseSimConfig(text, config, error)) << error;
        config.usbSocket = "/tmp/norvane-usb-notice-" + std::to_string(getpid()) + ".sock";
        std::vector<std::string> notes;
        started = simulation.Start(config, error, notes);
        EXPECT_TRUE(started) << error;
        setenv("NORVANE_USB_SIM", config.usbSocket.c_str(), 1);
        SimAdapters()->closeSleepMs = 5;
        gateway = std::make_shared<sdk::can::CUSBC7200CAN>(kind, SimAdapters());
        sdk::InstallGateway(sdk::GatewaySlot::Usb, gateway);
    }
    ~SimulatedUsb() {
        sdk::RemoveGateway(sdk::GatewaySlot::Usb);
        gateway.reset();
        simulation.Stop();
    }
    std::string Event(const std::string& line) { return sim::events::RunEventLine(line, simulation.Buses()); }

    sim::Simulation simulation;
    std::shared_ptr<sdk::can::CUSBC7200CAN> gateway;
    bool started = false;
};

struct Notices {
    std::mutex mutex;
    std::condition_variable arrived;
    std::vector<std::pair<uint32_t, KymNoticeFrame>> seen;  // handle, frame
};
Notices& TheNotices() {
    static Notices notices;
    return notices;
}
void OnNotice(uint32_t handle, KymNoticeFrame* frame, int32_t) {
    Notices& n = TheNotices();
    std::lock_guard lock(n.mutex);
    n.seen.emplace_back(handle, *frame);
    n.arrived.notify_all();
}
// The next notice from the receive thread, or a zeroed frame after two seconds.
KymNoticeFrame NextNotice(uint32_t* handle) {
    Notices& n = TheNotices();
    std::unique_lock lock(n.mutex);
    KymNoticeFrame frame{};
    if (!n.arrived.wait_for(lock, std::chrono::seconds(2), [&] { return !n.seen.empty(); })) return frame;
    *handle = n.seen.front().first;
    frame = n.seen.front().second;
    n.seen.erase(n.seen.begin());
    return frame;
}

std::vector<uint8_t> Data(const KymNoticeFrame& frame) {
    return {frame.data, frame.data + 4};
}

TEST(UsbReceiveRules, InputEdgeNoticesTakeTheirChannelFromD2) {
    SimulatedUsb usb("usb 0 bitrate-code=1\nnode io 8\n", 4);
    ASSERT_TRUE(usb.started);
    KymDevInfo infos[2] = {};
    ASSERT_EQ(SearchGateway(4, nullptr, infos, 2), 1);
    uint32_t ids[126] = {};
    ASSERT_EQ(OpenGateway(0x400, ids, 126, nullptr), 1);
    uint8_t record[36] = {};
    ASSERT_EQ(KYMRegNotice(record), 1);  // creates the notice record
    KYMRegRtcnCallBack(0, nullptr, OnNotice);
    KymReply reply{};
    int32_t noticesOnInputs = 0x0F;  // notices of P1-P4, the module's inputs
    ASSERT_EQ(SingleCommandSet(0x400, kIoNode, kMcfg, 0, &noticesOnInputs, 1, &reply), 1);

    // The module's edge of port P sends d0 = P - 1, d1 = level, d2 = 0xE0 + 2 (P - 2) (0 for P1);
    // frames injected on the bus bring d0 and d2 that disagree.
    const auto inject = [&](uint8_t d0, uint8_t d2) {
        sim::CanFrame frame;
        frame.id = (kIoNode << 19) | 0x70;
        frame.length = 3;
        frame.data[0] = d0, frame.data[2] = d2;
        usb.simulation.UsbAdapters()->InjectFromBus(0, frame);
        return std::string("ok\n");
    };
    struct Case {
        std::function<std::string()> raise;
        uint8_t controlWord;
        std::vector<uint8_t> data;
    };
    const Case cases[] = {
        {[&] { return usb.Event("@usb0 input 8 3 high"); }, 0xF0, {2, 1, 0xE2, 0}},  // kept
        {[&] { return usb.Event("@usb0 input 8 3 low"); }, 0x70, {2, 0, 0, 0}},
        {[&] { return usb.Event("@usb0 input 8 1 high"); }, 0xF0, {0, 1, 0, 0}},
        {[&] { return usb.Event("@usb0 input 8 1 low"); }, 0x70, {0, 0, 0, 0}},
        {[&] { return inject(0, 0xED); }, 0x70, {7, 0, 0, 0}},
        {[&] { return inject(5, 0xE4); }, 0x70, {3, 0, 0, 0}},
        {[&] { return inject(5, 0xEE); }, 0x70, {0, 0, 0, 0}},
        {[&] { return inject(5, 0xDF); }, 0x70, {0, 0, 0, 0}},
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(i);
        ASSERT_EQ(cases[i].raise(), "ok\n");
        uint32_t handle = 0;
        const KymNoticeFrame frame = NextNotice(&handle);
        EXPECT_EQ(handle, 0x400u);
        EXPECT_EQ(frame.identifier, (kIoNode << 19) | cases[i].controlWord);
        EXPECT_EQ(frame.length, 3);
        EXPECT_EQ(Data(frame), cases[i].data);
    }
    // The notice record flags control word 0x70 by the rewritten channel (offset 28 + channel).
    ASSERT_EQ(KYMRegNotice(record), 1);
    EXPECT_EQ(std::vector<uint8_t>(record + 28, record + 36), (std::vector<uint8_t>{1, 0, 1, 1, 0, 0, 0, 1}));
    KYMRegRtcnCallBack(0, nullptr, nullptr);
    EXPECT_EQ(CloseGateway(0x400), 1);
}

TEST(UsbReceiveRules, FirstGenRegisterAllAnswersNameTheirNodeInDataByteZero) {
    // Node 9's serial number 0x12345678 goes out as 78 56 34 12: its register-all answer names
    // node 0x78 (120) with the value of bytes 2-5, while its identifier names node 9.
    SimulatedUsb usb("usb 0 bitrate-code=2\nnode controller1 5\nnode controller1 9 serial=305419896\n", 4096);
    ASSERT_TRUE(usb.started);
    KymSearchRecord found[2] = {};
    ASSERT_EQ(SearchGateWay(0x1000, found, 2), 1);
    KymNodeRecord nodes[126] = {};
    uint32_t rate = 0;
    ASSERT_EQ(OpenGateWay(0x100000, nodes, 126, &rate), 2);
    EXPECT_EQ(nodes[1].nodeId, 9u);  // the serial-number discovery goes by the identifier
    KymNodeRecord all[126] = {};
    ASSERT_EQ(Register753AllDevice(0x100000, all, 126), 2);
    EXPECT_EQ(all[0].nodeId, 5u);
    EXPECT_EQ(all[0].discoveryValue, 0x0753u);
    EXPECT_EQ(all[1].nodeId, 120u);
    EXPECT_EQ(all[1].discoveryValue, 0x1234u);
    EXPECT_EQ(CloseGateWay(0x100000), 1);
}

}  // namespace
}  // namespace norvane::usb::test
