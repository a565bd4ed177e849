#include "sdk/core/port.h"

#include <algorithm>
#include <cstring>

#include "platform/clock.h"
#include "platform/thread.h"
#include "sdk/core/answer_match.h"
#include "sdk/core/callbacks.h"

namespace norvane::sdk {

// A table, once allocated, lives as long as the port, so requests and the receive thread never
// meet a freed table, whatever the order in which a close and a request run.
CNvCallBackFunc::CNvCallBackFunc() = default;

CNvCallBackFunc::~CNvCallBackFunc() {
    // Derived destructors stop the threads before their members go; this is the last guard.
    StopThreads();
    for (auto& table : tables_) delete table.load();
}

bool CNvCallBackFunc::IsNotification(uint8_t controlWord) {
    const uint8_t number = controlWord & 0x7F;
    return number == 62 || number == 90 || (number >= 112 && number <= 120);
}

NodeAnswerTable* CNvCallBackFunc::TableFor(uint32_t handle) {
    const uint32_t index = handle & 15;
    std::atomic<NodeAnswerTable*>& slot = tables_[index < kNodeTables ? index : 0];
    NodeAnswerTable* table = slot.load(std::memory_order_acquire);
    if (table != nullptr) return table;
    // First use: whoever installs its table first wins; a loser frees its own and uses the winner's.
    auto fresh = std::make_unique<NodeAnswerTable>();
    if (slot.compare_exchange_strong(table, fresh.get(), std::memory_order_acq_rel)) return fresh.release();
    return table;
}

void CNvCallBackFunc::StartThreads(uint32_t handle) {
    std::lock_guard guard(threadsLock_);
    receiveRunning = 1;
    ring_.Reset();
    notifyRunning = 1;
    threadHandle = handle;
    for (auto& slot : tables_) {
        if (NodeAnswerTable* table = slot.load()) table->ClearAll();
    }
    TableFor(handle);
    if (!notifyThread_.joinable()) {
        notifyThread_ = std::thread([this, self = weak_from_this().lock()] { NotificationLoop(); });
    }
}

int CNvCallBackFunc::StartReceiver(uint32_t handle) {
    if (receiveRunning) return 1;
    StartThreads(handle);
    // A loop that ended on an error is joined first, with no lock held (its last callback may
    // still be closing ports).
    std::thread ended;
    {
        std::lock_guard guard(threadsLock_);
        ended = std::move(receiveThread_);
    }
    if (ended.joinable()) {
        if (ended.get_id() == std::this_thread::get_id()) {
            ended.detach();
        } else {
            ended.join();
        }
    }
    receiverStarted_.Clear();
    {
        std::lock_guard guard(threadsLock_);
        if (receiveThread_.joinable()) return receiveRunning != 0 ? 1 : 0;  // started meanwhile
        const uint32_t index = portIndex;
        receiveThread_ = std::thread([this, self = weak_from_this().lock(), index] { ReceiveEntry(index); });
    }
    receiverStarted_.Wait(1000);
    return receiveRunning != 0 ? 1 : 0;
}

void CNvCallBackFunc::ReceiveEntry(uint32_t index) {
    platform::RaiseCurrentThreadPriority(platform::Priority::Highest);
    if (legacyProtocol == 0) {
        ReceiveLoop(index);
    } else if (legacyProtocol == 1) {
        ReceiveLoopLegacy(index);
    }
    receiveRunning = 0;
}

void CNvCallBackFunc::StopThreads() {
    std::thread receive;
    std::thread notify;
    {
        std::lock_guard guard(threadsLock_);
        if (notifyRunning.exchange(0) != 0) ring_.Signal().Set();
        receiveRunning = 0;
        for (auto& slot : tables_) {
            if (NodeAnswerTable* table = slot.load()) table->answerEvent.Set();  // requests fail now
        }
        receive = std::move(receiveThread_);
        notify = std::move(notifyThread_);
    }
    for (std::thread* thread : {&receive, &notify}) {
        if (!thread->joinable()) continue;
        if (thread->get_id() == std::this_thread::get_id()) {
            thread->detach();  // closed from its own callback: it ends when the callback returns
        } else {
            thread->join();
        }
    }
}

void CNvCallBackFunc::SignalReceiverStarted(uint32_t) {
    receiverStarted_.Set();
}

void CNvCallBackFunc::WakeWaiters(uint32_t) {
    for (auto& slot : tables_) {
        if (NodeAnswerTable* table = slot.load()) table->answerEvent.Set();
    }
}

bool CNvCallBackFunc::AnyRequestExpects(uint32_t node) {
    if (node >= static_cast<uint32_t>(kNodeSlots)) return false;
    for (auto& slot : tables_) {
        NodeAnswerTable* table = slot.load();
        if (table == nullptr) continue;
        std::lock_guard lock(table->storeLock);
        if (table->expectedCommand[node] != 0) return true;
    }
    return false;
}

bool CNvCallBackFunc::WaitForAnswer(NodeAnswerTable& table, uint32_t node, uint32_t timeoutMs) {
    if (table.Count(node) > 0) return true;
    if (table.answerEvent.Wait(timeoutMs)) return true;
    counters.timeouts.fetch_add(1);
    return false;
}

void CNvCallBackFunc::NotificationLoop() {
    platform::RaiseCurrentThreadPriority(platform::Priority::AboveNormal);
    while (notifyRunning) {
        std::lock_guard outer(outerLock_);
        ring_.Signal().WaitForever();
        if (!notifyRunning) return;
        // The ring lock is not held while the callback runs: the receive thread keeps queueing,
        // and a callback may call back into the SDK without deadlocking on this port.
        // A close stops the hand-out after the current callback: a slow callback with a full
        // ring would otherwise hold the close for the whole backlog.
        KymCanMsg message;
        while (notifyRunning && ring_.Pop(&message)) {
            const KymMsgCallBack callback = GlobalCallbacks().translate.load();
            if (callback == nullptr) continue;
            uint32_t words[4];
            std::memcpy(words, &message, sizeof words);
            callback(Handle(), words[0], words[1], words[2], words[3]);
            counters.noticesDelivered.fetch_add(1);
        }
    }
}

void CNvCallBackFunc::FileMessage(const KymCanMsg& received, uint8_t answersAs) {
    const uint32_t node = received.node;
    if (node == 0 || node >= static_cast<uint32_t>(kNodeSlots)) {
        counters.droppedMessages.fetch_add(1);
        return;
    }
    const uint8_t number = received.controlWord & 0x7F;
    if (IsNotification(received.controlWord)) {
        if (number == 62) AppendStream(node, received.data, std::min<uint32_t>(received.length, 8));
        if (DeliverRealtimeNotice(Handle(), received)) counters.noticesDelivered.fetch_add(1);
        return;
    }
    if (GlobalCallbacks().translate.load() != nullptr) {
        // A host that takes translated messages gets every one, and no request is answered.
        if (!ring_.Push(received)) counters.ringDropped.fetch_add(1);
        return;
    }
    OfferToRequests([&](NodeAnswerTable& table) {
        const uint8_t expected = table.expectedCommand[node];
        if (number == kDiscoveryCommand && expected == kDiscoveryCommand) {
            table.StoreLocked(0, received);  // gathered for the discovery, which waits its window
            return Filed::Quietly;
        }
        if (table.owedCount[node] != 0 && table.TakeLateLocked(node, answersAs, platform::TickMs()))
            return Filed::Late;
        if (!AnswersSecondGen(expected, answersAs)) return Filed::NotAwaited;
        KymCanMsg message = received;
        if (expected == kAnyAnswer && !(node == 1 && nodeOneKeepsControlWord))
            message.controlWord = kAnyAnswer;
        table.StoreLocked(node, message);
        return Filed::Signal;
    });
}

void PortCounters::Fill(KymPortCounters& out) const {
    out.requestsSent = unitsSent.load();
    out.answers = answers.load();
    out.timeouts = timeouts.load();
    out.errorReports = errorReports.load();
    out.malformedFrames = malformedFrames.load();
    out.noticesDelivered = noticesDelivered.load();
    out.ringDropped = ringDropped.load();
    out.streamBytesDropped = droppedStreamBytes.load();
    out.reconnects = reconnects.load();
    out.messagesDropped = droppedMessages.load();
    out.replyBytesDropped = droppedReplyBytes.load();
    out.unmatchedAnswers = unmatchedAnswers.load();
}

void PortCounters::Reset() {
    for (std::atomic<uint64_t>* counter :
         {&malformedFrames, &droppedStreamBytes, &droppedMessages, &timeouts, &droppedReplyBytes, &unitsSent,
          &answers, &errorReports, &noticesDelivered, &ringDropped, &reconnects, &unmatchedAnswers}) {
        counter->store(0);
    }
}

void CNvCallBackFunc::FileDiscoveryAnswer(uint32_t areaNode, const KymCanMsg& message) {
    if (areaNode >= static_cast<uint32_t>(kNodeSlots)) return;
    OfferToRequests([&](NodeAnswerTable& table) {
        if (table.expectedCommand[areaNode] != kDiscoveryCommand) return Filed::NotAwaited;
        table.StoreLocked(areaNode, message);
        return Filed::Quietly;
    });
}

bool CNvCallBackFunc::AppendStream(uint32_t node, const uint8_t* bytes, uint32_t length) {
    std::lock_guard lock(streamLock_);
    if (node >= static_cast<uint32_t>(kNodeSlots) || streamCount_[node] + length >= kStreamBytes) {
        counters.droppedStreamBytes.fetch_add(length);
        return false;
    }
    std::memcpy(streamBuffer_[node] + streamCount_[node], bytes, length);
    streamCount_[node] += length;
    return true;
}

int CNvCallBackFunc::ReadNodeStream(uint32_t node, uint8_t* buffer, int length) {
    std::lock_guard lock(streamLock_);
    if (node >= static_cast<uint32_t>(kNodeSlots) || node == 0 || buffer == nullptr || length <= 0) return 0;
    const uint32_t n = std::min<uint32_t>(static_cast<uint32_t>(length), streamCount_[node]);
    std::memcpy(buffer, streamBuffer_[node], n);
    std::memmove(streamBuffer_[node], streamBuffer_[node] + n, streamCount_[node] - n);
    streamCount_[node] -= n;
    return static_cast<int>(n);
}

}  // namespace norvane::sdk
