#include "sim/ethernet_gateway.h"

#include <algorithm>
#include <string_view>

#include "platform/clock.h"
#include "sim/bus_identifier.h"
#include "sim/command_text.h"
#include "sim/reply_frames.h"

namespace norvane::sim {
namespace {

constexpr uint8_t kGatewayNode = kGatewayNodeId;
constexpr uint8_t kProtocolSecondGen = 20;
constexpr uint8_t kProtocolFirstGen = 30;
constexpr uint8_t kErrorReport = 15;
constexpr uint8_t kDiscovery = 64;

bool IsText(const std::vector<uint8_t>& payload) {
    return !payload.empty() &&
           std::all_of(payload.begin(), payload.end(), [](uint8_t c) { return c >= 0x20 && c < 0x7F; });
}

}  // namespace

EthernetGateway::EthernetGateway(EthernetGatewayOptions options)
    : GatewayServer(options.address, options.port),
      options_(options),
      bus_([&] {
          BusOptions b = options.bus;
          if (b.bitRate == 0) b.bitRate = BitRateOfCode(options.bitRateCode);
          return b;
      }()),
      gatewayNode_(options.model, options.firmware, options.serialNumber, options.bitRateCode) {
    bus_.SetGatewayListener([this](const CanFrame& frame) { OnBusFrame(frame); });
}

EthernetGateway::~EthernetGateway() {
    Stop();
}

bool EthernetGateway::Start() {
    bus_.Start();
    if (GatewayServer::Start()) return true;
    bus_.Stop();
    return false;
}

void EthernetGateway::Stop() {
    GatewayServer::Stop();
    bus_.Stop();
}

void EthernetGateway::OnClientConnected() {
    protocol_ = 0;
    framing_ = Framing::Can;
    nodeList_.Reset();
}

void EthernetGateway::OnHostFrame(const HostFrame& frame) {
    using namespace host_command;
    switch (frame.command) {
        case kCanHello:
            framing_ = Framing::Can;
            // The host drains whatever follows its hello; acknowledging spares it the wait.
            QueueAnswer(BuildGatewayFrame(kCanHello, nullptr, 0));
            break;
        case kSerialHello:
            framing_ = Framing::Serial;
            QueueAnswer(BuildGatewayFrame(kSerialHello, nullptr, 0));
            break;
        case kCanGoodbye:
        case kSerialGoodbye:
            protocol_ = 0;  // the host closes the connection itself
            break;
        case kCanMessage:
            HandleCanMessage(frame.payload);
            break;
        case kSerialMessage:
            HandleSerialMessage(frame.payload);
            break;
        case kZoneMessage:
            HandleZoneMessage(frame.payload);
            break;
        default:
            ++MutableCounters().unknownCommands;
    }
}

void EthernetGateway::HandleCanMessage(const std::vector<uint8_t>& payload) {
    if (payload.size() < 13) {
        ++MutableCounters().malformedFrames;
        return;
    }
    framing_ = Framing::Can;
    const BusAddress a = DecodeHostIdentifierBytes(payload.data());
    Request(a.node, a.controlWord, payload.data() + 5, static_cast<uint8_t>(std::min(payload[4] & 0x0F, 8)));
}

void EthernetGateway::HandleZoneMessage(const std::vector<uint8_t>& payload) {
    if (payload.size() < 16) {
        ++MutableCounters().malformedFrames;
        return;
    }
    framing_ = Framing::Zone;
    Request(payload[1], payload[2], payload.data() + 8, static_cast<uint8_t>(std::min(payload[3] & 0x0F, 8)));
}

void EthernetGateway::HandleSerialMessage(const std::vector<uint8_t>& payload) {
    framing_ = Framing::Serial;
    // A 12-byte message record starts with its data length; a command text is printable.
    if (payload.size() == 12 && payload[0] < 0x20) {
        Request(payload[1], payload[2], payload.data() + 3,
                static_cast<uint8_t>(std::min(payload[0] & 0x0F, 8)));
        return;
    }
    if (!IsText(payload)) {
        ++MutableCounters().malformedFrames;
        return;
    }
    const std::string_view text(reinterpret_cast<const char*>(payload.data()), payload.size());
    if (text == kGatewayProbeText) {
        const auto identity =
            EncodeIdentityFrame(static_cast<uint8_t>(options_.model & 0xFF),
                                static_cast<uint8_t>(options_.model >> 8), options_.firmware);
        QueueAnswer(BuildGatewayFrame(host_command::kSerialAnswer, identity.data(), identity.size()));
        return;
    }
    const auto request = ParseCommandText(text);
    if (!request) {
        ++MutableCounters().malformedFrames;
        return;
    }
    if ((request->controlWord & 0x7F) == kDiscovery) nodeList_.Begin(options_.discoveryWindowMs);
    // The bit-rate code belongs to the gateway whatever node the text names.
    const uint8_t node =
        (request->controlWord & 0x7F) == 53 && request->node == 0 ? kGatewayNode : request->node;
    Request(node, request->controlWord, request->data, request->length);
}

void EthernetGateway::Request(uint8_t node, uint8_t controlWord, const uint8_t* data, uint8_t length) {
    if (AnswerAsGateway(node, controlWord, data, length)) return;
    if (controlWord & 0x80) {
        if (const auto code = Faults().TakeErrorReport()) {
            const uint8_t report[3] = {0, static_cast<uint8_t>(controlWord & 0x7F), *code};
            SendMessage(node, kErrorReport, report, 3);
            return;
        }
    }
    CanFrame frame;
    const bool firstGen = protocol_ == kProtocolFirstGen || framing_ == Framing::Zone;
    frame.id = firstGen ? FirstGenBusIdentifier(node, controlWord) : BusIdentifier(node, controlWord);
    frame.length = std::min<uint8_t>(length, 8);
    std::copy(data, data + frame.length, frame.data);
    bus_.Send(frame);
}

bool EthernetGateway::AnswerAsGateway(uint8_t node, uint8_t controlWord, const uint8_t* data,
                                      uint8_t length) {
    if (node != kGatewayNode) return false;
    const uint8_t command = controlWord & 0x7F;
    if (command == 126) {
        // Protocol selection: 20 second generation, 30 first; without data it is read back.
        if (length > 0 && data[0] != kProtocolSecondGen && data[0] != kProtocolFirstGen) return false;
        if (!options_.answersProtocolSelection) return true;
        if (length > 0) protocol_ = data[0];
        const uint8_t selected = protocol_ ? protocol_.load() : kProtocolSecondGen;
        const uint8_t answer[2] = {selected, 0};
        SendMessage(kGatewayNode, 126, answer, 1);
        return true;
    }
    return gatewayNode_.Answer(
        protocol_ == kProtocolFirstGen, node, controlWord, data, length,
        [this](uint8_t n, uint8_t c, const uint8_t* d, uint8_t l) { SendMessage(n, c, d, l); });
}

void EthernetGateway::OnBusFrame(const CanFrame& frame) {
    const BusAddress a = DecodeNodeIdentifier(frame.id);
    if (framing_ == Framing::Serial && (a.controlWord & 0x7F) == kDiscovery && nodeList_.Offer(a.node))
        return;
    SendMessage(a.node, a.controlWord, frame.data, frame.length);
}

void EthernetGateway::SendMessage(uint8_t node, uint8_t controlWord, const uint8_t* data, uint8_t length) {
    length = std::min<uint8_t>(length, 8);
    switch (framing_.load()) {
        case Framing::Can: {
            uint8_t payload[13] = {};
            EncodeGatewayIdentifierBytes({node, controlWord}, payload);
            payload[4] = length;
            std::copy(data, data + length, payload + 5);
            QueueAnswer(BuildGatewayFrame(host_command::kCanAnswer, payload, sizeof payload));
            break;
        }
        case Framing::Zone: {
            uint8_t payload[16] = {};
            payload[1] = node;
            payload[2] = controlWord;
            payload[3] = length;
            payload[4] = length > 0 ? data[0] : 0;  // extra word: the first data byte
            std::copy(data, data + length, payload + 8);
            QueueAnswer(BuildGatewayFrame(host_command::kZoneMessage, payload, sizeof payload));
            break;
        }
        case Framing::Serial:
            if ((controlWord & 0x7F) == 126) {
                SendSerialRecord(node, controlWord, data, length);
                break;
            }
            if (auto reply = EncodeReplyFrame(node, controlWord, data, length); !reply.empty())
                QueueAnswer(BuildGatewayFrame(host_command::kSerialAnswer, reply.data(), reply.size()));
            break;
    }
}

void EthernetGateway::SendSerialRecord(uint8_t node, uint8_t controlWord, const uint8_t* data,
                                       uint8_t length) {
    // The host's handshake reads the control word at record offset 2 and d0 at offset 3.
    uint8_t record[12] = {length, node, static_cast<uint8_t>(controlWord & 0x7F)};
    std::copy(data, data + std::min<uint8_t>(length, 8), record + 3);
    QueueAnswer(BuildGatewayFrame(host_command::kSerialAnswer, record, sizeof record));
}

void EthernetGateway::OnIdle() {
    const auto nodes = nodeList_.TakeWhenDone();
    if (!nodes) return;
    const auto list = EncodeNodeListFrame(*nodes);
    QueueAnswer(BuildGatewayFrame(host_command::kSerialAnswer, list.data(), list.size()));
}

}  // namespace norvane::sim
