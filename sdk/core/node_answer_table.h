#pragma once
// Where answers from CAN nodes wait until the requesting thread picks them up.
//
// Lock order: tableLock -> requestLock -> (the port's send lock). storeLock is a leaf lock
// that guards every per-node array below; the receive thread takes only storeLock, so it never
// waits for a requester. Requesters copy answers out under storeLock and decode the copy.
#include <atomic>
#include <cstdint>
#include <mutex>

#include "norvane/NorvaneFunc.h"
#include "platform/clock.h"
#include "platform/event.h"
#include "platform/fair_mutex.h"

namespace norvane::sdk {

constexpr int kNodeSlots = 126;       ///< node ids 0-125
constexpr int kAnswersPerNode = 126;  ///< answers kept per node, in arrival order
constexpr uint8_t kDiscoveryCommand = 0x40;
/// What expectedCommand holds while command number 0 is in flight (0 there means nothing is).
constexpr uint8_t kCommandZeroMark = 0x80;
/// How long after a request timed out its node still owes the answer: the first answer of that
/// node to that command within this time is the late one and completes no later request.
constexpr uint64_t kOwedAnswerMs = 1500;
/// Answers a node owes at most: a gateway that answers in order but late lets the answers of
/// several timed-out requests queue up behind each other. A node owes more than one only while
/// its late answers are seen coming (one dropped within kOwedAnswerMs): a node that merely went
/// silent owes the last one, so that it answers again as soon as it speaks.
constexpr int kMostOwed = 4;
/// A late answer dropped within this time of a request's sending (or within a quarter of its
/// wait, when that is shorter) may be that request's own answer: the owed one was lost. One
/// dropped later says the node answers late, so the request's own answer is still to come when
/// it times out.
constexpr uint64_t kOwnAnswerMs = 100;

constexpr uint32_t kNoLateAnswer = UINT32_MAX;

/// An answer a timed-out request still awaits.
struct OwedAnswer {
    uint8_t command = 0;
    uint64_t untilMs = 0;
};

struct NodeAnswerTable {
    /// Taken first by every request on this table; handed over in turn, so that threads sharing
    /// the table are served in the order they asked.
    platform::FairMutex tableLock;
    std::mutex requestLock;  ///< taken second by set, get and raw-message requests
    platform::Event answerEvent{platform::Event::Reset::Auto};
    /// How long the last answered request of this table waited for its answer, in us: when the
    /// next one is due (0 before the first).
    std::atomic<uint32_t> answerLatencyUs{0};

    std::mutex storeLock;                      ///< leaf lock: guards the arrays below
    uint8_t expectedCommand[kNodeSlots] = {};  ///< command number in flight per node, 0 = none
    uint8_t auxiliary[kNodeSlots] = {};
    uint32_t answerCount[kNodeSlots] = {};  ///< answers stored since the request was sent
    KymCanMsg answers[kNodeSlots][kAnswersPerNode] = {};
    uint64_t expectedSinceMs[kNodeSlots] = {};    ///< when the node's request was sent
    OwedAnswer owed[kNodeSlots][kMostOwed] = {};  ///< oldest first
    uint8_t owedCount[kNodeSlots] = {};
    uint64_t lastLateMs[kNodeSlots] = {};  ///< when the node's last late answer was dropped, 0 = never
    /// How long after its sending the node's waiting request dropped its first late answer.
    uint32_t firstLateAfterMs[kNodeSlots] = {};

    /// Prepares node for a request of the given command number (command 0 is marked with
    /// kCommandZeroMark): count 0, command expected, and the
    /// node's answer slots emptied, so that nothing of an earlier request can be read as its answer.
    void Expect(uint32_t node, uint8_t command) { Expect(node, command, platform::TickMs()); }
    /// The same, for a request sent at nowMs.
    void Expect(uint32_t node, uint8_t command, uint64_t nowMs);
    /// Appends message to node's answers and advances its count (storeLock held by the caller).
    void StoreLocked(uint32_t node, const KymCanMsg& message);
    /// Forgets what was expected and stored for node.
    void Clear(uint32_t node);
    /// Forgets node's request after its time-out, and remembers the answer as owed until
    /// nowMs + kOwedAnswerMs: behind those already owed while the node's late answers are seen
    /// coming (the oldest goes when kMostOwed are), else instead of them.
    /// A request that dropped a late answer soon after it was sent owes nothing: the dropped
    /// answer may have been its own, and owing again would drop every answer after a lost one.
    /// (kNoLateAnswer in firstLateAfterMs: it dropped none.)
    void TimedOut(uint32_t node, uint64_t nowMs);
    /// Whether the answer of command `number` that node has just sent is one it owes; if so it
    /// is taken off the owed answers (oldest first) and the waiting request notes it
    /// (storeLock held by the caller).
    bool TakeLateLocked(uint32_t node, uint8_t number, uint64_t nowMs);
    /// Forgets what was expected and stored for all nodes (an owed answer stays owed).
    void ClearAll();
    uint32_t Count(uint32_t node);
    /// Copies up to max stored answers of node (from position 0) to out; returns how many.
    uint32_t CopyAnswers(uint32_t node, KymCanMsg* out, uint32_t max);
};

}  // namespace norvane::sdk
