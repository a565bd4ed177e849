#pragma once
// Shared set-up of the notification tests: a simulated Ethernet gateway (second or first
// generation) with its devices, opened through the public exports, and small waiting helpers.
// ctest runs every test in its own process at the same time, so each test takes its own
// loopback address (127.0.<61..69>.<line>) and the gateways never meet.
#include <arpa/inet.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "norvane/NorvaneFunc.h"
#include "sdk/core/gateway_registry.h"
#include "sdk/ethernet/eth_gateway.h"
#include "sim/ethernet_gateway.h"
#include "sim/host_frames.h"
#include "sim/nodes/first_gen_controller.h"
#include "sim/nodes/flood_node.h"
#include "sim/nodes/node_factory.h"

namespace notify_test {

using Clock = std::chrono::steady_clock;
namespace nodes = norvane::sim::nodes;

constexpr uint32_t kHandle = 0x1001;          // second-generation Ethernet port
constexpr uint32_t kLegacyHandle = 0x200000;  // first-generation Ethernet port

inline long ElapsedMs(Clock::time_point since) {
    return static_cast<long>(
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - since).count());
}

inline std::string AddressFor(int line, int subnet) {
    return "127.0." + std::to_string(subnet) + "." + std::to_string(line % 254 + 1);
}

inline uint32_t HostOrder(const std::string& address) {
    in_addr a{};
    inet_pton(AF_INET, address.c_str(), &a);
    return ntohl(a.s_addr);
}

/// Polls until done() or timeoutMs passed; returns done().
inline bool WaitUntil(const std::function<bool()>& done, long timeoutMs = 3000) {
    const auto start = Clock::now();
    while (!done()) {
        if (ElapsedMs(start) > timeoutMs) return done();
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

/// A simulated gateway at address: second-generation controllers at controllerIds, first-generation
/// controllers at legacyIds, and a flood device at floodId (0 = none).
struct SimGateway {
    SimGateway(const std::string& address, std::vector<uint8_t> controllerIds, uint8_t floodId = 0,
               std::vector<uint8_t> legacyIds = {}) {
        norvane::sim::EthernetGatewayOptions options;
        options.address = address;
        options.port = static_cast<uint16_t>(GetEthernetServerPort());
        gateway = std::make_unique<norvane::sim::EthernetGateway>(options);
        for (uint8_t id : controllerIds) {
            nodes::NodeConfig config;
            config.id = id;
            controllers[id] =
                static_cast<nodes::SecondGenController*>(gateway->Bus().AddNode(nodes::MakeNode(config)));
        }
        for (uint8_t id : legacyIds) {
            legacy[id] = static_cast<nodes::FirstGenController*>(
                gateway->Bus().AddNode(std::make_unique<nodes::FirstGenController>(id)));
        }
        if (floodId != 0) {
            flood = static_cast<nodes::FloodNode*>(
                gateway->Bus().AddNode(std::make_unique<nodes::FloodNode>(floodId)));
        }
        started = gateway->Start();
    }
    ~SimGateway() { gateway->Stop(); }

    /// Sends a received-message frame (0x73, CAN framing) straight to the host.
    void SendCanFrame(uint8_t node, uint8_t controlWord, std::vector<uint8_t> data) {
        uint8_t payload[13] = {controlWord, 0, static_cast<uint8_t>((node >> 5) & 3),
                               static_cast<uint8_t>(node & 0x1F), static_cast<uint8_t>(data.size())};
        std::memcpy(payload + 5, data.data(), std::min<size_t>(data.size(), 8));
        gateway->SendRaw(norvane::sim::BuildGatewayFrame(0x73, payload, sizeof payload));
    }
    /// Sends a serial-transmission frame (0x24) with payload straight to the host.
    void SendSerialFrame(const std::vector<uint8_t>& payload) {
        gateway->SendRaw(norvane::sim::BuildGatewayFrame(0x24, payload.data(), payload.size()));
    }

    std::unique_ptr<norvane::sim::EthernetGateway> gateway;
    nodes::SecondGenController* controllers[126] = {};
    nodes::FirstGenController* legacy[126] = {};
    nodes::FloodNode* flood = nullptr;
    bool started = false;
};

/// Search and open of the second-generation Ethernet gateway at address; the node count or < 1.
inline int OpenSecondGen(const std::string& address) {
    uint32_t params[10] = {0, 0, 0, 0, 1, HostOrder(address)};
    KymDevInfo infos[5];
    if (SearchGateway(16, params, infos, 5) != 1) return -100;
    uint32_t ids[126];
    int32_t rate = 0;
    return OpenGateway(kHandle, ids, 126, &rate);
}

/// Search and open of the first-generation Ethernet gateway at address; the node count or < 1.
inline int OpenFirstGen(const std::string& address) {
    KymSearchRecord records[5] = {};
    records[0].address = HostOrder(address);
    if (SearchGateWay(0x2000, records, 5) != 1) return -100;
    KymNodeRecord found[8] = {};
    return OpenGateWay(kLegacyHandle, found, 8, nullptr);
}

/// The opened second-generation Ethernet port (for its drop counters).
inline std::shared_ptr<norvane::sdk::CNvSocketClient> SecondGenPort() {
    auto gateway = std::dynamic_pointer_cast<norvane::sdk::CETHCAN>(
        norvane::sdk::GatewayAt(norvane::sdk::GatewaySlot::Ethernet));
    return gateway ? gateway->EthernetPort(kHandle) : nullptr;
}

/// Resident memory of this process in KiB.
inline long ResidentKiB() {
    long kib = -1;
    if (FILE* f = std::fopen("/proc/self/status", "r")) {
        char line[256];
        while (std::fgets(line, sizeof line, f) != nullptr) {
            if (std::sscanf(line, "VmRSS: %ld", &kib) == 1) break;
        }
        std::fclose(f);
    }
    return kib;
}

}  // namespace notify_test
