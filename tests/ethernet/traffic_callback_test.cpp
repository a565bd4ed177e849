// The traffic callback through the public exports, with no traffic file: one acknowledged set
// over Ethernet hands over its request and its answer, with the port's handle and the bus
// identifiers of both directions.
#include <arpa/inet.h>
#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "norvane/NorvaneFunc.h"
#include "sdk/core/traffic_recorder.h"
#include "sim/ethernet_gateway.h"
#include "sim/nodes/node_factory.h"

namespace {

constexpr uint32_t kHandle = 0x1001;

struct Taken {
    std::mutex lock;
    std::vector<KymTrafficFrame> frames;
};

void Take(const KymTrafficFrame* frames, int32_t count, void* context) {
    auto& taken = *static_cast<Taken*>(context);
    std::lock_guard guard(taken.lock);
    taken.frames.insert(taken.frames.end(), frames, frames + count);
}

TEST(TrafficCallback, SetHandsOverRequestAndAnswerWithoutAFile) {
    const std::string address = "127.0.94." + std::to_string(getpid() % 200 + 20);
    norvane::sim::EthernetGatewayOptions options;
    options.address = address;
    options.port = static_cast<uint16_t>(GetEthernetServerPort());
    norvane::sim::EthernetGateway gateway(options);
    norvane::sim::nodes::NodeConfig config;
    config.id = 37;  // above 31: the node's upper bits travel apart from its lower ones
    gateway.Bus().AddNode(norvane::sim::nodes::MakeNode(config));
    ASSERT_TRUE(gateway.Start());
    in_addr a{};
    inet_pton(AF_INET, address.c_str(), &a);
    uint32_t params[10] = {0, 0, 0, 0, 1, ntohl(a.s_addr)};
    KymDevInfo infos[5];
    ASSERT_EQ(SearchGateway(16, params, infos, 5), 1);
    uint32_t ids[126];
    int32_t rate = 0;
    ASSERT_EQ(OpenGateway(kHandle, ids, 126, &rate), 1);

    ASSERT_FALSE(norvane::sdk::TrafficRecorder::Global().On());  // no traffic file
    Taken taken;
    ASSERT_EQ(NvRegTrafficCallBack(&Take, &taken), 1);
    const auto before = std::chrono::system_clock::now();
    KymReply reply{};
    ASSERT_EQ(SetSPD(kHandle, 37, 1000, 1, &reply), 1);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    for (;;) {
        {
            std::lock_guard guard(taken.lock);
            if (taken.frames.size() >= 2) break;
        }
        ASSERT_LT(std::chrono::steady_clock::now(), deadline) << "request and answer not handed over";
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    ASSERT_EQ(NvRegTrafficCallBack(nullptr, nullptr), 1);
    CloseGateway(kHandle);
    gateway.Stop();

    std::lock_guard guard(taken.lock);
    ASSERT_EQ(taken.frames.size(), 2u);
    const KymTrafficFrame& request = taken.frames[0];
    const KymTrafficFrame& answer = taken.frames[1];
    // Request: node 37 = 0b0100101 -> bits 24-28 = 5, bits 13-14 = 1, bit 19, control word 0x87.
    EXPECT_EQ(request.direction, 0);
    EXPECT_EQ(request.identifier, 0x05082087u);
    // Answer: bits 19-23 = 5, bits 8-10 = 1, control word 0x87.
    EXPECT_EQ(answer.direction, 1);
    EXPECT_EQ(answer.identifier, 0x00280187u);
    for (const KymTrafficFrame* frame : {&request, &answer}) {
        EXPECT_EQ(frame->handle, kHandle);
        EXPECT_EQ(frame->extended, 1);
        EXPECT_EQ(frame->remote, 0);
        const auto stamped =
            std::chrono::system_clock::time_point(std::chrono::microseconds(frame->timeMicros));
        EXPECT_GE(stamped, before - std::chrono::seconds(1));
    }
    EXPECT_EQ(request.length, 4);
    EXPECT_EQ(std::vector<uint8_t>(request.data, request.data + 4), (std::vector<uint8_t>{0xE8, 0x03, 0, 0}));
    uint64_t delivered = 0, dropped = 9;
    EXPECT_EQ(NvGetTrafficCounts(&delivered, &dropped), 1);
    EXPECT_EQ(delivered, 2u);  // unregistering leaves the counts of the last registration
    EXPECT_EQ(dropped, 0u);
}

}  // namespace
