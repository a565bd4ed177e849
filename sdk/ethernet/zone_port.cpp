// The zone port: probe, open, the zone device's request rules, zone list, receive hooks and
// filing.
#include "sdk/ethernet/zone_port.h"

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
#include "sdk/core/request_flow.h"
#include "sdk/ethernet/zone_wire_format.h"

namespace norvane::sdk {
namespace {

constexpr uint32_t kProbeAnswerMs = 200;
constexpr uint32_t kRegisterWaitMs = 1500;
constexpr uint32_t kKeepAliveMs = 500;
// After a close the loop lets a registration in progress finish, but never longer than this.
constexpr uint32_t kStopGraceMs = 2000;

constexpr uint8_t kEnable = cmd::first_gen::kCommunication;  // index 0: the bus-wide enable
constexpr uint8_t kSerialNumber = cmd::first_gen::kSerialNumber;
constexpr uint8_t kErrorReport = cmd::first_gen::kError;
constexpr uint8_t kStatusAnswer = cmd::first_gen::kDesiredValues;
constexpr uint8_t kListCommand = 0x19;
constexpr uint8_t kRegistering = 127;  // expectedCommand[0] while a registration gathers answers
constexpr uint8_t kRealtime = 90;
constexpr uint8_t kNeverFiled = 2;

uint32_t DataWord(const void* data, int i) {
    uint32_t word;
    std::memcpy(&word, static_cast<const uint8_t*>(data) + 4 * i, sizeof word);
    return word;
}

}  // namespace

CNvZonePort::CNvZonePort(uint32_t address) : CNvSocketClient(address, std::make_unique<ZoneWireFormat>()) {
    kind = kKind;
    legacyProtocol = 1;
}

CNvZonePort::~CNvZonePort() {
    // Stop the receive thread while this object's hooks are still intact.
    Disconnect(Handle());
}

// ---------------------------------------------------------------------------------------------
// Probe and open

int CNvZonePort::ZoneProbe() {
    uint8_t probe[zone::kShortFrameBytes];
    if (SendBytes(probe, zone::BuildProbeFrame(probe)) == 0) return 0;
    uint8_t buffer[64] = {};
    size_t count = 0;
    for (int attempt = 0; attempt < 2; ++attempt) {
        const int n = ReceiveBytes(buffer + count, sizeof buffer - count, kProbeAnswerMs);
        if (n < 0) return 0;
        count += static_cast<size_t>(n);
        for (;;) {
            const zone::FrameEvent event = zone::TakeFrame(buffer, count, sizeof buffer);
            if (event.kind == zone::FrameKind::None) break;
            if (event.kind == zone::FrameKind::Probe) {
                kind = kKind;
                identified = 1;
                return 1;
            }
        }
    }
    return 0;
}

int CNvZonePort::ZoneOpen(uint32_t index, KymNodeRecord* records, int max) {
    if (records == nullptr) return 0;
    portIndex = index;
    if (!Connect()) return 0;
    if (!receiveRunning && !StartReceiver(Handle())) return 0;

    // The device answers with its zone count as one ASCII digit.
    uint8_t list[zone::kMaxListBytes];
    size_t length = 0;
    if (!ZoneList(list, sizeof list, &length)) return 0;
    int count = zone::ZoneCountFromList(list, std::min<size_t>(length, 4));
    if (max > 0) count = std::min(count, max);
    const uint32_t handle = Handle();
    for (int i = 1; i <= count; ++i) {
        KymNodeRecord& record = records[i - 1];
        record.nodeId = static_cast<uint32_t>(i);  // requests address a zone by its number
        record.discoveryValue = 0;
        record.handle = handle;
        std::snprintf(record.model, sizeof record.model, "KYMZone%02d", i);
    }
    return count;
}

// ---------------------------------------------------------------------------------------------
// Requests

int CNvZonePort::SetCommandLegacy(uint32_t handle, uint32_t node, uint8_t controlWord, int index,
                                  const void* data, KymReply* reply) {
    if (!receiveRunning) return -1;
    NodeAnswerTable& table = *TableFor(handle);
    std::scoped_lock locks(table.tableLock, table.requestLock);
    KymCanMsg request{};
    if (PackFirstGen(node, controlWord, index, data, &request) != 1) return -1;

    const uint8_t command = controlWord & 0x7F;
    const uint32_t slot = LegacyAnswerNode(node, controlWord, index, data);
    const bool answered = (controlWord & 0x80) != 0;
    // No answer area exists beyond node 125: such a request can be sent but not answered.
    if (answered && slot >= static_cast<uint32_t>(kNodeSlots)) return -1;

    table.answerEvent.Clear();
    table.Expect(slot, command);
    uint8_t unit[WireFormat::kMaxUnitBytes];
    if (!SendMessageUnit(unit, format().EncodeMessage(handle, request, unit), request)) {
        table.Clear(slot);
        return -1;
    }
    if (!answered) {
        table.Clear(slot);
        return 1;
    }
    if (!AwaitAnswer(*this, table, slot, kAnswerTimeoutMs)) {
        table.answerEvent.Clear();
        table.Clear(slot);
        // An enable with value 0 (switching the motor off) may go unanswered: counted as done.
        const bool quietDisable =
            data != nullptr && command == kEnable && index == 0 && DataWord(data, 0) == 0;
        return quietDisable ? 1 : -1;
    }
    KymCanMsg answer{};
    table.CopyAnswers(slot, &answer, 1);
    table.answerEvent.Clear();
    table.Clear(slot);
    bool isErrorReport = false;
    const int error = ErrorReportResult(command, answer, &isErrorReport);
    (isErrorReport ? counters.errorReports : counters.answers).fetch_add(1);
    if (isErrorReport) return error;
    KymReply scratch{};
    const int decoded =
        DecodeFirstGen(kind, slot, controlWord, index, &answer, reply != nullptr ? reply : &scratch);
    return decoded == 1 ? 1 : -1;
}

int CNvZonePort::GetCommandLegacy(uint32_t handle, uint32_t node, uint8_t controlWord, int index,
                                  KymReply* reply) {
    if (reply == nullptr || !receiveRunning) return 0;
    if (node >= static_cast<uint32_t>(kNodeSlots)) return 0;
    NodeAnswerTable& table = *TableFor(handle);
    std::scoped_lock locks(table.tableLock, table.requestLock);
    KymCanMsg request{};
    if (PackFirstGen(node, controlWord, index, nullptr, &request) != 1) return -1;
    const uint8_t command = controlWord & 0x7F;
    platform::Trace("--->Get\n");
    table.answerEvent.Clear();
    table.Expect(node, command);
    uint8_t unit[WireFormat::kMaxUnitBytes];
    if (!SendMessageUnit(unit, format().EncodeMessage(handle, request, unit), request)) {
        table.Clear(node);
        return 0;
    }
    if (!AwaitAnswer(*this, table, node, kAnswerTimeoutMs)) {
        table.answerEvent.Clear();
        table.Clear(node);
        platform::Trace("SDK_WaitForSingleTimout");
        return 0;
    }
    // The first answer carrying the requested command; the last one stored when none does.
    KymCanMsg stored[kAnswersPerNode];
    const uint32_t count = std::clamp<uint32_t>(table.Count(node), 1, kAnswersPerNode);
    table.CopyAnswers(node, stored, count);
    table.answerEvent.Clear();
    table.Clear(node);
    const KymCanMsg* chosen = &stored[count - 1];
    for (uint32_t i = 0; i < count; ++i) {
        if ((stored[i].controlWord & 0x7F) == command) {
            chosen = &stored[i];
            break;
        }
    }
    KymCanMsg answer = *chosen;
    const bool refused = (answer.controlWord & 0x7F) == kErrorReport && command != kErrorReport;
    (refused ? counters.errorReports : counters.answers).fetch_add(1);
    return DecodeFirstGen(kind, node, controlWord, index, &answer, reply) == 1 ? 1 : 0;
}

int CNvZonePort::ZoneRegister(uint32_t handle, KymNodeRecord* records, int max, bool withZeroData) {
    KymCanMsg request{};
    if (PackFirstGen(0, 0x80 | kSerialNumber, 0, nullptr, &request) != 1) return 0;
    if (withZeroData) {
        request.length = 2;
        request.data[0] = request.data[1] = 0;
    }
    DiscoveryPlan plan;
    plan.command = kSerialNumber;
    plan.areaMarker = kRegistering;  // answers gather in node 0's area and do not signal
    plan.waitMs = kRegisterWaitMs;
    return RunDiscovery(*this, handle, plan, records, max, [&] {
        uint8_t unit[WireFormat::kMaxUnitBytes];
        return SendMessageUnit(unit, format().EncodeMessage(handle, request, unit), request);
    });
}

int CNvZonePort::ZoneList(uint8_t* out, size_t capacity, size_t* length) {
    NodeAnswerTable& table = *TableFor(Handle());
    {
        std::lock_guard store(table.storeLock);
        table.expectedCommand[0] = 0;
    }
    if (length != nullptr) *length = 0;
    if (out == nullptr || !receiveRunning) return 0;
    std::scoped_lock locks(table.tableLock, table.requestLock);
    {
        std::lock_guard store(table.storeLock);
        table.expectedCommand[0] = kListCommand;
        std::memset(table.auxiliary, 0, sizeof table.auxiliary);
        table.answerCount[0] = 0;
    }
    table.answerEvent.Clear();
    auto finish = [&table] {
        table.answerEvent.Clear();
        std::lock_guard store(table.storeLock);
        table.answerCount[0] = 0;
        table.expectedCommand[0] = 0;
    };
    uint8_t frame[zone::kShortFrameBytes];
    if (!SendUnit(frame, zone::BuildListFrame(frame))) {
        finish();
        return 0;
    }
    if (table.Count(0) == 0 && !table.answerEvent.Wait(kAnswerTimeoutMs)) {
        finish();
        counters.timeouts.fetch_add(1);
        platform::Trace("SDK_WaitForSingleTimout");
        return 0;
    }
    {
        std::lock_guard store(table.storeLock);
        const size_t n = std::min<size_t>({table.answerCount[0], capacity, zone::kMaxListBytes});
        std::memcpy(out, table.auxiliary, n);
        if (length != nullptr) *length = n;
    }
    counters.answers.fetch_add(1);
    finish();
    return 1;
}

// ---------------------------------------------------------------------------------------------
// Receive hooks

int CNvZonePort::ReceiveLoopLegacy(uint32_t index) {
    keepAliveSent_ = false;
    stopSeen_ = 0;
    return CNvLinkPort::ReceiveLoopLegacy(index);
}

bool CNvZonePort::ReceiveGoesOn() {
    if (receiveRunning) return true;
    // A registration in progress still gathers its answers, for a bounded time.
    const uint64_t now = platform::TickMs();
    if (stopSeen_ == 0) stopSeen_ = now;
    return AnyRequestExpects(0) && now - stopSeen_ < kStopGraceMs;
}

void CNvZonePort::BeforeRead(uint64_t nowMs) {
    if (keepAliveSent_ && nowMs - lastKeepAlive_ <= kKeepAliveMs) return;
    uint8_t keepAlive[zone::kShortFrameBytes];
    SendBytes(keepAlive, zone::BuildProbeFrame(keepAlive));  // a lost connection shows as unanswered requests
    lastKeepAlive_ = nowMs;
    keepAliveSent_ = true;
}

void CNvZonePort::HandleUnit(const ReceivedUnit& unit, bool) {
    switch (unit.kind) {
        case ReceivedUnit::Kind::Message:
            FileZoneMessage(unit.message, unit.zone);
            break;
        case ReceivedUnit::Kind::Dropped:
            counters.droppedMessages.fetch_add(1);
            break;
        case ReceivedUnit::Kind::ZoneList:
            // Only a list request in flight takes the bytes: node 0's count is otherwise the
            // registration's answer count.
            OfferToRequests([&unit](NodeAnswerTable& table) {
                if (table.expectedCommand[0] != kListCommand) return Filed::NotAwaited;
                if (unit.length > 0) {
                    const size_t n = std::min(unit.length, zone::kMaxListBytes);
                    std::memcpy(table.auxiliary, unit.bytes, n);
                    table.answerCount[0] = static_cast<uint32_t>(n);
                }
                return Filed::Signal;
            });
            break;
        default:
            break;  // keep-alive echoes and other frames are consumed
    }
}

void CNvZonePort::FileZoneMessage(const KymCanMsg& message, uint8_t zone) {
    const uint32_t node = message.node;
    const uint8_t number = message.controlWord & 0x7F;
    if (number == kRealtime) {
        const KymMsgCallBack callback = GlobalCallbacks().legacyRealtime.load();
        if (callback != nullptr) {
            uint32_t words[4];
            std::memcpy(words, &message, sizeof words);
            callback(Handle(), words[0], words[1], words[2], words[3]);
            counters.noticesDelivered.fetch_add(1);
        }
        return;
    }
    if (number == kNeverFiled) return;
    if (node >= static_cast<uint32_t>(kNodeSlots)) {
        counters.droppedMessages.fetch_add(1);
        return;
    }
    OfferToRequests([&](NodeAnswerTable& table) {
        const uint8_t expected = table.expectedCommand[node];
        // A status answer may stand in for the awaited one: the request picks among them.
        if (!AnswersFirstGen(expected, number) && !(expected != 0 && number == kStatusAnswer))
            return Filed::NotAwaited;
        if (table.expectedCommand[0] == kRegistering) {
            table.auxiliary[table.answerCount[0] % kAnswersPerNode] = zone;
            table.StoreLocked(0, message);  // gathered for the registration, which waits its window
            return Filed::Quietly;
        }
        table.auxiliary[0] = zone;
        table.StoreLocked(node, message);
        return Filed::Signal;
    });
}

}  // namespace norvane::sdk
