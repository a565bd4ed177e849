// A PCI gateway over SocketCAN as a contract transport: norvane-sim's "socketcan" interfaces
// can0 and can1 (as its configuration lines make them) in a folder of their own, mapped to card 0
// through HALBOX_SOCKETCAN and reached by libHalbox.so through HALBOX_SOCKETCAN_SIM.
#include <unistd.h>

#include <cstdlib>

#include "halbox_transport.h"
#include "norvane/NorvaneFunc.h"
#include "sim/simulation.h"

namespace norvane::contract {
namespace {

class SocketCanTransport : public HalboxTransport {
public:
    explicit SocketCanTransport(uint8_t octet)
        : dir_("/tmp/norvane-contract-socketcan-" + std::to_string(getpid()) + "-" + std::to_string(octet)) {}
    ~SocketCanTransport() override {
        simulation_.Stop();
        rmdir(dir_.c_str());
        unsetenv("HALBOX_SOCKETCAN_SIM");
        unsetenv("HALBOX_SOCKETCAN");
    }

    bool Start(std::string& error) override {
        SetSerialTransmissision(0);
        sim::SimConfig config;
        if (!sim::ParseSimConfig("socketcan can0 bitrate-code=0 bus-time\n"
                                 "socketcan can1 bitrate-code=0 bus-time\n"
                                 "node controller 11\n",
                                 config, error))
            return false;
        config.socketcanDir = dir_;
        std::vector<std::string> notes;
        if (!simulation_.Start(config, error, notes)) return false;
        AddControllers(simulation_.SocketCans()->Bus("can0"));
        // HALBOX_SIM would choose the simulated SJA1000 cards instead.
        unsetenv("HALBOX_SIM");
        setenv("HALBOX_SOCKETCAN_SIM", dir_.c_str(), 1);
        setenv("HALBOX_SOCKETCAN", "can0,can1", 1);
        return true;
    }
    sim::VirtualBus* Bus() override { return &simulation_.SocketCans()->Bus("can0"); }

private:
    const std::string dir_;
    sim::Simulation simulation_;
};

}  // namespace

std::unique_ptr<ContractTransport> MakeSocketCanTransport(uint8_t testOctet) {
    return std::make_unique<SocketCanTransport>(testOctet);
}

}  // namespace norvane::contract
