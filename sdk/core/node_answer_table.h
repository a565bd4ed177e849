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
#include "platform/event.h"

namespace norvane::sdk {

constexpr int kNodeSlots = 126;       ///< node ids 0-125
constexpr int kAnswersPerNode = 126;  ///< answers kept per node, in arrival order
constexpr uint8_t kDiscoveryCommand = 0x40;
/// What expectedCommand holds while command number 0 is in flight (0 there means nothing is).
constexpr uint8_t kCommandZeroMark = 0x80;
/// How long after a request timed out its node still owes the answer: the first answer of that
/// node to that command within this time is the late one and completes no later request.
constexpr uint64_t kOwedAnswerMs = 1500;

struct NodeAnswerTable {
    std::mutex tableLock;    ///< taken first by every request on this table
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
    uint8_t owedCommand[kNodeSlots] = {};  ///< command a timed-out request still awaits, 0 = none
    uint64_t owedUntilMs[kNodeSlots] = {};
    bool lateTaken[kNodeSlots] = {};  ///< a late answer was dropped while the node's request waited

    /// Prepares node for a request of the given command number (command 0 is marked with
    /// kCommandZeroMark): count 0, command expected, and the
    /// node's answer slots emptied, so that nothing of an earlier request can be read as its answer.
    void Expect(uint32_t node, uint8_t command);
    /// Appends message to node's answers and advances its count (storeLock held by the caller).
    void StoreLocked(uint32_t node, const KymCanMsg& message);
    /// Forgets what was expected and stored for node.
    void Clear(uint32_t node);
    /// Forgets node's request after its time-out, and remembers the answer as owed until
    /// nowMs + kOwedAnswerMs. A request that dropped a late answer while it waited owes nothing:
    /// the dropped answer may have been its own, and owing again would drop every answer after
    /// a lost one.
    void TimedOut(uint32_t node, uint64_t nowMs);
    /// The command of the answer node owes at nowMs, 0 for none (storeLock held by the caller).
    uint8_t OwedLocked(uint32_t node, uint64_t nowMs) const;
    /// Drops the owed answer that has just arrived (storeLock held by the caller).
    void TakeLateLocked(uint32_t node);
    /// Forgets what was expected and stored for all nodes (an owed answer stays owed).
    void ClearAll();
    uint32_t Count(uint32_t node);
    /// Copies up to max stored answers of node (from position 0) to out; returns how many.
    uint32_t CopyAnswers(uint32_t node, KymCanMsg* out, uint32_t max);
};

}  // namespace norvane::sdk
