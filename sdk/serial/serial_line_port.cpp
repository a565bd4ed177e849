// The serial-line port: opening at the answered rate, starting the threads, closing.
#include "sdk/serial/serial_line_port.h"

#include <cstdio>
#include <cstring>

#include "platform/clock.h"
#include "sdk/core/codec/commands.h"

namespace norvane::sdk {
namespace {

constexpr uint8_t kCommSettings = cmd::first_gen::kCommunication;  // pp[...]
constexpr int kBitRateSetting = 5;

}  // namespace

CNvSerialLinePort::CNvSerialLinePort(int portNumber, std::unique_ptr<WireFormat> format)
    : CNvLinkPort(std::make_unique<SerialLink>(portNumber), std::move(format)),
      line_(static_cast<SerialLink&>(link())) {}

CNvSerialLinePort::~CNvSerialLinePort() {
    CloseLine(Handle());
    StopThreads();
}

bool CNvSerialLinePort::SendText(const char* text) {
    const size_t length = std::strlen(text);
    return line_.Send(reinterpret_cast<const uint8_t*>(text), length) == static_cast<int>(length);
}

int CNvSerialLinePort::OpenLine(uint32_t handle) {
    if (!line_.IsOpen()) {
        const uint32_t rate = knownBaud != 0 ? knownBaud : baudRate;
        if (rate == 0 || !line_.Open(rate)) return 0;
    }
    BeforeStart();
    if (StartReceiver(handle) != 1) {
        CloseLine(handle);
        return 0;
    }
    return 1;
}

int CNvSerialLinePort::CloseLine(uint32_t handle) {
    receiveRunning = 0;
    line_.Close();  // a receive thread waiting in a read leaves it at once
    WakeWaiters(handle);
    StopThreads();
    return 1;
}

int CNvSerialLinePort::Open(uint32_t handle, KymNodeRecord* records, int max, uint32_t*) {
    if (OpenLine(handle) != 1) return 0;
    return OpenNodes(handle, records, max);
}

int CNvSerialLinePort::OpenLegacy(uint32_t handle, KymNodeRecord* records, int max, uint32_t* out) {
    if (OpenLine(handle) != 1) return 0;
    if (out != nullptr) {
        // The gateway's CAN bit-rate code (its pp[5]): a gateway that does not give it fails the
        // open (the line stays open for the gateway's close).
        KymReply reply{};
        const int got =
            legacyProtocol == 1
                ? GetCommandLegacy(handle, gatewayNode, 0x80 | kCommSettings, kBitRateSetting, &reply)
                : GetCommand(handle, gatewayNode, 0x80 | kCommSettings, kBitRateSetting, &reply);
        if (got != 1) return 0;
        *out = static_cast<uint32_t>(reply.field[0]);
    }
    return OpenNodesLegacy(handle, records, max, nullptr);
}

int CNvSerialLinePort::Open753UartDevice(uint32_t gatewayId) {
    const uint32_t gatewayKind = (gatewayId >> 8) & 0xFFFF;
    legacyProtocol = gatewayKind == 32 || gatewayKind == 1 ? 0 : 1;
    portIndex = gatewayId & 0xFF;
    if (!line_.IsOpen()) {
        const uint32_t rate = knownBaud != 0 ? knownBaud : baudRate;
        if (rate == 0 || !line_.Open(rate)) {
            std::printf("Open753UartDevice Open Faild! ");
            std::fflush(stdout);
            return 0;
        }
    }
    BeforeStart();
    const int started = StartReceiver(Handle());
    if (started != 1) CloseLine(Handle());  // no line is left open without its reader
    platform::SleepMs(5);
    return started;
}

}  // namespace norvane::sdk
