#pragma once
// Per-node locks of the first-generation multi-step exports: one lock per node id (0-125),
// shared by all gateways, so that two threads configuring the same node id do not interleave
// their steps.
//
// The lock set exists between a successful first-generation open and the next close. A close
// may delete it while another thread is inside a multi-step export: every NodeLockGuard holds
// its own reference to the set it locked, so the set is freed only after the last guard is gone.
#include <cstdint>
#include <memory>
#include <mutex>

namespace norvane::sdk {

constexpr uint32_t kLockedNodes = 126;

struct NodeLockSet {
    std::mutex locks[kLockedNodes];
};

/// Creates the lock set when it does not exist yet. Any thread.
void CreateNodeLocks();
/// Drops the process-wide lock set (guards still holding it keep it alive). Any thread.
void DeleteNodeLocks();
bool NodeLocksExist();

/// Holds node's lock for its lifetime when the lock set exists; does nothing otherwise, and
/// for node ids outside 0-125 (broadcasts). Blocks while another thread holds the node's lock.
class NodeLockGuard {
public:
    explicit NodeLockGuard(uint32_t node);
    NodeLockGuard(const NodeLockGuard&) = delete;
    NodeLockGuard& operator=(const NodeLockGuard&) = delete;

private:
    std::shared_ptr<NodeLockSet> set_;  // declared first: destroyed after the lock is released
    std::unique_lock<std::mutex> lock_;
};

}  // namespace norvane::sdk
