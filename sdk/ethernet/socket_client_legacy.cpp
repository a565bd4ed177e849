// The Ethernet port's first-generation side: probe, requests, discovery and receive loop.
#include <cstring>
#include <mutex>

#include "platform/clock.h"
#include "platform/trace.h"
#include "sdk/core/callbacks.h"
#include "sdk/core/codec/codec.h"
#include "sdk/core/request_flow.h"
#include "sdk/ethernet/socket_client.h"
#include "sdk/serial/text_dialect.h"

namespace norvane::sdk {
namespace {

constexpr uint32_t kLegacyKind = 8192;
constexpr uint8_t kSerialNumber = 12;
constexpr uint32_t kLegacyDiscoveryWaitMs = 1500;
constexpr uint32_t kSystemCheckTimeoutMs = 10500;
constexpr size_t kMaxLegacyData = 14;  // longest first-generation request data (command 42)

uint32_t Word(const void* data, size_t which) {
    uint32_t word;
    std::memcpy(&word, static_cast<const uint8_t*>(data) + 4 * which, sizeof word);
    return word;
}

// Waits until node has an answer with the command number; the first such answer goes to out.
bool AwaitCommand(CNvCallBackFunc& port, NodeAnswerTable& table, uint32_t node, uint8_t command, uint32_t timeoutMs,
                  KymCanMsg& out) {
    const uint64_t deadline = platform::TickMs() + timeoutMs;
    KymCanMsg stored[kAnswersPerNode];
    for (;;) {
        const uint32_t count = table.Count(node);
        if (count > 0) {
            table.CopyAnswers(node, stored, count);
            for (uint32_t i = 0; i < count; ++i) {
                if ((stored[i].controlWord & 0x7F) == command) {
                    out = stored[i];
                    return true;
                }
            }
        }
        const uint64_t now = platform::TickMs();
        if (!port.receiveRunning || now >= deadline) return false;
        table.answerEvent.Wait(static_cast<uint32_t>(deadline - now));
    }
}

}  // namespace

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

int CNvSocketClient::SetCommandLegacy(uint32_t, uint32_t node, uint8_t controlWord, int index, const void* data,
                                      KymReply* reply) {
    if (!receiveRunning) return -1;
    const uint8_t command = controlWord & 0x7F;
    // Requests whose answer comes from another node: the enable of node 1 through node 0, and
    // an address change (answered from the new address).
    uint32_t answerNode = node;
    if (data != nullptr && node == 0 && command == 1 && index == 0 && Word(data, 0) == 1) answerNode = 1;
    if (data != nullptr && command == kSerialNumber && index == 1) answerNode = Word(data, 1);
    if (answerNode >= static_cast<uint32_t>(kNodeSlots)) return 0;

    uint8_t frame[eth::kHeaderBytes + kMaxCommandText + 1];
    size_t length = 0;
    if (SerialFraming()) {
        char text[kMaxCommandText + 1];
        size_t textLength = 0;
        if (EncodeTextLegacy(static_cast<int32_t>(node), controlWord, static_cast<uint8_t>(index), data,
                             data != nullptr ? kMaxLegacyData : 0, text, sizeof text, &textLength) != 1) {
            return 0;
        }
        length = eth::BuildFrame(eth::command::kSerialMessage, reinterpret_cast<const uint8_t*>(text), textLength,
                                 frame, sizeof frame);
    } else {
        KymCanMsg message{};
        if (PackFirstGen(node, controlWord, index, data, &message) != 1) return 0;
        length = eth::BuildCanMessageFrame(message, frame, 0);
    }
    if (length == 0) return 0;

    NodeAnswerTable& table = *CurrentTable();
    std::scoped_lock locks(table.tableLock, table.requestLock);
    table.answerEvent.Clear();
    table.Expect(answerNode, command);
    if (SendBytes(frame, length) == 0) {
        table.Clear(answerNode);
        return -1;
    }
    if ((controlWord & 0x80) == 0) return 1;
    const auto* bytes = static_cast<const uint8_t*>(data);
    const bool systemCheck = command == 81 && data != nullptr && bytes[0] == 0 && bytes[1] == 31;
    KymCanMsg answer{};
    const bool answered =
        AwaitCommand(*this, table, answerNode, command, systemCheck ? kSystemCheckTimeoutMs : kAnswerTimeoutMs, answer);
    table.answerEvent.Clear();
    table.Clear(answerNode);
    if (!answered) {
        counters.timeouts.fetch_add(1);
        return data != nullptr && command == 1 && index == 0 && Word(data, 0) == 0 ? 1 : -1;
    }
    KymReply scratch{};
    KymReply* out = reply != nullptr ? reply : &scratch;
    if (DecodeFirstGen(kLegacyKind, node, controlWord, index, &answer, out) != 1) return -1;
    if (data != nullptr && command != 20 && command != 81 && static_cast<uint32_t>(out->field[0]) != Word(data, 0)) {
        return command == kSerialNumber && index != 2 ? 1 : -1;
    }
    return 1;
}

int CNvSocketClient::GetCommandLegacy(uint32_t, uint32_t node, uint8_t controlWord, int index, KymReply* reply) {
    if (!receiveRunning) return 0;
    if (node >= static_cast<uint32_t>(kNodeSlots)) return 0;
    const uint8_t command = controlWord & 0x7F;
    uint8_t frame[eth::kHeaderBytes + kMaxCommandText + 1];
    size_t length = 0;
    if (SerialFraming()) {
        char text[kMaxCommandText + 1];
        size_t textLength = 0;
        if (EncodeTextLegacy(static_cast<int32_t>(node), controlWord, static_cast<uint8_t>(index), nullptr, 0, text,
                             sizeof text, &textLength) != 1) {
            return 0;
        }
        length = eth::BuildFrame(eth::command::kSerialMessage, reinterpret_cast<const uint8_t*>(text), textLength,
                                 frame, sizeof frame);
    } else {
        KymCanMsg message{};
        if (PackFirstGen(node, controlWord, index, nullptr, &message) != 1) return 0;
        length = eth::BuildCanMessageFrame(message, frame, 0);
    }
    if (length == 0) return 0;

    NodeAnswerTable& table = *CurrentTable();
    std::scoped_lock locks(table.tableLock, table.requestLock);
    table.answerEvent.Clear();
    table.Expect(node, command);
    if (SendBytes(frame, length) == 0) {
        table.Clear(node);
        return -1;
    }
    if ((controlWord & 0x80) == 0) return 1;
    KymCanMsg answer{};
    const bool answered = AwaitCommand(*this, table, node, command, kAnswerTimeoutMs, answer);
    table.answerEvent.Clear();
    table.Clear(node);
    if (!answered) {
        counters.timeouts.fetch_add(1);
        platform::Trace("SDK_WaitForSingleTimout");
        return 0;
    }
    KymReply scratch{};
    return DecodeFirstGen(kLegacyKind, node, controlWord, index, &answer, reply != nullptr ? reply : &scratch) == 1 ? 1
                                                                                                                 : 0;
}

int CNvSocketClient::RunLegacyDiscovery(uint32_t, KymNodeRecord* records, int max, bool withData) {
    KymCanMsg request{};
    request.controlWord = 0x80 | kSerialNumber;
    request.length = withData ? 2 : 0;  // register-all sends two zero data bytes
    return RunDiscovery(*this, kSerialNumber, 0, kLegacyDiscoveryWaitMs, records, max,
                        [&] { return SendMessage(request, 0); });
}

int CNvSocketClient::RegisterNodesLegacy(uint32_t handle, KymNodeRecord* records, int max) {
    return RunLegacyDiscovery(handle, records, max, false);
}

int CNvSocketClient::RegisterAllNodes(uint32_t handle, KymNodeRecord* records, int max) {
    return RunLegacyDiscovery(handle, records, max, true);
}

int CNvSocketClient::OpenLegacy(uint32_t handle, KymNodeRecord* records, int max, uint32_t*) {
    if (Connect() != 1) return 0;
    SelectProtocol();
    if (StartReceiver(handle) != 1) return 0;
    if (records == nullptr) return 0;
    int n = RegisterNodesLegacy(handle, records, max);
    if (n <= 0) n = RegisterAllNodes(handle, records, max);
    if (n <= 0) return 0;
    bool lastFailed = false;
    DescribeNodes(records, n, true, &lastFailed);
    return n;
}

// ---------------------------------------------------------------------------------------------
// Receive loop

int CNvSocketClient::ReceiveLoopLegacy(uint32_t index) {
    if (socket_.load() < 0) return 0;
    SignalReceiverStarted(index);
    uint8_t buffer[2 * eth::kReceiveBufferBytes];
    size_t count = 0;
    while (receiveRunning == 1) {
        const int n = ReceiveBytes(buffer + count, sizeof buffer - count, 10);
        if (n < 0) {
            receiveRunning = 0;
            break;
        }
        if (n == 0) {
            if (peerClosed_ && receiveRunning == 1) platform::SleepMs(10);
            continue;
        }
        count += static_cast<size_t>(n);
        size_t length = 0;
        while (eth::ParseFrame(buffer, count, 0, length, sizeof buffer)) {
            HandleLegacyFrame(buffer, length);
            eth::DropFront(buffer, count, length);
        }
    }
    return 0;
}

void CNvSocketClient::HandleLegacyFrame(const uint8_t* bytes, size_t length) {
    eth::ReceivedFrame frame;
    KymCanMsg message{};
    if (!eth::SplitFrame(bytes, length, frame)) {
        counters.malformedFrames.fetch_add(1);
        return;
    }
    if (frame.command == eth::command::kCanAnswer) {
        if (eth::DecodeCanPayload(frame.payload, frame.payloadLength, message)) FileLegacyMessage(message);
    } else if (frame.command == eth::command::kLegacyMessage) {
        if (eth::DecodeLegacyPayload(frame.payload, frame.payloadLength, message)) FileLegacyMessage(message);
    } else if (frame.command == eth::command::kSerialAnswer && frame.payloadLength > 10 && frame.payload[0] > 3) {
        if (const KymSerialCallBack callback = GlobalCallbacks().serialTranslate.load()) {
            callback(portIndex | 0x400000, frame.payload, static_cast<int32_t>(frame.payloadLength));
        }
        message.node = frame.payload[1];
        message.controlWord = frame.payload[2];
        message.length = static_cast<uint8_t>(std::min<size_t>(frame.payload[0] - 4u, 8));
        std::memcpy(message.data, frame.payload + 3, std::min<size_t>(frame.payloadLength - 3, 8));
        message.extra = message.data[0];
        FileLegacyMessage(message);
    }
}

void CNvSocketClient::FileLegacyMessage(const KymCanMsg& message) {
    const uint32_t node = message.node;
    if (node == 0 || node >= static_cast<uint32_t>(kNodeSlots)) {
        counters.droppedMessages.fetch_add(1);
        return;
    }
    const uint8_t number = message.controlWord & 0x7F;
    if (number == 15 || number == 90 || number == 91) {
        if (const KymMsgCallBack callback = GlobalCallbacks().legacyRealtime.load()) {
            uint32_t words[4];
            std::memcpy(words, &message, sizeof words);
            callback(Handle(), words[0], words[1], words[2], words[3]);
        }
        if (number != 15) return;
    }
    NodeAnswerTable& table = *CurrentTable();
    bool signal = false;
    {
        std::lock_guard lock(table.storeLock);
        const uint8_t expected = table.expectedCommand[node];
        if (number == 15 && expected == 0) return;
        if (number == 46 && expected != 46) return;
        if (GlobalCallbacks().translate.load() != nullptr) {
            // queued below, outside the store lock
        } else if (number == kSerialNumber && table.expectedCommand[0] == kSerialNumber) {
            table.answers[0][table.answerCount[0] % kAnswersPerNode] = message;
            table.answerCount[0] = (table.answerCount[0] + 1) % kAnswersPerNode;
            return;
        } else {
            table.answers[node][table.answerCount[node] % kAnswersPerNode] = message;
            table.answerCount[node] = (table.answerCount[node] + 1) % kAnswersPerNode;
            signal = true;
        }
    }
    if (signal) {
        table.answerEvent.Set();
    } else {
        Ring().Push(message);
    }
}

}  // namespace norvane::sdk
