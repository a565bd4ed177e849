// Costs of an open Ethernet port that a throughput figure does not show: idle CPU, close
// latency, resident memory per port, and a fixed run of acknowledged commands for callgrind.
// The gateways run in another process (norvane-sim), so only the SDK's own work is measured.
//
//   bench_port_costs costs ADDRESS...        (one to five gateway addresses, node 5 behind each)
//   bench_port_costs commands ADDRESS COUNT  (COUNT acknowledged SetSPD commands, for callgrind)
#include <arpa/inet.h>
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "norvane/NorvaneFunc.h"
#include "sdk/ethernet/socket_client.h"

namespace {

using Clock = std::chrono::steady_clock;
using norvane::sdk::CNvSocketClient;

uint32_t HostOrder(const char* address) {
    in_addr a{};
    inet_pton(AF_INET, address, &a);
    return ntohl(a.s_addr);
}

std::unique_ptr<CNvSocketClient> OpenPort(const char* address) {
    auto port = std::make_unique<CNvSocketClient>(HostOrder(address));
    port->legacyProtocol = 0;
    port->portIndex = 1;
    if (port->Connect() != 1 || port->StartReceiver(port->Handle()) != 1) return nullptr;
    return port;
}

double CpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

long ResidentKiB() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmRSS:", 0) == 0) return std::strtol(line.c_str() + 6, nullptr, 10);
    }
    return -1;
}

int Costs(int count, char** addresses) {
    // Idle CPU of one open port.
    auto idle = OpenPort(addresses[0]);
    if (!idle) {
        std::printf("cannot open %s\n", addresses[0]);
        return 1;
    }
    const double cpu0 = CpuSeconds();
    const auto t0 = Clock::now();
    std::this_thread::sleep_for(std::chrono::seconds(5));
    const double wall = std::chrono::duration<double>(Clock::now() - t0).count();
    std::printf("idle CPU of one open port: %.3f %% of one core\n", 100.0 * (CpuSeconds() - cpu0) / wall);

    // Close latency: goodbye, threads stopped and joined, socket closed.
    double worstMs = 0, sumMs = 0;
    const int closes = 5;
    for (int i = 0; i < closes; ++i) {
        if (i > 0) idle = OpenPort(addresses[0]);
        const auto start = Clock::now();
        idle->Disconnect(idle->Handle());
        const double ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
        sumMs += ms;
        worstMs = std::max(worstMs, ms);
    }
    std::printf("close latency: mean %.2f ms, worst %.2f ms over %d closes\n", sumMs / closes, worstMs,
                closes);
    idle.reset();

    // Resident memory per open port.
    const long before = ResidentKiB();
    std::vector<std::unique_ptr<CNvSocketClient>> ports;
    for (int i = 0; i < count; ++i) ports.push_back(OpenPort(addresses[i]));
    KymReply reply{};
    int32_t value = 100;
    for (auto& port : ports) {
        if (port) port->SetCommand(port->Handle(), 5, 0x87, 0, &value, &reply);
    }
    const long after = ResidentKiB();
    std::printf("resident memory per open port: %.0f KiB (%d ports, %ld -> %ld KiB)\n",
                static_cast<double>(after - before) / count, count, before, after);
    return 0;
}

int Commands(const char* address, int count) {
    auto port = OpenPort(address);
    if (!port) return 1;
    KymReply reply{};
    int failures = 0;
    for (int i = 0; i < count; ++i) {
        int32_t value = 1000 + i;
        if (port->SetCommand(port->Handle(), 5, 0x87, 0, &value, &reply) != 1) ++failures;
    }
    std::printf("%d acknowledged commands, %d failed\n", count, failures);
    return failures == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc >= 3 && std::strcmp(argv[1], "costs") == 0) return Costs(std::min(argc - 2, 5), argv + 2);
    if (argc == 4 && std::strcmp(argv[1], "commands") == 0) return Commands(argv[2], std::atoi(argv[3]));
    std::fprintf(stderr, "usage: %s costs ADDRESS... | commands ADDRESS COUNT\n", argv[0]);
    return 2;
}
