#pragma once
// RS-232 gateway emulators on pseudo-terminals with controllers behind them, mapped into the
// COM-number table through NORVANE_SERIAL_PORTS, and probe timing short enough for tests.
#include <stdlib.h>

#include <map>
#include <memory>
#include <string>

#include "doubles/sim_controllers.h"
#include "sdk/serial/serial_gateway.h"
#include "sim/rs232_gateway.h"

namespace norvane::testing {

class SerialBench {
public:
    ~SerialBench() {
        for (auto& [number, gateway] : gateways_) gateway->Stop();
        unsetenv("NORVANE_SERIAL_PORTS");
    }

    /// An emulator as COM<number> listening at baud, with controllers of the gateway's
    /// generation at nodes 5 and 9.
    sim::Rs232Gateway& Add(int number, uint32_t baud = 57600, bool uart = false, uint8_t generation = 2,
                           uint32_t firmware = 1802) {
        sim::Rs232GatewayOptions options;
        options.uart = uart;
        options.comNumber = number;
        options.baud = baud;
        options.generation = generation;
        options.firmware = firmware;
        options.discoveryWindowMs = 100;
        auto gateway = std::make_unique<sim::Rs232Gateway>(options);
        testing::AddControllers(gateway->Bus(), {5, 9}, generation == 1);
        gateway->Start();
        auto& added = *gateway;
        gateways_[number] = std::move(gateway);
        Publish();
        return added;
    }
    /// A COM number whose path leads nowhere.
    void AddMissing(int number) {
        missing_[number] = "/nonexistent/tty" + std::to_string(number);
        Publish();
    }

    /// Probe timing that keeps each rate's attempt short (pause 60 ms at 9600 baud, 7.5 ms at
    /// 57600; each read waits up to 100 ms, returning as soon as bytes arrive).
    static sdk::SerialProbeTiming FastProbe() {
        sdk::SerialProbeTiming timing;
        timing.delayNumerator = 576000;
        timing.readMs = 100;
        return timing;
    }

private:
    void Publish() {
        std::string map;
        for (auto& [number, gateway] : gateways_)
            map += "COM" + std::to_string(number) + "=" + gateway->SlavePath() + ";";
        for (auto& [number, path] : missing_) map += "COM" + std::to_string(number) + "=" + path + ";";
        setenv("NORVANE_SERIAL_PORTS", map.c_str(), 1);
    }

    std::map<int, std::unique_ptr<sim::Rs232Gateway>> gateways_;
    std::map<int, std::string> missing_;
};

}  // namespace norvane::testing
