// The generic port: second-generation requests, discovery and naming, raw messages, the probe
// exchange and the receive loop.
#include "sdk/core/link_port.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/clock.h"
#include "sdk/core/answer_match.h"
#include "sdk/core/codec/codec.h"
#include "sdk/core/codec/commands.h"
#include "sdk/core/codec/reply_frame.h"
#include "sdk/core/request_flow.h"
#include "sdk/core/traffic_recorder.h"

namespace norvane::sdk {

CNvLinkPort::CNvLinkPort(std::unique_ptr<Link> link, std::unique_ptr<WireFormat> format)
    : link_(std::move(link)), format_(std::move(format)) {}

// ---------------------------------------------------------------------------------------------
// Second-generation requests

int CNvLinkPort::SetCommand(uint32_t handle, uint32_t node, uint8_t controlWord, int index, const void* data,
                            KymReply* reply) {
    if (!receiveRunning) return -1;
    uint8_t unit[WireFormat::kMaxUnitBytes];
    size_t length = 0;
    RequestWire wire;
    wire.answerTimeoutMs = timing.setTimeoutMs;
    wire.longAnswerTimeoutMs = timing.longAnswerTimeoutMs;
    wire.expectedForCommandZero = format_->ExpectedForCommandZero();
    wire.build = [&] {
        length = format_->EncodeSecondGen(node, controlWord, index, data, false, unit);
        return length > 0;
    };
    wire.send = [&] {
        RecordSecondGenRequest(node, controlWord, index, data, false, unit, length);
        return SendUnit(unit, length);
    };
    return RunSetRequest(*this, {handle, node, controlWord, index, data, reply}, wire);
}

int CNvLinkPort::GetCommand(uint32_t handle, uint32_t node, uint8_t controlWord, int index, KymReply* reply) {
    if (!receiveRunning) return 0;
    uint8_t unit[WireFormat::kMaxUnitBytes];
    size_t length = 0;
    RequestWire wire;
    wire.answerTimeoutMs = timing.getTimeoutMs;
    wire.longAnswerTimeoutMs = timing.longAnswerTimeoutMs;
    wire.expectedForCommandZero = format_->ExpectedForCommandZero();
    wire.build = [&] {
        length = format_->EncodeSecondGen(node, controlWord, index, nullptr, true, unit);
        return length > 0;
    };
    wire.send = [&] {
        RecordSecondGenRequest(node, controlWord, index, nullptr, true, unit, length);
        return SendUnit(unit, length);
    };
    return RunGetRequest(*this, {handle, node, controlWord, index, nullptr, reply}, wire);
}

int CNvLinkPort::SendCanMessage(uint32_t handle, const KymCanMsg* message, KymCanMsg* out, int max,
                                int* countOut) {
    return RunRawMessage(
        *this, handle, message, out, max, countOut, [this, handle](const KymCanMsg& request) {
            uint8_t unit[WireFormat::kMaxUnitBytes];
            return SendMessageUnit(unit, format_->EncodeMessage(handle, request, unit), request);
        });
}

int CNvLinkPort::RegisterNodes(uint32_t handle, KymNodeRecord* records, int max) {
    DiscoveryPlan plan;
    plan.command = kDiscoveryCommand;
    plan.areaNode = format_->DiscoveryArea();
    plan.waitMs = timing.discoveryWaitMs;
    return RunDiscovery(*this, handle, plan, records, max, [&] {
        uint8_t unit[WireFormat::kMaxUnitBytes];
        const size_t length = format_->EncodeDiscovery(unit);
        RecordSent(unit, length, false, [](KymCanMsg& discovery) {
            discovery.node = 127;
            discovery.controlWord = 0xC0;
            return true;
        });
        return SendUnit(unit, length);
    });
}

bool CNvLinkPort::DescribeNodes(KymNodeRecord* records, int n) {
    bool lastFailed = false;
    for (int i = 0; i < n; ++i) {
        KymNodeRecord& record = records[i];
        record.handle = Handle();
        KymReply reply{};
        const int got = GetCommand(record.handle, record.nodeId, cmd::kAnswerBit | cmd::kMdl, 0, &reply);
        lastFailed = got != 1;
        if (got != 1) continue;
        // The model answer's decoder puts the name at record bytes 36-55 and the firmware in field 8.
        std::memcpy(record.model, reinterpret_cast<const uint8_t*>(reply.field) + 36, 20);
        record.model[20] = '\0';
        record.firmware = static_cast<uint32_t>(reply.field[8]);
    }
    return !lastFailed;
}

int CNvLinkPort::OpenNodes(uint32_t handle, KymNodeRecord* records, int max) {
    if (StartReceiver(handle) != 1) return 0;
    if (records == nullptr) return 0;
    const int n = RegisterNodes(handle, records, max);
    if (n <= 0) return 0;
    return DescribeNodes(records, n) ? n : 0;
}

// ---------------------------------------------------------------------------------------------
// Gateway node exchanges

int CNvLinkPort::Exchange(const KymCanMsg& request, uint8_t expectedCommand, uint32_t timeoutMs,
                          KymCanMsg* answer) {
    uint8_t unit[WireFormat::kMaxUnitBytes];
    if (!SendMessageUnit(unit, format_->EncodeMessage(Handle(), request, unit), request)) return 0;
    const uint8_t wanted = expectedCommand & 0x7F;
    uint8_t buffer[64] = {};
    size_t count = 0;
    int quietReads = 0;
    auto received = std::make_unique<ReceivedUnit>();
    const uint64_t deadline = platform::TickMs() + 2 * uint64_t{timeoutMs};
    // Reads until the answer came, two reads brought nothing, or the time is up; units of other
    // commands in front of the answer are dropped.
    while (quietReads < 2 && platform::TickMs() < deadline) {
        const int n = link_->Receive(buffer + count, sizeof buffer - count, timeoutMs);
        if (n < 0) return 0;
        if (n == 0) {
            ++quietReads;
            continue;
        }
        count += static_cast<size_t>(n);
        for (;;) {
            format_->TakeProbeAnswer(buffer, count, sizeof buffer, *received);
            if (received->kind == ReceivedUnit::Kind::None) break;
            if (received->kind == ReceivedUnit::Kind::Message) {
                RecordTraffic(Handle(), TrafficDirection::Received, legacyProtocol != 0, received->message);
            }
            if (received->kind == ReceivedUnit::Kind::Message && received->message.controlWord == wanted) {
                if (answer != nullptr) *answer = received->message;
                return 1;
            }
        }
    }
    return 0;
}

int CNvLinkPort::ExchangeWithGateway(KymCanMsg* answer, uint8_t controlWord, const void* data,
                                     uint32_t timeoutMs) {
    KymCanMsg request{};
    if (PackFirstGen(1, controlWord, 0, data, &request) != 1) return 0;
    return Exchange(request, controlWord, timeoutMs, answer);
}

int CNvLinkPort::SelectProtocol() {
    const uint32_t value = legacyProtocol == 1 ? 30 : 20;
    KymCanMsg answer{};
    constexpr uint8_t kSelect = cmd::kAnswerBit | cmd::kProtocolSelect;
    if (ExchangeWithGateway(&answer, kSelect, &value, 1000) != 1 || answer.data[0] != value) return 0;
    if (ExchangeWithGateway(&answer, kSelect, nullptr, 500) != 1 || answer.data[0] != value) return 0;
    return 1;
}

// ---------------------------------------------------------------------------------------------
// Receive loop

int CNvLinkPort::ReceiveLoop(uint32_t index) {
    return RunReceiveLoop(index, false);
}

int CNvLinkPort::ReceiveLoopLegacy(uint32_t index) {
    return RunReceiveLoop(index, true);
}

int CNvLinkPort::RunReceiveLoop(uint32_t index, bool legacy) {
    if (!link_->IsOpen()) return 0;
    SignalReceiverStarted(index);
    std::vector<uint8_t> buffer(format_->ReceiveBufferBytes(legacy));
    auto unit = std::make_unique<ReceivedUnit>();
    size_t count = 0;
    while (ReceiveGoesOn()) {
        BeforeRead(platform::TickMs());
        const int n = link_->Receive(buffer.data() + count, buffer.size() - count, timing.receivePollMs);
        if (n < 0) {
            receiveRunning = 0;
            break;
        }
        if (n == 0) {
            // A closed peer looks like silence; poll it at a gentle pace.
            if (PauseWhenQuiet() && ReceiveGoesOn()) platform::SleepMs(timing.receivePollMs);
            continue;
        }
        count += static_cast<size_t>(n);
        for (;;) {
            format_->Take(buffer.data(), count, buffer.size(), *unit);
            if (unit->kind == ReceivedUnit::Kind::None) break;
            if (unit->kind == ReceivedUnit::Kind::Message) {
                RecordTraffic(Handle(), TrafficDirection::Received, legacy, unit->message);
            }
            HandleUnit(*unit, legacy);
        }
    }
    return 0;
}

void CNvLinkPort::HandleUnit(const ReceivedUnit& unit, bool legacy) {
    switch (unit.kind) {
        case ReceivedUnit::Kind::Message:
            if (legacy) {
                FileLegacyMessage(unit.message);
            } else {
                FileMessage(unit.message);
            }
            break;
        case ReceivedUnit::Kind::ReplyBytes:
            if (legacy) {
                FileLegacySerialAnswer(unit.bytes, unit.length);
            } else {
                FileReplyFrames(unit.bytes, unit.length);
            }
            break;
        case ReceivedUnit::Kind::Malformed:
            counters.malformedFrames.fetch_add(1);
            break;
        case ReceivedUnit::Kind::Dropped:
            counters.droppedMessages.fetch_add(1);
            break;
        default:
            break;  // acknowledgements, keep-alive echoes and others: consumed
    }
}

void CNvLinkPort::FileReplyFrames(const uint8_t* bytes, size_t length) {
    const size_t leftOver = SplitReplyFrames(bytes, length, [this](const uint8_t* frame, size_t frameLength) {
        uint32_t tag = 0;
        KymCanMsg message{};
        if (!DecodeReplyFrame(frame, frameLength, tag, message)) {
            counters.malformedFrames.fetch_add(1);
        } else if (ReplyTagControlWord(tag) == kDiscoveryCommand) {
            // A node list: one discovery answer per listed node.
            uint8_t ids[kNodeSlots];
            const size_t count = NodeListIds(frame, frameLength, ids, sizeof ids);
            for (size_t i = 0; i < count; ++i) {
                KymCanMsg entry{};
                entry.node = ids[i];
                entry.controlWord = kDiscoveryCommand;
                RecordTraffic(Handle(), TrafficDirection::Received, false, entry);
                FileDiscoveryAnswer(format_->DiscoveryArea(), entry);
            }
        } else {
            // A status reply comes under a reply code that depends on the status: it answers
            // as a status reply, whatever code it is filed under.
            const bool statusReply = (message.controlWord & 0x7F) == kStatusReply;
            message.node = ReplyTagNode(tag);
            message.controlWord = static_cast<uint8_t>(tag & 0xFF);
            const uint8_t answersAs = statusReply ? kStatusReply : ReplyTagControlWord(tag);
            if (TrafficWanted()) {
                // Reply codes drop the answer bit the node's frame carried (notices have none).
                KymCanMsg onBus = message;
                if ((tag & kReplyTagNotification) == 0) onBus.controlWord |= 0x80;
                RecordTraffic(Handle(), TrafficDirection::Received, false, onBus);
            }
            FileMessage(message, answersAs);
        }
    });
    if (leftOver > 0) counters.droppedReplyBytes.fetch_add(leftOver);
}

// ---------------------------------------------------------------------------------------------
// Traffic recording: the message each unit stands for, packed again only while recording

bool CNvLinkPort::SendMessageUnit(const uint8_t* bytes, size_t length, const KymCanMsg& message) {
    RecordSent(bytes, length, legacyProtocol != 0, [&message](KymCanMsg& out) {
        out = message;
        return true;
    });
    return SendUnit(bytes, length);
}

int CNvLinkPort::SendRawUnit(const uint8_t* bytes, size_t length) {
    if (bytes == nullptr || length == 0) return 0;
    if (TrafficWanted()) {
        // The frame it is where the wire carries frames, else the message of each command text
        // or packet in it.
        const bool firstGen = legacyProtocol != 0;
        BusFrame frame;
        if (format_->SentFrame(bytes, length, frame)) {
            RecordBusFrame(Handle(), TrafficDirection::Sent, frame);
        } else {
            format_->ReadHostUnit(bytes, length, firstGen, [this, firstGen](const KymCanMsg& message) {
                RecordTraffic(Handle(), TrafficDirection::Sent, firstGen, message);
            });
        }
    }
    const int sent = link_->Send(bytes, length);
    if (sent <= 0) return 0;
    counters.unitsSent.fetch_add(1);
    return sent;
}

void CNvLinkPort::RecordSent(const uint8_t* unit, size_t length, bool firstGen,
                             const std::function<bool(KymCanMsg&)>& pack) {
    if (!TrafficWanted()) return;
    BusFrame frame;
    if (format_->SentFrame(unit, length, frame))
        return RecordBusFrame(Handle(), TrafficDirection::Sent, frame);
    KymCanMsg message{};
    if (pack(message)) RecordTraffic(Handle(), TrafficDirection::Sent, firstGen, message);
}

void CNvLinkPort::RecordSecondGenRequest(uint32_t node, uint8_t controlWord, int index, const void* data,
                                         bool get, const uint8_t* unit, size_t length) {
    RecordSent(unit, length, false, [&](KymCanMsg& message) {
        return (get ? PackSecondGenGet(node, controlWord, index, &message)
                    : PackSecondGen(node, controlWord, index, data, &message)) == 1;
    });
}

void CNvLinkPort::RecordFirstGenRequest(uint32_t node, uint8_t controlWord, int index, const void* data,
                                        const uint8_t* unit, size_t length) {
    RecordSent(unit, length, true, [&](KymCanMsg& message) {
        return PackFirstGen(node, controlWord, index, data, &message) == 1;
    });
}

}  // namespace norvane::sdk
