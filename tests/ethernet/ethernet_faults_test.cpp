// The Ethernet gateway through the public exports when things go wrong: several gateways,
// lost connections, garbage on the wire, unreachable addresses, many host threads at once.
// Every test has its own loopback address (127.0.23.<line>), so parallel processes never meet.
#include <arpa/inet.h>
#include <dirent.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "norvane/NorvaneFunc.h"
#include "sdk/core/gateway_registry.h"
#include "sdk/ethernet/eth_gateway.h"
#include "sim/ethernet_gateway.h"
#include "sim/nodes/node_factory.h"

namespace {

using Clock = std::chrono::steady_clock;
using norvane::sim::EthernetGateway;
using norvane::sim::nodes::SecondGenController;

constexpr uint32_t kHandle = 0x1001;
constexpr uint32_t kSpd = 7;

long ElapsedMs(Clock::time_point since) {
    return static_cast<long>(
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - since).count());
}

std::string AddressFor(int line, int subnet = 23) {
    return "127.0." + std::to_string(subnet) + "." + std::to_string(line % 254 + 1);
}

uint32_t HostOrder(const std::string& address) {
    in_addr a{};
    inet_pton(AF_INET, address.c_str(), &a);
    return ntohl(a.s_addr);
}

int OpenDescriptors() {
    int n = 0;
    if (DIR* dir = opendir("/proc/self/fd")) {
        while (readdir(dir) != nullptr) ++n;
        closedir(dir);
    }
    return n;
}

// A simulated gateway with second-generation controllers at the given node ids.
struct SimGateway {
    SimGateway(const std::string& address, std::vector<uint8_t> nodes) {
        norvane::sim::EthernetGatewayOptions options;
        options.address = address;
        options.port = static_cast<uint16_t>(GetEthernetServerPort());
        gateway = std::make_unique<EthernetGateway>(options);
        for (uint8_t id : nodes) {
            norvane::sim::nodes::NodeConfig config;
            config.id = id;
            controllers[id] = static_cast<SecondGenController*>(gateway->Bus().AddNode(MakeNode(config)));
        }
        started = gateway->Start();
    }
    ~SimGateway() { gateway->Stop(); }
    std::unique_ptr<EthernetGateway> gateway;
    SecondGenController* controllers[126] = {};
    bool started = false;
};

int Search(const std::string& address, KymDevInfo* infos = nullptr) {
    uint32_t params[10] = {0, 0, 0, 0, 1, HostOrder(address)};
    KymDevInfo local[5];
    return SearchGateway(16, params, infos != nullptr ? infos : local, 5);
}

int SearchAndOpen(const std::string& address) {
    if (Search(address) != 1) return -100;
    uint32_t ids[126];
    int32_t rate = 0;
    return OpenGateway(kHandle, ids, 126, &rate);
}

int SetSpeed(uint32_t node, int32_t value) {
    KymReply reply{};
    return SingleCommandSet(kHandle, node, kSpd, 0, &value, 1, &reply);
}

int GetSpeed(uint32_t node, int32_t* value) {
    KymReply reply{};
    const int result = SingleCommandGet(kHandle, node, kSpd, 0, &reply);
    *value = reply.field[0];
    return result;
}

TEST(EthernetGateways, EachOfSeveralGatewaysIsFoundAndDescribedAtItsAddress) {
    const std::string a = AddressFor(__LINE__, 24), b = AddressFor(__LINE__, 25),
                      c = AddressFor(__LINE__, 26);
    SimGateway ga(a, {5}), gb(b, {6}), gc(c, {7});
    ASSERT_TRUE(ga.started && gb.started && gc.started);
    for (const std::string& address : {b, a, c}) {
        KymDevInfo infos[5] = {};
        ASSERT_EQ(Search(address, infos), 1) << address;
        EXPECT_EQ(std::string(infos[0].name), "KYM" + address);
        EXPECT_EQ(infos[0].handle, kHandle);
    }
    // The last search holds the port: its gateway's node is the one discovered.
    uint32_t ids[4] = {};
    int32_t rate = 0;
    ASSERT_EQ(OpenGateway(kHandle, ids, 4, &rate), 1);
    EXPECT_EQ(ids[0], 7u);
    EXPECT_EQ(CloseGateway(kHandle), 1);
    // No gateway listens here: refused at once, nothing found, nothing to describe.
    EXPECT_EQ(Search(AddressFor(__LINE__, 27)), 0);
    uint32_t list[32];
    EXPECT_EQ(GetKymDevIdList(16, list), 0);
}

