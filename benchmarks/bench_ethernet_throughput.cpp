// Acknowledged SetSPD round trips through the SDK's Ethernet port, on one port and on five
// ports in parallel, beside a raw-socket client that sends the same frames to the same
// simulated gateways. The SDK pauses 2 ms after every frame it sends, which caps one port at
// 500 commands per second; the raw client is measured with and without that pause.
#include <arpa/inet.h>
#include <benchmark/benchmark.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "norvane/NorvaneFunc.h"
#include "sdk/ethernet/socket_client.h"
#include "sim/ethernet_gateway.h"
#include "sim/nodes/node_factory.h"

namespace {

constexpr int kPorts = 5;
constexpr uint8_t kNode = 5;
constexpr uint8_t kSpdWithAnswer = 0x87;

std::string Address(int i) {
    return "127.0.41." + std::to_string(i + 1);
}

uint32_t HostOrder(const std::string& address) {
    in_addr a{};
    inet_pton(AF_INET, address.c_str(), &a);
    return ntohl(a.s_addr);
}

// Five simulated gateways with one controller each, and one opened SDK port per gateway.
struct Bench {
    std::vector<std::unique_ptr<norvane::sim::EthernetGateway>> gateways;
    std::vector<std::unique_ptr<norvane::sdk::CNvSocketClient>> ports;

    Bench() {
        for (int i = 0; i < kPorts; ++i) {
            norvane::sim::EthernetGatewayOptions options;
            options.address = Address(i);
            options.port = static_cast<uint16_t>(GetEthernetServerPort());
            auto gateway = std::make_unique<norvane::sim::EthernetGateway>(options);
            norvane::sim::nodes::NodeConfig config;
            config.id = kNode;
            gateway->Bus().AddNode(norvane::sim::nodes::MakeNode(config));
            gateway->Start();
            gateways.push_back(std::move(gateway));
        }
    }
    norvane::sdk::CNvSocketClient& Port(int index) {
        const auto i = static_cast<size_t>(index);
        std::lock_guard lock(mutex);
        while (ports.size() <= i) ports.push_back(nullptr);
        if (!ports[i]) {
            auto port = std::make_unique<norvane::sdk::CNvSocketClient>(HostOrder(Address(index)));
            port->legacyProtocol = 0;
            port->portIndex = 1;
            port->Connect();
            port->StartReceiver(port->Handle());
            ports[i] = std::move(port);
        }
        return *ports[i];
    }
    std::mutex mutex;
};

Bench& TheBench() {
    static Bench bench;
    return bench;
}

void SdkAcknowledgedSet(benchmark::State& state) {
    auto& port = TheBench().Port(state.thread_index());
    int32_t value = 1000 + state.thread_index();
    int failures = 0;
    for (auto _ : state) {
        KymReply reply{};
        if (port.SetCommand(port.Handle(), kNode, kSpdWithAnswer, 0, &value, &reply) != 1) ++failures;
    }
    state.SetItemsProcessed(state.iterations());
    state.counters["failures"] = failures;
}
BENCHMARK(SdkAcknowledgedSet)->Threads(1)->Threads(kPorts)->UseRealTime()->MinTime(2.0);

// The same 0x72 frame, its 0x73 answer awaited on a plain socket.
class RawClient {
public:
    explicit RawClient(const std::string& address) {
        fd_ = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in peer{};
        peer.sin_family = AF_INET;
        peer.sin_port = htons(static_cast<uint16_t>(GetEthernetServerPort()));
        peer.sin_addr.s_addr = htonl(HostOrder(address));
        ::connect(fd_, reinterpret_cast<sockaddr*>(&peer), sizeof peer);
        int one = 1;
        setsockopt(fd_, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
        const uint8_t hello[] = {0xAA, 0x71, 0, 0, 0, 0, 0xCC};
        ::send(fd_, hello, sizeof hello, 0);
        uint8_t ack[7];
        ::recv(fd_, ack, sizeof ack, MSG_WAITALL);
    }
    ~RawClient() { ::close(fd_); }
    bool RoundTrip(int32_t value) {
        uint8_t frame[20] = {0xAA, 0x72, 13, 0, 0, 0, kSpdWithAnswer, 0x00, kNode << 3, 0x01, 4};
        std::memcpy(frame + 11, &value, 4);
        frame[19] = 0xCC;
        if (::send(fd_, frame, sizeof frame, MSG_NOSIGNAL) != sizeof frame) return false;
        uint8_t answer[20];
        return ::recv(fd_, answer, sizeof answer, MSG_WAITALL) == sizeof answer && answer[0] == 0xCC;
    }

private:
    int fd_ = -1;
};

void RawSocketAcknowledgedSet(benchmark::State& state) {
    // The SDK ports of this run must not hold the gateways: one client at a time per gateway.
    static std::once_flag closed;
    std::call_once(closed, [] {
        for (auto& port : TheBench().ports) {
            if (port) port->Disconnect(port->Handle());
        }
    });
    RawClient client(Address(state.thread_index()));
    const bool pause = state.range(0) != 0;
    int failures = 0;
    for (auto _ : state) {
        if (!client.RoundTrip(2000)) ++failures;
        if (pause) std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    state.SetItemsProcessed(state.iterations());
    state.counters["failures"] = failures;
}
BENCHMARK(RawSocketAcknowledgedSet)
    ->ArgName("pause2ms")
    ->Arg(1)
    ->Arg(0)
    ->Threads(1)
    ->Threads(kPorts)
    ->UseRealTime()
    ->MinTime(2.0);

}  // namespace

BENCHMARK_MAIN();
