// The UART port: probes, the gateway's own frames, flow control, open and close.
#include "sdk/serial/uart_port.h"

#include <cstdio>
#include <cstring>

#include "platform/clock.h"
#include "sdk/core/codec/reply_frame.h"
#include "sdk/core/traffic_recorder.h"
#include "sdk/serial/uart_wire_format.h"

namespace norvane::sdk {
namespace {

constexpr uint32_t kProbePauseMs = 20;
constexpr size_t kProbeBuffer = 64;
constexpr uint8_t kGatewayNode = 1;
constexpr uint8_t kFlowControl = 0x5D;
constexpr uint8_t kErrorReport = 0x0F;
constexpr uint8_t kNodeList = 0x40;
constexpr uint8_t kSerialNumber = 0x0C;
constexpr uint32_t kRegistrationWaitMs = 2000;
constexpr uint32_t kLegacyRegistrationWaitMs = 1000;
constexpr uint32_t kReceiveWaitMs = 100;

}  // namespace

CNvUartPort::CNvUartPort(int portNumber) : CNvSerialLinePort(portNumber, std::make_unique<UartWireFormat>()) {
    kind = kLegacyKind;
    baudRate = kDefaultBaud;
    timing.discoveryWaitMs = kRegistrationWaitMs;
    timing.legacyDiscoveryWaitMs = kLegacyRegistrationWaitMs;
    timing.receivePollMs = kReceiveWaitMs;
    // The UART gateway answers within a few bytes' time: sets wait 100 ms, gets 200 ms.
    timing.setTimeoutMs = 100;
    timing.getTimeoutMs = 200;
}

int CNvUartPort::SetCommandLegacy(uint32_t handle, uint32_t node, uint8_t controlWord, int index,
                                  const void* data, KymReply* reply) {
    const bool addressChange =
        (controlWord & 0x7F) == kSerialNumber && node < static_cast<uint32_t>(kNodeSlots);
    if (addressChange && index == 1) registration_[node] = 1;
    const int result = CNvSerialLinePort::SetCommandLegacy(handle, node, controlWord, index, data, reply);
    if (addressChange && index == 2) registration_[node] = 2;
    return result;
}

// ---------------------------------------------------------------------------------------------
// Flow control

void CNvUartPort::NoteFlowControl(int value) {
    pauseValue_ = value;
    if (value < 10) pauseFlag_ = true;
}

uint32_t CNvUartPort::TakePause() {
    if (!pauseFlag_.exchange(false)) return 0;
    const int value = pauseValue_.load();
    const uint32_t ms = value < 0 ? 10 : static_cast<uint32_t>(10 - value);
    platform::SleepMs(ms);
    return ms;
}

// ---------------------------------------------------------------------------------------------
// Probes: one attempt at the port's rate

bool CNvUartPort::ProbeAnswer(const char* text, uint8_t controlWord, uint8_t* frame, size_t& length) {
    if (!SendText(text)) return false;
    platform::SleepMs(kProbePauseMs);
    uint8_t buffer[kProbeBuffer];
    const int n = line_.Receive(buffer, sizeof buffer, probeWaitMs);
    size_t count = n > 0 ? static_cast<size_t>(n) : 0;
    while (count > 0) {
        size_t frameLength = 0;
        const bool found = FindUartReplyFrame(buffer, count, sizeof buffer, controlWord, frameLength);
        if (frameLength == 0) return false;
        if (found) {
            std::memcpy(frame, buffer, frameLength);
            length = frameLength;
            return true;
        }
        std::memmove(buffer, buffer + frameLength, count - frameLength);
        count -= frameLength;
    }
    return false;
}

int CNvUartPort::ProbeWith(const char* text) {
    if (!line_.Open(baudRate != 0 ? baudRate : kDefaultBaud)) return 0;
    uint8_t frame[kProbeBuffer];
    size_t length = 0;
    bool ok = ProbeAnswer(text, 0x0B, frame, length) && length >= 14;
    if (ok) {
        gatewayNode = frame[1];
        modelNumber = static_cast<uint32_t>(static_cast<int8_t>(frame[3]) * 256 + frame[8]) & 0xFFFF;
        firmwareNumber = frame[11] + frame[12] * 256u;
        knownBaud = baudRate;
        displayName = "COM" + std::to_string(PortNumber());
        ok = ProbeAnswer("pp[5];", 0, frame, length) && length >= 6 && frame[2] == 1 && frame[3] == 5;
        if (ok) legacyBitRate = bitRateCode = static_cast<uint32_t>(static_cast<int8_t>(frame[4]));
    }
    line_.Close();
    identified = ok ? 1 : 0;
    return identified;
}

int CNvUartPort::Probe() {
    kind = kKind;
    char text[32];
    std::snprintf(text, sizeof text, "{adr%d;}ml;", gatewayNode);
    return ProbeWith(text);
}

int CNvUartPort::ProbeLegacy() {
    kind = kLegacyKind;
    return ProbeWith("{*1;}ml;");
}

// ---------------------------------------------------------------------------------------------
// Receiving

void CNvUartPort::HandleUnit(const ReceivedUnit& unit, bool legacy) {
    if (unit.kind != ReceivedUnit::Kind::ReplyBytes) {
        CNvLinkPort::HandleUnit(unit, legacy);
        return;
    }
    const uint8_t* f = unit.bytes;
    const size_t n = unit.length;
    KymCanMsg message{};
    if (!DecodeUartFrame(f, n, message)) return;
    const uint8_t command = message.controlWord & 0x7F;
    if (message.node == kGatewayNode && command == kFlowControl) {
        if (!legacy && n >= 10) NoteFlowControl(f[7] + f[8] * 256);
        return;
    }
    if (legacy) {
        if (message.node == kGatewayNode && n >= 7 && (command == 0x7F || command == 0x6F)) {
            message.node = f[3];
            message.controlWord = f[4];
            message.extra = f[5] + f[6] * 256u;
        } else if (message.node == kGatewayNode && n >= 7 && command == kErrorReport) {
            message.node = f[3];
            message.extra = f[5] + f[6] * 256u;
        } else if (message.node == kGatewayNode && n >= 10 && command == kSerialNumber &&
                   registration_[0] == 1) {
            // The gateway reports the node that took a new address: its id in f3, the serial
            // number from data byte 2 on.
            message.node = f[3];
            message.length = 4;
            std::memmove(message.data, message.data + 2, 4);
            std::memset(message.data + 4, 0, 4);
            message.extra = message.data[0];
        } else if (n >= 5 && command >= 0x25 && command <= 0x28) {
            message.extra = f[3] + f[4] * 256u;
        }
        RecordTraffic(Handle(), TrafficDirection::Received, true, message);
        FileLegacyMessage(message);
        return;
    }
    if (message.node == kGatewayNode && command == kErrorReport && n >= 5) message.node = f[3];
    if (command == kNodeList) {
        // A node list: the count in f1, ids from f3 on up to a 0 or a byte of 0x80 and above.
        const size_t count = f[1] & 0x7Fu;
        for (size_t i = 3; i + 1 < n && i - 3 < count && f[i] != 0 && f[i] < 0x80; ++i) {
            KymCanMsg entry{};
            entry.node = f[i];
            entry.controlWord = kNodeList;
            RecordTraffic(Handle(), TrafficDirection::Received, false, entry);
            FileDiscoveryAnswer(1, entry);
        }
        return;
    }
    RecordTraffic(Handle(), TrafficDirection::Received, false, message);
    FileMessage(message);
}

void CNvUartPort::BeforeStart() {
    pauseValue_ = 500;
    pauseFlag_ = false;
}

}  // namespace norvane::sdk
