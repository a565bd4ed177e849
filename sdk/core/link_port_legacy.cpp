// The generic port's first-generation side: requests with their answer-node rules, discovery,
// naming the found nodes, and filing what the receive loop takes in.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <mutex>

#include "platform/clock.h"
#include "platform/trace.h"
#include "sdk/core/answer_match.h"
#include "sdk/core/callbacks.h"
#include "sdk/core/codec/codec.h"
#include "sdk/core/codec/commands.h"
#include "sdk/core/link_port.h"
#include "sdk/core/request_flow.h"
#include "sdk/core/traffic_recorder.h"

namespace norvane::sdk {
namespace {

constexpr uint32_t kLegacyKind = 8192;
constexpr uint8_t kSerialNumber = cmd::first_gen::kSerialNumber;
constexpr uint8_t kErrorReport = cmd::first_gen::kError;
constexpr uint8_t kCommSettings = cmd::first_gen::kCommunication;
constexpr uint8_t kModel = cmd::first_gen::kModel;
constexpr uint8_t kOperation = cmd::first_gen::kOperation;
constexpr uint8_t kStatusAnswer = cmd::first_gen::kDesiredValues;
constexpr uint8_t kMotionDone = 90, kInputEdge = 91;  // real-time notices
constexpr uint8_t kUfqGroup = 2, kGetGroupId = 8;     // operation reading a 'C' model's group id
constexpr uint32_t kGatewayNode = 1;
constexpr int kBitRateSetting = 5;

uint32_t Word(const void* data, size_t which) {
    uint32_t word;
    std::memcpy(&word, static_cast<const uint8_t*>(data) + 4 * which, sizeof word);
    return word;
}

bool InTable(uint32_t node) {
    return node < static_cast<uint32_t>(kNodeSlots);
}

enum class Wait { Answered, Refused, TimedOut, Stopped };

// Waits until node has an answer with the command number (the first such answer goes to out),
// or an error report naming the command (it goes to out as well).
Wait AwaitCommand(CNvCallBackFunc& port, NodeAnswerTable& table, uint32_t node, uint8_t command,
                  uint32_t timeoutMs, KymCanMsg& out) {
    AnswerWait wait(table);
    const uint64_t deadline = platform::TickMs() + timeoutMs;
    KymCanMsg stored[kAnswersPerNode];
    for (;;) {
        const uint32_t count = std::min<uint32_t>(table.Count(node), kAnswersPerNode);
        if (count > 0) {
            table.CopyAnswers(node, stored, count);
            for (uint32_t i = 0; i < count; ++i) {
                const uint8_t number = stored[i].controlWord & 0x7F;
                if (number == command) {
                    out = stored[i];
                    wait.Answered();
                    return Wait::Answered;
                }
                if (number == kErrorReport && stored[i].data[1] == command) {
                    out = stored[i];
                    return Wait::Refused;
                }
            }
        }
        if (!port.receiveRunning) return Wait::Stopped;
        const uint64_t now = platform::TickMs();
        if (now >= deadline) return Wait::TimedOut;
        wait.Wait(static_cast<uint32_t>(deadline - now));
    }
}

}  // namespace

uint32_t LegacyAnswerNode(uint32_t node, uint8_t controlWord, int index, const void* data) {
    const uint8_t command = controlWord & 0x7F;
    if (data == nullptr) return node;
    // The bus-wide update of node 0 is answered by node 1; an address change by the node at its
    // new address.
    if (node == 0 && command == 1 && index == 0 && Word(data, 0) == 1) return 1;
    if (command == kSerialNumber && index == 1) return Word(data, 1);
    return node;
}

int CNvLinkPort::SetCommandLegacy(uint32_t handle, uint32_t node, uint8_t controlWord, int index,
                                  const void* data, KymReply* reply) {
    if (!receiveRunning) return -1;
    const uint8_t command = controlWord & 0x7F;
    // A "new address" outside the node range (the identification light uses 254) is answered
    // from the node itself.
    uint32_t answerNode = LegacyAnswerNode(node, controlWord, index, data);
    if (!InTable(answerNode) && command == kSerialNumber) answerNode = node;
    const bool quietDisable = data != nullptr && command == 1 && index == 0 && Word(data, 0) == 0;

    uint8_t unit[WireFormat::kMaxUnitBytes];
    const size_t length = format_->EncodeFirstGen(handle, node, controlWord, index, data, unit);
    if (length == 0) return 0;

    NodeAnswerTable& table = *TableFor(handle);
    std::scoped_lock locks(table.tableLock, table.requestLock);
    const bool slotted = InTable(answerNode);  // node 127 (broadcast) has no answer area
    table.answerEvent.Clear();
    if (slotted) table.Expect(answerNode, command);
    RecordFirstGenRequest(node, controlWord, index, data, unit, length);
    if (!SendUnit(unit, length)) {
        if (slotted) table.Clear(answerNode);
        return -1;
    }
    if ((controlWord & 0x80) == 0) return 1;
    const auto* bytes = static_cast<const uint8_t*>(data);
    const bool systemCheck = command == kOperation && data != nullptr && bytes[0] == 0 && bytes[1] == 31;
    KymCanMsg answer{};
    const Wait wait =
        slotted ? AwaitCommand(*this, table, answerNode, command,
                               systemCheck ? timing.systemCheckTimeoutMs : timing.answerTimeoutMs, answer)
                : Wait::TimedOut;
    table.answerEvent.Clear();
    if (slotted) table.Clear(answerNode);
    if (wait == Wait::Stopped) return -1;
    if (wait == Wait::TimedOut) {
        counters.timeouts.fetch_add(1);
        platform::Trace("SDK_WaitForSingleTimout\n");
        return quietDisable ? 1 : -1;
    }
    if (wait == Wait::Refused) {
        counters.errorReports.fetch_add(1);
        return -static_cast<int>(answer.data[2]);
    }
    counters.answers.fetch_add(1);
    KymReply scratch{};
    KymReply* out = reply != nullptr ? reply : &scratch;
    if (DecodeFirstGen(kLegacyKind, node, controlWord, index, &answer, out) != 1) return -1;
    if (data != nullptr && command != 20 && command != kOperation &&
        static_cast<uint32_t>(out->field[0]) != Word(data, 0)) {
        // An address change answers with the serial number: a difference is expected there.
        return command == kSerialNumber && index != 2 ? 1 : -1;
    }
    return 1;
}

int CNvLinkPort::GetCommandLegacy(uint32_t handle, uint32_t node, uint8_t controlWord, int index,
                                  KymReply* reply) {
    if (!receiveRunning) return 0;
    if (!InTable(node)) return 0;
    const uint8_t command = controlWord & 0x7F;
    uint8_t unit[WireFormat::kMaxUnitBytes];
    const size_t length = format_->EncodeFirstGen(handle, node, controlWord, index, nullptr, unit);
    if (length == 0) return 0;

    NodeAnswerTable& table = *TableFor(handle);
    std::scoped_lock locks(table.tableLock, table.requestLock);
    table.answerEvent.Clear();
    table.Expect(node, command);
    RecordFirstGenRequest(node, controlWord, index, nullptr, unit, length);
    if (!SendUnit(unit, length)) {
        table.Clear(node);
        return -1;
    }
    if ((controlWord & 0x80) == 0) return 1;
    KymCanMsg answer{};
    const Wait wait = AwaitCommand(*this, table, node, command, timing.getTimeoutMs, answer);
    table.answerEvent.Clear();
    table.Clear(node);
    if (wait == Wait::Stopped) return -1;
    if (wait == Wait::TimedOut) {
        counters.timeouts.fetch_add(1);
        platform::Trace("SDK_WaitForSingleTimout");
        return 0;
    }
    if (wait == Wait::Refused) {
        counters.errorReports.fetch_add(1);
        return 0;
    }
    counters.answers.fetch_add(1);
    KymReply scratch{};
    return DecodeFirstGen(kLegacyKind, node, controlWord, index, &answer,
                          reply != nullptr ? reply : &scratch) == 1
               ? 1
               : 0;
}

int CNvLinkPort::RunLegacyDiscovery(KymNodeRecord* records, int max, bool withData) {
    KymCanMsg request{};
    request.controlWord = 0x80 | kSerialNumber;
    request.length = withData ? 2 : 0;  // register-all sends two zero data bytes
    DiscoveryPlan plan;
    plan.command = kSerialNumber;
    plan.waitMs = timing.legacyDiscoveryWaitMs;
    const uint32_t handle = Handle();
    return RunDiscovery(*this, handle, plan, records, max, [&] {
        uint8_t unit[WireFormat::kMaxUnitBytes];
        return SendMessageUnit(unit, format_->EncodeMessage(handle, request, unit), request);
    });
}

int CNvLinkPort::RegisterNodesLegacy(uint32_t, KymNodeRecord* records, int max) {
    return RunLegacyDiscovery(records, max, false);
}

int CNvLinkPort::RegisterAllNodes(uint32_t, KymNodeRecord* records, int max) {
    return RunLegacyDiscovery(records, max, true);
}

int CNvLinkPort::OpenNodesLegacy(uint32_t handle, KymNodeRecord* records, int max, uint32_t* out) {
    if (StartReceiver(handle) != 1) return 0;
    if (out != nullptr) {
        // The gateway's CAN bit-rate code (communication setting 5); kept as it was when unanswered.
        KymReply reply{};
        if (GetCommandLegacy(Handle(), kGatewayNode, 0x80 | kCommSettings, kBitRateSetting, &reply) == 1) {
            *out = static_cast<uint32_t>(reply.field[0]);
        }
    }
    if (records == nullptr) return 0;
    const int n = RegisterLegacy(handle, records, max);
    if (n <= 0) return 0;
    return DescribeLegacyNodes(records, n) ? n : 0;
}

int CNvLinkPort::RegisterLegacy(uint32_t handle, KymNodeRecord* records, int max) {
    const int n = RegisterNodesLegacy(handle, records, max);
    return n > 0 ? n : RegisterAllNodes(handle, records, max);
}

bool CNvLinkPort::DescribeLegacyNodes(KymNodeRecord* records, int n) {
    bool lastAnswered = false;
    for (int i = 0; i < n; ++i) {
        KymNodeRecord& record = records[i];
        record.handle = Handle();
        std::memset(record.model, 0, sizeof record.model);
        KymReply reply{};
        lastAnswered = GetCommandLegacy(record.handle, record.nodeId, 0x80 | kModel, 0, &reply) == 1;
        if (!lastAnswered) continue;
        const auto* model = reinterpret_cast<const uint8_t*>(reply.field);
        const auto sbyte = [&](size_t at) { return static_cast<int>(static_cast<int8_t>(model[at])); };
        const bool cModel = model[0] == '?';
        const int power = (sbyte(7) << 8) | model[6];
        std::snprintf(record.model, sizeof record.model, cModel ? "KYM%dC%02dP%d" : "KYM%dH%02dP%d",
                      cModel ? 63 : sbyte(0), sbyte(1), power);
        record.firmware = static_cast<uint32_t>(model[4] | (sbyte(5) << 8));
        if (cModel) {
            // 'C' models keep their UFQ group (operation 2/8) in word 6.
            record.flag = 1;
            uint8_t block[12] = {kUfqGroup, kGetGroupId};
            KymReply group{};
            if (SetCommandLegacy(record.handle, record.nodeId, 0x80 | kOperation, 0, block, &group) == 1) {
                record.legacyValue = reinterpret_cast<const uint8_t*>(group.field)[8];
            }
        } else {
            // Other models: communication settings 6 and 8 in words 2 and 6.
            record.flag = 0;
            KymReply setting{};
            if (GetCommandLegacy(record.handle, record.nodeId, 0x80 | kCommSettings, 6, &setting) == 1) {
                record.flag = static_cast<uint32_t>(static_cast<int8_t>(setting.field[0]));
            }
            record.legacyValue = 0;
            setting = KymReply{};
            if (GetCommandLegacy(record.handle, record.nodeId, 0x80 | kCommSettings, 8, &setting) == 1) {
                record.legacyValue = static_cast<uint32_t>(static_cast<int8_t>(setting.field[0]));
            }
        }
    }
    return lastAnswered;
}

// ---------------------------------------------------------------------------------------------
// Filing

void CNvLinkPort::FileLegacySerialAnswer(const uint8_t* payload, size_t length) {
    // Serial pass-through: a gateway answer of at least a header and a few bytes.
    if (length <= 10 || payload[0] <= 3) return;
    if (const KymSerialCallBack callback = GlobalCallbacks().serialTranslate.load()) {
        callback(portIndex | 0x400000, payload, static_cast<int32_t>(length));
    }
    KymCanMsg message{};
    message.node = payload[1];
    message.controlWord = payload[2];
    message.length = static_cast<uint8_t>(std::min<size_t>(payload[0] - 4u, 8));
    std::memcpy(message.data, payload + 3, std::min<size_t>(length - 3, 8));
    message.extra = message.data[0];
    RecordTraffic(Handle(), TrafficDirection::Received, true, message);
    FileLegacyMessage(message);
}

void CNvLinkPort::FileLegacyMessage(const KymCanMsg& message) {
    const uint32_t node = message.node;
    if (node == 0 || node >= static_cast<uint32_t>(kNodeSlots)) {
        counters.droppedMessages.fetch_add(1);
        return;
    }
    const uint8_t number = message.controlWord & 0x7F;
    if (number == kErrorReport || number == kMotionDone || number == kInputEdge) {
        if (const KymMsgCallBack callback = GlobalCallbacks().legacyRealtime.load()) {
            uint32_t words[4];
            std::memcpy(words, &message, sizeof words);
            callback(Handle(), words[0], words[1], words[2], words[3]);
        }
        if (number != kErrorReport) return;
    }
    if (GlobalCallbacks().translate.load() != nullptr) {
        // A host that takes translated messages gets every answer, and no request is answered.
        if (number != kErrorReport && number != kStatusAnswer) Ring().Push(message);
        return;
    }
    OfferToRequests([&](NodeAnswerTable& table) {
        if (number == kSerialNumber && table.expectedCommand[0] == kSerialNumber) {
            table.StoreLocked(0, message);  // gathered for the discovery, which waits its window
            return Filed::Quietly;
        }
        if (!AnswersFirstGen(table.expectedCommand[node], number)) return Filed::NotAwaited;
        table.StoreLocked(node, message);
        return Filed::Signal;
    });
}

}  // namespace norvane::sdk
