#pragma once
// A simulated first-generation Ethernet gateway on its own loopback address, searched and opened
// through the public first-generation exports (kind 8192, handle 0x200000).
#include <arpa/inet.h>
#include <unistd.h>

#include <chrono>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "norvane/NorvaneFunc.h"
#include "platform/trace.h"
#include "sim/ethernet_gateway.h"
#include "sim/nodes/first_gen_controller.h"

namespace legacy_bench {

namespace nodes = norvane::sim::nodes;

constexpr uint32_t kHandle = 0x200000;

inline uint32_t HostAddress(const std::string& text) {
    in_addr a{};
    inet_pton(AF_INET, text.c_str(), &a);
    return ntohl(a.s_addr);
}

class Bench {
public:
    explicit Bench(const char* address, uint8_t bitRateCode = 2) : address_(address) {
        SetSerialTransmissision(0);
        // Each test process gets its own address; the port only has to be free on it.
        SetEthernetServerPort(20000 + static_cast<uint32_t>(getpid()) % 12000);
        norvane::sim::EthernetGatewayOptions options;
        options.address = address;
        options.port = static_cast<uint16_t>(GetEthernetServerPort());
        options.bitRateCode = bitRateCode;
        gateway_ = std::make_unique<norvane::sim::EthernetGateway>(options);
    }
    ~Bench() {
        CloseGateWay(kHandle);
        gateway_->Stop();
    }

    nodes::FirstGenController& Add(uint8_t id, const nodes::FirstGenOptions& options = {}) {
        return *static_cast<nodes::FirstGenController*>(
            gateway_->Bus().AddNode(std::make_unique<nodes::FirstGenController>(id, options)));
    }
    bool Start() { return gateway_->Start(); }

    /// First-generation search of this address; the filled record in *record.
    int Search(KymSearchRecord* record) {
        KymSearchRecord records[5] = {};
        records[0].address = HostAddress(address_);
        const int n = SearchGateWay(0x2000, records, 5);
        *record = records[0];
        return n;
    }
    /// Search, then OpenGateWay for the first-generation handle.
    int Open(KymNodeRecord* records, int max, uint32_t* out = nullptr) {
        KymSearchRecord found{};
        if (Search(&found) != 1) return -100;
        return OpenGateWay(kHandle, records, max, out);
    }

    norvane::sim::EthernetGateway& Gateway() { return *gateway_; }

private:
    std::string address_;
    std::unique_ptr<norvane::sim::EthernetGateway> gateway_;
};

/// Collects the SDK's trace lines while it lives.
class TraceLines {
public:
    TraceLines() {
        norvane::platform::SetTraceCapture([this](const std::string& line) {
            std::lock_guard lock(mutex_);
            lines_.push_back(line);
        });
    }
    ~TraceLines() { norvane::platform::SetTraceCapture({}); }
    std::vector<std::string> Lines() {
        std::lock_guard lock(mutex_);
        return lines_;
    }
    void Clear() {
        std::lock_guard lock(mutex_);
        lines_.clear();
    }

private:
    std::mutex mutex_;
    std::vector<std::string> lines_;
};

/// Milliseconds fn took.
template <typename Fn>
long ElapsedMs(Fn&& fn) {
    const auto start = std::chrono::steady_clock::now();
    fn();
    return static_cast<long>(
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start)
            .count());
}

}  // namespace legacy_bench
