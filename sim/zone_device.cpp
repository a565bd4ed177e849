#include "sim/zone_device.h"

#include <algorithm>

#include "sim/bus_identifier.h"

namespace norvane::sim {

ZoneDevice::ZoneDevice(ZoneDeviceOptions options) : GatewayServer(options.address, options.port) {
    const uint8_t count = std::clamp<uint8_t>(options.zones, 1, 9);
    for (uint8_t z = 1; z <= count; ++z) {
        BusOptions bus = options.bus;
        bus.channel += std::to_string(z);
        if (!bus.logPath.empty()) bus.logPath += "." + std::to_string(z);
        zones_.push_back(std::make_unique<VirtualBus>(bus));
        zones_.back()->SetGatewayListener([this, z](const CanFrame& frame) { OnZoneFrame(z, frame); });
    }
}

ZoneDevice::~ZoneDevice() {
    Stop();
}

bool ZoneDevice::Start() {
    for (auto& z : zones_) z->Start();
    if (GatewayServer::Start()) return true;
    for (auto& z : zones_) z->Stop();
    return false;
}

void ZoneDevice::Stop() {
    GatewayServer::Stop();
    for (auto& z : zones_) z->Stop();
}

void ZoneDevice::OnHostFrame(const HostFrame& frame) {
    using namespace host_command;
    switch (frame.command) {
        case kZoneProbe:
            QueueAnswer(BuildGatewayFrame(kZoneProbe, nullptr, 0));
            break;
        case kZoneList: {
            const uint8_t digit = static_cast<uint8_t>('0' + zones_.size());
            QueueAnswer(BuildGatewayFrame(kZoneList, &digit, 1));
            break;
        }
        case kZoneMessage:
            Relay(frame.payload);
            break;
        default:
            ++MutableCounters().unknownCommands;
    }
}

void ZoneDevice::Relay(const std::vector<uint8_t>& payload) {
    if (payload.size() < 16 || payload[0] > zones_.size()) {
        ++MutableCounters().malformedFrames;
        return;
    }
    CanFrame frame;
    frame.id = FirstGenBusIdentifier(payload[1], payload[2]);
    frame.length = static_cast<uint8_t>(std::min(payload[3] & 0x0F, 8));
    std::copy(payload.begin() + 8, payload.begin() + 8 + frame.length, frame.data);
    if (payload[0] == 0) {
        for (auto& z : zones_) z->Send(frame);
    } else {
        zones_[payload[0] - 1]->Send(frame);
    }
}

void ZoneDevice::OnZoneFrame(uint8_t zone, const CanFrame& frame) {
    const BusAddress a = DecodeNodeIdentifier(frame.id);
    uint8_t payload[16] = {};
    payload[0] = zone;
    payload[1] = a.node;
    payload[2] = a.controlWord;
    payload[3] = std::min<uint8_t>(frame.length, 8);
    payload[4] = payload[3] > 0 ? frame.data[0] : 0;  // extra word: the first data byte
    std::copy(frame.data, frame.data + payload[3], payload + 8);
    QueueAnswer(BuildGatewayFrame(host_command::kZoneMessage, payload, sizeof payload));
}

}  // namespace norvane::sim
