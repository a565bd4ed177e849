#pragma once
// Emulated zone device: one TCP server multiplexing several CAN zones, each its own bus.
//
// 0x09 (probe and keep-alive) is echoed; 0x19 asks for the zone list, answered with the
// number of zones as one ASCII digit; 0x49 carries a 16-byte message whose byte 0 selects the
// zone (1..zones; 0 = every zone) and comes back as 0x49 with byte 0 = the zone it came from.
// Zones carry first-generation devices: requests use the first-generation identifier layout.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "sim/gateway_server.h"
#include "sim/virtual_bus.h"

namespace norvane::sim {

struct ZoneDeviceOptions {
    std::string address = "127.0.0.1";
    uint16_t port = 28877;
    uint8_t zones = 2;  ///< 1-9 (the list answer is one digit)
    BusOptions bus;     ///< each zone's bus; the log channel gets the zone number appended
};

class ZoneDevice : public GatewayServer {
public:
    explicit ZoneDevice(ZoneDeviceOptions options);
    ~ZoneDevice() override;

    bool Start();
    void Stop();

    uint8_t ZoneCount() const { return static_cast<uint8_t>(zones_.size()); }
    /// Bus of zone 1..ZoneCount().
    VirtualBus& Zone(uint8_t number) { return *zones_.at(number - 1); }

protected:
    void OnHostFrame(const HostFrame& frame) override;

private:
    void Relay(const std::vector<uint8_t>& payload);
    void OnZoneFrame(uint8_t zone, const CanFrame& frame);

    std::vector<std::unique_ptr<VirtualBus>> zones_;
};

}  // namespace norvane::sim
