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

    /// Prepares node for a request of the given command: count 0, command expected, and the
    /// node's answer slots emptied, so that nothing of an earlier request can be read as its answer.
    void Expect(uint32_t node, uint8_t command);
    /// Appends message to node's answers and advances its count (storeLock held by the caller).
    void StoreLocked(uint32_t node, const KymCanMsg& message);
    /// Forgets what was expected and stored for node.
    void Clear(uint32_t node);
    /// Forgets everything for all nodes.
    void ClearAll();
    uint32_t Count(uint32_t node);
    /// Copies up to max stored answers of node (from position 0) to out; returns how many.
    uint32_t CopyAnswers(uint32_t node, KymCanMsg* out, uint32_t max);
};

}  // namespace norvane::sdk