TEST(EthernetGateways, DescribingAnEmptyPositionTouchesNothing) {
    const std::string address = AddressFor(__LINE__);
    SimGateway sim(address, {5});
    ASSERT_TRUE(sim.started);
    ASSERT_EQ(Search(address), 1);
    KymDevInfo info;
    std::memset(&info, 0x5A, sizeof info);
    EXPECT_EQ(GetKymDevInfo(0x1000, &info), -1);  // index 0 belongs to the first generation
    EXPECT_EQ(GetKymDevInfo(0x1004, &info), -1);
    EXPECT_EQ(GetKymDevInfo(0x1009, &info), -1);  // beyond the five positions
    EXPECT_EQ(info.kind, 0x5A5A5A5Au);
    EXPECT_EQ(GetKymDevInfo(0x0200, &info), 1);  // kind 2 is no gateway kind
    EXPECT_EQ(GetKymDevInfo(kHandle, nullptr), -1);
    EXPECT_EQ(GetKymDevInfo(kHandle, &info), static_cast<int>(address.size()) + 3);
}

TEST(EthernetGateways, AnUnreachableAddressGivesUpAfterTwoAndAHalfSeconds) {
    // A listener that never accepts, with its backlog full: further connection attempts get no
    // answer at all, like a host that is switched off.
    const std::string address = AddressFor(__LINE__);
    const int listener = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in where{};
    where.sin_family = AF_INET;
    where.sin_port = htons(static_cast<uint16_t>(GetEthernetServerPort()));
    where.sin_addr.s_addr = htonl(HostOrder(address));
    ASSERT_EQ(::bind(listener, reinterpret_cast<sockaddr*>(&where), sizeof where), 0);
    ASSERT_EQ(::listen(listener, 0), 0);
    std::vector<int> fillers;
    for (int i = 0; i < 3; ++i) {
        const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
        ::connect(fd, reinterpret_cast<sockaddr*>(&where), sizeof where);
        fillers.push_back(fd);
    }
    // The first filler is accepted into the queue (writable) once its handshake is done.
    pollfd queued{fillers[0], POLLOUT, 0};
    ASSERT_EQ(::poll(&queued, 1, 5000), 1);
    const int before = OpenDescriptors();
    const auto start = Clock::now();
    EXPECT_EQ(Search(address), 0);
    EXPECT_GE(ElapsedMs(start), 2400);
    EXPECT_LT(ElapsedMs(start), 10000);    // the connect time-out, not a hang
    EXPECT_EQ(OpenDescriptors(), before);  // the socket was closed
    for (int fd : fillers) ::close(fd);
    ::close(listener);
}

TEST(EthernetGateways, ConnectionLostDuringARequestFailsCleanlyAndReopenWorks) {
    const std::string address = AddressFor(__LINE__);
    SimGateway sim(address, {5, 6});
    ASSERT_TRUE(sim.started);
    ASSERT_EQ(SearchAndOpen(address), 2);
    sim.gateway->Faults().DelayAnswers(1, 400);
    sim.gateway->Bus().ClearTraffic();
    // The link drops while the answer is held back: once the request has reached the bus.
    std::thread closer([&] {
        const auto until = Clock::now() + std::chrono::seconds(5);
        while (sim.gateway->Bus().Traffic().empty() && Clock::now() < until) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        sim.gateway->CloseClient();
    });
    auto start = Clock::now();
    EXPECT_EQ(SetSpeed(5, 10), -1);
    EXPECT_LT(ElapsedMs(start), 3000);  // fails on the lost connection, not after a hang
    closer.join();
    // Later requests fail within their time-out, whatever the dead connection does.
    start = Clock::now();
    EXPECT_EQ(SetSpeed(5, 11), -1);
    int32_t value = 0;
    EXPECT_EQ(GetSpeed(5, &value), 0);
    EXPECT_LT(ElapsedMs(start), 5000);  // each within its 500 ms time-out, with margin
    EXPECT_EQ(CloseGateway(kHandle), 1);
    uint32_t ids[126];
    int32_t rate = 0;
    ASSERT_EQ(OpenGateway(kHandle, ids, 126, &rate), 2);
    EXPECT_EQ(SetSpeed(6, 12), 1);
    EXPECT_EQ(sim.controllers[6]->Speed(), 12);
    EXPECT_EQ(CloseGateway(kHandle), 1);
}

