#include "sim/gateway_node.h"

#include <algorithm>

#include "platform/clock.h"

namespace norvane::sim {
namespace {

constexpr uint8_t kModel = 65, kBitRate = 53;
constexpr uint8_t kLegacyModel = 11, kLegacySerial = 12, kLegacyComm = 1;

}  // namespace

uint32_t BitRateOfCode(uint8_t code) {
    static constexpr uint32_t kRates[8] = {1000000, 800000, 500000, 250000, 125000, 50000, 20000, 10000};
    return code < 8 ? kRates[code] : 500000;
}

bool GatewayNode::Answer(bool firstGeneration, uint8_t node, uint8_t controlWord, const uint8_t* data,
                         uint8_t length, const Send& send) {
    if (node != kGatewayNodeId) return false;
    const uint8_t command = controlWord & 0x7F;
    const bool wantsAnswer = (controlWord & 0x80) != 0;
    const uint8_t model[6] = {
        static_cast<uint8_t>(model_ >> 8),      static_cast<uint8_t>(model_ & 0xFF), 0, 0,
        static_cast<uint8_t>(firmware_ & 0xFF), static_cast<uint8_t>(firmware_ >> 8)};
    if (firstGeneration) {
        if (command == kLegacyModel) {
            if (wantsAnswer) send(kGatewayNodeId, kLegacyModel, model, 6);
            return true;
        }
        if (command == kLegacySerial && length != 5) {  // an address change goes to the bus
            uint8_t serial[4];
            for (int i = 0; i < 4; ++i) serial[i] = static_cast<uint8_t>(serialNumber_ >> (8 * i));
            if (wantsAnswer) send(kGatewayNodeId, kLegacySerial, serial, 4);
            return true;
        }
        if (command == kLegacyComm) {
            const uint8_t settings[2] = {length > 0 ? data[0] : uint8_t{0}, bitRateCode_.load()};
            if (wantsAnswer) send(kGatewayNodeId, kLegacyComm, settings, 2);
            return true;
        }
        return false;
    }
    if (command == kModel) {
        if (wantsAnswer) send(kGatewayNodeId, kModel, model, 6);
        return true;
    }
    if (command == kBitRate) {
        if (length > 0 && data[0] < 8) bitRateCode_ = data[0];
        const uint8_t code = bitRateCode_;
        if (wantsAnswer) send(kGatewayNodeId, kBitRate, &code, 1);
        return true;
    }
    return false;
}

void NodeListCollector::Begin(uint32_t windowMs) {
    std::lock_guard lock(lock_);
    collecting_ = true;
    untilMs_ = platform::TickMs() + windowMs;
    nodes_.clear();
}

void NodeListCollector::Reset() {
    std::lock_guard lock(lock_);
    collecting_ = false;
    nodes_.clear();
}

bool NodeListCollector::Offer(uint8_t node) {
    std::lock_guard lock(lock_);
    if (!collecting_) return false;
    if (std::find(nodes_.begin(), nodes_.end(), node) == nodes_.end()) nodes_.push_back(node);
    return true;
}

std::optional<std::vector<uint8_t>> NodeListCollector::TakeWhenDone() {
    std::vector<uint8_t> nodes;
    {
        std::lock_guard lock(lock_);
        if (!collecting_ || platform::TickMs() < untilMs_) return std::nullopt;
        collecting_ = false;
        nodes.swap(nodes_);
    }
    std::sort(nodes.begin(), nodes.end());
    return nodes;
}

}  // namespace norvane::sim
