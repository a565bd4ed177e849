// The RS-232 port: probes, open and close over the generic port.
#include "sdk/serial/serial_port.h"

#include <cstdio>
#include <cstring>

#include "platform/clock.h"
#include "platform/trace.h"
#include "sdk/core/codec/reply_frame.h"
#include "sdk/core/request_flow.h"

namespace norvane::sdk {
namespace {

constexpr uint32_t kRateList[] = {9600, 57600, 115200, 19200, 38400, 4800};
constexpr int kHandshakeTries = 3;
constexpr size_t kIdentityBytes = 13;
constexpr uint32_t kRegistrationWaitMs = 2000;
constexpr uint32_t kReceiveWaitMs = 200;
constexpr uint32_t kOldFirmwareBelow = 0x70A;
constexpr uint8_t kSerialNumber = 0x0C;
constexpr uint8_t kModel = 0x0B;

bool IsIdentity(const uint8_t* answer, size_t length) {
    return length == kIdentityBytes && answer[0] == 0xAA && answer[1] == 0xAB && answer[2] == 0xAC &&
           answer[12] == 0xFF;
}

}  // namespace

std::vector<uint32_t> ProbeRates(uint32_t knownBaud) {
    if (knownBaud != 0) return {knownBaud};
    return {std::begin(kRateList), std::end(kRateList)};
}

CNvSerialPort::CNvSerialPort(int portNumber)
    : CNvSerialLinePort(portNumber, std::make_unique<SerialWireFormat>()),
      wire_(static_cast<const SerialWireFormat&>(format())) {
    kind = kKind;
    nodeOneKeepsControlWord = true;
    timing.discoveryWaitMs = kRegistrationWaitMs;
    timing.legacyDiscoveryWaitMs = kRegistrationWaitMs;
    timing.receivePollMs = kReceiveWaitMs;
}

// ---------------------------------------------------------------------------------------------
// Probes

int CNvSerialPort::ProbeExchange(const char* text, uint32_t rate, uint8_t* answer, size_t capacity) {
    if (line_.Send(reinterpret_cast<const uint8_t*>(text), std::strlen(text)) <= 0) return 0;
    platform::SleepMs(probeTiming.delayNumerator / rate);
    const int n = line_.Receive(answer, capacity, probeTiming.readMs);
    return n > 0 ? n : 0;
}

int CNvSerialPort::Probe() {
    kind = kKind;
    static constexpr char kHandshake[] = "ABC;";
    for (const uint32_t rate : ProbeRates(knownBaud)) {
        if (!line_.Open(rate)) return 0;  // a port that cannot be opened ends the whole probe
        uint8_t answer[kReplyBufferSize] = {};
        size_t got = 0;
        for (int attempt = 0; attempt < kHandshakeTries && got == 0; ++attempt)
            got = static_cast<size_t>(ProbeExchange(kHandshake, rate, answer, sizeof answer));
        if (got > 0 && got < kIdentityBytes && answer[0] != 0xEE) {
            // The answer came in pieces: ask once more and take only what completes it.
            line_.Send(reinterpret_cast<const uint8_t*>(kHandshake), 4);
            platform::SleepMs(probeTiming.restMs);
            const int rest = line_.Receive(answer + got, kIdentityBytes - got, probeTiming.restMs);
            if (rest > 0) got += static_cast<size_t>(rest);
        }
        line_.Close();
        if (IsIdentity(answer, got) && (answer[3] == 0x18 || answer[3] == 0x19)) {
            const int version = (answer[7] * 128 + answer[8]) * 128 + answer[9];
            char name[64];
            std::snprintf(name, sizeof name, "COM%d: KYM%02d%02d - V%d", PortNumber(), answer[3], answer[4],
                          version);
            displayName = name;
            modelNumber = answer[3] * 256u + answer[4];
            firmwareNumber = static_cast<uint32_t>(version);
            knownBaud = baudRate = rate;
            identified = 1;
            return 1;
        }
    }
    return 0;
}

bool CNvSerialPort::LegacyProbeAnswer(const char* text, uint32_t rate, uint8_t controlWord, uint8_t* frame,
                                      size_t& length) {
    uint8_t buffer[kReplyBufferSize];
    size_t count = static_cast<size_t>(ProbeExchange(text, rate, buffer, sizeof buffer));
    while (count > 0) {
        size_t frameLength = 0;
        const bool found = FindLegacyReplyFrame(buffer, count, controlWord, frameLength);
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

bool CNvSerialPort::ProbeLegacyAt(uint32_t rate) {
    uint8_t frame[kReplyBufferSize];
    size_t length = 0;
    char text[32];
    std::snprintf(text, sizeof text, "{*%d;}ml;", gatewayNode);
    if (!LegacyProbeAnswer(text, rate, 0x0B, frame, length) || length < 10) return false;
    gatewayNode = frame[1];
    modelNumber = static_cast<uint32_t>(static_cast<int8_t>(frame[3]) * 256 + frame[4]) & 0xFFFF;
    firmwareNumber = frame[7] + frame[8] * 256u;
    oldFirmware = firmwareNumber < kOldFirmwareBelow;
    knownBaud = baudRate = rate;
    displayName = "COM" + std::to_string(PortNumber());
    std::snprintf(text, sizeof text, "{*%d;}sn;", gatewayNode);
    if (!LegacyProbeAnswer(text, rate, 0x0C, frame, length) || length < 8) return false;
    std::memcpy(&serialNumber, frame + 3, 4);
    extraInfo = serialNumber;
    if (!LegacyProbeAnswer("pp[5];", rate, 0x01, frame, length) || length < 6) return false;
    legacyBitRate = bitRateCode = static_cast<uint32_t>(static_cast<int8_t>(frame[4]));
    return true;
}

int CNvSerialPort::ProbeLegacy() {
    kind = kLegacyKind;
    for (const uint32_t rate : ProbeRates(knownBaud)) {
        if (!line_.Open(rate)) return 0;
        const bool answered = ProbeLegacyAt(rate);
        line_.Close();
        if (answered) {
            identified = 1;
            return 1;
        }
    }
    return 0;
}

// ---------------------------------------------------------------------------------------------
// First-generation registration

int CNvSerialPort::Broadcast(const char* text, KymNodeRecord* records, int max) {
    DiscoveryPlan plan;
    plan.command = kSerialNumber;
    plan.waitMs = timing.legacyDiscoveryWaitMs;
    return RunDiscovery(*this, Handle(), plan, records, max, [&] {
        if (SendText(text)) return true;
        platform::Trace("SDK_WriteFile Error\n");
        return false;
    });
}

int CNvSerialPort::RegisterNodesLegacy(uint32_t, KymNodeRecord* records, int max) {
    return Broadcast("{*0;}sn;", records, max);
}

int CNvSerialPort::RegisterAllNodes(uint32_t, KymNodeRecord* records, int max) {
    const int n = Broadcast("{*0;}sn0;", records, max);
    for (int i = 0; i < n; ++i) {
        KymNodeRecord& record = records[i];
        record.handle = Handle();
        KymReply reply{};
        if (GetCommandLegacy(record.handle, record.nodeId, 0x80 | kModel, 0, &reply) != 1) continue;
        const auto* model = reinterpret_cast<const uint8_t*>(reply.field);
        std::snprintf(record.model, sizeof record.model, "KYM%dH%02d", static_cast<int8_t>(model[0]),
                      static_cast<int8_t>(model[1]));
        record.firmware = model[4] + model[5] * 256u;
    }
    return n;
}

int CNvSerialPort::RegisterLegacy(uint32_t handle, KymNodeRecord* records, int max) {
    // Gateways of older firmware know only the plain serial-number broadcast.
    if (!oldFirmware) {
        const int n = RegisterAllNodes(handle, records, max);
        if (n > 0) return n;
    }
    return RegisterNodesLegacy(handle, records, max);
}

}  // namespace norvane::sdk
