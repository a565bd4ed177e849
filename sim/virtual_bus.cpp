#include "sim/virtual_bus.h"

#include <algorithm>
#include <chrono>

#include "platform/clock.h"
#include "platform/thread.h"

namespace norvane::sim {
namespace {

uint64_t SteadyUs() {
    using namespace std::chrono;
    return static_cast<uint64_t>(duration_cast<microseconds>(steady_clock::now().time_since_epoch()).count());
}

uint64_t WallUs() {
    using namespace std::chrono;
    return static_cast<uint64_t>(duration_cast<microseconds>(system_clock::now().time_since_epoch()).count());
}

}  // namespace

uint32_t ExtendedFrameBits(uint8_t length) {
    // SOF, 11+18 identifier bits, SRR, IDE, RTR, r1, r0, DLC, data, CRC + delimiter, ACK slot
    // + delimiter, EOF and the interframe space.
    return 67u + 8u * std::min<uint32_t>(length, 8);
}

std::string CandumpLine(uint64_t wallUs, const std::string& channel, const CanFrame& frame) {
    char head[64];
    std::snprintf(head, sizeof head, "(%llu.%06llu) ", static_cast<unsigned long long>(wallUs / 1000000),
                  static_cast<unsigned long long>(wallUs % 1000000));
    char id[16];
    if (frame.extended) {
        std::snprintf(id, sizeof id, " %08X#", frame.id & 0x1FFFFFFFu);
    } else {
        std::snprintf(id, sizeof id, " %03X#", frame.id & 0x7FFu);
    }
    std::string line = head + channel + id;
    if (frame.remote) return line + "R";
    for (uint8_t i = 0; i < std::min<uint8_t>(frame.length, 8); ++i) {
        char byte[4];
        std::snprintf(byte, sizeof byte, "%02X", frame.data[i]);
        line += byte;
    }
    return line;
}

class VirtualBus::NodeTransmitter : public BusTransmitter {
public:
    NodeTransmitter(VirtualBus& bus, int index) : bus_(bus), index_(index) {}
    // Called only on the bus thread (from OnFrame or Tick).
    void Transmit(const CanFrame& frame) override { bus_.Enqueue(frame, index_, bus_.delivering_); }

private:
    VirtualBus& bus_;
    const int index_;
};

VirtualBus::VirtualBus(BusOptions options) : options_(std::move(options)), startUs_(SteadyUs()) {
    if (!options_.logPath.empty()) log_ = std::fopen(options_.logPath.c_str(), "a");
}

VirtualBus::~VirtualBus() {
    Stop();
    if (log_) std::fclose(log_);
}

SimNode* VirtualBus::AddNode(std::unique_ptr<SimNode> node) {
    std::lock_guard lock(nodesMutex_);
    SimNode* raw = node.get();
    transmitters_.push_back(std::make_unique<NodeTransmitter>(*this, static_cast<int>(nodes_.size())));
    nodes_.push_back(std::move(node));
    return raw;
}

void VirtualBus::SetGatewayListener(std::function<void(const CanFrame&)> listener) {
    listener_ = std::move(listener);
}

void VirtualBus::Start() {
    std::lock_guard lock(queueMutex_);
    if (thread_.joinable()) return;
    stopping_ = false;
    thread_ = std::thread([this] { Run(); });
}

void VirtualBus::Stop() {
    {
        std::lock_guard lock(queueMutex_);
        stopping_ = true;
        queue_.clear();
    }
    queueCv_.notify_all();
    if (thread_.joinable()) thread_.join();
}

void VirtualBus::Send(const CanFrame& frame) {
    Enqueue(frame, -1, {});
}

void VirtualBus::Enqueue(const CanFrame& frame, int source, std::chrono::steady_clock::time_point at) {
    CanFrame f = frame;
    f.id &= f.extended ? 0x1FFFFFFFu : 0x7FFu;
    if (f.length > 8) f.length = 8;
    {
        std::lock_guard lock(queueMutex_);
        if (stopping_ && !thread_.joinable()) return;
        queue_.push_back(
            {f, source,
             at == std::chrono::steady_clock::time_point{} ? std::chrono::steady_clock::now() : at});
    }
    queueCv_.notify_all();
}

void VirtualBus::Run() {
    using Clock = std::chrono::steady_clock;
    const auto tick = std::chrono::milliseconds(std::max<uint32_t>(options_.tickMs, 1));
    auto nextTick = Clock::now() + tick;
    auto busFreeAt = Clock::now();
    // Frames last about 100 us at 1 Mbit/s: a wait that ends 50 us late would stretch each, and
    // a bus is hardware that other programs on the machine do not delay (best effort).
    if (options_.modelBusTime) {
        platform::UsePreciseTimers();
        platform::RaiseCurrentThreadPriority(platform::Priority::Highest);
    }
    std::unique_lock lock(queueMutex_);
    while (!stopping_) {
        const auto now = Clock::now();
        if (now >= nextTick) {
            lock.unlock();
            const uint64_t nowMs = platform::TickMs();
            {
                std::lock_guard nodesLock(nodesMutex_);
                for (size_t i = 0; i < nodes_.size(); ++i) nodes_[i]->Tick(nowMs, *transmitters_[i]);
            }
            lock.lock();
            nextTick = now + tick;
            continue;
        }
        if (queue_.empty()) {
            queueCv_.wait_until(lock, nextTick);
            continue;
        }
        Pending p = queue_.front();
        queue_.pop_front();
        p.arrived = Clock::now();
        if (options_.modelBusTime && options_.bitRate > 0) {
            // The frame arrives when its last bit has crossed the bus.
            const auto bits = ExtendedFrameBits(p.frame.length);
            const auto duration = std::chrono::nanoseconds(uint64_t{bits} * 1000000000ull / options_.bitRate);
            // A frame starts when it was queued or when the bus became free, whichever is later:
            // frames waiting back to back follow each other however late this thread woke.
            busFreeAt = std::max(p.queued, busFreeAt) + duration;
            p.arrived = busFreeAt;
            // A gateway frame goes to the nodes at once: what they do with it shows only in the
            // frames they send, and those are queued at its modelled arrival. A node's frame
            // reaches the gateway when its last bit has arrived.
            if (p.source >= 0 && !WaitUntil(lock, busFreeAt)) break;
        }
        lock.unlock();
        Deliver(p);
        lock.lock();
    }
}

bool VirtualBus::WaitUntil(std::unique_lock<std::mutex>& lock, std::chrono::steady_clock::time_point at) {
    // A timed wait ends tens of microseconds late on a busy or virtual machine, a large share of
    // a frame's time: the wait ends early and the last stretch is spun out.
    constexpr auto kSpun = std::chrono::microseconds(50);
    queueCv_.wait_until(lock, at - kSpun, [this] { return stopping_; });
    if (stopping_) return false;
    lock.unlock();
    while (std::chrono::steady_clock::now() < at) {
    }
    lock.lock();
    return !stopping_;
}

void VirtualBus::Deliver(const Pending& p) {
    Record(p);
    // The devices of this family filter on 29-bit data frames: other frames only cross the bus.
    if (p.frame.extended && !p.frame.remote) {
        std::lock_guard lock(nodesMutex_);
        // A node answers the moment the frame's last bit arrives: its answer is queued at that
        // (modelled) time, however early or late this thread hands the frame over.
        delivering_ = p.arrived;
        for (size_t i = 0; i < nodes_.size(); ++i) {
            if (static_cast<int>(i) != p.source) nodes_[i]->OnFrame(p.frame, *transmitters_[i]);
        }
        delivering_ = {};
    }
    if (p.source >= 0 && listener_) listener_(p.frame);
}

void VirtualBus::Record(const Pending& p) {
    TrafficEntry entry;
    const auto arrived =
        p.arrived == std::chrono::steady_clock::time_point{} ? std::chrono::steady_clock::now() : p.arrived;
    entry.timeUs =
        static_cast<uint64_t>(
            std::chrono::duration_cast<std::chrono::microseconds>(arrived.time_since_epoch()).count()) -
        startUs_;
    entry.direction = p.source < 0 ? Direction::FromGateway : Direction::FromNode;
    entry.frame = p.frame;
    std::lock_guard lock(trafficMutex_);
    traffic_.push_back(entry);
    if (traffic_.size() > options_.trafficLimit) {
        traffic_.pop_front();
        ++droppedTraffic_;
    }
    if (log_) {
        // Stamped with the frame's (modelled) arrival on the wall clock.
        const auto ahead =
            std::chrono::duration_cast<std::chrono::microseconds>(arrived - std::chrono::steady_clock::now());
        const uint64_t wall = WallUs() + static_cast<uint64_t>(ahead.count());
        std::fprintf(log_, "%s\n", CandumpLine(wall, options_.channel, p.frame).c_str());
        std::fflush(log_);
    }
}

std::vector<TrafficEntry> VirtualBus::Traffic() const {
    std::lock_guard lock(trafficMutex_);
    return {traffic_.begin(), traffic_.end()};
}

void VirtualBus::ClearTraffic() {
    std::lock_guard lock(trafficMutex_);
    traffic_.clear();
}

uint64_t VirtualBus::DroppedTrafficEntries() const {
    std::lock_guard lock(trafficMutex_);
    return droppedTraffic_;
}

size_t VirtualBus::NodeCount() const {
    std::lock_guard lock(nodesMutex_);
    return nodes_.size();
}

void VirtualBus::ForEachNode(const std::function<void(SimNode&)>& fn) const {
    std::lock_guard lock(nodesMutex_);
    for (const auto& n : nodes_) fn(*n);
}

}  // namespace norvane::sim
