#include "sdk/core/request_flow.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <mutex>

#include "platform/clock.h"
#include "platform/trace.h"
#include "sdk/core/callbacks.h"
#include "sdk/core/codec/codec.h"
#include "sdk/core/codec/commands.h"
#include "sdk/core/sdk_settings.h"

namespace norvane::sdk {
namespace {

constexpr uint8_t kEnable = cmd::kEna;
constexpr uint8_t kErrorReport = cmd::kErrorReport;
constexpr uint8_t kAva = cmd::kAvaInfo;
constexpr uint8_t kOperation = 81;
constexpr uint32_t kSecondAnswerMs = 100;  ///< how long command 76 waits for its second message

uint32_t FirstWord(const void* data) {
    uint32_t word;
    std::memcpy(&word, data, sizeof word);
    return word;
}

// Answers of node as they stand: at most two are used (command 76 reads a second one).
size_t TakeAnswers(NodeAnswerTable& table, uint32_t node, const RequestWire& wire, KymCanMsg (&answers)[2]) {
    table.CopyAnswers(node, answers, 2);
    const size_t most = std::clamp<size_t>(wire.answersPerRequest, 1, 2);
    return std::clamp<size_t>(table.Count(node), 1, most);
}

void Finish(NodeAnswerTable& table, uint32_t node) {
    table.answerEvent.Clear();
    table.Clear(node);
}

// The answer may still come: the node owes it for a while, so that it completes no later request.
// While a callback takes the messages instead of the requests, nothing is owed: the answer went
// to the callback.
void FinishTimedOut(NodeAnswerTable& table, uint32_t node) {
    const Callbacks& callbacks = GlobalCallbacks();
    if (callbacks.translate.load() != nullptr || callbacks.serialTranslate.load() != nullptr ||
        callbacks.serialTranslate318.load() != nullptr) {
        Finish(table, node);
        return;
    }
    table.answerEvent.Clear();
    table.TimedOut(node, platform::TickMs());
}

// Command 76's channels come in two messages: the request waits briefly for the second, so that
// it is read with the first and never arrives when no request awaits it.
void AwaitSecondAnswer(CNvCallBackFunc& port, NodeAnswerTable& table, uint32_t node,
                       const RequestWire& wire) {
    if (wire.answersPerRequest < 2) return;
    const uint64_t deadline = platform::TickMs() + kSecondAnswerMs;
    while (table.Count(node) < 2 && port.receiveRunning) {
        const uint64_t now = platform::TickMs();
        if (now >= deadline) return;
        table.answerEvent.Wait(static_cast<uint32_t>(deadline - now));
    }
}

}  // namespace

AnswerWait::AnswerWait(NodeAnswerTable& table)
    : table_(table),
      sent_(std::chrono::steady_clock::now()),
      spin_(AnswerSpinUs()),
      watch_(spin_.count() > 0) {}

bool AnswerWait::Wait(uint32_t leftMs) {
    if (!watch_) return table_.answerEvent.Wait(leftMs);
    watch_ = false;
    const auto due =
        sent_ + std::chrono::microseconds(table_.answerLatencyUs.load(std::memory_order_relaxed));
    return table_.answerEvent.Wait(leftMs, due - spin_, 2 * spin_);
}

bool AnswerWait::Answered() {
    const auto arrived = std::max(table_.answerEvent.LastSetAt(), sent_);
    const auto took = std::chrono::duration_cast<std::chrono::microseconds>(arrived - sent_);
    table_.answerLatencyUs.store(static_cast<uint32_t>(took.count()), std::memory_order_relaxed);
    return true;
}

bool AwaitAnswer(CNvCallBackFunc& port, NodeAnswerTable& table, uint32_t node, uint32_t timeoutMs) {
    AnswerWait wait(table);
    const uint64_t deadline = platform::TickMs() + timeoutMs;
    for (;;) {
        if (table.Count(node) > 0) return wait.Answered();
        const uint64_t now = platform::TickMs();
        if (!port.receiveRunning || now >= deadline) break;
        wait.Wait(static_cast<uint32_t>(deadline - now));
    }
    port.counters.timeouts.fetch_add(1);
    return false;
}

int RunSetRequest(CNvCallBackFunc& port, const RequestArgs& args, const RequestWire& wire) {
    if (!port.receiveRunning) return -1;
    NodeAnswerTable& table = *port.TableFor(args.handle);
    std::scoped_lock locks(table.tableLock, table.requestLock);
    if (!wire.build()) return 0;
    const uint8_t command = args.controlWord & 0x7F;
    table.answerEvent.Clear();
    table.Expect(args.node,
                 command == 0 && wire.expectedForCommandZero != 0 ? wire.expectedForCommandZero : command);
    if (!wire.send()) {
        table.Clear(args.node);
        return -1;
    }
    if ((args.controlWord & 0x80) == 0) return 1;

    const uint32_t timeout = command == kOperation ? wire.longAnswerTimeoutMs : wire.answerTimeoutMs;
    if (!AwaitAnswer(port, table, args.node, timeout)) {
        platform::Trace("SDK_WaitForSingleTimout\n");
        // An enable with value 0 (switching the motor off) may go unanswered: counted as done.
        const bool quietDisable =
            args.data != nullptr && command == kEnable && args.index == 0 && FirstWord(args.data) == 0;
        if (quietDisable) {
            Finish(table, args.node);
            return 1;
        }
        FinishTimedOut(table, args.node);
        return -1;
    }
    if (command == kAva) AwaitSecondAnswer(port, table, args.node, wire);
    KymCanMsg answers[2] = {};
    const size_t available = TakeAnswers(table, args.node, wire, answers);
    if ((answers[0].controlWord & 0x7F) == kErrorReport && command != kErrorReport) {
        Finish(table, args.node);
        port.counters.errorReports.fetch_add(1);
        return ErrorReportResult(command, answers[0], nullptr);
    }
    port.counters.answers.fetch_add(1);
    KymReply scratch{};
    const int decoded = DecodeSecondGen(args.node, args.controlWord, args.index, answers, available,
                                        args.reply != nullptr ? args.reply : &scratch);
    Finish(table, args.node);
    return decoded == 1 ? 1 : -1;
}

int RunGetRequest(CNvCallBackFunc& port, const RequestArgs& args, const RequestWire& wire) {
    if (!port.receiveRunning) return 0;
    NodeAnswerTable& table = *port.TableFor(args.handle);
    std::scoped_lock locks(table.tableLock, table.requestLock);
    if (!wire.build()) return 0;
    table.answerEvent.Clear();
    const uint8_t command = args.controlWord & 0x7F;
    table.Expect(args.node,
                 command == 0 && wire.expectedForCommandZero != 0 ? wire.expectedForCommandZero : command);
    if (!wire.send()) {
        table.Clear(args.node);
        return 0;
    }
    if ((args.controlWord & 0x80) == 0) return 1;
    if (!AwaitAnswer(port, table, args.node, wire.answerTimeoutMs)) {
        FinishTimedOut(table, args.node);
        return 0;
    }
    if (command == kAva) AwaitSecondAnswer(port, table, args.node, wire);
    KymCanMsg answers[2] = {};
    const size_t available = TakeAnswers(table, args.node, wire, answers);
    const bool refused =
        (answers[0].controlWord & 0x7F) == kErrorReport && (args.controlWord & 0x7F) != kErrorReport;
    (refused ? port.counters.errorReports : port.counters.answers).fetch_add(1);
    KymReply scratch{};
    const int decoded = DecodeSecondGen(args.node, args.controlWord, args.index, answers, available,
                                        args.reply != nullptr ? args.reply : &scratch);
    Finish(table, args.node);
    return decoded == 1 ? 1 : 0;
}

int RunRawMessage(CNvCallBackFunc& port, uint32_t handle, const KymCanMsg* message, KymCanMsg* out, int max,
                  int* countOut, const std::function<bool(const KymCanMsg&)>& send) {
    if (!port.receiveRunning || message == nullptr) return 0;
    NodeAnswerTable& table = *port.TableFor(handle);
    std::scoped_lock locks(table.tableLock, table.requestLock);
    KymCanMsg request = *message;
    request.length = std::min<uint8_t>(request.length, 8);
    const uint8_t command = request.controlWord & 0x7F;
    const bool broadcast = request.node == 0;
    if (request.node >= static_cast<uint32_t>(kNodeSlots)) return 0;
    if (broadcast) {
        for (uint32_t node = 0; node < static_cast<uint32_t>(kNodeSlots); ++node) table.Expect(node, command);
    } else {
        table.Expect(request.node, command);
    }
    table.answerEvent.Clear();
    if (!send(request)) {
        table.ClearAll();
        return -1;
    }
    if ((request.controlWord & 0x80) == 0) return 1;

    const uint32_t timeout = broadcast ? kLongAnswerTimeoutMs : kAnswerTimeoutMs;
    bool answered = false;
    if (broadcast) {
        answered = table.answerEvent.Wait(timeout);
    } else {
        answered = AwaitAnswer(port, table, request.node, timeout);
        if (!answered) FinishTimedOut(table, request.node);
    }
    // A broadcast gathers the answers of every node; node 127 has no answer area of its own.
    int copied = 0;
    if (countOut != nullptr) *countOut = 0;
    const uint32_t first = broadcast ? 1 : request.node;
    const uint32_t last = broadcast ? kNodeSlots - 1 : request.node;
    KymCanMsg stored[kAnswersPerNode];
    for (uint32_t node = first; node <= last && out != nullptr && copied < max; ++node) {
        const uint32_t count = std::min<uint32_t>(table.Count(node), kAnswersPerNode);
        if (count == 0) continue;
        table.CopyAnswers(node, stored, count);
        for (uint32_t i = 0; i < count && copied < max; ++i) {
            if ((stored[i].controlWord & 0x7F) != command) continue;
            out[copied++] = stored[i];
            if (countOut != nullptr) *countOut = copied;
        }
    }
    table.ClearAll();
    table.answerEvent.Clear();
    if (copied > 0) port.counters.answers.fetch_add(1);
    return broadcast && !answered && copied == 0 ? 0 : 1;
}

void WaitWholeWindow(CNvCallBackFunc& port, NodeAnswerTable& table, uint32_t windowMs) {
    const uint64_t deadline = platform::TickMs() + windowMs;
    for (uint64_t now = platform::TickMs(); now < deadline && port.receiveRunning; now = platform::TickMs()) {
        table.answerEvent.Wait(static_cast<uint32_t>(deadline - now));
    }
}

int RunDiscovery(CNvCallBackFunc& port, uint32_t handle, const DiscoveryPlan& plan, KymNodeRecord* records,
                 int max, const std::function<bool()>& send) {
    NodeAnswerTable& table = *port.TableFor(handle);
    std::scoped_lock locks(table.tableLock, table.requestLock);
    for (uint32_t node = 0; node < static_cast<uint32_t>(kNodeSlots); ++node)
        table.Expect(node, plan.command);
    if (plan.areaMarker != 0) {
        std::lock_guard store(table.storeLock);
        table.expectedCommand[plan.areaNode] = plan.areaMarker;
    }
    if (!send()) {
        table.ClearAll();
        platform::Trace("<---Get\n");
        return 0;
    }
    // Any answer may signal meanwhile (a late answer to an earlier request, a notice): the
    // window runs to its end all the same, or nodes answering after it would be lost.
    table.answerEvent.Clear();
    WaitWholeWindow(port, table, plan.waitMs);

    const uint32_t areaNode = plan.areaNode;
    KymCanMsg found[kAnswersPerNode];
    const uint32_t count = std::min<uint32_t>(table.Count(areaNode), kAnswersPerNode);
    table.CopyAnswers(areaNode, found, count);
    table.ClearAll();
    table.answerEvent.Clear();
    // Every valid answer is considered, then the lowest node ids are kept: a node below 5 or a
    // small max never hides a valid node behind an earlier answer.
    std::stable_sort(found, found + count,
                     [](const KymCanMsg& a, const KymCanMsg& b) { return a.node < b.node; });
    int n = 0;
    for (uint32_t i = 0; i < count && records != nullptr && n < max; ++i) {
        if (found[i].node < 5 || found[i].node > 125) continue;
        records[n].nodeId = found[i].node;
        std::memcpy(&records[n].discoveryValue, found[i].data, 4);
        ++n;
    }
    return n;
}

}  // namespace norvane::sdk
