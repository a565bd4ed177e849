#include "sdk/api/node_locks.h"

namespace norvane::sdk {
namespace {

struct NodeLocksHolder {
    std::mutex lock;  // guards the pointer only; never held while a node lock is awaited
    std::shared_ptr<NodeLockSet> set;
};

NodeLocksHolder& Holder() {
    static NodeLocksHolder holder;
    return holder;
}

std::shared_ptr<NodeLockSet> CurrentSet() {
    NodeLocksHolder& holder = Holder();
    std::lock_guard lock(holder.lock);
    return holder.set;
}

}  // namespace

void CreateNodeLocks() {
    NodeLocksHolder& holder = Holder();
    std::lock_guard lock(holder.lock);
    if (!holder.set) holder.set = std::make_shared<NodeLockSet>();
}

void DeleteNodeLocks() {
    std::shared_ptr<NodeLockSet> dropped;
    {
        NodeLocksHolder& holder = Holder();
        std::lock_guard lock(holder.lock);
        dropped.swap(holder.set);
    }
}

bool NodeLocksExist() {
    return CurrentSet() != nullptr;
}

NodeLockGuard::NodeLockGuard(uint32_t node) {
    if (node >= kLockedNodes) return;
    set_ = CurrentSet();
    if (set_) lock_ = std::unique_lock(set_->locks[node]);
}

}  // namespace norvane::sdk
