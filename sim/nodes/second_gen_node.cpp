#include "sim/nodes/second_gen_node.h"

namespace norvane::sim::nodes {

namespace {
constexpr uint8_t kCmdError = 15;
constexpr uint8_t kCmdAddress = 51;
constexpr uint8_t kCmdBitRate = 53;
constexpr uint8_t kCmdStream = 62;
constexpr uint8_t kCmdDiscovery = 64;
constexpr uint8_t kCmdModel = 65;
constexpr uint8_t kCmdProtocol = 126;
constexpr uint8_t kDiscoveryAnswer = 0x40;  // hosts file discovery answers by this exact byte
constexpr size_t kStreamCapacity = 64 * 1024;
}  // namespace

SecondGenNode::SecondGenNode(uint8_t id, const ModelBytes& model, uint32_t discoveryValue)
    : id_(id), storedId_(id), model_(model), discoveryValue_(discoveryValue) {}

uint8_t SecondGenNode::NodeId() const {
    std::lock_guard lock(mutex_);
    return id_;
}

uint32_t SecondGenNode::DiscoveryValue() const {
    std::lock_guard lock(mutex_);
    return discoveryValue_;
}

ModelBytes SecondGenNode::Model() const {
    std::lock_guard lock(mutex_);
    return model_;
}

uint8_t SecondGenNode::BitRateCode() const {
    std::lock_guard lock(mutex_);
    return bitRateCode_;
}

std::vector<uint8_t> SecondGenNode::ReceivedStream() const {
    std::lock_guard lock(mutex_);
    return stream_;
}

void SecondGenNode::SetStreamEcho(bool on) {
    std::lock_guard lock(mutex_);
    streamEcho_ = on;
}

void SecondGenNode::OnFrame(const CanFrame& frame, BusTransmitter& bus) {
    if (!IsSecondGenRequest(frame.id)) return;  // another node's answer or notice
    const FrameAddress a = ParseSecondGenIdentifier(frame.id);
    Request r;
    r.controlWord = a.controlWord;
    r.command = a.controlWord & 0x7F;
    r.answer = (a.controlWord & kAnswerBit) != 0;
    r.frame = &frame;
    Outbox out;
    {
        std::lock_guard lock(mutex_);
        out.Append(pending_);
        if (a.node == kBroadcastNode) {
            if (r.command == kCmdDiscovery) {
                uint8_t d[4];
                WriteLe(d, discoveryValue_, 4);
                out.Push(MakeFrame(SecondGenNodeIdentifier(id_, kDiscoveryAnswer), d, 4));
            } else if (r.command == kCmdBitRate && r.HasData() && r.Byte(0) <= 7) {
                bitRateCode_ = r.Byte(0);  // bus-wide bit-rate change, never answered
            } else if (r.command >= 22 && r.command <= 32) {
                // The USB adapter sends the global commands with node 127's bits.
                Request g = r;
                g.answer = false;
                HandleGlobal(g, out);
            }
        } else if (a.node == 0) {
            if (r.command >= 22 && r.command <= 32) {
                Request g = r;
                g.answer = false;  // many nodes share node 0: nobody answers a global command
                HandleGlobal(g, out);
            }
        } else if (a.node == id_) {
            HandleOwn(r, out);
        }
    }
    out.SendTo(bus);
}

void SecondGenNode::Tick(uint64_t nowMs, BusTransmitter& bus) {
    Outbox out;
    {
        std::lock_guard lock(mutex_);
        const uint64_t elapsed = ticked_ && nowMs > now_ ? nowMs - now_ : 0;
        if (!ticked_ || nowMs > now_) now_ = nowMs;
        ticked_ = true;
        out.Append(pending_);
        Advance(elapsed, out);
    }
    out.SendTo(bus);
}

void SecondGenNode::PowerCycle() {
    std::lock_guard lock(mutex_);
    id_ = storedId_;
    pending_.Clear();
    stream_.clear();
    Restart();
}

void SecondGenNode::HandleOwn(const Request& r, Outbox& out) {
    switch (r.command) {
        case kCmdDiscovery: {
            uint8_t d[4];
            WriteLe(d, discoveryValue_, 4);
            out.Push(MakeFrame(SecondGenNodeIdentifier(id_, kDiscoveryAnswer), d, 4));
            return;
        }
        case kCmdModel: {
            const uint8_t d[6] = {model_.d0,
                                  model_.code,
                                  model_.flags,
                                  model_.d3,
                                  static_cast<uint8_t>(model_.firmware),
                                  static_cast<uint8_t>(model_.firmware >> 8)};
            Answer(r, d, 6, out);
            return;
        }
        case kCmdAddress: {
            if (r.HasData()) {
                const uint8_t next = r.Byte(0) & 0x7F;
                if (next < 1 || next > 125) return Refuse(r, kErrOutOfRange, out);
                id_ = next;  // answers (and everything after) come from the new address
                storedId_ = next;
            }
            uint8_t d[8] = {};
            Answer(r, d, AddressAnswer(d), out);
            return;
        }
        case kCmdBitRate:
            if (r.HasData()) {
                if (r.Byte(0) > 7) return Refuse(r, kErrOutOfRange, out);
                bitRateCode_ = r.Byte(0);
            }
            AnswerValue(r, bitRateCode_, 1, out);
            return;
        case kCmdStream: {
            for (size_t i = 0; i < r.Length() && stream_.size() < kStreamCapacity; ++i)
                stream_.push_back(r.Byte(i));
            if (streamEcho_ && r.HasData()) Notify(kCmdStream, r.frame->data, r.Length(), out);
            return;
        }
        case kCmdError: {
            const uint8_t d[3] = {0, lastErrorCommand_, lastErrorCode_};
            Answer(r, d, 3, out);
            return;
        }
        case kCmdProtocol:
            return;  // protocol selection belongs to the gateway, not to bus devices
        default:
            if (!HandleCommand(r, out)) Refuse(r, kErrUnknownCommand, out);
    }
}

size_t SecondGenNode::AddressAnswer(uint8_t* out8) const {
    out8[0] = id_;
    return 1;
}

void SecondGenNode::Answer(const Request& r, const uint8_t* data, size_t length, Outbox& out) const {
    if (!r.answer) return;
    out.Push(MakeFrame(SecondGenNodeIdentifier(id_, r.controlWord), data, length));
}

void SecondGenNode::AnswerValue(const Request& r, uint32_t value, size_t length, Outbox& out) const {
    uint8_t d[4];
    WriteLe(d, value, 4);
    Answer(r, d, length > 4 ? 4 : length, out);
}

void SecondGenNode::Refuse(const Request& r, uint8_t code, Outbox& out) {
    lastErrorCommand_ = r.command;
    lastErrorCode_ = code;
    if (!r.answer) return;
    const uint8_t d[3] = {0, r.command, code};
    out.Push(MakeFrame(SecondGenNodeIdentifier(id_, kCmdError), d, 3));
}

void SecondGenNode::Notify(uint8_t controlWord, const uint8_t* data, size_t length, Outbox& out) const {
    out.Push(MakeFrame(SecondGenNodeIdentifier(id_, controlWord), data, length));
}

}  // namespace norvane::sim::nodes