TEST(EthernetGateways, GarbageAndSplitFramesBetweenAnswersAreSurvived) {
    const std::string address = AddressFor(__LINE__);
    SimGateway sim(address, {5});
    ASSERT_TRUE(sim.started);
    ASSERT_EQ(SearchAndOpen(address), 1);
    const std::vector<std::vector<uint8_t>> noise = {
        {0x00, 0x13, 0xAA, 0x55},
        {0xCC, 0x73, 0xFF, 0xFF, 0xFF, 0xFF, 0xAA},                    // length near 2^32
        {0xCC, 0x73, 0xF9, 0xFF, 0xFF, 0xFF},                          // cut off after the length
        {0xCC, 0x19, 0x02, 0x00, 0x00, 0x00, 0x01, 0x02, 0xAA},        // a frame the port ignores
        {0xCC, 0x73, 0x03, 0x00, 0x00, 0x00, 0x01, 0x02, 0x03, 0xAA},  // too short for a message
    };
    for (size_t i = 0; i < noise.size(); ++i) {
        sim.gateway->SendRaw(noise[i]);
        sim.gateway->Faults().SplitAnswers(1, 15);
        ASSERT_EQ(SetSpeed(5, static_cast<int32_t>(100 + i)), 1) << i;
        int32_t value = 0;
        ASSERT_EQ(GetSpeed(5, &value), 1) << i;
        EXPECT_EQ(value, static_cast<int32_t>(100 + i));
    }
    EXPECT_EQ(CloseGateway(kHandle), 1);
}

TEST(EthernetGateways, EightHostThreadsEachGetTheirOwnNodesAnswers) {
    const std::string address = AddressFor(__LINE__);
    const std::vector<uint8_t> nodes = {5, 6, 7, 8, 9, 10, 11, 12};
    SimGateway sim(address, nodes);
    ASSERT_TRUE(sim.started);
    ASSERT_EQ(SearchAndOpen(address), 8);
    std::atomic<int> wrong{0}, failed{0};
    std::vector<std::thread> threads;
    for (uint8_t node : nodes) {
        threads.emplace_back([&, node] {
            for (int round = 0; round < 15; ++round) {
                const int32_t value = node * 1000 + round;
                if (SetSpeed(node, value) != 1) ++failed;
                int32_t read = 0;
                if (GetSpeed(node, &read) != 1) ++failed;
                if (read != value) ++wrong;
            }
        });
    }
    for (auto& thread : threads) thread.join();
    EXPECT_EQ(failed.load(), 0);
    EXPECT_EQ(wrong.load(), 0);
    for (uint8_t node : nodes) EXPECT_EQ(sim.controllers[node]->Speed(), node * 1000 + 14);
    EXPECT_EQ(CloseGateway(kHandle), 1);
}

TEST(EthernetGateways, RawMessageCollectsTheNodesAnswers) {
    const std::string address = AddressFor(__LINE__);
    SimGateway sim(address, {5, 6});
    ASSERT_TRUE(sim.started);
    ASSERT_EQ(SearchAndOpen(address), 2);
    auto gateway = norvane::sdk::GatewayAt(norvane::sdk::GatewaySlot::Ethernet);
    ASSERT_TRUE(gateway);
    KymCanMsg request{};
    request.node = 6;
    request.controlWord = 0x80 | kSpd;
    KymCanMsg out[4] = {};
    int count = -1;
    EXPECT_EQ(gateway->SendCanMessage(kHandle, &request, out, 4, &count), 1);
    ASSERT_EQ(count, 1);
    EXPECT_EQ(out[0].node, 6);
    EXPECT_EQ(out[0].controlWord & 0x7F, kSpd);
    EXPECT_EQ(gateway->SendCanMessage(kHandle, nullptr, out, 4, &count), 0);
    EXPECT_EQ(CloseGateway(kHandle), 1);
    // A closed port sends nothing.
    EXPECT_EQ(gateway->SendCanMessage(kHandle, &request, out, 4, &count), 0);
}

// An answer arriving in the discovery window (here a node's late answer to an earlier request,
// in either framing) must not end the window: the nodes that answer after it would be lost.
TEST(EthernetGateways, DiscoveryWaitsItsWholeWindowWhileOtherAnswersArrive) {
    // CC 73, 13-byte payload: control word 1 (an answer), node 5, one data byte.
    const std::vector<uint8_t> lateAnswer = {0xCC, 0x73, 13, 0, 0, 0, 0x01, 0, 0, 5,
                                             1,    1,    0,  0, 0, 0, 0,    0, 0, 0xAA};
    for (const int serial : {0, 1}) {
        SetSerialTransmissision(serial);
        const std::string address = AddressFor(__LINE__ + serial);
        SimGateway sim(address, {5, 6, 7});
        ASSERT_TRUE(sim.started);
        ASSERT_EQ(SearchAndOpen(address), 3) << "serial framing " << serial;
        sim.gateway->Faults().DelayAnswers(3, 250);
        std::thread late([&] {
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            sim.gateway->SendRaw(lateAnswer);
        });
        uint32_t ids[126] = {};
        EXPECT_EQ(KymGrobReg(kHandle, ids, 126), 3) << "serial framing " << serial;
        late.join();
        EXPECT_EQ(CloseGateway(kHandle), 1);
    }
    SetSerialTransmissision(0);
}

}  // namespace
