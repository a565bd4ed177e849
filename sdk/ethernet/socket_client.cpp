// The Ethernet port: connection with hello and goodbye, probes, and the open flows.
#include "sdk/ethernet/socket_client.h"

#include <cstring>

#include "platform/clock.h"
#include "sdk/core/codec/codec.h"
#include "sdk/core/gateway_kind.h"
#include "sdk/core/sdk_settings.h"
#include "sdk/ethernet/ethernet_frames.h"
#include "sdk/ethernet/ethernet_wire_format.h"

namespace norvane::sdk {
namespace {

constexpr uint32_t kEthernetKind = kKindEthernet;
constexpr uint32_t kLegacyKind = kKindEthernetFirstGen;
constexpr uint32_t kHelloPauseMs = 500;
constexpr uint32_t kProbeAnswerMs = 200;

KymCanMsg Request(uint8_t node, uint8_t controlWord) {
    KymCanMsg message{};
    message.node = node;
    message.controlWord = controlWord;
    return message;
}

size_t ControlFrame(uint8_t command, uint8_t* out, size_t capacity) {
    return eth::BuildFrame(command, nullptr, 0, out, capacity);
}

}  // namespace

CNvSocketClient::CNvSocketClient(uint32_t address)
    : CNvSocketClient(address, std::make_unique<EthernetWireFormat>()) {}

CNvSocketClient::CNvSocketClient(uint32_t address, std::unique_ptr<WireFormat> format)
    : CNvLinkPort(std::make_unique<TcpLink>(address), std::move(format)),
      tcp_(static_cast<TcpLink&>(link())) {
    kind = kEthernetKind;
}

CNvSocketClient::~CNvSocketClient() {
    Disconnect(Handle());
    StopThreads();
}

// ---------------------------------------------------------------------------------------------
// Connection

int CNvSocketClient::Connect() {
    std::lock_guard state(stateLock_);
    tcp_.SetSendPauseMs(SendPauseMs(kind, TcpLink::kDefaultSendPauseMs));
    if (!tcp_.Open()) return 0;
    const bool serial = EthernetWireFormat::SerialFraming();
    uint8_t hello[8];
    const size_t length =
        ControlFrame(serial ? eth::command::kSerialHello : eth::command::kCanHello, hello, sizeof hello);
    if (SendBytes(hello, length) > 0 && !serial) platform::SleepMs(kHelloPauseMs);
    uint8_t discard[128];
    ReceiveBytes(discard, sizeof discard, 1000);
    return 1;
}

int CNvSocketClient::Disconnect(uint32_t handle) {
    {
        std::lock_guard state(stateLock_);
        if (!tcp_.IsOpen()) return 1;
        uint8_t goodbye[8];
        const size_t length = ControlFrame(
            EthernetWireFormat::SerialFraming() ? eth::command::kSerialGoodbye : eth::command::kCanGoodbye,
            goodbye, sizeof goodbye);
        SendBytes(goodbye, length);
        // Shut down first: the receive thread's wait ends at once, and the descriptor is closed
        // only after no thread can use it any more (so it can never be reused under a reader).
        receiveRunning = 0;
        tcp_.ShutDown();
    }
    WakeWaiters(handle);
    // No lock is held while the threads end: a callback on them may close this port too.
    StopThreads();
    tcp_.Close();
    return 1;
}

// ---------------------------------------------------------------------------------------------
// Probes

int CNvSocketClient::Probe() {
    kind = kEthernetKind;
    if (EthernetWireFormat::SerialFraming()) {
        static constexpr uint8_t kProbeText[] = {'A', 'B', 'C', ';'};
        uint8_t frame[16];
        const size_t length =
            eth::BuildFrame(eth::command::kSerialMessage, kProbeText, sizeof kProbeText, frame, sizeof frame);
        if (SendBytes(frame, length) == 0) {
            identified = 0;
            return 0;
        }
        uint8_t answer[64];
        platform::SleepMs(480);
        int received = ReceiveBytes(answer, sizeof answer, 20);
        if (received == 0) {
            platform::SleepMs(480);
            received = ReceiveBytes(answer, sizeof answer, 20);
        }
        identified = received == 20 ? 1 : 0;
        return identified;
    }
    // A gateway that does not answer the protocol selection is an older one: accepted as is.
    if (SelectProtocol() != 1) return 1;
    KymCanMsg answer{};
    if (Exchange(Request(1, 0xC1), 0xC1, kProbeAnswerMs, &answer) != 1 || answer.controlWord != 0x41)
        return 0;
    identified = 1;
    modelNumber = answer.data[0] * 256u + answer.data[1];
    firmwareNumber = answer.data[5] * 256u + answer.data[4];
    if (Exchange(Request(1, 0xB5), 0xB5, kProbeAnswerMs, &answer) != 1 || answer.controlWord != 0x35)
        return 0;
    bitRateCode = answer.data[0];
    return 1;
}

int CNvSocketClient::ProbeLegacy() {
    kind = kLegacyKind;
    if (SelectProtocol() != 1) return 1;
    KymCanMsg answer{};
    if (ExchangeWithGateway(&answer, 0x8B, nullptr, 1000) == 1) {
        modelNumber = answer.data[0] * 256u + answer.data[1];
        firmwareNumber = answer.data[5] * 256u + answer.data[4];
    }
    if (ExchangeWithGateway(&answer, 0x8C, nullptr, 1000) == 1) std::memcpy(&extraInfo, answer.data, 4);
    if (ExchangeWithGateway(&answer, 0x81, nullptr, 1000) == 1) legacyBitRate = bitRateCode = answer.data[1];
    return 1;
}

// ---------------------------------------------------------------------------------------------
// Open

int CNvSocketClient::Open(uint32_t handle, KymNodeRecord* records, int max, uint32_t*) {
    if (Connect() != 1) return 0;
    return OpenNodes(handle, records, max);
}

int CNvSocketClient::OpenLegacy(uint32_t handle, KymNodeRecord* records, int max, uint32_t* out) {
    if (Connect() != 1) return 0;
    SelectProtocol();
    return OpenNodesLegacy(handle, records, max, out);
}

}  // namespace norvane::sdk
